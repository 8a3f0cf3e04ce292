#pragma once

#include <QWidget>

class QTabWidget;
struct TeacherContext;

// The teacher's own window, apart from the pupils' screens: ordinary widgets, one tab a
// page, each page one class that gets what it works on from here.
class TeacherWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TeacherWindow(TeacherContext &context, QWidget *parent = nullptr);

    QTabWidget &pages() const { return *m_pages; }

private:
    QTabWidget *m_pages;
};
