#include "resultspage.h"

#include "catalogue.h"
#include "settings.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

enum Column { ActivityColumn, VisitsColumn, ItemsColumn, RightColumn, ColumnCount };

// Right first time as shown, in whole per cent: the table and the chart show the same.
int rightPercent(const Results::Summary &row)
{
    return qRound(row.rightPercent());
}

bool answeredAny(const Results::Summary &row)
{
    return row.right + row.wrong > 0;
}

// "1 word", "12 questions": a count in the unit the activity's items are counted in.
QString counted(int count, const QString &unit)
{
    if (unit.isEmpty())
        return QString::number(count);
    return QStringLiteral("%1 %2%3").arg(count).arg(unit, count == 1 ? QString() : QStringLiteral("s"));
}

QString visitCount(int visits)
{
    return visits == 1 ? QStringLiteral("1 visit") : QStringLiteral("%1 visits").arg(visits);
}

// The first letter made a capital, for a reason shown on its own line.
QString sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

// Visits kept in the pupils' window come in bursts (at each Next, on leaving): the page
// reads them once this long after the first.
constexpr int RefreshDelayMs = 300;

QTableWidgetItem *numberItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// Each bar's height in the chart, so thirty activities stay readable (the chart scrolls).
// A bar's height and the chart's title and axes, in lines of the page's text, so the chart
// grows with the text on a large screen.
constexpr double BarLines = 1.6;
constexpr double ChartMarginLines = 6.5;

// An activity as the menus name it now (a visit keeps the title its screen had then),
// else as the visit named it.
QString shownTitle(const QString &activity, const QString &title)
{
    for (const CatalogueEntry &entry : Catalogue::entries())
        if (activity == QLatin1String(entry.activity))
            return QString::fromUtf8(entry.caption);
    return title.isEmpty() ? activity : title;
}

QString shownTitle(const Results::Summary &row)
{
    return shownTitle(row.activity, row.title);
}

// The activities as the menus list them (year, term, place), any no menu lists after.
int menuOrder(const QString &activity)
{
    const auto entries = Catalogue::entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (activity == QLatin1String(entries[i].activity))
            return int(i);
    return int(entries.size());
}

QString visitTitle(const Results::Visit &visit)
{
    return shownTitle(visit.activity, visit.title);
}

// One pupil's right first time over every activity of theirs shown.
Results::Summary overall(const QList<Results::Summary> &activities)
{
    Results::Summary all;
    for (const Results::Summary &row : activities) {
        all.visits += row.visits;
        all.right += row.right;
        all.wrong += row.wrong;
    }
    return all;
}

} // namespace

ResultsPage::ResultsPage(Results &results, Settings &settings, QWidget *parent)
    : QWidget(parent)
    , m_results(results)
    , m_settings(settings)
    , m_problem(new QLabel(this))
    , m_classLabel(new QLineEdit(this))
    , m_classChoice(new QComboBox(this))
    , m_periodChoice(new QComboBox(this))
    , m_pupilChoice(new QComboBox(this))
    , m_views(new QTabWidget(this))
    , m_pupilTable(new QTableWidget(this))
    , m_pupilVisitsHeading(new QLabel(this))
    , m_pupilVisits(new QTableWidget(0, 5, this))
    , m_table(new QTableWidget(0, ColumnCount, this))
    , m_chartView(new QChartView)
    , m_chart(new QChart)
    , m_export(new QPushButton(QStringLiteral("&Export CSV..."), this))
    , m_clear(new QPushButton(QStringLiteral("&Clear results..."), this))
    , m_status(new QLabel(this))
    , m_refreshSoon(new QTimer(this))
{
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setFrameShape(QFrame::Box);
    m_problem->setMargin(6);
    m_problem->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: black; }"));
    m_problem->hide();

    // A hand-edited settings file may hold any length of label: only what the field
    // allows is read.
    m_classLabel->setMaxLength(Results::ClassLabelMaxLength);
    m_classLabel->setPlaceholderText(QStringLiteral("none"));
    m_classLabel->setText(m_settings.classLabel().left(Results::ClassLabelMaxLength));
    m_classLabel->setAccessibleName(QStringLiteral("Class for new visits"));
    m_classLabel->setToolTip(QStringLiteral("Visits from now on are kept under this class, such as 5B; "
                                            "a pupil's name only when pupils sign in."));
    connect(m_classLabel, &QLineEdit::editingFinished, this, &ResultsPage::applyClassLabel);

    for (int p = 0; p < ResultsPeriodCount; ++p)
        m_periodChoice->addItem(resultsPeriodName(ResultsPeriod(p)), p);
    m_periodChoice->setCurrentIndex(int(ResultsPeriod::ThisTerm));
    m_classChoice->setAccessibleName(QStringLiteral("Class shown"));
    // Never as wide as the longest class label ever kept.
    m_classChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_classChoice->setMinimumContentsLength(Results::ClassLabelMaxLength / 2);
    m_periodChoice->setAccessibleName(QStringLiteral("Period shown"));
    connect(m_classChoice, &QComboBox::currentIndexChanged, this, &ResultsPage::refresh);
    connect(m_periodChoice, &QComboBox::currentIndexChanged, this, &ResultsPage::refresh);
    m_pupilChoice->setAccessibleName(QStringLiteral("Pupil shown"));
    m_pupilChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pupilChoice->setMinimumContentsLength(Results::PupilNameMaxLength / 2);
    connect(m_pupilChoice, &QComboBox::currentIndexChanged, this, &ResultsPage::refresh);

    m_pupilTable->setAccessibleName(QStringLiteral("Right first time per pupil and activity"));
    m_pupilTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Only the name is marked as chosen: a chosen row keeps its cells' colours.
    m_pupilTable->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_pupilTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pupilTable->verticalHeader()->hide();
    connect(m_pupilTable, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column != 0)
            m_pupilTable->setCurrentCell(row, 0); // comes back here for the name
        else
            showPupilVisits(row);
    });
    m_pupilVisitsHeading->setTextFormat(Qt::PlainText); // a pupil's name, as typed
    m_pupilVisits->setHorizontalHeaderLabels({QStringLiteral("Started"), QStringLiteral("Activity"), QStringLiteral("Computer"),
                                              QStringLiteral("Items"), QStringLiteral("Right first time")});
    m_pupilVisits->setAccessibleName(QStringLiteral("Visits of the pupil chosen"));
    m_pupilVisits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pupilVisits->verticalHeader()->hide();
    m_pupilVisits->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pupilVisits->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    auto *pupilSplitter = new QSplitter(Qt::Vertical);
    pupilSplitter->addWidget(m_pupilTable);
    auto *visitsPane = new QWidget;
    auto *visitsLayout = new QVBoxLayout(visitsPane);
    visitsLayout->setContentsMargins(0, 0, 0, 0);
    visitsLayout->addWidget(m_pupilVisitsHeading);
    visitsLayout->addWidget(m_pupilVisits, 1);
    pupilSplitter->addWidget(visitsPane);
    pupilSplitter->setChildrenCollapsible(false);
    pupilSplitter->setStretchFactor(0, 2);
    pupilSplitter->setStretchFactor(1, 1);

    m_table->setHorizontalHeaderLabels({QStringLiteral("Activity"), QStringLiteral("Visits"), QStringLiteral("Items"),
                                        QStringLiteral("Right first time")});
    m_table->setObjectName(QStringLiteral("perActivity"));
    m_table->setAccessibleName(QStringLiteral("Results per activity"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(ActivityColumn, QHeaderView::Stretch);
    for (int c = VisitsColumn; c < ColumnCount; ++c)
        m_table->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chartView->setChart(m_chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setAccessibleName(QStringLiteral("Right first time per activity, weakest at the top"));
    auto *chartScroll = new QScrollArea;
    chartScroll->setWidget(m_chartView);
    chartScroll->setWidgetResizable(true);
    chartScroll->setFrameShape(QFrame::NoFrame);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_table);
    splitter->addWidget(chartScroll);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({1, 1}); // half each to start with
    splitter->setChildrenCollapsible(false);

    m_export->setToolTip(QStringLiteral("Writes every visit shown, one row each, for a spreadsheet"));
    m_clear->setToolTip(QStringLiteral("Removes the visits shown from where they are kept"));
    connect(m_export, &QPushButton::clicked, this, &ResultsPage::exportCsv);
    connect(m_clear, &QPushButton::clicked, this, &ResultsPage::clearResults);

    auto *choices = new QFormLayout;
    auto *labelRow = new QHBoxLayout;
    m_classLabel->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
    labelRow->addWidget(m_classLabel);
    labelRow->addWidget(new QLabel(QStringLiteral("such as 5B"), this), 1);
    auto *labelLabel = new QLabel(QStringLiteral("Class for &new visits:"), this);
    labelLabel->setBuddy(m_classLabel);
    choices->addRow(labelLabel, labelRow);
    auto *shown = new QHBoxLayout;
    shown->addWidget(m_classChoice, 1);
    shown->addWidget(m_pupilChoice, 1);
    shown->addWidget(m_periodChoice, 1);
    auto *showLabel = new QLabel(QStringLiteral("S&how:"), this);
    showLabel->setBuddy(m_classChoice);
    choices->addRow(showLabel, shown);

    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_clear);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_problem);
    layout->addLayout(choices);
    m_views->addTab(splitter, QStringLiteral("By &activity"));
    m_views->addTab(pupilSplitter, QStringLiteral("By pup&il"));
    layout->addWidget(m_views, 1);
    layout->addLayout(buttons);

    m_refreshSoon->setSingleShot(true);
    m_refreshSoon->setInterval(RefreshDelayMs);
    connect(m_refreshSoon, &QTimer::timeout, this, &ResultsPage::refresh);
    m_listener = m_results.addChangeListener([this] { resultsChanged(); });

    refresh();
}

ResultsPage::~ResultsPage()
{
    m_results.removeChangeListener(m_listener);
}

void ResultsPage::resultsChanged()
{
    // A hidden page reads them when it is shown again.
    if (isVisible() && !m_refreshSoon->isActive())
        m_refreshSoon->start();
}

Results::Filter ResultsPage::filter() const
{
    Results::Filter filter;
    filter.classLabel = m_classChoice->currentData().toString();
    if (const qint64 pupil = m_pupilChoice->currentData().toLongLong(); pupil != 0)
        filter.pupil = pupil;
    filter.since = resultsPeriodStart(ResultsPeriod(m_periodChoice->currentData().toInt()), QDateTime::currentDateTime());
    return filter;
}

void ResultsPage::setClassFilter(const QString &classLabel)
{
    fillClassChoice();
    const int index = m_classChoice->findData(classLabel);
    {
        const QSignalBlocker quiet(m_classChoice);
        m_classChoice->setCurrentIndex(std::max(0, index));
    }
    refresh();
}

void ResultsPage::setPeriod(ResultsPeriod period)
{
    {
        const QSignalBlocker quiet(m_periodChoice);
        m_periodChoice->setCurrentIndex(m_periodChoice->findData(int(period)));
    }
    refresh();
}

void ResultsPage::setPupilFilter(qint64 pupil)
{
    fillPupilChoice();
    {
        const QSignalBlocker quiet(m_pupilChoice);
        m_pupilChoice->setCurrentIndex(std::max(0, m_pupilChoice->findData(pupil)));
    }
    refresh();
}

void ResultsPage::showPupils(bool pupils)
{
    m_views->setCurrentIndex(pupils ? 1 : 0);
}

void ResultsPage::refresh()
{
    m_refreshSoon->stop();
    fillClassChoice();
    fillPupilChoice();
    fillPupilTable();
    const QList<Results::Summary> rows = m_results.summary(filter());
    m_visitsShown = 0;
    for (const Results::Summary &row : rows)
        m_visitsShown += row.visits;
    fillTable(rows);
    fillChart(rows);
    m_clear->setEnabled(m_visitsShown > 0);
    // Reading the results opened the store, so anything wrong with it is known now.
    const QString problem = m_results.problem();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

void ResultsPage::fillClassChoice()
{
    // Every class that has visits, and the one being kept now, which may have none yet.
    QStringList labels = m_results.classLabels();
    const QString current = m_classChoice->currentData().toString();
    for (const QString &label : {m_settings.classLabel().left(Results::ClassLabelMaxLength), current}) {
        if (!label.isEmpty() && !labels.contains(label))
            labels << label;
    }
    labels.sort(Qt::CaseInsensitive);
    const QSignalBlocker quiet(m_classChoice);
    m_classChoice->clear();
    m_classChoice->addItem(QStringLiteral("All classes"), QString());
    for (const QString &label : std::as_const(labels))
        m_classChoice->addItem(QStringLiteral("Class %1").arg(label), label);
    m_classChoice->setCurrentIndex(std::max(0, m_classChoice->findData(current)));
}

void ResultsPage::fillPupilChoice()
{
    // The pupils of the class shown; of every class, each named with their class.
    const QString label = m_classChoice->currentData().toString();
    const qint64 current = m_pupilChoice->currentData().toLongLong();
    const QSignalBlocker quiet(m_pupilChoice);
    m_pupilChoice->clear();
    m_pupilChoice->addItem(QStringLiteral("All pupils"), qint64(0));
    for (const Results::Pupil &pupil : m_results.pupils(label)) {
        m_pupilChoice->addItem(label.isEmpty() ? QStringLiteral("%1 (%2)").arg(pupil.name, pupil.classLabel) : pupil.name,
                               pupil.id);
    }
    m_pupilChoice->setCurrentIndex(std::max(0, m_pupilChoice->findData(current)));
    m_pupilChoice->setEnabled(m_pupilChoice->count() > 1);
}

QColor ResultsPage::shareColour(double percent)
{
    // Light enough for black text on every one, and apart enough to spot a red cell.
    return QColor::fromHsv(qRound(std::clamp(percent, 0.0, 100.0) * 1.2), 120, 255);
}

void ResultsPage::fillPupilTable()
{
    const int chosen = m_pupilTable->currentRow();
    const qint64 chosenPupil = chosen >= 0 && chosen < m_pupilRows.size() ? m_pupilRows[chosen].pupil.id : 0;
    const Results::Filter shown = filter();
    m_pupilRows.clear();
    for (const Results::PupilSummary &row : m_results.pupilSummary(shown)) {
        if (!shown.pupil || row.pupil.id == *shown.pupil)
            m_pupilRows << row;
    }
    QStringList activities;
    QHash<QString, QString> titles;
    for (const Results::PupilSummary &row : std::as_const(m_pupilRows)) {
        for (const Results::Summary &activity : row.activities) {
            if (!activities.contains(activity.activity)) {
                activities << activity.activity;
                titles.insert(activity.activity, shownTitle(activity));
            }
        }
    }
    std::stable_sort(activities.begin(), activities.end(),
                     [](const QString &a, const QString &b) { return menuOrder(a) < menuOrder(b); });

    const QSignalBlocker quiet(m_pupilTable);
    m_pupilTable->clear();
    m_pupilTable->setColumnCount(int(activities.size()) + 2);
    m_pupilTable->setRowCount(int(m_pupilRows.size()));
    QStringList headings{QStringLiteral("Pupil"), QStringLiteral("All activities")};
    for (const QString &activity : std::as_const(activities))
        headings << titles.value(activity);
    m_pupilTable->setHorizontalHeaderLabels(headings);
    const auto cell = [](const Results::Summary &done, const QString &who, const QString &what) {
        auto *item = numberItem(answeredAny(done) ? QStringLiteral("%1%").arg(rightPercent(done)) : QStringLiteral("-"));
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        if (answeredAny(done)) {
            item->setBackground(shareColour(done.rightPercent()));
            item->setForeground(QColor(Qt::black));
        }
        item->setToolTip(QStringLiteral("%1, %2: %3 of %4 right first time in %5")
                             .arg(who, what)
                             .arg(done.right)
                             .arg(done.right + done.wrong)
                             .arg(visitCount(done.visits)));
        return item;
    };
    int select = -1;
    for (int r = 0; r < m_pupilRows.size(); ++r) {
        const Results::PupilSummary &row = m_pupilRows[r];
        // A table item's text is never read as markup: the name shows as typed.
        auto *name = new QTableWidgetItem(row.pupil.name);
        name->setToolTip(QStringLiteral("Class %1").arg(row.pupil.classLabel));
        m_pupilTable->setItem(r, 0, name);
        m_pupilTable->setItem(r, 1, cell(overall(row.activities), row.pupil.name, QStringLiteral("all activities")));
        for (const Results::Summary &done : row.activities) {
            const int column = int(activities.indexOf(done.activity)) + 2;
            m_pupilTable->setItem(r, column, cell(done, row.pupil.name, titles.value(done.activity)));
        }
        if (row.pupil.id == chosenPupil)
            select = r;
    }
    m_pupilTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pupilTable->setCurrentCell(select, 0);
    if (select < 0)
        m_pupilTable->clearSelection();
    showPupilVisits(select);
}

void ResultsPage::showPupilVisits(int row)
{
    m_pupilVisits->setRowCount(0);
    // Only the school's results come from more than one computer.
    m_pupilVisits->setColumnHidden(2, !m_results.showsSchool());
    if (row < 0 || row >= m_pupilRows.size()) {
        m_pupilVisitsHeading->setText(m_pupilRows.isEmpty() ? QStringLiteral("No pupils in this class yet: add them on the Pupils page.")
                                                            : QStringLiteral("Click a pupil to see their visits."));
        return;
    }
    const Results::Pupil &pupil = m_pupilRows[row].pupil;
    Results::Filter theirs = filter();
    theirs.classLabel.clear(); // as the table counts them: made in any class, before a move too
    theirs.pupil = pupil.id;
    const QList<Results::Visit> visits = m_results.visits(theirs);
    m_pupilVisitsHeading->setText(QStringLiteral("Visits of %1 (class %2): %3")
                                      .arg(pupil.name, pupil.classLabel, visitCount(int(visits.size()))));
    m_pupilVisits->setRowCount(int(visits.size()));
    for (int r = 0; r < visits.size(); ++r) {
        const Results::Visit &visit = visits[r];
        Results::Summary done;
        done.right = visit.rightFirstTime;
        done.wrong = visit.wrongFirstTime;
        m_pupilVisits->setItem(r, 0, new QTableWidgetItem(QLocale().toString(visit.started, QLocale::ShortFormat)));
        m_pupilVisits->setItem(r, 1, new QTableWidgetItem(visitTitle(visit)));
        m_pupilVisits->setItem(r, 2, new QTableWidgetItem(visit.computer));
        m_pupilVisits->setItem(r, 3, numberItem(counted(visit.items, visit.unit)));
        m_pupilVisits->setItem(r, 4, numberItem(answeredAny(done) ? QStringLiteral("%1 of %2 (%3%)")
                                                                          .arg(done.right)
                                                                          .arg(done.right + done.wrong)
                                                                          .arg(rightPercent(done))
                                                                    : QStringLiteral("-")));
    }
}

void ResultsPage::fillTable(const QList<Results::Summary> &rows)
{
    m_table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const Results::Summary &row = rows[r];
        auto *activity = new QTableWidgetItem(shownTitle(row));
        activity->setToolTip(row.activity);
        m_table->setItem(r, ActivityColumn, activity);
        m_table->setItem(r, VisitsColumn, numberItem(QString::number(row.visits)));
        m_table->setItem(r, ItemsColumn, numberItem(counted(row.items, row.unit)));
        // No first answers at all (items seen, none answered): nothing to say.
        auto *right = numberItem(answeredAny(row) ? QStringLiteral("%1%").arg(rightPercent(row)) : QStringLiteral("-"));
        right->setToolTip(QStringLiteral("%1 of %2 right first time")
                              .arg(row.right)
                              .arg(counted(row.right + row.wrong, row.unit)));
        m_table->setItem(r, RightColumn, right);
    }
}

void ResultsPage::fillChart(const QList<Results::Summary> &rows)
{
    m_chart->removeAllSeries();
    for (QAbstractAxis *axis : m_chart->axes())
        m_chart->removeAxis(axis), delete axis;

    // A horizontal bar chart puts its first category at the bottom: the weakest goes in
    // last, so it is read first.
    auto *bars = new QBarSet(QStringLiteral("Right first time"));
    QStringList categories;
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        *bars << rightPercent(*row);
        categories << shownTitle(*row);
    }
    auto *series = new QHorizontalBarSeries;
    series->append(bars);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value%"));
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    m_chart->addSeries(series);

    auto *activities = new QBarCategoryAxis;
    activities->append(categories);
    auto *percent = new QValueAxis;
    percent->setRange(0, 100);
    percent->setTickCount(6);
    percent->setLabelFormat(QStringLiteral("%d%"));
    m_chart->addAxis(activities, Qt::AlignLeft);
    m_chart->addAxis(percent, Qt::AlignBottom);
    series->attachAxis(activities);
    series->attachAxis(percent);

    m_chart->setTitle(rows.isEmpty() ? QStringLiteral("No visits for this class and period")
                                     : QStringLiteral("Right first time, weakest at the top"));
    // A chart is drawn in a scene of its own, which the page's text size does not reach.
    m_chart->setTitleFont(font());
    activities->setLabelsFont(font());
    percent->setLabelsFont(font());
    bars->setLabelFont(font());
    const int line = fontMetrics().height();
    m_chartView->setMinimumHeight(qRound(line * (ChartMarginLines + BarLines * rows.size())));
}

void ResultsPage::applyClassLabel()
{
    const QString label = m_classLabel->text().simplified();
    m_classLabel->setText(label);
    if (label == m_settings.classLabel())
        return;
    m_settings.setClassLabel(label);
    m_results.setClassLabel(label);
    fillClassChoice();
}

QString ResultsPage::describeShown() const
{
    const QString label = m_classChoice->currentData().toString();
    QString who = label.isEmpty() ? QStringLiteral("every class") : QStringLiteral("class %1").arg(label);
    if (m_pupilChoice->currentData().toLongLong() != 0)
        who = m_pupilChoice->currentText();
    const auto period = ResultsPeriod(m_periodChoice->currentData().toInt());
    const QString when = period == ResultsPeriod::All ? QStringLiteral("all time") : resultsPeriodName(period).toLower();
    return QStringLiteral("%1, %2").arg(who, when);
}

bool ResultsPage::exportCsv()
{
    return exportVisits(filter());
}

bool ResultsPage::exportCsvTo(const QString &path)
{
    return exportVisitsTo(path, filter());
}

bool ResultsPage::exportVisits(const Results::Filter &filter)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("quorvale-results-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export results"), suggested,
                                                QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    return exportVisitsTo(path, filter);
}

bool ResultsPage::exportVisitsTo(const QString &path, const Results::Filter &filter)
{
    QString error;
    const int written = m_results.exportCsv(path, filter, &error);
    if (written < 0) {
        m_status->clear();
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Export results"),
                        QStringLiteral("The results could not be exported to %1.").arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
        box.setInformativeText(sentence(error));
        box.exec();
        return false;
    }
    m_status->setText(QStringLiteral("Saved %1 to %2.").arg(visitCount(written), QDir::toNativeSeparators(path)));
    return true;
}

void ResultsPage::clearResults()
{
    // What is asked about is exactly what goes: visits started from this second on (the
    // class may be working in the pupils' window) are neither counted nor removed.
    Results::Filter chosen = filter();
    const QDateTime now = QDateTime::currentDateTime();
    chosen.before = now.addMSecs(-now.time().msec());
    int count = 0;
    for (const Results::Summary &row : m_results.summary(chosen))
        count += row.visits;
    refresh();
    if (count == 0)
        return;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Clear results"),
                    QStringLiteral("Remove %1 (%2) from %3?").arg(visitCount(count), describeShown(), m_results.keptIn()),
                    QMessageBox::NoButton, this);
    box.setTextFormat(Qt::PlainText); // a pupil's name, as typed
    box.setInformativeText(QStringLiteral("They cannot be brought back. Export them first to keep a copy."));
    QPushButton *remove = box.addButton(QStringLiteral("Remove %1").arg(visitCount(count)), QMessageBox::DestructiveRole);
    QPushButton *exportFirst = box.addButton(QStringLiteral("Export them first..."), QMessageBox::ActionRole);
    QPushButton *keep = box.addButton(QStringLiteral("Keep them"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    const bool exporting = box.clickedButton() == exportFirst;
    // Only a copy written whole lets them go; a failed or cancelled export removes nothing.
    if (exporting ? !exportVisits(chosen) : box.clickedButton() != remove)
        return;
    const QString saved = m_status->text();
    QString error;
    const int removed = m_results.clear(chosen, &error);
    refresh();
    if (removed < 0) {
        QMessageBox failed(QMessageBox::Warning, QStringLiteral("Clear results"),
                           QStringLiteral("The visits could not be removed."), QMessageBox::Ok, this);
        failed.setInformativeText(sentence(error));
        failed.exec();
        return;
    }
    const QString gone = QStringLiteral("Removed %1 from %2.").arg(visitCount(removed), m_results.keptIn());
    m_status->setText(exporting ? saved + QLatin1Char(' ') + gone : gone);
}

void ResultsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void ResultsPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Back from the pupils' window: what they did since is shown.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refresh();
    // The teacher chose another text size, or the window moved to a larger screen.
    if (event->type() == QEvent::FontChange) {
        m_classLabel->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
        refresh();
    }
}
