// The monkey over the whole program, and proof that its invariants catch real faults.
//
// A run: QUORVALE_MONKEY_STEPS sets the steps of each seed (default 5000 each, four
// seeds), QUORVALE_MONKEY_SEED runs that seed alone, QUORVALE_MONKEY_ECHO=1 prints every
// step. QtTest stops a test function after five minutes unless QTEST_FUNCTION_TIMEOUT says
// otherwise, so the long run under the sanitizers is:
//   QTEST_FUNCTION_TIMEOUT=86400000 QUORVALE_MONKEY_STEPS=500000 QUORVALE_MONKEY_SEED=9
//       build-asan/tests/monkey/tst_monkey run
// (one command line, with QT_QPA_PLATFORM=offscreen and ASAN_OPTIONS=detect_leaks=0).

#include "monkey.h"
#include "pickandplace.h"

#include "activityframe.h"
#include "catalogue.h"
#include "fonts.h"
#include "formregistry.h"
#include "screen.h"
#include "setupactivityscreen.h"

#include <QElapsedTimer>
#include <QtTest>

#include <stdexcept>

namespace {

enum class Fault { ThrowsOnAnswer, DragLeavesScreen, DropCoversButton, MarkOutlivesItem, CueWhileSilent, ReadsPastBank };

// An activity with one planted fault, in place of a real one: an answer label, a
// draggable phrase, Next and Exit, and the growing tick.
class Saboteur : public Screen
{
public:
    Saboteur(AppContext &context, const QString &name, Fault fault)
        : Screen(context, name)
        , m_fault(fault)
    {
        addActivityFrameControls(*this);
        Control &answer = add(ControlKind::Label, QStringLiteral("Label5"), 0);
        answer.left = 3000;
        answer.top = 3000;
        answer.width = 3000;
        answer.height = 600;
        answer.setCaption(QStringLiteral("Answer"));
        answer.onClick = [this](int) { Label5_Click(); };
        Control &phrase = add(ControlKind::Label, QStringLiteral("Label2"), 0);
        phrase.left = 3000;
        phrase.top = 5000;
        phrase.width = 3000;
        phrase.height = 600;
        phrase.setCaption(QStringLiteral("Drag me"));
        phrase.onMouseMove = [this](int, int button, int, float x, float y) { Label2_MouseMove(button, x, y); };
        phrase.onMouseUp = [this](int, int, int, float, float) { Label2_MouseUp(); };
        ctl(QStringLiteral("cmdgo")).onClick = [this](int) { cmdgo_Click(); };
        ctl(QStringLiteral("cmdexit")).onClick = [this](int) { cmdexit_Click(); };
        timer(QStringLiteral("tmrtick"))->onTimer = [this] { tmrtick_Timer(); };
    }

    void Form_Load() override
    {
        SetupActivityScreen(*this);
        ctl(QStringLiteral("cmdsoln")).visible = false;
        ctl(QStringLiteral("cmdcheckit")).visible = false;
    }

private:
    void Label5_Click()
    {
        switch (m_fault) {
        case Fault::ThrowsOnAnswer:
            throw std::runtime_error("planted fault");
        case Fault::CueWhileSilent:
            state().SoundOn = 0;
            context().sound.play(QStringLiteral("wav\\boink.wav"));
            break;
        case Fault::ReadsPastBank:
            ctl(QStringLiteral("Label5"), 0).setCaption(state().ItemBank[state().ItemBank.size()]);
            break;
        default:
            break;
        }
        timer(QStringLiteral("tmrtick"))->enabled = true;
    }

    void Label2_MouseMove(int button, float x, float y)
    {
        if (button != MouseButton::Left)
            return;
        Control &p = ctl(QStringLiteral("Label2"), 0);
        p.left += x - p.width / 2;
        p.top += y - p.height / 2;
        if (m_fault != Fault::DragLeavesScreen) {
            p.left = std::clamp(p.left, 0.0f, width - p.width);
            p.top = std::clamp(p.top, 0.0f, height - p.height);
        }
    }

    void Label2_MouseUp()
    {
        // Let go over the answer or a button, the phrase goes back where it started.
        Control &p = ctl(QStringLiteral("Label2"), 0);
        if (m_fault == Fault::DropCoversButton) {
            p.left = 8500; // half over Next, wholly on the screen
            p.top = 7900;
        } else if (m_fault != Fault::DragLeavesScreen && !PickAndPlace::isClearPlace(*this, p.rect())) {
            p.left = 3000;
            p.top = 5000;
        }
    }

    void cmdgo_Click()
    {
        ctl(QStringLiteral("imgtick")).visible = false;
        ctl(QStringLiteral("imgtick")).width = 0;
        if (m_fault != Fault::MarkOutlivesItem)
            timer(QStringLiteral("tmrtick"))->enabled = false;
    }

    void tmrtick_Timer()
    {
        Control &tick = ctl(QStringLiteral("imgtick"));
        tick.visible = true;
        if (tick.width > 735)
            timer(QStringLiteral("tmrtick"))->enabled = false;
        else
            tick.width += 15;
    }

    void cmdexit_Click()
    {
        if (Form *menu = forms().get(Catalogue::menuOf(name())))
            menu->Show();
        Unload();
    }

    Fault m_fault;
};

// The first activity the catalogue lists that the program has.
QString firstActivity()
{
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        if (*entry.activity)
            return QString::fromLatin1(entry.activity);
    }
    return {};
}

QString report(const Monkey &monkey, const Violation &violation)
{
    return QStringLiteral("step %1: %2: %3\nlast steps:\n%4")
        .arg(violation.step)
        .arg(violation.rule, violation.detail, monkey.trace().join(QLatin1Char('\n')));
}

} // namespace

class tst_Monkey : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void run_data();
    void run();
    void catchesPlantedFault_data();
    void catchesPlantedFault();
};

void tst_Monkey::run_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<qint64>("steps");
    const qint64 steps = qEnvironmentVariableIsSet("QUORVALE_MONKEY_STEPS")
        ? qEnvironmentVariable("QUORVALE_MONKEY_STEPS").toLongLong()
        : 5000;
    if (qEnvironmentVariableIsSet("QUORVALE_MONKEY_SEED")) {
        const quint64 seed = qEnvironmentVariable("QUORVALE_MONKEY_SEED").toULongLong();
        QTest::addRow("seed %llu", seed) << seed << steps;
        return;
    }
    for (quint64 seed : {1, 2, 3, 4})
        QTest::addRow("seed %llu", seed) << seed << steps;
}

void tst_Monkey::run()
{
    QFETCH(quint64, seed);
    QFETCH(qint64, steps);
    Monkey::Options options;
    options.seed = seed;
    options.echo = qEnvironmentVariableIntValue("QUORVALE_MONKEY_ECHO") == 1;
    Monkey monkey(options);
    QElapsedTimer clock;
    clock.start();
    const std::optional<Violation> broken = monkey.run(steps);
    const MonkeyStats &stats = monkey.stats();
    qInfo("seed %llu: %lld steps in %.1f s (%d program runs, %lld clicks, %lld drags, %lld pointer moves, "
          "%lld keys, %lld resizes, %lld timer ticks; %d activities opened %d times)",
          seed, stats.steps, clock.elapsed() / 1000.0, stats.sessions, stats.clicks, stats.drags, stats.moves,
          stats.keys, stats.resizes, stats.timerTicks, int(monkey.activities().size()),
          [&] {
              int opened = 0;
              for (const QString &name : monkey.activities())
                  opened += stats.opened.value(name);
              return opened;
          }());
    if (broken)
        QFAIL(qPrintable(report(monkey, *broken)));
    // The tour reaches every activity the catalogue lists (a run long enough to).
    if (steps >= 4000)
        QVERIFY2(monkey.unopenedActivities().isEmpty(), qPrintable(monkey.unopenedActivities().join(QLatin1String(", "))));
}

void tst_Monkey::catchesPlantedFault_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("rule");
    QTest::newRow("an answer handler throws") << int(Fault::ThrowsOnAnswer) << Monkey::HandlerFailed;
    QTest::newRow("a bank read past its end") << int(Fault::ReadsPastBank) << Monkey::HandlerFailed;
    QTest::newRow("a drag carries a phrase off screen") << int(Fault::DragLeavesScreen) << Monkey::DraggedOffScreen;
    QTest::newRow("a dropped phrase covers Next") << int(Fault::DropCoversButton) << Monkey::PieceCovered;
    QTest::newRow("a mark grows back over the next item") << int(Fault::MarkOutlivesItem) << Monkey::MarkUnanswered;
    QTest::newRow("a cue reaches the player with sound off") << int(Fault::CueWhileSilent) << Monkey::CueWhileSilent;
}

void tst_Monkey::catchesPlantedFault()
{
    QFETCH(int, fault);
    QFETCH(QString, rule);
    const QString victim = firstActivity();
    QVERIFY(!victim.isEmpty());
    Monkey::Options options;
    options.seed = 77;
    options.focus = victim;
    options.extraForms = [victim, fault](AppContext &context) {
        context.forms.registerForm(victim, [&context, victim, fault](FormRegistry &) {
            return std::make_unique<Saboteur>(context, victim, Fault(fault));
        });
    };
    Monkey monkey(options);
    const std::optional<Violation> broken = monkey.run(4000);
    QVERIFY2(broken, "the monkey ran 4000 steps without finding the planted fault");
    QVERIFY2(broken->rule == rule, qPrintable(report(monkey, *broken)));
}

QTEST_MAIN(tst_Monkey)
#include "tst_monkey.moc"
