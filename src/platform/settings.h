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
    // The class the results are kept under ("5B"), set by the teacher; empty for none.
    QString classLabel() const;
    void setClassLabel(const QString &label);

    // Writes what has changed to the file now (it is also written when this goes).
    void sync() { m_settings.sync(); }
    // The file the settings live in.
    QString fileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
};
