#include "choiceactivities.h"
#include "choicescreen.h"
#include "contentkinds.h"
#include "fonts.h"
#include "introscreen.h"
#include "shellforms.h"
#include "teachercontent.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

namespace {

const QString Activity = QStringLiteral("locating");
const QString TeacherPrompt = QStringLiteral("The page that explains how a rainbow forms");

QJsonObject builtInBank(const QString &activity = Activity)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(activity));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString builtInPrompt(int record)
{
    return builtInBank().value(QLatin1String("records")).toArray().at(record).toObject().value(QLatin1String("prompt")).toString();
}

// The built-in bank with record 7's prompt rewritten, so that a screen showing it shows
// the teacher's file, and one record changed by `edit`.
QByteArray editedBank(const std::function<void(QJsonObject &)> &edit, int record = 7)
{
    QJsonObject bank = builtInBank();
    QJsonArray records = bank.value(QLatin1String("records")).toArray();
    QJsonObject seventh = records.at(7).toObject();
    seventh[QLatin1String("prompt")] = TeacherPrompt;
    records[7] = seventh;
    QJsonObject changed = records.at(record).toObject();
    edit(changed);
    records[record] = changed;
    bank[QLatin1String("records")] = records;
    return QJsonDocument(bank).toJson();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QString userContentFolder()
{
    return QDir(userDataFolder()).filePath(QStringLiteral("content"));
}

// The program's pieces that teachers' files touch: the multiple-choice activities, the
// home screen, and the home screen's check of the content folders.
struct TeacherApp : TestApp
{
    explicit TeacherApp(const QString &root)
        : TestApp({root, AssetResolver::embeddedRoot()})
        , kinds(allContentKinds())
    {
        registerShellForms(context);
        registerChoiceActivities(context);
        context.contentNotice = [this] { return contentNotice(checkTeacherContent(assets, kinds)); };
    }

    // The first record's prompt as the activity shows it, after its bank has loaded.
    QString loadedPrompt(int record)
    {
        auto *form = forms.get<ChoiceScreen>(Activity);
        random.queueIndex(record, 30);
        for (int i = 0; i < 40; ++i)
            random.queueIndex(0, 4);
        form->timer(QStringLiteral("Timer1"))->fire();
        return form->ctl(QStringLiteral("Label4")).caption();
    }

    const Control &homeNotice()
    {
        Form *home = forms.get(QString::fromLatin1(Intro0::Name));
        return *home->control(QStringLiteral("contentNotice"));
    }

    QList<ContentKind> kinds;
};

} // namespace

class tst_TeacherContent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void foldersAreSearchedInOrder();
    void validFileReplacesTheBank_data();
    void validFileReplacesTheBank();
    void invalidFileFallsBackAndTheHomeScreenSaysWhy_data();
    void invalidFileFallsBackAndTheHomeScreenSaysWhy();
    void folderCheckReportsFilesNeverRead_data();
    void folderCheckReportsFilesNeverRead();
    void hostileFileIsRefusedPromptly_data();
    void hostileFileIsRefusedPromptly();
    void noticeCountsTheOtherFilesSetAside_data();
    void noticeCountsTheOtherFilesSetAside();
    void homeScreenShowsNothingWithoutNews();

private:
    QTemporaryDir m_root; // stands for the folder beside the program
};

void tst_TeacherContent::initTestCase()
{
    // The user's folder moves to a test location that this test may empty.
    QStandardPaths::setTestModeEnabled(true);
    registerEmbeddedFonts(); // text is measured in the faces the screens use
    // Each file set aside is also written to the log; here that is only noise.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    QVERIFY(!userDataFolder().isEmpty());
    QVERIFY(m_root.isValid());
}

void tst_TeacherContent::init()
{
    QDir(userContentFolder()).removeRecursively();
    QDir(m_root.filePath(QStringLiteral("content"))).removeRecursively();
    QDir(m_root.filePath(QStringLiteral("Content"))).removeRecursively();
}

void tst_TeacherContent::cleanup()
{
    init();
}

void tst_TeacherContent::foldersAreSearchedInOrder()
{
    // The user's own copy comes first, then the folder beside the program, whatever the
    // letter case of its name, then the built-in bank.
    const QString user = QDir(userContentFolder()).filePath(QStringLiteral("locating.json"));
    const QString beside = m_root.filePath(QStringLiteral("Content/Locating.json"));
    QVERIFY(writeFile(user, "{}"));
    QVERIFY(writeFile(beside, "{}"));
    const AssetResolver assets({m_root.path(), AssetResolver::embeddedRoot()});
    QCOMPARE(contentCandidates(assets, Activity),
             (QStringList{user, beside, QStringLiteral(":/assets/content/locating.json")}));
    QCOMPARE(teacherContentFolders(assets), (QStringList{userContentFolder(), m_root.filePath(QStringLiteral("Content"))}));

    // The same folder reached twice is checked once.
    const AssetResolver twice({m_root.path(), m_root.path() + QStringLiteral("/."), AssetResolver::embeddedRoot()});
    QCOMPARE(teacherContentFolders(twice).size(), 2);
}

void tst_TeacherContent::validFileReplacesTheBank_data()
{
    QTest::addColumn<bool>("inUserFolder");
    QTest::newRow("beside the program") << false;
    QTest::newRow("in the user's own folder") << true;
}

void tst_TeacherContent::validFileReplacesTheBank()
{
    QFETCH(bool, inUserFolder);
    const QString folder = inUserFolder ? userContentFolder() : m_root.filePath(QStringLiteral("content"));
    QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("locating.json")), editedBank([](QJsonObject &) {})));
    TeacherApp app(m_root.path());
    QCOMPARE(app.loadedPrompt(7), TeacherPrompt);
    QVERIFY(!app.homeNotice().visible);
}

void tst_TeacherContent::invalidFileFallsBackAndTheHomeScreenSaysWhy_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("says");

    QTest::newRow("not JSON") << QByteArray("{\"activity\": \"locating\",\n \"records\": [\n  {\"prompt\": }\n")
                              << QStringLiteral("Your file locating.json was not used. It is not valid JSON at line 3");
    QTest::newRow("empty correct option")
        << editedBank([](QJsonObject &record) { record[QLatin1String("correct")] = QString(); }, 4)
        << QStringLiteral("Your file locating.json was not used. Record 5, field \"correct\": This answer is empty.");
    QTest::newRow("two options the same")
        << editedBank([](QJsonObject &record) {
               record[QLatin1String("correct")] = record.value(QLatin1String("wrong")).toArray().at(0);
           })
        << QStringLiteral("Record 8, field \"wrong[0]\": This option is the same as the right answer.");
    QTest::newRow("a single record") << [] {
        QJsonObject bank = QJsonDocument::fromJson(editedBank([](QJsonObject &) {})).object();
        bank[QLatin1String("records")] = QJsonArray{bank.value(QLatin1String("records")).toArray().first()};
        return QJsonDocument(bank).toJson();
    }() << QStringLiteral("Field \"records\": There must be at least 2 records.");
    QTest::newRow("a prompt too long for the screen")
        << editedBank([](QJsonObject &record) { record[QLatin1String("prompt")] = QStringLiteral("word ").repeated(1500); }, 3)
        << QStringLiteral("Record 4, field \"prompt\": This prompt is too long for the screen by");
    QTest::newRow("another activity's bank") << QJsonDocument(builtInBank(QStringLiteral("theatre"))).toJson()
                                             << QStringLiteral("Field \"activity\": must be \"locating\", not \"theatre\".");
}

void tst_TeacherContent::invalidFileFallsBackAndTheHomeScreenSaysWhy()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, says);
    QVERIFY(writeFile(m_root.filePath(QStringLiteral("content/locating.json")), file));
    TeacherApp app(m_root.path());

    QCOMPARE(app.loadedPrompt(7), builtInPrompt(7));

    const Control &notice = app.homeNotice();
    QVERIFY(notice.visible);
    QVERIFY2(notice.caption().contains(says), qPrintable(notice.caption()));
    QVERIFY2(notice.caption().size() <= 160, qPrintable(notice.caption()));
    // One line, or two at most, inside the gap between the title and the years.
    QVERIFY(notice.height <= 700);
}

void tst_TeacherContent::folderCheckReportsFilesNeverRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<bool>("passes");
    QTest::newRow("a bank in capitals") << "LOCATING.JSON" << true << true;
    QTest::newRow("a copy made by the file manager") << "locating - Copy.json" << true << false;
    QTest::newRow("an editor's own ending") << "locating.json.txt" << true << false;
    QTest::newRow("a note beside the banks") << "notes.txt" << false << false;
}

void tst_TeacherContent::folderCheckReportsFilesNeverRead()
{
    QFETCH(QString, name);
    QFETCH(bool, reported);
    QFETCH(bool, passes);
    const QString path = m_root.filePath(QStringLiteral("content/") + name);
    QVERIFY(writeFile(path, QJsonDocument(builtInBank()).toJson()));
    const QList<ContentFileCheck> checks = checkContentFolder(m_root.filePath(QStringLiteral("content")), allContentKinds());
    QCOMPARE(checks.size(), reported ? 1 : 0);
    if (reported) {
        QCOMPARE(checks.first().path, path);
        QCOMPARE(checks.first().passed(), passes);
    }
}

void tst_TeacherContent::hostileFileIsRefusedPromptly_data()
{
    // What is put in the content folder as locating.json, and what the home screen says.
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("says"); // empty: the file is used
    const QString notFile = QStringLiteral("It is not an ordinary saved file (it is a device or a pipe)");
    QTest::newRow("a link to a device that never ends") << "/dev/zero" << notFile;
    QTest::newRow("a pipe with no writer") << "pipe" << notFile;
    QTest::newRow("a link to nothing") << "nowhere" << QStringLiteral("It cannot be found");
    QTest::newRow("a file larger than any bank") << "huge" << QStringLiteral("It is too large to be an item bank");
    QTest::newRow("UTF-16 with its byte order mark") << "utf-16" << QStringLiteral("save it as UTF-8");
    QTest::newRow("UTF-16 without one") << "utf-16le" << QStringLiteral("save it as UTF-8");
    QTest::newRow("Windows-1252 bytes") << "cp1252" << QStringLiteral("It is not UTF-8 text at line");
    QTest::newRow("UTF-8 with a byte order mark") << "utf-8-sig" << QString();
}

void tst_TeacherContent::hostileFileIsRefusedPromptly()
{
    QFETCH(QString, made);
    QFETCH(QString, says);
    const QString path = m_root.filePath(QStringLiteral("content/locating.json"));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray bank = editedBank([](QJsonObject &) {});
    if (made.startsWith(QLatin1Char('/'))) {
        QVERIFY(QFile::link(made, path));
    } else if (made == QLatin1String("pipe")) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (made == QLatin1String("nowhere")) {
        QVERIFY(QFile::link(m_root.filePath(QStringLiteral("gone.json")), path));
    } else if (made == QLatin1String("huge")) {
        QVERIFY(writeFile(path, bank + QByteArray(MaxBankBytes, ' ')));
    } else if (made.startsWith(QLatin1String("utf-16"))) {
        const QString text = QString::fromUtf8(bank);
        QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2); // little-endian here
        QVERIFY(writeFile(path, made == QLatin1String("utf-16") ? "\xFF\xFE" + utf16 : utf16));
    } else if (made == QLatin1String("cp1252")) {
        QVERIFY(writeFile(path, QByteArray(bank).replace(TeacherPrompt.toUtf8(), "The caf\xE9 page")));
    } else {
        QVERIFY(writeFile(path, "\xEF\xBB\xBF" + bank));
    }

    // The home screen's check and the activity's loader both come back at once, the
    // loader with the built-in bank when the file is refused.
    QElapsedTimer clock;
    clock.start();
    TeacherApp app(m_root.path());
    const QString notice = app.homeNotice().visible ? app.homeNotice().caption() : QString();
    QCOMPARE(app.loadedPrompt(7), says.isEmpty() ? TeacherPrompt : builtInPrompt(7));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(says.isEmpty() ? notice.isEmpty() : notice.contains(says), qPrintable(notice));
}

void tst_TeacherContent::noticeCountsTheOtherFilesSetAside_data()
{
    QTest::addColumn<int>("bad");
    QTest::addColumn<QString>("ending");
    QTest::newRow("one file") << 1 << QString();
    QTest::newRow("two files") << 2 << QStringLiteral(" One more file was not used either.");
    QTest::newRow("three files") << 3 << QStringLiteral(" 2 more files were not used either.");
}

void tst_TeacherContent::noticeCountsTheOtherFilesSetAside()
{
    QFETCH(int, bad);
    QFETCH(QString, ending);
    // A good file among them says nothing; the first bad one in name order is named.
    QVERIFY(writeFile(m_root.filePath(QStringLiteral("content/locating.json")), QJsonDocument(builtInBank()).toJson()));
    const QStringList names{QStringLiteral("blurb"), QStringLiteral("openings"), QStringLiteral("theatre")};
    for (int i = 0; i < bad; ++i)
        QVERIFY(writeFile(m_root.filePath(QStringLiteral("content/%1.json").arg(names[i])), "[]"));
    const QString line = contentNotice(checkTeacherContent(AssetResolver({m_root.path()}), allContentKinds()));
    QCOMPARE(line, QStringLiteral("Your file blurb.json was not used. It must hold one object.") + ending);
}

void tst_TeacherContent::homeScreenShowsNothingWithoutNews()
{
    TestApp app;
    registerShellForms(app.context); // no check set: nothing to say
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    QVERIFY(!home->control(QStringLiteral("contentNotice"))->visible);

    // A teacher mends the file and comes back to the home screen: the line goes.
    QString news = QStringLiteral("Your file locating.json was not used. It must hold one object.");
    app.context.contentNotice = [&news] { return news; };
    home->Unload();
    home = app.forms.get(QString::fromLatin1(Intro0::Name));
    QVERIFY(home->control(QStringLiteral("contentNotice"))->visible);
    news.clear();
    static_cast<Intro0 *>(home)->showContentNotice();
    QVERIFY(!home->control(QStringLiteral("contentNotice"))->visible);
}

QTEST_MAIN(tst_TeacherContent)
#include "tst_teachercontent.moc"
