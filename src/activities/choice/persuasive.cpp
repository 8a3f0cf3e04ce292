#include "persuasive.h"

#include "choicescreen.h"
#include "textfit.h"
#include "textmeasurer.h"

#include <algorithm>
#include <array>

namespace {

constexpr int Parts = 3;
constexpr int RecordWidth = 3;

const QColor Yellow(255, 255, 0);
const std::array<QColor, Parts> PartColours{QColor(255, 128, 128), QColor(128, 255, 128), QColor(255, 128, 255)};
// What a screen reader calls each colour, so a pupil who cannot tell them apart can still
// match a part to its box.
const std::array<QString, Parts> PartColourNames{QStringLiteral("pink"), QStringLiteral("green"), QStringLiteral("purple")};

// The sentence is set as one line from LineStart; a part that would end beyond LineEnd
// starts a new line LineStep lower.
constexpr float LineStart = 240;
constexpr float LineEnd = 10000;
constexpr float LineStep = 750;
constexpr float PartGap = 120;
constexpr float FirstLineTop = 1080;
constexpr float PartHeight = 630;
constexpr float PartPoints = 27.75f;

constexpr std::array<float, Parts> BoxLefts{960, 4200, 7440};
constexpr float BoxTop = 5760;
constexpr float BoxSize = 1635;

// Between the sentence and the boxes: the explanation (shown once answered), then the
// two-line instruction, which ends a little above the boxes so it never touches them.
constexpr float TextGap = 180;
constexpr float BoxClearance = 120;
constexpr float HowToTop = 4800;
constexpr float ExplanationTop = 3600;

const QString Segment = QStringLiteral("Label1");
const QString Box = QStringLiteral("Label5");
const QString Explanation = QStringLiteral("Label3");

LabelSpec label(const QString &name, int index, float left, float top, float width, float height, float points,
                const QColor &colour)
{
    LabelSpec made;
    made.name = name;
    made.index = index;
    made.left = left;
    made.top = top;
    made.width = width;
    made.height = height;
    made.font = timesNewRoman(points);
    made.foreColor = colour;
    return made;
}

QList<LabelSpec> labels()
{
    QList<LabelSpec> made;
    LabelSpec instruction = label(QStringLiteral("Label2"), -1, 120, 0, 10095, 735, 30, Yellow);
    instruction.caption = QStringLiteral("Identify the persuasive device.");
    made << instruction;

    for (int k = 0; k < Parts; ++k) {
        LabelSpec part = label(Segment, k, LineStart, FirstLineTop, 0, PartHeight, PartPoints, PartColours[k]);
        part.autoSize = true;
        part.visible = false;
        made << part;
    }
    for (int k = 0; k < Parts; ++k) {
        LabelSpec box = label(Box, k, BoxLefts[k], BoxTop, BoxSize, BoxSize, 8.25f, PartColours[k]);
        box.backColor = PartColours[k];
        box.opaque = true;
        box.border = true;
        made << box;
    }

    // Two lines, ending a gap above the boxes.
    LabelSpec howTo = label(QStringLiteral("Label4"), -1, 1080, HowToTop, 9855, BoxTop - BoxClearance - HowToTop, 18, Yellow);
    howTo.caption = QStringLiteral("Click on the box which is the same colour as the persuasive device in the sentence above.");
    howTo.visible = false;
    made << howTo;

    // Room for two lines: a long device and its explanation wrap once. Each draw fits it
    // between the sentence and the instruction (layOutParts).
    LabelSpec explanation = label(Explanation, -1, 120, ExplanationTop, 9855, 1275, PartPoints, Yellow);
    explanation.visible = false;
    made << explanation;

    LabelSpec verdict = label(QStringLiteral("Label6"), -1, 2760, 7500, 4455, 1215, 39.75f, Yellow);
    verdict.caption = QStringLiteral("Correct");
    verdict.visible = false;
    made << verdict;
    return made;
}

// Sets the parts of the record on show (already captioned, so sized to their text) as one
// line that wraps, names the device for the explanation, and hides the third box when the
// sentence has no third part.
void layOutParts(ChoiceScreen &screen, int record)
{
    std::array<Control *, Parts> part{};
    for (int k = 0; k < Parts; ++k)
        part[k] = &screen.ctl(Segment, k);

    // Every part starts on the first line again, undoing the last sentence's wrap.
    for (Control *each : part)
        each->top = part[0]->top;
    part[0]->left = LineStart;
    part[1]->left = part[0]->left + part[0]->width + PartGap;
    if (part[1]->left + part[1]->width > LineEnd) {
        part[1]->left = LineStart;
        part[1]->top = part[0]->top + LineStep;
        part[2]->top = part[0]->top + LineStep;
    }
    part[2]->left = part[1]->left + part[1]->width + PartGap;
    if (part[2]->left + part[2]->width > LineEnd) {
        part[2]->left = LineStart;
        part[2]->top = part[1]->top + LineStep;
    }

    const Control *device = screen.control(Segment, screen.state().AnswerKey[record].toInt());
    Control &explanation = screen.ctl(Explanation);
    explanation.setCaption(device ? QStringLiteral("'%1' is the persuasive device.").arg(device->caption()) : QString());

    // The explanation goes between the sentence and the instruction: at its designed top
    // when it fits there, higher when the sentence leaves room, and smaller when not even
    // that is enough.
    float sentenceBottom = FirstLineTop;
    for (const Control *each : part) {
        if (!each->caption().isEmpty())
            sentenceBottom = std::max(sentenceBottom, float(each->shownTextRect().bottom()));
    }
    const float bandTop = sentenceBottom + TextGap;
    const float bandBottom = float(screen.ctl(QStringLiteral("Label4")).shownTextRect().top()) - TextGap;
    explanation.setGeometry(explanation.left, bandTop, explanation.width, std::max(0.0f, bandBottom - bandTop));
    const float needed = float(explanation.shownTextSize().height());
    const float top = std::max(bandTop, std::min(ExplanationTop, bandBottom - needed));
    explanation.setGeometry(explanation.left, top, explanation.width, std::max(0.0f, bandBottom - top));

    for (int k = 0; k < Parts; ++k) {
        part[k]->visible = true;
        // A box has no caption of its own: a screen reader names it by its part.
        screen.ctl(Box, k).accessibleName = QStringLiteral("Box %1: %2").arg(k + 1).arg(part[k]->caption());
        screen.ctl(Box, k).accessibleDescription = QStringLiteral("%1 box").arg(PartColourNames[k]);
        part[k]->accessibleDescription = QStringLiteral("%1 part of the sentence").arg(PartColourNames[k]);
    }
    screen.ctl(Box, Parts - 1).visible = !part[Parts - 1]->caption().isEmpty();
}

QString segmentText(const QJsonValue &segments, int k)
{
    return segments.toArray().at(k).toString();
}

// The first two parts always hold text and the third may be empty; no part is blank or
// padded (a space would widen its label and shift the line), each fits on one line of the
// sentence (a part is set whole, at its size, starting a new line when it would run past
// the end of this one), and the key names a part that is on screen.
void checkParts(const ContentDocument &document, ContentProblems &problems)
{
    const QString field = QStringLiteral("segments");
    const TextMeasurer *measurer = screenTextMeasurer();
    const FontSpec font = timesNewRoman(PartPoints);
    const float lineHeight = measurer ? float(measurer->measure(font, QStringLiteral("Xg"), 0).height()) : 0;
    const TextBox line{font, LineEnd - LineStart, lineHeight, 0, false};
    for (int r = 0; r < document.records.size(); ++r) {
        const QJsonObject record = document.records.at(r).toObject();
        const QJsonValue segments = record.value(field);
        if (!segments.isArray() || segments.toArray().size() != Parts)
            continue; // already reported
        for (int k = 0; k < Parts; ++k) {
            const QString text = segmentText(segments, k);
            const QString part = QStringLiteral("%1[%2]").arg(field).arg(k);
            if (text.trimmed().isEmpty() && k < Parts - 1)
                problems.append({document.path, r, part, QStringLiteral("This part is empty; only the third part may be")});
            else if (!text.isEmpty() && text != text.trimmed())
                problems.append({document.path, r, part, QStringLiteral("This part must not start or end with a space")});
            else if (const int over = measurer ? wordsTooMany(*measurer, line, text) : 0)
                problems.append({document.path, r, part, tooLongReason(QStringLiteral("part"), over)});
        }
        const int key = record.value(QLatin1String("key")).toInt(-1);
        if (key == Parts - 1 && segmentText(segments, key).isEmpty())
            problems.append({document.path, r, QStringLiteral("key"), QStringLiteral("names the third part, which is empty")});
    }
}

} // namespace

ChoiceActivity persuasiveActivity()
{
    ChoiceActivity activity;
    activity.id = QStringLiteral("persuasive");
    activity.caption = QStringLiteral("Persuasive Devices");
    activity.termMenu = QStringLiteral("menu3");
    activity.itemCount = 30;
    activity.recordWidth = RecordWidth;

    ChoiceRules &rules = activity.rules;
    rules.optionCount = Parts;
    rules.backColour = QColor(48, 133, 214);
    for (int k = 0; k < Parts; ++k)
        rules.fills.append({Segment, QStringLiteral("%1"), {{Store::ItemBank, RecordWidth, k}}, k});
    rules.options = std::nullopt; // the boxes are answered by colour and have no caption
    rules.judge = Judge::Element;
    rules.correct = {Store::AnswerKey, 1, 0};
    rules.blinkCorrect = false;
    rules.messageLabel = Explanation; // two lines there; a part would run under the board
    rules.showOnDraw = {QStringLiteral("Label4")};
    rules.showOnAnswer = {Explanation};
    rules.hideOnNext = {Explanation};
    rules.arrange = layOutParts;

    activity.labels = labels();

    ContentRules &content = activity.content;
    content.fields = {
        {QStringLiteral("segments"), FieldType::Texts, {Store::ItemBank, RecordWidth, 0}, Parts, 0, 0, {}, true},
        {QStringLiteral("key"), FieldType::Number, {Store::AnswerKey, 1, 0}, 1, 0, Parts - 1},
    };
    content.extraCheck = checkParts;
    return activity;
}
