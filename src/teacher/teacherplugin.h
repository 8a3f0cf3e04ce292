#pragma once

#include <QtPlugin>

#include <functional>

class QByteArray;
class QString;
class QWidget;
class Results;
class Settings;
class Speech;

// What the teacher window works on, handed over by the program. The window's pages reach
// the program only through this: the results through their interface (results.h), the
// settings, and the program's own services as functions the program sets (any left unset
// means the program does not offer it, and the page says so or hides the control).
struct TeacherContext
{
    Results &results;
    Settings &settings;
    // Called after the teacher changes a setting the pupils' screens show (high contrast,
    // read-aloud, voice, rate), so every screen follows at once.
    std::function<void()> settingsChanged = {};
    // A live activity screen for a bank held in memory (the JSON of a content file), showing
    // the given record (from 0), playable, as a widget inside parent; nullptr when the
    // activity is unknown or the bank cannot be shown.
    std::function<QWidget *(const QString &activity, const QByteArray &bank, int record, QWidget *parent)>
        previewScreen = {};
    // The read-aloud service, whether or not read-aloud is turned on (the settings page
    // lists its voices, tries them, and says why it cannot be heard); created on first use.
    std::function<Speech *()> speech = {};
    // Tries the school database connection a service names, as this computer would use it:
    // true when it works; either way one sentence saying so or what is wrong. Blocks while
    // connecting, so the page calls it away from the window's thread; safe to call from any.
    std::function<bool(const QString &service, QString *sentence)> testSchool = {};
};

// The teacher window lives in a module of its own (its Qt Widgets pages and Qt Charts),
// loaded the first time the teacher asks for it, so starting the program and the pupils'
// screens never pay for it. The program includes only this header.
class TeacherPlugin
{
public:
    virtual ~TeacherPlugin() = default;
    // A new teacher window: one top-level window, a page per feature, working on these.
    // The context outlives the window.
    virtual QWidget *createWindow(TeacherContext &context) = 0;
};

#define TeacherPlugin_iid "org.example.quorvale.TeacherPlugin/5"
Q_DECLARE_INTERFACE(TeacherPlugin, TeacherPlugin_iid)
