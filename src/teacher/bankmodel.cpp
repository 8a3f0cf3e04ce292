#include "bankmodel.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStyle>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace {

const QString Records = QStringLiteral("records");

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

// A key written as digits, one per word ("0100001").
bool isDigitKey(const QJsonValue &value)
{
    if (!value.isString())
        return false;
    const QString text = value.toString();
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
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
    m_columns = columnsFor();
    m_undo->clear();
    endResetModel();
    recheck();
    return true;
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
        if (anyList) {
            for (int i = 0; i < listLength; ++i)
                columns.push_back({field, i, listOfNumbers ? CellKind::ListNumber : CellKind::ListText});
        } else if (anyText && allKeys && keyLength > 1) {
            // One cell a digit, and a spare one, so a longer sentence can be given its digit.
            for (int i = 0; i <= keyLength; ++i)
                columns.push_back({field, i, CellKind::KeyDigit});
        } else {
            columns.push_back({field, -1, anyNumber && !anyText ? CellKind::Number : CellKind::Text});
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
            QJsonArray list = record.value(column.field).toArray();
            list.append(column.kind == CellKind::ListNumber ? QJsonValue(0) : QJsonValue(QString()));
            record.insert(column.field, list);
            break;
        }
        }
    }
    return record;
}

QString BankModel::cellText(int row, const Column &column) const
{
    const QJsonValue value = m_records.at(row).toObject().value(column.field);
    switch (column.kind) {
    case CellKind::Text:
    case CellKind::Number: return valueText(value);
    case CellKind::ListText:
    case CellKind::ListNumber: return valueText(value.toArray().at(column.index));
    case CellKind::KeyDigit: return value.toString().mid(column.index, 1);
    }
    return {};
}

QJsonObject BankModel::withCell(int row, const Column &column, const QString &text) const
{
    QJsonObject record = m_records.at(row).toObject();
    switch (column.kind) {
    case CellKind::Text: record.insert(column.field, text); break;
    case CellKind::Number: record.insert(column.field, numberOrText(text)); break;
    case CellKind::ListText:
    case CellKind::ListNumber: {
        QJsonArray list = record.value(column.field).toArray();
        const QJsonValue blank = column.kind == CellKind::ListNumber ? QJsonValue(0) : QJsonValue(QString());
        while (list.size() <= column.index)
            list.append(blank);
        list[column.index] = column.kind == CellKind::ListNumber ? numberOrText(text) : QJsonValue(text);
        // Emptying the last element shortens the list (lists of any length, such as keys).
        if (text.isEmpty() && list.size() - 1 == column.index)
            list.removeLast();
        record.insert(column.field, list);
        break;
    }
    case CellKind::KeyDigit: {
        // The key is its cells read in order, empty ones left out.
        QStringList digits;
        const QString key = record.value(column.field).toString();
        for (const Column &other : m_columns) {
            if (other.field == column.field && other.kind == CellKind::KeyDigit)
                digits << (other.index == column.index ? text.trimmed().left(1) : key.mid(other.index, 1));
        }
        record.insert(column.field, digits.join(QString()));
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
            const QJsonObject record = m_records.at(index.row()).toObject();
            for (const QString &field : record.keys()) {
                if (field != column.field && record.value(field).isString()) {
                    const QStringList words = record.value(field).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
                    if (words.size() > 1 && column.index < words.size())
                        lines.prepend(QStringLiteral("Word %1: %2").arg(column.index + 1).arg(words.at(column.index)));
                }
            }
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
    m_undo->push(new RecordCommand(*this, RecordCommand::Replace, index.row(), before,
                                   withCell(index.row(), column, text), -1,
                                   QStringLiteral("Change %1 of row %2").arg(columnTitle(index.column())).arg(index.row() + 1)));
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

QVariant BankModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return columnTitle(section);
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
    if (problem.row < 0)
        return QStringLiteral("The bank: ") + problem.text;
    if (problem.column < 0)
        return QStringLiteral("Row %1: %2").arg(problem.row + 1).arg(problem.text);
    return QStringLiteral("Row %1, %2: %3").arg(problem.row + 1).arg(columnTitle(problem.column), problem.text);
}

void BankModel::addRow(int row)
{
    row = std::clamp(row, 0, rowCount());
    m_undo->push(new RecordCommand(*this, RecordCommand::Insert, row, {}, emptyRecord(), -1,
                                   QStringLiteral("Add row %1").arg(row + 1)));
}

void BankModel::duplicateRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    m_undo->push(new RecordCommand(*this, RecordCommand::Insert, row + 1, {}, m_records.at(row).toObject(), -1,
                                   QStringLiteral("Duplicate row %1").arg(row + 1)));
}

void BankModel::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    m_undo->push(new RecordCommand(*this, RecordCommand::Remove, row, m_records.at(row).toObject(), {}, -1,
                                   QStringLiteral("Delete row %1").arg(row + 1)));
}

void BankModel::moveRow(int from, int to)
{
    if (from < 0 || from >= rowCount() || to < 0 || to >= rowCount() || from == to)
        return;
    m_undo->push(new RecordCommand(*this, RecordCommand::Move, from, {}, {}, to,
                                   QStringLiteral("Move row %1").arg(from + 1)));
}

void BankModel::replaceRecord(int row, const QJsonObject &record)
{
    m_records[row] = record;
    if (!refitColumns())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    recheck();
}

void BankModel::insertRecord(int row, const QJsonObject &record)
{
    beginInsertRows({}, row, row);
    m_records.insert(row, record);
    endInsertRows();
    refitColumns();
    recheck();
}

void BankModel::eraseRecord(int row)
{
    beginRemoveRows({}, row, row);
    m_records.removeAt(row);
    endRemoveRows();
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
    recheck();
}

bool BankModel::refitColumns()
{
    // A longer list or key anywhere adds columns; the view is told the table changed shape.
    std::vector<Column> columns = columnsFor();
    const bool same = columns.size() == m_columns.size()
                      && std::equal(columns.begin(), columns.end(), m_columns.begin(), [](const Column &a, const Column &b) {
                             return a.field == b.field && a.index == b.index && a.kind == b.kind;
                         });
    if (same)
        return false;
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
    return true;
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
        // The field, or one element of a list field ("wrong[1]").
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
            // A key's problem goes on the digits it has (the first cell when it has none).
            const qsizetype keyLength = m_records.at(problem.record).toObject().value(field).toString().size();
            if (column.kind == CellKind::KeyDigit && column.index >= std::max<qsizetype>(1, keyLength))
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
    m_problems = bankWide + cells;
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    emit checked();
}
