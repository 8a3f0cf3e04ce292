#include "deferredspeech.h"

#include <QtTest>

// The engine behind read-aloud is loaded only when something is to be said (or the
// teacher asks for the voices), never by a screen asking whether it can be heard.
class tst_DeferredSpeech : public QObject
{
    Q_OBJECT
private slots:
    void loadsOnlyToSpeak_data();
    void loadsOnlyToSpeak();
};

namespace {

struct Heard : SilentSpeech
{
    explicit Heard(QStringList &log) : log(log) {}
    void say(const QString &text) override { log << QStringLiteral("say ") + text; }
    void stop() override { log << QStringLiteral("stop"); }
    void setVoice(const QString &voice) override { log << QStringLiteral("voice ") + voice; }
    void setRate(double rate) override { log << QStringLiteral("rate %1").arg(rate); }
    QStringList &log;
};

} // namespace

void tst_DeferredSpeech::loadsOnlyToSpeak_data()
{
    QTest::addColumn<QString>("noDevice");
    QTest::addColumn<bool>("engineLoads");
    QTest::addColumn<int>("loads");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("availableAfter");

    QTest::newRow("a device and an engine") << QString() << true << 1
        << QStringList{"voice awb", "rate -0.5", "say Hello.", "stop"} << true;
    QTest::newRow("no sound device") << QStringLiteral("No sound device was found.") << true << 0
        << QStringList{} << false;
    QTest::newRow("the engine's module missing") << QString() << false << 1
        << QStringList{} << false;
}

void tst_DeferredSpeech::loadsOnlyToSpeak()
{
    QFETCH(QString, noDevice);
    QFETCH(bool, engineLoads);
    QFETCH(int, loads);
    QFETCH(QStringList, log);
    QFETCH(bool, availableAfter);

    QStringList heard;
    int loaded = 0;
    DeferredSpeech speech([&]() -> std::unique_ptr<Speech> {
        ++loaded;
        return engineLoads ? std::make_unique<Heard>(heard) : nullptr;
    }, noDevice);

    // What a screen does as it shows, and what the settings do: nothing loads.
    QCOMPARE(speech.available(), noDevice.isEmpty());
    speech.setVoice(QStringLiteral("awb"));
    speech.setRate(-0.5);
    speech.stop();
    QVERIFY(!speech.isSpeaking());
    QCOMPARE(loaded, 0);

    speech.say(QStringLiteral("Hello."));
    speech.say(QStringLiteral("Again.")); // loaded once, however often it speaks
    speech.stop();
    QCOMPARE(loaded, loads);
    if (engineLoads && noDevice.isEmpty())
        log.insert(3, QStringLiteral("say Again."));
    QCOMPARE(heard, log);
    QCOMPARE(speech.available(), availableAfter);
    QCOMPARE(speech.unavailableReason().isEmpty(), availableAfter);
}

QTEST_GUILESS_MAIN(tst_DeferredSpeech)
#include "tst_deferredspeech.moc"
