#pragma once

#include "contentkind.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class BankModel;
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
// share it as a file.
class BanksPage : public QWidget
{
    Q_OBJECT
public:
    // contentFolder: where the teacher's banks are kept (empty: the user's own content
    // folder).
    explicit BanksPage(TeacherContext &context, QWidget *parent = nullptr, const QString &contentFolder = {});
    ~BanksPage() override;

    // Shows an activity's bank: the teacher's own file if there is one, else the built-in.
    bool showActivity(const QString &activity);
    QString activity() const;

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

    BankModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    // What the page last said (saved, refused and why).
    QString status() const;
    // The preview's screen, null when none is shown.
    QWidget *preview() const { return m_preview; }
    // Makes the preview now rather than after the short pause that gathers quick edits.
    void refreshPreview();

    // Room for the table and the screen beside it.
    QSize sizeHint() const override { return {1000, 700}; }

    // Asks the teacher a yes/no question (a message box; tests answer it themselves).
    std::function<bool(const QString &question)> confirm;

signals:
    // The activity's bank in the content folder changed (saved, or put aside for the
    // built-in one): every page that shows it reads it again.
    void bankChanged(const QString &activity);

private:
    void loadBank(const QString &activity);
    void updateProblems();
    void updateButtons();
    void schedulePreview();
    int currentRow() const;
    void selectRow(int row);
    void say(const QString &text);
    bool writeTo(const QString &path, QString *failure);
    bool discardChanges();

    TeacherContext &m_context;
    QString m_folder;
    QList<ContentKind> m_kinds;
    BankModel *m_model = nullptr;
    bool m_unsaved = false; // an imported bank not yet saved

    QComboBox *m_activities;
    QLabel *m_source;
    QTableView *m_table;
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
