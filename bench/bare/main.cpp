// The yardstick for the benchmarks: the smallest Qt widget program that shows a window
// with a label and a button.
//   bare-qt [WxH]            quits once its first frame is painted (start-up and memory), in
//                            an 800 x 600 window or one of the size given
// Built again with BARE_BENCH, to be driven as quorvale-bench drives the program:
//   bare-qt-bench drag N [WxH]  drags a plain QLabel back and forth N times through the
//                            window (800 x 600, or the size given, the label scaled with it
//                            as the program scales its screen) and prints the median cost
//                            of one move handled and repainted
//   bare-qt-bench idle S     sits idle S seconds once painted and prints the timer events
//                            and CPU time it used
//   bare-qt-bench blink S    the same with one label blinking four times a second

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#ifdef BARE_BENCH
#include "pointer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>
#endif

namespace {

class Window : public QWidget
{
public:
    Window()
    {
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Hello")));
        layout->addWidget(new QPushButton(QStringLiteral("OK")));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

private:
    bool m_painted = false;
};

#ifdef BARE_BENCH
// A label whose centre follows the pointer while the left button is held: the least a
// drag can be in plain Qt.
class DraggedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() == Qt::LeftButton)
            move(mapToParent(event->position().toPoint()) - QPoint(width() / 2, height() / 2));
    }
};

class Counter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        else if (event->type() == QEvent::Timer)
            ++timers;
        return false;
    }
    qint64 paints = 0;
    qint64 timers = 0;
};

void waitMilliseconds(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void spinUntilPainted(const Counter &counter, qint64 paints)
{
    QElapsedTimer clock;
    clock.start();
    while (counter.paints <= paints && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The window size the program is measured at, and the bare start-up window's.
const QSize WindowSize(800, 600);

int drag(int moves, const QSize &size)
{
    Counter counter;
    qApp->installEventFilter(&counter);
    QWidget window;
    window.resize(size);
    // The first phrase of Chronological Order where the program shows it at this size: its
    // place in an 800 x 600 window, scaled and centred as the program scales its screen.
    const double scale = std::min(size.width() / 800.0, size.height() / 600.0);
    const QPointF offset((size.width() - 800 * scale) / 2, (size.height() - 600 * scale) / 2);
    const QRectF phrase(20, 168, 357, 29);
    auto *label = new DraggedLabel(QStringLiteral("I caught the 8 o'clock bus."), &window);
    label->setGeometry(QRectF(offset + phrase.topLeft() * scale, phrase.size() * scale).toRect());
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    label->setStyleSheet(QStringLiteral("background: black; color: yellow; border: %1px solid black; font: bold %2px")
                             .arg(std::max(1, int(scale)))
                             .arg(qRound(16 * scale)));
    window.show();
    spinUntilPainted(counter, 0);
    QWindow *handle = window.windowHandle();
    const QPoint start = label->geometry().center();
    Pointer::press(handle, start);
    std::vector<double> costs;
    for (int k = 0; k < moves; ++k) {
        const QPoint to = start + QPoint(k % 2 == 0 ? 24 : 0, 0);
        const qint64 paints = counter.paints;
        QElapsedTimer clock;
        clock.start();
        Pointer::moveHeld(handle, to);
        spinUntilPainted(counter, paints);
        costs.push_back(clock.nsecsElapsed() / 1e3);
    }
    Pointer::release(handle, start);
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    std::printf("drag-item at %d,%d %dx%d in %dx%d\n", label->x(), label->y(), label->width(), label->height(),
                window.width(), window.height());
    std::printf("drag-move-us %.1f\n", costs[costs.size() / 2]);
    qApp->removeEventFilter(&counter);
    return 0;
}

// Idle with nothing to do, or (blink) with a label of an answer's size whose background
// turns yellow and white four times a second: the least a blinking answer costs in plain Qt.
int idle(int seconds, bool blink)
{
    Counter counter;
    qApp->installEventFilter(&counter);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("The rain drummed on the roof of the old barn."));
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    label->setStyleSheet(QStringLiteral("font: 16px"));
    layout->addWidget(label);
    layout->addWidget(new QPushButton(QStringLiteral("OK")));
    QTimer blinker;
    bool lit = false;
    QObject::connect(&blinker, &QTimer::timeout, label, [&] {
        lit = !lit;
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, lit ? Qt::yellow : Qt::white);
        label->setPalette(palette);
    });
    if (blink)
        blinker.start(250);
    window.resize(WindowSize);
    window.show();
    spinUntilPainted(counter, 0);
    waitMilliseconds(500);
    const qint64 timers = counter.timers;
    const double cpu = cpuMilliseconds();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("idle-timer-events %lld\n", counter.timers - timers - 1); // less the one that ended the wait
    std::printf("idle-cpu-ms %.1f\n", cpuMilliseconds() - cpu);
    qApp->removeEventFilter(&counter);
    return 0;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
#ifdef BARE_BENCH
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    const int amount = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 0;
    if (mode == QLatin1String("drag")) {
        const QStringList size = argc > 3 ? QString::fromLatin1(argv[3]).split(QLatin1Char('x')) : QStringList();
        const QSize windowSize = size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
        return drag(amount > 0 ? amount : 400, windowSize.isEmpty() ? WindowSize : windowSize);
    }
    if (mode == QLatin1String("idle") || mode == QLatin1String("blink"))
        return idle(amount > 0 ? amount : 10, mode == QLatin1String("blink"));
#endif
    // bare-qt WxH: a window of the size the program opened at, so both pay for the same
    // window buffers.
    const QStringList size = argc > 1 ? QString::fromLatin1(argv[1]).split(QLatin1Char('x')) : QStringList();
    const QSize windowSize = size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
    Window window;
    window.resize(windowSize.isEmpty() ? QSize(800, 600) : windowSize);
    window.show();
    return app.exec();
}
