#include "lessonpage.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { PupilColumn, ClassColumn, ComputerColumn, ActivityColumn, ItemsColumn, RightColumn, HelpColumn, ColumnCount };

// Light enough for black text, and the words in the last column say it without colour.
const QColor NeedsHelpColour(0xff, 0xd0, 0xd0);

// Who a row is about, to find them again after a read: a pupil by name and class, a
// computer nobody signed in at by its name.
QString rowKey(const Results::LessonPupil &pupil)
{
    return pupil.name.isEmpty() ? QStringLiteral("computer\n%1").arg(pupil.computer)
                                : QStringLiteral("pupil\n%1\n%2").arg(pupil.name, pupil.classLabel);
}

} // namespace

LessonPage::LessonPage(Results &results, QWidget *parent)
    : QWidget(parent)
    , m_results(results)
    , m_notice(new QLabel(this))
    , m_nobody(new QLabel(QStringLiteral("Nobody has signed in during the last hour."), this))
    , m_table(new QTableWidget(0, ColumnCount, this))
    , m_readSoon(new QTimer(this))
    , m_everyMinute(new QTimer(this))
{
    auto *heading = new QLabel(QStringLiteral("Pupils signed in during the last hour"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    // As the Results page shows what is wrong with the results.
    m_notice->setObjectName(QStringLiteral("problem"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setFrameShape(QFrame::Box);
    m_notice->setMargin(6);
    m_notice->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: black; }"));
    m_notice->hide();
    m_nobody->hide();

    m_table->setObjectName(QStringLiteral("lesson"));
    m_table->setAccessibleName(QStringLiteral("Pupils signed in during the last hour"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Pupil"), QStringLiteral("Class"), QStringLiteral("Computer"),
                                        QStringLiteral("Activity now"), QStringLiteral("Items"),
                                        QStringLiteral("Right first time"), QStringLiteral("Needs help")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ActivityColumn, QHeaderView::Stretch);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_notice);
    layout->addWidget(m_nobody);
    layout->addWidget(m_table, 1);
    layout->addStretch(0); // takes the table's place when it is hidden

    m_readSoon->setSingleShot(true);
    m_readSoon->setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    connect(m_readSoon, &QTimer::timeout, this, &LessonPage::refresh);
    m_everyMinute->setInterval(60 * 1000);
    connect(m_everyMinute, &QTimer::timeout, this, &LessonPage::refresh);
    m_listener = m_results.addLessonListener([this] { lessonChanged(); });
}

LessonPage::~LessonPage()
{
    m_results.removeLessonListener(m_listener);
}

void LessonPage::lessonChanged()
{
    // A hidden page reads the lesson when it is shown again. A burst of answers across the
    // school is read once: the first change at once (on the next turn of the event loop,
    // not inside the results' own call), then at most one read a quarter of a second.
    if (!isVisible() || m_readSoon->isActive())
        return;
    const qint64 sinceLast = m_lastRead.isValid() ? m_lastRead.elapsed() : MinReadGapMs;
    m_readSoon->start(int(std::max<qint64>(0, MinReadGapMs - sinceLast)));
}

void LessonPage::setCell(int row, int column, const QString &text, bool needsHelp)
{
    // Cells are changed in place, so the chosen row and a screen reader's place stay put.
    QTableWidgetItem *item = m_table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        if (column == ItemsColumn || column == RightColumn)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, column, item);
    }
    item->setText(text);
    item->setBackground(needsHelp ? QBrush(NeedsHelpColour) : QBrush());
    item->setForeground(needsHelp ? QBrush(Qt::black) : QBrush());
}

void LessonPage::refresh()
{
    m_readSoon->stop();
    m_lastRead.start();
    QString error;
    const QList<Results::LessonPupil> pupils = m_results.lesson(&error);
    m_notice->setText(error);
    m_notice->setVisible(!error.isEmpty());
    m_nobody->setVisible(error.isEmpty() && pupils.isEmpty());
    m_table->setVisible(error.isEmpty() && !pupils.isEmpty());

    const QTableWidgetItem *current = m_table->item(m_table->currentRow(), PupilColumn);
    const QString chosen = current ? current->data(Qt::UserRole).toString() : QString();
    const int scrolled = m_table->verticalScrollBar()->value();

    const int rows = error.isEmpty() ? int(pupils.size()) : 0;
    m_table->setRowCount(rows);
    int select = -1;
    for (int r = 0; r < rows; ++r) {
        const Results::LessonPupil &pupil = pupils[r];
        const bool help = pupil.threeWrong;
        // Names are the teacher's own text: a table item never reads them as markup.
        setCell(r, PupilColumn, pupil.name.isEmpty() ? QStringLiteral("(at %1)").arg(pupil.computer) : pupil.name, help);
        QTableWidgetItem *name = m_table->item(r, PupilColumn);
        name->setData(Qt::UserRole, rowKey(pupil));
        name->setToolTip(pupil.lastSeen.isValid()
                             ? QStringLiteral("Last seen at %1").arg(QLocale().toString(pupil.lastSeen.toLocalTime().time(),
                                                                                         QLocale::ShortFormat))
                             : QString());
        setCell(r, ClassColumn, pupil.classLabel, help);
        setCell(r, ComputerColumn, pupil.computer, help);
        setCell(r, ActivityColumn, pupil.activity.isEmpty() ? QStringLiteral("-") : pupil.activity, help);
        setCell(r, ItemsColumn, QString::number(pupil.items), help);
        setCell(r, RightColumn,
                pupil.items > 0 ? QStringLiteral("%1 of %2 (%3%)")
                                      .arg(pupil.right)
                                      .arg(pupil.items)
                                      .arg(qRound(100.0 * pupil.right / pupil.items))
                                : QStringLiteral("-"),
                help);
        setCell(r, HelpColumn, help ? QStringLiteral("3 wrong in a row") : QString(), help);
        if (!chosen.isEmpty() && rowKey(pupil) == chosen)
            select = r;
    }

    // The chosen pupil stays chosen wherever their row went, and the table stays where the
    // teacher scrolled it.
    if (select >= 0) {
        if (select != m_table->currentRow())
            m_table->setCurrentCell(select, PupilColumn);
    } else {
        m_table->setCurrentCell(-1, -1);
        m_table->clearSelection();
    }
    m_table->verticalScrollBar()->setValue(scrolled);
}

void LessonPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_everyMinute->start();
}

void LessonPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_everyMinute->stop();
    m_readSoon->stop();
}
