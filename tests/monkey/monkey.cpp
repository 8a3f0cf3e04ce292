#include "monkey.h"

#include "catalogue.h"
#include "control.h"
#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "screenchecks.h"
#include "timerrunner.h"
#include "titlescreen.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>

const QString Monkey::HandlerFailed = QStringLiteral("handler failed");
const QString Monkey::Warning = QStringLiteral("warning");
const QString Monkey::FormsOutOfOrder = QStringLiteral("forms out of order");
const QString Monkey::ViewOutOfStep = QStringLiteral("view out of step");
const QString Monkey::TimersOutOfStep = QStringLiteral("timers out of step");
const QString Monkey::StateOutOfRange = QStringLiteral("state out of range");
const QString Monkey::DraggedOffScreen = QStringLiteral("dragged off screen");
const QString Monkey::PieceCovered = QStringLiteral("piece over a piece or a button");
const QString Monkey::MarkUnanswered = QStringLiteral("mark over unanswered item");
const QString Monkey::CueWhileSilent = QStringLiteral("cue while silent");
const QString Monkey::SoundOptions = QStringLiteral("sound options");
const QString Monkey::ButtonsTogether = QStringLiteral("answer and check together");

namespace {

// The monkey whose run is in progress receives the program's warnings.
QtMessageHandler previousHandler = nullptr;
std::function<void(QtMsgType, const QString &)> forwardToMonkey;

void monkeyMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // QtTest remarks on every pointer event beyond the window; the monkey sends them on purpose.
    if (message.contains(QLatin1String("occurs outside target window")))
        return;
    if (forwardToMonkey)
        forwardToMonkey(type, message);
    if (previousHandler)
        previousHandler(type, context, message);
}

constexpr float MarkFullWidth = 750;  // a mark stops growing at this width
constexpr int VirtualTickMs = 15;     // one round of ticks: the fastest real timer's interval
constexpr std::size_t TraceLength = 60;

const QString Next = QStringLiteral("cmdgo");
const QString Exit = QStringLiteral("cmdexit");

bool isActivity(const Form &form)
{
    return !Catalogue::menuOf(form.name()).isEmpty();
}

} // namespace

Monkey::Monkey(const Options &options)
    : m_options(options)
    , m_rng(options.seed)
{
    forwardToMonkey = [this](QtMsgType type, const QString &message) { captureMessage(type, message); };
    previousHandler = qInstallMessageHandler(monkeyMessages);
}

Monkey::~Monkey()
{
    m_session.reset();
    qInstallMessageHandler(previousHandler);
    forwardToMonkey = nullptr;
}

void Monkey::captureMessage(QtMsgType type, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (message.startsWith(QLatin1String("handler failed")))
        m_messages << message; // counted by the view; reported with its fault
    else
        pend(Warning, message);
}

void Monkey::pend(const QString &rule, const QString &detail)
{
    m_pending.push_back({m_stats.steps, rule, detail});
}

void Monkey::note(const QString &what)
{
    const QString line = QStringLiteral("%1: %2").arg(m_stats.steps).arg(what);
    if (m_options.echo)
        qInfo("%s", qPrintable(line));
    m_trace.push_back(line);
    if (m_trace.size() > TraceLength)
        m_trace.pop_front();
}

QStringList Monkey::trace() const
{
    return QStringList(m_trace.begin(), m_trace.end());
}

void Monkey::startSession()
{
    m_session.reset();
    Session::Options options;
    options.seed = m_rng();
    options.extraForms = m_options.extraForms;
    m_session = std::make_unique<Session>(options);
    ++m_stats.sessions;
    m_faultsSeen = 0;
    note(QStringLiteral("the program starts"));

    FormView &view = m_session->view();
    // The view's real timers are kept from firing: the monkey ticks the model timers
    // itself, so a seed repeats the run exactly. Whether the real timers follow the
    // models is checked at every refresh.
    auto original = view.afterRefresh;
    view.afterRefresh = [this, original] {
        if (original)
            original();
        checkTimers();
    };
}

void Monkey::checkTimers()
{
    if (!m_session || m_session->ended())
        return;
    int enabled = 0;
    for (const Form *form : m_session->forms().loadedForms()) {
        for (const auto &timer : form->timers())
            enabled += timer->enabled && timer->interval > 0 ? 1 : 0;
    }
    TimerRunner &runner = m_session->window().timers();
    if (runner.runningCount() != enabled)
        pend(TimersOutOfStep, QStringLiteral("%1 model timers enabled, %2 real timers running")
                                  .arg(enabled)
                                  .arg(runner.runningCount()));
    for (QTimer *timer : runner.findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        timer->stop();
}

std::optional<Violation> Monkey::run(qint64 steps)
{
    for (qint64 i = 0; i < steps; ++i) {
        step();
        if (std::optional<Violation> broken = check())
            return broken;
    }
    return std::nullopt;
}

void Monkey::step()
{
    if (!m_session || m_session->ended())
        startSession();
    ++m_stats.steps;
    ++m_stepsOnScreen;
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    if (r < 0.28)
        randomClick();
    else if (r < 0.46)
        randomDrag();
    else if (r < 0.51)
        hover();
    else if (r < 0.68)
        tick(between(1, 60));
    else if (r < 0.75)
        pressKey();
    else if (r < 0.77)
        resize();
    else
        tour();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- What is on screen ---------------------------------------------------------------

Control *Monkey::controlAt(const QPoint &point) const
{
    FormView &view = m_session->view();
    QWidget *widget = view.childAt(view.mapFrom(&m_session->window(), point));
    auto *shown = qobject_cast<ControlWidget *>(widget);
    return shown ? shown->control() : nullptr;
}

QRect Monkey::shownRect(const Control &control) const
{
    FormView &view = m_session->view();
    const ControlWidget *widget = view.widgetFor(&control);
    if (!widget || !widget->isVisibleTo(&view))
        return {};
    const QRect inView = widget->geometry().intersected(view.rect());
    return inView.translated(view.mapTo(&m_session->window(), QPoint(0, 0)));
}

std::vector<Control *> Monkey::shownControls(bool (*wanted)(const Control &)) const
{
    std::vector<Control *> found;
    const Form *form = m_session->view().form();
    if (!form)
        return found;
    for (const auto &control : form->controls()) {
        if (control->visible && wanted(*control) && !shownRect(*control).isEmpty())
            found.push_back(control.get());
    }
    return found;
}

QPoint Monkey::pointIn(const QRect &rect)
{
    return {between(rect.left(), rect.right()), between(rect.top(), rect.bottom())};
}

QPoint Monkey::anywhere()
{
    const QSize size = m_session->window().size();
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    if (r < 0.7)
        return pointIn(QRect(QPoint(0, 0), size));
    if (r < 0.85) {
        // On an edge or a corner of the window.
        const int x = chance(0.5) ? between(0, size.width() - 1) : (chance(0.5) ? 0 : size.width() - 1);
        const int y = chance(0.5) ? between(0, size.height() - 1) : (chance(0.5) ? 0 : size.height() - 1);
        return {x, y};
    }
    // Beyond the window: the drag carries on outside it.
    const int x = chance(0.5) ? between(-400, -1) : between(size.width(), size.width() + 400);
    const int y = chance(0.5) ? between(-400, size.height() + 400) : between(size.height(), size.height() + 400);
    return chance(0.5) ? QPoint(x, y) : QPoint(between(0, size.width() - 1), y);
}

QString Monkey::describe(const Control *control) const
{
    if (!control)
        return QStringLiteral("the background");
    return control->index() >= 0 ? QStringLiteral("%1(%2)").arg(control->name()).arg(control->index())
                                 : control->name();
}

QStringList Monkey::activities() const
{
    QStringList names;
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        const QString name = QString::fromLatin1(entry.activity);
        if (!name.isEmpty() && m_session && m_session->forms().isKnown(name))
            names << name;
    }
    return names;
}

QStringList Monkey::unopenedActivities() const
{
    QStringList names;
    for (const QString &name : activities()) {
        if (!m_stats.opened.contains(name))
            names << name;
    }
    return names;
}

QString Monkey::nextActivity()
{
    if (!m_options.focus.isEmpty())
        return m_options.focus;
    const QStringList all = activities();
    if (all.isEmpty())
        return {};
    int fewest = INT_MAX;
    QStringList least;
    for (const QString &name : all) {
        const int times = m_stats.opened.value(name);
        if (times < fewest) {
            fewest = times;
            least.clear();
        }
        if (times == fewest)
            least << name;
    }
    return least.at(between(0, int(least.size()) - 1));
}

// ---- Input ---------------------------------------------------------------------------

void Monkey::clickAt(const QPoint &point, Qt::MouseButton button, bool twice)
{
    Form *form = m_session->view().form();
    const quint64 serial = form ? form->serial() : 0;
    Control *hit = controlAt(point);
    const QString name = hit ? hit->name() : QString();
    const bool opensNext = name == Next && button == Qt::LeftButton && hit->visible && hit->enabled;
    note(QStringLiteral("%1 click%2 on %3 at (%4, %5)")
             .arg(button == Qt::LeftButton ? QStringLiteral("left") : button == Qt::RightButton ? QStringLiteral("right") : QStringLiteral("middle"))
             .arg(twice ? QStringLiteral(" twice") : QString())
             .arg(describe(hit))
             .arg(point.x())
             .arg(point.y()));
    if (hit && qEnvironmentVariableIsSet("MONKEY_DEBUG")) {
        const QPointF t = m_session->view().scaling().toTwips(QPointF(m_session->view().mapFrom(&m_session->window(), point)));
        qInfo("  twips (%f, %f) control %f %f %f %f widget %d %d %d %d", t.x(), t.y(), hit->left, hit->top, hit->width, hit->height,
              shownRect(*hit).x(), shownRect(*hit).y(), shownRect(*hit).width(), shownRect(*hit).height());
    }
    QWindow *window = m_session->window().windowHandle();
    if (twice)
        QTest::mouseDClick(window, button, {}, point);
    else
        QTest::mouseClick(window, button, {}, point);
    ++m_stats.clicks;
    // Next deals an item nobody has answered; any other press may answer one.
    if (opensNext)
        m_unanswered.insert(serial);
    else if (hit && name != Exit)
        m_unanswered.erase(serial);
}

void Monkey::click(Control &control, Qt::MouseButton button, bool twice)
{
    const QRect rect = shownRect(control);
    if (rect.isEmpty())
        return;
    // Mostly near the middle, as a pupil aims; sometimes anywhere on the control.
    const QRect middle(rect.center() - QPoint(rect.width() / 4, rect.height() / 4),
                       QSize(std::max(1, rect.width() / 2), std::max(1, rect.height() / 2)));
    clickAt(pointIn(chance(0.7) ? middle : rect), button, twice);
}

void Monkey::drag(Control &control, const std::vector<QPoint> &path, Qt::MouseButton button)
{
    const QRect rect = shownRect(control);
    if (rect.isEmpty() || path.empty())
        return;
    FormView &view = m_session->view();
    Form *form = view.form();
    const quint64 serial = form->serial();
    const QPoint start = pointIn(rect);
    Control *pressed = controlAt(start);
    const QString name = pressed ? pressed->name() : QString();
    Control *releasedOn = nullptr;
    note(QStringLiteral("drag %1 with the %2 button from (%3, %4) through %5 moves to (%6, %7)")
             .arg(describe(pressed))
             .arg(button == Qt::LeftButton ? QStringLiteral("left") : QStringLiteral("right"))
             .arg(start.x())
             .arg(start.y())
             .arg(path.size())
             .arg(path.back().x())
             .arg(path.back().y()));

    QWindow *window = m_session->window().windowHandle();
    QTest::mousePress(window, button, {}, start);
    for (const QPoint &point : path) {
        if (m_session->ended())
            break;
        QTest::mouseMove(window, point);
        ++m_stats.moves;
    }
    if (!m_session->ended())
        releasedOn = controlAt(path.back());
    // Always released, so no button stays held for the next step.
    QTest::mouseRelease(window, button, {}, path.back());
    ++m_stats.drags;
    if (m_session->ended())
        return;

    const bool clickedNext = name == Next && button == Qt::LeftButton && releasedOn == pressed;
    if (clickedNext)
        m_unanswered.insert(serial);
    else if (pressed && name != Exit)
        m_unanswered.erase(serial);
}

void Monkey::dragOnto(Control &item, Control &target)
{
    // The item's centre follows the pointer, so aim its top-left corner at the target's,
    // give or take a little, where the drop windows are.
    const Scaling &scaling = m_session->view().scaling();
    const QPointF corner(target.left + float(between(-150, 150)), target.top + float(between(-150, 150)));
    const QPointF pointer = corner + QPointF(item.width / 2, item.height / 2);
    const QPoint end = m_session->view().mapTo(&m_session->window(), scaling.toPixels(pointer).toPoint());
    std::vector<QPoint> path;
    const QPoint from = shownRect(item).center();
    const int steps = between(1, 6);
    for (int k = 1; k <= steps; ++k)
        path.push_back(from + (end - from) * k / steps);
    drag(item, path, Qt::LeftButton);
}

void Monkey::randomClick()
{
    if (chance(0.05)) {
        clickAt(anywhere(), Qt::LeftButton, false);
        return;
    }
    const std::vector<Control *> shown = shownControls([](const Control &) { return true; });
    if (shown.empty()) {
        clickAt(anywhere(), Qt::LeftButton, false);
        return;
    }
    std::vector<double> weights;
    for (const Control *control : shown)
        weights.push_back(control->isClickable() ? (control->name() == Exit ? 1.0 : 4.0)
                                                 : control->isDraggable() ? 2.0 : 1.0);
    Control &chosen = *shown[std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(m_rng)];
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    const Qt::MouseButton button = r < 0.88 ? Qt::LeftButton : r < 0.96 ? Qt::RightButton : Qt::MiddleButton;
    click(chosen, button, chance(0.03));
}

void Monkey::randomDrag()
{
    std::vector<Control *> items = shownControls([](const Control &c) { return c.isDraggable(); });
    if (items.empty() || chance(0.2))
        items = shownControls([](const Control &) { return true; });
    if (items.empty()) {
        hover();
        return;
    }
    Control &item = *items[std::size_t(between(0, int(items.size()) - 1))];
    std::vector<QPoint> path;
    const int moves = between(1, 8);
    const std::vector<Control *> all = shownControls([](const Control &) { return true; });
    for (int k = 0; k < moves; ++k) {
        if (chance(0.25) && !all.empty())
            path.push_back(pointIn(shownRect(*all[std::size_t(between(0, int(all.size()) - 1))])));
        else
            path.push_back(anywhere());
    }
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    drag(item, path, r < 0.85 ? Qt::LeftButton : r < 0.95 ? Qt::RightButton : Qt::MiddleButton);
}

void Monkey::hover()
{
    const int moves = between(1, 4);
    note(QStringLiteral("hover, %1 moves").arg(moves));
    QWindow *window = m_session->window().windowHandle();
    const QSize size = m_session->window().size();
    for (int k = 0; k < moves; ++k) {
        QTest::mouseMove(window, pointIn(QRect(QPoint(0, 0), size)));
        ++m_stats.moves;
    }
}

void Monkey::tick(int rounds)
{
    note(QStringLiteral("%1 rounds of timer ticks").arg(rounds));
    FormView &view = m_session->view();
    FormRegistry &forms = m_session->forms();
    for (int round = 0; round < rounds && !m_session->ended(); ++round) {
        // The timers due in this round, by form and name: a handler may unload a form, so
        // no pointer is kept across one.
        std::vector<std::pair<QString, QString>> due;
        for (const Form *form : forms.loadedForms()) {
            for (const auto &timer : form->timers()) {
                if (!timer->enabled || timer->interval <= 0)
                    continue;
                const int real = TimerRunner::realInterval(timer->interval);
                if (real <= VirtualTickMs || chance(double(VirtualTickMs) / real))
                    due.emplace_back(form->name(), timer->name());
            }
        }
        std::shuffle(due.begin(), due.end(), m_rng);
        for (const auto &[formName, timerName] : due) {
            const Form *form = forms.loaded(formName);
            Timer *timer = form ? form->timer(timerName) : nullptr;
            if (!timer || !timer->enabled || m_session->ended())
                continue;
            view.dispatch([timer] { timer->fire(); });
            ++m_stats.timerTicks;
        }
    }
}

void Monkey::pressKey()
{
    static const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_Tab, {}}, {Qt::Key_Tab, Qt::ShiftModifier}, {Qt::Key_Space, {}}, {Qt::Key_Return, {}},
        {Qt::Key_Enter, {}}, {Qt::Key_Escape, {}}, {Qt::Key_Left, {}}, {Qt::Key_Right, {}},
        {Qt::Key_Up, {}}, {Qt::Key_Down, {}}, {Qt::Key_1, {}}, {Qt::Key_2, {}}, {Qt::Key_3, {}},
        {Qt::Key_4, {}}, {Qt::Key_5, {}}, {Qt::Key_N, {}}, {Qt::Key_R, {}}, {Qt::Key_C, {}},
        {Qt::Key_A, {}}, {Qt::Key_Delete, {}}, {Qt::Key_F1, {}}, {Qt::Key_Q, Qt::ControlModifier},
        {Qt::Key_X, Qt::AltModifier}};
    const auto &[key, modifiers] = keys[std::size_t(between(0, int(keys.size()) - 1))];
    Form *form = m_session->view().form();
    const quint64 serial = form ? form->serial() : 0;
    note(QStringLiteral("key %1%2").arg(QKeySequence(key).toString(),
                                        modifiers ? QStringLiteral(" with a modifier") : QString()));
    QTest::keyClick(m_session->window().windowHandle(), key, modifiers);
    ++m_stats.keys;
    // Moving the focus answers nothing; any other key may (a number key, Space on a focused answer).
    if (key != Qt::Key_Tab)
        m_unanswered.erase(serial);
}

void Monkey::resize()
{
    MainWindow &window = m_session->window();
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    if (r < 0.65) {
        const QSize size(between(400, 2200), between(300, 1600));
        note(QStringLiteral("resize to %1 x %2").arg(size.width()).arg(size.height()));
        window.resize(size);
    } else if (r < 0.97) {
        note(QStringLiteral("F11: full screen on or off"));
        QTest::keyClick(window.windowHandle(), Qt::Key_F11);
    } else {
        note(QStringLiteral("close the window"));
        window.close();
    }
    QCoreApplication::processEvents();
    ++m_stats.resizes;
}

// ---- The tour ------------------------------------------------------------------------

void Monkey::tour()
{
    Form *form = m_session->view().form();
    if (!form) {
        randomClick();
        return;
    }
    const auto clickNamed = [&](const QString &name, int index = -1) {
        if (Control *control = form->control(name, index); control && control->visible)
            click(*control);
        else
            randomClick();
    };
    const QString name = form->name();
    const QString goal = nextActivity();
    const CatalogueEntry *entry = nullptr;
    for (const CatalogueEntry &e : Catalogue::entries()) {
        if (goal == QLatin1String(e.activity))
            entry = &e;
    }

    if (name == QLatin1String(Titlefrm::Name)) {
        clickNamed(chance(0.92) ? QStringLiteral("Command1") : QStringLiteral("Command2"));
    } else if (name == QLatin1String(Intro0::Name)) {
        const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
        if (r < 0.08)
            clickNamed(QStringLiteral("Option1"));
        else if (r < 0.16)
            clickNamed(QStringLiteral("Option2"));
        else if (r < 0.18)
            clickNamed(QStringLiteral("Label6"));
        else if (r < 0.22 || !entry)
            clickNamed(QStringLiteral("Command1"));
        else
            clickNamed(QStringLiteral("Label2"), (entry->year - 5) * Catalogue::TermsPerYear + entry->term - 1);
    } else if (const TermMenuDesign *menu = Catalogue::menuNamed(name)) {
        if (!entry || chance(0.03))
            clickNamed(QStringLiteral("Command1"));
        else if (entry->year == menu->year && entry->term == menu->term)
            clickNamed(QStringLiteral("Label3"), entry->index);
        else if (entry->year == menu->year)
            clickNamed(QStringLiteral("Label2"), entry->term - 1);
        else
            clickNamed(QStringLiteral("Command1"));
    } else if (isActivity(*form)) {
        if (m_stepsOnScreen >= m_stay && form->control(Exit) && form->control(Exit)->visible)
            clickNamed(Exit);
        else
            play(*form);
    } else {
        randomClick();
    }
}

void Monkey::play(Form &activity)
{
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    if (r < 0.12) {
        tick(between(10, 70));
        return;
    }
    const std::vector<Control *> items = shownControls([](const Control &c) { return c.isDraggable(); });
    if (r < 0.6 && !items.empty()) {
        Control &item = *items[std::size_t(between(0, int(items.size()) - 1))];
        const std::vector<Control *> targets = shownControls([](const Control &c) {
            return c.kind == ControlKind::Label && !c.isDraggable();
        });
        if (!targets.empty()) {
            dragOnto(item, *targets[std::size_t(between(0, int(targets.size()) - 1))]);
            return;
        }
    }
    std::vector<Control *> answers = shownControls([](const Control &c) {
        return c.isClickable() && c.name() != QLatin1String("cmdexit");
    });
    if (answers.empty()) {
        randomClick();
        return;
    }
    // Next less often than the answers, so items get answered before they go.
    std::vector<double> weights;
    for (const Control *control : answers)
        weights.push_back(control->name() == Next ? 0.3 : 1.0);
    click(*answers[std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(m_rng)]);
    Q_UNUSED(activity);
}

// ---- The invariants ------------------------------------------------------------------

std::optional<Violation> Monkey::check()
{
    const auto broken = [this](const QString &rule, const QString &detail) {
        return Violation{m_stats.steps, rule, detail};
    };
    if (!m_pending.empty())
        return m_pending.front();
    Session &session = *m_session;
    FormView &view = session.view();
    if (view.faults() != m_faultsSeen) {
        m_faultsSeen = view.faults();
        return broken(HandlerFailed, m_messages.isEmpty() ? QStringLiteral("a handler threw") : m_messages.join(QLatin1String("; ")));
    }
    if (const CheckingSound *sound = session.checkingSound(); sound && !sound->problems.isEmpty())
        return broken(CueWhileSilent, sound->problems.join(QLatin1String("; ")));
    if (session.ended())
        return std::nullopt;

    // The forms: one of each name, and the one on screen loaded, shown and in the view.
    FormRegistry &forms = session.forms();
    const std::vector<Form *> loaded = forms.loadedForms();
    QSet<QString> names;
    for (const Form *form : loaded) {
        if (names.contains(form->name()))
            return broken(FormsOutOfOrder, QStringLiteral("two forms called %1").arg(form->name()));
        names.insert(form->name());
        if (forms.loaded(form->name()) != form)
            return broken(FormsOutOfOrder, QStringLiteral("%1 is not the form its name finds").arg(form->name()));
    }
    Form *current = forms.current();
    if (!current)
        return broken(FormsOutOfOrder, QStringLiteral("no form on screen"));
    if (std::find(loaded.begin(), loaded.end(), current) == loaded.end() || !current->visible)
        return broken(FormsOutOfOrder, QStringLiteral("%1 is on screen but not loaded and shown").arg(current->name()));
    if (view.form() != current)
        return broken(ViewOutOfStep, QStringLiteral("the view shows %1, the program %2")
                                         .arg(view.form() ? view.form()->name() : QStringLiteral("nothing"), current->name()));

    if (current->serial() != m_shownSerial) {
        m_shownSerial = current->serial();
        m_stepsOnScreen = 0;
        m_stay = between(15, 120);
        if (m_seen.insert(m_shownSerial).second) {
            ++m_stats.opened[current->name()];
            // A newly loaded activity: nothing answered yet.
            if (isActivity(*current))
                m_unanswered.insert(m_shownSerial);
        }
    }

    // Every control shown where and as the model says.
    for (const auto &owned : current->controls()) {
        const Control &control = *owned;
        const ControlWidget *widget = view.widgetFor(&control);
        if (!widget)
            return broken(ViewOutOfStep, QStringLiteral("%1 has no widget").arg(describe(&control)));
        const bool shown = widget->isVisibleTo(&view);
        if (!control.visible && shown)
            return broken(ViewOutOfStep, QStringLiteral("%1 is hidden but shown").arg(describe(&control)));
        if (control.visible && control.width > 0 && control.height > 0) {
            if (!shown)
                return broken(ViewOutOfStep, QStringLiteral("%1 is visible but not shown").arg(describe(&control)));
            if (widget->geometry() != view.widgetRect(control))
                return broken(ViewOutOfStep, QStringLiteral("%1 is shown at the wrong place").arg(describe(&control)));
        }
    }

    // The shared state within its bounds.
    const SharedState &state = session.state();
    const auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (outside(state.LastItem, 0, SharedState().ItemBank.lastIndex()) || outside(state.CheckItem, 0, 400)
        || outside(state.ItemCounter, -1, 400) || outside(state.SortCount, 0, 20) || outside(state.SoundOn, 0, 1))
        return broken(StateOutOfRange, QStringLiteral("LastItem %1, CheckItem %2, ItemCounter %3, SortCount %4, SoundOn %5")
                                           .arg(state.LastItem)
                                           .arg(state.CheckItem)
                                           .arg(state.ItemCounter)
                                           .arg(state.SortCount)
                                           .arg(state.SoundOn));
    if (outside(state.FlashPhase, 0, 1))
        return broken(StateOutOfRange, QStringLiteral("FlashPhase %1 after a step on %2").arg(state.FlashPhase).arg(current->name()));

    // The home screen's sound choice says what SoundOn holds.
    if (const Form *home = forms.loaded(QString::fromLatin1(Intro0::Name))) {
        const Control *on = home->control(QStringLiteral("Option1"));
        const Control *off = home->control(QStringLiteral("Option2"));
        if (on && off && (on->value != (state.SoundOn == 1) || off->value == on->value))
            return broken(SoundOptions, QStringLiteral("Sound On %1, Sound Off %2, SoundOn %3").arg(on->value).arg(off->value).arg(state.SoundOn));
    }

    // The marks: never wider than full, and never over an item nobody has answered.
    const bool unanswered = m_unanswered.count(current->serial()) > 0;
    for (const char *mark : {"imgtick", "imgcross"}) {
        const Control *picture = current->control(QString::fromLatin1(mark));
        if (!picture)
            continue;
        if (picture->width < 0 || picture->width > MarkFullWidth)
            return broken(StateOutOfRange, QStringLiteral("%1 is %2 twips wide").arg(QLatin1String(mark)).arg(picture->width));
        if (unanswered && picture->visible) {
            const Timer *tick = current->timer(QStringLiteral("tmrtick"));
            const Timer *cross = current->timer(QStringLiteral("tmrcross"));
            return broken(MarkUnanswered, QStringLiteral("%1 shows on %2 before any answer (%3 twips wide; tmrtick %4, tmrcross %5)")
                                              .arg(QLatin1String(mark), current->name())
                                              .arg(picture->width)
                                              .arg(tick && tick->enabled ? QStringLiteral("on") : QStringLiteral("off"),
                                                   cross && cross->enabled ? QStringLiteral("on") : QStringLiteral("off")));
        }
    }

    // Every piece of a drag screen (what can be dragged, and the copies a drop leaves)
    // wholly on the screen, hiding no other piece and no button.
    QStringList pieceArrays;
    for (const auto &control : current->controls()) {
        const bool dragged = control->onMouseMove && control->onMouseUp; // not a hover, not a drop target
        if (isActivity(*current) && control->index() >= 0 && dragged && !pieceArrays.contains(control->name()))
            pieceArrays << control->name();
    }
    if (!pieceArrays.isEmpty()) {
        if (!pieceArrays.contains(QStringLiteral("Label2")))
            pieceArrays << QStringLiteral("Label2");
        for (const QString &finding : ScreenChecks::pieceFindings(*current, pieceArrays)) {
            if (finding.startsWith(QLatin1String("off the screen")))
                return broken(DraggedOffScreen, current->name() + QStringLiteral(": ") + finding);
            return broken(PieceCovered, current->name() + QStringLiteral(": ") + finding);
        }
    }

    // The answer button and Check share one place; at most one shows.
    const Control *solution = current->control(QStringLiteral("cmdsoln"));
    const Control *checkIt = current->control(QStringLiteral("cmdcheckit"));
    if (solution && checkIt && solution->visible && checkIt->visible)
        return broken(ButtonsTogether, current->name());
    return std::nullopt;
}
