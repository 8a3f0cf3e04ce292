#pragma once

// A drag-and-sort screen loaded and dealt with a known set and shuffle, and a small
// language for arranging its phrases: "0>s1 2>h2 1>l3 3>x" drops phrase 0 on slot 1's
// place, phrase 2 on home box 2's, phrase 1 at slot 3's Left far above every window, and
// phrase 3 in the middle of nowhere.

#include "playcue.h"
#include "sortactivities.h"
#include "sortengine.h"
#include "testsupport.h"

#include <QtTest>

struct Sorting
{
    // Visits are told to `visits` when given (it must outlive the fixture).
    explicit Sorting(const QString &id, int set = 0, QList<int> shuffle = {}, VisitLog *visits = nullptr)
    {
        if (visits)
            app.context.visitLog = [visits]() -> VisitLog & { return *visits; };
        app.state.SoundOn = 1;
        app.state.LastItem = -1; // no set shown yet, so the wanted set is dealt as drawn
        app.forms.registerForm(QStringLiteral("Grey"), [this](FormRegistry &) { return std::make_unique<Grey>(app.context); });
        registerSortActivities(app.context);
        screen = app.forms.get<SortScreen>(id);
        queueDeal(set, shuffle);
        screen->timer(QStringLiteral("Timer1"))->fire();
        app.sound.played.clear();
    }

    const SortActivity &row() const { return screen->activity(); }
    Control &c(const char *name, int index = -1) const { return screen->ctl(QString::fromLatin1(name), index); }
    bool timerOn(const char *name) const { return screen->timer(QString::fromLatin1(name))->enabled; }

    // Queues the draw of `set` and the shuffle's choices: 10 passes of j for i = 0..N-1,
    // repeated from `shuffle` (j = i, no change, when empty).
    void queueDeal(int set, const QList<int> &shuffle = {})
    {
        app.random.queueIndex(set, row().setCount);
        if (!row().shuffled)
            return;
        const int n = row().phraseCount;
        for (int k = 0; k < 10 * n; ++k)
            app.random.queueIndex(shuffle.isEmpty() ? k % n : shuffle[k % shuffle.size()], n);
    }

    void play(const QString &moves)
    {
        for (const QString &move : moves.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int p = move.at(0).digitValue();
            const QChar where = move.at(2);
            const int k = move.size() > 3 ? move.at(3).digitValue() : 0;
            const Control &target = c(where == QLatin1Char('h') ? "Label4" : "Label1", k);
            if (where == QLatin1Char('x'))
                screen->dropPhraseAt(p, 6000, 300);
            else if (where == QLatin1Char('l'))
                screen->dropPhraseAt(p, target.left, 300);
            else
                screen->dropPhraseAt(p, target.left, target.top);
        }
    }

    QStringList captions() const
    {
        QStringList list;
        for (int i = 0; i < row().phraseCount; ++i)
            list << c("Label2", i).caption();
        return list;
    }

    TestApp app;
    SortScreen *screen = nullptr;
};
