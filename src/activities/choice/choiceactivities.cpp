#include "choiceactivities.h"

#include "appcontext.h"
#include "attention.h"
#include "choicebank.h"
#include "choicescreen.h"
#include "formregistry.h"
#include "openingsfamily.h"
#include "questionnairefamily.h"
#include "similesfamily.h"

const QList<ChoiceActivity> &choiceActivities()
{
    // Each family adds its rows here.
    static const QList<ChoiceActivity> all = [] {
        QList<ChoiceActivity> rows = openingsFamily();
        rows += similesFamily();
        rows += questionnaireFamily();
        rows << attentionActivity();
        return rows;
    }();
    return all;
}

const ChoiceActivity *choiceActivity(const QString &id)
{
    for (const ChoiceActivity &activity : choiceActivities()) {
        if (activity.id == id)
            return &activity;
    }
    return nullptr;
}

void registerChoiceActivities(AppContext &context)
{
    for (const ChoiceActivity &activity : choiceActivities()) {
        context.forms.registerForm(activity.id, [&context, &activity](FormRegistry &) {
            return std::make_unique<ChoiceScreen>(context, activity);
        });
    }
}

QList<ContentKind> choiceContentKinds()
{
    QList<ContentKind> kinds;
    for (const ChoiceActivity &activity : choiceActivities()) {
        const ChoiceActivity *row = &activity;
        kinds.append(makeContentKind<BankImage>(
            activity.id,
            [row](const ContentDocument &document, ContentProblems &problems) {
                return parseChoiceBank(*row, document, problems);
            },
            [row](const BankImage &bank) { return bank.toJson(row->id); },
            [row](const BankImage &bank) { return choiceBankJson(*row, bank); },
            [row](const ContentDocument &document, ContentProblems &problems) {
                checkChoiceBuiltInRules(*row, document, problems);
            }));
    }
    return kinds;
}
