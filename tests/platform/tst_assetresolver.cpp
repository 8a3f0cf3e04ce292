#include "assetresolver.h"
#include "picture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void touch(const QString &path, const QByteArray &data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class tst_AssetResolver : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matchesWhateverTheCase_data();
    void matchesWhateverTheCase();
    void rootsAreSearchedInOrder();
    void missingOrUnsafePathsResolveToNothing_data();
    void missingOrUnsafePathsResolveToNothing();
    void embeddedAssetsAreFoundAndRead_data();
    void embeddedAssetsAreFoundAndRead();
    void unreadablePictureIsNull();
};

void tst_AssetResolver::matchesWhateverTheCase_data()
{
    QTest::addColumn<QString>("onDisk");
    QTest::addColumn<QString>("asked");
    QTest::newRow("backslash, same case") << "Images/exit.jpg" << "Images\\exit.jpg";
    QTest::newRow("upper case asked, lower on disk") << "Images/board.wmf" << "IMAGES\\BOARD.WMF";
    QTest::newRow("lower case asked, mixed on disk") << "Images/Check.JPG" << "images\\check.jpg";
    QTest::newRow("forward slashes") << "wav/click.wav" << "wav/click.wav";
    QTest::newRow("doubled separator") << "opening3/startl00.jpg" << "opening3\\\\startl00.jpg";
}

void tst_AssetResolver::matchesWhateverTheCase()
{
    QFETCH(QString, onDisk);
    QFETCH(QString, asked);
    QTemporaryDir dir;
    touch(dir.filePath(onDisk));
    const AssetResolver resolver({dir.path()});
    QCOMPARE(resolver.resolve(asked), dir.path() + QLatin1Char('/') + onDisk);
}

void tst_AssetResolver::rootsAreSearchedInOrder()
{
    QTemporaryDir working, beside;
    touch(beside.filePath(QStringLiteral("Images/next.jpg")));
    touch(beside.filePath(QStringLiteral("Images/exit.jpg")));
    touch(working.filePath(QStringLiteral("images/EXIT.jpg")));
    const AssetResolver resolver({working.path(), beside.path(), AssetResolver::embeddedRoot()});
    QCOMPARE(resolver.resolve(QStringLiteral("Images\\exit.jpg")), working.filePath(QStringLiteral("images/EXIT.jpg")));
    QCOMPARE(resolver.resolve(QStringLiteral("Images\\next.jpg")), beside.filePath(QStringLiteral("Images/next.jpg")));
    QCOMPARE(resolver.resolve(QStringLiteral("wav\\cash.wav")), QStringLiteral(":/assets/wav/cash.wav"));
}

void tst_AssetResolver::missingOrUnsafePathsResolveToNothing_data()
{
    QTest::addColumn<QString>("asked");
    QTest::newRow("missing file") << "Images\\nothere.jpg";
    QTest::newRow("missing folder") << "Nowhere\\exit.jpg";
    QTest::newRow("folder instead of file") << "Images";
    QTest::newRow("climbing out") << "..\\secret.jpg";
    QTest::newRow("empty") << "";
}

void tst_AssetResolver::missingOrUnsafePathsResolveToNothing()
{
    QFETCH(QString, asked);
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("Images/exit.jpg")));
    touch(QFileInfo(dir.path()).absolutePath() + QStringLiteral("/secret.jpg"));
    const AssetResolver resolver({dir.path()});
    QCOMPARE(resolver.resolve(asked), QString());
}

void tst_AssetResolver::embeddedAssetsAreFoundAndRead_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path : {"Images\\exit.jpg", "Images\\next.jpg", "Images\\answer.jpg", "images\\check.jpg",
                             "images\\tick.jpg", "images\\cross.jpg", "IMAGES\\BOARD.WMF", "Images\\quorva32.jpg",
                             "Images\\quorva3.jpg", "Images\\logo2.jpg", "opening3\\startl00.jpg"})
        QTest::newRow(path) << QString::fromLatin1(path);
}

void tst_AssetResolver::embeddedAssetsAreFoundAndRead()
{
    QFETCH(QString, path);
    const AssetResolver resolver({AssetResolver::embeddedRoot()});
    const QString found = resolver.resolve(path);
    QVERIFY2(found.startsWith(QLatin1String(":/assets/")), qPrintable(found));
    const Picture picture = Picture::fromFile(found);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.sizeTwips().width() > 100 && picture.sizeTwips().height() > 100);
}

void tst_AssetResolver::unreadablePictureIsNull()
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("Images/exit.jpg")), QByteArray(5000, '\x5a'));
    touch(dir.filePath(QStringLiteral("Images/board.wmf")), QByteArray::fromHex("d7cdc69a0000"));
    QVERIFY(Picture::fromFile(dir.filePath(QStringLiteral("Images/exit.jpg"))).isNull());
    QVERIFY(Picture::fromFile(dir.filePath(QStringLiteral("Images/board.wmf"))).isNull());
    QVERIFY(Picture::fromFile(dir.filePath(QStringLiteral("Images/none.jpg"))).isNull());
}

QTEST_GUILESS_MAIN(tst_AssetResolver)
#include "tst_assetresolver.moc"
