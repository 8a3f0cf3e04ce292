#include "slotbank.h"

#include "sharedstate.h"
#include "slotengine.h"
#include "textfit.h"

#include <QJsonArray>

#include <QHash>

namespace {

// The banks a drag-to-slot activity writes, one record per index.
constexpr int BankCapacity = std::min({decltype(SharedState::ItemBank)::size(), decltype(SharedState::TextBank)::size(),
                                       decltype(SharedState::WordBank)::size()});

void checkSentence(RecordReader &reader, const QString &sentence)
{
    const QString field = QStringLiteral("sentence");
    if (sentence.trimmed().isEmpty())
        return; // reported as empty by the reader
    if (!sentence.endsWith(QLatin1Char(' ')))
        reader.problem(field, QStringLiteral("This sentence must end with one space"));
    if (sentence.startsWith(QLatin1Char(' ')))
        reader.problem(field, QStringLiteral("This sentence must not start with a space"));
    if (sentence.contains(QLatin1String("  ")))
        reader.problem(field, QStringLiteral("This sentence must have one space between words, and one at the end"));
    for (const QChar c : sentence) {
        if (c.isSpace() && c != QLatin1Char(' ') && c.category() != QChar::Other_Control) {
            reader.problem(field, QStringLiteral("This sentence must separate its words with plain spaces"));
            break;
        }
    }
}

// "0, 1, 2 or 3"
QString listOfDigits(const QString &digits)
{
    QStringList each;
    for (const QChar c : digits)
        each << QString(c);
    const QString last = each.takeLast();
    return each.isEmpty() ? last : each.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// One problem per digit, on that digit ("key[4]"), so the teacher's table marks the one
// cell that is wrong: a digit the activity does not use, a word with no digit (a blank in
// the key, or a key shorter than the sentence), a digit with no word.
void checkKey(RecordReader &reader, const QString &key, int words, const SlotActivity &activity)
{
    const QString field = QStringLiteral("key");
    const QString digits = QString::fromLatin1(activity.keyDigits);
    int placed = 0;
    bool complete = true;
    for (int i = 0; i < std::max(words, int(key.size())); ++i) {
        const QString digit = QStringLiteral("%1[%2]").arg(field).arg(i);
        const QChar c = i < key.size() ? key.at(i) : QChar(u' ');
        if (i >= words) {
            reader.problem(digit, QStringLiteral("This digit has no word: the sentence has %1 words").arg(words));
            complete = false;
        } else if (c.isSpace()) {
            reader.problem(digit, QStringLiteral("Choose a box for this word (%1)").arg(listOfDigits(digits)));
            complete = false;
        } else if (!digits.contains(c)) {
            reader.problem(digit, QStringLiteral("This digit must be %1").arg(listOfDigits(digits)));
            complete = false;
        } else if (c != QLatin1Char('0')) {
            ++placed;
        }
    }
    if (complete && (placed < activity.minPlaced || placed > activity.maxPlaced)) {
        reader.problem(field, QStringLiteral("This key sends %1 words to a box; a sentence needs %2 to %3")
                                  .arg(placed).arg(activity.minPlaced).arg(activity.maxPlaced));
    }
}

} // namespace

QStringList sentenceWords(const QString &sentence)
{
    QStringList words = sentence.split(QLatin1Char(' '));
    words.removeLast(); // after the last space: never taken
    return words;
}

int keyDigit(const QString &key, int index)
{
    if (index < 0 || index >= key.size())
        return 0;
    const QChar c = key.at(index);
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : 0;
}

std::optional<SlotBank> parseSlotBank(const ContentDocument &document, ContentProblems &problems,
                                      const SlotActivity &activity)
{
    const qsizetype before = problems.size();
    const QString id = QString::fromLatin1(activity.id);
    if (document.activity != id) {
        problems.append({document.path, -1, QStringLiteral("activity"),
                         QStringLiteral("must be \"%1\", not \"%2\"").arg(id, document.activity)});
    }
    if (!expectRecordRange(document, BankCapacity, problems))
        return std::nullopt;

    SlotBank bank;
    QHash<QString, int> seen;
    for (int r = 0; r < document.records.size(); ++r) {
        RecordReader reader(document, r, problems);
        if (!reader.isObject())
            continue;
        const QString sentence = reader.text(QStringLiteral("sentence"));
        // An empty key is reported digit by digit, as the words that need one.
        const QString key = reader.text(QStringLiteral("key"), true);
        checkSentence(reader, sentence);
        // The words as the teacher wrote them (a missing end space is reported above, and
        // must not also move every key digit's problem).
        const int words = int(sentence.split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
        if (words > Slot::MaxWords)
            reader.problem(QStringLiteral("sentence"), tooLongReason(QStringLiteral("sentence"), words - Slot::MaxWords));
        if (words > 0) // an empty sentence is reported as such, not as a key with no words
            checkKey(reader, key, words, activity);
        if (const auto earlier = seen.constFind(sentence); earlier != seen.constEnd())
            reader.problem(QStringLiteral("sentence"), QStringLiteral("This sentence is the same as record %1").arg(recordNumber(*earlier)));
        else
            seen.insert(sentence, r);
        bank.records.append({sentence, key});
    }
    if (problems.size() != before)
        return std::nullopt;
    return bank;
}

void storeSlotBank(const SlotBank &bank, SharedState &state)
{
    for (int r = 0; r < bank.records.size(); ++r) {
        state.ItemBank[r] = bank.records[r].sentence;
        state.TextBank[r] = bank.records[r].sentence;
        state.WordBank[r] = bank.records[r].key;
    }
}

QString dumpSlotBank(const SlotBank &bank, const SlotActivity &activity)
{
    QString out = QStringLiteral("%1: %2 records\n").arg(QString::fromUtf8(activity.caption)).arg(bank.records.size());
    for (int r = 0; r < bank.records.size(); ++r) {
        const SlotRecord &record = bank.records[r];
        out += QStringLiteral("%1  \"%2\"  %3\n").arg(recordNumber(r), 3).arg(record.sentence, record.key);
        const QStringList words = sentenceWords(record.sentence);
        QStringList boxes;
        for (int j = 0; j < Slot::BoxCount; ++j) {
            QStringList expected;
            for (int i = 0; i < words.size(); ++i) {
                if (keyDigit(record.key, i) == j + 1)
                    expected << words[i];
            }
            if (expected.isEmpty())
                continue;
            const QString name = std::size_t(j) < activity.headings.size()
                ? QString::fromUtf8(activity.headings[std::size_t(j)].caption)
                : QStringLiteral("box %1").arg(j);
            boxes << name + QStringLiteral(": ") + expected.join(QLatin1Char(' '));
        }
        out += QStringLiteral("     ") + boxes.join(QStringLiteral("   ")) + QLatin1Char('\n');
    }
    return out;
}

QJsonObject slotBankJson(const SlotBank &bank, const SlotActivity &activity)
{
    QJsonArray records;
    for (int r = 0; r < bank.records.size(); ++r) {
        const SlotRecord &record = bank.records[r];
        records.append(QJsonObject{{QStringLiteral("ItemBank(%1)").arg(r), record.sentence},
                                   {QStringLiteral("TextBank(%1)").arg(r), record.sentence},
                                   {QStringLiteral("WordBank(%1)").arg(r), record.key}});
    }
    return {{QStringLiteral("activity"), QLatin1String(activity.id)}, {QStringLiteral("records"), records}};
}
