#include "sortfixture.h"

#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"
#include "screenchecks.h"

#include <random>

// Phrases dragged and tapped through the real window to anywhere a pupil might let them
// go: onto occupied slots and home boxes, into dustbins and notepads, past every edge of
// the screen, onto every button. After every drop each phrase must lie wholly on the
// screen, over no other phrase and no button, and a verdict must cover no text. Each row
// is seeded, so a failure names the seed and step that replay it.
class tst_SortPlaces : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void cleanup();
    void piecesStayInView_data();
    void piecesStayInView();
};

void tst_SortPlaces::cleanup()
{
    if (QWidget *w = QApplication::activeWindow())
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
}

void tst_SortPlaces::piecesStayInView_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<bool>("tapping");
    QTest::addColumn<quint32>("seed");
    for (const SortActivity &row : sortActivities()) {
        for (const bool tapping : {false, true}) {
            const QString name = QStringLiteral("%1 %2").arg(QLatin1String(row.id), tapping ? QStringLiteral("tapped") : QStringLiteral("dragged"));
            QTest::newRow(qPrintable(name)) << QString::fromLatin1(row.id) << tapping << quint32(qHash(name) % 100000);
        }
    }
}

void tst_SortPlaces::piecesStayInView()
{
    QFETCH(QString, activity);
    QFETCH(bool, tapping);
    QFETCH(quint32, seed);
    Sorting s(activity, 1);
    s.screen->Show();
    MainWindow window(s.app.forms);
    window.resize(1000, 1000); // taller than 4:3: bands above and below the screen
    window.view().refresh();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWindow *win = window.windowHandle();
    const Scaling &scaling = window.view().scaling();
    const auto pixel = [&](QPointF twips) { return window.view().mapTo(&window, scaling.toPixels(twips).toPoint()); };

    // Where a phrase may be let go: every target's place and middle, past each edge, and
    // on each button.
    const int n = s.row().phraseCount;
    QList<QPointF> spots;
    for (int t = 0; t < n; ++t) {
        for (const char *kind : {"Label1", "Label4"}) {
            const QRectF r = s.c(kind, t).rect();
            spots << r.topLeft() + QPointF(20, 20) << r.center();
        }
    }
    const QList<QPointF> edges{{-3000, 4500}, {15000, 4500}, {6000, -3000}, {6000, 12000}, {11900, 8900}, {100, 100}};
    spots << edges;
    for (const char *button : {"cmdgo", "cmdexit", "cmdcheckit", "Label3"})
        spots << s.c(button).rect().center();

    std::mt19937 random(seed);
    QStringList log;
    auto any = [&](int count) { return int(random() % unsigned(count)); };
    const int steps = qEnvironmentVariableIsSet("QUORVALE_PLACES_STEPS") ? qEnvironmentVariableIntValue("QUORVALE_PLACES_STEPS") : 60;
    for (int step = 0; step < steps; ++step) {
        const QString replay = QStringLiteral("seed %1 step %2").arg(seed).arg(step);
        int p = any(n);
        while (!s.c("Label2", p).visible)
            p = (p + 1) % n;
        const Control &phrase = s.c("Label2", p);
        const QPoint grab = pixel(phrase.rect().center());
        if (tapping) {
            // Tap the phrase, then tap a slot or home box.
            QTest::mouseClick(win, Qt::LeftButton, {}, grab);
            const Control &target = s.c(any(2) ? "Label1" : "Label4", any(n));
            log << QStringLiteral("tap %1 then %2(%3)").arg(p).arg(target.name()).arg(target.index());
            if (target.visible)
                QTest::mouseClick(win, Qt::LeftButton, {}, pixel(target.rect().center()));
        } else {
            // Past the left and right edges the pointer stops at the window's edge, which
            // is the screen's; above and below it goes out into the bands.
            const QPointF to = spots[any(int(spots.size()))];
            QPoint drop = pixel(to);
            drop.setX(std::clamp(drop.x(), 0, window.width() - 1));
            drop.setY(std::clamp(drop.y(), 0, window.height() - 1));
            log << QStringLiteral("drag %1 from %2,%3 to %4,%5").arg(p).arg(phrase.left).arg(phrase.top).arg(to.x()).arg(to.y());
            QTest::mousePress(win, Qt::LeftButton, {}, grab);
            QTest::mouseMove(win, grab + (drop - grab) / 2);
            QTest::mouseMove(win, drop);
            QTest::mouseRelease(win, Qt::LeftButton, {}, drop);
        }
        if (s.c("cmdcheckit").visible && any(3) == 0)
            QTest::mouseClick(win, Qt::LeftButton, {}, pixel(s.c("cmdcheckit").rect().center()));
        const QStringList findings = ScreenChecks::pieceFindings(*s.screen, {QStringLiteral("Label2")})
            + ScreenChecks::verdictFindings(*s.screen, QStringLiteral("Label6"));
        QVERIFY2(findings.isEmpty(), qPrintable(replay + QStringLiteral(": ") + findings.join(QStringLiteral("; "))
                                                + QStringLiteral("\n  after: ") + log.mid(std::max<qsizetype>(0, log.size() - 6)).join(QStringLiteral("\n  "))));
        QCOMPARE(window.view().faults(), 0);
    }
}

QTEST_MAIN(tst_SortPlaces)
#include "tst_sortplaces.moc"
