#include "slotactivities.h"

#include "builtinrules.h"
#include "formregistry.h"
#include "slotbank.h"

namespace {

std::optional<SlotBank> parsePerson(const ContentDocument &document, ContentProblems &problems);
std::optional<SlotBank> parseNotemaking(const ContentDocument &document, ContentProblems &problems);

const std::vector<SlotActivity> Activities{
    {
        "person",
        "1st, 2nd, 3rd Person",
        "menu4",
        35,
        "0123",
        1, Slot::MaxWords,
        "Identify the words that are in the first, second or third person and drag them into the correct container.",
        21.75f,
        {{1080, 4800, 1875, 1935}, {4080, 4800, 1875, 1935}, {7080, 4800, 1875, 1935}},
        {{"1st Person", {1065, 6780, 1905, 435}},
         {"2nd Person", {4005, 6780, 2025, 435}},
         {"3rd Person", {7035, 6780, 1965, 435}}},
        {3240, 7440, 5535, 1215},
        &parsePerson,
    },
    {
        "notemaking",
        "Note Making",
        "menu3",
        90,
        "01",
        2, 3,
        "Identify two or three significant words in the sentence below and drag them into the note pad.",
        24.0f,
        // The note pad only. No key sends a word anywhere else, so no other box is shown
        // or takes a drop: a box the pupil cannot see never marks a word wrong.
        {{3960, 4800, 1995, 1935}},
        {{"Note Pad", {4065, 6780, 1785, 435}}},
        {3240, 7620, 5535, 975},
        &parseNotemaking,
    },
};

std::optional<SlotBank> parsePerson(const ContentDocument &document, ContentProblems &problems)
{
    return parseSlotBank(document, problems, Activities[0]);
}

std::optional<SlotBank> parseNotemaking(const ContentDocument &document, ContentProblems &problems)
{
    return parseSlotBank(document, problems, Activities[1]);
}

} // namespace

const std::vector<SlotActivity> &slotActivities()
{
    return Activities;
}

const SlotActivity *findSlotActivity(const QString &id)
{
    for (const SlotActivity &activity : Activities) {
        if (id == QLatin1String(activity.id))
            return &activity;
    }
    return nullptr;
}

void registerSlotActivities(AppContext &context)
{
    for (const SlotActivity &activity : Activities) {
        context.forms.registerForm(QString::fromLatin1(activity.id), [&context, &activity](FormRegistry &) {
            return std::make_unique<SlotScreen>(context, activity);
        });
    }
}

QList<ContentKind> slotContentKinds()
{
    QList<ContentKind> kinds;
    for (const SlotActivity &activity : Activities) {
        const SlotActivity *row = &activity;
        const QString id = QString::fromLatin1(activity.id);
        ContentKind kind = makeContentKind<SlotBank>(
            id,
            [row](const ContentDocument &document, ContentProblems &problems) { return row->parse(document, problems); },
            [row](const SlotBank &bank) { return dumpSlotBank(bank, *row); },
            [row](const SlotBank &bank) { return slotBankJson(bank, *row); },
            [id](const ContentDocument &document, ContentProblems &problems) { checkBuiltInRules(id, document, problems); });
        kinds.append(kind);
    }
    return kinds;
}
