#pragma once

#include "resultsperiod.h"
#include "results.h"

#include <QWidget>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class Settings;

// The Results page: the class label new visits are kept under, a choice of class, pupil and
// period, a table per activity (visits, items, right first time) and a bar chart of right
// first time, weakest at the top, or a table per pupil (right first time in each activity
// they did, coloured red to green, and a pupil's visits when the pupil is clicked); the
// visits shown can be exported as CSV or cleared. It
// reads the results again when they change (a visit kept in the pupils' window) and
// whenever it is shown.
class ResultsPage : public QWidget
{
    Q_OBJECT
public:
    ResultsPage(Results &results, Settings &settings, QWidget *parent = nullptr);
    ~ResultsPage() override;

    // The visits the page shows: the chosen class and the chosen period as of now.
    Results::Filter filter() const;
    // Reads the results afresh (also done whenever the window is shown or activated).
    void refresh();

    void setClassFilter(const QString &classLabel); // empty: every class
    void setPeriod(ResultsPeriod period);
    // One pupil of the class shown, or everyone (0).
    void setPupilFilter(qint64 pupil);
    // Shows the table per pupil (or per activity).
    void showPupils(bool pupils);
    // Lists the visits of the pupil on a row of the pupil table below it.
    void showPupilVisits(int row);

    // The colour of a right-first-time share in the pupil table: red for none, through
    // amber, to green for all.
    static QColor shareColour(double percent);

    // Asks where (starting in the Documents folder), then writes the visits shown as CSV
    // and says how many went where; a failure is explained. True when written.
    bool exportCsv();
    // Writes the visits shown to path as CSV, the same way.
    bool exportCsvTo(const QString &path);
    // Asks, saying how many visits go, then removes the visits shown, or exports them
    // first and removes them only once that has worked.
    void clearResults();

    QTableWidget &table() const { return *m_table; }
    QChart &chart() const { return *m_chart; }
    QLineEdit &classLabelEdit() const { return *m_classLabel; }
    QComboBox &classChoice() const { return *m_classChoice; }
    QComboBox &pupilChoice() const { return *m_pupilChoice; }
    // One row per pupil: the name, then right first time in each activity (headed by
    // its menu caption) that any pupil shown did; an empty cell where the pupil did not.
    QTableWidget &pupilTable() const { return *m_pupilTable; }
    // The visits of the pupil clicked: when, activity, the computer (only for the school's
    // results, which come from many), items, right first time.
    QTableWidget &pupilVisits() const { return *m_pupilVisits; }
    // What the last export or clearing did ("Saved 42 visits to ...").
    QLabel &status() const { return *m_status; }

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void resultsChanged();
    bool exportVisits(const Results::Filter &filter);
    bool exportVisitsTo(const QString &path, const Results::Filter &filter);
    void applyClassLabel();
    void fillClassChoice();
    void fillPupilChoice();
    void fillPupilTable();
    void fillTable(const QList<Results::Summary> &rows);
    void fillChart(const QList<Results::Summary> &rows);
    QString describeShown() const;

    Results &m_results;
    Settings &m_settings;
    QLabel *m_problem;
    QLineEdit *m_classLabel;
    QComboBox *m_classChoice;
    QComboBox *m_periodChoice;
    QComboBox *m_pupilChoice;
    QTabWidget *m_views;
    QTableWidget *m_pupilTable;
    QLabel *m_pupilVisitsHeading;
    QTableWidget *m_pupilVisits;
    QList<Results::PupilSummary> m_pupilRows;
    QTableWidget *m_table;
    QChartView *m_chartView;
    QChart *m_chart;
    QPushButton *m_export;
    QPushButton *m_clear;
    QLabel *m_status;
    QTimer *m_refreshSoon;
    int m_listener = 0;
    int m_visitsShown = 0;
};
