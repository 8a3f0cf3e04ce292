#include "bankspage.h"

#include "bankmodel.h"
#include "activitychoice.h"
#include "catalogue.h"
#include "contentkinds.h"
#include "teachercontent.h"
#include "teacherplugin.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

// The table of records. Before rows are added, removed or moved, or a change is undone, the
// cell being typed in is finished (what was typed kept), so no editor is left on a row that
// has gone or moved.
class BankTable : public QTableView
{
public:
    using QTableView::QTableView;

    // keep: what was typed goes into the bank (not when the page itself goes).
    void finishEditing(bool keep = true)
    {
        if (state() != QAbstractItemView::EditingState)
            return;
        if (QWidget *editor = indexWidget(currentIndex())) {
            if (keep)
                commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

namespace {

// A bank holds at least two records: the activity needs another to move on to.
constexpr int FewestRecords = 2;

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // bank text and file names are never markup
    label->setWordWrap(true);
    return label;
}

QString problemCount(int n)
{
    return n == 1 ? QStringLiteral("1 problem") : QStringLiteral("%1 problems").arg(n);
}

// Rows of tab-separated cells, as spreadsheets copy them. Quotation marks are kept as
// typed: a bank's text often starts with one (direct speech).
QList<QStringList> cellsOf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QList<QStringList> rows;
    if (text.isEmpty())
        return rows;
    for (const QString &line : text.split(QLatin1Char('\n')))
        rows << line.split(QLatin1Char('\t'));
    return rows;
}

} // namespace

BanksPage::BanksPage(TeacherContext &context, QWidget *parent, const QString &contentFolder)
    : QWidget(parent)
    , m_context(context)
    , m_folder(contentFolder)
    , m_kinds(allContentKinds())
{
    if (m_folder.isEmpty() && !userDataFolder().isEmpty())
        m_folder = QDir(userDataFolder()).filePath(QStringLiteral("content"));
    confirm = [this](const Question &question) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Banks"), question.text, QMessageBox::NoButton, this);
        box.setTextFormat(Qt::PlainText);
        QList<QAbstractButton *> buttons;
        for (qsizetype i = 0; i < question.buttons.size(); ++i) {
            const bool last = i + 1 == question.buttons.size();
            buttons << box.addButton(question.buttons[i], last ? QMessageBox::RejectRole
                                                          : i == 0 ? QMessageBox::AcceptRole
                                                                   : QMessageBox::DestructiveRole);
        }
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.value(question.defaultButton)));
        box.setEscapeButton(buttons.value(buttons.size() - 1));
        box.exec();
        const qsizetype chosen = buttons.indexOf(box.clickedButton());
        return int(chosen < 0 ? buttons.size() - 1 : chosen);
    };

    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *activityLabel = new QLabel(QStringLiteral("&Activity:"), this);
    m_activities = new QComboBox(this);
    activityLabel->setBuddy(m_activities);
    // The activities in the order of the menus, as the menus name them.
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        const QString id = QString::fromLatin1(entry.activity);
        const bool known = std::any_of(m_kinds.begin(), m_kinds.end(), [&](const ContentKind &k) { return k.activity == id; });
        if (known && m_activities->findData(id) < 0)
            m_activities->addItem(activityChoiceCaption(entry), id);
    }
    top->addWidget(activityLabel);
    top->addWidget(m_activities, 1);
    auto *newBankButton = new QPushButton(QStringLiteral("New ban&k"), this);
    newBankButton->setToolTip(QStringLiteral("Start this activity's bank again from blank records"));
    connect(newBankButton, &QPushButton::clicked, this, [this] { newBank(); });
    top->addWidget(newBankButton);
    layout->addLayout(top);
    m_heading = plainLabel(this);
    m_heading->setAccessibleName(QStringLiteral("Bank"));
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    layout->addWidget(m_heading);
    m_source = plainLabel(this);
    layout->addWidget(m_source);

    auto *rows = new QHBoxLayout;
    auto addButton = [&](const QString &text, const QString &tip, auto slot) {
        auto *button = new QPushButton(text, this);
        button->setToolTip(tip);
        connect(button, &QPushButton::clicked, this, slot);
        rows->addWidget(button);
        return button;
    };
    // Each acts on the rows chosen in the table (several with Ctrl or Shift), and leaves
    // the rows it changed chosen.
    addButton(QStringLiteral("A&dd row"), QStringLiteral("A new, empty record below the chosen ones"), [this] {
        const QList<int> chosen = chosenRows(false);
        edit([&] { m_model->addRow(chosen.isEmpty() ? m_model->rowCount() : chosen.last() + 1); });
    });
    addButton(QStringLiteral("Dupli&cate"), QStringLiteral("Copies of the chosen records, below them"), [this] {
        const QList<int> chosen = chosenRows();
        if (!chosen.isEmpty())
            edit([&] { m_model->duplicateRows(chosen); });
    });
    addButton(QStringLiteral("De&lete"), QStringLiteral("Delete the chosen records"), [this] {
        const QList<int> chosen = chosenRows();
        if (chosen.isEmpty())
            return;
        // Records are deleted only in sight: chosen ones scrolled away are shown first.
        const auto inSight = [this](int row) {
            const int top = m_table->rowViewportPosition(row);
            return top + m_table->rowHeight(row) > 0 && top < m_table->viewport()->height();
        };
        if (std::none_of(chosen.begin(), chosen.end(), inSight)) {
            m_table->selectionModel()->setCurrentIndex(m_model->index(chosen.first(), 0), QItemSelectionModel::NoUpdate);
            m_table->scrollTo(m_model->index(chosen.first(), 0));
            say(QStringLiteral("These are the records chosen: press Delete again to delete them."));
            return;
        }
        edit([&] { m_model->removeRows(chosen); });
    });
    addButton(QStringLiteral("Move &up"), QStringLiteral("Move the chosen records up"), [this] {
        const QList<int> chosen = chosenRows();
        if (!chosen.isEmpty())
            edit([&] { m_model->moveRows(chosen, -1); });
    });
    addButton(QStringLiteral("Move dow&n"), QStringLiteral("Move the chosen records down"), [this] {
        const QList<int> chosen = chosenRows();
        if (!chosen.isEmpty())
            edit([&] { m_model->moveRows(chosen, 1); });
    });
    rows->addSpacing(12);
    m_undo = addButton(QStringLiteral("Undo"), QStringLiteral("Undo the last change (Ctrl+Z)"), [this] { undo(); });
    m_redo = addButton(QStringLiteral("Redo"), QStringLiteral("Redo the change undone (Ctrl+Y)"), [this] { redo(); });
    rows->addStretch(1);
    layout->addLayout(rows);

    auto *undoAction = new QAction(this);
    undoAction->setShortcuts({QKeySequence::Undo});
    undoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undoAction, &QAction::triggered, this, &BanksPage::undo);
    auto *redoAction = new QAction(this);
    // Ctrl+Y as well as the platform's own redo key, once: a key listed twice is ambiguous.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
    redoAction->setShortcuts(redoKeys);
    redoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(redoAction, &QAction::triggered, this, &BanksPage::redo);
    // Ctrl+V on the table (a cell being typed in pastes into itself).
    auto *pasteAction = new QAction(this);
    pasteAction->setShortcuts(QKeySequence::Paste);
    pasteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(pasteAction, &QAction::triggered, this, [this] { pasteText(QApplication::clipboard()->text()); });
    addActions({undoAction, redoAction});

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    auto *left = new QWidget(splitter);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_table = new BankTable(left);
    m_table->setAccessibleName(QStringLiteral("Records of the bank"));
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->addAction(pasteAction);
    leftLayout->addWidget(m_table, 1);
    m_cellProblem = plainLabel(left);
    m_cellProblem->setAccessibleName(QStringLiteral("Problem of the chosen cell"));
    leftLayout->addWidget(m_cellProblem);
    m_problemCount = plainLabel(left);
    leftLayout->addWidget(m_problemCount);
    m_problemList = new QListWidget(left);
    m_problemList->setAccessibleName(QStringLiteral("Problems to mend"));
    m_problemList->setMaximumHeight(110);
    m_problemList->setIconSize(QSize(16, 16));
    // A problem chosen in the list takes the teacher to its cell.
    connect(m_problemList, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QPoint at = item->data(Qt::UserRole).toPoint();
        if (m_model && at.y() >= 0)
            m_table->setCurrentIndex(m_model->index(at.y(), std::max(0, at.x())));
    });
    leftLayout->addWidget(m_problemList);

    auto *right = new QWidget(splitter);
    m_previewLayout = new QVBoxLayout(right);
    m_previewLayout->setContentsMargins(0, 0, 0, 0);
    auto *previewTitle = new QLabel(QStringLiteral("Preview of the chosen record (playable; no sound, no results kept)"), right);
    previewTitle->setWordWrap(true);
    m_previewLayout->addWidget(previewTitle);
    m_previewNote = plainLabel(right);
    m_previewLayout->addWidget(m_previewNote);
    m_previewLayout->addStretch(1);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    auto *bottom = new QHBoxLayout;
    m_save = new QPushButton(QStringLiteral("Sa&ve as my bank"), this);
    auto *builtIn = new QPushButton(QStringLiteral("Use the buil&t-in bank again"), this);
    auto *import = new QPushButton(QStringLiteral("&Import..."), this);
    auto *exportButton = new QPushButton(QStringLiteral("&Export..."), this);
    import->setToolTip(QStringLiteral("Read a bank file from a colleague"));
    exportButton->setToolTip(QStringLiteral("Write this bank to a file to share"));
    for (QPushButton *button : {m_save, builtIn, import, exportButton})
        bottom->addWidget(button);
    bottom->addStretch(1);
    layout->addLayout(bottom);
    m_status = plainLabel(this);
    m_status->setAccessibleName(QStringLiteral("Status"));
    layout->addWidget(m_status);

    connect(m_save, &QPushButton::clicked, this, [this] { save(); });
    connect(builtIn, &QPushButton::clicked, this, [this] { useBuiltIn(); });
    connect(import, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import a bank"), QDir::homePath(),
                                                          QStringLiteral("Item banks (*.json);;All files (*)"));
        if (!path.isEmpty())
            importFile(path);
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export the bank"),
                                                          QDir(QDir::homePath()).filePath(activity() + QStringLiteral(".json")),
                                                          QStringLiteral("Item banks (*.json)"));
        if (!path.isEmpty())
            exportFile(path);
    });

    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(250);
    connect(m_previewTimer, &QTimer::timeout, this, &BanksPage::refreshPreview);

    connect(m_activities, &QComboBox::activated, this, [this](int index) {
        const QString id = m_activities->itemData(index).toString();
        if (!showActivity(id))
            m_activities->setCurrentIndex(m_activities->findData(activity()));
    });
    if (m_activities->count() > 0)
        loadBank(m_activities->itemData(0).toString());
}

BanksPage::~BanksPage()
{
    // The bank goes first, while the widgets its signals update are still there; a cell
    // being typed in is closed before, so it has nothing to hand to a bank that is gone.
    m_table->finishEditing(false);
    if (m_model) {
        m_model->undoStack().disconnect(this);
        m_model->disconnect(this);
        delete m_model;
    }
}

QTableView *BanksPage::table() const
{
    return m_table;
}

QString BanksPage::activity() const
{
    return m_model ? m_model->activity() : QString();
}

QString BanksPage::activityCaption() const
{
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        if (activity() == QLatin1String(entry.activity))
            return QString::fromUtf8(entry.caption);
    }
    return activity();
}

QString BanksPage::heading() const
{
    return m_heading->text();
}

QString BanksPage::teacherFile() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(activity() + QStringLiteral(".json"));
}

QString BanksPage::status() const
{
    return m_status->text();
}

bool BanksPage::showActivity(const QString &activity)
{
    const int index = m_activities->findData(activity);
    if (index < 0)
        return false;
    if (m_model && activity == m_model->activity())
        return true;
    if (!settleChanges(QStringLiteral("showing another activity")))
        return false;
    m_activities->setCurrentIndex(index);
    loadBank(activity);
    return true;
}

void BanksPage::loadBank(const QString &activity)
{
    const auto kind = std::find_if(m_kinds.begin(), m_kinds.end(), [&](const ContentKind &k) { return k.activity == activity; });
    if (kind == m_kinds.end())
        return;
    auto *model = new BankModel(*kind, this);
    QString note;
    bool loaded = false;
    const QString own = QDir(m_folder).filePath(activity + QStringLiteral(".json"));
    if (!m_folder.isEmpty() && QFileInfo::exists(own)) {
        // Read as the loaders read it: a device, a pipe or a huge file in its place is
        // refused at once rather than read for ever.
        ContentProblems unread;
        if (const std::optional<QByteArray> bytes = readBankBytes(own, unread))
            loaded = model->load(*bytes, QFileInfo(own).fileName());
        note = loaded ? QStringLiteral("Your own bank: %1").arg(QDir::toNativeSeparators(own))
                      : QStringLiteral("Your file %1 could not be read, so this is a copy of the built-in bank. "
                                       "Saving replaces your file.").arg(QDir::toNativeSeparators(own));
    }
    if (!loaded) {
        const QString builtIn = BankModel::builtInPath(activity);
        QFile file(builtIn);
        if (!file.open(QIODevice::ReadOnly) || !model->load(file.readAll(), QFileInfo(builtIn).fileName())) {
            delete model;
            say(QStringLiteral("The bank of this activity cannot be read."));
            return;
        }
        if (note.isEmpty())
            note = QStringLiteral("A copy of the built-in bank. Save it to make it your own; the class keeps "
                                  "the built-in bank until you do.");
    }
    BankModel *old = m_model;
    if (old) {
        old->undoStack().disconnect(this);
        old->disconnect(this);
    }
    m_table->finishEditing();
    m_model = model;
    m_unsaved = false;
    m_table->setModel(m_model);
    delete old;
    m_table->resizeColumnsToContents();
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_table->setColumnWidth(c, std::min(m_table->columnWidth(c), 320));
    m_source->setText(note);
    connect(m_model, &BankModel::checked, this, [this] {
        updateProblems();
        schedulePreview();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_table->resizeColumnsToContents(); });
    // New cells (a longer key, list or sentence) are made wide enough for what they show.
    connect(m_model, &QAbstractItemModel::columnsInserted, this, [this](const QModelIndex &, int first, int last) {
        for (int c = first; c <= last; ++c)
            m_table->resizeColumnToContents(c);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current, const QModelIndex &previous) {
        updateProblems();
        if (current.row() != previous.row()) {
            schedulePreview();
            // The key's columns are headed by the words of the row chosen.
            m_model->setHeaderRow(current.row());
            for (int c = 0; c < m_model->columnCount(); ++c) {
                if (m_model->columns()[size_t(c)].kind == BankModel::CellKind::KeyDigit)
                    m_table->resizeColumnToContents(c);
            }
        }
    });
    connect(&m_model->undoStack(), &QUndoStack::indexChanged, this, &BanksPage::updateButtons);
    connect(&m_model->undoStack(), &QUndoStack::cleanChanged, this, &BanksPage::updateUnsaved);
    m_table->setCurrentIndex(m_model->index(0, 0));
    updateProblems();
    updateButtons();
    updateUnsaved();
    say({});
    schedulePreview();
}

int BanksPage::currentRow() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() : (m_model && m_model->rowCount() > 0 ? 0 : -1);
}

QList<int> BanksPage::chosenRows(bool needed)
{
    QList<int> rows;
    if (m_model) {
        for (const QModelIndex &index : m_table->selectionModel()->selectedIndexes())
            rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty() && needed)
        say(QStringLiteral("Choose the records first: click a row's number (Ctrl or Shift for more than one)."));
    return rows;
}

void BanksPage::edit(const std::function<void()> &change)
{
    if (!m_model)
        return;
    m_table->finishEditing();
    m_model->takeTouchedRows(); // those of edits typed in cells
    change();
    showTouchedRows();
}

void BanksPage::showTouchedRows()
{
    const QList<int> rows = m_model->takeTouchedRows();
    if (rows.isEmpty() || m_model->columnCount() == 0)
        return;
    const int column = std::clamp(m_table->currentIndex().column(), 0, m_model->columnCount() - 1);
    QItemSelection selection;
    for (int row : rows)
        selection.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
    QItemSelectionModel *chosen = m_table->selectionModel();
    chosen->setCurrentIndex(m_model->index(rows.first(), column), QItemSelectionModel::NoUpdate);
    chosen->select(selection, QItemSelectionModel::ClearAndSelect);
    m_table->scrollTo(m_model->index(rows.first(), column));
}

void BanksPage::undo()
{
    edit([this] { m_model->undoStack().undo(); });
}

void BanksPage::redo()
{
    edit([this] { m_model->undoStack().redo(); });
}

bool BanksPage::pasteText(const QString &text)
{
    const QList<QStringList> cells = cellsOf(text);
    if (!m_model || cells.isEmpty())
        return false;
    const QModelIndex at = m_table->currentIndex();
    edit([&] { m_model->paste(std::max(0, at.row()), std::max(0, at.column()), cells); });
    return true;
}

void BanksPage::finishEditing()
{
    m_table->finishEditing();
}

bool BanksPage::hasUnsavedChanges() const
{
    return m_model && (m_unsaved || !m_model->undoStack().isClean());
}

void BanksPage::updateUnsaved()
{
    const bool unsaved = hasUnsavedChanges();
    m_heading->setText(unsaved ? QStringLiteral("%1*  (changes not saved)").arg(activityCaption()) : activityCaption());
    if (unsaved != m_shownUnsaved) {
        m_shownUnsaved = unsaved;
        emit unsavedChanged(unsaved);
    }
}

bool BanksPage::settleChanges(const QString &before)
{
    m_table->finishEditing();
    if (!hasUnsavedChanges())
        return true;
    enum { Save, Discard, Cancel };
    switch (confirm({QStringLiteral("Save changes to %1 before %2?").arg(activityCaption(), before),
                     {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, Save})) {
    case Save: return save(); // when refused, the page says why and the bank stays
    case Discard:
        loadBank(activity()); // the bank as last saved
        return true;
    default: return false;
    }
}

void BanksPage::updateProblems()
{
    if (!m_model)
        return;
    const QModelIndex current = m_table->currentIndex();
    QStringList here;
    if (current.isValid())
        here = m_model->problemsAt(current.row(), current.column()) + m_model->problemsAt(current.row(), -1);
    m_cellProblem->setText(here.isEmpty() ? QString() : QStringLiteral("This cell: ") + here.join(QLatin1Char(' ')));
    m_cellProblem->setVisible(!here.isEmpty());

    const QList<BankModel::Problem> &problems = m_model->problems();
    m_problemCount->setText(problems.isEmpty()
                                ? QStringLiteral("No problems: the bank can be saved.")
                                : QStringLiteral("%1 to mend before the bank can be saved:").arg(problemCount(int(problems.size()))));
    m_problemList->clear();
    for (const BankModel::Problem &problem : problems) {
        auto *item = new QListWidgetItem(m_model->describe(problem), m_problemList);
        item->setData(Qt::UserRole, QPoint(problem.column, problem.row));
        item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    }
    m_problemList->setVisible(!problems.isEmpty());
    m_save->setEnabled(true); // pressed with problems, it says how many remain
}

void BanksPage::updateButtons()
{
    if (!m_model)
        return;
    m_undo->setEnabled(m_model->undoStack().canUndo());
    m_redo->setEnabled(m_model->undoStack().canRedo());
}

void BanksPage::say(const QString &text)
{
    m_status->setText(text);
}

void BanksPage::schedulePreview()
{
    m_previewTimer->start();
}

void BanksPage::refreshPreview()
{
    m_previewTimer->stop();
    delete m_preview;
    if (!m_model)
        return;
    if (!m_context.previewScreen) {
        m_previewNote->setText(QStringLiteral("The preview is not available here."));
        return;
    }
    if (m_model->hasProblems()) {
        m_previewNote->setText(QStringLiteral("The preview shows the record again once the bank's problems are mended."));
        return;
    }
    const int row = currentRow();
    QWidget *screen = row >= 0 ? m_context.previewScreen(activity(), m_model->toJson(), row, this) : nullptr;
    if (!screen) {
        m_previewNote->setText(QStringLiteral("This record cannot be shown."));
        return;
    }
    m_previewNote->setText(QStringLiteral("Row %1:").arg(row + 1));
    m_preview = screen;
    screen->setMinimumSize(240, 180);
    screen->setAccessibleName(QStringLiteral("Preview of row %1").arg(row + 1));
    m_previewLayout->insertWidget(2, screen, 1);
}

bool BanksPage::writeTo(const QString &path, QString *failure)
{
    QSaveFile file(path);
    const QByteArray json = m_model->toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        *failure = file.errorString();
        return false;
    }
    return true;
}

bool BanksPage::save()
{
    if (!m_model)
        return false;
    m_table->finishEditing();
    if (m_model->hasProblems()) {
        say(QStringLiteral("Not saved: %1 to mend first (listed above).").arg(problemCount(int(m_model->problems().size()))));
        return false;
    }
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder)) {
        say(QStringLiteral("Not saved: there is no folder for your banks."));
        return false;
    }
    QString failure;
    if (!writeTo(teacherFile(), &failure)) {
        say(QStringLiteral("Not saved: %1").arg(failure));
        return false;
    }
    m_model->undoStack().setClean();
    m_unsaved = false;
    updateUnsaved();
    m_source->setText(QStringLiteral("Your own bank: %1").arg(QDir::toNativeSeparators(teacherFile())));
    say(QStringLiteral("Saved. The activity uses this bank the next time it is opened."));
    emit bankChanged(activity());
    return true;
}

QString BanksPage::useBuiltIn()
{
    if (!m_model)
        return {};
    const QString own = teacherFile();
    const bool unsaved = hasUnsavedChanges();
    if (own.isEmpty() || !QFileInfo::exists(own)) {
        if (unsaved && confirm({QStringLiteral("Your changes to %1 are not saved. Show the built-in bank and lose them?").arg(activityCaption()),
                                {QStringLiteral("Discard changes"), QStringLiteral("Keep editing")}, 1}) != 0)
            return {};
        loadBank(activity());
        say(QStringLiteral("The class already uses the built-in bank."));
        return {};
    }
    const QString question = unsaved
        ? QStringLiteral("Use the built-in bank again? Your changes since you last saved are lost; your saved bank is "
                         "kept as a dated copy in %1.")
        : QStringLiteral("Use the built-in bank again? Your own bank is kept as a dated copy in %1.");
    if (confirm({question.arg(QDir::toNativeSeparators(m_folder)),
                 {QStringLiteral("Use the built-in bank"), unsaved ? QStringLiteral("Keep editing") : QStringLiteral("Keep my bank")}, 1}) != 0)
        return {};
    // Named so that no loader or check takes it for a bank: it does not end in .json.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"));
    QString copy = QDir(m_folder).filePath(QStringLiteral("%1.%2.bak").arg(activity(), stamp));
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = QDir(m_folder).filePath(QStringLiteral("%1.%2-%3.bak").arg(activity(), stamp).arg(n));
    if (!QFile::rename(own, copy)) {
        say(QStringLiteral("Your bank could not be put aside, so it is still used."));
        return {};
    }
    loadBank(activity());
    say(QStringLiteral("The built-in bank is used again. Your own is kept as %1.").arg(QFileInfo(copy).fileName()));
    emit bankChanged(activity());
    return copy;
}

bool BanksPage::importFile(const QString &path)
{
    ContentProblems problems;
    const auto document = ContentDocument::read(path, problems);
    const QString name = QFileInfo(path).fileName();
    if (!document) {
        say(QStringLiteral("%1 was not imported: it %2.").arg(name, problems.value(0).reason));
        return false;
    }
    if (m_activities->findData(document->activity) < 0) {
        say(QStringLiteral("%1 was not imported: it is not the bank of any activity here.").arg(name));
        return false;
    }
    if (!settleChanges(QStringLiteral("importing %1").arg(name)))
        return false;
    m_activities->setCurrentIndex(m_activities->findData(document->activity));
    loadBank(document->activity);
    const std::optional<QByteArray> bytes = readBankBytes(path, problems);
    if (!bytes || !m_model->load(*bytes, name)) {
        say(QStringLiteral("%1 was not imported: %2")
                .arg(name, bytes ? m_model->loadProblems().value(0).reason : problems.value(0).reason));
        return false;
    }
    m_unsaved = true;
    updateUnsaved();
    m_table->resizeColumnsToContents();
    m_table->setCurrentIndex(m_model->index(0, 0));
    m_source->setText(QStringLiteral("Imported from %1; not yet saved as your own.").arg(QDir::toNativeSeparators(path)));
    say(m_model->hasProblems()
            ? QStringLiteral("Imported, with %1 to mend before it can be saved.").arg(problemCount(int(m_model->problems().size())))
            : QStringLiteral("Imported. Save it to let the class use it."));
    return true;
}

bool BanksPage::newBank()
{
    if (!m_model || !settleChanges(QStringLiteral("starting a new bank")))
        return false;
    m_table->finishEditing();
    m_model->startEmpty(FewestRecords);
    m_unsaved = true;
    updateUnsaved();
    m_table->setCurrentIndex(m_model->index(0, 0));
    m_source->setText(QStringLiteral("A new bank, not yet saved. The class keeps the bank it has until you save this one."));
    say(QStringLiteral("Fill in the blank records, adding rows as you need them."));
    return true;
}

bool BanksPage::exportFile(const QString &path)
{
    if (!m_model)
        return false;
    m_table->finishEditing();
    if (m_model->hasProblems()) {
        say(QStringLiteral("Not exported: %1 to mend first.").arg(problemCount(int(m_model->problems().size()))));
        return false;
    }
    QString failure;
    if (!writeTo(path, &failure)) {
        say(QStringLiteral("Not exported: %1").arg(failure));
        return false;
    }
    say(QStringLiteral("Exported to %1.").arg(QDir::toNativeSeparators(path)));
    return true;
}
