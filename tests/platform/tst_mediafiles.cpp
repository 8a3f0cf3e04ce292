// Pictures and sounds as they come from disk: a large picture kept as its file's bytes
// must paint what a decoded copy paints, and only a wave file that is all there may reach
// the sound system (its loader waits for ever on one cut short).

#include "picture.h"
#include "soundplayer.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

namespace {

// A picture with blocks of colour and a diagonal, saved as a JPEG at the given dpi.
QByteArray jpeg(const QSize &size, int dpi = 192)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, size.width() / 2, size.height() / 2), QColor(200, 30, 30));
    painter.fillRect(QRect(size.width() / 2, size.height() / 2, size.width() / 2, size.height() / 2),
                     QColor(20, 60, 180));
    painter.setPen(QPen(Qt::black, size.width() / 50));
    painter.drawLine(0, 0, size.width(), size.height());
    painter.end();
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return data;
}

QImage painted(const Picture &picture, const QSize &size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::green);
    QPainter painter(&out);
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return out;
}

// The mean difference per colour channel between two pictures of one size.
double meanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray out(id, 4);
    char size[4];
    qToLittleEndian<quint32>(quint32(body.size()), size);
    out.append(size, 4).append(body);
    if (body.size() % 2)
        out.append('\0');
    return out;
}

QByteArray wave(const QByteArray &chunks)
{
    char size[4];
    qToLittleEndian<quint32>(quint32(chunks.size() + 4), size);
    return QByteArray("RIFF") + QByteArray(size, 4) + "WAVE" + chunks;
}

const QByteArray Format = chunk("fmt ", QByteArray::fromHex("01000100441500008813000002001000"));

} // namespace

class tst_MediaFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void largePictureIsKeptEncodedAndPaintsTheSame_data();
    void largePictureIsKeptEncodedAndPaintsTheSame();
    void largeGarbageIsRefused();
    void onlyCompleteWavesArePlayed_data();
    void onlyCompleteWavesArePlayed();
};

void tst_MediaFiles::largePictureIsKeptEncodedAndPaintsTheSame_data()
{
    QTest::addColumn<QSize>("paintedAt");
    QTest::newRow("a quarter, decoded reduced") << QSize(400, 300);
    QTest::newRow("natural size") << QSize(1600, 1200);
    QTest::newRow("enlarged, bands stretched") << QSize(2000, 1500);
    QTest::newRow("uneven scale") << QSize(533, 411);
}

void tst_MediaFiles::largePictureIsKeptEncodedAndPaintsTheSame()
{
    QFETCH(QSize, paintedAt);
    const QByteArray data = jpeg(QSize(1600, 1200));
    const Picture large = Picture::fromData(data);
    QVERIFY(!large.isNull());
    QVERIFY(large.isDecodedWhenPainted());
    QImage whole = QImage::fromData(data);
    QVERIFY(!whole.isNull());
    const Picture reference = Picture::fromImage(whole);
    QVERIFY(!reference.isDecodedWhenPainted());
    // 1600 x 1200 pixels at 192 dpi are 8.33 x 6.25 inches, however the picture is kept.
    QCOMPARE(large.sizeTwips(), reference.sizeTwips());
    QVERIFY(qAbs(large.sizeTwips().width() - 12000) < 0.5 && qAbs(large.sizeTwips().height() - 9000) < 0.5);
    const QImage got = painted(large, paintedAt);
    const QImage want = painted(reference, paintedAt);
    // No green left uncovered (a band missed or misplaced would leave it) and the same
    // picture within JPEG's own reduced-decoding error.
    QVERIFY2(meanDifference(got, want) < 4.0, qPrintable(QString::number(meanDifference(got, want))));
    for (int y = 0; y < got.height(); y += 7) {
        for (int x = 0; x < got.width(); x += 7)
            QVERIFY2(got.pixel(x, y) != qRgb(0, 255, 0), qPrintable(QStringLiteral("uncovered at %1,%2").arg(x).arg(y)));
    }
}

void tst_MediaFiles::largeGarbageIsRefused()
{
    // A real header claiming a large picture, followed by noise instead of its data.
    QByteArray data = jpeg(QSize(1600, 1200)).left(700);
    for (int i = 0; i < 200000; ++i)
        data.append(char((i * 7919) >> 3));
    const Picture broken = Picture::fromData(data);
    QVERIFY(broken.isNull() || broken.isDecodedWhenPainted());
    // Whatever is kept must paint without harm.
    painted(broken, QSize(300, 200));
    QVERIFY(Picture::fromData(QByteArray(100000, '\xff')).isNull());
    // A small picture is decoded once, as it always was.
    const Picture small = Picture::fromData(jpeg(QSize(200, 150)));
    QVERIFY(!small.isNull());
    QVERIFY(!small.isDecodedWhenPainted());
}

void tst_MediaFiles::onlyCompleteWavesArePlayed_data()
{
    const QByteArray samples(2000, '\x10');
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("complete");
    QTest::newRow("a cue") << wave(Format + chunk("data", samples)) << true;
    QTest::newRow("a list chunk of odd length first")
        << wave(Format + chunk("LIST", QByteArray(5, 'x')) + chunk("data", samples)) << true;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("only the header") << wave({}) << false;
    QTest::newRow("cut in the samples") << wave(Format + chunk("data", samples)).chopped(100) << false;
    QTest::newRow("no samples") << wave(Format + chunk("data", {})) << false;
    QTest::newRow("no format") << wave(chunk("data", samples)) << false;
    QTest::newRow("format too short") << wave(chunk("fmt ", QByteArray(8, '\0')) + chunk("data", samples)) << false;
    QTest::newRow("not a wave") << (QByteArray("RIFX") + wave(Format + chunk("data", samples)).mid(4)) << false;
    QTest::newRow("chunk size past the end")
        << wave(Format + QByteArray("data") + QByteArray::fromHex("ffffff7f") + samples) << false;
}

void tst_MediaFiles::onlyCompleteWavesArePlayed()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, complete);
    QCOMPARE(SoundPlayer::isCompleteWave(data), complete);
}

QTEST_GUILESS_MAIN(tst_MediaFiles)
#include "tst_mediafiles.moc"
