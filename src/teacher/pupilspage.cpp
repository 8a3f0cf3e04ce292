#include "pupilspage.h"

#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A list file larger than this is no class list.
constexpr qint64 MaxListBytes = 1024 * 1024;

QString visitCount(int visits)
{
    return visits == 1 ? QStringLiteral("1 visit") : QStringLiteral("%1 visits").arg(visits);
}

QString pupilCount(int pupils)
{
    return pupils == 1 ? QStringLiteral("1 pupil") : QStringLiteral("%1 pupils").arg(pupils);
}

QString sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

// A sentence that ends in a name ends with one full stop, also after "Amy R.".
QString ended(const QString &text)
{
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

// Every text in a message box as plain text: names are the teacher's own typing, and a
// name that looks like markup is shown as typed.
void plainText(QWidget *dialog)
{
    for (QLabel *label : dialog->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
}

// The first field of a CSV row: quoted ("Smith, Amy", doubled quotes inside) or up to the
// first comma.
QString firstField(const QString &row)
{
    if (!row.startsWith(QLatin1Char('"')))
        return row.section(QLatin1Char(','), 0, 0);
    QString field;
    for (qsizetype i = 1; i < row.size(); ++i) {
        if (row[i] != QLatin1Char('"')) {
            field += row[i];
        } else if (i + 1 < row.size() && row[i + 1] == QLatin1Char('"')) {
            field += QLatin1Char('"');
            ++i;
        } else {
            break;
        }
    }
    return field;
}

// What a spreadsheet's first row says above a column of names.
bool isHeading(const QString &field)
{
    static const QStringList headings{QStringLiteral("name"),       QStringLiteral("names"),
                                      QStringLiteral("pupil"),      QStringLiteral("pupils"),
                                      QStringLiteral("pupil name"), QStringLiteral("first name"),
                                      QStringLiteral("full name"),  QStringLiteral("child"),
                                      QStringLiteral("student"),    QStringLiteral("students")};
    return headings.contains(field.trimmed().toLower());
}

// A file's text: UTF-8 (a byte-order mark left out), or the Windows encoding a
// spreadsheet saves in when the bytes are not UTF-8.
QString decoded(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QStringDecoder(QStringDecoder::Latin1).decode(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

QString startFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Asks before something is removed for good, with the action on its buttons; Keep is the
// default, so Enter never removes anything. Whether the teacher chose to remove.
bool askToRemove(QWidget *parent, const QString &title, const QString &question, int visits,
                 const QString &afterCount, const QString &remove, const QString &keep)
{
    QMessageBox box(QMessageBox::Warning, title, question, QMessageBox::NoButton, parent);
    box.setInformativeText(QStringLiteral("%1 %2 %3")
                               .arg(sentence(visitCount(visits)).chopped(1),
                                    visits == 1 ? QStringLiteral("is") : QStringLiteral("are"), afterCount));
    QPushButton *removeButton = box.addButton(remove, QMessageBox::DestructiveRole);
    QPushButton *keepButton = box.addButton(keep, QMessageBox::RejectRole);
    box.setDefaultButton(keepButton);
    box.setEscapeButton(keepButton);
    plainText(&box);
    box.exec();
    return box.clickedButton() == removeButton;
}

} // namespace

PupilsPage::NameList PupilsPage::readNames(const QString &text, bool csv, const QStringList &inClass)
{
    QString all = text;
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = all.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();

    NameList list;
    QHash<QString, int> seen; // a name folded to lower case, and the line it was first on
    for (const QString &known : inClass)
        seen.insert(known.toLower(), 0);
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line = int(i) + 1;
        const QString field = csv ? firstField(lines[i]) : lines[i];
        const QString name = field.simplified();
        if (csv && first && !name.isEmpty() && isHeading(name)) {
            first = false;
            continue;
        }
        first = first && name.isEmpty();
        if (name.isEmpty()) {
            list.problems << QStringLiteral("Line %1 is blank.").arg(line);
            continue;
        }
        if (name.size() > Results::PupilNameMaxLength) {
            list.problems << QStringLiteral("Line %1: \"%2\" is %3 characters long; a name can be at most %4.")
                                 .arg(line)
                                 .arg(name)
                                 .arg(name.size())
                                 .arg(Results::PupilNameMaxLength);
            continue;
        }
        if (std::any_of(name.cbegin(), name.cend(), [](QChar c) { return !c.isPrint(); })) {
            list.problems << QStringLiteral("Line %1 holds a character that cannot be shown.").arg(line);
            continue;
        }
        const auto earlier = seen.constFind(name.toLower());
        if (earlier != seen.cend()) {
            list.problems << (earlier.value() == 0
                                  ? QStringLiteral("Line %1: \"%2\" is already in the class.").arg(line).arg(name)
                                  : QStringLiteral("Line %1: \"%2\" is already on line %3.")
                                        .arg(line)
                                        .arg(name)
                                        .arg(earlier.value()));
            continue;
        }
        seen.insert(name.toLower(), line);
        list.names << name;
    }
    return list;
}

PupilsPage::PupilsPage(Results &results, Settings &settings, QWidget *parent)
    : QWidget(parent)
    , m_results(results)
    , m_settings(settings)
    , m_problem(new QLabel(this))
    , m_signInOff(new QLabel(this))
    , m_classes(new QListWidget(this))
    , m_newClass(new QLineEdit(this))
    , m_removeClass(new QPushButton(QStringLiteral("Remo&ve class..."), this))
    , m_heading(new QLabel(this))
    , m_pupils(new QListWidget(this))
    , m_name(new QLineEdit(this))
    , m_add(new QPushButton(QStringLiteral("&Add pupil"), this))
    , m_paste(new QPushButton(QStringLiteral("Paste a lis&t..."), this))
    , m_import(new QPushButton(QStringLiteral("&Import a list..."), this))
    , m_rename(new QPushButton(QStringLiteral("R&ename..."), this))
    , m_move(new QPushButton(QStringLiteral("&Move to class..."), this))
    , m_export(new QPushButton(QStringLiteral("E&xport this pupil's results..."), this))
    , m_remove(new QPushButton(QStringLiteral("Remove pupil and all their res&ults..."), this))
    , m_report(new QPlainTextEdit(this))
    , m_status(new QLabel(this))
{
    for (QLabel *notice : {m_problem, m_signInOff}) {
        notice->setWordWrap(true);
        notice->setFrameShape(QFrame::Box);
        notice->setMargin(6);
        notice->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: black; }"));
        notice->setTextFormat(Qt::PlainText);
        notice->hide();
    }
    m_problem->setObjectName(QStringLiteral("problem"));
    m_signInOff->setText(QStringLiteral("Pupils do not sign in on this computer yet: turn on \"Pupils sign in\" on the "
                                        "Settings page. Until then, visits are kept under the class alone."));

    m_classes->setAccessibleName(QStringLiteral("Classes"));
    m_classes->setSelectionMode(QAbstractItemView::SingleSelection);
    m_newClass->setMaxLength(Results::ClassLabelMaxLength);
    m_newClass->setPlaceholderText(QStringLiteral("such as 5B"));
    m_newClass->setAccessibleName(QStringLiteral("New class"));
    auto *addClass = new QPushButton(QStringLiteral("A&dd class"), this);
    addClass->setToolTip(QStringLiteral("Lists a new class, ready for its pupils; it is kept once it has pupils"));
    m_removeClass->setToolTip(QStringLiteral("Removes the class, its pupils and every visit kept under it, for good"));

    m_heading->setTextFormat(Qt::PlainText);
    m_pupils->setAccessibleName(QStringLiteral("Pupils"));
    m_pupils->setSelectionMode(QAbstractItemView::SingleSelection);
    m_name->setMaxLength(Results::PupilNameMaxLength);
    m_name->setPlaceholderText(QStringLiteral("Amy R."));
    m_name->setAccessibleName(QStringLiteral("New pupil's name"));
    m_name->setToolTip(QStringLiteral("A first name and an initial is enough, such as Amy R. "
                                      "Nothing else is kept about a pupil."));
    m_paste->setToolTip(QStringLiteral("Adds a list of names, one a line, to the class"));
    m_import->setToolTip(QStringLiteral("Adds the names in a text file (one a line) or a CSV file (the first column)"));
    m_export->setToolTip(QStringLiteral("Writes this pupil's visits alone as CSV, for a parent who asks for them"));
    m_remove->setToolTip(QStringLiteral("Removes the pupil and every visit kept with them, for good"));

    m_report->setObjectName(QStringLiteral("report"));
    m_report->setReadOnly(true);
    m_report->setAccessibleName(QStringLiteral("Why the list was not added"));
    m_report->setMaximumHeight(fontMetrics().height() * 8);
    m_report->hide();
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *classesLabel = new QLabel(QStringLiteral("&Classes:"), this);
    classesLabel->setBuddy(m_classes);
    auto *newClassRow = new QHBoxLayout;
    auto *newClassLabel = new QLabel(QStringLiteral("New c&lass:"), this);
    newClassLabel->setBuddy(m_newClass);
    newClassRow->addWidget(newClassLabel);
    newClassRow->addWidget(m_newClass, 1);
    newClassRow->addWidget(addClass);
    auto *classColumn = new QVBoxLayout;
    classColumn->addWidget(classesLabel);
    classColumn->addWidget(m_classes, 1);
    classColumn->addLayout(newClassRow);
    classColumn->addWidget(m_removeClass);

    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("&Name:"), this);
    nameLabel->setBuddy(m_name);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_add);
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(m_paste);
    listRow->addWidget(m_import);
    listRow->addStretch(1);
    auto *pupilButtons = new QVBoxLayout;
    for (QPushButton *button : {m_rename, m_move, m_export, m_remove})
        pupilButtons->addWidget(button);
    pupilButtons->addStretch(1);
    auto *pupilRow = new QHBoxLayout;
    pupilRow->addWidget(m_pupils, 1);
    pupilRow->addLayout(pupilButtons);
    auto *pupilColumn = new QVBoxLayout;
    pupilColumn->addWidget(m_heading);
    pupilColumn->addLayout(pupilRow, 1);
    pupilColumn->addLayout(nameRow);
    pupilColumn->addWidget(new QLabel(QStringLiteral("A first name and an initial is enough, such as Amy R."), this));
    pupilColumn->addLayout(listRow);

    auto *columns = new QHBoxLayout;
    columns->addLayout(classColumn, 1);
    columns->addLayout(pupilColumn, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_problem);
    layout->addWidget(m_signInOff);
    layout->addLayout(columns, 1);
    layout->addWidget(m_report);
    layout->addWidget(m_status);

    connect(m_classes, &QListWidget::currentRowChanged, this, &PupilsPage::fillPupils);
    connect(m_pupils, &QListWidget::currentRowChanged, this, &PupilsPage::choiceChanged);
    connect(m_newClass, &QLineEdit::returnPressed, this, &PupilsPage::addClassTyped);
    connect(addClass, &QPushButton::clicked, this, &PupilsPage::addClassTyped);
    connect(m_name, &QLineEdit::returnPressed, this, &PupilsPage::addNameTyped);
    connect(m_add, &QPushButton::clicked, this, &PupilsPage::addNameTyped);
    connect(m_paste, &QPushButton::clicked, this, &PupilsPage::askPaste);
    connect(m_import, &QPushButton::clicked, this, &PupilsPage::askImport);
    connect(m_rename, &QPushButton::clicked, this, &PupilsPage::askRename);
    connect(m_move, &QPushButton::clicked, this, &PupilsPage::askMove);
    connect(m_export, &QPushButton::clicked, this, &PupilsPage::askExport);
    connect(m_remove, &QPushButton::clicked, this, [this] { removePupil(chosenPupil()); });
    connect(m_removeClass, &QPushButton::clicked, this, [this] { removeClass(currentClass()); });

    refresh();
}

void PupilsPage::refresh()
{
    const QString shown = currentClass();
    QStringList labels = m_results.classLabels();
    const QString kept = m_settings.classLabel().left(Results::ClassLabelMaxLength).simplified();
    for (const QString &label : m_started + QStringList{kept}) {
        if (!label.isEmpty() && !labels.contains(label))
            labels << label;
    }
    labels.sort(Qt::CaseInsensitive);
    {
        const QSignalBlocker quiet(m_classes);
        m_classes->clear();
        m_classes->addItems(labels); // a list item's text is never read as markup
        int row = int(labels.indexOf(shown));
        if (row < 0)
            row = int(labels.indexOf(kept));
        m_classes->setCurrentRow(labels.isEmpty() ? -1 : std::max(0, row));
    }
    fillPupils();
    const QString problem = m_results.problem();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_signInOff->setVisible(!m_settings.pupilsSignIn());
}

QString PupilsPage::currentClass() const
{
    const QListWidgetItem *item = m_classes->currentItem();
    return item ? item->text() : QString();
}

void PupilsPage::setCurrentClass(const QString &classLabel)
{
    const QString label = classLabel.simplified().left(Results::ClassLabelMaxLength);
    if (!label.isEmpty() && !m_started.contains(label))
        m_started << label;
    refresh();
    const QList<QListWidgetItem *> found = m_classes->findItems(label, Qt::MatchExactly);
    if (!found.isEmpty())
        m_classes->setCurrentItem(found.first());
}

void PupilsPage::fillPupils()
{
    const QString label = currentClass();
    const qint64 chosen = chosenPupil();
    const QList<Results::Pupil> pupils = label.isEmpty() ? QList<Results::Pupil>() : m_results.pupils(label);
    {
        const QSignalBlocker quiet(m_pupils);
        m_pupils->clear();
        for (const Results::Pupil &pupil : pupils) {
            auto *item = new QListWidgetItem(pupil.name, m_pupils);
            item->setData(Qt::UserRole, pupil.id);
            if (pupil.id == chosen)
                m_pupils->setCurrentItem(item);
        }
    }
    m_heading->setText(label.isEmpty() ? QStringLiteral("No class yet: add one, then its pupils.")
                                       : QStringLiteral("Pupils in class %1 (%2):").arg(label, pupilCount(int(pupils.size()))));
    for (QWidget *control : {static_cast<QWidget *>(m_name), static_cast<QWidget *>(m_add),
                             static_cast<QWidget *>(m_paste), static_cast<QWidget *>(m_import),
                             static_cast<QWidget *>(m_removeClass)})
        control->setEnabled(!label.isEmpty());
    choiceChanged();
}

void PupilsPage::choiceChanged()
{
    const bool chosen = chosenPupil() != 0;
    for (QPushButton *button : {m_rename, m_move, m_export, m_remove})
        button->setEnabled(chosen);
}

qint64 PupilsPage::chosenPupil() const
{
    const QListWidgetItem *item = m_pupils->currentItem();
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
}

Results::Pupil PupilsPage::pupil(qint64 id) const
{
    for (const Results::Pupil &each : m_results.pupils()) {
        if (each.id == id)
            return each;
    }
    return {};
}

void PupilsPage::addClassTyped()
{
    const QString label = m_newClass->text().simplified();
    if (label.isEmpty())
        return;
    m_newClass->clear();
    setCurrentClass(label);
    m_status->setText(QStringLiteral("Class %1 is listed: add its pupils to keep it.").arg(label));
    m_name->setFocus();
}

void PupilsPage::addNameTyped()
{
    if (addNames(m_name->text()))
        m_name->clear();
    m_name->setFocus();
}

bool PupilsPage::addNames(const QString &text, bool csv)
{
    const QString label = currentClass();
    if (label.isEmpty())
        return false;
    QStringList inClass;
    for (const Results::Pupil &pupil : m_results.pupils(label))
        inClass << pupil.name;
    const NameList list = readNames(text, csv, inClass);
    if (!list.problems.isEmpty()) {
        showRefused(QStringLiteral("Nothing was added: the list has %1 to put right first, line by line below.")
                        .arg(list.problems.size() == 1 ? QStringLiteral("1 thing")
                                                       : QStringLiteral("%1 things").arg(list.problems.size())),
                    list.problems);
        return false;
    }
    if (list.names.isEmpty()) {
        showRefused(QStringLiteral("Nothing was added: the list has no names."), {});
        return false;
    }
    QString error;
    const QList<qint64> added = m_results.addPupils(label, list.names, &error);
    if (added.size() != list.names.size()) {
        showRefused(QStringLiteral("Nothing was added."), {sentence(error)});
        return false;
    }
    m_report->clear();
    m_report->hide();
    m_started.removeAll(label);
    refresh();
    m_status->setText(list.names.size() == 1
                          ? ended(QStringLiteral("Added %1 to class %2").arg(list.names.first(), label))
                          : ended(QStringLiteral("Added %1 to class %2").arg(pupilCount(int(list.names.size())), label)));
    return true;
}

void PupilsPage::showRefused(const QString &what, const QStringList &problems)
{
    m_status->setText(what);
    m_report->setPlainText(problems.join(QLatin1Char('\n')));
    m_report->setVisible(!problems.isEmpty());
}

bool PupilsPage::importFile(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    QString why;
    QByteArray bytes;
    // A device or a pipe is never read: it may never end.
    if (!info.isFile())
        why = info.exists() ? QStringLiteral("It is not a file of names.") : QStringLiteral("There is no such file.");
    else if (info.size() > MaxListBytes)
        why = QStringLiteral("It is too large to be a class list.");
    else if (!file.open(QIODevice::ReadOnly))
        why = sentence(file.errorString());
    else if (bytes = file.read(MaxListBytes + 1); file.error() != QFileDevice::NoError || bytes.size() > MaxListBytes)
        why = QStringLiteral("It could not be read whole.");
    if (!why.isEmpty()) {
        showRefused(QStringLiteral("Nothing was added: %1 could not be read. %2").arg(QDir::toNativeSeparators(path), why), {});
        return false;
    }
    const bool csv = info.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    return addNames(decoded(bytes), csv);
}

bool PupilsPage::renamePupil(qint64 id, const QString &name)
{
    const Results::Pupil before = pupil(id);
    QString error;
    if (!m_results.renamePupil(id, name.simplified(), &error)) {
        fail(QStringLiteral("Rename pupil"), QStringLiteral("%1 could not be renamed.").arg(before.name), error);
        return false;
    }
    fillPupils();
    m_status->setText(ended(QStringLiteral("Renamed %1 to %2").arg(before.name, name.simplified())));
    return true;
}

bool PupilsPage::movePupil(qint64 id, const QString &classLabel)
{
    const Results::Pupil before = pupil(id);
    const QString label = classLabel.simplified();
    QString error;
    if (!m_results.movePupil(id, label, &error)) {
        fail(QStringLiteral("Move pupil"), QStringLiteral("%1 could not be moved to class %2.").arg(before.name, label), error);
        return false;
    }
    m_started.removeAll(label);
    refresh();
    m_status->setText(QStringLiteral("Moved %1 to class %2; the visits kept so far stay with class %3.")
                          .arg(before.name, label, before.classLabel));
    return true;
}

int PupilsPage::removePupil(qint64 id)
{
    const Results::Pupil gone = pupil(id);
    if (gone.id == 0)
        return -1;
    Results::Filter theirs;
    theirs.pupil = id;
    const int visits = int(m_results.visits(theirs).size());
    if (!askToRemove(this, QStringLiteral("Remove pupil"),
                     QStringLiteral("Remove %1 (class %2) and all their results?").arg(gone.name, gone.classLabel), visits,
                     QStringLiteral("removed for good, and cannot be brought back. Export their results first to keep "
                                    "a copy."),
                     QStringLiteral("Remove pupil and %1").arg(visitCount(visits)), QStringLiteral("Keep pupil")))
        return -1;
    QString error;
    const int removed = m_results.removePupil(id, &error);
    refresh();
    if (removed < 0) {
        fail(QStringLiteral("Remove pupil"), QStringLiteral("%1 could not be removed.").arg(gone.name), error);
        return -1;
    }
    m_status->setText(QStringLiteral("Removed %1 and %2 from %3.").arg(gone.name, visitCount(removed), m_results.keptIn()));
    return removed;
}

int PupilsPage::removeClass(const QString &classLabel)
{
    if (classLabel.isEmpty())
        return -1;
    Results::Filter theirs;
    theirs.classLabel = classLabel;
    int visits = 0;
    for (const Results::Summary &row : m_results.summary(theirs))
        visits += row.visits;
    const int pupils = int(m_results.pupils(classLabel).size());
    if (!askToRemove(this, QStringLiteral("Remove class"),
                     QStringLiteral("Remove class %1, its %2 and every visit kept under it?").arg(classLabel, pupilCount(pupils)),
                     visits,
                     QStringLiteral("removed for good, and cannot be brought back. Export them first on the Results "
                                    "page to keep a copy."),
                     QStringLiteral("Remove class and %1").arg(visitCount(visits)), QStringLiteral("Keep class")))
        return -1;
    QString error;
    const int removed = m_results.removeClass(classLabel, &error);
    if (removed >= 0)
        m_started.removeAll(classLabel);
    refresh();
    if (removed < 0) {
        fail(QStringLiteral("Remove class"), QStringLiteral("Class %1 could not be removed.").arg(classLabel), error);
        return -1;
    }
    m_status->setText(QStringLiteral("Removed class %1: %2 and %3 from %4.")
                          .arg(classLabel, pupilCount(pupils), visitCount(removed), m_results.keptIn()));
    return removed;
}

bool PupilsPage::exportPupilTo(qint64 id, const QString &path)
{
    const Results::Pupil whose = pupil(id);
    Results::Filter theirs;
    theirs.pupil = id;
    QString error;
    const int written = whose.id == 0 ? -1 : m_results.exportCsv(path, theirs, &error);
    if (written < 0) {
        m_status->clear();
        fail(QStringLiteral("Export this pupil's results"),
             QStringLiteral("The results of %1 could not be exported to %2.").arg(whose.name, QDir::toNativeSeparators(path)),
             error);
        return false;
    }
    m_status->setText(QStringLiteral("Saved %1 of %2 to %3.").arg(visitCount(written), whose.name, QDir::toNativeSeparators(path)));
    return true;
}

void PupilsPage::askExport()
{
    const Results::Pupil whose = pupil(chosenPupil());
    if (whose.id == 0)
        return;
    // The name in the file's name, without what a file name cannot hold.
    QString name = whose.name;
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('-'))
            c = QLatin1Char('-');
    }
    const QString suggested = QDir(startFolder()).filePath(
        QStringLiteral("quorvale-results-%1-%2.csv").arg(name, QDate::currentDate().toString(Qt::ISODate)));
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export this pupil's results"), suggested,
                                                QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    exportPupilTo(whose.id, path);
}

void PupilsPage::askPaste()
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Paste a list"));
    dialog.setLabelText(QStringLiteral("Names for class %1, one a line:").arg(currentClass()));
    dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog.setOkButtonText(QStringLiteral("Add pupils"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    plainText(&dialog);
    if (dialog.exec() == QDialog::Accepted)
        addNames(dialog.textValue());
}

void PupilsPage::askImport()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import a list of names"), startFolder(),
                                                      QStringLiteral("Lists of names (*.txt *.csv);;All files (*)"));
    if (!path.isEmpty())
        importFile(path);
}

void PupilsPage::askRename()
{
    const Results::Pupil before = pupil(chosenPupil());
    if (before.id == 0)
        return;
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Rename pupil"));
    dialog.setLabelText(QStringLiteral("New name for %1:").arg(before.name));
    dialog.setTextValue(before.name);
    dialog.setOkButtonText(QStringLiteral("Rename"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    plainText(&dialog);
    if (auto *edit = dialog.findChild<QLineEdit *>())
        edit->setMaxLength(Results::PupilNameMaxLength);
    if (dialog.exec() == QDialog::Accepted && dialog.textValue().simplified() != before.name)
        renamePupil(before.id, dialog.textValue());
}

void PupilsPage::askMove()
{
    const Results::Pupil before = pupil(chosenPupil());
    if (before.id == 0)
        return;
    QStringList others;
    for (int r = 0; r < m_classes->count(); ++r) {
        if (m_classes->item(r)->text() != before.classLabel)
            others << m_classes->item(r)->text();
    }
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Move pupil"));
    dialog.setLabelText(QStringLiteral("Move %1 to class:").arg(before.name));
    dialog.setComboBoxItems(others);
    dialog.setComboBoxEditable(true);
    dialog.setOkButtonText(QStringLiteral("Move"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    plainText(&dialog);
    if (auto *edit = dialog.findChild<QLineEdit *>())
        edit->setMaxLength(Results::ClassLabelMaxLength);
    if (dialog.exec() == QDialog::Accepted && !dialog.textValue().simplified().isEmpty())
        movePupil(before.id, dialog.textValue());
}

void PupilsPage::fail(const QString &title, const QString &what, const QString &why)
{
    QMessageBox box(QMessageBox::Warning, title, what, QMessageBox::Ok, this);
    box.setInformativeText(sentence(why));
    plainText(&box);
    box.exec();
}

void PupilsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}
