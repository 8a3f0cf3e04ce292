#include "form.h"
#include "formregistry.h"
#include "textmeasurer.h"

#include <QGuiApplication>
#include <QtTest>

namespace {

// Records its life so the registry's rules can be checked.
class Probe : public Form
{
public:
    Probe(FormRegistry &registry, const QString &name, QStringList &log)
        : Form(registry, name)
        , m_log(log)
    {
        Control &label = add(ControlKind::Label, QStringLiteral("Label3"), 0);
        label.backColor = QColor(0, 0, 0);
        label.foreColor = QColor(255, 255, 0);
        label.border = true;
        label.width = 3975;
        label.height = 495;
        label.onClick = [this](int index) { m_log << QStringLiteral("click %1").arg(index); };
        Control &leave = add(ControlKind::CommandButton, QStringLiteral("cmdexit"));
        leave.onClick = [this](int) {
            Unload();
            // Still running after our own unload: the object must be alive.
            m_log << QStringLiteral("after unload %1").arg(this->name());
        };
    }
    ~Probe() override { m_log << QStringLiteral("deleted %1").arg(name()); }
    void Form_Load() override { m_log << QStringLiteral("load %1").arg(name()); }

private:
    QStringList &m_log;
};

} // namespace

class tst_Forms : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstReferenceLoadsWithoutShowing();
    void currentIsLastShownStillLoaded();
    void unloadFromOwnHandlerIsSafe();
    void reloadRunsFormLoadAgain();
    void createdElementsCopyElementZeroAndStartHidden();
    void autoSizeIsTheSameAtEveryWindowSize_data();
    void autoSizeIsTheSameAtEveryWindowSize();
    void textFitsItsBox_data();
    void textFitsItsBox();
    void timersStopWhenTheirFormUnloads();
    void endStopsEverything();
};

void tst_Forms::firstReferenceLoadsWithoutShowing()
{
    QStringList log;
    FormRegistry forms;
    forms.registerForm(QStringLiteral("menu1"), [&](FormRegistry &r) { return std::make_unique<Probe>(r, QStringLiteral("menu1"), log); });
    QVERIFY(!forms.isLoaded(QStringLiteral("menu1")));
    Form *menu = forms.get(QStringLiteral("menu1"));
    QVERIFY(menu);
    QCOMPARE(forms.get(QStringLiteral("menu1")), menu); // at most one instance
    QCOMPARE(log, QStringList{QStringLiteral("load menu1")});
    QVERIFY(!menu->visible);
    QCOMPARE(forms.current(), nullptr);
    QCOMPARE(forms.get(QStringLiteral("nosuchform")), nullptr);
}

void tst_Forms::currentIsLastShownStillLoaded()
{
    QStringList log;
    FormRegistry forms;
    for (const char *name : {"menu1", "openings"})
        forms.registerForm(QString::fromLatin1(name), [&, name](FormRegistry &r) { return std::make_unique<Probe>(r, QString::fromLatin1(name), log); });
    forms.get(QStringLiteral("menu1"))->Show();
    forms.get(QStringLiteral("openings"))->Show();
    QCOMPARE(forms.current()->name(), QStringLiteral("openings"));
    forms.get(QStringLiteral("menu1"))->Show(); // the exit of an activity shows its menu again...
    forms.unload(QStringLiteral("openings")); // ...and unloads itself
    QCOMPARE(forms.current()->name(), QStringLiteral("menu1"));
    forms.unload(QStringLiteral("menu1"));
    QCOMPARE(forms.current(), nullptr);
}

void tst_Forms::unloadFromOwnHandlerIsSafe()
{
    QStringList log;
    FormRegistry forms;
    forms.registerForm(QStringLiteral("cv"), [&](FormRegistry &r) { return std::make_unique<Probe>(r, QStringLiteral("cv"), log); });
    Form *cv = forms.get(QStringLiteral("cv"));
    cv->Show();
    Control *exit = cv->control(QStringLiteral("cmdexit"));
    exit->onClick(-1);
    QVERIFY(!forms.isLoaded(QStringLiteral("cv")));
    QCOMPARE(log.last(), QStringLiteral("after unload cv"));
    forms.reap();
    QCOMPARE(log.last(), QStringLiteral("deleted cv"));
}

void tst_Forms::reloadRunsFormLoadAgain()
{
    QStringList log;
    FormRegistry forms;
    forms.registerForm(QStringLiteral("genre"), [&](FormRegistry &r) { return std::make_unique<Probe>(r, QStringLiteral("genre"), log); });
    const quint64 first = forms.get(QStringLiteral("genre"))->serial();
    forms.unload(QStringLiteral("genre"));
    forms.reap();
    Form *again = forms.get(QStringLiteral("genre"));
    QVERIFY(again->serial() != first);
    QCOMPARE(log.count(QStringLiteral("load genre")), 2);
}

void tst_Forms::createdElementsCopyElementZeroAndStartHidden()
{
    QStringList log;
    FormRegistry forms;
    Probe menu(forms, QStringLiteral("menu1"), log);
    Control &zero = *menu.control(QStringLiteral("Label3"), 0);
    zero.left = 4012.5f;
    Control &third = menu.createElement(QStringLiteral("Label3"), 3);
    QCOMPARE(&menu.createElement(QStringLiteral("Label3"), 3), &third);
    QVERIFY(!third.visible);
    QCOMPARE(third.index(), 3);
    QCOMPARE(third.backColor, zero.backColor);
    QCOMPARE(third.foreColor, zero.foreColor);
    QCOMPARE(third.width, 3975.0f);
    QCOMPARE(third.left, 4012.5f);
    QVERIFY(third.border);
    // The array's handler serves the new element with its own index.
    third.onClick(third.index());
    QCOMPARE(log.last(), QStringLiteral("click 3"));
}

void tst_Forms::autoSizeIsTheSameAtEveryWindowSize_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<float>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Tahoma bold 20.25") << "Tahoma" << 20.25f << true;
    QTest::newRow("Times New Roman 24") << "Times New Roman" << 24.0f << false;
}

void tst_Forms::autoSizeIsTheSameAtEveryWindowSize()
{
    QFETCH(QString, family);
    QFETCH(float, points);
    QFETCH(bool, bold);
    const FontTextMeasurer measurer;
    FormRegistry forms(&measurer);
    Form form(forms, QStringLiteral("person"));
    Control &word = form.add(ControlKind::Label, QStringLiteral("Label7"), 0);
    word.setFont(FontSpec{family, points, bold});
    word.setAutoSize(true);
    word.setCaption(QStringLiteral("brother"));
    const float narrow = word.width;
    QVERIFY(narrow > 500 && narrow < 3000);
    QVERIFY(word.height > points * 20 * 0.9f && word.height < points * 20 * 1.5f);
    word.setCaption(QStringLiteral("brother brother"));
    QVERIFY(word.width > narrow * 1.8f);
    // Measured at the reference scale: nothing about a window enters, so the same text
    // always gives the same twips.
    word.setCaption(QStringLiteral("brother"));
    QCOMPARE(word.width, narrow);
    // A word-wrapping label keeps its width and grows downwards.
    Control &wrapped = form.add(ControlKind::Label, QStringLiteral("Label4"));
    wrapped.width = 3000;
    wrapped.setFont(FontSpec{family, points, bold});
    wrapped.setWordWrap(true);
    wrapped.setAutoSize(true);
    wrapped.setCaption(QStringLiteral("one two three four five six seven eight nine ten"));
    QCOMPARE(wrapped.width, 3000.0f);
    QVERIFY(wrapped.height > 2 * points * 20);
}

void tst_Forms::textFitsItsBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<bool>("shrinks");
    QTest::newRow("short text keeps its size") << "an erupting volcano" << 3000.0f << 800.0f << false;
    QTest::newRow("long word in a narrow box") << "Electricity" << 1100.0f << 435.0f << true;
    QTest::newRow("statement too long for one line") << "Spare time:     Helping at the animal rescue centre on Saturdays." << 5355.0f << 435.0f << true;
    QTest::newRow("two lines where one was planned") << "Sports Writer and Travel Writer" << 3600.0f << 900.0f << false;
}

void tst_Forms::textFitsItsBox()
{
    // A label that may shrink keeps its designed size while the text fits, and otherwise
    // takes the largest smaller size at which it fits inside its border and padding.
    QFETCH(QString, text);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(bool, shrinks);
    const FontTextMeasurer measurer;
    FormRegistry forms(&measurer);
    Form form(forms, QStringLiteral("cv"));
    Control &label = form.add(ControlKind::Label, QStringLiteral("Label2"), 0);
    label.setFont(FontSpec{QStringLiteral("Tahoma"), 14.25f, true});
    label.border = true;
    label.setGeometry(300, 2760, width, height);
    label.setPadding(45);
    label.setShrinkToFit(true);
    label.setCaption(text);
    QCOMPARE(label.shownFont().pointSize < 14.25f, shrinks);
    const QSizeF shown = label.shownTextSize();
    QVERIFY2(shown.width() <= label.textArea().width() && shown.height() <= label.textArea().height(), qPrintable(text));
    // One size smaller than needed would not be the largest that fits.
    if (shrinks) {
        FontSpec larger = label.shownFont();
        larger.pointSize += 0.1f;
        const QSizeF big = measurer.measure(larger, text, float(label.textArea().width()));
        QVERIFY(big.width() > label.textArea().width() || big.height() > label.textArea().height());
    }

    // Balanced lines: as many lines as before, none much shorter than the others.
    label.setBalanced(true);
    const int lines = int(std::lround(label.shownTextSize().height() / measurer.measure(label.shownFont(), QStringLiteral("H"), 0).height()));
    if (lines >= 2) {
        QVERIFY(label.look().lineWidth > 0 && label.look().lineWidth < label.textArea().width());
        QCOMPARE(label.shownTextSize().height(), shown.height());
    }

    // An auto-size word with a widest size shrinks to it.
    Control &word = form.add(ControlKind::Label, QStringLiteral("Label7"), 0);
    word.setFont(FontSpec{QStringLiteral("Tahoma"), 20.25f, true});
    word.setAutoSize(true);
    word.setShrinkToFit(true, width);
    word.setCaption(text);
    QVERIFY(word.width <= width);
}

void tst_Forms::timersStopWhenTheirFormUnloads()
{
    QStringList log;
    FormRegistry forms;
    forms.registerForm(QStringLiteral("similes"), [&](FormRegistry &r) { return std::make_unique<Probe>(r, QStringLiteral("similes"), log); });
    Form *form = forms.get(QStringLiteral("similes"));
    Timer &blink = form->addTimer(QStringLiteral("Timer2"), 250);
    int ticks = 0;
    blink.onTimer = [&] { ++ticks; };
    blink.fire();
    QCOMPARE(ticks, 0); // disabled timers do not fire
    blink.enabled = true;
    blink.fire();
    QCOMPARE(ticks, 1);
    forms.unload(QStringLiteral("similes"));
    QVERIFY(!blink.enabled);
}

void tst_Forms::endStopsEverything()
{
    QStringList log;
    FormRegistry forms;
    bool ended = false;
    forms.onEnd = [&] { ended = true; };
    forms.registerForm(QStringLiteral("Titlefrm"), [&](FormRegistry &r) { return std::make_unique<Probe>(r, QStringLiteral("Titlefrm"), log); });
    Form *title = forms.get(QStringLiteral("Titlefrm"));
    Timer &timer = title->addTimer(QStringLiteral("Timer1"), 1);
    timer.enabled = true;
    forms.end();
    QVERIFY(ended);
    QVERIFY(!timer.enabled);
    QCOMPARE(forms.get(QStringLiteral("intro0")), nullptr);
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
