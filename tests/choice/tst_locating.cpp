#include "choiceactivities.h"
#include "choicebank.h"
#include "choicescreen.h"
#include "shellforms.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

const QString Id = QStringLiteral("locating");
const QColor Green(0, 255, 0);

QJsonArray builtInRecords()
{
    QFile file(QStringLiteral(":/assets/content/locating.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("records")).toArray();
}

// The whole program's forms, with sound on, opened at Year 5, Term 2.
struct LocatingApp : TestApp
{
    LocatingApp()
    {
        registerShellForms(context);
        registerChoiceActivities(context);
        state.SoundOn = 1;
        forms.get(QStringLiteral("menu2"))->Show();
        sound.played.clear();
    }

    void click(const char *name, int index = -1) { forms.current()->control(QString::fromLatin1(name), index)->onClick(index); }

    // Opens the activity from its menu entry and deals `record` with the options in their
    // stored order: the three wrong ones, then the right one in Label5(3).
    ChoiceScreen *open(int record)
    {
        click("Label3", 4);
        auto *form = dynamic_cast<ChoiceScreen *>(forms.current());
        if (!form)
            return nullptr;
        random.queueIndex(record, 30);
        for (int pass = 0; pass < 10; ++pass) {
            for (int j = 0; j < 4; ++j)
                random.queueIndex(j, 4); // each place swaps with itself
        }
        form->timer(QStringLiteral("Timer1"))->fire();
        return form;
    }
};

} // namespace

class tst_Locating : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bankPassesEveryCheck();
    void everyPromptAsksSomethingNew();
    void playsFromItsMenuAndBack();
    void labelsKeepClearOfEachOtherAndTheFrame();
};

void tst_Locating::bankPassesEveryCheck()
{
    const ChoiceActivity *row = choiceActivity(Id);
    QVERIFY(row);
    QCOMPARE(row->itemCount, 30);
    QCOMPARE(row->recordWidth, 5);
    QCOMPARE(row->termMenu, QStringLiteral("menu2"));
    ContentProblems problems;
    const auto bank = loadChoiceBank(AssetResolver({AssetResolver::embeddedRoot()}), *row, problems);
    QVERIFY2(bank && problems.isEmpty(), qPrintable(problems.isEmpty() ? QString() : problems.first().toString()));
}

void tst_Locating::everyPromptAsksSomethingNew()
{
    // No prompt twice, and every kind of answer the bank uses is right somewhere, so a
    // pupil cannot learn that one option is never the answer.
    QSet<QString> prompts;
    QSet<QString> right;
    QSet<QString> offered;
    for (const QJsonValue &value : builtInRecords()) {
        const QJsonObject record = value.toObject();
        const QString prompt = record.value(QLatin1String("prompt")).toString().toLower();
        QVERIFY2(!prompts.contains(prompt), qPrintable(prompt));
        prompts.insert(prompt);
        right.insert(record.value(QLatin1String("correct")).toString());
        for (const QJsonValue &wrong : record.value(QLatin1String("wrong")).toArray())
            offered.insert(wrong.toString());
    }
    QCOMPARE(prompts.size(), 30);
    for (const QString &option : offered)
        QVERIFY2(right.contains(option), qPrintable(option));
}

void tst_Locating::playsFromItsMenuAndBack()
{
    // Year 5, Term 2's last entry opens the activity, which deals, marks a right and a
    // wrong answer, and goes back to that menu.
    LocatingApp app;
    ChoiceScreen *form = app.open(9);
    QVERIFY(form);
    QCOMPARE(form->name(), Id);
    QCOMPARE(form->caption, QStringLiteral("Locating Information"));

    const Control &question = form->ctl(QStringLiteral("Label1"));
    QVERIFY(question.visible);
    QCOMPARE(question.caption(), QStringLiteral("Where in a non-fiction book would you look to find this?"));
    QCOMPARE(question.foreColor, Green);
    QVERIFY(!question.opaque);

    const QJsonObject record = builtInRecords().at(9).toObject();
    QCOMPARE(app.state.LastItem, 9);
    QVERIFY(form->ctl(QStringLiteral("Label4")).visible);
    QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), record.value(QLatin1String("prompt")).toString());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(form->ctl(QStringLiteral("Label5"), i).caption(), record.value(QLatin1String("wrong")).toArray().at(i).toString());
    QCOMPARE(form->ctl(QStringLiteral("Label5"), 3).caption(), record.value(QLatin1String("correct")).toString());

    app.sound.played.clear();
    app.click("Label5", 1);
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Wrong"));
    app.click("Label5", 3);
    QVERIFY(form->ctl(QStringLiteral("Label6")).visible);
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));
    QCOMPARE(app.sound.played, (QStringList{QStringLiteral("wav\\boink.wav"), QStringLiteral("wav\\cash.wav")}));
    // The right answer blinks (the phase starts at 0: yellow, then white).
    form->timer(QStringLiteral("Timer2"))->fire();
    form->timer(QStringLiteral("Timer2"))->fire();
    QCOMPARE(form->ctl(QStringLiteral("Label5"), 3).backColor, QColor(255, 255, 255));
    QCOMPARE(form->ctl(QStringLiteral("Label5"), 1).backColor, QColor(255, 255, 0));

    app.click("cmdexit");
    QCOMPARE(app.forms.current()->name(), QStringLiteral("menu2"));
    QVERIFY(!app.forms.isLoaded(Id));
}

void tst_Locating::labelsKeepClearOfEachOtherAndTheFrame()
{
    // The question, the prompt, the four options and the verdict never overlap, stay on
    // the screen, and keep clear of the board, the marks and the buttons.
    LocatingApp app;
    ChoiceScreen *form = app.open(0);
    QVERIFY(form);
    QList<const Control *> labels{&form->ctl(QStringLiteral("Label1")), &form->ctl(QStringLiteral("Label4")),
                                  &form->ctl(QStringLiteral("Label6"))};
    for (int i = 0; i < 4; ++i)
        labels << &form->ctl(QStringLiteral("Label5"), i);
    QList<const Control *> frame;
    for (const char *name : {"Image1", "imgtick", "cmdgo", "cmdexit"})
        frame << &form->ctl(QString::fromLatin1(name));
    const QRectF screen(0, 0, 12000, 9000);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QRectF box = labels[i]->rect();
        QVERIFY2(screen.contains(box), qPrintable(labels[i]->name()));
        for (qsizetype j = i + 1; j < labels.size(); ++j)
            QVERIFY2(!box.intersects(labels[j]->rect()), qPrintable(labels[i]->name() + QLatin1Char('/') + labels[j]->name()));
        for (const Control *part : frame) {
            // The marks grow to 750 twips wide.
            const QRectF partBox = part->kind == ControlKind::PictureBox ? QRectF(part->left, part->top, 750, part->height)
                                                                        : part->rect();
            QVERIFY2(!box.intersects(partBox), qPrintable(labels[i]->name() + QLatin1Char('/') + part->name()));
        }
    }
}

QTEST_MAIN(tst_Locating)
#include "tst_locating.moc"
