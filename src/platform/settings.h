#pragma once

#include <QRect>
#include <QSettings>

// What outlives a run, in one place: the user's own settings file (organisation and
// application "Quorvale"), read and written through typed accessors. Each setting the
// program keeps gets an accessor pair here.
class Settings
{
public:
    Settings();

    // The window's place and size on the desktop when it is not full screen (its inside,
    // any frame left out); invalid before the first run has ended.
    QRect windowGeometry() const;
    void setWindowGeometry(const QRect &geometry);
    // Whether the window was full screen.
    bool windowFullScreen() const;
    void setWindowFullScreen(bool on);
    // The teacher window's place and size (its inside) at the end of the last run in which
    // it was opened, as fractions of the screen it was on (0 to 1), so it opens at the same
    // place and proportion on a larger or smaller screen; invalid before then.
    QRectF teacherWindowPlace() const;
    void setTeacherWindowPlace(const QRectF &place);
    // The teacher window's text size: 0 normal, 1 large, 2 larger (on top of the size that
    // suits the screen).
    int teacherTextSize() const;
    void setTeacherTextSize(int size);
    // The class the results are kept under ("5B"), set by the teacher; empty for none.
    QString classLabel() const;
    void setClassLabel(const QString &label);
    // Read-aloud: whether a pupil may have a screen read aloud (on unless the teacher turns
    // it off), the voice's name (empty: the engine's British or Scottish voice, otherwise
    // its default) and the speaking rate, from -1 (slowest) through 0 (normal) to 1.
    bool readAloud() const;
    void setReadAloud(bool on);
    QString speechVoice() const;
    void setSpeechVoice(const QString &voice);
    double speechRate() const;
    void setSpeechRate(double rate);
    // Every screen drawn in colours that give each text at least 4.5:1 against what lies
    // behind it, instead of the designed colours.
    bool highContrast() const;
    void setHighContrast(bool on);
    // Whether pupils sign in at this computer (off unless the teacher turns it on), and
    // after how many minutes without input a signed-in pupil is signed out (1 to 120,
    // 10 unless set).
    bool pupilsSignIn() const;
    void setPupilsSignIn(bool on);
    static constexpr int IdleMinutesMin = 1;
    static constexpr int IdleMinutesMax = 120;
    int idleMinutes() const;
    void setIdleMinutes(int minutes);
    // The class a pupil last signed into at this computer, offered when the computer's own
    // class has no pupils; empty before anyone has signed in.
    QString lastPupilClass() const;
    void setLastPupilClass(const QString &label);
    // The school database this computer sends its results to: the name of a connection
    // service in libpq's own files (the address, login and password are there, never
    // here); empty for this computer only. A name is letters, digits, "_", "-" and "." (at
    // most 63): anything else, which could add options of its own to the connection, is
    // read as none and never saved (false).
    static constexpr int SchoolServiceMaxLength = 63;
    static bool isServiceName(const QString &name);
    QString schoolService() const;
    bool setSchoolService(const QString &service);
    // How many visits kept on this computer had not yet reached the school database when
    // last counted: what is told if the results file is then found damaged.
    int undeliveredVisits() const;
    void setUndeliveredVisits(int count);

    // Writes what has changed to the file now (it is also written when this goes).
    void sync() { m_settings.sync(); }
    // The file the settings live in.
    QString fileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
};
