#include "catalogue.h"
#include "choiceactivities.h"
#include "controlwidget.h"
#include "formview.h"
#include "mainwindow.h"
#include "readaloud.h"
#include "registerforms.h"
#include "sortactivities.h"
#include "speech.h"
#include "testsupport.h"

#include <QtTest>

namespace {

// Notes what it was asked to do, one line a call.
class RecordingSpeech : public Speech
{
public:
    bool available() const override { return canSpeak; }
    QString unavailableReason() const override { return canSpeak ? QString() : QStringLiteral("No sound device"); }
    void say(const QString &text) override { log << QStringLiteral("say ") + text; }
    void stop() override { log << QStringLiteral("stop"); }
    bool isSpeaking() const override { return false; }
    QStringList voices() const override { return {}; }
    void setVoice(const QString &) override {}
    void setRate(double) override {}

    bool canSpeak = true;
    QStringList log;
};

enum class Service { Working, Unset, Null, Unavailable };

// Every form of the program, one activity opened on a chosen record, and the speech
// service as the program would hand it out.
struct Opened
{
    Opened(const QString &activity, int record, Service service = Service::Working)
    {
        if (service != Service::Unset)
            app.context.speech = [this, service]() -> Speech * { return service == Service::Null ? nullptr : &speech; };
        speech.canSpeak = service != Service::Unavailable;
        registerForms(app.context);
        app.state.SoundOn = 1;
        app.state.LastItem = -1;
        app.state.ItemCounter = record - 1; // the slot screens deal the record after this
        app.random.queueIndex(record, drawCount(activity));
        for (int k = 0; k < 400; ++k)
            app.random.values.push_back(0.0);
        form = app.forms.get(activity);
        form->Show();
        form->timer(QStringLiteral("Timer1"))->fire();
    }

    static int drawCount(const QString &activity)
    {
        if (const ChoiceActivity *choice = choiceActivity(activity))
            return choice->itemCount;
        for (const SortActivity &sort : sortActivities()) {
            if (activity == QLatin1String(sort.id))
                return sort.setCount;
        }
        return 1000;
    }

    Control &ctl(const QString &name, int index = -1) { return *form->control(name, index); }
    bool key(int key, int shift = 0) { return form->keyDown(key, shift); }

    TestApp app;
    RecordingSpeech speech;
    Form *form = nullptr;
};

QString said(const QStringList &texts)
{
    return QStringLiteral("say ") + ReadAloud::passage(texts);
}

} // namespace

class TestReadAloud : public QObject
{
    Q_OBJECT

private slots:
    void screenReading_data();
    void screenReading();
    void cleaning_data();
    void cleaning();
    void asking_data();
    void asking();
    void stopping_data();
    void stopping();
    void withoutSpeech_data();
    void withoutSpeech();
    void speakerCoversNothing();
};

void TestReadAloud::screenReading_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<QStringList>("texts");

    // Multiple choice, with a gap in the prompt.
    QTest::newRow("choice") << "linking" << 0
                            << QStringList{"What is the appropriate linking word to complete the sentence below?",
                                           "They were in a traffic jam, blank they missed the flight.",
                                           "however", "conversely", "therefore", "still"};
    QTest::newRow("two answers") << "questionaire" << 0
                                 << QStringList{"Is the question below specific?", "What was your age last birthday?",
                                                "SPECIFIC", "UNSPECIFIC"};
    QTest::newRow("attention") << "attention" << 0
                               << QStringList{"How many errors are in this sentence?", "Haiku is a style of poetry.",
                                              "0", "1", "2", "3", "4"};
    // Three coloured parts of one sentence read as one text.
    QTest::newRow("persuasive parts") << "persuasive" << 0
                                      << QStringList{"Identify the persuasive device.",
                                                     QStringLiteral("You can do it, it\u2019s just a piece of cake."),
                                                     "Click on the box which is the same colour as the persuasive device in the sentence above."};
    // The padded heading reads without its spaces.
    QTest::newRow("sort") << "genre" << 1
                          << QStringList{"At the bottom of the screen are three book titles. Drag the book titles underneath the correct genre.",
                                         "D.I.Y.", "ENTERTAINMENT", "ADVENTURE", "Escape from Shadow Island",
                                         "Putting Up Shelves", "Jokes from the Giggle Club", "Restart"};
    // A sentence set one word a label, its trailing space gone.
    QTest::newRow("slot") << "person" << 0
                          << QStringList{"Identify the words that are in the first, second or third person and drag them into the correct container.",
                                         "SCORE", "0", "This is my book; you know it belongs to me.",
                                         "1st Person", "2nd Person", "3rd Person"};
}

void TestReadAloud::screenReading()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(QStringList, texts);
    Opened screen(activity, record);
    QVERIFY(screen.ctl(ReadAloud::ButtonName).visible);
    QCOMPARE(ReadAloud::screenTexts(*screen.form), texts);
    QVERIFY(screen.key(Qt::Key_R));
    screen.ctl(ReadAloud::ButtonName).press();
    QCOMPARE(screen.speech.log, QStringList({said(texts), said(texts)}));
}

void TestReadAloud::cleaning_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("read");
    QTest::newRow("padding") << "  ADVENTURE          " << "ADVENTURE";
    QTest::newRow("line breaks") << "one\r\ntwo\tthree" << "one two three";
    QTest::newRow("gap mid-sentence") << "as flat as _____ today" << "as flat as blank today";
    QTest::newRow("gap before a stop") << "The ball was ____." << "The ball was blank.";
    QTest::newRow("one underscore stays") << "snake_case" << "snake_case";
    QTest::newRow("blank only") << "   " << "";
}

void TestReadAloud::cleaning()
{
    QFETCH(QString, caption);
    QFETCH(QString, read);
    TestApp app;
    Form form(app.forms, QStringLiteral("f"));
    Control &label = form.add(ControlKind::Label, QStringLiteral("L"));
    label.setGeometry(0, 0, 4000, 600);
    label.setCaption(caption);
    QCOMPARE(ReadAloud::textOf(label), read);
    label.visible = false;
    QCOMPARE(ReadAloud::textOf(label), QString());
    // Each text ends in a stop once, for a pause between texts.
    QCOMPARE(ReadAloud::passage({QStringLiteral("Fable"), QStringLiteral("Why?"), QString()}), QStringLiteral("Fable. Why?"));
}

// Asking through the program's window: a right-click, speaker mode, Shift+R.
void TestReadAloud::asking_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("onPrompt");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<bool>("answers");
    QTest::newRow("left click answers") << "left" << false << false << true;
    QTest::newRow("right-click reads") << "right" << false << true << false;
    QTest::newRow("right-click on the prompt") << "right" << true << true << false;
    QTest::newRow("held still reads") << "hold" << false << true << false;
    QTest::newRow("held still on the prompt") << "hold" << true << true << false;
    QTest::newRow("speaker mode reads") << "speaker mode" << false << true << false;
    QTest::newRow("speaker mode on the prompt") << "speaker mode" << true << true << false;
    QTest::newRow("speaker mode by long press") << "long press" << false << true << false;
    QTest::newRow("speaker mode off again") << "speaker mode twice" << false << false << true;
    QTest::newRow("Shift+R reads the focus") << "shift+r" << false << true << false;
}

void TestReadAloud::asking()
{
    QFETCH(QString, how);
    QFETCH(bool, onPrompt);
    QFETCH(bool, reads);
    QFETCH(bool, answers);
    Opened screen(QStringLiteral("questionaire"), 0);
    const QString promptText = QStringLiteral("What was your age last birthday?");
    const Control *prompt = nullptr;
    for (const auto &control : screen.form->controls()) {
        if (control->caption() == promptText)
            prompt = control.get();
    }
    QVERIFY(prompt && !prompt->takesPointer());
    MainWindow window(screen.app.forms);
    window.resize(1000, 750);
    window.view().refresh();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    FormView &view = window.view();
    Control &option = screen.ctl(QStringLiteral("Label5"), 1);
    Control &speaker = screen.ctl(ReadAloud::ButtonName);
    ControlWidget *optionWidget = view.widgetFor(&option);
    ControlWidget *speakerWidget = view.widgetFor(&speaker);
    QVERIFY(optionWidget && speakerWidget && speakerWidget->isVisible());
    QWindow *win = window.windowHandle();
    const auto centre = [&window](QWidget *widget) { return widget->mapTo(&window, widget->rect().center()); };
    // The prompt lets presses through to the screen beneath it.
    const QPoint target = onPrompt ? view.mapTo(&window, view.widgetRect(*prompt).center()) : centre(optionWidget);
    const auto click = [&](QPoint at, Qt::MouseButton button) {
        QTest::mouseClick(win, button, {}, at);
        QCoreApplication::processEvents();
    };

    if (how == QLatin1String("right")) {
        click(target, Qt::RightButton);
    } else if (how == QLatin1String("hold")) {
        QTest::mousePress(win, Qt::LeftButton, {}, target);
        QTest::qWait(FormView::LongPressMs + 200);
        QTest::mouseRelease(win, Qt::LeftButton, {}, target);
    } else if (how.startsWith(QLatin1String("speaker mode"))) {
        click(centre(speakerWidget), Qt::RightButton);
        if (how.endsWith(QLatin1String("twice")))
            click(centre(speakerWidget), Qt::RightButton);
        click(target, Qt::LeftButton);
    } else if (how == QLatin1String("long press")) {
        QTest::mousePress(win, Qt::LeftButton, {}, centre(speakerWidget));
        screen.form->timer(QStringLiteral("tmrspeak"))->fire(); // held long enough
        QTest::mouseRelease(win, Qt::LeftButton, {}, centre(speakerWidget));
        QVERIFY(speaker.selected);
        click(target, Qt::LeftButton);
    } else if (how == QLatin1String("shift+r")) {
        optionWidget->takeFocus(Qt::TabFocusReason);
        QTest::keyClick(win, Qt::Key_R, Qt::ShiftModifier);
    } else {
        click(target, Qt::LeftButton);
    }
    const QString read = QStringLiteral("say ") + (onPrompt ? promptText : QStringLiteral("UNSPECIFIC"));
    QCOMPARE(screen.speech.log, reads ? QStringList{read} : QStringList{});
    QCOMPARE(screen.ctl(QStringLiteral("Label6")).visible, answers); // the verdict
    QCOMPARE(view.faults(), 0);
}

void TestReadAloud::stopping_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("Next") << "next" << QStringList{"stop"};
    QTest::newRow("N") << "n" << QStringList{"stop"};
    QTest::newRow("Exit") << "exit" << QStringList{"stop"};
    QTest::newRow("Escape") << "escape" << QStringList{"stop"};
    // With the sound off nothing is said, and what was being said stops.
    QTest::newRow("sound off, R") << "sound off" << QStringList{"stop"};
    QTest::newRow("sound off, right-click") << "sound off, right-click" << QStringList{"stop"};
}

void TestReadAloud::stopping()
{
    QFETCH(QString, what);
    QFETCH(QStringList, log);
    Opened screen(QStringLiteral("genre"), 0);
    if (what == QLatin1String("next"))
        screen.ctl(QStringLiteral("cmdgo")).press();
    else if (what == QLatin1String("n"))
        QVERIFY(screen.key(Qt::Key_N));
    else if (what == QLatin1String("exit"))
        screen.ctl(QStringLiteral("cmdexit")).press();
    else if (what == QLatin1String("escape"))
        QVERIFY(screen.key(Qt::Key_Escape));
    screen.app.forms.reap();
    if (what.startsWith(QLatin1String("sound off"))) {
        screen.app.state.SoundOn = 0;
        const Control &title = screen.ctl(QStringLiteral("Label2"), 0);
        if (what.endsWith(QLatin1String("right-click")))
            QVERIFY(screen.form->pressFilter(nullptr, MouseButton::Right, title.left + 50, title.top + 50));
        else
            QVERIFY(screen.key(Qt::Key_R));
    }
    QCOMPARE(screen.speech.log, log);
}

void TestReadAloud::withoutSpeech_data()
{
    QTest::addColumn<int>("service");
    QTest::newRow("unset") << int(Service::Unset);
    QTest::newRow("turned off") << int(Service::Null);
    QTest::newRow("cannot be heard") << int(Service::Unavailable);
}

void TestReadAloud::withoutSpeech()
{
    QFETCH(int, service);
    Opened screen(QStringLiteral("attention"), 0, Service(service));
    QVERIFY(!screen.ctl(ReadAloud::ButtonName).visible);
    QVERIFY(!screen.key(Qt::Key_R));
    QVERIFY(!screen.key(Qt::Key_R, ShiftKey::Shift));
    const Control &option = screen.ctl(QStringLiteral("Label5"), 0);
    QVERIFY(!screen.form->pressFilter(&option, MouseButton::Right, option.left + 10, option.top + 10));
    // The screen works as ever: an answer is judged.
    screen.ctl(QStringLiteral("Label5"), 0).press();
    QVERIFY(!screen.app.sound.played.isEmpty());
    QVERIFY(screen.speech.log.isEmpty());
}

// On every activity, as dealt, the speaker button lies over nothing else that is shown: no
// control, and no text of a label whose box does not show.
void TestReadAloud::speakerCoversNothing()
{
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        const QString activity = QString::fromLatin1(entry.activity);
        if (activity.isEmpty())
            continue;
        Opened screen(activity, 0);
        const Control &speaker = screen.ctl(ReadAloud::ButtonName);
        QVERIFY2(speaker.visible, qPrintable(activity));
        for (const auto &control : screen.form->controls()) {
            if (control.get() == &speaker || !control->visible)
                continue;
            const bool boxShows = control->kind != ControlKind::Label || control->opaque || control->border;
            const QRectF shown = boxShows ? control->rect() : control->shownTextRect();
            QVERIFY2(!shown.intersects(speaker.rect()),
                     qPrintable(QStringLiteral("%1: %2(%3)").arg(activity, control->name()).arg(control->index())));
        }
    }
}

QTEST_MAIN(TestReadAloud)
#include "tst_readaloud.moc"
