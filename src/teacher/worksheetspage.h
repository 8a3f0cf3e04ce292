#pragma once

#include "contentfile.h"
#include "worksheetpdf.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QSpinBox;

// The Worksheets page: an activity, how many of its items (all, or a number drawn at
// random from a seed, so the same sheet can be printed again), the paper size, and
// buttons that save the worksheet for the pupils and the answer sheet for the teacher as
// PDF files. The items come from the bank the activity itself uses (the teacher's own
// file where one passes the checks).
class WorksheetsPage : public QWidget
{
    Q_OBJECT
public:
    explicit WorksheetsPage(QWidget *parent = nullptr);

    QString activity() const;
    void setActivity(const QString &activity);
    // 0: every item.
    int items() const;
    void setItems(int items);
    quint32 seed() const;
    void setSeed(quint32 seed);
    Paper paper() const;
    void setPaper(Paper paper);
    // Records in the chosen activity's bank (0 when no copy of it passes the checks).
    int bankSize() const;

    // Writes the worksheet (or the answer sheet) to path; the outcome is told on the page.
    bool saveTo(const QString &path, bool answers);
    // What the page last said about the bank or a save.
    QString status() const;

public slots:
    // An activity's bank was saved or put aside elsewhere: read it again if it is the one
    // shown, so the page never prints an old copy.
    void bankChanged(const QString &activity);

private:
    void loadBank();
    void chooseAndSave(bool answers);
    void tell(const QString &message, bool problem);

    QComboBox *m_activity;
    QSpinBox *m_items;
    QLabel *m_itemsOf;
    QLabel *m_bank; // where the bank's file is
    QSpinBox *m_seed;
    QComboBox *m_paper;
    QLabel *m_status;
    std::optional<ContentDocument> m_document; // the chosen activity's bank, when one passes
};
