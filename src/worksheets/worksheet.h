#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class AssetResolver;
struct ContentDocument;

// A printable worksheet for one activity: the items of its bank in a form fit for paper,
// and what the answer sheet marks on each. Built from the bank the activity itself would
// use (a teacher's own file that passes every check, otherwise the built-in copy); all
// bank text is kept as plain text and is only ever drawn as such.

// A line of an item's own text, as the screen shows it.
struct SheetLine
{
    QString text;
    bool right = false; // set flush right (a poet's name under the line)
};

struct SheetItem
{
    enum class Kind {
        Circle,    // choices to circle: lettered (a), (b), (c) ... or, unlettered, the words themselves
        Accuracy,  // a line for the corrected sentence and a box for the number of errors
        Number,    // phrases to number in order
        Match,     // phrases to join to headings
        WordBoxes, // the sentence with a box under every word
    };
    Kind kind = Kind::Circle;
    QList<SheetLine> lines; // the item's text
    QStringList choices;    // Circle: the options; Number, Match: the phrases; WordBoxes: the words
    bool lettered = true;   // Circle: options lettered (a), (b), (c) ...
    QList<int> right;       // Circle: the right options
    QStringList headings;   // Match: the headings, in the order printed
    // Number: each phrase's place in the right order (from 1); Match: each phrase's heading
    // (index into headings); WordBoxes: each word's group (0: none, 1 ...).
    QList<int> marks;
    int count = 0;          // Accuracy: the number of errors
    QString answer;         // the answer as one line of text, printed on the answer sheet only
};

struct Worksheet
{
    QString activity;        // its id ("openings")
    QString title;           // as the menus name it
    QStringList instruction; // what the pupils are asked, in words for paper
    QString onPaper;         // how to answer on paper
    QStringList groups;      // WordBoxes: the group each number stands for (1 = groups[0])
    int bankSize = 0;        // records in the bank the items came from
    quint32 seed = 0;
    QString bankPath;        // the file the items came from
    QList<SheetItem> items;
};

// An option's letter as sheets print it, "(a)", "(b)" ...: never read as a word, even
// before an option that starts with "a".
QString worksheetOptionLetter(int index);

// The activities a worksheet can be made for: ids, and titles in the same order.
QStringList worksheetActivities();
QString worksheetActivityTitle(const QString &activity);

// The bank the activity would use: the first candidate copy that passes every check of
// the activity. Nothing (and *error says why) for an unknown activity or when no copy passes.
std::optional<ContentDocument> worksheetBank(const AssetResolver &assets, const QString &activity, QString *error);

// A worksheet of `count` items of the bank (0: all of them, in bank order). Fewer than
// all are drawn at random from `seed`, and any shuffled options are shuffled from it too,
// so one seed always gives the same sheet. Nothing (and *error says why) for an unknown
// activity, a bank that does not pass, or a count outside 1 to the bank's size.
std::optional<Worksheet> buildWorksheet(const AssetResolver &assets, const QString &activity, int count,
                                        quint32 seed, QString *error);
// The same from a bank already read and checked.
std::optional<Worksheet> buildWorksheet(const ContentDocument &bank, int count, quint32 seed, QString *error);
