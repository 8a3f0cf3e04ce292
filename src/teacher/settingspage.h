#pragma once

#include <QWidget>

#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class Speech;
struct TeacherContext;

// The teacher's settings for the pupils' screens: read-aloud (on or off, the voice, the
// speaking rate, a button to hear it), high contrast, pupils signing in (on or off, and
// the minutes without input after which a pupil is signed out), and the teacher window's
// text size, and the school database results are sent to (a connection's name, with a
// button that tries it). Every change is saved at once and the screens follow it. When
// read-aloud cannot be heard on this computer, one line says why.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsPage(TeacherContext &context, QWidget *parent = nullptr);
    // Waits for a connection being tried to finish.
    ~SettingsPage() override;

    // A voice's name with what it sounds like, for the list ("Scottish English, man (awb)").
    static QString voiceLabel(const QString &voice);

signals:
    // The teacher chose another text size for the teacher window (already saved).
    void textSizeChanged();

private:
    void saved();
    void tryVoice();
    // Tries the school database named in the field, away from the window's thread.
    void testSchool();
    void schoolTested(const QString &sentence);
    void enableTestSchool();

    TeacherContext &m_context;
    Speech *m_speech = nullptr;
    QCheckBox *m_readAloud;
    QComboBox *m_voice;
    QSlider *m_rate;
    QPushButton *m_try;
    QLabel *m_notice;
    QCheckBox *m_highContrast;
    QCheckBox *m_signIn;
    QSpinBox *m_idleMinutes;
    QComboBox *m_textSize;
    QLineEdit *m_schoolService;
    QPushButton *m_testSchool;
    QLabel *m_schoolTest;
    std::thread m_testing;
    bool m_trying = false; // a connection is being tried
};
