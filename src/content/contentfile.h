#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class AssetResolver;

// One thing wrong with a content file, said so that a teacher editing it can find it:
// the file, the record (its index from 0 here; -1 for the file as a whole), the field and
// the reason. The field is the record's JSON field name; a problem with one element of a
// list field, or one digit of a key, names it with its index from 0, as "wrong[2]" or
// "key[4]". The reason is a sentence a teacher understands ("This option is the same as the
// right answer"). Every text a person reads counts records from 1, as the teacher's table
// does: a reason that names another record says "record 4" for index 3.
struct ContentProblem
{
    QString file;
    int record = -1;
    QString field;
    QString reason;

    // "file, record 4, field "prompt": reason", the record counted from 1.
    QString toString() const;
};

// A record's index as a person counts it (from 1).
inline int recordNumber(int index)
{
    return index + 1;
}

// What a field holds, in a teacher's words, for the reasons given about it: "answer" for
// "wrong" and "correct", "event" for "events", "sentence" for "shown" ...; "text" for a
// field it does not know. A list element ("titles[2]") is named as its list's element.
QString fieldNoun(const QString &field);

// The largest file read as a bank; anything larger is refused unread beyond this.
constexpr qint64 MaxBankBytes = 4 * 1024 * 1024;

using ContentProblems = QList<ContentProblem>;

// The bytes of a bank file, for every reader of one (the loaders, the checks, the teacher's
// editor): only a regular file (after following links), and at most MaxBankBytes + 1 bytes
// of it whatever its size claims, so a device, a pipe or a huge file is refused at once.
// Nothing is returned, and the reason noted, when it is refused or cannot be read.
std::optional<QByteArray> readBankBytes(const QString &path, ContentProblems &problems);

// An item bank file as read: {"activity": id, "title": ..., "records": [...]}.
struct ContentDocument
{
    QString path;
    QString activity;
    QString title;
    QJsonObject root;
    QJsonArray records;

    // Parses the file at path (read by readBankBytes); on any problem returns nothing and
    // says why.
    static std::optional<ContentDocument> read(const QString &path, ContentProblems &problems);
    static std::optional<ContentDocument> parse(const QByteArray &data, const QString &path,
                                                ContentProblems &problems);
};

// Reads the fields of one record, noting each problem instead of stopping at the first.
class RecordReader
{
public:
    RecordReader(const ContentDocument &document, int record, ContentProblems &problems);

    bool isObject() const { return m_isObject; }
    // A string field (trailing spaces kept); notes a problem when missing, not text, empty
    // (unless allowed) or holding a character the screen cannot show.
    QString text(const QString &field, bool allowEmpty = false);
    // An array of exactly count strings, or of minCount to maxCount; each element is held to
    // what text() holds a field to, and a problem with one is noted on that element.
    QStringList texts(const QString &field, int count, bool allowEmpty = false);
    QStringList textsBetween(const QString &field, int minCount, int maxCount, bool allowEmpty = false);
    // A whole number from min to max; in a list, a problem is noted on its element.
    int number(const QString &field, int min, int max);
    QList<int> numbers(const QString &field, int count, int min, int max);
    // One of the given words.
    QString choice(const QString &field, const QStringList &allowed);

    // Notes a problem found by the caller's own rule.
    void problem(const QString &field, const QString &reason);
    const QJsonObject &object() const { return m_object; }

private:
    void checkText(const QString &name, const QString &text, bool allowEmpty);

    const ContentDocument &m_document;
    int m_record;
    ContentProblems &m_problems;
    QJsonObject m_object;
    bool m_isObject = false;
};

// Checks that the bank holds from 2 records (a draw needs another record to move on to) to
// capacity (what the engine's shared banks hold); notes a problem otherwise.
bool expectRecordRange(const ContentDocument &document, int capacity, ContentProblems &problems);
constexpr int MinimumRecords = 2;

// Finds and reads an activity's bank: "content\<id>.json" in the user's own data folder,
// the working folder, beside the program, then the copy built in. A copy that cannot be
// read or fails the parser's checks is reported and the next one is tried, so a bad edit
// never leaves an activity half-loaded. Returns nothing only when no copy passes.
template<typename Bank>
using BankParser = std::optional<Bank> (*)(const ContentDocument &, ContentProblems &);

QStringList contentCandidates(const AssetResolver &assets, const QString &activity);

// The same for any reading of a copy: parse(document, problems) returns an optional; the
// first copy it returns a value for with no problem noted is the one used.
template<typename Parse>
auto loadFirstPassing(const AssetResolver &assets, const QString &activity, Parse parse, ContentProblems &problems)
    -> decltype(parse(std::declval<const ContentDocument &>(), problems))
{
    for (const QString &path : contentCandidates(assets, activity)) {
        ContentProblems found;
        if (auto document = ContentDocument::read(path, found)) {
            if (auto bank = parse(*document, found); bank && found.isEmpty())
                return bank;
        }
        problems += found;
    }
    return std::nullopt;
}

template<typename Bank>
std::optional<Bank> loadBank(const AssetResolver &assets, const QString &activity,
                             BankParser<Bank> parse, ContentProblems &problems)
{
    return loadFirstPassing(assets, activity, parse, problems);
}

// Reports problems on the program's log (a teacher's edit that was set aside).
void reportContentProblems(const ContentProblems &problems);
