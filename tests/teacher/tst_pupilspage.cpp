// The Pupils page on a real results file: lists added whole or not at all, every problem
// said by line; removal says how many visits went and leaves none of the pupil's; one
// pupil's results exported alone; the sign-in settings kept at once.

#include "pupilspage.h"
#include "resultsstore.h"
#include "settings.h"
#include "settingspage.h"
#include "teacherplugin.h"
#include "teacherwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

void visit(ResultsStore &store, const QString &activity, const QList<bool> &answers)
{
    store.visitStarted(activity, activity);
    for (int i = 0; i < answers.size(); ++i) {
        store.itemShown(i);
        store.answered(answers[i]);
    }
    store.visitEnded();
}

// Presses the button of the next message box, remembering what it asked.
void answerBox(const QString &button, QString *said)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, button, said] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->deleteLater();
        poll->stop();
        *said = box->text() + QLatin1Char('\n') + box->informativeText();
        for (QAbstractButton *each : box->buttons()) {
            if (each->text() == button)
                return each->click();
        }
        box->reject();
        QFAIL(qPrintable(QStringLiteral("no button %1").arg(button)));
    });
    poll->start();
}

} // namespace

class tst_PupilsPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void listAddedWholeOrNotAtAll_data();
    void listAddedWholeOrNotAtAll();
    void removalSaysWhatWent();
    void renameAndMove();
    void signInSettingsKeptAtOnce();
    void noTwoShortcutsOnAPage();

private:
    QTemporaryDir m_scratch;
    std::unique_ptr<ResultsStore> m_store;
    std::unique_ptr<Settings> m_settings;
};

void tst_PupilsPage::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_scratch.filePath(QStringLiteral("config")));
}

void tst_PupilsPage::init()
{
    m_store.reset();
    QFile::remove(m_scratch.filePath(QStringLiteral("results.sqlite")));
    m_store = std::make_unique<ResultsStore>(m_scratch.filePath(QStringLiteral("results.sqlite")));
    QFile::remove(Settings().fileName());
    m_settings = std::make_unique<Settings>();
}

void tst_PupilsPage::listAddedWholeOrNotAtAll_data()
{
    QTest::addColumn<QString>("file"); // its ending says how it is read
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QStringList>("added"); // besides Amy R., already in the class

    const QByteArray thirty(30, 'x');
    QTest::newRow("messy CSV with a heading")
        << "class.csv"
        << QByteArray("Name,Group\r\nBen T.,1\r\n\r\n\"Cara, J.\",2\r\nben t.,1\r\n" + thirty + ",2\r\namy r.,3\r\n \r\n")
        << QStringList{QStringLiteral("Line 3 is blank."), QStringLiteral("Line 5: \"ben t.\" is already on line 2."),
                       QStringLiteral("Line 6: \"%1\" is 30 characters long; a name can be at most 24.").arg(thirty),
                       QStringLiteral("Line 7: \"amy r.\" is already in the class.")}
        << QStringList();
    QTest::newRow("clean CSV with a heading")
        << "class.csv" << QByteArray("\xef\xbb\xbfPupil name,Group\r\n\"Cara, J.\",2\r\n  Dev   K. ,1\r\n")
        << QStringList() << QStringList{QStringLiteral("Cara, J."), QStringLiteral("Dev K.")};
    // In a text file every line is a name: "Name" too.
    QTest::newRow("clean text, a blank line at the end")
        << "class.txt" << QByteArray("Name\nZoe \xc3\x85.\n\n") << QStringList()
        << QStringList{QStringLiteral("Name"), QStringLiteral("Zoe \u00c5.")};
}

void tst_PupilsPage::listAddedWholeOrNotAtAll()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, problems);
    QFETCH(QStringList, added);
    QString error;
    QCOMPARE(m_store->addPupils(QStringLiteral("5B"), {QStringLiteral("Amy R.")}, &error).size(), 1);
    const QString path = m_scratch.filePath(file);
    QFile list(path);
    QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate) && list.write(bytes) == bytes.size());
    list.close();

    PupilsPage page(*m_store, *m_settings);
    page.setCurrentClass(QStringLiteral("5B"));
    QCOMPARE(page.importFile(path), problems.isEmpty());
    QStringList names;
    for (const Results::Pupil &pupil : m_store->pupils(QStringLiteral("5B")))
        names << pupil.name;
    QStringList expected = added + QStringList{QStringLiteral("Amy R.")};
    expected.sort(Qt::CaseInsensitive);
    names.sort(Qt::CaseInsensitive);
    QCOMPARE(names, expected);
    QCOMPARE(page.pupilList().count(), expected.size());
    const QString report = page.report().toPlainText();
    QCOMPARE(report.isEmpty() ? QStringList() : report.split(QLatin1Char('\n')), problems);
    QVERIFY2(page.status().text().startsWith(problems.isEmpty() ? QStringLiteral("Added") : QStringLiteral("Nothing was added")),
             qPrintable(page.status().text()));
}

void tst_PupilsPage::removalSaysWhatWent()
{
    QString error;
    const QList<qint64> ids = m_store->addPupils(QStringLiteral("6A"), {QStringLiteral("<b>Amy</b> R."), QStringLiteral("Ben T.")}, &error);
    QVERIFY2(ids.size() == 2, qPrintable(error));
    m_store->signIn(ids[0]);
    visit(*m_store, QStringLiteral("similes"), {true, false});
    visit(*m_store, QStringLiteral("openings"), {true});
    visit(*m_store, QStringLiteral("similes"), {false});
    m_store->signIn(ids[1]);
    visit(*m_store, QStringLiteral("cv"), {true});
    m_store->signIn(0);
    m_store->setClassLabel(QStringLiteral("6A"));
    visit(*m_store, QStringLiteral("cv"), {true}); // kept under the class alone

    PupilsPage page(*m_store, *m_settings);
    page.setCurrentClass(QStringLiteral("6A"));
    // One pupil's visits alone, for a parent who asks.
    const QString csvPath = m_scratch.filePath(QStringLiteral("amy.csv"));
    QVERIFY(page.exportPupilTo(ids[0], csvPath));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), 4); // the header and three visits
    QCOMPARE(page.status().text(), QStringLiteral("Saved 3 visits of <b>Amy</b> R. to %1.").arg(QDir::toNativeSeparators(csvPath)));
    QCOMPARE(page.status().textFormat(), Qt::PlainText); // the name as typed, never markup

    // Kept when the teacher says so; gone, with their visits, when asked.
    QString said;
    answerBox(QStringLiteral("Keep pupil"), &said);
    QCOMPARE(page.removePupil(ids[0]), -1);
    QVERIFY2(said.contains(QStringLiteral("Remove <b>Amy</b> R. (class 6A) and all their results?")), qPrintable(said));
    QCOMPARE(m_store->visits().size(), 5);
    answerBox(QStringLiteral("Remove pupil and 3 visits"), &said);
    QCOMPARE(page.removePupil(ids[0]), 3);
    QCOMPARE(page.status().text(), QStringLiteral("Removed <b>Amy</b> R. and 3 visits from this computer."));
    Results::Filter theirs;
    theirs.pupil = ids[0];
    QCOMPARE(m_store->visits(theirs).size(), 0);
    QCOMPARE(m_store->visits().size(), 2);
    QCOMPARE(page.pupilList().count(), 1);

    // The class goes with its pupil and both visits kept under it.
    answerBox(QStringLiteral("Remove class and 2 visits"), &said);
    QCOMPARE(page.removeClass(QStringLiteral("6A")), 2);
    QVERIFY2(said.contains(QStringLiteral("Remove class 6A, its 1 pupil and every visit kept under it?")), qPrintable(said));
    QCOMPARE(page.status().text(), QStringLiteral("Removed class 6A: 1 pupil and 2 visits from this computer."));
    QCOMPARE(m_store->visits().size(), 0);
    QVERIFY(m_store->pupils().isEmpty());
}

// A name already taken is refused and said why; a move lists the pupil in the new class.
void tst_PupilsPage::renameAndMove()
{
    QString error;
    const QList<qint64> ids = m_store->addPupils(QStringLiteral("5B"), {QStringLiteral("Amy R."), QStringLiteral("Ben T.")}, &error);
    QVERIFY2(ids.size() == 2, qPrintable(error));
    PupilsPage page(*m_store, *m_settings);
    page.setCurrentClass(QStringLiteral("5B"));

    QString said;
    answerBox(QStringLiteral("OK"), &said);
    QVERIFY(!page.renamePupil(ids[1], QStringLiteral("amy r.")));
    QVERIFY2(said.startsWith(QStringLiteral("Ben T. could not be renamed.")), qPrintable(said));
    QVERIFY(page.renamePupil(ids[1], QStringLiteral("  Ben   S. ")));
    QCOMPARE(page.status().text(), QStringLiteral("Renamed Ben T. to Ben S."));
    QCOMPARE(page.pupilList().item(1)->text(), QStringLiteral("Ben S."));

    QVERIFY(page.movePupil(ids[0], QStringLiteral("5C")));
    QCOMPARE(m_store->pupils(QStringLiteral("5C")).size(), 1);
    QCOMPARE(page.pupilList().count(), 1); // 5B still shown, Ben alone
    QCOMPARE(page.classList().count(), 2);
    QCOMPARE(page.status().text(), QStringLiteral("Moved Amy R. to class 5C; the visits kept so far stay with class 5B."));
}

void tst_PupilsPage::signInSettingsKeptAtOnce()
{
    int changes = 0;
    TeacherContext context{*m_store, *m_settings, [&] { ++changes; }};
    SettingsPage page(context);
    auto *signIn = page.findChild<QCheckBox *>(QStringLiteral("pupilsSignIn"));
    auto *minutes = page.findChild<QSpinBox *>(QStringLiteral("idleMinutes"));
    QVERIFY(signIn && minutes);
    QVERIFY(!signIn->isChecked() && !minutes->isEnabled());
    QCOMPARE(minutes->value(), 10);
    signIn->click();
    minutes->setValue(500); // beyond what the box takes
    QCOMPARE(changes, 2);
    QVERIFY(Settings().pupilsSignIn());
    QCOMPARE(Settings().idleMinutes(), 120);
    QFile file(m_settings->fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray kept = file.readAll();
    QVERIFY2(kept.contains("[pupils]") && kept.contains("signIn=true") && kept.contains("idleMinutes=120"), kept.constData());
}

// Alt and a letter reaches one control on each page: the window's tabs count on every page.
void tst_PupilsPage::noTwoShortcutsOnAPage()
{
    TeacherContext context{*m_store, *m_settings};
    TeacherWindow window(context);
    const auto letter = [](const QString &text) {
        const qsizetype at = QString(text).replace(QStringLiteral("&&"), QStringLiteral("__")).indexOf(QLatin1Char('&'));
        return at < 0 || at + 1 >= text.size() ? QChar() : text[at + 1].toLower();
    };
    const auto shortcuts = [&](QWidget *within, QMap<QChar, QString> *taken) {
        QStringList texts;
        for (QAbstractButton *button : within->findChildren<QAbstractButton *>())
            texts << button->text();
        for (QLabel *label : within->findChildren<QLabel *>())
            if (label->buddy())
                texts << label->text();
        for (QTabWidget *tabs : within->findChildren<QTabWidget *>())
            for (int t = 0; t < tabs->count(); ++t)
                texts << tabs->tabText(t);
        for (const QString &text : std::as_const(texts)) {
            const QChar key = letter(text);
            if (key.isNull())
                continue;
            QVERIFY2(!taken->contains(key), qPrintable(QStringLiteral("%1 and %2").arg(taken->value(key), text)));
            taken->insert(key, text);
        }
    };
    QMap<QChar, QString> tabs;
    for (int t = 0; t < window.pages().count(); ++t)
        tabs.insert(letter(window.pages().tabText(t)), window.pages().tabText(t));
    QCOMPARE(tabs.size(), window.pages().count());
    for (int t = 0; t < window.pages().count(); ++t) {
        QMap<QChar, QString> taken = tabs;
        shortcuts(window.pages().widget(t), &taken);
    }
}

QTEST_MAIN(tst_PupilsPage)
#include "tst_pupilspage.moc"
