// The speech engine: without a sound device it says why and stays quiet; with one (a
// private sound server whose only output is a null sink, recorded through its monitor) the
// real synthesiser is heard, a new text replaces the one before, and stop() silences.

#include "flitespeech.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int RecordRate = 16000;

// Seconds of sound in a recording so far (16-bit mono at RecordRate): the 50 ms stretches
// whose loudness (RMS) is above 200, well above the null sink's silence of 0.
double soundSeconds(const QString &file)
{
    QFile recording(file);
    if (!recording.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray raw = recording.readAll();
    const auto *samples = reinterpret_cast<const qint16 *>(raw.constData());
    const qsizetype count = raw.size() / qsizetype(sizeof(qint16));
    const qsizetype window = RecordRate / 20;
    int loud = 0;
    for (qsizetype start = 0; start + window <= count; start += window) {
        double sum = 0;
        for (qsizetype i = start; i < start + window; ++i)
            sum += double(samples[i]) * samples[i];
        if (std::sqrt(sum / window) > 200)
            ++loud;
    }
    return loud / 20.0;
}

// A helper process ends with the test, even one that crashes.
void endWithTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

const QString Sentence = QStringLiteral("The cat sat on the mat, and the dog slept by the warm fire all afternoon.");

} // namespace

class TestFliteSpeech : public QObject
{
    Q_OBJECT
public:
    explicit TestFliteSpeech(const QString &serverDir)
        : m_dir(serverDir)
    {
    }

private slots:
    void withoutSoundDevice();
    void heard_data();
    void heard();
    void cleanupTestCase();

private:
    void startServer();

    QString m_dir;
    QProcess m_server;
};

void TestFliteSpeech::withoutSoundDevice()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    FliteSpeech speech{QAudioDevice()};
    QSignalSpy speaking(&speech, &FliteSpeech::speakingChanged);
    QVERIFY(!speech.available());
    QCOMPARE(speech.unavailableReason(), QStringLiteral("No sound device was found."));

    speech.say(Sentence);
    QTest::qWait(200);
    QVERIFY(!speech.isSpeaking());
    QCOMPARE(speaking.count(), 0);

    // The voices are still listed for the teacher, the Scottish one used unless another is.
    QCOMPARE(speech.voiceInUse(), QStringLiteral("awb"));
    speech.setVoice(QStringLiteral("slt"));
    QCOMPARE(speech.voiceInUse(), QStringLiteral("slt"));
    speech.setVoice(QStringLiteral("nobody"));
    QCOMPARE(speech.voiceInUse(), QStringLiteral("awb"));
}

void TestFliteSpeech::heard_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("stopAfter"); // once this much is heard (0: at once); -1 for never
    QTest::addColumn<double>("atLeast"); // seconds of sound heard
    QTest::addColumn<double>("atMost");

    const QStringList one{Sentence};
    QTest::newRow("a sentence is heard") << one << 0.0 << -1.0 << 1.0 << 8.0;
    QTest::newRow("slowest, for longer") << one << -1.0 << -1.0 << 5.0 << 15.0;
    QTest::newRow("a new text replaces the one before") << QStringList{Sentence, "Yes."} << 0.0 << -1.0 << 0.1 << 1.0;
    QTest::newRow("stopped while reading") << one << 0.0 << 0.5 << 0.5 << 1.5;
    QTest::newRow("stopped at once") << one << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("nothing said") << QStringList{} << 0.0 << -1.0 << 0.0 << 0.0;
}

void TestFliteSpeech::heard()
{
    QFETCH(QStringList, texts);
    QFETCH(double, rate);
    QFETCH(double, stopAfter);
    QFETCH(double, atLeast);
    QFETCH(double, atMost);

    // On a machine set up for the program the server is there, and failing to start it fails.
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        QSKIP("pulseaudio is not installed here");
    startServer();
    if (QTest::currentTestFailed())
        return;
    const QString file = m_dir + QStringLiteral("/heard.raw");
    QFile::remove(file);
    QProcess recorder;
    endWithTest(recorder);
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("-d"), QStringLiteral("null.monitor"), QStringLiteral("--format=s16le"),
                    QStringLiteral("--rate=%1").arg(RecordRate), QStringLiteral("--channels=1"),
                    QStringLiteral("--latency-msec=20"), file});
    QVERIFY2(recorder.waitForStarted(), "parec (pulseaudio-utils) cannot be started");
    QTest::qWait(300);

    FliteSpeech speech;
    QVERIFY2(speech.available(), qPrintable(speech.unavailableReason()));
    QSignalSpy synthesised(&speech, &FliteSpeech::synthesised);
    speech.setRate(rate);
    for (const QString &text : texts) {
        QElapsedTimer clock;
        clock.start();
        speech.say(text);
        QVERIFY2(clock.elapsed() < 50, "say() waited for the synthesiser");
    }
    if (stopAfter > 0) // the sound can take a while to start: wait until it is heard
        QTRY_VERIFY_WITH_TIMEOUT(soundSeconds(file) >= stopAfter, 10000);
    if (stopAfter >= 0)
        speech.stop();
    QTest::qWait(1500);
    QTRY_VERIFY_WITH_TIMEOUT(!speech.isSpeaking(), 30000);
    QTest::qWait(500);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));

    const double seconds = soundSeconds(file);
    for (const QList<QVariant> &figures : synthesised)
        qInfo("synthesised %.2f s of speech in %d ms", figures.at(1).toDouble(), figures.at(0).toInt());
    qInfo("heard %.2f s", seconds);
    QVERIFY2(seconds >= atLeast && seconds <= atMost, qPrintable(QString::number(seconds)));
}

void TestFliteSpeech::startServer()
{
    if (m_server.state() == QProcess::Running)
        return;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir);
    environment.remove(QStringLiteral("PULSE_SERVER"));
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    endWithTest(m_server);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--load=module-null-sink sink_name=null"),
                    QStringLiteral("--load=module-native-protocol-unix socket=%1/native").arg(m_dir)});
    QVERIFY2(m_server.waitForStarted(), "pulseaudio cannot be started");
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(m_dir + QStringLiteral("/native")) || m_server.state() != QProcess::Running,
                              "no socket", 10000);
    QVERIFY2(m_server.state() == QProcess::Running, m_server.readAll().constData());
}

void TestFliteSpeech::cleanupTestCase()
{
    if (m_server.state() == QProcess::Running) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
    }
}

int main(int argc, char **argv)
{
    // The sound server's place is known before the application starts, so Qt's sound
    // backend finds it when first used; the server itself runs only while the tests do.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir.path()) + "/native");
    QGuiApplication app(argc, argv);
    TestFliteSpeech test(dir.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_flitespeech.moc"
