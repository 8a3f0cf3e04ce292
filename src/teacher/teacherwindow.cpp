#include "teacherwindow.h"

#include "bankspage.h"
#include "lessonpage.h"
#include "pupilspage.h"
#include "resultspage.h"
#include "settingspage.h"
#include "settings.h"
#include "teacherplugin.h"
#include "worksheetspage.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QCloseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

TeacherWindow::TeacherWindow(TeacherContext &context, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_pages(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("Teacher - Quorvale"));
    setAccessibleName(QStringLiteral("Teacher window"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    m_pages->addTab(new ResultsPage(context.results, context.settings), QStringLiteral("&Results"));
    // No Alt letter: each of "Lesson"'s is taken by a control on another page.
    m_pages->addTab(new LessonPage(context.results), QStringLiteral("Lesson"));
    m_pages->addTab(new PupilsPage(context.results, context.settings), QStringLiteral("&Pupils"));
    auto *banks = new BanksPage(context);
    auto *worksheets = new WorksheetsPage;
    connect(banks, &BanksPage::bankChanged, worksheets, &WorksheetsPage::bankChanged);
    connect(banks, &BanksPage::unsavedChanged, this, &TeacherWindow::showUnsaved);
    m_pages->addTab(banks, QStringLiteral("&Banks"));
    m_pages->addTab(worksheets, QStringLiteral("&Worksheets"));
    auto *settings = new SettingsPage(context);
    connect(settings, &SettingsPage::textSizeChanged, this, &TeacherWindow::applyTextSize);
    m_pages->addTab(settings, QStringLiteral("&Settings"));
    applyTextSize();
    resize(960, 720);
}

double TeacherWindow::textScale(int screenHeight, int textSize)
{
    // The system's text suits a screen about 1080 logical pixels tall.
    constexpr double SuitedHeight = 1080.0;
    constexpr double Sizes[] = {1.0, 1.25, 1.5};
    return std::max(1.0, screenHeight / SuitedHeight) * Sizes[std::clamp(textSize, 0, 2)];
}

void TeacherWindow::applyTextSize()
{
    const QScreen *shownOn = screen();
    const int height = shownOn ? shownOn->availableGeometry().height() : 0;
    const double scale = textScale(height, m_context.settings.teacherTextSize());
    // Through a style sheet rather than the window's font: a font set on a window does not
    // reach the widgets that have a style sheet of their own (the pages' notices) or a font
    // of their own from the desktop's theme; a style sheet's size reaches every one and
    // keeps what else a widget's font says (a bold heading stays bold).
    const QFont system = QApplication::font();
    const QString size = system.pointSizeF() > 0
        ? QStringLiteral("%1pt").arg(system.pointSizeF() * scale, 0, 'f', 1)
        : QStringLiteral("%1px").arg(qRound(system.pixelSize() * scale));
    const QString sheet = QStringLiteral("QWidget { font-size: %1; }").arg(size);
    if (styleSheet() != sheet)
        setStyleSheet(sheet);
    // A table's rows keep the height they were made with: they grow with the text too.
    QFont shown = system;
    if (system.pointSizeF() > 0)
        shown.setPointSizeF(system.pointSizeF() * scale);
    else
        shown.setPixelSize(qRound(system.pixelSize() * scale));
    const int rowHeight = qRound(QFontMetrics(shown).height() * 1.5);
    for (QTableView *table : findChildren<QTableView *>())
        table->verticalHeader()->setDefaultSectionSize(rowHeight);
}

void TeacherWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_followsScreen && windowHandle()) {
        // Dragged onto another screen, the text follows that screen.
        connect(windowHandle(), &QWindow::screenChanged, this, &TeacherWindow::applyTextSize);
        m_followsScreen = true;
    }
    applyTextSize();
}

bool TeacherWindow::hasUnsavedWork() const
{
    const auto *banks = findChild<BanksPage *>();
    return banks && banks->hasUnsavedChanges();
}

bool TeacherWindow::mayClose()
{
    auto *banks = findChild<BanksPage *>();
    if (!banks)
        return true;
    banks->finishEditing(); // a cell still being typed in counts
    if (!banks->hasUnsavedChanges())
        return true;
    // The question is asked over the bank it is about.
    m_pages->setCurrentWidget(banks);
    show();
    raise();
    activateWindow();
    return banks->settleChanges(QStringLiteral("closing"));
}

void TeacherWindow::closeEvent(QCloseEvent *event)
{
    if (mayClose())
        event->accept();
    else
        event->ignore();
}

void TeacherWindow::showUnsaved()
{
    if (m_title.isEmpty())
        m_title = windowTitle();
    const auto *banks = findChild<BanksPage *>();
    setWindowTitle(banks && banks->hasUnsavedChanges() ? QStringLiteral("%1* - %2").arg(banks->activityCaption(), m_title) : m_title);
}
