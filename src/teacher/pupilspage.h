#pragma once

#include "results.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class Settings;

// The Pupils page: the class lists pupils sign in from. Classes (every class label the
// results know, and one being started) and each class's pupils; a pupil is added by name,
// or a whole list pasted or read from a text or CSV file, all or none; renamed, moved to
// another class, removed with all their results, or their results exported on their own.
// A class goes with its pupils and every visit kept under it. Names are the teacher's own
// text and are only ever shown as plain text.
class PupilsPage : public QWidget
{
    Q_OBJECT
public:
    PupilsPage(Results &results, Settings &settings, QWidget *parent = nullptr);

    // A list of names as pasted or read from a file, one a line; of a CSV file the first
    // column, leaving out a first row that heads it ("Name"). Spaces at either end are
    // dropped and runs of them made one. What would keep the list from being added whole
    // is said by line, counted from 1: a blank line (blank lines at the very end aside), a
    // name too long, one already on an earlier line or in the class (`inClass`).
    struct NameList
    {
        QStringList names;
        QStringList problems;
    };
    static NameList readNames(const QString &text, bool csv, const QStringList &inClass);

    // Reads what is on the page again (also done whenever it is shown).
    void refresh();
    QString currentClass() const;
    // Shows a class; one that has no pupils yet is listed until the page goes.
    void setCurrentClass(const QString &classLabel);

    // Adds the names to the class shown, all or none; every problem is listed on the page.
    // True when added.
    bool addNames(const QString &text, bool csv = false);
    // Reads a text or CSV file (by its ending) and adds its names the same way.
    bool importFile(const QString &path);
    bool renamePupil(qint64 pupil, const QString &name);
    bool movePupil(qint64 pupil, const QString &classLabel);
    // Asks first, saying how many visits go; the visits removed, or -1 when nothing was.
    int removePupil(qint64 pupil);
    int removeClass(const QString &classLabel);
    // Writes one pupil's visits as CSV to path and says where; true when written.
    bool exportPupilTo(qint64 pupil, const QString &path);

    QListWidget &classList() const { return *m_classes; }
    QListWidget &pupilList() const { return *m_pupils; }
    QLineEdit &nameEdit() const { return *m_name; }
    // Why the last list was not added, line by line; empty when it was.
    QPlainTextEdit &report() const { return *m_report; }
    // What the last action did ("Removed Amy R. and 12 visits from this computer.").
    QLabel &status() const { return *m_status; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillPupils();
    void choiceChanged();
    void addClassTyped();
    void addNameTyped();
    void askPaste();
    void askImport();
    void askRename();
    void askMove();
    void askExport();
    qint64 chosenPupil() const;
    Results::Pupil pupil(qint64 id) const;
    void showRefused(const QString &what, const QStringList &problems);
    void fail(const QString &title, const QString &what, const QString &why);

    Results &m_results;
    Settings &m_settings;
    QStringList m_started; // classes typed in that have no pupils yet
    QLabel *m_problem;
    QLabel *m_signInOff;
    QListWidget *m_classes;
    QLineEdit *m_newClass;
    QPushButton *m_removeClass;
    QLabel *m_heading;
    QListWidget *m_pupils;
    QLineEdit *m_name;
    QPushButton *m_add;
    QPushButton *m_paste;
    QPushButton *m_import;
    QPushButton *m_rename;
    QPushButton *m_move;
    QPushButton *m_export;
    QPushButton *m_remove;
    QPlainTextEdit *m_report;
    QLabel *m_status;
};
