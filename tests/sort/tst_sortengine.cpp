#include "sortfixture.h"

#include "screenchecks.h"

#include <QTemporaryDir>

namespace {

const QString Thud = QStringLiteral("wav\\thud3.wav");

QPointF placeOf(const Control &c)
{
    return QPointF(c.left, c.top);
}

} // namespace

class tst_SortEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void snapWindowEdges_data();
    void snapWindowEdges();
    void targetOrder_data();
    void targetOrder();
    void everyTargetCanBeReached_data();
    void everyTargetCanBeReached();
    void dragging_data();
    void dragging();
    void completion_data();
    void completion();
    void checkRules_data();
    void checkRules();
    void binsHoldSeveralInRows_data();
    void binsHoldSeveralInRows();
    void verdictGoesWhenAPhraseMoves();
    void verdictsCoverNoText_data() { everyTargetCanBeReached_data(); }
    void verdictsCoverNoText();
    void cvMarksEveryRelease_data();
    void cvMarksEveryRelease();
    void dealing_data();
    void dealing();
    void restartAndNextStopTheMarks_data();
    void restartAndNextStopTheMarks();
    void markGrowsFromTheLeftAndStops();
    void loadingAndHeadings();
    void exitReturnsToTheTermMenu_data();
    void exitReturnsToTheTermMenu();
    void bankThatCannotLoadDealsNothing();
    void brokenTeacherCopyIsSetAside();
    void visitsHearOfFirstAnswersOnly_data();
    void visitsHearOfFirstAnswersOnly();
};

void tst_SortEngine::snapWindowEdges_data()
{
    // Chronological slot 0 is at (3240, 4320), 5355 x 435: its window runs strictly from
    // 562.5 to 8595 across and from 4102.5 to 4755 down.
    QTest::addColumn<QRectF>("slot"); // empty: as designed
    QTest::addColumn<QPointF>("drop");
    QTest::addColumn<bool>("snaps");
    QTest::newRow("on the left edge") << QRectF() << QPointF(562.5, 4400) << false;
    QTest::newRow("just inside the left edge") << QRectF() << QPointF(563, 4400) << true;
    QTest::newRow("on the right edge") << QRectF() << QPointF(8595, 4400) << false;
    QTest::newRow("just inside the right edge") << QRectF() << QPointF(8594.99, 4400) << true;
    QTest::newRow("on the top edge") << QRectF() << QPointF(4000, 4102.5) << false;
    QTest::newRow("just inside the top edge") << QRectF() << QPointF(4000, 4103) << true;
    QTest::newRow("on the bottom edge") << QRectF() << QPointF(4000, 4755) << false;
    QTest::newRow("just inside the bottom edge") << QRectF() << QPointF(4000, 4754.5) << true;
    // Sums rounded to single precision: 3240.3 + 5354.7 is 8595.00024 exactly but 8595 in
    // single precision, so a phrase at 8595 is on the edge, not inside.
    QTest::newRow("right edge rounded down onto the phrase")
        << QRectF(3240.3f, 4320, 5354.7f, 435) << QPointF(8595, 4400) << false;
    QTest::newRow("bottom edge rounded down onto the phrase")
        << QRectF(3240, 4320, 5355, 435.0001f) << QPointF(4000, 4755) << false;
    QTest::newRow("just inside a rounded edge")
        << QRectF(3240.3f, 4320, 5354.7f, 435) << QPointF(8594.999f, 4400) << true;
}

void tst_SortEngine::snapWindowEdges()
{
    QFETCH(QRectF, slot);
    QFETCH(QPointF, drop);
    QFETCH(bool, snaps);
    Sorting s(QStringLiteral("chronological"));
    Control &target = s.c("Label1", 0);
    if (!slot.isNull()) {
        target.left = float(slot.left());
        target.top = float(slot.top());
        target.width = float(slot.width());
        target.height = float(slot.height());
    }
    s.screen->dropPhraseAt(0, float(drop.x()), float(drop.y()));
    // Outside the window the phrase would lie over the slot, so it goes back home.
    const QPointF expected = snaps ? placeOf(target) : placeOf(s.c("Label4", 0));
    QCOMPARE(placeOf(s.c("Label2", 0)), expected);
    QCOMPARE(s.app.sound.played, snaps ? QStringList{Thud} : QStringList{});
}

void tst_SortEngine::targetOrder_data()
{
    QTest::addColumn<QPointF>("moveHome0"); // null: as designed
    QTest::addColumn<int>("phrase");
    QTest::addColumn<QPointF>("drop");
    QTest::addColumn<QPointF>("lands");
    QTest::newRow("slot before its own home box") << QPointF(3240, 4400) << 1 << QPointF(3300, 4350) << QPointF(3240, 4320);
    QTest::newRow("home box before the next slot") << QPointF(3240, 5100) << 1 << QPointF(3300, 5060) << QPointF(3240, 5100);
    // The home windows of phrases 0 and 2 overlap between 3622.5 and 5655 across.
    QTest::newRow("overlapping home windows: the first tested") << QPointF() << 2 << QPointF(4000, 2600) << QPointF(300, 2520);
    QTest::newRow("an occupied slot takes the newcomer") << QPointF() << 1 << QPointF(3300, 4350) << QPointF(3240, 4320);
}

void tst_SortEngine::targetOrder()
{
    QFETCH(QPointF, moveHome0);
    QFETCH(int, phrase);
    QFETCH(QPointF, drop);
    QFETCH(QPointF, lands);
    Sorting s(QStringLiteral("chronological"));
    if (!moveHome0.isNull()) {
        s.c("Label4", 0).left = float(moveHome0.x());
        s.c("Label4", 0).top = float(moveHome0.y());
    }
    s.play(QStringLiteral("0>s0"));
    s.app.sound.played.clear();
    s.screen->dropPhraseAt(phrase, float(drop.x()), float(drop.y()));
    QCOMPARE(placeOf(s.c("Label2", phrase)), lands);
    QCOMPARE(s.app.sound.played, QStringList{Thud}); // one snap, one thud
}

void tst_SortEngine::everyTargetCanBeReached_data()
{
    QTest::addColumn<QString>("activity");
    for (const SortActivity &activity : sortActivities())
        QTest::newRow(activity.id) << QString::fromLatin1(activity.id);
}

void tst_SortEngine::everyTargetCanBeReached()
{
    // Every slot and home box of every layout can be reached within the screen: a drop on
    // its place or along its top edge lands in it, in one snap, and a click leaves it
    // there. Only another phrase's home box with that phrase in it turns a newcomer away.
    QFETCH(QString, activity);
    Sorting s(activity);
    const int n = s.row().phraseCount;
    for (int p = 0; p < n; ++p) {
        for (int t = 0; t < 2 * n; ++t) {
            s.screen->Label3_Click();
            const Control &target = t < n ? s.c("Label1", t) : s.c("Label4", t - n);
            Control &phrase = s.c("Label2", p);
            const bool turnedAway = t >= n && t - n != p;
            const QString where = QStringLiteral("phrase %1 on target %2").arg(p).arg(t);
            bool reached = false;
            for (float along : {0.0f, 0.25f, 0.5f, 0.75f}) {
                s.app.sound.played.clear();
                s.screen->dropPhraseAt(p, target.left + target.width * along, target.top);
                if (turnedAway) {
                    QVERIFY2(placeOf(phrase) == placeOf(s.c("Label4", p)), qPrintable(where));
                    continue;
                }
                QVERIFY2(s.app.sound.played == QStringList{Thud}, qPrintable(where)); // one snap
                if ((reached = s.screen->targetOf(p) == t))
                    break;
            }
            QVERIFY2(reached || turnedAway, qPrintable(where));
            QVERIFY2(target.visible && QRectF(0, 0, 12000, 9000).contains(phrase.rect()), qPrintable(where));
            const QPointF rested = placeOf(phrase);
            s.screen->Label2_MouseUp(p, MouseButton::Left, 0, 10, 10);
            QVERIFY2(placeOf(phrase) == rested, qPrintable(where + QStringLiteral(", clicked")));
        }
    }
}

void tst_SortEngine::dragging_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPointF>("pointer"); // in twips on the form
    QTest::addColumn<QPointF>("corner");
    // Phrase 0 is 5355 x 435 at (300, 2520).
    QTest::newRow("left button: the centre follows") << MouseButton::Left << QPointF(6000, 5000) << QPointF(3322.5, 4782.5);
    QTest::newRow("right button: nothing moves") << MouseButton::Right << QPointF(6000, 5000) << QPointF(300, 2520);
    QTest::newRow("both buttons: nothing moves") << (MouseButton::Left | MouseButton::Right) << QPointF(6000, 5000) << QPointF(300, 2520);
    QTest::newRow("off the right and bottom: kept wholly on screen") << MouseButton::Left << QPointF(40000, 30000) << QPointF(6645, 8565);
    QTest::newRow("off the left and top: kept on screen") << MouseButton::Left << QPointF(-9000, -7000) << QPointF(0, 0);
}

void tst_SortEngine::dragging()
{
    QFETCH(int, button);
    QFETCH(QPointF, pointer);
    QFETCH(QPointF, corner);
    Sorting s(QStringLiteral("chronological"));
    Control &phrase = s.c("Label2", 0);
    s.screen->Label2_MouseDown(0, button, 0, 10, 10);
    for (int step = 1; step <= 3; ++step) {
        // The pointer relative to the phrase wherever it now is, as the view reports it.
        const QPointF at = QPointF(300, 2520) + (pointer - QPointF(300, 2520)) * step / 3.0;
        s.screen->Label2_MouseMove(0, button, 0, float(at.x()) - phrase.left, float(at.y()) - phrase.top);
    }
    QCOMPARE(placeOf(phrase), corner);
    QVERIFY(s.app.sound.played.isEmpty());
    // Whatever the button, the release drops: back home it snaps with a thud.
    s.screen->Label2_MouseUp(0, button, 0, 10, 10);
    QCOMPARE(s.app.sound.played, corner == QPointF(300, 2520) ? QStringList{Thud} : QStringList{});
}

void tst_SortEngine::completion_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("moves");
    QTest::addColumn<bool>("checkShown");
    QTest::newRow("chronological: all four in slots") << "chronological" << "0>s0 1>s1 2>s2 3>s3" << true;
    QTest::newRow("chronological: three in slots") << "chronological" << "0>s0 1>s1 2>s2" << false;
    QTest::newRow("chronological: a second phrase on a slot sends the first home") << "chronological" << "0>s0 1>s0 2>s1 3>s2" << false;
    QTest::newRow("chronological: a phrase leaves after Check showed") << "chronological" << "0>s0 1>s1 2>s2 3>s3 3>x" << true;
    QTest::newRow("chronological: Left alone does not count") << "chronological" << "0>l0 1>l1 2>l2 3>l3" << false;
    QTest::newRow("genre: all three in slots") << "genre" << "0>s2 1>s0 2>s1" << true;
    QTest::newRow("cv: a statement in the dustbin never counts") << "cv" << "0>s0 1>s1 2>s2 3>s3" << false;
    QTest::newRow("cv: three small boxes never hold four statements") << "cv" << "0>s1 1>s1 2>s2 3>s3" << false;
    QTest::newRow("similarity: three in dustbins") << "similarity" << "4>s4 5>s5 6>s6" << true;
    QTest::newRow("similarity: Left alone counts, at any height") << "similarity" << "4>l4 5>l2 0>l3" << true;
    QTest::newRow("similarity: two placed") << "similarity" << "4>s4 5>s5" << false;
    QTest::newRow("key2: both in one notepad") << "key2" << "1>s4 4>s4" << true;
    QTest::newRow("key2: one placed") << "key2" << "1>s4" << false;
}

void tst_SortEngine::completion()
{
    QFETCH(QString, activity);
    QFETCH(QString, moves);
    QFETCH(bool, checkShown);
    Sorting s(activity);
    s.play(moves);
    QCOMPARE(s.c("cmdcheckit").visible, checkShown);
}

void tst_SortEngine::checkRules_data()
{
    // Set 0 of each bank, unshuffled: phrase i belongs in slot i; similarity's phrases 4 to
    // 6 are the unrelated words; key2's key fragments are 1 and 4.
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("moves");
    QTest::addColumn<bool>("right");
    QTest::newRow("chronological: in order") << "chronological" << "0>s0 1>s1 2>s2 3>s3" << true;
    QTest::newRow("chronological: two swapped") << "chronological" << "0>s1 1>s0 2>s2 3>s3" << false;
    QTest::newRow("chronological: one sent home by another") << "chronological" << "0>s0 1>s1 2>s2 3>s3 1>s0" << false;
    QTest::newRow("chronological: one dragged out again") << "chronological" << "0>s0 1>s1 2>s2 3>s3 3>x" << false;
    QTest::newRow("genre: under the right headings") << "genre" << "0>s0 1>s1 2>s2" << true;
    QTest::newRow("genre: a title under the wrong heading") << "genre" << "0>s1 1>s0 2>s2" << false;
    QTest::newRow("cv: Check only comes with the small boxes full") << "cv" << "0>s1 1>s1 2>s2 3>s3" << false;
    QTest::newRow("similarity: the three unrelated words") << "similarity" << "4>s4 5>s5 6>s6" << true;
    QTest::newRow("similarity: at slots' Left, any height") << "similarity" << "4>l4 5>l2 6>l3" << true;
    QTest::newRow("similarity: two unrelated and one related") << "similarity" << "4>s4 5>s5 0>s6" << false;
    QTest::newRow("similarity: four placed") << "similarity" << "4>s4 5>s5 6>s6 0>s0" << false;
    QTest::newRow("key2: one key in each notepad") << "key2" << "1>s4 4>s3" << true;
    QTest::newRow("key2: both keys in one notepad") << "key2" << "1>s3 4>s3" << true;
    QTest::newRow("key2: a key and another fragment") << "key2" << "1>s4 2>s3" << false;
    QTest::newRow("key2: three placed") << "key2" << "1>s4 4>s3 0>s0" << false;
}

void tst_SortEngine::checkRules()
{
    QFETCH(QString, activity);
    QFETCH(QString, moves);
    QFETCH(bool, right);
    Sorting s(activity);
    s.c("Label3").visible = false;
    s.play(moves);
    s.app.sound.played.clear();
    for (int round = 0; round < 2; ++round) { // checking again marks again
        s.screen->cmdcheckit_Click();
        QCOMPARE(s.c("Label6").caption(), right ? QStringLiteral("Correct, Well Done!") : QStringLiteral("Try Again"));
        QVERIFY(s.c("Label6").visible);
        QCOMPARE(s.timerOn("tmrtick"), right);
        QCOMPARE(s.timerOn("tmrcross"), !right);
        QCOMPARE(s.c("Label3").visible, !right);
    }
    const QString cue = right ? QStringLiteral("wav\\cash.wav") : QStringLiteral("wav\\boink.wav");
    QCOMPARE(s.app.sound.played, (QStringList{cue, cue}));
}

void tst_SortEngine::binsHoldSeveralInRows_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("moves");
    QTest::addColumn<int>("bin");
    QTest::addColumn<QList<int>>("inBin"); // top to bottom
    QTest::addColumn<bool>("checkShown");
    QTest::newRow("similarity: three words in one dustbin") << "similarity" << "4>s4 5>s4 6>s4" << 4 << QList<int>{4, 5, 6} << true;
    QTest::newRow("similarity: a fourth is turned away") << "similarity" << "4>s4 5>s4 6>s4 0>s4" << 4 << QList<int>{4, 5, 6} << true;
    QTest::newRow("similarity: one taken out, the rest close up") << "similarity" << "4>s4 5>s4 6>s4 5>h5" << 4 << QList<int>{4, 6} << true;
    QTest::newRow("key2: two fragments in one notepad, a third turned away") << "key2" << "1>s4 4>s4 0>s4" << 4 << QList<int>{1, 4} << true;
    QTest::newRow("cv: three statements in the dustbin, a fourth turned away") << "cv" << "0>s0 1>s0 2>s0 3>s0" << 0 << QList<int>{0, 1, 2} << false;
}

void tst_SortEngine::binsHoldSeveralInRows()
{
    // Every phrase in a dustbin or notepad can be read: one per row, inside it, clear of
    // its caption; a full one turns a newcomer back home. Completion counts as before.
    QFETCH(QString, activity);
    QFETCH(QString, moves);
    QFETCH(int, bin);
    QFETCH(QList<int>, inBin);
    QFETCH(bool, checkShown);
    Sorting s(activity);
    s.play(moves);
    QList<int> found;
    for (int i = 0; i < s.row().phraseCount; ++i) {
        if (s.screen->targetOf(i) == bin)
            found << i;
        else
            QCOMPARE(placeOf(s.c("Label2", i)), placeOf(s.c("Label4", i)));
    }
    std::sort(found.begin(), found.end(), [&](int a, int b) { return s.c("Label2", a).top < s.c("Label2", b).top; });
    QCOMPARE(found, inBin);
    const Control &box = s.c("Label1", bin);
    for (int k = 0; k < found.size(); ++k) {
        const QRectF row = s.c("Label2", found[k]).rect();
        QVERIFY(box.rect().contains(row));
        if (k > 0)
            QVERIFY(row.top() >= s.c("Label2", found[k - 1]).rect().bottom());
        for (const auto &control : s.screen->controls()) {
            if (control->name() == QLatin1String("Label5"))
                QVERIFY(!control->rect().intersects(row));
        }
    }
    QCOMPARE(s.c("cmdcheckit").visible, checkShown);
}

void tst_SortEngine::verdictGoesWhenAPhraseMoves()
{
    // "Correct, Well Done!" must not stay over an arrangement that has changed.
    Sorting s(QStringLiteral("chronological"));
    s.play(QStringLiteral("0>s0 1>s1 2>s2 3>s3"));
    s.screen->cmdcheckit_Click();
    s.screen->tmrtick_Timer();
    QVERIFY(s.c("Label6").visible && s.c("imgtick").visible);
    s.screen->Label2_MouseDown(2, MouseButton::Left, 0, 10, 10);
    s.screen->Label2_MouseUp(2, MouseButton::Left, 0, 10, 10); // a click moves nothing
    QVERIFY(s.c("Label6").visible);
    s.screen->Label2_MouseDown(2, MouseButton::Left, 0, 10, 10);
    s.screen->Label2_MouseMove(2, MouseButton::Left, 0, 900, -2500); // into home box 1
    QVERIFY(!s.c("Label6").visible && !s.c("imgtick").visible && !s.timerOn("tmrtick"));
    s.screen->Label2_MouseUp(2, MouseButton::Left, 0, 10, 10);
    QVERIFY(!s.c("Label6").visible);
    s.screen->cmdcheckit_Click();
    QCOMPARE(s.c("Label6").caption(), QStringLiteral("Try Again"));
    QVERIFY(s.c("Label6").visible);
}

void tst_SortEngine::verdictsCoverNoText()
{
    // Whatever the verdict says, its words lie clear of the instruction, the theme, the
    // captions and every phrase at home or in a target; and every designed text fits.
    QFETCH(QString, activity);
    Sorting s(activity);
    s.play(QStringLiteral("0>s0"));
    for (const char *text : {"Correct, Well Done!", "Try Again", "Correct", "Wrong"}) {
        s.c("Label6").setCaption(QString::fromLatin1(text));
        s.c("Label6").visible = true;
        const QStringList findings = ScreenChecks::verdictFindings(*s.screen, QStringLiteral("Label6"));
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join(QStringLiteral("; "))));
    }
    for (const auto &control : s.screen->controls()) {
        if (control->kind == ControlKind::Label && control->visible && !control->caption().isEmpty()) {
            const QSizeF ink = control->shownTextSize();
            QVERIFY2(ink.width() <= control->textArea().width() + 0.5 && ink.height() <= control->textArea().height() + 0.5,
                     qPrintable(ScreenChecks::where(*control)));
        }
    }
}

void tst_SortEngine::cvMarksEveryRelease_data()
{
    // cv set 1: the fourth statement (index 3) is the unsuitable one.
    QTest::addColumn<QString>("moves");
    QTest::addColumn<int>("clicked"); // then pressed and released without moving
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("thuds");
    QTest::newRow("unsuitable statement into the dustbin") << "3>s0" << -1 << true << 1;
    QTest::newRow("suitable statement into the dustbin") << "1>s0" << -1 << false << 1;
    QTest::newRow("unsuitable statement dropped nowhere") << "3>x" << -1 << true << 0;
    QTest::newRow("plain click on the unsuitable statement") << "" << 3 << true << 1;
    QTest::newRow("plain click on a suitable statement") << "" << 0 << false << 1;
    QTest::newRow("wrong, then right: the last release counts") << "0>s0 3>s0" << -1 << true << 2;
}

void tst_SortEngine::cvMarksEveryRelease()
{
    QFETCH(QString, moves);
    QFETCH(int, clicked);
    QFETCH(bool, right);
    QFETCH(int, thuds);
    Sorting s(QStringLiteral("cv"), 1);
    QVERIFY(!s.c("Label3").visible);
    s.play(moves);
    if (clicked >= 0)
        s.screen->Label2_MouseUp(clicked, MouseButton::Left, 0, 5, 5);
    QCOMPARE(s.c("Label6").caption(), right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    QVERIFY(s.c("Label6").visible);
    QCOMPARE(s.timerOn("tmrtick"), right);
    QCOMPARE(s.timerOn("tmrcross"), !right);
    // Try Again comes with a wrong release and stays.
    QCOMPARE(s.c("Label3").visible, !right || moves.contains(QLatin1String("0>")));
    QCOMPARE(s.app.sound.played, QStringList(thuds, Thud)); // marking plays nothing of its own
    QVERIFY(!s.c("cmdcheckit").visible);
}

void tst_SortEngine::dealing_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("lastItem");
    QTest::addColumn<int>("drawn");
    QTest::addColumn<QList<int>>("shuffle");
    QTest::addColumn<int>("dealt");
    QTest::addColumn<QList<int>>("order"); // which of the set's phrases each label shows
    QTest::addColumn<int>("reseeds");
    // With j = 0 throughout, each pass moves the last phrase to the front.
    QTest::newRow("chronological: ten passes of j = 0") << "chronological" << 7 << 3 << QList<int>{0} << 3 << QList<int>{2, 3, 0, 1} << 2;
    QTest::newRow("chronological: the same set is skipped") << "chronological" << 5 << 5 << QList<int>{} << 6 << QList<int>{0, 1, 2, 3} << 2;
    QTest::newRow("chronological: set 29 again wraps to 0") << "chronological" << 29 << 29 << QList<int>{} << 0 << QList<int>{0, 1, 2, 3} << 2;
    QTest::newRow("genre: another activity's last set") << "genre" << 45 << 45 << QList<int>{} << 46 << QList<int>{0, 1, 2} << 2;
    QTest::newRow("cv: never shuffled") << "cv" << 0 << 8 << QList<int>{} << 8 << QList<int>{0, 1, 2, 3} << 1;
    QTest::newRow("key2: set 27 again wraps to 0") << "key2" << 27 << 27 << QList<int>{} << 0 << QList<int>{0, 1, 2, 3, 4} << 1;
}

void tst_SortEngine::dealing()
{
    QFETCH(QString, activity);
    QFETCH(int, lastItem);
    QFETCH(int, drawn);
    QFETCH(QList<int>, shuffle);
    QFETCH(int, dealt);
    QFETCH(QList<int>, order);
    QFETCH(int, reseeds);
    Sorting s(activity);
    s.play(QStringLiteral("0>s0"));
    s.app.state.LastItem = lastItem;
    s.queueDeal(drawn, shuffle);
    const int before = s.app.random.reseeds;
    s.screen->cmdgo_Click();
    QCOMPARE(s.app.random.reseeds - before, reseeds);
    QCOMPARE(s.app.state.LastItem, dealt);
    QVERIFY(s.app.random.values.empty());
    for (int i = 0; i < order.size(); ++i) {
        QVERIFY(s.c("Label2", i).visible);
        QCOMPARE(placeOf(s.c("Label2", i)), placeOf(s.c("Label4", i)));
    }
    // The dealt set, in the shuffled order.
    Sorting reference(activity, dealt);
    QStringList expected;
    for (int k : order)
        expected << reference.captions()[k];
    QCOMPARE(s.captions(), expected);
    QCOMPARE(s.app.sound.played.last(), QStringLiteral("wav\\click.wav"));
}

void tst_SortEngine::restartAndNextStopTheMarks_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<bool>("next"); // false: Restart
    QTest::newRow("chronological: Restart") << "chronological" << false;
    QTest::newRow("chronological: Next") << "chronological" << true;
    QTest::newRow("cv: Next also hides Try Again") << "cv" << true;
    QTest::newRow("similarity: Next keeps Try Again") << "similarity" << true;
}

void tst_SortEngine::restartAndNextStopTheMarks()
{
    QFETCH(QString, activity);
    QFETCH(bool, next);
    Sorting s(activity, 1, {1, 0});
    const QStringList dealt = s.captions();
    s.play(QStringLiteral("0>s1 1>s0 2>s2"));
    s.screen->cmdcheckit_Click(); // wrong (or no check button at all): the cross grows
    s.screen->Label2_MouseUp(1, MouseButton::Left, 0, 0, 0);
    s.screen->tmrcross_Timer();
    s.screen->tmrtick_Timer();
    QVERIFY(s.timerOn("tmrtick") || s.timerOn("tmrcross"));
    if (next) {
        s.queueDeal(2);
        s.screen->cmdgo_Click();
    } else {
        s.screen->Label3_Click();
        QCOMPARE(s.captions(), dealt); // the same set, in the dealt order
    }
    QVERIFY(!s.timerOn("tmrtick") && !s.timerOn("tmrcross"));
    for (const char *hidden : {"imgtick", "imgcross", "Label6", "cmdcheckit"})
        QVERIFY2(!s.c(hidden).visible, hidden);
    QCOMPARE(s.c("Label3").visible, !(next && s.row().nextHidesRestart));
    for (int i = 0; i < s.row().phraseCount; ++i)
        QCOMPARE(placeOf(s.c("Label2", i)), placeOf(s.c("Label4", i)));
}

void tst_SortEngine::markGrowsFromTheLeftAndStops()
{
    Sorting s(QStringLiteral("chronological"));
    s.play(QStringLiteral("0>s0 1>s1 2>s2 3>s3"));
    s.screen->cmdcheckit_Click();
    s.c("imgcross").visible = true;
    QCOMPARE(s.c("imgtick").width, 0.0f);
    int ticks = 0;
    while (s.timerOn("tmrtick") && ticks < 100) {
        s.screen->timer(QStringLiteral("tmrtick"))->fire();
        ++ticks;
    }
    QCOMPARE(ticks, 51);
    QCOMPARE(s.c("imgtick").width, 750.0f);
    QVERIFY(s.c("imgtick").visible && !s.c("imgcross").visible);
    // A later wrong verdict's cross is the only mark that grows.
    s.play(QStringLiteral("3>x"));
    s.screen->cmdcheckit_Click();
    QVERIFY(s.timerOn("tmrcross") && !s.timerOn("tmrtick"));
}

void tst_SortEngine::loadingAndHeadings()
{
    TestApp app;
    registerSortActivities(app.context);
    app.state.ItemBank[100] = QStringLiteral("left by another activity");
    app.state.ItemBank[99] = QStringLiteral("cleared");
    auto *key2 = app.forms.get<SortScreen>(QStringLiteral("key2"));
    QCOMPARE(app.state.SortCount, 5);
    QCOMPARE(app.state.ItemBank[99], QString());
    QCOMPARE(app.state.ItemBank[100], QStringLiteral("left by another activity"));
    QVERIFY(key2->timer(QStringLiteral("Timer1"))->enabled);
    QVERIFY(!key2->ctl(QStringLiteral("Label2"), 0).visible);
    QVERIFY(key2->ctl(QStringLiteral("Label2"), 4).visible);
    // A three-fragment sentence first: its empty phrases are hidden with their home boxes.
    app.random.queueIndex(1, 28);
    key2->timer(QStringLiteral("Timer1"))->fire();
    QVERIFY(!key2->timer(QStringLiteral("Timer1"))->enabled);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(key2->ctl(QStringLiteral("Label2"), i).visible, i < 3);
        QCOMPARE(key2->ctl(QStringLiteral("Label4"), i).visible, i < 3);
    }
    app.random.queueIndex(0, 28);
    key2->cmdgo_Click();
    for (int i = 0; i < 5; ++i)
        QVERIFY(key2->ctl(QStringLiteral("Label2"), i).visible && key2->ctl(QStringLiteral("Label4"), i).visible);
    // Every slot is drawn, the small ones too: each lies wholly on the screen.
    for (int i = 0; i < 5; ++i)
        QVERIFY(key2->ctl(QStringLiteral("Label1"), i).visible);

    Sorting genre(QStringLiteral("genre"), 1);
    QCOMPARE(genre.c("Label5", 2).caption(), QStringLiteral("ADVENTURE          "));
    Sorting similarity(QStringLiteral("similarity"));
    QCOMPARE(similarity.c("Label8").caption(), QStringLiteral("THEME: ADJECTIVE"));
}

void tst_SortEngine::exitReturnsToTheTermMenu_data()
{
    QTest::addColumn<bool>("menuExists");
    QTest::newRow("menu registered") << true;
    QTest::newRow("menu not built yet") << false;
}

void tst_SortEngine::exitReturnsToTheTermMenu()
{
    QFETCH(bool, menuExists);
    Sorting s(QStringLiteral("similarity"));
    if (menuExists) {
        s.app.forms.registerForm(QStringLiteral("menu2"), [&](FormRegistry &) {
            return std::make_unique<Screen>(s.app.context, QStringLiteral("menu2"));
        });
    }
    s.screen->Show();
    s.screen->cmdexit_Click();
    s.app.forms.reap();
    QVERIFY(!s.app.forms.isLoaded(QStringLiteral("similarity")));
    QCOMPARE(s.app.forms.current() != nullptr, menuExists);
    if (menuExists)
        QCOMPARE(s.app.forms.current()->name(), QStringLiteral("menu2"));
    QCOMPARE(s.app.sound.played, QStringList{QStringLiteral("wav\\click.wav")});
}

void tst_SortEngine::bankThatCannotLoadDealsNothing()
{
    TestApp app;
    SortActivity orphan = *sortActivity(QStringLiteral("chronological"));
    orphan.id = "orphan"; // no content file of that name anywhere
    SortScreen screen(app.context, orphan);
    screen.Form_Load();
    screen.Timer1_Timer();
    QCOMPARE(screen.ctl(QStringLiteral("Label7")).caption(),
             QStringLiteral("The questions for this activity could not be loaded."));
    QVERIFY(!screen.isDealing());
    screen.cmdgo_Click();
    screen.Label3_Click();
    screen.cmdcheckit_Click();
    for (int i = 0; i < 4; ++i)
        QVERIFY(!screen.ctl(QStringLiteral("Label2"), i).visible);
    QVERIFY(app.random.values.empty() && app.random.reseeds == 0);
}

void tst_SortEngine::brokenTeacherCopyIsSetAside()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("content")));
    QFile file(dir.filePath(QStringLiteral("content/chronological.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"activity": "chronological", "records": [{"events": ["only one"]}]})");
    file.close();
    TestApp app({dir.path(), AssetResolver::embeddedRoot()});
    registerSortActivities(app.context);
    auto *screen = app.forms.get<SortScreen>(QStringLiteral("chronological"));
    app.state.LastItem = -1;
    app.random.queueIndex(0, 30);
    for (int k = 0; k < 40; ++k)
        app.random.queueIndex(k % 4, 4);
    screen->Timer1_Timer();
    QVERIFY(screen->isDealing());
    QCOMPARE(screen->ctl(QStringLiteral("Label2"), 0).caption(), QStringLiteral("I caught the 8 o’clock bus."));
}

void tst_SortEngine::visitsHearOfFirstAnswersOnly_data()
{
    // Moves as Sorting::play reads them; c: Check; n: Next (the next set dealt, unshuffled);
    // x: Exit; u: the form unloaded by another; e: the program ended. "teardown" marks where
    // the registry goes, with any form it still holds. Unshuffled, chronological's phrase i
    // belongs in slot i; in cv set 1 statement 3 is the one for the dustbin.
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("told");
    const QString inOrder = QStringLiteral("0>s0 1>s1 2>s2 3>s3");
    const QString swapped = QStringLiteral("0>s1 1>s0 2>s2 3>s3");
    const QString chronological = QStringLiteral("chronological/Chronological Order, item 0, ");
    const QString cv = QStringLiteral("cv/Preparing a CV, item 1, ");
    QTest::newRow("right, then Check again") << "chronological" << 0 << inOrder + " c c x" << chronological + "right, end, teardown";
    QTest::newRow("wrong, then put right") << "chronological" << 0 << swapped + " c 1>s1 0>s0 c x" << chronological + "wrong, end, teardown";
    QTest::newRow("Next: each set its own first Check")
        << "chronological" << 0 << swapped + " c n " + inOrder + " c x" << chronological + "wrong, item 1, right, end, teardown";
    QTest::newRow("the program ends") << "chronological" << 0 << swapped + " c e" << chronological + "wrong, teardown, end";
    QTest::newRow("cv: right release, then a wrong one") << "cv" << 1 << "3>s0 1>s0 x" << cv + "right, end, teardown";
    QTest::newRow("cv: wrong release, unloaded without Exit") << "cv" << 1 << "1>s0 3>s0 u" << cv + "wrong, end, teardown";
}

void tst_SortEngine::visitsHearOfFirstAnswersOnly()
{
    QFETCH(QString, activity);
    QFETCH(int, set);
    QFETCH(QString, script);
    QFETCH(QString, told);
    VisitRecorder recorder; // outlives the forms, as the results store must
    auto s = std::make_unique<Sorting>(activity, set, QList<int>{}, &recorder);
    for (const QString &step : script.split(u' ')) {
        if (step == u"c") {
            s->screen->cmdcheckit_Click();
        } else if (step == u"n") {
            s->queueDeal(++set);
            s->screen->cmdgo_Click();
        } else if (step == u"x") {
            s->screen->cmdexit_Click();
        } else if (step == u"u") {
            s->app.forms.unload(activity);
            s->app.forms.reap();
        } else if (step == u"e") {
            s->app.forms.end();
        } else {
            s->play(step);
        }
    }
    recorder.events << QStringLiteral("teardown");
    s.reset();
    QCOMPARE(recorder.events.join(QStringLiteral(", ")), told);
}

QTEST_MAIN(tst_SortEngine)
#include "tst_sortengine.moc"
