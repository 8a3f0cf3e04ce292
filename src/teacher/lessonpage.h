#pragma once

#include "results.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QTableWidget;
class QTimer;

// The Lesson page: every pupil signed in anywhere in the school during the last hour, with
// the computer they are at, the activity open there now and how their first answers went;
// a pupil with three wrong first answers in a row is marked as needing help, in words as
// well as colour. It follows the lesson as it happens: read again whenever the results say
// something changed (a burst read at most once a quarter of a second, the first at once),
// whenever it is shown, and once a minute while shown, so a pupil gone an hour drops off.
class LessonPage : public QWidget
{
    Q_OBJECT
public:
    explicit LessonPage(Results &results, QWidget *parent = nullptr);
    ~LessonPage() override;

    // Reads the lesson afresh, keeping the pupil chosen and where the table is scrolled.
    void refresh();

    // Pupil, Class, Computer, Activity now, Items, Right first time, Needs help.
    QTableWidget &table() const { return *m_table; }
    // Why the lesson cannot be shown; hidden when it can.
    QLabel &notice() const { return *m_notice; }
    // "Nobody has signed in during the last hour." when that is so; hidden otherwise.
    QLabel &nobody() const { return *m_nobody; }

    // The shortest time between two reads prompted by changes.
    static constexpr int MinReadGapMs = 250;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void lessonChanged();
    void setCell(int row, int column, const QString &text, bool needsHelp);

    Results &m_results;
    QLabel *m_notice;
    QLabel *m_nobody;
    QTableWidget *m_table;
    QTimer *m_readSoon;
    QTimer *m_everyMinute;
    QElapsedTimer m_lastRead;
    int m_listener = 0;
};
