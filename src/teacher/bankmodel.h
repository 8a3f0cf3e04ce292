#pragma once

#include "contentfile.h"
#include "contentkind.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <vector>

class QUndoStack;

// One activity's item bank as a table a teacher edits: a row per record, a column per
// field, a list field spread over one column per element, and a key written as a string of
// digits (one per word of the sentence) spread over a row of one-digit cells headed by the
// sentence's words. Every change goes through the undo stack and is checked at once with
// the activity's own content check; each problem is shown on the cell it concerns (or the
// row, or the bank). A cell left empty stays in its place, so the check names that cell.
class BankModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class CellKind { Text, Number, ListText, ListNumber, KeyDigit };
    struct Column
    {
        QString field;
        int index = -1; // the element of a list field or the digit of a key; -1 for a field
        CellKind kind = CellKind::Text;
    };
    // A problem with the bank: where (row and column of the table, from 0), then why.
    struct Problem
    {
        int row = -1;    // -1: the bank as a whole
        int column = -1; // -1: the row as a whole (or the bank)
        QString text;
    };

    explicit BankModel(ContentKind kind, QObject *parent = nullptr);
    ~BankModel() override;

    // The bank built into the program for an activity (a resource path).
    static QString builtInPath(const QString &activity);

    // Replaces the bank with the JSON of a content file, clearing the undo history. The
    // field order of the text is kept for the columns and for saving. Returns false (and
    // keeps the bank as it was) when the text is not a bank at all; why is in loadProblems.
    bool load(const QByteArray &json, const QString &fileName);
    ContentProblems loadProblems() const { return m_loadProblems; }
    // Replaces the records with count blank ones of the same columns (a new bank),
    // clearing the undo history.
    void startEmpty(int count);

    // The bank as a content file: readable, one record a line, in the field order loaded.
    QByteArray toJson() const;

    const QString &activity() const { return m_kind.activity; }
    QString title() const { return m_root.value(QLatin1String("title")).toString(); }
    const QJsonArray &records() const { return m_records; }
    const std::vector<Column> &columns() const { return m_columns; }
    QUndoStack &undoStack() const { return *m_undo; }

    // The problems found by the last check, bank-wide ones first.
    const QList<Problem> &problems() const { return m_problems; }
    QStringList problemsAt(int row, int column) const;
    bool hasProblems() const { return !m_problems.isEmpty(); }

    // Row edits, each one undoable step whatever the number of rows.
    void addRow(int row);       // an empty record before row (at the end when row == rowCount())
    void duplicateRow(int row); // a copy just below it
    void removeRow(int row);
    void moveRow(int from, int to);
    void duplicateRows(QList<int> rows); // copies, in order, below the last of them
    void removeRows(QList<int> rows);
    // Moves every row one place up (-1) or down (1); false when one is already at the end.
    bool moveRows(QList<int> rows, int step);
    // Puts a block of texts (rows of cells, as copied from a spreadsheet) into the table
    // from a cell, adding rows as needed; texts beyond the last column are left out. A
    // string of digits pasted on a key's cell fills that cell and the ones after it.
    void paste(int row, int column, const QList<QStringList> &block);
    // The rows the last edit, undo or redo left in view (the rows changed, or the row that
    // took a deleted one's place), from the top; emptied by the call.
    QList<int> takeTouchedRows();

    // The record whose words head the key's columns.
    void setHeaderRow(int row);

    // A problem in words: "Row 4, Wrong 2: ...", rows counted as the table shows them.
    QString describe(const Problem &problem) const;
    QString columnTitle(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Used by the undo commands: puts records in place and checks again.
    void replaceRecord(int row, const QJsonObject &record);
    void insertRecord(int row, const QJsonObject &record);
    void eraseRecord(int row);
    void shiftRecord(int from, int to);

signals:
    // After every check (every change).
    void checked();

private:
    QString cellText(int row, const Column &column) const;
    QJsonObject withCell(QJsonObject record, const Column &column, const QString &text) const;
    std::vector<Column> columnsFor() const;
    bool refitColumns();
    void recheck();
    QJsonObject emptyRecord() const;
    QStringList wordsOf(int row) const;
    void touch(int row);

    ContentKind m_kind;
    QJsonObject m_root;
    QJsonArray m_records;
    QString m_fileName;
    QStringList m_fieldOrder;
    bool m_expanded = false;
    std::vector<Column> m_columns;
    // The text field whose words the key's digits stand for (the sentence), when the bank
    // has such a key: shown without the one space it ends with, which is added on saving.
    QString m_wordsField;
    // The list fields whose length differs from record to record (in this bank or the
    // built-in one), with their shortest length: an empty cell at the end of one of these
    // shortens the list; in any other list it stays, an empty text in its place.
    QHash<QString, int> m_shortestList;
    // While a cell is edited, the table only gains columns: the cell's editor is never
    // taken away under it.
    bool m_growOnly = false;
    int m_headerRow = 0;
    QList<int> m_touched;
    QList<Problem> m_problems;
    ContentProblems m_loadProblems;
    QUndoStack *m_undo;
};
