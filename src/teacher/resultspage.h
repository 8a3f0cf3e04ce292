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
class QTableWidget;
class QTimer;
class Settings;

// The Results page: the class label new visits are kept under, a choice of class and
// period, a table per activity (visits, items, right first time) and a bar chart of right
// first time, weakest at the top; the visits shown can be exported as CSV or cleared. It
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
    void fillTable(const QList<Results::Summary> &rows);
    void fillChart(const QList<Results::Summary> &rows);
    QString describeShown() const;

    Results &m_results;
    Settings &m_settings;
    QLabel *m_problem;
    QLineEdit *m_classLabel;
    QComboBox *m_classChoice;
    QComboBox *m_periodChoice;
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
