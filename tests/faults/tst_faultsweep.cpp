// Fault sweeps. Every picture and sound missing in turn, and damaged in turn, while the
// whole road through the program is walked with nothing else to fall back on; every bank
// a teacher might put beside the program broken in turn; and every built-in bank broken
// at once. The program must never fail a handler, and must never start an activity on a
// bank that did not pass its checks.

#include "road.h"
#include "session.h"

#include "catalogue.h"
#include "contentfile.h"
#include "fonts.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "mainwindow.h"
#include "registerforms.h"
#include "soundplayer.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QResource>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

const QString NotLoaded = QStringLiteral("The questions for this activity could not be loaded.");

// Warnings the program writes while a test runs (content problems among them).
QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        warnings << message;
    if (previousHandler)
        previousHandler(type, context, message);
}

// The real sound player, counting the cues handed to it.
class CountingPlayer : public SoundDevice
{
public:
    explicit CountingPlayer(const AssetResolver &assets)
        : m_player(assets)
    {
    }
    void play(const QString &relativePath) override
    {
        ++cues;
        m_player.play(relativePath);
    }
    int cues = 0;

private:
    SoundPlayer m_player;
};

Session::Options withRealSound(const QStringList &roots)
{
    Session::Options options;
    options.roots = roots;
    options.sound = [](const SharedState &, const AssetResolver &assets) {
        return std::make_unique<CountingPlayer>(assets);
    };
    return options;
}

// The embedded pictures and sounds, by the relative path the program asks for them.
QStringList assetFiles()
{
    QStringList files;
    const QString root = AssetResolver::embeddedRoot();
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = it.next().mid(root.size() + 1);
        if (!relative.startsWith(QLatin1String("content/")))
            files << relative;
    }
    files.sort();
    return files;
}

// A copy of every picture and sound in a fresh folder.
bool copyAssets(const QString &to)
{
    for (const QString &relative : assetFiles()) {
        const QString target = to + QLatin1Char('/') + relative;
        if (!QDir().mkpath(QFileInfo(target).path())
            || !QFile::copy(AssetResolver::embeddedRoot() + QLatin1Char('/') + relative, target))
            return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray garbage(const QString &seedText, int size)
{
    std::mt19937 engine(qHash(seedText));
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(engine() & 0xff);
    return bytes;
}

// The activities the catalogue lists that the program has.
QList<const CatalogueEntry *> registeredActivities()
{
    TestApp app;
    registerForms(app.context);
    QList<const CatalogueEntry *> found;
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        if (*entry.activity && app.forms.isKnown(QString::fromLatin1(entry.activity)))
            found << &entry;
    }
    return found;
}

// Whether any shown control of a form tells the class its questions could not be loaded.
bool showsNotLoaded(const Form &form)
{
    for (const auto &control : form.controls()) {
        if (control->visible && control->caption() == NotLoaded)
            return true;
    }
    return false;
}

// Opens an activity straight away and lets its loader run.
Form *openAndLoad(Session &session, const QString &id)
{
    Form *form = session.forms().get(id);
    if (!form)
        return nullptr;
    form->Show();
    session.view().refresh();
    Road(session).tick(1);
    return session.forms().loaded(id);
}

} // namespace

class tst_FaultSweep : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init() { warnings.clear(); }

    void damagedAsset_data();
    void damagedAsset();
    void teacherBankSetAside_data();
    void teacherBankSetAside();
    void brokenBuiltInBank_data();
    void brokenBuiltInBank();

private:
    QHash<QString, bool> m_missingWhenWhole;
};

void tst_FaultSweep::initTestCase()
{
    registerEmbeddedFonts();
    previousHandler = qInstallMessageHandler(collectWarnings);
    QVERIFY(assetFiles().size() >= 10);

    // The road with every file whole, from a folder alone: what a good copy shows.
    QTemporaryDir dir;
    QVERIFY(copyAssets(dir.path()));
    Session session(withRealSound({dir.path()}));
    Road road(session);
    const QString error = road.walk();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(road.opened.size(), registeredActivities().size());
    for (auto it = road.missingPictures.cbegin(); it != road.missingPictures.cend(); ++it) {
        // Only the screens' own unpictured controls (the title's frame, the spare buttons)
        // lack a picture when every file is there.
        if (!it.key().contains(QLatin1Char('/')))
            continue;
        m_missingWhenWhole.insert(it.key(), it.value());
    }
    QVERIFY(static_cast<CountingPlayer &>(session.sound()).cues > 0);
}

void tst_FaultSweep::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
}

void tst_FaultSweep::damagedAsset_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("damage");
    for (const QString &file : assetFiles()) {
        for (const char *damage : {"missing", "empty", "garbage", "cut short", "another kind"})
            QTest::addRow("%s %s", qPrintable(file), damage) << file << QString::fromLatin1(damage);
    }
}

void tst_FaultSweep::damagedAsset()
{
    QFETCH(QString, file);
    QFETCH(QString, damage);
    QTemporaryDir dir;
    QVERIFY(copyAssets(dir.path()));
    const QString path = dir.path() + QLatin1Char('/') + file;
    const QByteArray whole = readAll(path);
    QVERIFY(!whole.isEmpty());
    if (damage == QLatin1String("missing")) {
        QVERIFY(QFile::remove(path));
    } else if (damage == QLatin1String("empty")) {
        QVERIFY(writeAll(path, {}));
    } else if (damage == QLatin1String("garbage")) {
        QVERIFY(writeAll(path, garbage(file, 4096)));
    } else if (damage == QLatin1String("cut short")) {
        QVERIFY(writeAll(path, whole.left(whole.size() / 2)));
    } else {
        // A sound where a picture belongs, and a picture where a sound belongs.
        const bool sound = file.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
        const QString other = sound ? QStringLiteral("/Images/exit.jpg") : QStringLiteral("/wav/click.wav");
        QVERIFY(writeAll(path, readAll(AssetResolver::embeddedRoot() + other)));
    }

    Session session(withRealSound({dir.path()}));
    Road road(session);
    const QString error = road.walk();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(road.opened.size(), registeredActivities().size());
    QCOMPARE(session.view().faults(), 0);

    // A picture that cannot be read leaves its places empty, and takes no other with it.
    const bool picture = !file.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
    int lost = 0;
    for (auto it = road.missingPictures.cbegin(); it != road.missingPictures.cend(); ++it) {
        if (!it.key().contains(QLatin1Char('/')) || !m_missingWhenWhole.contains(it.key()))
            continue;
        if (it.value() && !m_missingWhenWhole.value(it.key()))
            ++lost;
    }
    const bool unreadable = damage == QLatin1String("missing") || damage == QLatin1String("empty")
        || damage == QLatin1String("garbage");
    if (!picture)
        QCOMPARE(lost, 0);
    else if (unreadable && !file.startsWith(QLatin1String("opening3")) && !file.contains(QLatin1String("quorva32")))
        QVERIFY2(lost > 0, "the damaged picture was never asked for");
}

void tst_FaultSweep::teacherBankSetAside_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("field"); // the field given the wrong type, for that damage
    for (const CatalogueEntry *entry : registeredActivities()) {
        const QString id = QString::fromLatin1(entry->activity);
        for (const char *damage : {"not JSON", "empty file", "a single record", "no records list"})
            QTest::addRow("%s, %s", entry->activity, damage) << id << QString::fromLatin1(damage) << QString();
        const QJsonDocument bank = QJsonDocument::fromJson(readAll(QStringLiteral(":/assets/content/%1.json").arg(id)));
        const QJsonArray records = bank.object().value(QLatin1String("records")).toArray();
        for (const QString &field : records.last().toObject().keys())
            QTest::addRow("%s, last record's %s of the wrong type", entry->activity, qPrintable(field))
                << id << QStringLiteral("wrong type") << field;
    }
}

void tst_FaultSweep::teacherBankSetAside()
{
    QFETCH(QString, activity);
    QFETCH(QString, damage);
    QFETCH(QString, field);
    const QByteArray whole = readAll(QStringLiteral(":/assets/content/%1.json").arg(activity));
    QJsonObject root = QJsonDocument::fromJson(whole).object();
    QJsonArray records = root.value(QLatin1String("records")).toArray();
    const int last = int(records.size()) - 1;

    // What the problem report must say: the file and, where it lies in one, the record and field.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/content/%1.json").arg(activity);
    QString expected = path + QLatin1String(": ");
    QByteArray broken;
    if (damage == QLatin1String("not JSON")) {
        broken = whole.left(whole.size() / 2);
        expected = path + QLatin1String(": is not valid JSON");
    } else if (damage == QLatin1String("empty file")) {
        expected = path + QLatin1String(": is not valid JSON");
    } else if (damage == QLatin1String("a single record")) {
        // A teacher's bank may hold any number of records from 2 to what the engine holds.
        root.insert(QLatin1String("records"), QJsonArray{records.first()});
        broken = QJsonDocument(root).toJson();
        expected = path + QLatin1String(", field \"records\"");
    } else if (damage == QLatin1String("no records list")) {
        root.insert(QLatin1String("records"), QStringLiteral("none"));
        broken = QJsonDocument(root).toJson();
        expected = path + QLatin1String(", field \"records\"");
    } else {
        QJsonObject record = records.at(last).toObject();
        const QJsonValue value = record.value(field);
        record.insert(field, value.isDouble() ? QJsonValue(QStringLiteral("seven")) : QJsonValue(7));
        records.replace(last, record);
        root.insert(QLatin1String("records"), records);
        broken = QJsonDocument(root).toJson();
        expected = path + QStringLiteral(", record %1, field \"%2").arg(last + 1).arg(field); // counted from 1
    }
    QVERIFY(writeAll(path, broken));

    Session session(withRealSound({dir.path(), AssetResolver::embeddedRoot()}));
    Form *form = openAndLoad(session, activity);
    QVERIFY(form);
    QCOMPARE(session.view().faults(), 0);
    // The broken copy is set aside with its problem reported, and the built-in bank deals.
    const bool reported = std::any_of(warnings.cbegin(), warnings.cend(),
                                      [&](const QString &w) { return w.startsWith(expected); });
    QVERIFY2(reported, qPrintable(QStringLiteral("no report starting \"%1\"; reported:\n%2")
                                      .arg(expected, warnings.join(QLatin1Char('\n')))));
    QVERIFY(!showsNotLoaded(*form));
    Road(session).exercise(*form);
    QCOMPARE(session.view().faults(), 0);
}

void tst_FaultSweep::brokenBuiltInBank_data()
{
    QTest::addColumn<QString>("banks");
    QTest::newRow("every built-in bank cut short") << QStringLiteral(QUORVALE_BROKEN_BANKS "/banks-cut.rcc");
    QTest::newRow("every built-in bank without records") << QStringLiteral(QUORVALE_BROKEN_BANKS "/banks-empty.rcc");
}

void tst_FaultSweep::brokenBuiltInBank()
{
    QFETCH(QString, banks);
    // The banks built into the program give way to broken ones.
    Q_CLEANUP_RESOURCE(content);
    QVERIFY(QResource::registerResource(banks));
    const auto restore = qScopeGuard([&] {
        QResource::unregisterResource(banks);
        Q_INIT_RESOURCE(content);
    });

    Session session(withRealSound({AssetResolver::embeddedRoot()}));
    Road road(session);
    QVERIFY(road.click(QStringLiteral("Command1")).isEmpty());
    for (const CatalogueEntry *entry : registeredActivities()) {
        const QString id = QString::fromLatin1(entry->activity);
        warnings.clear();
        const QString error = road.openActivity(*entry);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        Form *form = session.forms().loaded(id);
        QVERIFY(form);
        road.tick(1);
        // No item is dealt: the screen says so, and every problem names the built-in file.
        QVERIFY2(showsNotLoaded(*form), qPrintable(id));
        const QString file = QStringLiteral(":/assets/content/%1.json").arg(id);
        QVERIFY2(std::any_of(warnings.cbegin(), warnings.cend(), [&](const QString &w) { return w.startsWith(file); }),
                 qPrintable(warnings.join(QLatin1Char('\n'))));
        // Whatever the class then presses, nothing is marked and nothing fails.
        QVERIFY2(road.exercise(*form).isEmpty(), qPrintable(id));
        for (const char *mark : {"imgtick", "imgcross"}) {
            if (const Control *picture = form->control(QString::fromLatin1(mark)))
                QVERIFY2(!picture->visible, qPrintable(id + QLatin1String(" shows a mark")));
        }
        QVERIFY(road.leaveActivity(*entry).isEmpty());
        QVERIFY(road.click(QStringLiteral("Command1")).isEmpty()); // back home
    }
    QCOMPARE(session.view().faults(), 0);
}

QTEST_MAIN(tst_FaultSweep)
#include "tst_faultsweep.moc"
