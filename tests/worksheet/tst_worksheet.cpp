#include "assetresolver.h"
#include "contentfile.h"
#include "fonts.h"
#include "teachercontent.h"
#include "worksheet.h"
#include "worksheetpdf.h"
#include "worksheetspage.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

// Worksheets are checked as a teacher would see them: each PDF is read back with
// pdfinfo, pdftotext and pdftoppm.

namespace {

struct Run
{
    int status = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

// Text as compared with pdftotext's: white space as single spaces, no hyphens (a line
// broken after a hyphen comes back joined without it), and ligatures as their letters.
QString flat(const QString &text)
{
    return text.normalized(QString::NormalizationForm_KC).simplified().remove(QLatin1Char('-'));
}

struct Pdf
{
    int pages = 0;
    QString size;  // "595.276 x 841.89" and so on, in points
    QString text;  // flat, page after page
    QList<qsizetype> pageStarts; // where each page's text starts in text
    bool red = false; // any answer marked in the red pen

    int pageAt(qsizetype position) const
    {
        return int(std::upper_bound(pageStarts.begin(), pageStarts.end(), position) - pageStarts.begin());
    }
};

Pdf readPdf(const QString &path)
{
    Pdf pdf;
    const QString info = run(QStringLiteral("pdfinfo"), {path}).output;
    pdf.pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
    pdf.size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+ x [\\d.]+)")).match(info).captured(1);
    for (int page = 1; page <= pdf.pages; ++page) {
        const QString number = QString::number(page);
        pdf.pageStarts << pdf.text.size();
        pdf.text += flat(run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("-f"),
                                                           number, QStringLiteral("-l"), number, path, QStringLiteral("-")})
                             .output)
            + QLatin1Char(' ');
    }
    const QString prefix = path + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), path, prefix});
    const QFileInfo file(path);
    for (const QString &png : file.dir().entryList({file.fileName() + QStringLiteral("-page*.png")})) {
        const QImage image(file.dir().filePath(png));
        for (int y = 0; y < image.height() && !pdf.red; ++y) {
            for (int x = 0; x < image.width() && !pdf.red; ++x) {
                const QColor c = image.pixelColor(x, y);
                pdf.red = c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        }
    }
    return pdf;
}

int pdfPages(const QString &path)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path}).output;
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
}

// Files written by this process (and programs it starts) may grow to `bytes` only, as on a
// disk that is full: a longer write stops short, as the system's write does then.
void limitFileSize(rlim_t bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN); // a short write instead of the end of the process
}

std::optional<Worksheet> builtInSheet(const QString &activity, int count, quint32 seed)
{
    QString error;
    auto sheet = buildWorksheet(AssetResolver({AssetResolver::embeddedRoot()}), activity, count, seed, &error);
    if (!sheet)
        qWarning("%s", qPrintable(error));
    return sheet;
}

Pdf written(const Worksheet &sheet, bool answers, const QString &path)
{
    QString error;
    if (!writeWorksheetPdf(sheet, answers, Paper::A4, path, &error)) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    return readPdf(path);
}

QJsonArray builtInRecords(const QString &activity)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(activity));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("records")).toArray();
}

QStringList strings(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &each : value.toArray())
        list << each.toString().trimmed();
    return list;
}

// Whether an item marks the answer its bank record gives.
bool agreesWithBank(const SheetItem &item, const QJsonObject &record, const QString &field)
{
    const QJsonValue value = record.value(field);
    if (field == QLatin1String("key")) { // sentence: one digit per word
        QString key;
        for (int mark : item.marks)
            key += QString::number(mark);
        return key == value.toString();
    }
    if (value.isString())
        return item.answer.contains(value.toString().trimmed(), Qt::CaseInsensitive);
    if (field == QLatin1String("events")) { // numbered 1 to 4 in the order of the bank
        QStringList inOrder(item.choices.size());
        for (int i = 0; i < item.choices.size(); ++i)
            inOrder[item.marks[i] - 1] = item.choices[i];
        return inOrder == strings(value);
    }
    if (field == QLatin1String("titles")) { // title k under heading k
        for (int i = 0; i < item.choices.size(); ++i) {
            if (strings(value).indexOf(item.choices[i]) != item.marks[i] || item.headings != strings(record.value(QLatin1String("headings"))))
                return false;
        }
        return true;
    }
    return false;
}

} // namespace

class tst_Worksheet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sheets_data();
    void sheets();
    void sameSeedSameSheet_data() { sheets_data(); }
    void sameSeedSameSheet();
    void everyActivity_data();
    void everyActivity();
    void bankTextIsPlainText();
    void command_data();
    void command();
    void writeFailures_data();
    void writeFailures();
    void page();
    void pageReadsSavedBank_data();
    void pageReadsSavedBank();
    void previewFollowsChoices();

private:
    QTemporaryDir m_dir;
};

void tst_Worksheet::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(userDataFolder()).removeRecursively();
    registerEmbeddedFonts();
    QVERIFY(m_dir.isValid());
    QVERIFY2(run(QStringLiteral("pdftotext"), {QStringLiteral("-v")}).status == 0, "poppler-utils is needed");
}

void tst_Worksheet::sheets_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("field"); // the record's field that names its answer
    QTest::addColumn<int>("pagesForTen");
    QTest::addColumn<int>("pagesForAll");
    QTest::newRow("multiple choice") << "openings" << "correct" << 1 << 3;
    QTest::newRow("two answers") << "fact" << "answer" << 1 << 3;
    QTest::newRow("attention to accuracy") << "attention" << "corrected" << 2 << 5;
    QTest::newRow("sort: number the phrases") << "chronological" << "events" << 2 << 5;
    QTest::newRow("sort: match to headings") << "genre" << "titles" << 2 << 7;
    QTest::newRow("slot") << "person" << "key" << 1 << 3;
}

void tst_Worksheet::sheets()
{
    QFETCH(QString, activity);
    QFETCH(QString, field);
    QFETCH(int, pagesForTen);
    QFETCH(int, pagesForAll);
    const QJsonArray records = builtInRecords(activity);
    for (const int count : {10, 0}) {
        const std::optional<Worksheet> sheet = builtInSheet(activity, count, 7);
        QVERIFY(sheet);
        QCOMPARE(sheet->items.size(), count ? count : records.size());
        const QString base = m_dir.filePath(QStringLiteral("%1-%2").arg(activity).arg(count));
        const Pdf worksheet = written(*sheet, false, base + QStringLiteral(".pdf"));
        const Pdf answers = written(*sheet, true, base + QStringLiteral("-answers.pdf"));
        QCOMPARE(worksheet.pages, count ? pagesForTen : pagesForAll);
        QVERIFY(answers.pages >= worksheet.pages);
        QCOMPARE(worksheet.size, QStringLiteral("595 x 842")); // A4

        // The worksheet holds every item's text and marks nothing.
        for (const SheetItem &item : sheet->items) {
            for (const SheetLine &line : item.lines)
                QVERIFY2(worksheet.text.contains(flat(line.text)), qPrintable(line.text));
            for (const QString &choice : item.choices) {
                if (item.kind != SheetItem::Kind::Accuracy) // there, the corrected sentence is the answer
                    QVERIFY2(worksheet.text.contains(flat(choice)), qPrintable(choice));
            }
        }
        QVERIFY(!worksheet.text.contains(QStringLiteral("Answer")));
        QVERIFY(!worksheet.red);

        // The answer sheet gives each item's answer, in the order of the items, on the page
        // the item starts on (no item is split), and each is the answer its bank record gives.
        QVERIFY(answers.red);
        qsizetype from = 0;
        for (int i = 0; i < sheet->items.size(); ++i) {
            const SheetItem &item = sheet->items[i];
            const qsizetype start = answers.text.indexOf(flat(item.lines.isEmpty() ? item.choices.first() : item.lines.first().text), from);
            const qsizetype at = answers.text.indexOf(flat(QStringLiteral("Answer: ") + item.answer), start);
            QVERIFY2(start >= 0 && at >= 0, qPrintable(QStringLiteral("item %1: %2").arg(i + 1).arg(item.answer)));
            QCOMPARE(answers.pageAt(at), answers.pageAt(start));
            from = at + 1;
            if (count == 0)
                QVERIFY2(agreesWithBank(item, records.at(i).toObject(), field), qPrintable(item.answer));
        }
    }
}

void tst_Worksheet::sameSeedSameSheet()
{
    QFETCH(QString, activity);
    auto text = [&](quint32 seed, const QString &name) {
        const std::optional<Worksheet> sheet = builtInSheet(activity, 10, seed);
        return sheet ? written(*sheet, true, m_dir.filePath(activity + name)).text : QString();
    };
    const QString first = text(7, QStringLiteral("-a.pdf"));
    QVERIFY(!first.isEmpty());
    QCOMPARE(text(7, QStringLiteral("-b.pdf")), first);
    QVERIFY(text(8, QStringLiteral("-c.pdf")) != first);
}

void tst_Worksheet::everyActivity_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("fitA4"); // the items that fit one page, whichever are drawn
    QTest::addColumn<int>("fitLetter");
    const QMap<QString, std::pair<int, int>> stated{
        {"openings", {10, 9}}, {"style", {8, 8}}, {"similes", {13, 12}}, {"chronological", {6, 6}},
        {"instructions", {8, 8}}, {"terms", {14, 13}}, {"genre", {8, 7}}, {"figurative", {10, 9}},
        {"similarity", {8, 8}}, {"locating", {10, 9}}, {"ambiguity", {10, 9}}, {"prediction", {14, 12}},
        {"notemaking", {12, 11}}, {"persuasive", {10, 9}}, {"evaluate", {14, 12}}, {"person", {12, 11}},
        {"cv", {8, 7}}, {"distinctive", {14, 12}}, {"questionaire", {10, 9}}, {"theatre", {14, 13}},
        {"rhythm", {10, 9}}, {"fact", {10, 9}}, {"linking", {13, 12}}, {"openorclosed", {10, 9}},
        {"attention", {7, 6}}, {"key2", {8, 8}}, {"writer", {14, 12}}, {"blurb", {9, 9}},
        {"review", {8, 8}}, {"revision", {10, 9}},
    };
    for (const QString &activity : worksheetActivities())
        QTest::newRow(qPrintable(activity)) << activity << stated.value(activity).first << stated.value(activity).second;
}

// Every activity makes a whole sheet: every record an item, every item something to answer
// and exactly its answers marked; its stated number of items fits one page; and it asks in
// words for paper, with option letters that cannot be read as words ("a a furnace").
void tst_Worksheet::everyActivity()
{
    QFETCH(QString, activity);
    QFETCH(int, fitA4);
    QFETCH(int, fitLetter);
    QVERIFY(!worksheetActivityTitle(activity).isEmpty());
    const std::optional<Worksheet> sheet = builtInSheet(activity, 0, 1);
    QVERIFY(sheet);
    QCOMPARE(sheet->items.size(), builtInRecords(activity).size());
    QVERIFY(!sheet->onPaper.isEmpty());
    auto permutation = [](QList<int> marks, int first) {
        std::sort(marks.begin(), marks.end());
        for (int i = 0; i < marks.size(); ++i) {
            if (marks[i] != first + i)
                return false;
        }
        return true;
    };
    for (const SheetItem &item : sheet->items) {
        QVERIFY(!item.answer.isEmpty());
        QVERIFY(!item.choices.contains(QString()));
        switch (item.kind) {
        case SheetItem::Kind::Circle: {
            // One right option, except where a pupil finds the odd ones out or the key points.
            const int right = activity == QLatin1String("similarity") ? 3 : activity == QLatin1String("key2") ? 2 : 1;
            QCOMPARE(item.right.size(), right);
            QVERIFY(item.choices.size() > right);
            break;
        }
        case SheetItem::Kind::Accuracy: QVERIFY(item.count >= 0 && item.count <= 4); break;
        case SheetItem::Kind::Number: QVERIFY(permutation(item.marks, 1)); break;
        case SheetItem::Kind::Match: QVERIFY(permutation(item.marks, 0) && item.marks.size() == item.headings.size()); break;
        case SheetItem::Kind::WordBoxes:
            QCOMPARE(item.marks.size(), item.choices.size());
            QVERIFY(std::any_of(item.marks.begin(), item.marks.end(), [](int mark) { return mark > 0; }));
            break;
        }
    }
    int pages = 0;
    QString error;
    QVERIFY2(writeWorksheetPdf(*sheet, true, Paper::Letter, m_dir.filePath(activity + QStringLiteral("-every.pdf")), &error, &pages),
             qPrintable(error));
    QVERIFY(pages >= 1);

    for (const auto &[paper, fit] : {std::pair{Paper::A4, fitA4}, std::pair{Paper::Letter, fitLetter}}) {
        QVERIFY(fit > 0 && itemsOnOnePage(*sheet, paper) >= fit);
        for (const quint32 seed : {1u, 2u, 3u}) {
            const std::optional<Worksheet> some = builtInSheet(activity, fit, seed);
            const QString path = m_dir.filePath(QStringLiteral("%1-fit-%2-%3.pdf").arg(activity).arg(int(paper)).arg(seed));
            QVERIFY(some && writeWorksheetPdf(*some, false, paper, path, nullptr));
            QCOMPARE(pdfPages(path), 1);
        }
    }

    const std::optional<Worksheet> some = builtInSheet(activity, 5, 2);
    const QString path = m_dir.filePath(activity + QStringLiteral("-words.pdf"));
    QVERIFY(some && writeWorksheetPdf(*some, false, Paper::A4, path, nullptr));
    // As laid out, so that each option's letter stands just before it.
    const QString text = flat(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}).output);
    const SheetItem &first = some->items.first();
    const QString header = text.left(text.indexOf(flat(first.lines.isEmpty() ? first.choices.first() : first.lines.first().text)));
    static const QRegularExpression screenWords(QStringLiteral("\\b(click|drag|tap|press|screen|button|dustbin|note ?pads?|container)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(!header.isEmpty() && !screenWords.match(header).hasMatch(), qPrintable(header));
    for (const SheetItem &item : some->items) {
        for (int i = 0; item.kind == SheetItem::Kind::Circle && item.lettered && i < item.choices.size(); ++i)
            QVERIFY2(text.contains(flat(QStringLiteral("(%1) %2").arg(QChar(u'a' + i)).arg(item.choices[i]))), qPrintable(item.choices[i]));
    }
}

void tst_Worksheet::bankTextIsPlainText()
{
    QFile file(QStringLiteral(":/assets/content/fact.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    QJsonArray records = root.value(QLatin1String("records")).toArray();
    const QString markup = QStringLiteral("<b>Bold</b> &amp; <img src=\"file:///etc/hostname\"> 100% %1 %2");
    QJsonObject record = records.at(0).toObject();
    record.insert(QStringLiteral("text"), markup);
    records.replace(0, record);
    root.insert(QStringLiteral("records"), records);
    ContentProblems problems;
    const auto bank = ContentDocument::parse(QJsonDocument(root).toJson(), QStringLiteral("fact.json"), problems);
    QVERIFY(bank);
    QString error;
    const auto sheet = buildWorksheet(*bank, 0, 1, &error);
    QVERIFY2(sheet, qPrintable(error));
    QVERIFY(written(*sheet, false, m_dir.filePath(QStringLiteral("markup.pdf"))).text.contains(flat(markup)));
}

void tst_Worksheet::command_data()
{
    QTest::addColumn<QStringList>("arguments"); // OUT: a file in an empty folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("letter, answers") << QStringList{"fact", "--items", "5", "--paper", "letter", "--answers", "-o", "OUT"} << 0 << "Wrote";
    QTest::newRow("unknown activity") << QStringList{"nonesuch", "-o", "OUT"} << 2 << "no activity called \"nonesuch\"";
    QTest::newRow("no items") << QStringList{"fact", "--items", "0", "-o", "OUT"} << 2 << "from 1 to 33";
    QTest::newRow("items below one") << QStringList{"fact", "--items", "-1", "-o", "OUT"} << 2 << "from 1 to 33";
    QTest::newRow("items not a number") << QStringList{"fact", "--items", "some", "-o", "OUT"} << 2 << "from 1 to 33";
    QTest::newRow("more than the bank") << QStringList{"fact", "--items", "34", "-o", "OUT"} << 2 << "holds 33 items";
    QTest::newRow("seed below zero") << QStringList{"fact", "--seed", "-1", "-o", "OUT"} << 2 << "from 0 to 4294967295";
    QTest::newRow("unknown paper") << QStringList{"fact", "--paper", "a3", "-o", "OUT"} << 2 << "a4 or letter";
    QTest::newRow("no file named") << QStringList{"fact"} << 2 << "-o FILE.pdf";
    QTest::newRow("unwritable file") << QStringList{"fact", "-o", "OUT/missing-folder/sheet.pdf"} << 1 << "cannot be written";
}

void tst_Worksheet::command()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("sheet.pdf"));
    arguments.replaceInStrings(QStringLiteral("OUT"), out);
    const Run result = run(QStringLiteral(QUORVALE_CONTENT_TOOL), QStringList{QStringLiteral("worksheet")} + arguments);
    QVERIFY2(result.output.contains(says), qPrintable(result.output));
    QCOMPARE(result.status, status);
    if (status == 0) {
        const Pdf pdf = readPdf(out);
        QCOMPARE(pdf.size, QStringLiteral("612 x 792")); // Letter
        QVERIFY(pdf.red);
    } else {
        // Nothing written, not even a part of a file.
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
    // A range it names is the range it takes: both ends are accepted.
    const QRegularExpressionMatch range = QRegularExpression(QStringLiteral("(--\\w+) takes a whole number from (\\d+) to (\\d+)")).match(result.output);
    for (int end : {2, 3}) {
        if (!range.hasMatch())
            break;
        QStringList valid{QStringLiteral("worksheet"), QStringLiteral("fact"), range.captured(1), range.captured(end), QStringLiteral("-o"), out};
        if (range.captured(1) != QLatin1String("--items"))
            valid << QStringLiteral("--items") << QStringLiteral("1");
        QCOMPARE(run(QStringLiteral(QUORVALE_CONTENT_TOOL), valid).status, 0);
    }
}

void tst_Worksheet::page()
{
    WorksheetsPage page;
    page.setActivity(QStringLiteral("fact"));
    QCOMPARE(page.activity(), QStringLiteral("fact"));
    QCOMPARE(page.bankSize(), 33);
    page.setItems(5);
    page.setSeed(3);
    page.setPaper(Paper::Letter);
    const QString path = m_dir.filePath(QStringLiteral("page.pdf"));
    QVERIFY2(page.saveTo(path, false), qPrintable(page.status()));
    QVERIFY(page.status().contains(QStringLiteral("5 items")));
    const Pdf pdf = readPdf(path);
    QCOMPARE(pdf.size, QStringLiteral("612 x 792"));
    QVERIFY(!pdf.red);
    // The page's sheet is the command's: same bank, seed and count.
    const std::optional<Worksheet> sheet = builtInSheet(QStringLiteral("fact"), 5, 3);
    QVERIFY(sheet);
    QVERIFY(pdf.text.contains(flat(sheet->items.last().lines.first().text)));

    QVERIFY(!page.saveTo(m_dir.filePath(QStringLiteral("missing/page.pdf")), true));
    QVERIFY(page.status().contains(QStringLiteral("cannot be written")));

    // Printing paints the same sheet on the printer's paper (here a PDF file: the system's
    // print dialog itself is not driven).
    for (const bool answers : {false, true}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(worksheetPageLayout(Paper::A4));
        const QString printed = m_dir.filePath(QStringLiteral("printed-%1.pdf").arg(answers));
        printer.setOutputFileName(printed);
        QVERIFY2(page.printTo(printer, answers), qPrintable(page.status()));
        QVERIFY(page.status().startsWith(QStringLiteral("Sent the")));
        const QString saved = m_dir.filePath(QStringLiteral("saved-%1.pdf").arg(answers));
        page.setPaper(Paper::A4);
        QVERIFY(page.saveTo(saved, answers));
        const Pdf onPrinter = readPdf(printed);
        QCOMPARE(onPrinter.size, QStringLiteral("595 x 842"));
        QCOMPARE(onPrinter.text, readPdf(saved).text);
        QCOMPARE(onPrinter.red, answers);
    }
}

// A sheet that cannot be written whole is reported, and leaves what was there as it was:
// the library, the command and the page alike.
void tst_Worksheet::writeFailures_data()
{
    QTest::addColumn<QString>("via");    // library, command or page
    QTest::addColumn<QString>("target"); // an earlier sheet on a full disk, or a named pipe
    for (const char *via : {"library", "command", "page"}) {
        QTest::addRow("%s, full disk", via) << via << "full disk";
        QTest::addRow("%s, named pipe", via) << via << "named pipe";
    }
}

void tst_Worksheet::writeFailures()
{
    QFETCH(QString, via);
    QFETCH(QString, target);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sheet.pdf"));
    const QByteArray earlier = "an earlier sheet";
    if (target == QLatin1String("named pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    // The same sheet everywhere (fact, 5 items, seed 1, A4); the disk fills up just before
    // its end, when its last bytes are written.
    const std::optional<Worksheet> sheet = builtInSheet(QStringLiteral("fact"), 5, 1);
    const QString whole = m_dir.filePath(QStringLiteral("whole.pdf"));
    QVERIFY(sheet && writeWorksheetPdf(*sheet, false, Paper::A4, whole, nullptr));
    const rlim_t room = target == QLatin1String("full disk") ? rlim_t(QFileInfo(whole).size() - 500) : RLIM_INFINITY;
    QString said;
    bool written = true;
    if (via == QLatin1String("command")) {
        QProcess process;
        process.setChildProcessModifier([room] { limitFileSize(room); });
        process.start(QStringLiteral(QUORVALE_CONTENT_TOOL), QStringList{"worksheet", "fact", "--items", "5", "-o", path});
        QVERIFY(process.waitForFinished(60000));
        said = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        written = process.exitStatus() != QProcess::NormalExit || process.exitCode() != 1 || said.contains(QStringLiteral("Wrote"));
    } else if (via == QLatin1String("page")) {
        WorksheetsPage page;
        page.setActivity(QStringLiteral("fact"));
        page.setItems(5);
        page.setSeed(1);
        page.setPaper(Paper::A4);
        limitFileSize(room);
        written = page.saveTo(path, false) || !page.status().startsWith(QStringLiteral("Not saved"));
        said = page.status();
    } else {
        limitFileSize(room);
        written = writeWorksheetPdf(*sheet, false, Paper::A4, path, &said);
    }
    limitFileSize(RLIM_INFINITY);
    QVERIFY2(!written, qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("cannot be written")), qPrintable(said));
    // What was there is still there, and nothing else is.
    QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System), QStringList{QStringLiteral("sheet.pdf")});
    QFile left(path);
    if (target == QLatin1String("full disk"))
        QVERIFY(left.open(QIODevice::ReadOnly) && left.readAll() == earlier);
    else
        QVERIFY(!QFileInfo(path).isFile());
}

// A bank saved on the Banks page (or put aside there) is the one the Worksheets page counts
// and prints from then on, though the page still shows that activity.
void tst_Worksheet::pageReadsSavedBank_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("field"); // holds a sentence of the sheet, or a list of them
    QTest::newRow("fact") << "fact" << "text";
    QTest::newRow("chronological") << "chronological" << "events";
}

void tst_Worksheet::pageReadsSavedBank()
{
    QFETCH(QString, activity);
    QFETCH(QString, field);
    const QJsonArray builtIn = builtInRecords(activity);
    WorksheetsPage page;
    page.setActivity(activity);
    QCOMPARE(page.bankSize(), builtIn.size());

    // The teacher's bank: four records, the last with a sentence of its own.
    const QString ours = QStringLiteral("Our class wrote this sentence on Tuesday.");
    QJsonObject last = builtIn.at(3).toObject();
    QJsonArray list = last.value(field).toArray();
    if (!list.isEmpty())
        list.replace(0, ours);
    last.insert(field, list.isEmpty() ? QJsonValue(ours) : QJsonValue(list));
    const QJsonArray records{builtIn.at(0), builtIn.at(1), builtIn.at(2), last};
    const QString folder = QDir(userDataFolder()).filePath(QStringLiteral("content"));
    QVERIFY(QDir().mkpath(folder));
    const QString own = QDir(folder).filePath(activity + QStringLiteral(".json"));
    QSaveFile file(own);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonObject{{QStringLiteral("activity"), activity}, {QStringLiteral("records"), records}}).toJson());
    QVERIFY(file.commit());
    page.bankChanged(activity);

    QCOMPARE(page.bankSize(), 4);
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel *label) { return label->text().startsWith(QStringLiteral("of 4 ")); }));
    const QString path = m_dir.filePath(activity + QStringLiteral("-own.pdf"));
    QVERIFY2(page.saveTo(path, false), qPrintable(page.status()));
    QVERIFY(readPdf(path).text.contains(flat(ours)));

    // Put aside: the built-in bank again.
    QVERIFY(QFile::remove(own));
    page.bankChanged(activity);
    QCOMPARE(page.bankSize(), builtIn.size());
    QVERIFY(page.saveTo(path, false));
    QVERIFY(!readPdf(path).text.contains(flat(ours)));
}

// The picture of page 1 follows every choice, painted as the PDF is.
void tst_Worksheet::previewFollowsChoices()
{
    WorksheetsPage page;
    page.show();
    page.setActivity(QStringLiteral("similes"));
    page.setItems(5);
    auto changes = [&](const std::function<void()> &change) {
        const QImage before = page.preview();
        change();
        return page.preview() != before;
    };
    QVERIFY(page.preview().height() > page.preview().width());
    QVERIFY(changes([&] { page.setActivity(QStringLiteral("chronological")); }));
    QVERIFY(changes([&] { page.setItems(3); }));
    QVERIFY(changes([&] { page.setSeed(page.seed() + 1); }));
    QVERIFY(changes([&] { page.setPaper(page.paper() == Paper::A4 ? Paper::Letter : Paper::A4); }));
    QVERIFY(!changes([] {}));
    QString error;
    const auto sheet = buildWorksheet(AssetResolver(), page.activity(), page.items(), page.seed(), &error);
    QVERIFY(sheet);
    QCOMPARE(page.preview(), worksheetPreview(*sheet, false, page.paper(), page.preview().width()));
}

QTEST_MAIN(tst_Worksheet)
#include "tst_worksheet.moc"
