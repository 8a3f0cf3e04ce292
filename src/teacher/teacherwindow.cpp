#include "teacherwindow.h"

#include "bankspage.h"
#include "resultspage.h"
#include "settingspage.h"
#include "teacherplugin.h"
#include "worksheetspage.h"

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
    auto *banks = new BanksPage(context);
    auto *worksheets = new WorksheetsPage;
    connect(banks, &BanksPage::bankChanged, worksheets, &WorksheetsPage::bankChanged);
    m_pages->addTab(banks, QStringLiteral("&Banks"));
    m_pages->addTab(worksheets, QStringLiteral("&Worksheets"));
    m_pages->addTab(new SettingsPage(context), QStringLiteral("&Settings"));
    resize(960, 720);
}
