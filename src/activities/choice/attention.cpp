#include "attention.h"

#include "questionnairefamily.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor LightCyan(192, 255, 255);
const QColor Black(0, 0, 0);

constexpr int ItemCount = 32;
constexpr int BoxCount = 5; // counts 0 to 4
constexpr float BoxLefts[BoxCount] = {1320, 2880, 4440, 6000, 7560};

// Short enough to stay on one line in its label.
const QString Instruction = QStringLiteral("How many errors are in this sentence?");

LabelSpec textLabel(const QString &name, float left, float top, float width, float height, float points,
                    const QColor &colour)
{
    LabelSpec made;
    made.name = name;
    made.left = left;
    made.top = top;
    made.width = width;
    made.height = height;
    made.font = {QStringLiteral("Times New Roman"), points, false};
    made.foreColor = colour;
    return made;
}

QList<LabelSpec> labels()
{
    QList<LabelSpec> made;

    LabelSpec instruction = textLabel(QStringLiteral("Label4"), 600, 0, 8655, 1455, 26.25f, Green);
    instruction.caption = Instruction;
    made << instruction;

    LabelSpec shown = textLabel(QStringLiteral("Label1"), 180, 1800, 9915, 1815, 30, Yellow);
    shown.visible = false;
    made << shown;

    for (int i = 0; i < BoxCount; ++i) {
        LabelSpec box;
        box.name = QStringLiteral("Label5");
        box.index = i;
        box.left = BoxLefts[i];
        box.top = 3960;
        box.width = 1275;
        box.height = 975;
        box.font = {QStringLiteral("Tahoma"), 36, true};
        box.foreColor = Black;
        box.backColor = Yellow;
        box.opaque = true;
        box.border = true;
        box.padding = 30; // the digit keeps off the border at its full size
        box.middle = true;
        box.caption = QString::number(i);
        made << box;
    }

    LabelSpec corrected = textLabel(QStringLiteral("Label2"), 180, 5400, 9915, 1935, 30, LightCyan);
    corrected.visible = false;
    made << corrected;

    LabelSpec verdict = textLabel(QStringLiteral("Label6"), 120, 7440, 10095, 1095, 39.75f, Yellow);
    verdict.visible = false;
    verdict.caption = QStringLiteral("Correct");
    made << verdict;
    return made;
}

// The stated count must be the corrections the two sentences really differ by, and 0
// exactly when they are the same sentence.
void checkCounts(const ContentDocument &document, ContentProblems &problems)
{
    const QString field = QStringLiteral("errors");
    for (int r = 0; r < document.records.size(); ++r) {
        const QJsonObject record = document.records.at(r).toObject();
        const QJsonValue stated = record.value(field);
        if (!stated.isDouble())
            continue; // reported by the field's own check
        const int errors = stated.toInt();
        const QString shown = record.value(QLatin1String("shown")).toString();
        const QString corrected = record.value(QLatin1String("corrected")).toString();
        const int found = countCorrections(shown, corrected);
        if (errors == 0 && shown != corrected) {
            problems.append({document.path, r, field,
                             QStringLiteral("is 0, but the corrected sentence differs from the shown one")});
        } else if (errors != 0 && shown == corrected) {
            problems.append({document.path, r, field,
                             QStringLiteral("is %1, but the shown sentence needs no correction").arg(errors)});
        } else if (errors != found) {
            problems.append({document.path, r, field,
                             QStringLiteral("is %1, but the sentences differ by %2 corrections").arg(errors).arg(found)});
        }
    }
}

// Corrections within one word: the word itself (its letters, or its capital alone), and the
// punctuation that ends it.
int wordCorrections(const QString &a, const QString &b)
{
    if (a == b)
        return 0;
    static const QRegularExpression ending(QStringLiteral("[.,!?;:]+$"));
    const QRegularExpressionMatch endA = ending.match(a);
    const QRegularExpressionMatch endB = ending.match(b);
    const QString stemA = a.left(a.size() - endA.capturedLength());
    const QString stemB = b.left(b.size() - endB.capturedLength());
    return (stemA != stemB ? 1 : 0) + (endA.captured() != endB.captured() ? 1 : 0);
}

} // namespace

int countCorrections(const QString &shown, const QString &corrected)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList a = shown.split(space, Qt::SkipEmptyParts);
    const QStringList b = corrected.split(space, Qt::SkipEmptyParts);
    // Least-cost alignment: cost[i][j] turns the first i shown words into the first j
    // corrected ones.
    std::vector<std::vector<int>> cost(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (qsizetype i = 0; i <= a.size(); ++i)
        cost[i][0] = int(i);
    for (qsizetype j = 0; j <= b.size(); ++j)
        cost[0][j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            cost[i][j] = std::min({cost[i - 1][j] + 1, cost[i][j - 1] + 1,
                                   cost[i - 1][j - 1] + wordCorrections(a[i - 1], b[j - 1])});
        }
    }
    return cost[a.size()][b.size()];
}

ChoiceActivity attentionActivity()
{
    const QString shown = QStringLiteral("Label1");
    const QString corrected = QStringLiteral("Label2");

    ChoiceActivity activity;
    activity.id = QStringLiteral("attention");
    activity.caption = QStringLiteral("Attention to Accuracy");
    activity.termMenu = QStringLiteral("menu5");
    activity.itemCount = ItemCount;
    activity.recordWidth = 1;
    activity.labels = labels();

    ChoiceRules &rules = activity.rules;
    rules.optionCount = BoxCount;
    // The blink phase goes on from wherever the last activity left it.
    rules.resetFlashPhase = false;
    rules.fills = {{shown, QStringLiteral("%1"), {{Store::ItemBank, 1, 0}}},
                   {corrected, QStringLiteral("%1"), {{Store::TextBank, 1, 0}}}};
    rules.shufflePasses = 0;
    // The boxes read 0 to 4 in element order, so the count is also the box's number.
    rules.judge = Judge::Element;
    rules.correct = {Store::AnswerKey, 1, 0};
    rules.showOnDraw = {shown};
    rules.showOnAnswer = {corrected};
    rules.hideOnNext = {shown, corrected};
    rules.showOnSolution = {corrected};
    rules.answerButton = true;

    ContentRules &content = activity.content;
    content.fields = {
        {QStringLiteral("shown"), FieldType::Text, {Store::ItemBank, 1, 0}},
        {QStringLiteral("corrected"), FieldType::Text, {Store::TextBank, 1, 0}},
        {QStringLiteral("errors"), FieldType::Number, {Store::AnswerKey, 1, 0}, 1, 0, BoxCount - 1},
    };
    content.correctField = QStringLiteral("errors");
    content.extraCheck = [](const ContentDocument &document, ContentProblems &problems) {
        checkCounts(document, problems);
        checkNoRepeats(document, QStringLiteral("shown"), problems);
    };
    return activity;
}
