#pragma once

// What quorvale-shots does to an activity: how it opens the activity's screen with one
// chosen record dealt, and the steps a pupil takes on it, a picture after each. An engine
// adds its activities with one function returning their plans (see choicePlans()) and a
// line in allPlans(); a drag activity's steps would be "pick up", "drop on slot 2",
// "check", each moving the model as the pointer would.

#include "appcontext.h"
#include "formregistry.h"
#include "randomsource.h"
#include "sharedstate.h"
#include "sounddevice.h"
#include "speech.h"
#include "textmeasurer.h"
#include "urlopener.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>

// Hands out the numbers it was given, then 0: a deal is exactly the record asked for and
// every shuffle after it is the same on every run.
class DealingRandom : public RandomSource
{
public:
    void reseed() override {}
    double next() override;
    // The next draw of Int(Rnd x count) gives k.
    void queueIndex(int k, int count) { m_values.push_back((k + 0.5) / count); }

private:
    std::deque<double> m_values;
};

class SilentSound : public SoundDevice
{
public:
    void play(const QString &) override {}
};

class NoBrowser : public UrlOpener
{
public:
    bool open(const QString &) override { return false; }
};

// Every form of the program with the program's assets and text measuring, but silent and
// dealing what the plan asks for.
struct ShotProgram
{
    ShotProgram();

    AssetResolver assets;
    FontTextMeasurer measurer;
    SharedState state;
    FormRegistry forms{&measurer};
    SilentSound sound;
    DealingRandom random;
    NoBrowser urls;
    SilentSpeech speech; // available, so the speaker button shows
    AppContext context{state, forms, sound, random, urls, assets};
};

// One thing a pupil does on the screen; the picture after it is named after the step.
struct ShotStep
{
    QString name;
    // Does it on the model and runs what it starts (a mark growing) to its end. Returns
    // false when the step does not apply to this screen: no picture is taken.
    std::function<bool(Form &form)> act;
};

struct ShotPlan
{
    QString activity; // the form name
    int records = 0;  // the records it can deal, 0 .. records - 1
    // Loads and shows the activity's form with `record` on screen.
    std::function<Form *(ShotProgram &program, int record)> open;
    // Taken in order after a picture of the screen as opened.
    QList<ShotStep> steps;
};

// Every multiple-choice activity: deal, click the right answer, and press the answer
// button where there is one.
QList<ShotPlan> choicePlans();

// Every drag activity: phrases crowded into one slot, let go on the edges and buttons,
// arranged and checked; words dragged anywhere and all placed in one box.
QList<ShotPlan> dragPlans();

// Every plan the tool knows, in catalogue order of engines.
QList<ShotPlan> allPlans();

// The text a screen shows, in characters: every visible label's caption.
int shownTextLength(const Form &form);
