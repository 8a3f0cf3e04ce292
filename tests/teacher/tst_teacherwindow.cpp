#include "formregistry.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "resultspage.h"
#include "resultsstore.h"
#include "settings.h"
#include "shellforms.h"
#include "teacherplugin.h"
#include "testsupport.h"
#include "../results/tmpfs.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QFileDialog>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPluginLoader>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Records one visit: each item shown, then its first answer (true: right).
void visit(ResultsStore &store, const QString &activity, const QList<bool> &answers)
{
    store.visitStarted(activity, activity.toUpper());
    for (int i = 0; i < answers.size(); ++i) {
        store.itemShown(i);
        store.answered(answers[i]);
    }
    store.visitEnded();
}

// Runs act on the next modal dialog of its type once it is up (the code under test is
// blocked in exec()).
template<typename Dialog = QWidget>
void whenModal(std::function<void(Dialog *)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, waited] {
        if (waited.hasExpired(5000)) { // no dialog came: the test has failed already
            poll->stop();
            poll->deleteLater();
        } else if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start();
}

// Chooses path in the next file dialog, remembering the folder it opened in.
void answerFiles(const QString &path, QString *openedIn = nullptr)
{
    whenModal<QFileDialog>([path, openedIn](QFileDialog *files) {
        if (openedIn)
            *openedIn = files->directory().absolutePath();
        // As typed: selectFile() leaves the name field alone while it has the focus.
        auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(files, "accept");
    });
}

// Presses the message box's button with the given text, remembering what the box said;
// first runs `before` (to answer the dialogs that button leads to).
void answerBox(const QString &button, QString *said, std::function<void()> before = {})
{
    whenModal<QMessageBox>([button, said, before](QMessageBox *box) {
        *said = box->text();
        if (before)
            before();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button)
                return b->click();
        }
        QFAIL(qPrintable(QStringLiteral("no button %1").arg(button)));
    });
}

// Counts how often the results are read for the page, to see that bursts are read once.
struct CountingStore : ResultsStore
{
    using ResultsStore::ResultsStore;
    QList<Summary> summary(const Filter &filter) const override
    {
        ++reads;
        return ResultsStore::summary(filter);
    }
    mutable int reads = 0;
};

int visitsShown(const ResultsPage &page)
{
    int visits = 0;
    for (int r = 0; r < page.table().rowCount(); ++r)
        visits += page.table().item(r, 1)->text().toInt();
    return visits;
}

} // namespace

class tst_TeacherWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void chartShowsTheTableWeakestAtTheTop();
    void classLabelAndClassFilter();
    void periodStarts_data();
    void periodStarts();
    void clearAsksThenRemovesWhatIsShown_data();
    void clearAsksThenRemovesWhatIsShown();
    void exportWritesTheVisitsShown();
    void showsVisitsAsTheyAreKept();
    void longClassLabelKeepsThePageNarrow();
    void pupilsViewMatchesTheVisits();
    void programLoadsTheModule();
    void teacherButtonAndCtrlT();

private:
    QTemporaryDir m_scratch;
    std::unique_ptr<ResultsStore> m_store;
    std::unique_ptr<Settings> m_settings;
};

void tst_TeacherWindow::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    // A home of the test's own, with a Documents folder for exports to start in.
    qputenv("HOME", m_scratch.filePath(QStringLiteral("home")).toLocal8Bit());
    QVERIFY(QDir().mkpath(m_scratch.filePath(QStringLiteral("home/Documents"))));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_scratch.filePath(QStringLiteral("config")));
    QStandardPaths::setTestModeEnabled(true);
}

void tst_TeacherWindow::init()
{
    m_store.reset();
    QFile::remove(m_scratch.filePath(QStringLiteral("results.sqlite")));
    m_store = std::make_unique<ResultsStore>(m_scratch.filePath(QStringLiteral("results.sqlite")));
    m_settings = std::make_unique<Settings>();
    m_settings->setClassLabel(QString());
    m_store->setClassLabel(QString());
}

void tst_TeacherWindow::chartShowsTheTableWeakestAtTheTop()
{
    visit(*m_store, QStringLiteral("similes"), {true, true, false});
    visit(*m_store, QStringLiteral("similes"), {true}); // 3 of 4 over two visits: 75 %
    visit(*m_store, QStringLiteral("openings"), {false, false, true, false}); // 25 %
    visit(*m_store, QStringLiteral("cv"), {true, true});                     // 100 %
    ResultsPage page(*m_store, *m_settings);
    page.setPeriod(ResultsPeriod::All);

    // Named as the menus name them now, whatever title the visit kept.
    const QStringList expectedNames{QStringLiteral("Story Openings"), QStringLiteral("Similes"),
                                    QStringLiteral("Preparing a CV")};
    const QList<int> expectedPercent{25, 75, 100};
    const QTableWidget &table = page.table();
    QCOMPARE(table.rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(table.item(r, 0)->text(), expectedNames[r]);
        QCOMPARE(table.item(r, 3)->text(), QStringLiteral("%1%").arg(expectedPercent[r]));
    }
    QCOMPARE(table.item(1, 1)->text(), QStringLiteral("2")); // visits
    QCOMPARE(table.item(1, 2)->text(), QStringLiteral("4 questions")); // items

    // The chart's bars, read top down (a horizontal chart lists its categories bottom up).
    QCOMPARE(page.chart().series().size(), 1);
    auto *series = qobject_cast<QHorizontalBarSeries *>(page.chart().series().first());
    QVERIFY(series);
    QCOMPARE(series->barSets().size(), 1);
    const QBarSet *bars = series->barSets().first();
    auto *axis = qobject_cast<QBarCategoryAxis *>(page.chart().axes(Qt::Vertical).value(0));
    QVERIFY(axis);
    QStringList names = axis->categories();
    std::reverse(names.begin(), names.end());
    QCOMPARE(names, expectedNames);
    QCOMPARE(bars->count(), 3);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(bars->at(2 - r), double(expectedPercent[r]));
}

void tst_TeacherWindow::classLabelAndClassFilter()
{
    ResultsPage page(*m_store, *m_settings);
    page.setPeriod(ResultsPeriod::Today);
    // The label typed is the one new visits are kept under, and it outlives the run.
    for (const QString &label : {QStringLiteral("5A"), QStringLiteral("  5B ")}) {
        page.classLabelEdit().setText(label);
        emit page.classLabelEdit().editingFinished();
        QCOMPARE(Settings().classLabel(), label.trimmed());
        QCOMPARE(m_store->classLabel(), label.trimmed());
        visit(*m_store, QStringLiteral("similes"), {true});
    }
    visit(*m_store, QStringLiteral("openings"), {false, true}); // still 5B

    const struct { QString label; int visits; } cases[] = {{{}, 3}, {QStringLiteral("5A"), 1}, {QStringLiteral("5B"), 2}};
    for (const auto &shown : cases) {
        page.setClassFilter(shown.label);
        QCOMPARE(page.filter().classLabel, shown.label);
        QCOMPARE(visitsShown(page), shown.visits);
    }
    // A period that has not started yet shows nothing; all of time shows everything.
    page.setClassFilter(QString());
    page.setPeriod(ResultsPeriod::All);
    QVERIFY(!page.filter().since.isValid());
    QCOMPARE(visitsShown(page), 3);
    page.setPeriod(ResultsPeriod::ThisWeek);
    QCOMPARE(page.filter().since, resultsPeriodStart(ResultsPeriod::ThisWeek, QDateTime::currentDateTime()));
    QCOMPARE(visitsShown(page), 3);
    QCOMPARE(m_store->summary({QString(), QDateTime::currentDateTime().addSecs(3600), {}, {}}).size(), 0);
}

void tst_TeacherWindow::periodStarts_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");
    const int today = int(ResultsPeriod::Today), week = int(ResultsPeriod::ThisWeek), term = int(ResultsPeriod::ThisTerm);
    QTest::newRow("today") << today << QDate(2025, 3, 12) << QDate(2025, 3, 12);
    QTest::newRow("week from a Monday") << week << QDate(2025, 3, 10) << QDate(2025, 3, 10);
    QTest::newRow("week from a Sunday") << week << QDate(2025, 3, 16) << QDate(2025, 3, 10);
    QTest::newRow("week across the new year") << week << QDate(2025, 1, 1) << QDate(2024, 12, 30);
    QTest::newRow("autumn term, first day") << term << QDate(2024, 9, 1) << QDate(2024, 9, 1);
    QTest::newRow("autumn term, last day") << term << QDate(2024, 12, 31) << QDate(2024, 9, 1);
    QTest::newRow("spring term") << term << QDate(2025, 4, 14) << QDate(2025, 1, 1);
    QTest::newRow("summer term") << term << QDate(2025, 4, 15) << QDate(2025, 4, 15);
    QTest::newRow("summer holiday") << term << QDate(2025, 8, 31) << QDate(2025, 4, 15);
}

void tst_TeacherWindow::periodStarts()
{
    QFETCH(int, period);
    QFETCH(QDate, today);
    QFETCH(QDate, start);
    const QDateTime now(today, QTime(15, 30));
    QCOMPARE(resultsPeriodStart(ResultsPeriod(period), now), start.startOfDay());
    QVERIFY(!resultsPeriodStart(ResultsPeriod::All, now).isValid());
}

// The question names its actions; exporting first removes the visits only once the copy
// is written.
void tst_TeacherWindow::clearAsksThenRemovesWhatIsShown_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("exportTo"); // a file name in the scratch folder; empty: none
    QTest::addColumn<int>("left");
    QTest::newRow("keep them") << "Keep them" << "" << 3;
    QTest::newRow("remove them") << "Remove 2 visits" << "" << 1;
    QTest::newRow("export first") << "Export them first..." << "first.csv" << 1;
    QTest::newRow("export first to a full disk") << "Export them first..." << "full/first.csv" << 3;
}

void tst_TeacherWindow::clearAsksThenRemovesWhatIsShown()
{
    QFETCH(QString, answer);
    QFETCH(QString, exportTo);
    QFETCH(int, left);
    m_store->setClassLabel(QStringLiteral("5A"));
    visit(*m_store, QStringLiteral("similes"), {true});
    m_store->setClassLabel(QStringLiteral("5B"));
    visit(*m_store, QStringLiteral("similes"), {false});
    visit(*m_store, QStringLiteral("openings"), {true});
    ResultsPage page(*m_store, *m_settings);
    page.setPeriod(ResultsPeriod::All);
    page.setClassFilter(QStringLiteral("5B"));
    QTest::qWait(1000); // the visits above started in an earlier second than the question

    const QString path = m_scratch.filePath(exportTo);
    std::unique_ptr<Tmpfs> full;
    if (exportTo.startsWith(QLatin1String("full/"))) {
        full = std::make_unique<Tmpfs>(QFileInfo(path).path(), QStringLiteral("4k"));
        if (!full->isMounted())
            QSKIP("a full disk of its own needs root");
        QFile filler(QFileInfo(path).path() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(8192, 'x')); // takes what fits
    }
    QString said, failure;
    answerBox(answer, &said, [&] {
        if (!exportTo.isEmpty())
            answerFiles(path);
        if (full)
            answerBox(QStringLiteral("OK"), &failure);
    });
    page.clearResults();
    QVERIFY2(said.contains(QStringLiteral("Remove 2 visits (class 5B, all time)")), qPrintable(said));
    QCOMPARE(m_store->visits().size(), left);
    QCOMPARE(page.table().rowCount(), left == 1 ? 0 : 2);
    QFile csv(path);
    if (!exportTo.isEmpty() && !full) {
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 3); // the header and the two visits removed
        QVERIFY2(page.status().text().endsWith(QStringLiteral("Removed 2 visits from this computer.")),
                 qPrintable(page.status().text()));
    }
    if (full)
        QVERIFY2(failure.contains(QStringLiteral("could not be exported")) && !csv.exists(), qPrintable(failure));
}

void tst_TeacherWindow::exportWritesTheVisitsShown()
{
    m_store->setClassLabel(QStringLiteral("=5C"));
    visit(*m_store, QStringLiteral("similes"), {true, false});
    visit(*m_store, QStringLiteral("cv"), {true});
    ResultsPage page(*m_store, *m_settings);
    page.setPeriod(ResultsPeriod::Today);

    const QString path = m_scratch.filePath(QStringLiteral("out")); // ".csv" is added
    QString openedIn;
    answerFiles(path, &openedIn);
    QVERIFY(page.exportCsv());
    QCOMPARE(openedIn, QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).absolutePath());
    QFile csv(path + QStringLiteral(".csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3); // header and two visits
    QVERIFY2(lines[1].contains(QStringLiteral("'=5C")), qPrintable(lines[1]));
    // Where it went, in the teacher's words.
    QCOMPARE(page.status().text(), QStringLiteral("Saved 2 visits to %1.").arg(QDir::toNativeSeparators(csv.fileName())));

    // A folder that is not there: the teacher is told, and nothing else happens.
    const QString nowhere = m_scratch.filePath(QStringLiteral("missing/out.csv"));
    QString said;
    answerBox(QStringLiteral("OK"), &said);
    QVERIFY(!page.exportCsvTo(nowhere));
    QVERIFY2(said.contains(QStringLiteral("could not be exported")), qPrintable(said));
    QVERIFY(!QFile::exists(nowhere));
    QVERIFY(page.status().text().isEmpty());
}

// Visits kept while the page is open appear without touching it, a burst of them read
// once; a hidden page reads them when it is shown again.
void tst_TeacherWindow::showsVisitsAsTheyAreKept()
{
    m_store.reset();
    QFile::remove(m_scratch.filePath(QStringLiteral("results.sqlite")));
    CountingStore store(m_scratch.filePath(QStringLiteral("results.sqlite")));
    ResultsPage page(store, *m_settings);
    page.setPeriod(ResultsPeriod::Today);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTest::qWait(500);
    const int readsBefore = store.reads;
    for (int i = 0; i < 12; ++i)
        visit(store, QStringLiteral("similes"), {true, false, true});
    QTRY_COMPARE(visitsShown(page), 12);
    QTest::qWait(500);
    QCOMPARE(store.reads, readsBefore + 1);

    page.hide();
    visit(store, QStringLiteral("openings"), {true});
    QTest::qWait(500);
    QCOMPARE(store.reads, readsBefore + 1);
    page.show();
    QCOMPARE(visitsShown(page), 13);
}

// A class label of any length in a hand-edited settings file: only what the class field
// holds is read, and the page stays the width of a window.
void tst_TeacherWindow::longClassLabelKeepsThePageNarrow()
{
    m_settings->setClassLabel(QString(1800000, QLatin1Char('x')));
    m_store->setClassLabel(m_settings->classLabel());
    visit(*m_store, QStringLiteral("similes"), {true});
    ResultsPage page(*m_store, *m_settings);
    QCOMPARE(page.classLabelEdit().text(), QString(ResultsStore::ClassLabelMaxLength, QLatin1Char('x')));
    QVERIFY2(page.sizeHint().width() < 1500, qPrintable(QString::number(page.sizeHint().width())));
    QVERIFY(page.classChoice().findData(QString(ResultsStore::ClassLabelMaxLength, QLatin1Char('x'))) > 0);
}

// One row per pupil, one column per activity done, each cell the pupil's right first time
// there, coloured by it; a click on a pupil lists their visits; the pupil filter narrows
// every view to one pupil.
void tst_TeacherWindow::pupilsViewMatchesTheVisits()
{
    QString error;
    const QList<qint64> ids = m_store->addPupils(QStringLiteral("5B"), {QStringLiteral("Ben T."), QStringLiteral("Amy R."),
                                                                        QStringLiteral("Cara J.")}, &error);
    QVERIFY2(ids.size() == 3, qPrintable(error));
    const qint64 ben = ids[0], amy = ids[1];
    m_store->signIn(amy);
    visit(*m_store, QStringLiteral("similes"), {true, true, false}); // 67 %
    visit(*m_store, QStringLiteral("openings"), {true});             // 100 %
    m_store->signIn(ben);
    visit(*m_store, QStringLiteral("similes"), {false, false});           // 0 %
    visit(*m_store, QStringLiteral("openings"), {true, false, true, true}); // 75 %
    m_store->signIn(0);
    ResultsPage page(*m_store, *m_settings);
    page.setPeriod(ResultsPeriod::All);
    page.setClassFilter(QStringLiteral("5B"));
    page.showPupils(true);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    const QTableWidget &table = page.pupilTable();
    QMap<QString, int> column;
    for (int c = 0; c < table.columnCount(); ++c)
        column.insert(table.horizontalHeaderItem(c)->text(), c);
    QCOMPARE(column.size(), 4); // the pupil, all activities, and the two done
    const struct { int row; QString activity; QString shown; double percent; } cells[] = {
        {0, QStringLiteral("Similes"), QStringLiteral("67%"), 200.0 / 3},
        {0, QStringLiteral("Story Openings"), QStringLiteral("100%"), 100},
        {0, QStringLiteral("All activities"), QStringLiteral("75%"), 75},
        {1, QStringLiteral("Similes"), QStringLiteral("0%"), 0},
        {1, QStringLiteral("Story Openings"), QStringLiteral("75%"), 75},
        {1, QStringLiteral("All activities"), QStringLiteral("50%"), 50},
    };
    QCOMPARE(table.rowCount(), 3); // by name, Cara with no visits too
    QCOMPARE(table.item(0, 0)->text(), QStringLiteral("Amy R."));
    QCOMPARE(table.item(1, 0)->text(), QStringLiteral("Ben T."));
    QCOMPARE(table.item(2, 0)->text(), QStringLiteral("Cara J."));
    for (const auto &cell : cells) {
        const QTableWidgetItem *item = table.item(cell.row, column.value(cell.activity));
        QVERIFY2(item, qPrintable(cell.activity));
        QCOMPARE(item->text(), cell.shown);
        QCOMPARE(item->background().color(), ResultsPage::shareColour(cell.percent));
    }
    QVERIFY(!table.item(2, column.value(QStringLiteral("Similes"))));
    // The weakest cell is the reddest.
    QCOMPARE(ResultsPage::shareColour(0).hue(), 0);
    QVERIFY(ResultsPage::shareColour(50).hue() < ResultsPage::shareColour(100).hue());

    const QRect amyRow = table.visualItemRect(table.item(0, 0));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, amyRow.center());
    QCOMPARE(page.pupilVisits().rowCount(), 2);
    QCOMPARE(page.pupilVisits().item(0, 1)->text() + page.pupilVisits().item(1, 1)->text(),
             QStringLiteral("SimilesStory Openings"));

    page.setPupilFilter(ben);
    QCOMPARE(page.filter().pupil.value_or(0), ben);
    QCOMPARE(visitsShown(page), 2);
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.item(0, 0)->text(), QStringLiteral("Ben T."));
    // Clearing what is shown clears that pupil's visits alone.
    QTest::qWait(1000); // the visits started in an earlier second than the question
    QString said;
    answerBox(QStringLiteral("Remove 2 visits"), &said);
    page.clearResults();
    QVERIFY2(said.contains(QStringLiteral("(Ben T., all time)")), qPrintable(said));
    QCOMPARE(m_store->visits().size(), 2);
    QCOMPARE(m_store->visits().first().pupil, QStringLiteral("Amy R."));
}

void tst_TeacherWindow::programLoadsTheModule()
{
    // As the program finds it: by its base name, beside the executable.
    QPluginLoader loader(QStringLiteral(QUORVALE_PROGRAM_DIR "/quorvale-teacher"));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    auto *plugin = qobject_cast<TeacherPlugin *>(loader.instance());
    QVERIFY(plugin);
    visit(*m_store, QStringLiteral("similes"), {true});
    TeacherContext context{*m_store, *m_settings};
    std::unique_ptr<QWidget> window(plugin->createWindow(context));
    QVERIFY(window && window->isWindow());
    auto *tabs = window->findChild<QTabWidget *>();
    QVERIFY(tabs);
    QCOMPARE(tabs->tabText(0).remove(QLatin1Char('&')), QStringLiteral("Results"));
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("perActivity"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 1);
}

void tst_TeacherWindow::teacherButtonAndCtrlT()
{
    TestApp app;
    registerShellForms(app.context);
    int opened = 0;
    app.context.openTeacher = [&opened] { ++opened; };
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    home->Show();
    const Control *button = home->control(QStringLiteral("teacherButton"));
    QVERIFY(button && button->visible && button->onClick);
    QCOMPARE(button->accessibleName, QStringLiteral("Teacher window"));
    // On the screen, in free space: over nothing shown and no clickable control.
    QVERIFY(QRectF(0, 0, 12000, 9000).contains(button->rect()));
    for (const auto &other : home->controls()) {
        if (other.get() != button && (other->visible || other->isPressable()))
            QVERIFY2(!other->rect().intersects(button->rect()), qPrintable(other->name()));
    }
    button->onClick(-1);
    QCOMPARE(opened, 1);
    QCOMPARE(app.forms.current(), home); // the pupils' screen stays

    MainWindow window(app.forms);
    window.onTeacher = app.context.openTeacher;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(opened, 2);
}

QTEST_MAIN(tst_TeacherWindow)
#include "tst_teacherwindow.moc"
