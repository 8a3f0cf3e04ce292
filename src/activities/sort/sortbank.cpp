#include "sortbank.h"

#include "sharedstate.h"
#include "sortactivities.h"
#include "sortactivity.h"

#include <QTextStream>

#include <memory>

namespace {

// The texts of a set as a teacher would read them in a message.
QString quoted(const QStringList &texts)
{
    QStringList parts;
    for (const QString &text : texts)
        parts << QLatin1Char('"') + text + QLatin1Char('"');
    return parts.join(QStringLiteral(", "));
}

const SortActivity &rowFor(const char *id)
{
    const SortActivity *activity = sortActivity(QString::fromLatin1(id));
    Q_ASSERT(activity);
    return *activity;
}

// The checks every bank starts with: the right activity, room in the shared banks and the
// record count. Returns false when the records cannot be read one by one.
bool checkDocument(const ContentDocument &document, const SortActivity &activity, ContentProblems &problems)
{
    if (document.activity != QLatin1String(activity.id))
        problems.append({document.path, -1, QStringLiteral("activity"),
                         QStringLiteral("must be \"%1\"").arg(QLatin1String(activity.id))});
    if (!sortBankFits(activity))
        problems.append({document.path, -1, QStringLiteral("records"),
                         QStringLiteral("do not fit the program's shared banks")});
    return expectRecordCount(document, activity.setCount, problems);
}

// Notes a text that a set holds twice (ignoring case: two phrases that read the same
// cannot be told apart on the board).
void requireDistinct(RecordReader &reader, const QString &field, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i) {
        for (int j = i + 1; j < texts.size(); ++j) {
            if (texts[i].compare(texts[j], Qt::CaseInsensitive) == 0 && !texts[i].isEmpty())
                reader.problem(field, QStringLiteral("holds \"%1\" twice").arg(texts[i]));
        }
    }
}

void requireExample(RecordReader &reader, const QString &field, const QStringList &actual,
                    const QStringList &example)
{
    if (actual != example)
        reader.problem(field, QStringLiteral("must be the example set word for word: %1").arg(quoted(example)));
}

void requireExampleKeys(RecordReader &reader, const QString &field, const QList<int> &actual,
                        const QList<int> &example)
{
    if (actual != example) {
        QStringList numbers;
        for (int key : example)
            numbers << QString::number(key);
        reader.problem(field, QStringLiteral("must be %1 in the example set").arg(numbers.join(QStringLiteral(" and "))));
    }
}

std::optional<SortBank> finish(SortBank bank, const ContentProblems &problems, qsizetype problemsBefore)
{
    if (problems.size() != problemsBefore)
        return std::nullopt;
    return bank;
}

QString removeTrailingSpaces(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

} // namespace

std::optional<SortBank> parseChronological(const ContentDocument &document, ContentProblems &problems)
{
    const SortActivity &activity = rowFor("chronological");
    const qsizetype before = problems.size();
    if (!checkDocument(document, activity, problems))
        return std::nullopt;
    const QString events = QStringLiteral("events");
    SortBank bank;
    for (int s = 0; s < activity.setCount; ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        set.phrases = reader.texts(events, activity.phraseCount);
        requireDistinct(reader, events, set.phrases);
        if (s == 0) {
            requireExample(reader, events, set.phrases,
                           {QStringLiteral("I caught the 8 o’clock bus."), QStringLiteral("My friends were already on it."),
                            QStringLiteral("After nine stops we got off."), QStringLiteral("We dawdled into school.")});
        }
        bank.sets << set;
    }
    return finish(bank, problems, before);
}

std::optional<SortBank> parseGenre(const ContentDocument &document, ContentProblems &problems)
{
    const SortActivity &activity = rowFor("genre");
    const qsizetype before = problems.size();
    if (!checkDocument(document, activity, problems))
        return std::nullopt;
    const QStringList genres = {
        QStringLiteral("ADVENTURE"), QStringLiteral("ANIMALS"), QStringLiteral("BIOGRAPHY"), QStringLiteral("CRIME"),
        QStringLiteral("D.I.Y."), QStringLiteral("DRAMA"), QStringLiteral("ENTERTAINMENT"), QStringLiteral("HOBBIES"),
        QStringLiteral("NON-FICTION"), QStringLiteral("ROMANCE"), QStringLiteral("SCI-FI"), QStringLiteral("SPORT"),
        QStringLiteral("TECHNOLOGY"), QStringLiteral("TRAVEL")};
    // One heading of the second set carries ten trailing spaces, as designed; headings are
    // only shown, so the spaces change nothing but must not creep in anywhere else.
    const QString spacedAdventure = QStringLiteral("ADVENTURE") + QString(10, QLatin1Char(' '));
    const QString headings = QStringLiteral("headings");
    const QString titles = QStringLiteral("titles");
    SortBank bank;
    for (int s = 0; s < activity.setCount; ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        set.heads = reader.texts(headings, activity.headCount);
        set.phrases = reader.texts(titles, activity.phraseCount);
        QStringList plainHeadings;
        for (const QString &heading : set.heads) {
            const bool allowed = genres.contains(heading) || (s == 1 && heading == spacedAdventure);
            if (!allowed)
                reader.problem(headings, QStringLiteral("\"%1\" is not one of: %2").arg(heading, genres.join(QStringLiteral(", "))));
            plainHeadings << removeTrailingSpaces(heading);
        }
        requireDistinct(reader, headings, plainHeadings);
        requireDistinct(reader, titles, set.phrases);
        if (s == 0) {
            requireExample(reader, headings, set.heads,
                           {QStringLiteral("CRIME"), QStringLiteral("HOBBIES"), QStringLiteral("ADVENTURE")});
            requireExample(reader, titles, set.phrases,
                           {QStringLiteral("The Detectives"), QStringLiteral("Stamp Collecting"), QStringLiteral("The Broken Raft")});
        }
        if (s == 1 && reader.isObject() && !set.heads.contains(spacedAdventure))
            reader.problem(headings, QStringLiteral("must hold \"ADVENTURE\" followed by ten spaces"));
        bank.sets << set;
    }
    return finish(bank, problems, before);
}

std::optional<SortBank> parseCv(const ContentDocument &document, ContentProblems &problems)
{
    const SortActivity &activity = rowFor("cv");
    const qsizetype before = problems.size();
    if (!checkDocument(document, activity, problems))
        return std::nullopt;
    const QStringList headings = {QStringLiteral("Date of Birth"), QStringLiteral("Spare time"),
                                  QStringLiteral("Interests"), QStringLiteral("Education")};
    const QString gap(5, QLatin1Char(' '));
    const QString entries = QStringLiteral("entries");
    const QString unsuitable = QStringLiteral("unsuitable");
    SortBank bank;
    for (int s = 0; s < activity.setCount; ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        set.phrases = reader.texts(entries, activity.phraseCount);
        for (int i = 0; i < set.phrases.size(); ++i) {
            // Each statement is its heading, a colon, five spaces and the entry itself.
            const QString prefix = headings[i] + QLatin1Char(':') + gap;
            const QString &entry = set.phrases[i];
            if (!entry.startsWith(prefix) || entry.size() == prefix.size() || entry.at(prefix.size()).isSpace())
                reader.problem(entries, QStringLiteral("statement %1 must be \"%2\" and the entry").arg(i + 1).arg(prefix));
        }
        set.keys = {reader.number(unsuitable, 0, activity.phraseCount - 1)};
        if (s == 0) {
            requireExample(reader, entries, set.phrases,
                           {QStringLiteral("Date of Birth:     Tuesday 18th"), QStringLiteral("Spare time:     Walk guide dog puppies."),
                            QStringLiteral("Interests:     St.John Ambulance cadets."), QStringLiteral("Education:     5 GCSE ‘A’ grades.")});
            requireExampleKeys(reader, unsuitable, set.keys, {0});
        }
        if (s == 1) {
            if (set.phrases.value(3) != QStringLiteral("Education:     Like school"))
                reader.problem(entries, QStringLiteral("statement 4 must be \"Education:     Like school\" in the example set"));
            requireExampleKeys(reader, unsuitable, set.keys, {3});
        }
        bank.sets << set;
    }
    return finish(bank, problems, before);
}

std::optional<SortBank> parseSimilarity(const ContentDocument &document, ContentProblems &problems)
{
    const SortActivity &activity = rowFor("similarity");
    const qsizetype before = problems.size();
    if (!checkDocument(document, activity, problems))
        return std::nullopt;
    const int oddOnes = activity.placedToComplete;
    const int related = activity.phraseCount - oddOnes;
    const QString theme = QStringLiteral("theme");
    const QString relatedField = QStringLiteral("related");
    const QString unrelatedField = QStringLiteral("unrelated");
    SortBank bank;
    for (int s = 0; s < activity.setCount; ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        set.heads = {reader.text(theme)};
        if (set.heads.first() != set.heads.first().toUpper())
            reader.problem(theme, QStringLiteral("must be in capitals"));
        const QStringList near = reader.texts(relatedField, related);
        const QStringList odd = reader.texts(unrelatedField, oddOnes);
        set.phrases = near + odd;
        requireDistinct(reader, relatedField, near);
        requireDistinct(reader, unrelatedField, odd);
        for (const QString &word : odd) {
            if (near.contains(word, Qt::CaseInsensitive))
                reader.problem(unrelatedField, QStringLiteral("\"%1\" is also one of the related words").arg(word));
        }
        if (s == 0) {
            requireExample(reader, theme, set.heads, {QStringLiteral("ADJECTIVE")});
            requireExample(reader, relatedField, near,
                           {QStringLiteral("old"), QStringLiteral("glamorous"), QStringLiteral("weird"), QStringLiteral("new")});
            requireExample(reader, unrelatedField, odd, {QStringLiteral("them"), QStringLiteral("my"), QStringLiteral("verb")});
        }
        if (s == 1) {
            requireExample(reader, theme, set.heads, {QStringLiteral("AUTHOR")});
            requireExample(reader, relatedField, near,
                           {QStringLiteral("writer"), QStringLiteral("novelist"), QStringLiteral("poet"), QStringLiteral("biographer")});
            requireExample(reader, unrelatedField, odd, {QStringLiteral("grey"), QStringLiteral("leg"), QStringLiteral("out")});
        }
        bank.sets << set;
    }
    return finish(bank, problems, before);
}

std::optional<SortBank> parseKey2(const ContentDocument &document, ContentProblems &problems)
{
    const SortActivity &activity = rowFor("key2");
    const qsizetype before = problems.size();
    if (!checkDocument(document, activity, problems))
        return std::nullopt;
    const QString fragments = QStringLiteral("fragments");
    const QString key = QStringLiteral("key");
    SortBank bank;
    for (int s = 0; s < activity.setCount; ++s) {
        RecordReader reader(document, s, problems);
        SortSet set;
        set.phrases = reader.textsBetween(fragments, 3, activity.phraseCount);
        requireDistinct(reader, fragments, set.phrases);
        set.keys = reader.numbers(key, activity.placedToComplete, 0, activity.phraseCount - 1);
        if (set.keys.size() == 2 && set.keys[0] == set.keys[1])
            reader.problem(key, QStringLiteral("must name two different fragments"));
        for (int k : set.keys) {
            if (!set.phrases.isEmpty() && k >= set.phrases.size())
                reader.problem(key, QStringLiteral("names fragment %1, but the sentence has %2").arg(k).arg(set.phrases.size()));
        }
        if (s == 0) {
            requireExample(reader, fragments, set.phrases,
                           {QStringLiteral("I sat"), QStringLiteral("the maths exam"), QStringLiteral("in the hall"),
                            QStringLiteral("with my class and"), QStringLiteral("I passed.")});
            requireExampleKeys(reader, key, set.keys, {1, 4});
        }
        if (s == 1) {
            requireExample(reader, fragments, set.phrases,
                           {QStringLiteral("Dog tired"), QStringLiteral("means being"), QStringLiteral("completely exhausted.")});
            requireExampleKeys(reader, key, set.keys, {0, 2});
        }
        bank.sets << set;
    }
    return finish(bank, problems, before);
}

bool sortBankFits(const SortActivity &activity)
{
    using State = SharedState;
    const int keys = activity.keysPerSet * activity.setCount;
    if (keys > decltype(State::AnswerKey)::size())
        return false;
    if (activity.layout == SortBankLayout::Records)
        return activity.headCount + activity.phraseCount == activity.recordWidth
            && activity.recordWidth * activity.setCount <= decltype(State::ItemBank)::size();
    // One phrase per parallel bank; the smallest of them bounds the sets.
    return activity.phraseCount <= ParallelBankCount && activity.setCount <= decltype(State::KeyBankA)::size();
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
        out << "\nset " << s << '\n';
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
