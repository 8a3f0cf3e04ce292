#include "bankspage.h"

#include "bankmodel.h"
#include "catalogue.h"
#include "contentkinds.h"
#include "teachercontent.h"
#include "teacherplugin.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
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

namespace {

QString builtInFile(const QString &activity)
{
    return QStringLiteral(":/assets/content/") + activity + QStringLiteral(".json");
}

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

} // namespace

BanksPage::BanksPage(TeacherContext &context, QWidget *parent, const QString &contentFolder)
    : QWidget(parent)
    , m_context(context)
    , m_folder(contentFolder)
    , m_kinds(allContentKinds())
{
    if (m_folder.isEmpty() && !userDataFolder().isEmpty())
        m_folder = QDir(userDataFolder()).filePath(QStringLiteral("content"));
    confirm = [this](const QString &question) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Banks"), question, QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
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
            m_activities->addItem(QStringLiteral("%1 (Year %2, Term %3)").arg(QString::fromUtf8(entry.caption)).arg(entry.year).arg(entry.term), id);
    }
    top->addWidget(activityLabel);
    top->addWidget(m_activities, 1);
    layout->addLayout(top);
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
    addButton(QStringLiteral("A&dd row"), QStringLiteral("A new, empty record below the chosen one"),
                              [this] { m_model->addRow(currentRow() + 1); selectRow(currentRow() + 1); });
    addButton(QStringLiteral("D&uplicate"), QStringLiteral("A copy of the chosen record"),
                              [this] { const int row = currentRow(); m_model->duplicateRow(row); selectRow(row + 1); });
    addButton(QStringLiteral("De&lete"), QStringLiteral("Delete the chosen record"),
                              [this] { m_model->removeRow(currentRow()); });
    addButton(QStringLiteral("Move &up"), QStringLiteral("Move the chosen record up"),
                              [this] { const int row = currentRow(); m_model->moveRow(row, row - 1); selectRow(row - 1); });
    addButton(QStringLiteral("Move dow&n"), QStringLiteral("Move the chosen record down"),
                              [this] { const int row = currentRow(); m_model->moveRow(row, row + 1); selectRow(row + 1); });
    rows->addSpacing(12);
    m_undo = addButton(QStringLiteral("Undo"), QStringLiteral("Undo the last change (Ctrl+Z)"), [this] { m_model->undoStack().undo(); });
    m_redo = addButton(QStringLiteral("Redo"), QStringLiteral("Redo the change undone (Ctrl+Y)"), [this] { m_model->undoStack().redo(); });
    rows->addStretch(1);
    layout->addLayout(rows);

    auto *undoAction = new QAction(this);
    undoAction->setShortcuts({QKeySequence::Undo});
    undoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undoAction, &QAction::triggered, this, [this] { m_model->undoStack().undo(); });
    auto *redoAction = new QAction(this);
    // Ctrl+Y as well as the platform's own redo key, once: a key listed twice is ambiguous.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
    redoAction->setShortcuts(redoKeys);
    redoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(redoAction, &QAction::triggered, this, [this] { m_model->undoStack().redo(); });
    addActions({undoAction, redoAction});

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    auto *left = new QWidget(splitter);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_table = new QTableView(left);
    m_table->setAccessibleName(QStringLiteral("Records of the bank"));
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
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
    m_save = new QPushButton(QStringLiteral("&Save as my bank"), this);
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
        if (m_model && id == m_model->activity())
            return;
        if (!discardChanges()) {
            m_activities->setCurrentIndex(m_activities->findData(m_model->activity()));
            return;
        }
        loadBank(id);
    });
    if (m_activities->count() > 0)
        loadBank(m_activities->itemData(0).toString());
}

BanksPage::~BanksPage()
{
    // The bank goes first, while the widgets its signals update are still there.
    if (m_model) {
        m_model->undoStack().disconnect(this);
        m_model->disconnect(this);
        delete m_model;
    }
}

QString BanksPage::activity() const
{
    return m_model ? m_model->activity() : QString();
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
        QFile file(own);
        if (file.size() <= 4 * 1024 * 1024 && file.open(QIODevice::ReadOnly))
            loaded = model->load(file.readAll(), QFileInfo(own).fileName());
        note = loaded ? QStringLiteral("Your own bank: %1").arg(QDir::toNativeSeparators(own))
                      : QStringLiteral("Your file %1 could not be read, so this is a copy of the built-in bank. "
                                       "Saving replaces your file.").arg(QDir::toNativeSeparators(own));
    }
    if (!loaded) {
        QFile file(builtInFile(activity));
        if (!file.open(QIODevice::ReadOnly) || !model->load(file.readAll(), QFileInfo(builtInFile(activity)).fileName())) {
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
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current, const QModelIndex &previous) {
        updateProblems();
        if (current.row() != previous.row())
            schedulePreview();
    });
    connect(&m_model->undoStack(), &QUndoStack::indexChanged, this, &BanksPage::updateButtons);
    selectRow(0);
    updateProblems();
    updateButtons();
    say({});
    schedulePreview();
}

int BanksPage::currentRow() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() : (m_model && m_model->rowCount() > 0 ? 0 : -1);
}

void BanksPage::selectRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    const int column = std::max(0, m_table->currentIndex().column());
    m_table->setCurrentIndex(m_model->index(row, column));
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
    if (own.isEmpty() || !QFileInfo::exists(own)) {
        if (!m_model->undoStack().isClean() || m_unsaved) {
            if (!confirm(QStringLiteral("Leave your changes and show the built-in bank again?")))
                return {};
        }
        loadBank(activity());
        say(QStringLiteral("The class already uses the built-in bank."));
        return {};
    }
    if (!confirm(QStringLiteral("Use the built-in bank again? Your own bank is kept as a dated copy in %1.")
                     .arg(QDir::toNativeSeparators(m_folder))))
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
    if (!discardChanges())
        return false;
    m_activities->setCurrentIndex(m_activities->findData(document->activity));
    loadBank(document->activity);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !m_model->load(file.readAll(), name)) {
        say(QStringLiteral("%1 was not imported: %2").arg(name, m_model->loadProblems().value(0).reason));
        return false;
    }
    m_unsaved = true;
    m_table->resizeColumnsToContents();
    m_source->setText(QStringLiteral("Imported from %1; not yet saved as your own.").arg(QDir::toNativeSeparators(path)));
    say(m_model->hasProblems()
            ? QStringLiteral("Imported, with %1 to mend before it can be saved.").arg(problemCount(int(m_model->problems().size())))
            : QStringLiteral("Imported. Save it to let the class use it."));
    return true;
}

bool BanksPage::exportFile(const QString &path)
{
    if (!m_model)
        return false;
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

bool BanksPage::discardChanges()
{
    if (!m_model || (m_model->undoStack().isClean() && !m_unsaved))
        return true;
    return confirm(QStringLiteral("Your changes to this bank are not saved. Leave them?"));
}
