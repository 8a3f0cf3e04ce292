#include "sortfixture.h"

#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"

class tst_SortView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void cleanup();
    void dragThroughTheWindow();
};

void tst_SortView::cleanup()
{
    // A failed drag must not leave the button held for the next test.
    if (QWidget *w = QApplication::activeWindow())
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
}

void tst_SortView::dragThroughTheWindow()
{
    TestApp app;
    app.state.SoundOn = 1;
    app.state.LastItem = -1;
    app.forms.registerForm(QStringLiteral("Grey"), [&](FormRegistry &) { return std::make_unique<Grey>(app.context); });
    registerSortActivities(app.context);
    app.random.queueIndex(0, 30);
    for (int k = 0; k < 40; ++k)
        app.random.queueIndex(k % 4, 4); // no shuffle: phrase i belongs in slot i
    auto *screen = app.forms.get<SortScreen>(QStringLiteral("chronological"));
    screen->Show();

    MainWindow window(app.forms);
    window.resize(1000, 650); // wider than 4:3, so letter-boxed left and right
    window.view().refresh();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const Control &phrase = screen->ctl(QStringLiteral("Label2"), 0);
    QTRY_VERIFY(phrase.visible); // the real Timer1 dealt the first set

    QWindow *win = window.windowHandle();
    const Scaling &scaling = window.view().scaling();
    const auto pixel = [&](double x, double y) {
        return window.view().mapTo(&window, scaling.toPixels(QPointF(x, y)).toPoint());
    };
    // Phrase 0 from its home box by its middle into slot 2, in small steps.
    const QPoint grab = pixel(300 + 2677, 2520 + 200);
    const QPoint drop = pixel(3240 + 2700, 5760 + 200);
    QTest::mousePress(win, Qt::LeftButton, {}, grab);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(win, grab + (drop - grab) * step / 4);
    QTest::mouseRelease(win, Qt::LeftButton, {}, drop);
    QCOMPARE(phrase.left, 3240.0f);
    QCOMPARE(phrase.top, 5760.0f);
    QCOMPARE(app.sound.played, QStringList{QStringLiteral("wav\\thud3.wav")});
    QVERIFY(window.view().widgetFor(&phrase)->geometry().contains(window.view().mapFrom(&window, drop)));

    // Phrase 1 dragged out past the window's corner stays where it can be picked up.
    const Control &second = screen->ctl(QStringLiteral("Label2"), 1);
    const QPoint beyond(window.width() + 300, window.height() + 300);
    for (int i = 0; i < 2; ++i) // QtTest remarks on a pointer outside the window; the grab still holds
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("outside target window")));
    QTest::mousePress(win, Qt::LeftButton, {}, pixel(300 + 2677, 3240 + 200));
    QTest::mouseMove(win, beyond);
    QTest::mouseRelease(win, Qt::LeftButton, {}, beyond);
    // Held wholly on the screen, in the corner, and left there: nothing else is there.
    QCOMPARE(second.left, 12000 - second.width);
    QCOMPARE(second.top, 9000 - second.height);
    QVERIFY(window.view().widgetFor(&second)->isVisible());

    // All four in slots, out of order, then in order; Check through the window each time.
    screen->dropPhraseAt(1, 3240, 4320);
    screen->dropPhraseAt(2, 3240, 5040);
    QVERIFY(!screen->ctl(QStringLiteral("cmdcheckit")).visible);
    screen->dropPhraseAt(3, 3240, 6480);
    window.view().refresh();
    QVERIFY(screen->ctl(QStringLiteral("cmdcheckit")).visible);
    QTest::mouseClick(win, Qt::LeftButton, {}, pixel(10020 + 900, 7320 + 250));
    QCOMPARE(screen->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Try Again"));
    screen->dropPhraseAt(0, 3240, 4320);
    screen->dropPhraseAt(1, 3240, 5040);
    screen->dropPhraseAt(2, 3240, 5760);
    screen->dropPhraseAt(3, 3240, 6480);
    QTest::mouseClick(win, Qt::LeftButton, {}, pixel(10020 + 900, 7320 + 250));
    QCOMPARE(screen->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct, Well Done!"));
    QTRY_VERIFY(screen->ctl(QStringLiteral("imgtick")).width >= 750.0f); // the real tick timer grew it
}

QTEST_MAIN(tst_SortView)
#include "tst_sortview.moc"
