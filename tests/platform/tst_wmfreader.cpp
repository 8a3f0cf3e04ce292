#include "wmfreader.h"
#include "wmfwriter.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <functional>

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 160, 0);

// A 100 x 100 picture whose logical units map one to one onto a 100 x 100 image, with no
// outline and a red fill selected (objects 0 and 1).
WmfWriter squarePicture()
{
    WmfWriter w(QRect(0, 0, 100, 100), 1440);
    w.setWindowOrg(QPoint(0, 0));
    w.setWindowExt(QSize(100, 100));
    w.selectObject(w.createNullPen());
    w.selectObject(w.createBrush(kRed));
    return w;
}

// A small file that uses most record kinds, for the truncation test.
QByteArray smallValidFile()
{
    WmfWriter w = squarePicture();
    w.rectangle(QRect(10, 10, 30, 30));
    w.ellipse(QRect(50, 50, 40, 40));
    w.polygon({{0, 0}, {20, 0}, {0, 20}});
    w.selectObject(w.createPen(kBlue, 4));
    w.moveTo(QPoint(0, 90));
    w.lineTo(QPoint(90, 90));
    w.selectObject(w.createFont(-20, 700, "Arial"));
    w.setBkMode(false);
    w.textOut(QPoint(40, 5), "Ab");
    return w.finish();
}

// Inserts raw bytes just before the end-of-file record.
QByteArray withRawRecord(const QByteArray &raw)
{
    QByteArray file = squarePicture().finish();
    return file.insert(file.size() - 6, raw);
}

QByteArray rawRecord(quint32 words, quint16 function, const QByteArray &params = {})
{
    QByteArray r;
    for (int i = 0; i < 4; ++i)
        r.append(char((words >> (8 * i)) & 0xFF));
    r.append(char(function & 0xFF));
    r.append(char(function >> 8));
    return r + params;
}

QByteArray words(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    }
    return out;
}

bool sameColour(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QColor)> &test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

QString assetPath(const QString &relative)
{
    return QFINDTESTDATA(QStringLiteral("../../assets/") + relative);
}

} // namespace

class tst_WmfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boardFileFitsTheMarks();
    void sizeFromPlaceableHeader_data();
    void sizeFromPlaceableHeader();
    void drawsRecords_data();
    void drawsRecords();
    void drawsText_data();
    void drawsText();
    void paintsOnlyInsideTarget();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
    void everyTruncationFailsCleanly();
    void toleratesHarmlessOddities_data();
    void toleratesHarmlessOddities();
    void survivesExtremeValues();
};

void tst_WmfReader::boardFileFitsTheMarks()
{
    QFile file(assetPath(QStringLiteral("Images/board.wmf")));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    WmfPicture board;
    QString error;
    QVERIFY2(board.load(file.readAll(), &error), qPrintable(error));
    QCOMPARE(board.sizeTwips(), QSizeF(1710, 1500));

    // At 7.5 twips a pixel; the tick and cross sit 540 twips in and 90 down, 750 x 735.
    const QImage image = board.toImage(QSize(228, 200));
    QCOMPARE(image.size(), QSize(228, 200));
    const QRect marks(72 + 2, 12 + 2, 100 - 4, 98 - 4);
    const QColor surface = image.pixelColor(marks.center());
    QCOMPARE(countPixels(image, marks, [&](QColor c) {
                 return c.alpha() == 255 && sameColour(c, surface, 2);
             }),
             marks.width() * marks.height());
    // The board is a shape on the screen, not a filled rectangle.
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QVERIFY(countPixels(image, QRect(0, 180, 228, 20), [](QColor c) { return c.alpha() > 0; }) > 0);

    // The marks' own background must match the surface they are drawn over.
    for (const char *mark : {"Images/tick.jpg", "Images/cross.jpg"}) {
        const QImage picture(assetPath(QString::fromLatin1(mark)));
        QVERIFY2(!picture.isNull(), mark);
        QCOMPARE(picture.size(), QSize(100, 98));
        for (QPoint corner : {QPoint(1, 1), QPoint(98, 1), QPoint(1, 96), QPoint(98, 96)})
            QVERIFY2(sameColour(picture.pixelColor(corner), surface, 4), mark);
    }
}

void tst_WmfReader::sizeFromPlaceableHeader_data()
{
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<QSizeF>("twips");

    QTest::newRow("twips as units") << QRect(0, 0, 1710, 1500) << 1440 << QSizeF(1710, 1500);
    QTest::newRow("576 units per inch") << QRect(0, 0, 1000, 576) << 576 << QSizeF(2500, 1440);
    QTest::newRow("negative origin") << QRect(-500, -250, 1000, 500) << 720 << QSizeF(2000, 1000);
}

void tst_WmfReader::sizeFromPlaceableHeader()
{
    QFETCH(QRect, bounds);
    QFETCH(int, unitsPerInch);
    QFETCH(QSizeF, twips);

    WmfPicture picture;
    QVERIFY(picture.isNull());
    QVERIFY(picture.load(WmfWriter(bounds, quint16(unitsPerInch)).finish()));
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.sizeTwips(), twips);
}

void tst_WmfReader::drawsRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QPoint>("outside"); // must stay transparent

    auto row = [](const char *name, QPoint inside, QColor colour, QPoint outside,
                  const std::function<void(WmfWriter &)> &draw) {
        WmfWriter w = squarePicture();
        draw(w);
        QTest::newRow(name) << w.finish() << inside << colour << outside;
    };

    row("rectangle", {20, 20}, kRed, {60, 60}, [](WmfWriter &w) { w.rectangle(QRect(10, 10, 30, 30)); });
    row("ellipse", {50, 50}, kRed, {4, 4}, [](WmfWriter &w) { w.ellipse(QRect(0, 0, 100, 100)); });
    row("round rectangle", {50, 50}, kRed, {2, 2},
        [](WmfWriter &w) { w.roundRect(QRect(0, 0, 100, 100), QSize(60, 60)); });
    row("polygon", {20, 20}, kRed, {80, 80},
        [](WmfWriter &w) { w.polygon({{0, 0}, {100, 0}, {0, 100}}); });
    row("polypolygon leaves the hole open", {10, 10}, kRed, {50, 50}, [](WmfWriter &w) {
        w.polyPolygon({{{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{30, 30}, {70, 30}, {70, 70}, {30, 70}}});
    });
    row("winding fill closes the hole", {30, 30}, kRed, {80, 80}, [](WmfWriter &w) {
        w.setPolyFillMode(true);
        w.polyPolygon({{{0, 0}, {60, 0}, {60, 60}, {0, 60}}, {{20, 20}, {40, 20}, {40, 40}, {20, 40}}});
    });
    row("window origin and extent", {25, 25}, kRed, {75, 75}, [](WmfWriter &w) {
        w.setWindowOrg(QPoint(1000, 2000));
        w.setWindowExt(QSize(200, 200));
        w.rectangle(QRect(1000, 2000, 100, 100));
    });
    row("negative extent turns the picture over", {25, 75}, kRed, {25, 25}, [](WmfWriter &w) {
        w.setWindowOrg(QPoint(0, 100));
        w.setWindowExt(QSize(100, -100));
        w.rectangle(QRect(0, 0, 50, 50));
    });
    row("zero extent is ignored", {20, 20}, kRed, {60, 60}, [](WmfWriter &w) {
        w.setWindowExt(QSize(0, 50));
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("wide pen line", {50, 50}, kBlue, {50, 30}, [](WmfWriter &w) {
        w.selectObject(w.createPen(kBlue, 10));
        w.moveTo(QPoint(0, 50));
        w.lineTo(QPoint(100, 50));
    });
    row("polyline", {50, 20}, kBlue, {50, 60}, [](WmfWriter &w) {
        w.selectObject(w.createPen(kBlue, 10));
        w.polyline({{0, 20}, {100, 20}});
    });
    row("escape and unknown records are skipped", {20, 20}, kRed, {60, 60}, [](WmfWriter &w) {
        w.record(0x0626, {15, 6, 1, 2, 3});
        w.record(0x0F43, {1, 2, 3, 4, 5, 6, 7, 8});
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("a deleted brush stays selected", {20, 20}, kBlue, {60, 60}, [](WmfWriter &w) {
        const int blue = w.createBrush(kBlue);
        w.selectObject(blue);
        w.deleteObject(blue);
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("a new object takes the lowest free index", {20, 20}, kBlue, {60, 60}, [](WmfWriter &w) {
        w.deleteObject(0);
        QCOMPARE(w.createBrush(kBlue), 0);
        w.selectObject(0);
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("palettes and regions take an index", {20, 20}, kBlue, {60, 60}, [](WmfWriter &w) {
        w.record(0x00F7, {0x0300, 0}); // a palette: object 2
        w.createBrush(kBlue);          // object 3
        w.createBrush(kGreen);         // object 4
        w.selectObject(2); // the palette: no brush changes
        w.selectObject(3);
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("restore brings back a pen deleted after the save", {50, 50}, kBlue, {50, 30},
        [](WmfWriter &w) {
            const int blue = w.createPen(kBlue, 10);
            w.selectObject(blue);
            w.saveDc();
            w.selectObject(0);
            w.deleteObject(blue);
            QCOMPARE(w.createPen(kGreen, 10), blue); // the freed index now holds green
            w.restoreDc(-1);
            w.moveTo(QPoint(0, 50));
            w.lineTo(QPoint(100, 50));
        });
    row("restore by absolute number", {20, 20}, kBlue, {60, 60}, [](WmfWriter &w) {
        w.selectObject(w.createBrush(kBlue));
        w.saveDc();
        w.selectObject(w.createBrush(kGreen));
        w.saveDc();
        w.selectObject(1);
        w.restoreDc(1);
        w.rectangle(QRect(10, 10, 30, 30));
    });
    row("restore beyond the saved states changes nothing", {20, 20}, kBlue, {60, 60},
        [](WmfWriter &w) {
            w.saveDc();
            w.selectObject(w.createBrush(kBlue));
            w.restoreDc(-2);
            w.restoreDc(0);
            w.restoreDc(5);
            w.rectangle(QRect(10, 10, 30, 30));
        });
    row("restore brings back the window", {25, 25}, kRed, {75, 75}, [](WmfWriter &w) {
        w.setWindowExt(QSize(200, 200));
        w.saveDc();
        w.setWindowExt(QSize(10, 10));
        w.restoreDc(-1);
        w.rectangle(QRect(0, 0, 100, 100));
    });
}

void tst_WmfReader::drawsRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, inside);
    QFETCH(QColor, colour);
    QFETCH(QPoint, outside);

    WmfPicture picture;
    QString error;
    QVERIFY2(picture.load(file, &error), qPrintable(error));
    const QImage image = picture.toImage(QSize(100, 100));
    QCOMPARE(image.pixelColor(inside), colour);
    QCOMPARE(image.pixelColor(outside).alpha(), 0);
}

void tst_WmfReader::drawsText_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QRect>("textArea"); // all the glyphs fall in here
    QTest::addColumn<QRect>("gap");      // and none in here
    QTest::addColumn<QPoint>("boxAt");
    QTest::addColumn<QColor>("box"); // the background there

    auto start = [] {
        WmfWriter w = squarePicture();
        w.selectObject(w.createFont(-30, 700, "Liberation Sans"));
        w.setTextColor(kBlue);
        return w;
    };
    const QColor none(Qt::transparent);
    {
        WmfWriter w = start();
        w.setBkMode(false);
        w.textOut(QPoint(10, 10), "HH");
        QTest::newRow("text out, top left reference")
            << w.finish() << QRect(8, 8, 52, 36) << QRect() << QPoint(11, 11) << none;
    }
    {
        WmfWriter w = start();
        w.setBkMode(false);
        w.setTextAlign(6 | 24); // centred on its baseline
        w.textOut(QPoint(50, 80), "HH");
        QTest::newRow("centred on the baseline")
            << w.finish() << QRect(24, 52, 52, 30) << QRect() << QPoint(50, 50) << none;
    }
    {
        WmfWriter w = start();
        w.setBkColor(kGreen);
        w.textOut(QPoint(10, 10), "HH");
        QTest::newRow("opaque background")
            << w.finish() << QRect(8, 8, 52, 36) << QRect() << QPoint(11, 11) << kGreen;
    }
    {
        WmfWriter w = start();
        w.setBkColor(kGreen);
        // Characters 30 units apart (wider than their own advance, which leaves a gap before
        // the third), in an opaque box; the odd-length string is padded.
        w.record(0x0A32, {10, 10, 3, 0x0002, 5, 5, 95, 45, 'H' | ('H' << 8), 'H', 30, 30, 30});
        QTest::newRow("extended text with spacing")
            << w.finish() << QRect(8, 8, 90, 36) << QRect(64, 8, 5, 36) << QPoint(6, 44) << kGreen;
    }
}

void tst_WmfReader::drawsText()
{
    QFETCH(QByteArray, file);
    QFETCH(QRect, textArea);
    QFETCH(QRect, gap);
    QFETCH(QPoint, boxAt);
    QFETCH(QColor, box);

    WmfPicture picture;
    QString error;
    QVERIFY2(picture.load(file, &error), qPrintable(error));
    const QImage image = picture.toImage(QSize(100, 100));
    auto isGlyph = [](QColor c) { return c.alpha() > 0 && c.blue() > 200 && c.green() < 100; };
    QVERIFY(countPixels(image, textArea, isGlyph) > 40);
    QCOMPARE(countPixels(image, image.rect(), isGlyph), countPixels(image, textArea, isGlyph));
    QCOMPARE(countPixels(image, gap, isGlyph), 0);
    QCOMPARE(image.pixelColor(boxAt), box);
}

void tst_WmfReader::paintsOnlyInsideTarget()
{
    WmfWriter w = squarePicture();
    w.rectangle(QRect(-50, -50, 200, 200)); // larger than the picture
    WmfPicture picture;
    QVERIFY(picture.load(w.finish()));

    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.paint(painter, QRectF(20, 30, 50, 40));
    painter.end();
    const QRect target(20, 30, 50, 40);
    QCOMPARE(countPixels(image, image.rect(), [](QColor c) { return c.alpha() > 0; }),
             target.width() * target.height());
    QCOMPARE(image.pixelColor(target.center()), kRed);
}

void tst_WmfReader::rejectsMalformedFiles_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray valid = smallValidFile();
    QByteArray wrongMagic = valid;
    wrongMagic[0] = char(0xD8);
    QByteArray badHeaderSize = valid;
    badHeaderSize[24] = 10;
    QByteArray badType = valid;
    badType[22] = 7;
    QByteArray eofPastEnd = valid;
    eofPastEnd[eofPastEnd.size() - 6] = 4;

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("wrong magic") << wrongMagic;
    QTest::newRow("placeable header only") << valid.left(22);
    QTest::newRow("headers only, no records") << valid.left(40);
    QTest::newRow("bad header size") << badHeaderSize;
    QTest::newRow("bad metafile type") << badType;
    QTest::newRow("empty bounding box") << WmfWriter(QRect(0, 0, 0, 100), 1440).finish();
    QTest::newRow("zero units per inch") << WmfWriter(QRect(0, 0, 100, 100), 0).finish();
    QTest::newRow("zero record size") << withRawRecord(rawRecord(0, 0x0201, words({0, 0})));
    QTest::newRow("record size below its header") << withRawRecord(rawRecord(2, 0x001E));
    QTest::newRow("huge record size") << withRawRecord(rawRecord(0xFFFFFFFF, 0x0626));
    QTest::newRow("record one word past the end") << eofPastEnd;
    QTest::newRow("huge point count")
        << withRawRecord(rawRecord(3 + 5, 0x0324, words({65535, 0, 0, 10, 10})));
    QTest::newRow("polyline count one too many")
        << withRawRecord(rawRecord(3 + 5, 0x0325, words({3, 0, 0, 10, 10})));
    QTest::newRow("polypolygon counts beyond the record")
        << withRawRecord(rawRecord(3 + 7, 0x0538, words({2, 40000, 40000, 0, 0, 5, 5})));
    QTest::newRow("polypolygon polygon count beyond the record")
        << withRawRecord(rawRecord(3 + 2, 0x0538, words({65535, 3})));
    QTest::newRow("text longer than its record")
        << withRawRecord(rawRecord(3 + 3, 0x0521, words({200, 0x4141, 0})));
    QTest::newRow("extended text longer than its record")
        << withRawRecord(rawRecord(3 + 5, 0x0A32, words({0, 0, 300, 0, 0x4141})));
    QTest::newRow("short pen record") << withRawRecord(rawRecord(3 + 2, 0x02FA, words({0, 1})));
    QTest::newRow("short font record") << withRawRecord(rawRecord(3 + 4, 0x02FB, words({-20, 0, 0, 0})));
    QTest::newRow("short rectangle") << withRawRecord(rawRecord(3 + 3, 0x041B, words({10, 10, 0})));
    QTest::newRow("no end-of-file record") << valid.left(valid.size() - 6);
}

void tst_WmfReader::rejectsMalformedFiles()
{
    QFETCH(QByteArray, file);

    WmfPicture picture;
    QVERIFY(picture.load(smallValidFile()));
    QString error;
    QVERIFY(!picture.load(file, &error));
    QVERIFY(!error.isEmpty());
    // A failed load leaves nothing of the earlier picture behind.
    QVERIFY(picture.isNull());
    QCOMPARE(picture.sizeTwips(), QSizeF());
    QVERIFY(picture.toImage(QSize(10, 10)).isNull());
}

void tst_WmfReader::everyTruncationFailsCleanly()
{
    const QByteArray file = smallValidFile();
    WmfPicture picture;
    for (qsizetype length = 0; length < file.size(); ++length) {
        QVERIFY2(!picture.load(file.left(length)), qPrintable(QString::number(length)));
        QVERIFY(picture.isNull());
    }
    QVERIFY(picture.load(file));
    const QImage image = picture.toImage(QSize(100, 100));
    QCOMPARE(image.pixelColor(20, 20), kRed);
}

void tst_WmfReader::toleratesHarmlessOddities_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray valid = smallValidFile();
    QByteArray sizeTooLarge = valid;
    const int words = int((valid.size() - 22) / 2 + 11); // counts the placeable header too
    sizeTooLarge[28] = char(words & 0xFF);
    sizeTooLarge[29] = char(words >> 8);
    QByteArray wrongChecksum = valid;
    wrongChecksum[20] = char(wrongChecksum[20] ^ 0x5A);
    QByteArray diskType = valid;
    diskType[22] = 2;
    QByteArray oldVersion = valid;
    oldVersion[27] = 1;
    QByteArray wrongObjectCount = valid;
    wrongObjectCount[32] = 0;

    QTest::newRow("file size counts the placeable header") << sizeTooLarge;
    QTest::newRow("wrong checksum") << wrongChecksum;
    QTest::newRow("disk metafile") << diskType;
    QTest::newRow("first version") << oldVersion;
    QTest::newRow("object count of zero") << wrongObjectCount;
    QTest::newRow("bytes after the end-of-file record") << valid + QByteArray(33, '\xEE');
}

void tst_WmfReader::toleratesHarmlessOddities()
{
    QFETCH(QByteArray, file);

    WmfPicture picture;
    QString error;
    QVERIFY2(picture.load(file, &error), qPrintable(error));
    QCOMPARE(picture.toImage(QSize(100, 100)).pixelColor(20, 20), kRed);
}

void tst_WmfReader::survivesExtremeValues()
{
    WmfWriter w(QRect(-32768, -32768, 65535, 65535), 1);
    w.setWindowOrg(QPoint(32767, 32767));
    w.setWindowExt(QSize(1, -1));
    for (int i = 0; i < 2000; ++i)
        w.saveDc();
    w.selectObject(w.createPen(kBlue, 32767, 1));
    w.selectObject(w.createFont(-32768, 32767, "Liberation Sans"));
    w.setBkMode(true);
    w.setTextAlign(0xFFFF);
    w.polygon({{-32768, -32768}, {32767, -32768}, {0, 32767}});
    w.ellipse(QRect(-32768, -32768, 65535, 65535));
    w.record(0x0A32, {0, 0, 2, 0x0006, -32768, -32768, 32767, 32767, 0x4141, -32768, 32767});
    for (int i = 0; i < 2100; ++i)
        w.restoreDc(-1);
    w.restoreDc(-32768);
    for (int i = 0; i < 70000; ++i) // more objects than indexes
        w.record(0x02FC, {0, 0, 0, 0});
    w.selectObject(65535);
    w.deleteObject(65535);

    WmfPicture picture;
    QString error;
    QVERIFY2(picture.load(w.finish(), &error), qPrintable(error));
    QCOMPARE(picture.sizeTwips(), QSizeF(65535.0 * 1440, 65535.0 * 1440));
    QCOMPARE(picture.toImage(QSize(640, 480)).size(), QSize(640, 480));
}

QTEST_MAIN(tst_WmfReader)
#include "tst_wmfreader.moc"
