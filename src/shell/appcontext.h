#pragma once

#include "assetresolver.h"
#include "picture.h"
#include "sharedstate.h"

#include <QSizeF>

#include <functional>

class Control;
class FormRegistry;
class PupilRoster;
class RandomSource;
class SoundDevice;
class Speech;
class UrlOpener;
class VisitLog;

// The services every screen reaches: the shared state, the forms, sound, randomness, the
// browser, the pictures, and the size of the screen in twips (injectable, so the frame's
// centring rules can be tried on any screen).
struct AppContext
{
    SharedState &state;
    FormRegistry &forms;
    SoundDevice &sound;
    RandomSource &random;
    UrlOpener &urls;
    const AssetResolver &assets;
    QSizeF screenTwips = QSizeF(12000, 9000);
    // The home screen's line about a teacher's own content file that was set aside, worked
    // out afresh each time the home screen opens; empty when every such file is used. The
    // program checks its content folders here; left unset, nothing is checked.
    std::function<QString()> contentNotice = {};
    // Where visits to the activities are told, for the class results; created on first
    // use (the first activity opened), never at start-up. Left unset, nothing is kept.
    std::function<VisitLog &()> visitLog = {};
    // Opens the teacher window (or raises it), from the home screen's Teacher button and
    // Ctrl+T. Left unset, neither does anything.
    std::function<void()> openTeacher = {};
    // Reads text aloud for a pupil who asks; created on first use, never at start-up.
    // Returns nullptr when read-aloud is turned off by the teacher or not set up, and an
    // unavailable service (Speech::available() false) when it cannot be heard; either way
    // the screens offer no read-aloud.
    std::function<Speech *()> speech = {};

    // Signing in, when the teacher has turned it on: the class lists and who is signed in.
    // Returns nullptr while signing in is off, and asks for nothing then (no results are
    // opened for it). Left unset, signing in is off.
    std::function<PupilRoster *()> roster = {};
    // The class this computer is for (the teacher's class label), and the class a pupil
    // last signed into here: the sign-in screen offers the first, or the second when the
    // first has no pupils. Left unset, neither is known.
    std::function<QString()> computerClass = {};
    std::function<QString()> lastClass = {};
    // Told the class a pupil has just signed into.
    std::function<void(const QString &classLabel)> rememberClass = {};
    // The name of the pupil signed in, as the home screen shows it; empty for none.
    QString signedInName = {};
    // Moves the keyboard focus to a control of the screen on show, with its ring (the
    // sign-in screen's first letters). Left unset, the focus stays where it is.
    std::function<void(const Control &)> giveFocus = {};

    // The picture at a relative path ("Images\exit.jpg"); a null picture when it is
    // missing or unreadable.
    Picture loadPicture(const QString &relativePath) const
    {
        return Picture::fromFile(assets.resolve(relativePath));
    }
};
