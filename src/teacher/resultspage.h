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
class Settings;

// The Results page: the class label new visits are kept under, a choice of class and
// period, a table per activity (visits, items, right first time) and a bar chart of right
// first time, weakest at the top; the visits shown can be exported as CSV or cleared.
class ResultsPage : public QWidget
{
    Q_OBJECT
public:
    ResultsPage(Results &results, Settings &settings, QWidget *parent = nullptr);

    // The visits the page shows: the chosen class and the chosen period as of now.
    Results::Filter filter() const;
    // Reads the results afresh (also done whenever the window is shown or activated).
    void refresh();

    void setClassFilter(const QString &classLabel); // empty: every class
    void setPeriod(ResultsPeriod period);

    // Asks where, then writes the visits shown as CSV; a failure is explained.
    void exportCsv();
    // Writes the visits shown to path as CSV; a failure is explained in a message box.
    void exportCsvTo(const QString &path);
    // Asks, saying how many visits go, then removes the visits shown.
    void clearResults();

    QTableWidget &table() const { return *m_table; }
    QChart &chart() const { return *m_chart; }
    QLineEdit &classLabelEdit() const { return *m_classLabel; }

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
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
    int m_visitsShown = 0;
};
