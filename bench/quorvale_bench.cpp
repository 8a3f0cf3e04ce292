// What a class feels, measured on the program main() runs (every form, the embedded assets
// and fonts, real sound and timers), driven through its main window:
//
//   quorvale-bench open        each activity from the click on its menu entry to its
//                              first item painted ("open <id> <ms>"), all of them once
//   quorvale-bench drag N [WxH]  one drag move of a phrase handled and repainted, N times
//                              ("drag-move-us <median>"), in an 800 x 600 window or one of
//                              the size given (3840x2160: a 4K whiteboard, full screen)
//   quorvale-bench idle S      S seconds on an activity screen once its mark has grown
//                              ("idle-timer-events <n>", "idle-cpu-ms <ms>")
//
// bench/startup.py runs it beside the bare Qt program and prints the ratios.

#include "catalogue.h"
#include "control.h"
#include "controlwidget.h"
#include "fonts.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "pointer.h"
#include "program.h"
#include "shellforms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The window size every figure is taken at unless told otherwise, the bare program's too.
const QSize WindowSize(800, 600);

// "3840x2160" as a size; WindowSize for anything else.
QSize sizeNamed(const char *text)
{
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char('x'));
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
    return size.isEmpty() ? WindowSize : size;
}

// Counts the paint events and timer events the whole program receives.
class EventCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (onPaint)
                onPaint();
        } else if (event->type() == QEvent::Timer) {
            ++timers;
        }
        return false;
    }
    qint64 paints = 0;
    qint64 timers = 0;
    std::function<void()> onPaint;
};

// The resident memory now, in KiB (for looking into where memory goes).
long residentKib()
{
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

// The most resident memory so far, in KiB.
long peakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Where the resident memory lies now, by mapping (largest first), on stderr.
void printMappings()
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QHash<QString, long> byName;
    QString name;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 5 && parts[0].contains('-'))
            name = parts.size() >= 6 ? QString::fromLocal8Bit(parts[5]) : QStringLiteral("[anonymous]");
        else if (parts.size() >= 2 && parts[0] == "Rss:")
            byName[name] += parts[1].toLong();
    }
    std::vector<std::pair<long, QString>> sorted;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it)
        sorted.emplace_back(it.value(), it.key());
    std::sort(sorted.rbegin(), sorted.rend());
    for (std::size_t i = 0; i < sorted.size() && i < 25; ++i)
        std::fprintf(stderr, "%8ld KiB  %s\n", sorted[i].first, qPrintable(sorted[i].second));
}

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

FormView &viewOf(Program &program)
{
    return program.window().view();
}

// The form on screen.
Form *current(Program &program)
{
    return viewOf(program).form();
}

void waitMilliseconds(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds; false after timeoutMs.
bool spinUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    bool late = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] { late = true; });
    watchdog.start(timeoutMs);
    while (!done()) {
        if (late)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Clicks a control of the form on screen through the window, at its middle.
bool click(Program &program, const QString &name, int index = -1)
{
    const Form *form = current(program);
    const Control *control = form ? form->control(name, index) : nullptr;
    const ControlWidget *widget = control ? viewOf(program).widgetFor(control) : nullptr;
    if (!widget || !widget->isVisible())
        return false;
    const QPoint middle = viewOf(program).mapTo(&program.window(), widget->geometry().center());
    Pointer::click(program.window().windowHandle(), middle);
    return true;
}

// Waits for a form to be on screen and painted since the paint count `since`.
bool shownAndPainted(Program &program, EventCounter &counter, const QString &name, qint64 since)
{
    if (spinUntil([&] { return current(program) && current(program)->name() == name && counter.paints > since; }))
        return true;
    std::fprintf(stderr, "%s was not painted (%s on screen)\n", qPrintable(name),
                 current(program) ? qPrintable(current(program)->name()) : "nothing");
    return false;
}

// Clicks a control and waits for the form it leads to to be painted.
bool clickThrough(Program &program, EventCounter &counter, const QString &name, int index, const QString &leadsTo)
{
    const qint64 before = counter.paints;
    const bool through = click(program, name, index) && shownAndPainted(program, counter, leadsTo, before);
    if (qEnvironmentVariableIsSet("QUORVALE_BENCH_VERBOSE"))
        std::fprintf(stderr, "resident on %s: %ld KiB (peak %ld KiB)\n", qPrintable(leadsTo), residentKib(), peakKib());
    if (qEnvironmentVariableIsSet("QUORVALE_BENCH_MAPS"))
        printMappings();
    return through;
}

QString menuOf(const CatalogueEntry &entry)
{
    return QString::fromLatin1(Catalogue::menuFor(entry.year, entry.term)->form);
}

// From the home screen or any term menu to the menu listing entry.
bool goToMenu(Program &program, EventCounter &counter, const CatalogueEntry &entry)
{
    const QString menuName = menuOf(entry);
    if (current(program)->name() == menuName)
        return true;
    if (Catalogue::menuNamed(current(program)->name())
        && !clickThrough(program, counter, QStringLiteral("Command1"), -1, QString::fromLatin1(Intro0::Name)))
        return false; // not back home
    return clickThrough(program, counter, QStringLiteral("Label2"),
                        (entry.year - 5) * Catalogue::TermsPerYear + entry.term - 1, menuName);
}

// The activities the catalogue lists that the program has.
std::vector<const CatalogueEntry *> activities(Program &program)
{
    std::vector<const CatalogueEntry *> found;
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        if (*entry.activity && program.forms().isKnown(QString::fromLatin1(entry.activity)))
            found.push_back(&entry);
    }
    return found;
}

bool toHome(Program &program, EventCounter &counter)
{
    return shownAndPainted(program, counter, QStringLiteral("Titlefrm"), 0)
        && clickThrough(program, counter, QStringLiteral("Command1"), -1, QString::fromLatin1(Intro0::Name));
}

// Opens an activity from its menu and returns the milliseconds from the click to the
// first frame painted after its first item was dealt, or -1.
double openActivity(Program &program, EventCounter &counter, const CatalogueEntry &entry)
{
    if (!goToMenu(program, counter, entry))
        return -1;
    const QString id = QString::fromLatin1(entry.activity);
    bool dealtAndPainted = false;
    counter.onPaint = [&] {
        // The loader has run once Timer1 is off; a frame painted from then on shows the item.
        const Form *form = program.forms().loaded(id);
        const Timer *loader = form ? form->timer(QStringLiteral("Timer1")) : nullptr;
        if (form && form == current(program) && (!loader || !loader->enabled))
            dealtAndPainted = true;
    };
    QElapsedTimer clock;
    clock.start();
    click(program, QStringLiteral("Label3"), entry.index);
    const bool done = spinUntil([&] { return dealtAndPainted; });
    const double ms = clock.nsecsElapsed() / 1e6;
    counter.onPaint = nullptr;
    return done ? ms : -1;
}

int runOpen(Program &program, EventCounter &counter)
{
    if (!toHome(program, counter))
        return 1;
    for (const CatalogueEntry *entry : activities(program)) {
        const double ms = openActivity(program, counter, *entry);
        if (ms < 0) {
            std::fprintf(stderr, "%s did not open\n", entry->activity);
            return 1;
        }
        std::printf("open %s %.2f\n", entry->activity, ms);
        if (qEnvironmentVariableIsSet("QUORVALE_BENCH_VERBOSE"))
            std::fprintf(stderr, "resident after opening %s: %ld KiB (peak %ld KiB)\n", entry->activity, residentKib(),
                         peakKib());
        if (!clickThrough(program, counter, QStringLiteral("cmdexit"), -1, menuOf(*entry)))
            return 1;
    }
    std::printf("peak-rss-kib %ld\n", peakKib());
    if (qEnvironmentVariableIsSet("QUORVALE_BENCH_VERBOSE"))
        printMappings();
    return 0;
}

// The first activity with a draggable item, opened and dealt.
Control *firstDraggable(Program &program, EventCounter &counter)
{
    if (!toHome(program, counter))
        return nullptr;
    for (const CatalogueEntry *entry : activities(program)) {
        if (openActivity(program, counter, *entry) < 0)
            return nullptr;
        for (const auto &control : current(program)->controls()) {
            if (control->visible && control->enabled && control->isDraggable() && !control->caption().isEmpty())
                return control.get();
        }
        if (!clickThrough(program, counter, QStringLiteral("cmdexit"), -1, menuOf(*entry)))
            return nullptr;
    }
    return nullptr;
}

int runDrag(Program &program, EventCounter &counter, int moves)
{
    Control *item = firstDraggable(program, counter);
    if (!item)
        return 1;
    QWindow *window = program.window().windowHandle();
    const QPoint start = viewOf(program).mapTo(&program.window(), viewOf(program).widgetFor(item)->geometry().center());
    Pointer::press(window, start);
    std::vector<double> costs;
    for (int k = 0; k < moves; ++k) {
        // Back and forth by 24 pixels: the centre follows the pointer.
        const QPoint to = start + QPoint(k % 2 == 0 ? 24 : 0, 0);
        const qint64 paints = counter.paints;
        QElapsedTimer clock;
        clock.start();
        Pointer::moveHeld(window, to);
        spinUntil([&] { return counter.paints > paints; });
        costs.push_back(clock.nsecsElapsed() / 1e3);
    }
    Pointer::release(window, start);
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    const QRect shown = viewOf(program).widgetFor(item)->geometry();
    std::printf("drag-item %s(%d) at %d,%d %dx%d in %dx%d\n", qPrintable(item->name()), item->index(), shown.x(),
                shown.y(), shown.width(), shown.height(), program.window().width(), program.window().height());
    std::printf("drag-move-us %.1f\n", costs[costs.size() / 2]);
    return 0;
}

int runIdle(Program &program, EventCounter &counter, int seconds)
{
    if (!toHome(program, counter))
        return 1;
    // The first activity whose answers are clicked: answer, then wait for the mark to grow.
    for (const CatalogueEntry *entry : activities(program)) {
        if (openActivity(program, counter, *entry) < 0)
            return 1;
        Form *form = current(program);
        if (!click(program, QStringLiteral("Label5"), 0)) {
            if (!clickThrough(program, counter, QStringLiteral("cmdexit"), -1, menuOf(*entry)))
                return 1;
            continue;
        }
        const auto marksDone = [&] {
            return !form->timer(QStringLiteral("tmrtick"))->enabled && !form->timer(QStringLiteral("tmrcross"))->enabled;
        };
        if (!spinUntil(marksDone))
            return 1;
        waitMilliseconds(500); // the cue's last buffers
        const qint64 timers = counter.timers;
        const double cpu = cpuMilliseconds();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        std::printf("idle-activity %s\n", entry->activity);
        std::printf("idle-timer-events %lld\n", counter.timers - timers - 1); // less the one that ended the wait
        std::printf("idle-cpu-ms %.1f\n", cpuMilliseconds() - cpu);
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvale"));
    registerEmbeddedFonts();
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("open");
    const int amount = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 0;

    Program program;
    program.show(mode == QLatin1String("drag") && argc > 3 ? sizeNamed(argv[3]) : WindowSize);
    EventCounter counter;
    app.installEventFilter(&counter);
    int status = 2;
    if (mode == QLatin1String("open"))
        status = runOpen(program, counter);
    else if (mode == QLatin1String("drag"))
        status = runDrag(program, counter, amount > 0 ? amount : 400);
    else if (mode == QLatin1String("idle"))
        status = runIdle(program, counter, amount > 0 ? amount : 10);
    else
        std::fprintf(stderr, "usage: quorvale-bench open | drag N [WIDTHxHEIGHT] | idle SECONDS\n");
    app.removeEventFilter(&counter);
    return status;
}
