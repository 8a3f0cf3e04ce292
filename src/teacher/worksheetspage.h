#pragma once

#include "contentfile.h"
#include "worksheetpdf.h"

#include <QImage>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPrinter;
class QSpinBox;
class QTimer;

// The Worksheets page: an activity, how many of its items (all, or a number drawn at
// random from a seed, so the same sheet can be printed again), the paper size, a picture of
// the sheet's first page, and buttons that save the worksheet for the pupils and the answer
// sheet for the teacher as PDF files or print them. The items come from the bank the
// activity itself uses (the teacher's own file where one passes the checks).
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
    // Prints it on a printer already chosen (the print dialog's choice, or a PDF file), on
    // the printer's paper with the sheet's margins; the outcome is told on the page.
    bool printTo(QPrinter &printer, bool answers);
    // What the page last said about the bank or a save.
    QString status() const;
    // The picture of the worksheet's first page as the page shows it, brought up to date.
    QImage preview();

public Q_SLOTS:
    // An activity's bank was saved or put aside elsewhere: read it again if it is the one
    // shown, so the page never prints an old copy.
    void bankChanged(const QString &activity);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadBank();
    std::optional<Worksheet> currentSheet(QString *error) const;
    void schedulePreview();
    void updatePreview();
    void chooseAndSave(bool answers);
    void chooseAndPrint(bool answers);
    void tell(const QString &message, bool problem);

    QComboBox *m_activity;
    QSpinBox *m_items;
    QLabel *m_itemsOf;
    QLabel *m_bank; // where the bank's file is
    QSpinBox *m_seed;
    QComboBox *m_paper;
    QLabel *m_status;
    QLabel *m_preview;
    QLabel *m_previewCaption;
    QTimer *m_previewTimer;
    QImage m_previewImage;
    bool m_previewStale = true;
    std::optional<ContentDocument> m_document; // the chosen activity's bank, when one passes
};
