#pragma once

// A monkey for the whole program: it starts the program as main() does and drives the
// real main window with a long seeded stream of random but plausible input (clicks on any
// control, press-drag-release to anywhere inside and outside the window, hovering, keys,
// window resizes and full screen, timer ticks in between), and a tour that keeps heading
// for the activity opened least so far, so every screen gets its share. After every step
// it checks the program's invariants; the first one broken ends the run.

#include "session.h"

#include <QHash>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <set>

class Control;
class Form;

// An invariant broken at a step of a run.
struct Violation
{
    qint64 step = 0;
    QString rule;   // which invariant: "handler failed", "dragged off screen", ...
    QString detail; // what was seen
};

struct MonkeyStats
{
    qint64 steps = 0;
    int sessions = 0;
    qint64 clicks = 0;
    qint64 drags = 0;
    qint64 moves = 0;
    qint64 keys = 0;
    qint64 resizes = 0;
    qint64 timerTicks = 0;
    QHash<QString, int> opened; // times each form came on screen
};

class Monkey
{
public:
    struct Options
    {
        quint64 seed = 1;
        // Forms registered after the program's own (a planted fault replaces an activity).
        Session::ExtraForms extraForms;
        // When set, the tour heads for this activity every time instead of the least seen.
        QString focus;
        // Prints every step as it is taken.
        bool echo = false;
    };

    explicit Monkey(const Options &options);
    ~Monkey();

    // Runs up to `steps` more steps and returns the first invariant broken, if any.
    std::optional<Violation> run(qint64 steps);

    const MonkeyStats &stats() const { return m_stats; }
    // The latest steps, oldest first, for a report.
    QStringList trace() const;
    // The catalogue's activities that are registered, and those not yet opened.
    QStringList activities() const;
    QStringList unopenedActivities() const;

    // The invariant names, as Violation::rule reports them.
    static const QString HandlerFailed;
    static const QString Warning;
    static const QString FormsOutOfOrder;
    static const QString ViewOutOfStep;
    static const QString TimersOutOfStep;
    static const QString StateOutOfRange;
    static const QString DraggedOffScreen;
    static const QString PieceCovered;
    static const QString MarkUnanswered;
    static const QString CueWhileSilent;
    static const QString SoundOptions;
    static const QString ButtonsTogether;

private:
    struct Target
    {
        Control *control = nullptr;
        QPoint point; // in window pixels
    };

    void startSession();
    void step();
    void note(const QString &what);
    void pend(const QString &rule, const QString &detail);
    std::optional<Violation> check();
    void checkTimers();
    void captureMessage(QtMsgType type, const QString &message);

    // Actions.
    void randomClick();
    void randomDrag();
    void hover();
    void tick(int rounds);
    void pressKey();
    void resize();
    void tour();
    void play(Form &activity);

    void click(Control &control, Qt::MouseButton button = Qt::LeftButton, bool twice = false);
    void clickAt(const QPoint &point, Qt::MouseButton button, bool twice);
    void drag(Control &control, const std::vector<QPoint> &path, Qt::MouseButton button);
    void dragOnto(Control &item, Control &target);

    // What lies under a point of the window, and where a control shows.
    Control *controlAt(const QPoint &point) const;
    QRect shownRect(const Control &control) const;
    QPoint pointIn(const QRect &rect);
    QPoint anywhere();
    std::vector<Control *> shownControls(bool (*wanted)(const Control &)) const;
    QString describe(const Control *control) const;
    QString nextActivity();

    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

    Options m_options;
    std::mt19937_64 m_rng;
    std::unique_ptr<Session> m_session;
    MonkeyStats m_stats;
    std::deque<QString> m_trace;
    std::vector<Violation> m_pending;
    QStringList m_messages;

    // The "no mark over an unanswered item" rule: forms (by serial) on which nothing has
    // been answered since the item on show was dealt.
    std::set<quint64> m_unanswered;
    quint64 m_shownSerial = 0;
    int m_stepsOnScreen = 0;
    int m_stay = 0;
    int m_faultsSeen = 0;
    std::set<quint64> m_seen; // forms (by serial) that have been on screen
};
