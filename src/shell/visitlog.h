#pragma once

#include <QString>

// What an activity tells the class results about a visit: the engines call it as things
// happen, the results store keeps it, and neither knows how the other works. Only first
// answers are told: the first click on a multiple-choice item, the first Check of an
// arrangement (Preparing a CV: the first release), and every drop of a word-dragging
// activity (each word is answered once).
class VisitLog
{
public:
    virtual ~VisitLog() = default;

    // An activity has opened; `activity` is its id ("openings"), `title` its caption.
    virtual void visitStarted(const QString &activity, const QString &title) = 0;
    // A new item is on screen: `record` of the activity's bank. What was answered before
    // it is kept now, so a power cut loses at most the item on screen.
    virtual void itemShown(int record) = 0;
    // A first answer on the item on screen.
    virtual void answered(bool right) = 0;
    // The activity was left (Exit, or the program ending): the visit is kept.
    virtual void visitEnded() = 0;
};

// Tells nobody: what the screens use when no results are kept (tests, tools).
class NoVisitLog : public VisitLog
{
public:
    void visitStarted(const QString &, const QString &) override {}
    void itemShown(int) override {}
    void answered(bool) override {}
    void visitEnded() override {}
};
