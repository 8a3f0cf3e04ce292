#include "bankmodel.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStyle>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <limits>

namespace {

const QString Records = QStringLiteral("records");

// What an empty digit cell holds in the key, so the digits after it keep their places.
constexpr QChar NoDigit = u' ';

// A whole number typed in a number cell, or nothing when the text is not one.
std::optional<int> wholeNumber(const QString &text)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*-?\\d{1,9}\\s*$"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    return text.trimmed().toInt();
}

QJsonValue numberOrText(const QString &text)
{
    if (const auto n = wholeNumber(text))
        return *n;
    return text;
}

QString valueText(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 12);
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

// A key written as digits, one per word ("0100001").
bool isDigitKey(const QJsonValue &value)
{
    return value.isString() && allDigits(value.toString());
}

// The records of the built-in bank of an activity (none when there is no such bank).
QJsonArray builtInRecords(const QString &activity)
{
    QFile file(BankModel::builtInPath(activity));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(Records).toArray();
}

// The value as JSON text on one line, as a teacher would write it by hand.
QByteArray oneLine(const QJsonValue &value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        QByteArray out = "{";
        bool first = true;
        for (auto it = object.begin(); it != object.end(); ++it) {
            out += (first ? "" : ", ") + oneLine(it.key()) + ": " + oneLine(it.value());
            first = false;
        }
        return out + "}";
    }
    if (value.isArray()) {
        QByteArray out = "[";
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            out += (i ? ", " : "") + oneLine(array.at(i));
        return out + "]";
    }
    // A scalar: written by Qt, without the brackets of the one-element array around it.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

// A record with its fields in the given order (any others after them): on one line, or
// with a line a field (indented under the record's own braces).
QByteArray recordText(const QJsonObject &record, const QStringList &order, bool expanded)
{
    QStringList keys;
    for (const QString &field : order) {
        if (record.contains(field))
            keys << field;
    }
    for (const QString &field : record.keys()) {
        if (!keys.contains(field))
            keys << field;
    }
    const QByteArray open = expanded ? "{\n      " : "{";
    const QByteArray between = expanded ? ",\n      " : ", ";
    QByteArray out = open;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QJsonValue value = record.value(keys[i]);
        QByteArray field = oneLine(keys[i]) + ": " + oneLine(value);
        // A list too long for one line gets a line an element.
        constexpr int Width = 100, FieldIndent = 6;
        if (expanded && value.isArray() && FieldIndent + QString::fromUtf8(field).size() > Width) {
            field = oneLine(keys[i]) + ": [";
            const QJsonArray list = value.toArray();
            for (qsizetype j = 0; j < list.size(); ++j)
                field += (j ? ",\n        " : "\n        ") + oneLine(list.at(j));
            field += "\n      ]";
        }
        out += (i ? between : "") + field;
    }
    return out + (expanded ? "\n    }" : "}");
}

QString fieldTitle(const QString &field)
{
    QString title = field;
    title.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!title.isEmpty())
        title[0] = title[0].toUpper();
    return title;
}

// One undoable change to the records.
class RecordCommand : public QUndoCommand
{
public:
    enum Kind { Replace, Insert, Remove, Move };
    RecordCommand(BankModel &model, Kind kind, int row, QJsonObject before, QJsonObject after, int to,
                  const QString &text)
        : QUndoCommand(text)
        , m_model(model)
        , m_kind(kind)
        , m_row(row)
        , m_to(to)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }

    void redo() override
    {
        switch (m_kind) {
        case Replace: m_model.replaceRecord(m_row, m_after); break;
        case Insert: m_model.insertRecord(m_row, m_after); break;
        case Remove: m_model.eraseRecord(m_row); break;
        case Move: m_model.shiftRecord(m_row, m_to); break;
        }
    }
    void undo() override
    {
        switch (m_kind) {
        case Replace: m_model.replaceRecord(m_row, m_before); break;
        case Insert: m_model.eraseRecord(m_row); break;
        case Remove: m_model.insertRecord(m_row, m_before); break;
        case Move: m_model.shiftRecord(m_to, m_row); break;
        }
    }

private:
    BankModel &m_model;
    Kind m_kind;
    int m_row;
    int m_to;
    QJsonObject m_before;
    QJsonObject m_after;
};

} // namespace

BankModel::BankModel(ContentKind kind, QObject *parent)
    : QAbstractTableModel(parent)
    , m_kind(std::move(kind))
    , m_undo(new QUndoStack(this))
{
}

BankModel::~BankModel() = default;

QString BankModel::builtInPath(const QString &activity)
{
    return QStringLiteral(":/assets/content/") + activity + QStringLiteral(".json");
}

bool BankModel::load(const QByteArray &json, const QString &fileName)
{
    m_loadProblems.clear();
    const auto document = ContentDocument::parse(json, fileName, m_loadProblems);
    if (!document)
        return false;
    if (document->activity != m_kind.activity) {
        m_loadProblems.append({fileName, -1, QStringLiteral("activity"),
                               QStringLiteral("is the bank of \"%1\", not of \"%2\"").arg(document->activity, m_kind.activity)});
        return false;
    }
    beginResetModel();
    m_root = document->root;
    m_records = document->records;
    m_fileName = fileName;
    // Records written a field a line stay so.
    m_expanded = json.contains("\n    {\n");
    // The fields in the order the file writes them: the order of their first mention.
    QList<QPair<qsizetype, QString>> mentions;
    QStringList fields;
    for (const QJsonValue &record : std::as_const(m_records)) {
        for (const QString &field : record.toObject().keys()) {
            if (!fields.contains(field))
                fields << field;
        }
    }
    for (const QString &field : fields)
        mentions.append({json.indexOf('"' + field.toUtf8() + "\":"), field});
    std::stable_sort(mentions.begin(), mentions.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    m_fieldOrder.clear();
    for (const auto &mention : mentions)
        m_fieldOrder << mention.second;

    // Lists of more than one length, here or in the built-in bank.
    m_shortestList.clear();
    for (const QString &field : std::as_const(m_fieldOrder)) {
        QList<qsizetype> lengths;
        for (const QJsonArray &bank : {m_records, builtInRecords(m_kind.activity)}) {
            for (const QJsonValue &record : bank) {
                const QJsonValue value = record.toObject().value(field);
                if (value.isArray() && !lengths.contains(value.toArray().size()))
                    lengths << value.toArray().size();
            }
        }
        if (lengths.size() > 1)
            m_shortestList.insert(field, int(*std::min_element(lengths.begin(), lengths.end())));
    }

    m_columns.clear();
    m_wordsField.clear();
    m_columns = columnsFor();
    // The sentence whose words the key stands for: the bank's first text field.
    const bool keyed = std::any_of(m_columns.begin(), m_columns.end(), [](const Column &c) { return c.kind == CellKind::KeyDigit; });
    const auto text = std::find_if(m_columns.begin(), m_columns.end(), [](const Column &c) { return c.kind == CellKind::Text; });
    if (keyed && text != m_columns.end()) {
        m_wordsField = text->field;
        m_columns = columnsFor(); // a digit cell for every word
    }
    m_headerRow = 0;
    m_undo->clear();
    endResetModel();
    recheck();
    return true;
}

void BankModel::startEmpty(int count)
{
    beginResetModel();
    m_records = QJsonArray();
    for (int i = 0; i < count; ++i)
        m_records.append(emptyRecord());
    m_headerRow = 0;
    m_undo->clear();
    endResetModel();
    refitColumns();
    recheck();
}

QByteArray BankModel::toJson() const
{
    QByteArray out = "{\n";
    QStringList top{QStringLiteral("activity"), QStringLiteral("title")};
    for (const QString &key : m_root.keys()) {
        if (!top.contains(key) && key != Records)
            top << key;
    }
    for (const QString &key : top) {
        if (m_root.contains(key))
            out += "  " + oneLine(key) + ": " + oneLine(m_root.value(key)) + ",\n";
    }
    out += "  \"records\": [\n";
    for (qsizetype r = 0; r < m_records.size(); ++r) {
        const QJsonValue record = m_records.at(r);
        out += "    " + (record.isObject() ? recordText(record.toObject(), m_fieldOrder, m_expanded) : oneLine(record));
        out += r + 1 < m_records.size() ? ",\n" : "\n";
    }
    return out + "  ]\n}\n";
}

std::vector<BankModel::Column> BankModel::columnsFor() const
{
    std::vector<Column> columns;
    for (const QString &field : std::as_const(m_fieldOrder)) {
        int listLength = 0;
        int keyLength = 0;
        bool anyText = false, anyNumber = false, anyList = false, allKeys = true, listOfNumbers = true;
        for (const QJsonValue &value : std::as_const(m_records)) {
            const QJsonValue v = value.toObject().value(field);
            if (v.isUndefined())
                continue;
            if (v.isArray()) {
                anyList = true;
                const QJsonArray array = v.toArray();
                listLength = std::max(listLength, int(array.size()));
                for (const QJsonValue &item : array)
                    listOfNumbers = listOfNumbers && item.isDouble();
            } else if (v.isDouble()) {
                anyNumber = true;
            } else {
                anyText = true;
            }
            allKeys = allKeys && (isDigitKey(v) || v.toString().isEmpty());
            keyLength = std::max(keyLength, int(v.toString().size()));
        }
        // A field keeps the kind it was given when the bank was read: a key whose cells
        // are all empty is still a key, a number typed as text still a number cell.
        const auto was = std::find_if(m_columns.begin(), m_columns.end(), [&](const Column &c) { return c.field == field; });
        CellKind kind = anyList ? (listOfNumbers ? CellKind::ListNumber : CellKind::ListText)
                        : anyText && allKeys && keyLength > 1 ? CellKind::KeyDigit
                        : anyNumber && !anyText ? CellKind::Number
                                                : CellKind::Text;
        if (was != m_columns.end())
            kind = was->kind;
        if (kind == CellKind::ListText || kind == CellKind::ListNumber) {
            for (int i = 0; i < std::max(1, listLength); ++i)
                columns.push_back({field, i, kind});
        } else if (kind == CellKind::KeyDigit) {
            // A cell for every digit and for every word of the longest sentence.
            int cells = std::max(1, keyLength);
            for (int r = 0; r < rowCount(); ++r)
                cells = std::max(cells, int(wordsOf(r).size()));
            for (int i = 0; i < cells; ++i)
                columns.push_back({field, i, kind});
        } else {
            columns.push_back({field, -1, kind});
        }
    }
    return columns;
}

QJsonObject BankModel::emptyRecord() const
{
    QJsonObject record;
    for (const Column &column : m_columns) {
        switch (column.kind) {
        case CellKind::Text:
        case CellKind::KeyDigit: record.insert(column.field, QString()); break;
        case CellKind::Number: record.insert(column.field, 0); break;
        case CellKind::ListText:
        case CellKind::ListNumber: {
            // As long as the shortest list of its kind: a cell left empty is a problem.
            QJsonArray list = record.value(column.field).toArray();
            if (list.size() < m_shortestList.value(column.field, std::numeric_limits<int>::max()))
                list.append(column.kind == CellKind::ListNumber ? QJsonValue(0) : QJsonValue(QString()));
            record.insert(column.field, list);
            break;
        }
        }
    }
    return record;
}

QStringList BankModel::wordsOf(int row) const
{
    if (m_wordsField.isEmpty() || row < 0 || row >= rowCount())
        return {};
    return m_records.at(row).toObject().value(m_wordsField).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString BankModel::cellText(int row, const Column &column) const
{
    const QJsonValue value = m_records.at(row).toObject().value(column.field);
    switch (column.kind) {
    case CellKind::Text:
        // The sentence's closing space is the file's business, not the teacher's.
        if (column.field == m_wordsField && value.toString().endsWith(QLatin1Char(' ')))
            return value.toString().chopped(1);
        return valueText(value);
    case CellKind::Number: return valueText(value);
    case CellKind::ListText:
    case CellKind::ListNumber: return valueText(value.toArray().at(column.index));
    case CellKind::KeyDigit: return value.toString().mid(column.index, 1).trimmed();
    }
    return {};
}

QJsonObject BankModel::withCell(QJsonObject record, const Column &column, const QString &text) const
{
    switch (column.kind) {
    case CellKind::Text:
        if (column.field == m_wordsField) {
            // One space at the end, however many were typed (none, as a rule).
            QString sentence = text;
            while (sentence.endsWith(QLatin1Char(' ')))
                sentence.chop(1);
            record.insert(column.field, sentence.isEmpty() ? sentence : sentence + QLatin1Char(' '));
        } else {
            record.insert(column.field, text);
        }
        break;
    case CellKind::Number: record.insert(column.field, numberOrText(text)); break;
    case CellKind::ListText:
    case CellKind::ListNumber: {
        QJsonArray list = record.value(column.field).toArray();
        const QJsonValue blank = column.kind == CellKind::ListNumber ? QJsonValue(0) : QJsonValue(QString());
        while (list.size() <= column.index)
            list.append(blank);
        list[column.index] = column.kind == CellKind::ListNumber ? numberOrText(text) : QJsonValue(text);
        // Only a list of varying length is shortened by its last cells left empty; any other
        // keeps the empty text in its place, where the check finds it.
        if (m_shortestList.contains(column.field)) {
            while (!list.isEmpty() && list.last().toString().isEmpty() && !list.last().isDouble())
                list.removeLast();
        }
        record.insert(column.field, list);
        break;
    }
    case CellKind::KeyDigit: {
        // An emptied cell keeps its place, so the digits after it still stand for their words.
        QString key = record.value(column.field).toString();
        if (key.size() <= column.index)
            key = key.leftJustified(column.index + 1, NoDigit);
        const QString digit = text.trimmed().left(1);
        key[column.index] = digit.isEmpty() ? NoDigit : digit.at(0);
        while (key.endsWith(NoDigit))
            key.chop(1);
        record.insert(column.field, key);
        break;
    }
    }
    return record;
}

int BankModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

int BankModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QStringList BankModel::problemsAt(int row, int column) const
{
    QStringList reasons;
    for (const Problem &problem : m_problems) {
        if (problem.row == row && problem.column == column)
            reasons << problem.text;
    }
    return reasons;
}

QVariant BankModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Column &column = m_columns[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cellText(index.row(), column);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        QStringList lines = problemsAt(index.row(), index.column());
        if (column.kind == CellKind::KeyDigit) {
            // The word this digit is for, so a teacher can see which word is which.
            const QStringList words = wordsOf(index.row());
            if (column.index < words.size())
                lines.prepend(QStringLiteral("Word %1: %2").arg(column.index + 1).arg(words.at(column.index)));
        }
        if (lines.isEmpty())
            return {};
        // Bank text may look like markup: escaped, so it is only ever shown as text.
        return role == Qt::ToolTipRole ? QStringLiteral("<p>") + lines.join(QLatin1Char('\n')).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) + QStringLiteral("</p>")
                                       : QVariant(lines.join(QLatin1Char('\n')));
    }
    case Qt::BackgroundRole:
        if (!problemsAt(index.row(), index.column()).isEmpty())
            return QBrush(QColor(255, 205, 205));
        return {};
    case Qt::DecorationRole:
        if (!problemsAt(index.row(), index.column()).isEmpty())
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        return {};
    case Qt::TextAlignmentRole:
        if (column.kind != CellKind::Text && column.kind != CellKind::ListText)
            return int(Qt::AlignCenter);
        return {};
    default: return {};
    }
}

bool BankModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return false;
    const Column &column = m_columns[size_t(index.column())];
    const QString text = value.toString();
    if (text == cellText(index.row(), column))
        return false;
    const QJsonObject before = m_records.at(index.row()).toObject();
    const QJsonObject after = withCell(before, column, text);
    if (after == before)
        return false;
    m_growOnly = true;
    m_undo->push(new RecordCommand(*this, RecordCommand::Replace, index.row(), before, after, -1,
                                   QStringLiteral("Change %1 of row %2").arg(columnTitle(index.column())).arg(index.row() + 1)));
    m_growOnly = false;
    return true;
}

Qt::ItemFlags BankModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QString BankModel::columnTitle(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    const Column &c = m_columns[size_t(column)];
    return c.index < 0 ? fieldTitle(c.field) : QStringLiteral("%1 %2").arg(fieldTitle(c.field)).arg(c.index + 1);
}

void BankModel::setHeaderRow(int row)
{
    if (row == m_headerRow || row < 0 || row >= rowCount())
        return;
    m_headerRow = row;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QVariant BankModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        const Column &column = m_columns[size_t(section)];
        // A key's digit is headed by the word of the chosen record it is for.
        const QStringList words = column.kind == CellKind::KeyDigit ? wordsOf(m_headerRow) : QStringList();
        if (role == Qt::DisplayRole && column.kind == CellKind::KeyDigit)
            return column.index < words.size() ? words.at(column.index) : QStringLiteral("Word %1").arg(column.index + 1);
        if (role == Qt::DisplayRole)
            return columnTitle(section);
        if (role == Qt::ToolTipRole && column.kind == CellKind::KeyDigit)
            return QStringLiteral("The box for word %1 of the chosen row: 0 for none").arg(column.index + 1);
        return {};
    }
    const bool troubled = !problemsAt(section, -1).isEmpty();
    switch (role) {
    case Qt::DisplayRole: return QString::number(section + 1);
    case Qt::DecorationRole:
        return troubled ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning) : QVariant();
    case Qt::ToolTipRole:
        return troubled ? QStringLiteral("<p>") + problemsAt(section, -1).join(QLatin1Char('\n')).toHtmlEscaped() + QStringLiteral("</p>")
                        : QVariant();
    default: return {};
    }
}

QString BankModel::describe(const Problem &problem) const
{
    // Rows counted from 1, as the table's row numbers show them.
    if (problem.row < 0)
        return QStringLiteral("The bank: ") + problem.text;
    if (problem.column < 0)
        return QStringLiteral("Row %1: %2").arg(problem.row + 1).arg(problem.text);
    const Column &column = m_columns[size_t(problem.column)];
    const QStringList words = column.kind == CellKind::KeyDigit ? wordsOf(problem.row) : QStringList();
    if (column.index >= 0 && column.index < words.size())
        return QStringLiteral("Row %1, the box for \"%2\" (word %3): %4")
            .arg(problem.row + 1).arg(words.at(column.index)).arg(column.index + 1).arg(problem.text);
    return QStringLiteral("Row %1, %2: %3").arg(problem.row + 1).arg(columnTitle(problem.column), problem.text);
}

namespace {

// Valid rows, each once, from the top.
QList<int> rowsIn(QList<int> rows, int count)
{
    rows.removeIf([count](int row) { return row < 0 || row >= count; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QString rowsText(const QString &verb, const QList<int> &rows)
{
    if (rows.size() == 1)
        return QStringLiteral("%1 row %2").arg(verb).arg(rows.first() + 1);
    return QStringLiteral("%1 %2 rows").arg(verb).arg(rows.size());
}

} // namespace

void BankModel::addRow(int row)
{
    row = std::clamp(row, 0, rowCount());
    m_undo->push(new RecordCommand(*this, RecordCommand::Insert, row, {}, emptyRecord(), -1,
                                   QStringLiteral("Add row %1").arg(row + 1)));
}

void BankModel::duplicateRow(int row)
{
    duplicateRows({row});
}

void BankModel::removeRow(int row)
{
    removeRows({row});
}

void BankModel::moveRow(int from, int to)
{
    if (from < 0 || from >= rowCount() || to < 0 || to >= rowCount() || from == to)
        return;
    m_undo->push(new RecordCommand(*this, RecordCommand::Move, from, {}, {}, to,
                                   QStringLiteral("Move row %1").arg(from + 1)));
}

void BankModel::duplicateRows(QList<int> rows)
{
    rows = rowsIn(rows, rowCount());
    if (rows.isEmpty())
        return;
    m_undo->beginMacro(rowsText(QStringLiteral("Duplicate"), rows));
    for (qsizetype i = 0; i < rows.size(); ++i)
        m_undo->push(new RecordCommand(*this, RecordCommand::Insert, rows.last() + 1 + int(i), {},
                                       m_records.at(rows[i]).toObject(), -1, {}));
    m_undo->endMacro();
}

void BankModel::removeRows(QList<int> rows)
{
    rows = rowsIn(rows, rowCount());
    if (rows.isEmpty())
        return;
    m_undo->beginMacro(rowsText(QStringLiteral("Delete"), rows));
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_undo->push(new RecordCommand(*this, RecordCommand::Remove, *it, m_records.at(*it).toObject(), {}, -1, {}));
    m_undo->endMacro();
}

bool BankModel::moveRows(QList<int> rows, int step)
{
    rows = rowsIn(rows, rowCount());
    if (rows.isEmpty() || (step < 0 && rows.first() == 0) || (step > 0 && rows.last() == rowCount() - 1))
        return false;
    if (step > 0)
        std::reverse(rows.begin(), rows.end());
    m_undo->beginMacro(rowsText(QStringLiteral("Move"), rows));
    for (int row : std::as_const(rows))
        m_undo->push(new RecordCommand(*this, RecordCommand::Move, row, {}, {}, row + (step < 0 ? -1 : 1), {}));
    m_undo->endMacro();
    return true;
}

void BankModel::paste(int row, int column, const QList<QStringList> &block)
{
    if (row < 0 || row > rowCount() || column < 0 || column >= columnCount())
        return;
    QList<QUndoCommand *> commands;
    for (qsizetype i = 0; i < block.size(); ++i) {
        const int r = row + int(i);
        const bool added = r >= rowCount();
        const QJsonObject before = added ? QJsonObject() : m_records.at(r).toObject();
        QJsonObject after = added ? emptyRecord() : before;
        for (qsizetype j = 0; j < block[i].size() && column + j < columnCount(); ++j) {
            const Column &target = m_columns[size_t(column + j)];
            const QString text = block[i][j].trimmed();
            if (target.kind == CellKind::KeyDigit && text.size() > 1 && allDigits(text)) {
                for (qsizetype k = 0; k < text.size(); ++k)
                    after = withCell(after, {target.field, target.index + int(k), target.kind}, text.mid(k, 1));
            } else {
                after = withCell(after, target, block[i][j]);
            }
        }
        if (added)
            commands << new RecordCommand(*this, RecordCommand::Insert, r, {}, after, -1, {});
        else if (after != before)
            commands << new RecordCommand(*this, RecordCommand::Replace, r, before, after, -1, {});
    }
    if (commands.isEmpty())
        return;
    m_undo->beginMacro(block.size() == 1 ? QStringLiteral("Paste into row %1").arg(row + 1)
                                         : QStringLiteral("Paste into %1 rows").arg(block.size()));
    for (QUndoCommand *command : std::as_const(commands))
        m_undo->push(command);
    m_undo->endMacro();
}

void BankModel::touch(int row)
{
    if (row >= 0 && row < rowCount() && !m_touched.contains(row))
        m_touched << row;
}

QList<int> BankModel::takeTouchedRows()
{
    QList<int> rows = rowsIn(m_touched, rowCount());
    m_touched.clear();
    return rows;
}

void BankModel::replaceRecord(int row, const QJsonObject &record)
{
    m_records[row] = record;
    refitColumns();
    touch(row);
    recheck();
}

void BankModel::insertRecord(int row, const QJsonObject &record)
{
    beginInsertRows({}, row, row);
    m_records.insert(row, record);
    endInsertRows();
    for (int &touched : m_touched)
        touched += touched >= row ? 1 : 0;
    touch(row);
    refitColumns();
    recheck();
}

void BankModel::eraseRecord(int row)
{
    beginRemoveRows({}, row, row);
    m_records.removeAt(row);
    endRemoveRows();
    m_touched.removeAll(row);
    for (int &touched : m_touched)
        touched -= touched > row ? 1 : 0;
    // The row that takes its place (the one above, when it was the last).
    touch(std::min(row, rowCount() - 1));
    refitColumns();
    recheck();
}

void BankModel::shiftRecord(int from, int to)
{
    // beginMoveRows names the row the moved one goes before.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    const QJsonValue record = m_records.at(from);
    m_records.removeAt(from);
    m_records.insert(to, record);
    endMoveRows();
    for (int &touched : m_touched) {
        if (touched == from)
            touched = to;
        else if (from < touched && touched <= to)
            --touched;
        else if (to <= touched && touched < from)
            ++touched;
    }
    touch(to);
    recheck();
}

bool BankModel::refitColumns()
{
    // A longer list, key or sentence anywhere adds cells, a shorter one takes them away,
    // a field's cells at a time, so the table keeps its other cells, their editors and the
    // selection. The fields and their kinds never change once the bank is read.
    const std::vector<Column> wanted = columnsFor();
    bool changed = false;
    int at = 0;
    for (const QString &field : std::as_const(m_fieldOrder)) {
        const auto countOf = [&field](const std::vector<Column> &columns) {
            return int(std::count_if(columns.begin(), columns.end(), [&](const Column &c) { return c.field == field; }));
        };
        const int have = countOf(m_columns);
        const int want = m_growOnly ? std::max(have, countOf(wanted)) : countOf(wanted);
        const auto first = std::find_if(wanted.begin(), wanted.end(), [&](const Column &c) { return c.field == field; });
        if (want > have && first != wanted.end()) {
            beginInsertColumns({}, at + have, at + want - 1);
            for (int i = have; i < want; ++i)
                m_columns.insert(m_columns.begin() + at + i, Column{field, i, first->kind});
            endInsertColumns();
            changed = true;
        } else if (want < have) {
            beginRemoveColumns({}, at + want, at + have - 1);
            m_columns.erase(m_columns.begin() + at + want, m_columns.begin() + at + have);
            endRemoveColumns();
            changed = true;
        }
        at += want;
    }
    return changed;
}

void BankModel::recheck()
{
    QJsonObject root = m_root;
    root.insert(Records, m_records);
    ContentProblems found;
    if (auto document = ContentDocument::parse(QJsonDocument(root).toJson(QJsonDocument::Compact), m_fileName, found))
        m_kind.check(*document, found);

    static const QRegularExpression element(QStringLiteral("^(.+)\\[(\\d+)\\]$"));
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
    QList<Problem> bankWide, cells;
    for (const ContentProblem &problem : std::as_const(found)) {
        if (problem.record < 0 || problem.record >= rowCount()) {
            bankWide.append({-1, -1, problem.field.isEmpty() || problem.field == Records
                                         ? problem.reason
                                         : QStringLiteral("%1 %2").arg(fieldTitle(problem.field), problem.reason)});
            continue;
        }
        // The field, or one element of a list field or one digit of a key ("wrong[1]", "key[3]").
        QString field = problem.field;
        int only = -1;
        if (const auto match = element.match(field); match.hasMatch()) {
            field = match.captured(1);
            only = match.captured(2).toInt();
        }
        QList<int> marked;
        for (int c = 0; c < columnCount(); ++c) {
            const Column &column = m_columns[size_t(c)];
            if (column.field != field || (only >= 0 && column.index != only))
                continue;
            // A whole key's problem goes on the digits it has (the first cell when it has none).
            const qsizetype keyLength = m_records.at(problem.record).toObject().value(field).toString().size();
            if (only < 0 && column.kind == CellKind::KeyDigit && column.index >= std::max<qsizetype>(1, keyLength))
                continue;
            marked << c;
        }
        // A reason about one element of a list, quoting it, goes on that element alone.
        if (marked.size() > 1 && only < 0 && m_columns[size_t(marked.first())].kind == CellKind::ListText) {
            QList<int> quotedCells;
            for (auto it = quoted.globalMatch(problem.reason); it.hasNext();) {
                const QString text = it.next().captured(1);
                for (int c : std::as_const(marked)) {
                    if (cellText(problem.record, m_columns[size_t(c)]) == text && !quotedCells.contains(c))
                        quotedCells << c;
                }
            }
            if (!quotedCells.isEmpty())
                marked = quotedCells;
        }
        if (marked.isEmpty()) {
            cells.append({problem.record, -1, problem.field.isEmpty() ? problem.reason
                                                                       : QStringLiteral("%1 %2").arg(fieldTitle(problem.field), problem.reason)});
            continue;
        }
        for (int c : std::as_const(marked))
            cells.append({problem.record, c, problem.reason});
    }
    // The check names other records as a file's records (counted from 1); the table calls
    // them rows, with the same numbers.
    static const QRegularExpression record(QStringLiteral("\\brecord (\\d+)"));
    for (Problem &problem : cells)
        problem.text.replace(record, QStringLiteral("row \\1"));
    // A word of the sentence whose digit cell is empty: said on that cell, in place of
    // whatever the check makes of the gap.
    for (int c = 0; c < columnCount(); ++c) {
        const Column &column = m_columns[size_t(c)];
        if (column.kind != CellKind::KeyDigit)
            continue;
        for (int r = 0; r < rowCount(); ++r) {
            if (column.index >= wordsOf(r).size() || !cellText(r, column).isEmpty())
                continue;
            cells.removeIf([&](const Problem &p) { return p.row == r && p.column == c; });
            cells.append({r, c, QStringLiteral("Choose a box for this word (0 for none).")});
        }
    }
    std::stable_sort(cells.begin(), cells.end(), [](const Problem &a, const Problem &b) {
        return std::pair(a.row, a.column) < std::pair(b.row, b.column);
    });
    m_problems = bankWide + cells;
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
    emit checked();
}
