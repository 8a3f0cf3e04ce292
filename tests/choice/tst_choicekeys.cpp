#include "choiceactivities.h"
#include "choicescreen.h"
#include "choicetestsupport.h"
#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"
#include "playcue.h"
#include "testsupport.h"

#include <QtTest>

namespace {

const QString Answers = QStringLiteral("Label5");

// Story Openings in the program's window, record 0 dealt with its options in their stored
// order (the right answer, "Action", on answer label 3). With `mirrored`, the answer labels
// swap places so that label 3 is at the top left and label 0 at the bottom right.
struct Openings
{
    explicit Openings(bool mirrored = false)
    {
        ChoiceActivity activity = *choiceActivity(QStringLiteral("openings"));
        if (mirrored) {
            QList<QPointF> places;
            for (const LabelSpec &label : activity.labels) {
                if (label.name == Answers)
                    places.prepend(QPointF(label.left, label.top));
            }
            for (LabelSpec &label : activity.labels) {
                if (label.name == Answers) {
                    label.left = float(places[label.index].x());
                    label.top = float(places[label.index].y());
                }
            }
        }
        app.forms.registerForm(QStringLiteral("Grey"), [this](FormRegistry &) { return std::make_unique<Grey>(app.context); });
        app.forms.registerForm(QStringLiteral("menu1"), [this](FormRegistry &) {
            return std::make_unique<MenuStub>(app.context, QStringLiteral("menu1"));
        });
        app.forms.registerForm(activity.id, [this, activity](FormRegistry &) {
            return std::make_unique<ChoiceScreen>(app.context, activity);
        });
        app.state.SoundOn = 1;
        app.state.LastItem = -1; // nothing shown yet, so record 0 is dealt as drawn
        form = app.forms.get<ChoiceScreen>(QStringLiteral("openings"));
        form->Show();
        queueItem(0);
        form->timer(QStringLiteral("Timer1"))->fire();
        window.resize(1000, 750);
        window.view().refresh();
        window.show();
        window.activateWindow();
    }
    void queueItem(int record)
    {
        app.random.queueIndex(record, 30);
        for (int k = 0; k < 40; ++k)
            app.random.queueIndex(k % 4, 4);
    }
    bool ready()
    {
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
        return true;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    QString focused() const { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }
    const Control &c(const QString &name, int index = -1) const { return form->ctl(name, index); }

    TestApp app;
    ChoiceScreen *form = nullptr;
    MainWindow window{app.forms};
};

} // namespace

class tst_ChoiceKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void numberKeysChooseAnswersInReadingOrder_data();
    void numberKeysChooseAnswersInReadingOrder();
    void tabSpaceNextAndExitFromTheKeyboard();
};

void tst_ChoiceKeys::numberKeysChooseAnswersInReadingOrder_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("focusAnAnswer"); // the key goes to a focused answer first
    QTest::addColumn<QString>("verdict");    // "" when nothing is chosen
    QTest::newRow("1: the top left answer, the right one") << int(Qt::Key_1) << false << QStringLiteral("Correct");
    QTest::newRow("2: top right") << int(Qt::Key_2) << false << QStringLiteral("Wrong");
    QTest::newRow("3: bottom left, with another answer focused") << int(Qt::Key_3) << true << QStringLiteral("Wrong");
    QTest::newRow("4: bottom right") << int(Qt::Key_4) << false << QStringLiteral("Wrong");
    QTest::newRow("5: there is no fifth answer") << int(Qt::Key_5) << false << QString();
}

void tst_ChoiceKeys::numberKeysChooseAnswersInReadingOrder()
{
    QFETCH(int, key);
    QFETCH(bool, focusAnAnswer);
    QFETCH(QString, verdict);
    Openings o(/*mirrored=*/true);
    QVERIFY(o.ready());
    QCOMPARE(o.c(Answers, 3).caption(), QStringLiteral("Action"));
    QVERIFY(o.c(Answers, 3).top < o.c(Answers, 0).top); // label 3 now reads first
    if (focusAnAnswer)
        o.window.view().widgetFor(&o.c(Answers, 0))->setFocus(Qt::TabFocusReason);
    o.key(key);
    QCOMPARE(o.c(QStringLiteral("Label6")).visible, !verdict.isEmpty());
    if (!verdict.isEmpty())
        QCOMPARE(o.c(QStringLiteral("Label6")).caption(), verdict);
    QCOMPARE(o.app.sound.played.size(), verdict.isEmpty() ? 0 : 1);
    // Ctrl with a number is not an answer.
    o.key(Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(o.app.sound.played.size(), verdict.isEmpty() ? 0 : 1);
}

void tst_ChoiceKeys::tabSpaceNextAndExitFromTheKeyboard()
{
    Openings o;
    QVERIFY(o.ready());
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        o.key(Qt::Key_Tab);
        order << o.focused();
    }
    QCOMPARE(order, (QStringList{"Label5(0)", "Label5(1)", "Label5(2)", "Label5(3)", "cmdexit", "cmdgo", "Label5(0)"}));
    o.key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(o.focused(), QStringLiteral("cmdgo"));
    for (int i = 0; i < 3; ++i)
        o.key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(o.focused(), QStringLiteral("Label5(2)"));
    o.key(Qt::Key_Space);
    QCOMPARE(o.c(QStringLiteral("Label6")).caption(), QStringLiteral("Wrong"));
    o.key(Qt::Key_Tab);
    o.key(Qt::Key_Return);
    QCOMPARE(o.c(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));
    QVERIFY(o.form->timer(QStringLiteral("Timer2"))->enabled); // the right answer blinks

    o.queueItem(5);
    o.key(Qt::Key_N);
    QCOMPARE(o.app.state.LastItem, 5);
    QVERIFY(!o.c(QStringLiteral("Label6")).visible);
    QVERIFY(!o.form->timer(QStringLiteral("Timer2"))->enabled);
    QCOMPARE(o.app.sound.played.last(), QStringLiteral("wav\\click.wav"));

    o.key(Qt::Key_Escape);
    QVERIFY(!o.app.forms.isLoaded(QStringLiteral("openings")));
    QCOMPARE(o.app.forms.current()->name(), QStringLiteral("menu1"));
    QCOMPARE(o.window.view().faults(), 0);
}

QTEST_MAIN(tst_ChoiceKeys)
#include "tst_choicekeys.moc"
