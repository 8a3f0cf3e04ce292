#pragma once

#include "contentkind.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class BankModel;
class BankTable;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;
class QVBoxLayout;
struct TeacherContext;

// The teacher's own item banks: choose an activity, edit its bank as a table (checked at
// every change, each problem shown on its cell), see the chosen record on the activity's
// real screen, and save the bank as the teacher's own, go back to the built-in one, or
// share it as a file. Unsaved changes are marked with "*" and never lost without asking.
class BanksPage : public QWidget
{
    Q_OBJECT
public:
    // contentFolder: where the teacher's banks are kept (empty: the user's own content
    // folder).
    explicit BanksPage(TeacherContext &context, QWidget *parent = nullptr, const QString &contentFolder = {});
    ~BanksPage() override;

    // Shows an activity's bank: the teacher's own file if there is one, else the built-in
    // (asking first about unsaved changes to the bank shown; false when the teacher keeps it).
    bool showActivity(const QString &activity);
    QString activity() const;
    // The activity's name as its menu shows it ("Story Openings").
    QString activityCaption() const;

    // The teacher's file for the activity shown.
    QString teacherFile() const;

    // Writes the bank as the teacher's own; refused (false) while it has problems.
    bool save();
    // Puts the teacher's file aside as a dated copy (after asking) and shows the built-in
    // bank; returns the copy's path, empty when nothing was put aside.
    QString useBuiltIn();
    // Reads a bank file from elsewhere (untrusted: size limit and every check), showing it
    // for the activity it names; false, and why on the page, when it is not a bank.
    bool importFile(const QString &path);
    // Writes the bank to a file to share; refused while it has problems.
    bool exportFile(const QString &path);
    // A new bank for the activity shown, as few records as a bank may have, all blank
    // (after asking about unsaved changes); false when the teacher keeps the bank shown.
    bool newBank();

    // Ends the typing in a cell, what was typed kept (before the page is asked about it).
    void finishEditing();
    // Edits unsaved: changes since the last save, or a bank imported or begun and not saved.
    bool hasUnsavedChanges() const;
    // Before the bank shown goes away (before: "closing", "showing another activity"...):
    // with unsaved changes, asks "Save changes to NAME before ...?" (Save, Discard, Cancel).
    // True when it may go: nothing unsaved, saved, or its changes discarded (the saved bank
    // shown again). False on Cancel, or when saving fails (the page says why).
    bool settleChanges(const QString &before);

    // Pastes rows of tab-separated cells (as a spreadsheet copies them) from the chosen
    // cell on, adding rows as needed: one step to undo. False when there is nothing to paste.
    bool pasteText(const QString &text);
    void undo();
    void redo();

    BankModel *model() const { return m_model; }
    QTableView *table() const;
    // The bank's name above the table, "*" marking unsaved changes.
    QString heading() const;
    // What the page last said (saved, refused and why).
    QString status() const;
    // The preview's screen, null when none is shown.
    QWidget *preview() const { return m_preview; }
    // Makes the preview now rather than after the short pause that gathers quick edits.
    void refreshPreview();

    // Room for the table and the screen beside it.
    QSize sizeHint() const override { return {1000, 700}; }

    // A question to the teacher whose buttons name their actions ("Discard changes",
    // "Keep editing"). Enter chooses the default button; Escape or closing the box chooses
    // the last one, which never loses anything.
    struct Question
    {
        QString text;
        QStringList buttons;
        int defaultButton = 0;
    };
    // Asks a question and returns the index of the button chosen (a message box; tests
    // answer it themselves).
    std::function<int(const Question &question)> confirm;

signals:
    // The bank came to have unsaved changes, or no longer has any.
    void unsavedChanged(bool unsaved);
    // The activity's bank in the content folder changed (saved, or put aside for the
    // built-in one): every page that shows it reads it again.
    void bankChanged(const QString &activity);

private:
    void loadBank(const QString &activity);
    void updateProblems();
    void updateButtons();
    void schedulePreview();
    int currentRow() const;
    // The rows chosen in the table, from the top; when there are none and some are
    // needed, the page says how to choose them.
    QList<int> chosenRows(bool needed = true);
    void edit(const std::function<void()> &change);
    void showTouchedRows();
    void updateUnsaved();
    void say(const QString &text);
    bool writeTo(const QString &path, QString *failure);

    TeacherContext &m_context;
    QString m_folder;
    QList<ContentKind> m_kinds;
    BankModel *m_model = nullptr;
    bool m_unsaved = false; // an imported or new bank not yet saved
    bool m_shownUnsaved = false;

    QComboBox *m_activities;
    QLabel *m_heading;
    QLabel *m_source;
    BankTable *m_table;
    QLabel *m_cellProblem;
    QLabel *m_problemCount;
    QListWidget *m_problemList;
    QLabel *m_status;
    QVBoxLayout *m_previewLayout;
    QLabel *m_previewNote;
    QPointer<QWidget> m_preview;
    QTimer *m_previewTimer;
    QPushButton *m_undo;
    QPushButton *m_redo;
    QPushButton *m_save;
};
