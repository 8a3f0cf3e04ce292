#include "sortbank.h"

#include "sharedstate.h"
#include "sortactivities.h"
#include "sortactivity.h"
#include "textfit.h"

#include <QJsonArray>
#include <QTextStream>

#include <memory>

namespace {

const SortActivity &rowFor(const char *id)
{
    const SortActivity *activity = sortActivity(QString::fromLatin1(id));
    Q_ASSERT(activity);
    return *activity;
}

QString removeTrailingSpaces(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// A text of a set with the name a problem gives it ("titles[2]", "theme").
struct Named
{
    QString field;
    QString text;
};

// Notes a text that a set holds twice (ignoring case and spaces at the end: two texts that
// read the same cannot be told apart on the board), on the later one.
void requireDistinct(RecordReader &reader, const QList<Named> &texts)
{
    for (int i = 0; i < texts.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            const QString a = removeTrailingSpaces(texts[i].text);
            if (!a.isEmpty() && a.compare(removeTrailingSpaces(texts[j].text), Qt::CaseInsensitive) == 0) {
                reader.problem(texts[i].field, QStringLiteral("This %1 is the same as \"%2\" in this record")
                                                   .arg(fieldNoun(texts[i].field), texts[j].text));
                break;
            }
        }
    }
}

QList<Named> named(const QString &field, const QStringList &texts, bool list)
{
    QList<Named> result;
    for (int i = 0; i < texts.size(); ++i)
        result.append({list ? QStringLiteral("%1[%2]").arg(field).arg(i) : field, texts[i]});
    return result;
}

// The box and face a text is shown in, as the screen designs it.
TextBox boxOf(const SortText &text)
{
    return {text.font, text.box.width, text.box.height, 0, true};
}

// Text that does not fit its box on screen whole at the smallest size a class can read
// (each phrase and heading is set on its own, so its own box is what it must fit).
void requireFit(RecordReader &reader, const TextMeasurer *measurer, const TextBox &box, const Named &text,
                const QString &prefix = {})
{
    if (!measurer || text.text.isEmpty())
        return;
    if (const int over = wordsTooMany(*measurer, box, prefix + text.text))
        reader.problem(text.field, tooLongReason(fieldNoun(text.field), over));
}

} // namespace

int sortBankCapacity(const SortActivity &activity)
{
    using State = SharedState;
    int capacity = activity.layout == SortBankLayout::Records
        ? int(decltype(State::ItemBank)::size()) / std::max(1, activity.recordWidth)
        : int(decltype(State::KeyBankA)::size());
    if (activity.keysPerSet > 0)
        capacity = std::min(capacity, int(decltype(State::AnswerKey)::size()) / activity.keysPerSet);
    return capacity;
}

std::optional<SortBank> parseSortBank(const SortActivity &activity, const ContentDocument &document,
                                      ContentProblems &problems)
{
    const qsizetype before = problems.size();
    if (document.activity != QLatin1String(activity.id))
        problems.append({document.path, -1, QStringLiteral("activity"),
                         QStringLiteral("must be \"%1\"").arg(QLatin1String(activity.id))});
    if (!expectRecordRange(document, sortBankCapacity(activity), problems))
        return std::nullopt;
    const TextMeasurer *measurer = screenTextMeasurer();
    const TextBox phraseBox{activity.phraseFont, activity.phrases.front().width, activity.phrases.front().height,
                            BorderTwips + SortPhrasePadding, true};
    SortBank bank;
    for (int s = 0; s < document.records.size(); ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        QList<Named> heads, phrases;
        QList<std::pair<QString, int>> keys;
        for (const SortField &field : activity.fields) {
            const QString name = QString::fromLatin1(field.name);
            if (field.part == SortPart::Keys) {
                // A key names one of this record's phrases (counted from 0), so the range
                // said is the one this record accepts.
                const int last = int(set.phrases.isEmpty() ? activity.phraseCount : set.phrases.size()) - 1;
                const QList<int> values = field.list ? reader.numbers(name, field.maxCount, 0, last)
                                                     : QList<int>{reader.number(name, 0, last)};
                for (int i = 0; i < values.size(); ++i)
                    keys.append({field.list ? QStringLiteral("%1[%2]").arg(name).arg(i) : name, values[i]});
                set.keys += values;
                continue;
            }
            const QStringList texts = field.list ? reader.textsBetween(name, field.minCount, field.maxCount)
                                                 : QStringList{reader.text(name)};
            if (field.part == SortPart::Heads) {
                heads += named(name, texts, field.list);
                set.heads += texts;
            } else {
                phrases += named(name, texts, field.list);
                set.phrases += texts;
            }
        }
        if (!reader.isObject()) {
            bank.sets << set;
            continue;
        }
        requireDistinct(reader, heads);
        requireDistinct(reader, phrases);
        for (int i = 0; i < keys.size(); ++i) {
            for (int j = 0; j < i; ++j) {
                if (keys[j].second == keys[i].second)
                    reader.problem(keys[i].first, QStringLiteral("The keys must name different texts"));
            }
        }
        for (const Named &phrase : phrases)
            requireFit(reader, measurer, phraseBox, phrase);
        for (int i = 0; i < heads.size(); ++i) {
            if (activity.heading == SortHeading::SlotCaptions && std::size_t(i) < activity.captions.size())
                requireFit(reader, measurer, boxOf(activity.captions[std::size_t(i)]), heads[i]);
            else if (activity.heading == SortHeading::Theme && activity.theme)
                requireFit(reader, measurer, boxOf(*activity.theme), heads[i], QStringLiteral("THEME: "));
        }
        bank.sets << set;
    }
    if (problems.size() != before)
        return std::nullopt;
    return bank;
}

std::optional<SortBank> parseChronological(const ContentDocument &document, ContentProblems &problems)
{
    return parseSortBank(rowFor("chronological"), document, problems);
}

std::optional<SortBank> parseGenre(const ContentDocument &document, ContentProblems &problems)
{
    return parseSortBank(rowFor("genre"), document, problems);
}

std::optional<SortBank> parseCv(const ContentDocument &document, ContentProblems &problems)
{
    return parseSortBank(rowFor("cv"), document, problems);
}

std::optional<SortBank> parseSimilarity(const ContentDocument &document, ContentProblems &problems)
{
    return parseSortBank(rowFor("similarity"), document, problems);
}

std::optional<SortBank> parseKey2(const ContentDocument &document, ContentProblems &problems)
{
    return parseSortBank(rowFor("key2"), document, problems);
}

bool sortBankFits(const SortActivity &activity)
{
    if (activity.layout == SortBankLayout::Records && activity.headCount + activity.phraseCount != activity.recordWidth)
        return false;
    if (activity.layout == SortBankLayout::ParallelBanks && activity.phraseCount > ParallelBankCount)
        return false;
    return activity.setCount <= sortBankCapacity(activity);
}

QString parallelPhrase(const SharedState &state, int bank, int set)
{
    switch (bank) {
    case 0:
        return state.ItemBank[set];
    case 1:
        return state.TextBank[set];
    case 2:
        return state.WordBank[set];
    case 3:
        return state.KeyBankA[set];
    case 4:
        return state.KeyBankB[set];
    }
    return {};
}

namespace {

QString &parallelSlot(SharedState &state, int bank, int set)
{
    switch (bank) {
    case 0:
        return state.ItemBank[set];
    case 1:
        return state.TextBank[set];
    case 2:
        return state.WordBank[set];
    case 3:
        return state.KeyBankA[set];
    default:
        return state.KeyBankB[set];
    }
}

const char *const ParallelBankNames[ParallelBankCount] = {"ItemBank", "TextBank", "WordBank", "KeyBankA", "KeyBankB"};

} // namespace

void storeSortBank(const SortActivity &activity, const SortBank &bank, SharedState &state)
{
    for (int s = 0; s < int(bank.sets.size()); ++s) {
        const SortSet &set = bank.sets[s];
        if (activity.layout == SortBankLayout::Records) {
            const QStringList strings = set.heads + set.phrases;
            for (int k = 0; k < activity.recordWidth; ++k)
                state.ItemBank[activity.recordWidth * s + k] = strings.value(k);
        } else {
            for (int k = 0; k < activity.phraseCount; ++k)
                parallelSlot(state, k, s) = set.phrases.value(k);
        }
        for (int j = 0; j < activity.keysPerSet; ++j)
            state.AnswerKey[activity.keysPerSet * s + j] = set.keys.value(j);
    }
}

QString dumpSortBank(const SortActivity &activity, const SortBank &bank)
{
    // Written into a scratch copy of the shared banks and read back, so the dump shows
    // exactly what the screen will read.
    auto state = std::make_unique<SharedState>();
    storeSortBank(activity, bank, *state);
    QString text;
    QTextStream out(&text);
    const auto line = [&out](const char *name, int index, const QString &value) {
        out << name << '(' << index << ") = \"" << value << "\"\n";
    };
    out << activity.id << ": " << bank.sets.size() << " sets\n";
    for (int s = 0; s < int(bank.sets.size()); ++s) {
        out << "\nset " << recordNumber(s) << '\n';
        if (activity.layout == SortBankLayout::Records) {
            for (int k = 0; k < activity.recordWidth; ++k)
                line("ItemBank", activity.recordWidth * s + k, state->ItemBank[activity.recordWidth * s + k]);
        } else {
            for (int k = 0; k < activity.phraseCount; ++k)
                line(ParallelBankNames[k], s, parallelPhrase(*state, k, s));
        }
        for (int j = 0; j < activity.keysPerSet; ++j) {
            const int index = activity.keysPerSet * s + j;
            out << "AnswerKey(" << index << ") = " << state->AnswerKey[index].toInt() << '\n';
        }
    }
    return text;
}

QJsonObject sortBankJson(const SortActivity &activity, const SortBank &bank)
{
    // Through a scratch copy of the shared banks, as dumpSortBank.
    auto state = std::make_unique<SharedState>();
    storeSortBank(activity, bank, *state);
    QJsonArray records;
    for (int s = 0; s < int(bank.sets.size()); ++s) {
        QJsonObject shown;
        if (activity.layout == SortBankLayout::Records) {
            for (int k = 0; k < activity.recordWidth; ++k) {
                const int index = activity.recordWidth * s + k;
                shown.insert(QStringLiteral("ItemBank(%1)").arg(index), state->ItemBank[index]);
            }
        } else {
            for (int k = 0; k < activity.phraseCount; ++k)
                shown.insert(QStringLiteral("%1(%2)").arg(QLatin1String(ParallelBankNames[k])).arg(s), parallelPhrase(*state, k, s));
        }
        for (int j = 0; j < activity.keysPerSet; ++j) {
            const int index = activity.keysPerSet * s + j;
            shown.insert(QStringLiteral("AnswerKey(%1)").arg(index), state->AnswerKey[index].toInt());
        }
        records.append(shown);
    }
    return {{QStringLiteral("activity"), QLatin1String(activity.id)}, {QStringLiteral("records"), records}};
}
