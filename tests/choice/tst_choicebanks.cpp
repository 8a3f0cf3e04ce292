#include "choiceactivities.h"
#include "choicebank.h"
#include "choicescreen.h"
#include "choicetestsupport.h"
#include "fonts.h"
#include "testsupport.h"

#include <QtTest>

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

BankImage builtInImage(const QString &id)
{
    ContentProblems problems;
    const auto image = parseBytes(id, builtInBank(id), problems);
    return image ? *image : BankImage();
}

// The slots a set of fields writes for one record.
std::set<std::pair<Store, int>> slotsOf(const ChoiceActivity &row, const QStringList &fields, int record)
{
    std::set<std::pair<Store, int>> written;
    for (const FieldSlot &field : row.content.fields) {
        if (fields.contains(field.field)) {
            for (int k = 0; k < field.count; ++k)
                written.insert({field.to.store, field.to.at(record) + k});
        }
    }
    return written;
}

constexpr float Slack = 0.5f;      // twips: rounding in the measurer
constexpr float BoxMargin = 60.0f; // twips between a box's sides and its text, border included

QString where(const Control &control)
{
    return QStringLiteral("%1(%2) \"%3\"").arg(control.name()).arg(control.index()).arg(control.caption());
}

int linesOf(const Control &label, const QFontMetricsF &metrics)
{
    return int(std::lround(label.shownTextSize().height() / metrics.height()));
}

// What a pupil would see wrong on a screen: a control off the screen, a text larger than
// its box (so cut off), text in a box touching its sides or not in its middle, two texts
// closer than a quarter of the smaller one's size (on top of each other, or run together
// into one block), and the answer options of a screen set in different sizes or wrapped
// differently (one of several words on one line while another takes two).
QStringList layoutFindings(const ChoiceScreen &form)
{
    QStringList findings;
    std::vector<const Control *> texts;
    for (const auto &control : form.controls()) {
        if (!control->visible)
            continue;
        const QRectF box = control->rect();
        if (box.left() < 0 || box.top() < 0 || box.right() > 12000 || box.bottom() > 9000)
            findings << QStringLiteral("off the screen: %1").arg(where(*control));
        if (control->kind != ControlKind::Label || control->caption().isEmpty())
            continue;
        const QSizeF size = control->shownTextSize();
        const QRectF area = control->textArea();
        if (size.width() > area.width() + Slack || size.height() > area.height() + Slack) {
            findings << QStringLiteral("%1 takes %2x%3 in a text area of %4x%5")
                            .arg(where(*control)).arg(size.width()).arg(size.height()).arg(area.width()).arg(area.height());
        }
        if (control->border) {
            // Text in a box keeps off its sides and sits in the middle of its height.
            const QRectF ink = control->shownTextRect();
            const qreal above = ink.top() - box.top();
            const qreal below = box.bottom() - ink.bottom();
            if (std::min(ink.left() - box.left(), box.right() - ink.right()) < BoxMargin || std::abs(above - below) > 1)
                findings << QStringLiteral("%1 is not set in the middle of its box").arg(where(*control));
        }
        texts.push_back(control.get());
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            const QRectF a = texts[i]->shownTextRect();
            const QRectF b = texts[j]->shownTextRect();
            const qreal gap = std::max({b.left() - a.right(), a.left() - b.right(), b.top() - a.bottom(), a.top() - b.bottom()});
            // The parts of one sentence (elements of one array) only keep off each other.
            const bool parts = texts[i]->name() == texts[j]->name();
            const qreal needed = parts ? 0.0 : std::min(texts[i]->shownFont().pointSize, texts[j]->shownFont().pointSize) * TwipsPerPoint / 4;
            if (gap < needed)
                findings << QStringLiteral("%1 and %2 are %3 twips apart").arg(where(*texts[i]), where(*texts[j])).arg(gap);
        }
    }
    std::vector<const Control *> options;
    for (const Control *text : texts) {
        if (text->name() == QLatin1String("Label5"))
            options.push_back(text);
    }
    if (!options.empty()) {
        const QFontMetricsF metrics(referenceFont(options.front()->shownFont()));
        int mostLines = 0;
        for (const Control *option : options)
            mostLines = std::max(mostLines, linesOf(*option, metrics));
        for (const Control *option : options) {
            if (option->shownFont() != options.front()->shownFont())
                findings << QStringLiteral("%1 is not set like %2").arg(where(*option), where(*options.front()));
            const bool oneWord = !option->caption().trimmed().contains(QLatin1Char(' '));
            if (!oneWord && linesOf(*option, metrics) != mostLines)
                findings << QStringLiteral("%1 takes %2 lines where another option takes %3")
                                .arg(where(*option)).arg(linesOf(*option, metrics)).arg(mostLines);
        }
    }
    return findings;
}

} // namespace

class tst_ChoiceBanks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); } // measure with the faces the screens use
    void everyBankValidates_data();
    void everyBankValidates();
    void engineReadsWhereTheLoaderWrites_data();
    void engineReadsWhereTheLoaderWrites();
    void brokenRecordIsRejected_data();
    void brokenRecordIsRejected();
    void wrongShapeIsRejected_data();
    void wrongShapeIsRejected();
    void loadingKeepsTheSlotsBeyondTheBank_data();
    void loadingKeepsTheSlotsBeyondTheBank();
    void dumpListsEverySlotInIndexOrder();
    void everyRecordIsLaidOutClear_data();
    void everyRecordIsLaidOutClear();
};

void tst_ChoiceBanks::everyBankValidates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("itemSlots");
    QTest::addColumn<int>("keySlots");
    QTest::newRow("openings") << "openings" << 150 << 0;
    QTest::newRow("instructions") << "instructions" << 150 << 0;
    QTest::newRow("terms") << "terms" << 155 << 0;
    QTest::newRow("figurative") << "figurative" << 140 << 0;
    QTest::newRow("theatre") << "theatre" << 145 << 0;
    QTest::newRow("linking") << "linking" << 155 << 0;
    QTest::newRow("rhythm") << "rhythm" << 68 << 136;
    QTest::newRow("writer") << "writer" << 150 << 0;
    QTest::newRow("blurb") << "blurb" << 140 << 0;
}

void tst_ChoiceBanks::everyBankValidates()
{
    QFETCH(QString, id);
    QFETCH(int, itemSlots);
    QFETCH(int, keySlots);
    ContentProblems problems;
    const auto image = parseBytes(id, builtInBank(id), problems);
    QVERIFY2(image, qPrintable(describe(problems)));
    QVERIFY2(problems.isEmpty(), qPrintable(describe(problems)));
    QCOMPARE(int(image->filled().size()), keySlots ? 2 : 1);
    QCOMPARE(image->count(Store::ItemBank), itemSlots);
    QCOMPARE(image->count(Store::AnswerKey), keySlots);
    // Slots 0 .. n - 1, with no gap.
    QCOMPARE(image->filled().at(Store::ItemBank).rbegin()->first, itemSlots - 1);
    if (keySlots)
        QCOMPARE(image->filled().at(Store::AnswerKey).rbegin()->first, keySlots - 1);
}

void tst_ChoiceBanks::engineReadsWhereTheLoaderWrites_data()
{
    QTest::addColumn<QString>("id");
    for (const ChoiceActivity &row : choiceActivities()) {
        if (row.rules.options) // fixed answer captions are tested with their activities
            QTest::newRow(qPrintable(row.id)) << row.id;
    }
}

void tst_ChoiceBanks::engineReadsWhereTheLoaderWrites()
{
    QFETCH(QString, id);
    const ChoiceActivity &row = *choiceActivity(id);
    const ChoiceRules &rules = row.rules;
    QVERIFY(rules.options);
    const BankImage image = builtInImage(id);
    for (int r = 0; r < row.itemCount; ++r) {
        std::set<std::pair<Store, int>> shown;
        for (int i = 0; i < rules.optionCount; ++i)
            shown.insert({rules.options->store, rules.options->at(r) + i});
        QCOMPARE(shown, slotsOf(row, row.content.optionFields, r));
        QCOMPARE((std::set<std::pair<Store, int>>{{rules.correct.store, rules.correct.at(r)}}),
                 slotsOf(row, {row.content.correctField}, r));
        for (const LabelFill &fill : rules.fills) {
            for (const SlotRef &source : fill.sources) {
                QVERIFY(source.at(r) < storeSize(source.store));
                QVERIFY(image.filled().at(source.store).count(source.at(r)));
            }
        }
    }
}

void tst_ChoiceBanks::brokenRecordIsRejected_data()
{
    // One field of one record is replaced (null removes it); the named problem must follow.
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // JSON
    QTest::addColumn<int>("problemRecord");
    QTest::addColumn<QString>("problemField"); // empty: the field that was changed
    QTest::addColumn<QString>("reason");
    QTest::newRow("an example reworded") << "openings" << 0 << "prompt" << R"("Cautiously moving along the towpath..")" << 0 << "" << "must read exactly";
    QTest::newRow("an example's trailing space lost") << "rhythm" << 2 << "line" << R"("It was an evening in November, as I very well remember,")" << 2 << "" << "must read exactly";
    QTest::newRow("a wrong-only word as the answer") << "openings" << 5 << "correct" << R"("Legend")" << 5 << "" << "only ever a wrong option";
    QTest::newRow("a word outside the answers") << "linking" << 10 << "correct" << R"("because")" << 10 << "" << "not one of this activity's answers";
    QTest::newRow("a spaced spelling as the answer") << "writer" << 10 << "correct" << R"("Critic ")" << 10 << "" << "not one of this activity's answers";
    QTest::newRow("the answer repeats an option") << "figurative" << 5 << "correct" << R"("likes storms")" << 5 << "wrong[1]" << "This option is the same as the right answer";
    QTest::newRow("the answer missing") << "figurative" << 6 << "correct" << "null" << 6 << "" << "is missing";
    QTest::newRow("two options look the same") << "theatre" << 1 << "correct" << R"("Set ")" << 1 << "wrong[0]" << "looks the same on screen as the right answer";
    QTest::newRow("no gap") << "terms" << 5 << "prompt" << R"("A poem is set out in verse.")" << 5 << "" << "one gap";
    QTest::newRow("two gaps") << "linking" << 6 << "prompt" << R"("_____ it rained, _____ we stayed in.")" << 6 << "" << "one gap";
    QTest::newRow("a gap of six underscores") << "terms" << 7 << "prompt" << R"("A ______ has three lines.")" << 7 << "" << "one gap";
    QTest::newRow("a count above 24") << "rhythm" << 5 << "correct" << "25" << 5 << "" << "from 5 to 24";
    QTest::newRow("a count given as text") << "rhythm" << 5 << "correct" << R"("7")" << 5 << "" << "from 5 to 24";
    QTest::newRow("a right count equal to a wrong one") << "rhythm" << 5 << "correct" << "8" << 5 << "wrong[1]" << "This option is the same as the right answer";
    QTest::newRow("a poet without dates") << "rhythm" << 7 << "poet" << R"("Wordsworth")" << 7 << "" << "the poet's dates";
    QTest::newRow("curly quotation marks") << "openings" << 4 << "prompt" << "\"\u201CStop!\u201D cried Ann.\"" << 4 << "" << "plain double quotation marks";
    QTest::newRow("a ninth direct-speech prompt") << "openings" << 3 << "prompt" << R"("\"Hello,\" said Sam.")" << -1 << "" << "8 prompts must be direct speech";
    QTest::newRow("two wrong options only") << "blurb" << 8 << "wrong" << R"(["Sport", "Cookery"])" << 8 << "" << "must hold 3 texts";
    QTest::newRow("an empty prompt") << "instructions" << 9 << "prompt" << R"("  ")" << 9 << "" << "This prompt is empty";
}

void tst_ChoiceBanks::brokenRecordIsRejected()
{
    QFETCH(QString, id);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(int, problemRecord);
    QFETCH(QString, problemField);
    QFETCH(QString, reason);
    if (problemField.isEmpty())
        problemField = field;
    ContentProblems problems;
    QVERIFY(!parseBytes(id, withField(id, record, field, value), problems));
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const ContentProblem &p) {
        return p.record == problemRecord && (problemRecord < 0 || p.field == problemField) && p.reason.contains(reason);
    });
    QVERIFY2(named, qPrintable(describe(problems)));
}

void tst_ChoiceBanks::wrongShapeIsRejected_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    QJsonObject short29 = QJsonDocument::fromJson(builtInBank(QStringLiteral("writer"))).object();
    QJsonArray records = short29.value(QLatin1String("records")).toArray();
    records.removeLast();
    short29.insert(QStringLiteral("records"), records);
    QTest::newRow("a record too few") << "writer" << QJsonDocument(short29).toJson() << "must hold 30 records, not 29";
    QTest::newRow("another activity's file") << "blurb" << builtInBank(QStringLiteral("writer")) << "must be \"blurb\"";
    QJsonObject notObjects = short29;
    notObjects.insert(QStringLiteral("records"), QJsonArray{QStringLiteral("a line"), QStringLiteral("another")});
    QTest::newRow("records that are not objects") << "writer" << QJsonDocument(notObjects).toJson() << "named fields";
    QTest::newRow("not JSON") << "terms" << QByteArray("{\"activity\": \"terms\",") << "not valid JSON";
}

void tst_ChoiceBanks::wrongShapeIsRejected()
{
    QFETCH(QString, id);
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    ContentProblems problems;
    QVERIFY(!parseBytes(id, data, problems));
    QVERIFY2(describe(problems).contains(reason), qPrintable(describe(problems)));
}

void tst_ChoiceBanks::loadingKeepsTheSlotsBeyondTheBank_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("terms, then rhythm") << "terms" << "rhythm";
    QTest::newRow("rhythm, then figurative") << "rhythm" << "figurative";
    QTest::newRow("linking, then blurb") << "linking" << "blurb";
    QTest::newRow("openings, then theatre") << "openings" << "theatre";
}

void tst_ChoiceBanks::loadingKeepsTheSlotsBeyondTheBank()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    TestApp app;
    registerChoiceActivities(app.context);
    const QString before = QStringLiteral("left by an earlier activity");
    for (int i = 0; i < 401; ++i)
        app.state.ItemBank[i] = before;
    for (int i = 0; i < 201; ++i)
        app.state.AnswerKey[i] = -1;
    for (const QString &id : {first, second}) {
        auto *form = app.forms.get<ChoiceScreen>(id);
        app.random.queueIndex(7, 28);
        for (int i = 0; i < 40; ++i)
            app.random.queueIndex(0, 4);
        form->timer(QStringLiteral("Timer1"))->fire();
        form->Unload();
        app.forms.reap();
    }
    const auto firstSlots = builtInImage(first).filled();
    const auto secondSlots = builtInImage(second).filled();
    auto expected = [&](Store store, int i) -> QVariant {
        for (const auto *written : {&secondSlots, &firstSlots}) {
            if (written->count(store) && written->at(store).count(i))
                return written->at(store).at(i);
            if (store == Store::ItemBank && i < 100)
                return QString(); // cleared by the second activity's Form_Load
        }
        return store == Store::ItemBank ? QVariant(before) : QVariant(-1);
    };
    for (int i = 0; i < 401; ++i)
        QCOMPARE(app.state.ItemBank[i], expected(Store::ItemBank, i).toString());
    for (int i = 0; i < 201; ++i)
        QCOMPARE(app.state.AnswerKey[i].toInt(), expected(Store::AnswerKey, i).toInt());
}

void tst_ChoiceBanks::dumpListsEverySlotInIndexOrder()
{
    const QList<ContentKind> kinds = choiceContentKinds();
    QCOMPARE(kinds.size(), choiceActivities().size());
    for (const ContentKind &kind : kinds) {
        ContentProblems problems;
        const auto document = ContentDocument::parse(builtInBank(kind.activity), kind.activity, problems);
        QVERIFY(document);
        kind.check(*document, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(describe(problems)));

        const QString dump = kind.dump(*document);
        const QJsonObject printed = QJsonDocument::fromJson(dump.toUtf8()).object();
        QCOMPARE(printed.value(QLatin1String("activity")).toString(), kind.activity);
        const BankImage image = builtInImage(kind.activity);
        for (const auto &[store, written] : image.filled()) {
            const QJsonObject bank = printed.value(storeName(store)).toObject();
            QCOMPARE(int(bank.size()), int(written.size()));
            qsizetype previous = dump.indexOf(QLatin1Char('"') + storeName(store) + QLatin1Char('"'));
            QVERIFY(previous > 0);
            for (const auto &[index, value] : written) {
                QCOMPARE(bank.value(QString::number(index)), QJsonValue::fromVariant(value));
                const qsizetype at = dump.indexOf(QStringLiteral("\"%1\": ").arg(index), previous + 1);
                QVERIFY(at > previous);
                previous = at;
            }
        }
    }
}

void tst_ChoiceBanks::everyRecordIsLaidOutClear_data()
{
    QTest::addColumn<QString>("id");
    for (const ChoiceActivity &row : choiceActivities())
        QTest::newRow(qPrintable(row.id)) << row.id;
}

void tst_ChoiceBanks::everyRecordIsLaidOutClear()
{
    // Every record of the built-in bank as the screen deals it (its options in two orders),
    // once dealt, after the answer button where there is one, and once answered right.
    QFETCH(QString, id);
    TestApp app;
    registerChoiceActivities(app.context);
    auto *form = app.forms.get<ChoiceScreen>(id);
    const ChoiceRules &rules = form->activity().rules;
    QStringList findings;
    auto check = [&](int record, int order, const char *when) {
        for (const QString &finding : layoutFindings(*form))
            findings << QStringLiteral("record %1, order %2, %3: %4").arg(record).arg(order).arg(QLatin1String(when), finding);
    };
    for (int r = 0; r < form->activity().itemCount; ++r) {
        for (int order = 0; order < (rules.options ? 2 : 1); ++order) {
            app.state.LastItem = -1;
            app.random.queueIndex(r, form->activity().itemCount);
            if (rules.options) {
                // The stored order, or each option moved one place on (the first last).
                for (int pass = 0; pass < rules.shufflePasses; ++pass) {
                    for (int j = 0; j < rules.optionCount; ++j)
                        app.random.queueIndex(pass == 0 ? std::min(j + order, rules.optionCount - 1) : j, rules.optionCount);
                }
            }
            if (form->hasBank())
                form->cmdgo_Click();
            else
                form->timer(QStringLiteral("Timer1"))->fire();
            QCOMPARE(app.state.LastItem, r);
            check(r, order, "dealt");
            if (rules.answerButton) {
                form->cmdsoln_Click();
                check(r, order, "answer button");
            }
            for (int i = 0; i < rules.optionCount; ++i) {
                if (form->isCorrect(i))
                    form->Label5_Click(i);
            }
            QVERIFY(form->ctl(QStringLiteral("Label6")).visible);
            check(r, order, "answered");
        }
    }
    QVERIFY2(findings.isEmpty(), qPrintable(findings.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_ChoiceBanks)
#include "tst_choicebanks.moc"
