// The teacher's settings page: each change is saved at once, remembered by the next run's
// settings and shown by the next page, and the screens are told; when read-aloud cannot be
// heard the page says why and offers no voice to try.

#include "results.h"
#include "settings.h"
#include "settingspage.h"
#include "speech.h"
#include "teacherplugin.h"
#include "teacherwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingSpeech : public Speech
{
public:
    bool available() const override { return reason.isEmpty(); }
    QString unavailableReason() const override { return reason; }
    void say(const QString &text) override { said << text; }
    void stop() override {}
    bool isSpeaking() const override { return false; }
    QStringList voices() const override { return {QStringLiteral("awb"), QStringLiteral("rms"), QStringLiteral("slt")}; }
    void setVoice(const QString &name) override { voice = name; }
    void setRate(double value) override { rate = value; }

    QString reason;
    QStringList said;
    QString voice;
    double rate = 0;
};

// What the page shows for each setting, as the settings hold it.
QVariant shown(const SettingsPage &page, const QString &control)
{
    if (auto *box = page.findChild<QCheckBox *>(control))
        return box->isChecked();
    if (auto *combo = page.findChild<QComboBox *>(control))
        return combo->currentData();
    return page.findChild<QSlider *>(control)->value() / 10.0;
}

} // namespace

class TestSettingsPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void remembered_data();
    void remembered();
    void unavailable_data();
    void unavailable();
    void teacherTextFollowsScreenAndChoice();
    void schoolService_data();
    void schoolService();

private:
    QTemporaryDir m_dir;
};

void TestSettingsPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

void TestSettingsPage::init()
{
    QFile::remove(Settings().fileName());
}

void TestSettingsPage::remembered_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("line"); // in the settings file

    QTest::newRow("read-aloud off") << "readAloud" << QVariant(true) << QVariant(false) << QByteArray("readAloud=false");
    QTest::newRow("another voice") << "voice" << QVariant("awb") << QVariant("rms") << QByteArray("voice=rms");
    QTest::newRow("slowest") << "rate" << QVariant(0.0) << QVariant(-1.0) << QByteArray("rate=-1");
    QTest::newRow("a little faster") << "rate" << QVariant(0.0) << QVariant(0.3) << QByteArray("rate=0.3");
    QTest::newRow("high contrast") << "highContrast" << QVariant(false) << QVariant(true) << QByteArray("highContrast=true");
    QTest::newRow("larger text") << "textSize" << QVariant(0) << QVariant(2) << QByteArray("textSize=2");
}

void TestSettingsPage::remembered()
{
    QFETCH(QString, control);
    QFETCH(QVariant, before);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, line);

    RecordingSpeech speech;
    NoResults results(QString{});
    Settings settings;
    int changes = 0;
    TeacherContext context{results, settings, [&] { ++changes; }};
    context.speech = [&] { return &speech; };
    {
        SettingsPage page(context);
        QCOMPARE(shown(page, control), before);
        if (auto *box = page.findChild<QCheckBox *>(control))
            box->click();
        else if (auto *combo = page.findChild<QComboBox *>(control))
            combo->setCurrentIndex(combo->findData(value));
        else
            page.findChild<QSlider *>(control)->setValue(qRound(value.toDouble() * 10));
    }
    QCOMPARE(changes, 1);
    // Written to the file at once, for the next run, and shown by the next page.
    QFile file(settings.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll().contains(line), qPrintable(settings.fileName()));
    const SettingsPage nextPage(context);
    QCOMPARE(shown(nextPage, control), value);
}

void TestSettingsPage::unavailable_data()
{
    QTest::addColumn<bool>("service");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("notice");

    QTest::newRow("heard") << true << QString() << QString();
    QTest::newRow("no sound device") << true << "No sound device was found." << "No sound device was found.";
    QTest::newRow("no service") << false << QString() << "no speech service";
}

void TestSettingsPage::unavailable()
{
    QFETCH(bool, service);
    QFETCH(QString, reason);
    QFETCH(QString, notice);

    RecordingSpeech speech;
    speech.reason = reason;
    NoResults results(QString{});
    Settings settings;
    settings.setSpeechRate(-0.5);
    TeacherContext context{results, settings};
    if (service)
        context.speech = [&] { return &speech; };
    SettingsPage page(context);
    page.show();

    const auto *line = page.findChild<QLabel *>(QStringLiteral("notice"));
    QCOMPARE(line->isVisible(), !notice.isEmpty());
    QVERIFY2(line->text().contains(notice), qPrintable(line->text()));
    auto *tryVoice = page.findChild<QPushButton *>(QStringLiteral("tryVoice"));
    QCOMPARE(tryVoice->isEnabled(), notice.isEmpty());
    QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("voice"))->isEnabled(), notice.isEmpty());
    // The teacher may still turn read-aloud on or off for a computer that can speak.
    QVERIFY(page.findChild<QCheckBox *>(QStringLiteral("readAloud"))->isEnabled());

    tryVoice->click();
    if (notice.isEmpty()) {
        QCOMPARE(speech.said.size(), 1);
        QCOMPARE(speech.voice, QStringLiteral("awb"));
        QCOMPARE(speech.rate, -0.5);
    } else {
        QVERIFY(speech.said.isEmpty());
    }
}

// The teacher window's text: the system's on an ordinary screen, twice that on a 4K board
// that reports no scale of its own, and the teacher's choice on top, applied at once.
void TestSettingsPage::teacherTextFollowsScreenAndChoice()
{
    QCOMPARE(TeacherWindow::textScale(1024, 0), 1.0);
    QCOMPARE(TeacherWindow::textScale(2160, 0), 2.0);
    QCOMPARE(TeacherWindow::textScale(2160, 2), 3.0);

    NoResults results(QString{});
    Settings settings;
    TeacherContext context{results, settings};
    TeacherWindow window(context);
    // A notice with a style sheet of its own grows too.
    auto *notice = window.findChild<QLabel *>(QStringLiteral("notice"));
    const auto shownSize = [&] {
        notice->ensurePolished();
        return notice->font().pointSizeF();
    };
    const double system = QApplication::font().pointSizeF();
    const double screen = TeacherWindow::textScale(window.screen()->availableGeometry().height(), 0);
    QCOMPARE(shownSize(), system * screen);
    auto *size = window.findChild<QComboBox *>(QStringLiteral("textSize"));
    size->setCurrentIndex(1);
    QCOMPARE(shownSize(), std::round(system * screen * 1.25 * 10) / 10);
    QCOMPARE(Settings().teacherTextSize(), 1);
}

// The school database's name: typed on the page (only what a name may hold gets in) or
// found in a hand-edited file, where anything that could add connection options of its own
// is read as none.
void TestSettingsPage::schoolService_data()
{
    QTest::addColumn<QString>("typed"); // on the page; empty: written straight into the file
    QTest::addColumn<QString>("inFile");
    QTest::addColumn<QString>("read");

    QTest::newRow("a name") << "school_db-1.main" << "" << "school_db-1.main";
    QTest::newRow("spaces and options typed") << "school host=evil;x" << "" << "schoolhostevilx";
    QTest::newRow("cleared") << "(clear)" << "" << "";
    QTest::newRow("63 letters") << "" << QString(63, QChar('s')) << QString(63, QChar('s'));
    QTest::newRow("64 letters") << "" << QString(64, QChar('s')) << "";
    QTest::newRow("spaces round it") << "" << "  school  " << "school";
    QTest::newRow("another option") << "" << "school password=x" << "";
    QTest::newRow("a quote") << "" << "school'" << "";
    QTest::newRow("not ASCII") << "" << "sch\u00f6ol" << "";
}

void TestSettingsPage::schoolService()
{
    QFETCH(QString, typed);
    QFETCH(QString, inFile);
    QFETCH(QString, read);

    NoResults results(QString{});
    Settings settings;
    {
        QSettings file(settings.fileName(), QSettings::IniFormat);
        file.setValue(QStringLiteral("results/service"), typed == QLatin1String("(clear)") ? QStringLiteral("old") : inFile);
    }
    int changes = 0;
    TeacherContext context{results, settings, [&] { ++changes; }};
    {
        SettingsPage page(context);
        auto *field = page.findChild<QLineEdit *>(QStringLiteral("schoolService"));
        QCOMPARE(field->placeholderText(), QStringLiteral("none: this computer only"));
        if (typed == QLatin1String("(clear)")) {
            QCOMPARE(field->text(), QStringLiteral("old"));
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Backspace);
        } else if (!typed.isEmpty()) {
            QTest::keyClicks(field, typed);
        }
        QCOMPARE(field->text(), read);
    }
    QCOMPARE(Settings().schoolService(), read);
    if (!typed.isEmpty())
        QVERIFY(changes > 0);
    // A refused name is never saved: the file keeps what it had.
    QCOMPARE(settings.setSchoolService(QStringLiteral("bad name")), false);
    QCOMPARE(Settings().schoolService(), read);
}

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
