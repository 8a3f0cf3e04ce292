// The teacher window's side of the school database: the Lesson page, the Results page's
// Computer column, and the Settings page trying a connection away from the window's thread.

#include "lessonpage.h"
#include "resultspage.h"
#include "settings.h"
#include "settingspage.h"
#include "teacherplugin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using Pupil = Results::LessonPupil;
Q_DECLARE_METATYPE(Pupil)

namespace {

// The school's results as the pages see them: a lesson set by the test, changed with a
// notification as the school database's would be.
class SchoolResults : public NoResults
{
public:
    explicit SchoolResults(QString problem = {}) : NoResults(std::move(problem)) {}
    bool showsSchool() const override { return school; }
    QList<LessonPupil> lesson(QString *error) const override
    {
        reads << clock.elapsed();
        *error = failure;
        return failure.isEmpty() ? pupils : QList<LessonPupil>{};
    }
    void change(const QList<LessonPupil> &now) { pupils = now, notifyLesson(); }
    QList<PupilSummary> pupilSummary(const Filter &) const override { return {{{7, QStringLiteral("Ann"), {}}, {}}}; }
    QList<Visit> visits(const Filter &) const override
    {
        Visit visit;
        visit.computer = QStringLiteral("ROOM4-PC2");
        return {visit};
    }

    bool school = true;
    QString failure;
    QList<LessonPupil> pupils;
    mutable QList<qint64> reads; // when lesson() was called, in ms
    QElapsedTimer clock;
};

Pupil pupil(const QString &name, const QString &computer, int items = 0, int right = 0, bool threeWrong = false)
{
    return {name, QStringLiteral("5B"), computer, QString(), items, right, threeWrong, QDateTime::currentDateTime()};
}

} // namespace

class tst_LessonPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void rows_data();
    void rows();
    void errorOrNobodyInsteadOfRows();
    void followsChangesKeepingChoiceAndScroll();
    void computerColumnOnlyForTheSchool_data();
    void computerColumnOnlyForTheSchool();
    void testConnectionOffTheWindowThread();

private:
    QTemporaryDir m_dir;
};

void tst_LessonPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

void tst_LessonPage::rows_data()
{
    QTest::addColumn<Pupil>("shown");
    QTest::addColumn<QStringList>("texts");

    Pupil answering = pupil(QStringLiteral("Ann"), QStringLiteral("PC1"), 9, 7);
    answering.activity = QStringLiteral("Similes");
    QTest::newRow("answering") << answering
                               << QStringList{"Ann", "5B", "PC1", "Similes", "9", "7 of 9 (78%)", ""};
    QTest::newRow("computer nobody signed in at")
        << pupil(QString(), QStringLiteral("PC2")) << QStringList{"(at PC2)", "5B", "PC2", "-", "0", "-", ""};
    QTest::newRow("three wrong in a row") << pupil(QStringLiteral("Ben"), QStringLiteral("PC3"), 4, 1, true)
                                          << QStringList{"Ben", "5B", "PC3", "-", "4", "1 of 4 (25%)", "3 wrong in a row"};
}

// Each row's texts, and the highlight on exactly the row marked as needing help, among
// rows that are not.
void tst_LessonPage::rows()
{
    QFETCH(Pupil, shown);
    QFETCH(QStringList, texts);

    SchoolResults results;
    results.pupils = {pupil(QStringLiteral("Aaron"), QStringLiteral("PC9")), shown,
                      pupil(QStringLiteral("Zoe"), QStringLiteral("PC8"), 3, 3)};
    LessonPage page(results);
    page.refresh();
    const QTableWidget &table = page.table();
    QCOMPARE(table.rowCount(), 3);
    for (int c = 0; c < table.columnCount(); ++c) {
        QCOMPARE(table.item(1, c)->text(), texts[c]);
        for (int r = 0; r < table.rowCount(); ++r)
            QCOMPARE(table.item(r, c)->background().style() != Qt::NoBrush, results.pupils[r].threeWrong);
    }
    QVERIFY(!page.notice().isVisibleTo(&page) && !page.nobody().isVisibleTo(&page));
    if (const QString shot = qEnvironmentVariable("LESSON_SHOT"); !shot.isEmpty()) // to look at
        QVERIFY(page.grab().save(shot));
}

void tst_LessonPage::errorOrNobodyInsteadOfRows()
{
    SchoolResults results;
    results.pupils = {pupil(QStringLiteral("Ann"), QStringLiteral("PC1"))};
    results.failure = QStringLiteral("The school database cannot be reached.");
    LessonPage page(results);
    page.refresh();
    QVERIFY(page.notice().isVisibleTo(&page) && !page.table().isVisibleTo(&page));
    QCOMPARE(page.notice().text(), results.failure);
    QCOMPARE(page.table().rowCount(), 0);

    results.failure.clear();
    results.pupils.clear();
    page.refresh();
    QVERIFY(!page.notice().isVisibleTo(&page) && page.nobody().isVisibleTo(&page));
    QCOMPARE(page.nobody().text(), QStringLiteral("Nobody has signed in during the last hour."));
}

// A burst of changes is read once at once and then no sooner than the gap allows; the
// pupil chosen stays chosen when a row comes in above, and the table stays where scrolled.
void tst_LessonPage::followsChangesKeepingChoiceAndScroll()
{
    SchoolResults results;
    results.clock.start();
    for (int i = 0; i < 40; ++i)
        results.pupils << pupil(QStringLiteral("Pupil %1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("PC%1").arg(i));
    LessonPage page(results);
    page.resize(600, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTableWidget &table = page.table();
    table.setCurrentCell(20, 0);
    QScrollBar *scroll = table.verticalScrollBar();
    QVERIFY(scroll->maximum() > 10);
    scroll->setValue(scroll->maximum() / 2);
    const int scrolled = scroll->value();

    const qsizetype before = results.reads.size();
    QList<Pupil> now = results.pupils;
    for (int i = 0; i < 30; ++i) // the chosen pupil's row moves out of sight
        now.prepend(pupil(QStringLiteral("Abe %1").arg(i), QStringLiteral("PC%1").arg(100 + i), 1, 1));
    for (int i = 0; i < 10; ++i)
        results.change(now);
    QTRY_COMPARE_WITH_TIMEOUT(table.rowCount(), 70, 2000);
    QCOMPARE(results.reads.size(), before + 1);
    QCOMPARE(table.currentRow(), 50);
    QCOMPARE(table.item(50, 0)->text(), QStringLiteral("Pupil 20"));
    QCOMPARE(scroll->value(), scrolled);

    now[0].items = 2;
    results.change(now);
    QTRY_COMPARE_WITH_TIMEOUT(table.item(0, 4)->text(), QStringLiteral("2"), 2000);
    QCOMPARE(results.reads.size(), before + 2);
    // (Whole milliseconds, each rounded down.)
    QVERIFY(results.reads.last() - results.reads[before] >= LessonPage::MinReadGapMs - 1);

    // The chosen pupil gone: nobody is chosen rather than whoever took the row.
    now.removeAt(50);
    results.change(now);
    QTRY_COMPARE_WITH_TIMEOUT(table.rowCount(), 69, 2000);
    QCOMPARE(table.currentRow(), -1);
}

void tst_LessonPage::computerColumnOnlyForTheSchool_data()
{
    QTest::addColumn<bool>("school");
    QTest::newRow("school database") << true;
    QTest::newRow("this computer") << false;
}

// The Computer column of a pupil's visits, and the problem banner for the school's results.
void tst_LessonPage::computerColumnOnlyForTheSchool()
{
    QFETCH(bool, school);
    SchoolResults results(QStringLiteral("The school database cannot be reached: showing this computer's own results."));
    results.school = school;
    Settings settings;
    ResultsPage page(results, settings);
    page.pupilTable().setCurrentCell(0, 0);
    const QTableWidget &visits = page.pupilVisits();
    QCOMPARE(visits.rowCount(), 1);
    QCOMPARE(visits.horizontalHeaderItem(2)->text(), QStringLiteral("Computer"));
    QCOMPARE(visits.item(0, 2)->text(), QStringLiteral("ROOM4-PC2"));
    QCOMPARE(visits.isColumnHidden(2), !school);
    auto *banner = page.findChild<QLabel *>(QStringLiteral("problem"));
    QVERIFY(banner->isVisibleTo(&page));
    QCOMPARE(banner->text(), results.problem());
}

void tst_LessonPage::testConnectionOffTheWindowThread()
{
    NoResults results(QString{});
    Settings settings;
    settings.setSchoolService(QString());
    QThread *const window = QThread::currentThread();
    QSemaphore go;
    std::atomic<bool> offWindowThread = false;
    TeacherContext context{results, settings};
    context.testSchool = [&](const QString &service, QString *sentence) {
        offWindowThread = QThread::currentThread() != window;
        go.tryAcquire(1, 5000);
        *sentence = QStringLiteral("Connected to %1 as teacher.").arg(service);
        return true;
    };
    auto page = std::make_unique<SettingsPage>(context);
    auto *field = page->findChild<QLineEdit *>(QStringLiteral("schoolService"));
    auto *button = page->findChild<QPushButton *>(QStringLiteral("testSchool"));
    auto *said = page->findChild<QLabel *>(QStringLiteral("schoolTest"));
    QVERIFY(!button->isEnabled()); // no name yet
    QTest::keyClicks(field, QStringLiteral("school"));
    QVERIFY(button->isEnabled());

    button->click();
    QVERIFY(!button->isEnabled());
    QCOMPARE(said->text(), QStringLiteral("Testing the connection..."));
    go.release();
    QTRY_COMPARE(said->text(), QStringLiteral("Connected to school as teacher."));
    QVERIFY(offWindowThread);
    QVERIFY(button->isEnabled());

    // Closed while a test is under way: the page waits for it and is not touched after.
    button->click();
    std::thread release([&go] {
        QThread::msleep(100);
        go.release();
    });
    page.reset();
    release.join();
    QCoreApplication::processEvents();
}

QTEST_MAIN(tst_LessonPage)
#include "tst_lessonpage.moc"
