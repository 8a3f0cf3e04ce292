#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "playcue.h"
#include "slotactivities.h"
#include "slotbank.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Word = QStringLiteral("Label7");

// An activity opened as its menu opens it, its first sentence dealt.
struct Opened
{
    // Visits are told to `visits` when given (it must outlive the fixture).
    explicit Opened(const QString &id, int soundOn = 1, QStringList roots = {AssetResolver::embeddedRoot()},
                    VisitLog *visits = nullptr)
        : app(std::move(roots))
    {
        if (visits)
            app.context.visitLog = [visits]() -> VisitLog & { return *visits; };
        registerSlotActivities(app.context);
        app.forms.registerForm(QString::fromLatin1(Grey::Name), [this](FormRegistry &) { return std::make_unique<Grey>(app.context); });
        app.state.SoundOn = soundOn;
        form = app.forms.get<SlotScreen>(id);
        form->Show();
        form->timer(QStringLiteral("Timer1"))->fire();
    }
    Control &word(int i) const { return form->ctl(Word, i); }
    Control &label(const char *name, int i = -1) const { return form->ctl(QString::fromLatin1(name), i); }
    SlotRect box(int j) const
    {
        const Control &b = form->ctl(QStringLiteral("Label5"), j);
        return {b.left, b.top, b.width, b.height};
    }
    // Drags a word with the left button so that its corner comes to (left, top), then lets go.
    void drag(int i, float left, float top) const
    {
        Control &w = word(i);
        w.onMouseMove(i, MouseButton::Left, 0, left - w.left + w.width / 2, top - w.top + w.height / 2);
        w.onMouseUp(i, MouseButton::Left, 0, w.width / 2, w.height / 2);
    }
    void dragOnto(int i, int j) const { drag(i, box(j).left + 100, box(j).top + 100); }
    void next() const { label("cmdgo").onClick(-1); }

    TestApp app;
    SlotScreen *form = nullptr;
};

bool liesInADropWindow(const Opened &o, const Control &w)
{
    for (int j = 0; j < Slot::BoxCount; ++j) {
        if (isOnBox(w.left, w.top, o.box(j)))
            return true;
    }
    return false;
}

// A menu standing in for the term menus.
class Menu : public Screen
{
public:
    Menu(AppContext &context, const QString &name)
        : Screen(context, name)
    {
    }
};

} // namespace

class tst_SlotEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void dropIsMarkedByTheFirstBoxItLiesOn_data();
    void dropIsMarkedByTheFirstBoxItLiesOn();
    void scoreIsWrittenWithItsSign_data();
    void scoreIsWrittenWithItsSign();
    void placedWordGoesBackGreenAndStaysPut();
    void lineIsLaidOutAgainAfterACaptionSwap();
    void longSentenceWrapsAboveTheDropWindows();
    void aCopyTooLongForItsBoxAloneIsSetSmaller();
    void recordsComeInOrderAndNextGoesOnTheLast_data();
    void recordsComeInOrderAndNextGoesOnTheLast();
    void dragKeepsTheCornerOnScreen_data();
    void dragKeepsTheCornerOnScreen();
    void marksGrowOnceAndNextStopsThem();
    void soundOffKeepsMarksAndWords();
    void exitShowsTheTermMenu_data();
    void exitShowsTheTermMenu();
    void unreadableBankDealsNothing();
    void realDragThroughTheView();
    void visitsHearOfEveryDrop_data();
    void visitsHearOfEveryDrop();
    void cleanup();
};

void tst_SlotEngine::cleanup()
{
    if (QWidget *w = QApplication::activeWindow())
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
}

void tst_SlotEngine::dropIsMarkedByTheFirstBoxItLiesOn_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("key"); // replaces the first sentence's key when given
    QTest::addColumn<int>("word");
    QTest::addColumn<QPointF>("corner");
    QTest::addColumn<int>("box");     // -1: on no box
    QTest::addColumn<QString>("verdict"); // on no box: "stays" where let go, or back "home"

    // person, record 0: "This is my book; you know it belongs to me. ", box 1 at (4080, 4800), 1875 x 1935.
    const QString person = QStringLiteral("person");
    QTest::newRow("you on box 1") << person << "" << 4 << QPointF(4180, 4900) << 1 << "Correct";
    QTest::newRow("you on box 0") << person << "" << 4 << QPointF(1180, 4900) << 0 << "Wrong";
    QTest::newRow("you on box 2") << person << "" << 4 << QPointF(7180, 4900) << 2 << "Wrong";
    QTest::newRow("me. on 1st Person") << person << "" << 9 << QPointF(1180, 4900) << 0 << "Correct";
    QTest::newRow("it on 3rd Person") << person << "" << 6 << QPointF(7180, 4900) << 2 << "Correct";
    QTest::newRow("it on 1st Person") << person << "" << 6 << QPointF(1180, 4900) << 0 << "Wrong";
    QTest::newRow("corner left of the box within half its width") << person << "" << 4 << QPointF(4080 - 937, 4900) << 1 << "Correct";
    QTest::newRow("corner half a width left") << person << "" << 4 << QPointF(4080 - 937.5, 4900) << -1 << "stays";
    QTest::newRow("corner just inside the right edge") << person << "" << 4 << QPointF(5954, 4900) << 1 << "Correct";
    QTest::newRow("corner on the right edge") << person << "" << 4 << QPointF(5955, 4900) << -1 << "stays";
    QTest::newRow("corner above the box within half its height") << person << "" << 4 << QPointF(4180, 3833) << 1 << "Correct";
    QTest::newRow("corner half a height above, on the sentence") << person << "" << 4 << QPointF(4180, 3832.5) << -1 << "home";
    QTest::newRow("corner on the bottom edge, on the heading") << person << "" << 4 << QPointF(4180, 6735) << -1 << "home";
    QTest::newRow("between two boxes") << person << "" << 4 << QPointF(3000, 4900) << -1 << "stays";
    QTest::newRow("half over a box, left of its drop window") << person << "" << 7 << QPointF(4080 - 1000, 4900) << -1 << "home";
    QTest::newRow("over Next") << person << "" << 4 << QPointF(10100, 8000) << -1 << "home";
    QTest::newRow("past the right edge") << person << "" << 7 << QPointF(11700, 6000) << -1 << "home";
    QTest::newRow("key 0 is wrong on every box") << person << "0000000000" << 4 << QPointF(4180, 4900) << 1 << "Wrong";
    QTest::newRow("a missing digit reads 0") << person << "00102" << 9 << QPointF(1180, 4900) << 0 << "Wrong";
    QTest::newRow("a short key still marks its own digits") << person << "00102" << 4 << QPointF(4180, 4900) << 1 << "Correct";
    QTest::newRow("a letter reads 0") << person << "0010x03001" << 4 << QPointF(4180, 4900) << 1 << "Wrong";
    // notemaking, record 0: "The visitors will be here next Friday. "; the pad is box 0.
    const QString notes = QStringLiteral("notemaking");
    QTest::newRow("visitors on the note pad") << notes << "" << 1 << QPointF(4060, 4900) << 0 << "Correct";
    // Nothing is marked at the bottom edge, where the design had two thin boxes no key uses.
    QTest::newRow("visitors past the bottom edge") << notes << "" << 1 << QPointF(7180, 8700) << -1 << "home";
    QTest::newRow("visitors in free space by the bottom edge") << notes << "" << 1 << QPointF(7180, 7900) << -1 << "stays";
    QTest::newRow("The on the note pad") << notes << "" << 0 << QPointF(4060, 4900) << 0 << "Wrong";
}

void tst_SlotEngine::dropIsMarkedByTheFirstBoxItLiesOn()
{
    QFETCH(QString, id);
    QFETCH(QString, key);
    QFETCH(int, word);
    QFETCH(QPointF, corner);
    QFETCH(int, box);
    QFETCH(QString, verdict);
    Opened o(id);
    if (!key.isEmpty())
        o.app.state.WordBank[0] = key;
    const QString caption = o.word(word).caption();
    const QPointF home(o.word(word).left, o.word(word).top);
    o.app.sound.played.clear();

    QCOMPARE(o.form->dropWord(word, float(corner.x()), float(corner.y())), box);

    const Control &w = o.word(word);
    if (box < 0) { // free to be dragged again
        QCOMPARE(QPointF(w.left, w.top), verdict == QLatin1String("stays") ? corner : home);
        QVERIFY(w.enabled);
        QVERIFY(!o.label("Label1").visible);
        QCOMPARE(o.label("Label9").caption(), QStringLiteral("0"));
        QVERIFY(o.app.sound.played.isEmpty());
        return;
    }
    const bool right = verdict == QLatin1String("Correct");
    QCOMPARE(o.label("Label1").caption(), verdict);
    QVERIFY(o.label("Label1").visible);
    QCOMPARE(o.label("Label9").caption(), right ? QStringLiteral(" 1") : QStringLiteral("-1"));
    QCOMPARE(o.app.sound.played, QStringList{right ? QStringLiteral("wav\\beep.wav") : QStringLiteral("wav\\boink.wav")});
    QCOMPARE(o.form->timer(QStringLiteral("tmrtick"))->enabled, right);
    QCOMPARE(o.form->timer(QStringLiteral("tmrcross"))->enabled, !right);
    // The word is back at its place in the sentence; a copy is centred across the top of
    // the box it hit, wherever in the drop window it was let go.
    QCOMPARE(QPointF(w.left, w.top), home);
    const Control &copy = o.label("Label2", word);
    QVERIFY(copy.visible);
    QCOMPARE(copy.caption(), caption);
    QCOMPARE(copy.left, o.box(box).left + (o.box(box).width - copy.width) / 2);
    QCOMPARE(copy.top, o.box(box).top + Slot::BoxInset);
}

void tst_SlotEngine::scoreIsWrittenWithItsSign_data()
{
    QTest::addColumn<QString>("drops"); // R: a right drop, W: a wrong one
    QTest::addColumn<QString>("score");
    QTest::newRow("one right") << "R" << " 1";
    QTest::newRow("two right") << "RR" << " 2";
    QTest::newRow("one wrong") << "W" << "-1";
    QTest::newRow("right then wrong") << "RW" << " 0";
    QTest::newRow("two wrong, then right") << "WWR" << "-1";
    QTest::newRow("right three times") << "RRR" << " 3";
}

void tst_SlotEngine::scoreIsWrittenWithItsSign()
{
    QFETCH(QString, drops);
    QFETCH(QString, score);
    Opened o(QStringLiteral("person"));
    // Record 0: my -> 1st, you -> 2nd, me. -> 1st; This, is, book; belong in none.
    QList<QPair<int, int>> rights{{2, 0}, {4, 1}, {9, 0}};
    QList<QPair<int, int>> wrongs{{0, 0}, {1, 1}, {3, 2}};
    for (const QChar drop : drops) {
        const auto [word, box] = drop == QLatin1Char('R') ? rights.takeFirst() : wrongs.takeFirst();
        o.dragOnto(word, box);
    }
    QCOMPARE(o.label("Label9").caption(), score);
}

void tst_SlotEngine::placedWordGoesBackGreenAndStaysPut()
{
    Opened o(QStringLiteral("person"));
    const float homeLeft = o.word(4).left;
    o.dragOnto(4, 1);
    const Control &overlay = o.label("Label11", 4);
    QVERIFY(overlay.visible);
    QCOMPARE(overlay.caption(), QStringLiteral("you"));
    QCOMPARE(overlay.foreColor, QColor(0, 255, 0));
    QCOMPARE(overlay.left, homeLeft);
    QCOMPARE(overlay.top, Slot::LineTop);
    QVERIFY(!o.word(4).enabled);
    // Placed once only: it no longer drags, and dropping it again marks nothing.
    o.word(4).onMouseMove(4, MouseButton::Left, 0, 3000, 3000);
    QCOMPARE(o.word(4).left, homeLeft);
    QCOMPARE(o.form->dropWord(4, 4180, 4900), -1);
    QCOMPARE(o.label("Label9").caption(), QStringLiteral(" 1"));
    // A right-button drag moves nothing, but any button's release drops.
    o.word(2).onMouseMove(2, MouseButton::Right, 0, 3000, 3000);
    o.word(2).onMouseMove(2, MouseButton::Left | MouseButton::Right, 0, 3000, 3000);
    QCOMPARE(o.word(2).top, Slot::LineTop);
    o.word(2).left = 1180;
    o.word(2).top = 4900;
    o.word(2).onMouseUp(2, MouseButton::Right, 0, 0, 0);
    QCOMPARE(o.label("Label9").caption(), QStringLiteral(" 2"));
}

void tst_SlotEngine::lineIsLaidOutAgainAfterACaptionSwap()
{
    Opened o(QStringLiteral("person"));
    // The box copy of word 1 comes from TextBank; make it wider than the word on show.
    o.app.state.TextBank[1] = QStringLiteral("Can everybody go to their school with them? ");
    o.next();
    const float narrow = o.word(1).width;
    o.drag(5, 9200, 5500); // a word lying loose keeps its place through the relayout
    o.dragOnto(1, 0);
    QCOMPARE(o.word(1).caption(), QStringLiteral("everybody"));
    QCOMPARE(o.label("Label2", 1).caption(), QStringLiteral("we"));
    QVERIFY(o.word(1).width > narrow);
    QCOMPARE(o.word(0).left, Slot::LineLeft);
    const std::vector<QPointF> places = wordPlaces({o.word(0).width, o.word(1).width, o.word(2).width, o.word(3).width,
                                                    o.word(4).width, o.word(5).width, o.word(6).width, o.word(7).width},
                                                   o.word(0).height);
    for (int k = 2; k < o.form->wordCount(); ++k) {
        if (k != 5)
            QCOMPARE(QPointF(o.word(k).left, o.word(k).top), places[std::size_t(k)]);
        QCOMPARE(o.label("Label11", k).left, o.word(k).left);
    }
    QCOMPARE(QPointF(o.word(5).left, o.word(5).top), QPointF(9200, 5500));
    QCOMPARE(o.label("Label11", 1).caption(), QStringLiteral("everybody"));
}

void tst_SlotEngine::longSentenceWrapsAboveTheDropWindows()
{
    Opened o(QStringLiteral("person"));
    const QString sentence = QStringLiteral("Yesterday afternoon everybody remembered their complicated "
                                            "instructions about the adventure trip. ");
    o.app.state.ItemBank[1] = o.app.state.TextBank[1] = sentence;
    o.app.state.WordBank[1] = QStringLiteral("00003000000");
    o.next();
    QCOMPARE(o.form->wordCount(), 11);
    const float lineHeight = o.word(0).height;
    QCOMPARE(o.word(0).top, Slot::LineTop - lineHeight);
    QCOMPARE(o.word(10).top, Slot::LineTop);
    for (int i = 0; i < 11; ++i) {
        const Control &w = o.word(i);
        QVERIFY(w.visible);
        QVERIFY2(w.left + w.width <= Slot::ScreenWidth, qPrintable(w.caption()));
        QVERIFY2(!liesInADropWindow(o, w), qPrintable(w.caption())); // a tap on it marks nothing
        if (i > 0 && w.top == o.word(i - 1).top)
            QCOMPARE(w.left, o.word(i - 1).left + o.word(i - 1).width + Slot::WordGap);
        else if (i > 0)
            QCOMPARE(w.left, Slot::LineLeft);
    }
    QCOMPARE(o.word(0).top, Slot::LineTop - lineHeight); // two lines, not more
    // A placed word returns to its own line.
    QVector<QPointF> before;
    for (int i = 0; i < 11; ++i)
        before << QPointF(o.word(i).left, o.word(i).top);
    o.dragOnto(4, 2);
    QCOMPARE(o.label("Label1").caption(), QStringLiteral("Correct"));
    for (int i = 0; i < 11; ++i)
        QCOMPARE(QPointF(o.word(i).left, o.word(i).top), before[i]);
}

void tst_SlotEngine::aCopyTooLongForItsBoxAloneIsSetSmaller()
{
    Opened o(QStringLiteral("person"));
    o.app.state.ItemBank[1] = o.app.state.TextBank[1] = QStringLiteral("We saw uncharacteristically big waves. ");
    o.app.state.WordBank[1] = QStringLiteral("10000");
    o.next();
    QVERIFY(o.word(2).width > o.box(0).width); // as wide as it is in the sentence, it would overrun
    QCOMPARE(o.form->placeWord(2, 0), 0);
    QCOMPARE(o.form->placeWord(0, 0), 0);
    const Control &longest = o.label("Label2", 2);
    const Control &we = o.label("Label2", 0);
    QCOMPARE(longest.shownFont().family, we.shownFont().family);
    QVERIFY(longest.shownFont().pointSize < we.shownFont().pointSize);
    QCOMPARE(we.shownFont().pointSize, o.word(0).font().pointSize); // the others keep their size
    const QRectF box(o.box(0).left, o.box(0).top, o.box(0).width, o.box(0).height);
    QVERIFY(box.contains(longest.rect()));
    QVERIFY(box.contains(we.rect()));
    QVERIFY(!longest.rect().intersects(we.rect()));
}

void tst_SlotEngine::recordsComeInOrderAndNextGoesOnTheLast_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("elevenWordRecord");
    QTest::newRow("person") << QStringLiteral("person") << 21;
    QTest::newRow("notemaking") << QStringLiteral("notemaking") << 1;
}

void tst_SlotEngine::recordsComeInOrderAndNextGoesOnTheLast()
{
    QFETCH(QString, id);
    QFETCH(int, elevenWordRecord);
    Opened o(id);
    const SlotActivity &activity = *findSlotActivity(id);
    for (std::size_t h = 0; h < activity.headings.size(); ++h) { // one line, centred under its box
        const Control &heading = o.label("Label10", int(h));
        QVERIFY(heading.visible && heading.autoSize() && !heading.wordWrap());
        QCOMPARE(heading.left + heading.width / 2, activity.headings[h].place.left + activity.headings[h].place.width / 2);
    }
    const int last = activity.recordCount - 1;
    for (int r = 0; r <= last; ++r) {
        if (r > 0)
            o.next();
        QCOMPARE(o.app.state.ItemCounter, r);
        QCOMPARE(o.app.state.LastItem, r);
        QCOMPARE(o.app.state.CheckItem, r);
        QCOMPARE(o.label("cmdgo").visible, r < last);
        const QStringList words = sentenceWords(o.app.state.ItemBank[r]);
        QCOMPARE(o.form->wordCount(), int(words.size()));
        for (int i = 0; i < Slot::MaxWords; ++i) {
            QCOMPARE(o.word(i).visible, i < words.size());
            QCOMPARE(o.word(i).caption(), words.value(i));
            QVERIFY(o.word(i).enabled);
            QVERIFY(!o.label("Label11", i).visible);
        }
        if (r == elevenWordRecord) { // all eleven on screen, and the eleventh can be placed
            QCOMPARE(int(words.size()), 11);
            QVERIFY(o.word(10).left + o.word(10).width <= Slot::ScreenWidth);
            o.dragOnto(10, 0);
            QVERIFY(!o.word(10).enabled);
            QVERIFY(o.label("Label11", 10).visible);
            QCOMPARE(o.label("Label2", 10).caption(), words[10]);
        }
    }
    // Nothing follows the last record, however Next is reached.
    o.form->cmdgo_Click();
    QCOMPARE(o.app.state.ItemCounter, last);
}

void tst_SlotEngine::dragKeepsTheCornerOnScreen_data()
{
    QTest::addColumn<QPointF>("pointer"); // relative to the word's top left
    QTest::addColumn<QPointF>("corner");  // relative to the word's top left when not held back
    QTest::addColumn<bool>("held");
    QTest::newRow("inside: the centre follows the pointer") << QPointF(2000, 1000) << QPointF(2000, 1000) << false;
    QTest::newRow("far off to the left and top") << QPointF(-50000, -50000) << QPointF(0, 0) << true;
    QTest::newRow("far off to the right and bottom") << QPointF(50000, 50000)
                                                     << QPointF(Slot::ScreenWidth - Slot::DragMargin, Slot::ScreenHeight - Slot::DragMargin) << true;
}

void tst_SlotEngine::dragKeepsTheCornerOnScreen()
{
    QFETCH(QPointF, pointer);
    QFETCH(QPointF, corner);
    QFETCH(bool, held);
    Opened o(QStringLiteral("person"));
    Control &w = o.word(3);
    const QPointF start(w.left, w.top);
    w.onMouseMove(3, MouseButton::Left, 0, float(pointer.x()), float(pointer.y()));
    const QPointF expected = held ? corner : start + corner - QPointF(w.width / 2, w.height / 2);
    QCOMPARE(QPointF(w.left, w.top), expected);
}

void tst_SlotEngine::marksGrowOnceAndNextStopsThem()
{
    Opened o(QStringLiteral("person"));
    Timer &tick = *o.form->timer(QStringLiteral("tmrtick"));
    Timer &cross = *o.form->timer(QStringLiteral("tmrcross"));
    o.dragOnto(4, 1);
    int ticks = 0;
    while (tick.enabled && ticks < 100) {
        tick.fire();
        ++ticks;
    }
    QCOMPARE(ticks, 51);
    QCOMPARE(o.label("imgtick").width, 750.0f);
    // A wrong drop shows the cross and hides the tick on every tick until it has grown.
    o.dragOnto(0, 0);
    cross.fire();
    QVERIFY(o.label("imgcross").visible);
    QVERIFY(!o.label("imgtick").visible);
    QCOMPARE(o.label("imgcross").width, 15.0f);
    // Next stops a mark still growing: nothing appears over the new sentence.
    o.next();
    QVERIFY(!cross.enabled);
    QVERIFY(!o.label("imgcross").visible);
    QCOMPARE(o.label("imgcross").width, 0.0f);
    QVERIFY(!o.label("Label1").visible);
    QCOMPARE(o.label("Label9").caption(), QStringLiteral(" 0")); // the score carries on
}

void tst_SlotEngine::soundOffKeepsMarksAndWords()
{
    Opened o(QStringLiteral("person"), 0);
    o.dragOnto(4, 1);
    o.dragOnto(0, 2);
    o.form->timer(QStringLiteral("tmrcross"))->fire();
    QVERIFY(o.app.sound.played.isEmpty());
    QVERIFY(!o.app.forms.isLoaded(QString::fromLatin1(Grey::Name)));
    QCOMPARE(o.label("Label1").caption(), QStringLiteral("Wrong"));
    QVERIFY(o.label("imgcross").visible);
    QCOMPARE(o.label("Label9").caption(), QStringLiteral(" 0"));
    QVERIFY(o.label("Label11", 4).visible);
    QVERIFY(o.label("Label2", 0).visible);
}

void tst_SlotEngine::exitShowsTheTermMenu_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("menu"); // empty: the menus are not there
    QTest::newRow("person to menu4") << "person" << "menu4";
    QTest::newRow("notemaking to menu3") << "notemaking" << "menu3";
    QTest::newRow("no menu to go to") << "person" << "";
}

void tst_SlotEngine::exitShowsTheTermMenu()
{
    QFETCH(QString, id);
    QFETCH(QString, menu);
    Opened o(id);
    for (const char *name : {"menu3", "menu4"}) {
        if (menu == QLatin1String(name))
            o.app.forms.registerForm(menu, [&](FormRegistry &) { return std::make_unique<Menu>(o.app.context, menu); });
    }
    o.app.sound.played.clear();
    o.label("cmdexit").onClick(-1);
    QVERIFY(!o.app.forms.isLoaded(id));
    QCOMPARE(o.app.forms.current() ? o.app.forms.current()->name() : QString(), menu);
    QCOMPARE(o.app.sound.played, QStringList{QStringLiteral("wav\\click.wav")});
    o.app.forms.reap();
}

void tst_SlotEngine::unreadableBankDealsNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("content")));
    QFile broken(dir.filePath(QStringLiteral("content/person.json")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"activity\": \"person\", \"records\": [");
    broken.close();
    {
        // A broken copy beside the program: the built-in bank is used.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("person.json: is not valid JSON")));
        Opened o(QStringLiteral("person"), 1, {dir.path(), AssetResolver::embeddedRoot()});
        QVERIFY(o.form->hasBank());
        QCOMPARE(o.word(4).caption(), QStringLiteral("you"));
    }
    // No copy at all passes: a plain message, and nothing to drag or to go on to.
    SlotActivity missing = *findSlotActivity(QStringLiteral("person"));
    missing.id = "slotmissing";
    TestApp app({dir.path()});
    SlotScreen form(app.context, missing);
    form.Form_Load();
    form.timer(QStringLiteral("Timer1"))->fire();
    QVERIFY(!form.hasBank());
    QCOMPARE(form.ctl(QStringLiteral("Label4")).caption(), QStringLiteral("The questions for this activity could not be loaded."));
    QVERIFY(form.ctl(QStringLiteral("Label4")).visible);
    QVERIFY(!form.ctl(QStringLiteral("cmdgo")).visible);
    form.cmdgo_Click();
    QCOMPARE(app.state.ItemCounter, -1);
    QCOMPARE(form.dropWord(0, 1180, 4900), -1);
}

void tst_SlotEngine::realDragThroughTheView()
{
    Opened o(QStringLiteral("person"));
    FormView view(o.app.forms);
    view.resize(1600, 1000); // letter-boxed left and right
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh();
    const Control &you = o.word(4);
    const Scaling &s = view.scaling();
    const QPoint grab = view.widgetFor(&you)->geometry().center();
    // Let go with the word's corner well inside box 1.
    const QPointF centre(4080 + 300 + you.width / 2, 4800 + 300 + you.height / 2);
    const QPoint target = s.toPixels(centre).toPoint();
    QWindow *win = view.windowHandle();
    QTest::mousePress(win, Qt::LeftButton, {}, grab);
    QTest::mouseMove(win, (grab + target) / 2);
    QTest::mouseMove(win, target);
    QTest::mouseRelease(win, Qt::LeftButton, {}, target);
    QCOMPARE(o.label("Label1").caption(), QStringLiteral("Correct"));
    QCOMPARE(o.label("Label9").caption(), QStringLiteral(" 1"));
    QVERIFY(!you.enabled);
    QVERIFY(o.label("Label2", 4).visible);
    QVERIFY(!view.widgetFor(&you)->isEnabled()); // the view no longer lets it be picked up
    QCOMPARE(view.faults(), 0);
}

void tst_SlotEngine::visitsHearOfEveryDrop_data()
{
    // i>j: word i dragged onto box j; n: Next; x: Exit; u: the form unloaded by another;
    // e: the program ended. "teardown" marks where the registry goes, with any form it still
    // holds. person record 0 is "This is my book; you know it belongs to me." (you: box 1,
    // it: box 2, me.: box 0); record 1 "Can we go to their school with them?" (we: box 0,
    // Can: no box).
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("told");
    const QString person = QStringLiteral("person/1st, 2nd, 3rd Person, item 0, ");
    QTest::newRow("right, then the same word again") << "4>1 4>0 x" << person + "right, end, teardown";
    QTest::newRow("every word's drop counts") << "4>0 9>0 x" << person + "wrong, right, end, teardown";
    QTest::newRow("Next") << "6>2 n 0>0 1>0 x" << person + "right, item 1, wrong, right, end, teardown";
    QTest::newRow("unloaded without Exit") << "4>2 u" << person + "wrong, end, teardown";
    QTest::newRow("the program ends") << "9>0 e" << person + "right, teardown, end";
}

void tst_SlotEngine::visitsHearOfEveryDrop()
{
    QFETCH(QString, script);
    QFETCH(QString, told);
    VisitRecorder recorder; // outlives the forms, as the results store must
    auto o = std::make_unique<Opened>(QStringLiteral("person"), 1, QStringList{AssetResolver::embeddedRoot()}, &recorder);
    for (const QString &step : script.split(u' ')) {
        if (step == u"n") {
            o->next();
        } else if (step == u"x") {
            o->label("cmdexit").onClick(-1);
        } else if (step == u"u") {
            o->app.forms.unload(QStringLiteral("person"));
            o->app.forms.reap();
        } else if (step == u"e") {
            o->app.forms.end();
        } else {
            o->dragOnto(step.section(u'>', 0, 0).toInt(), step.section(u'>', 1).toInt());
        }
    }
    recorder.events << QStringLiteral("teardown");
    o.reset();
    QCOMPARE(recorder.events.join(QStringLiteral(", ")), told);
}

QTEST_MAIN(tst_SlotEngine)
#include "tst_slotengine.moc"
