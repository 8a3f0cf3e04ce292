#include "teacherwindow.h"

#include "resultspage.h"
#include "teacherplugin.h"

#include <QTabWidget>
#include <QVBoxLayout>

TeacherWindow::TeacherWindow(TeacherContext &context, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_pages(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("Teacher - Quorvale"));
    setAccessibleName(QStringLiteral("Teacher window"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    m_pages->addTab(new ResultsPage(context.results, context.settings), QStringLiteral("&Results"));
    resize(960, 720);
}
