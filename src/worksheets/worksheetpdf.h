#pragma once

#include "worksheet.h"

#include <QImage>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

enum class Paper { A4, Letter };

// The page every sheet is laid out on: the paper upright, with margins most school printers
// can print right up to and room to hole-punch.
QPageLayout worksheetPageLayout(Paper paper);

// Paints the worksheet (answers false) or its answer sheet (answers true) on a paged device, a
// PDF writer or a printer, in the device's own page layout, at any resolution; no item is ever
// split across pages. False, with *error saying why, when painting cannot start or finish.
// *pages (when given) is the number of pages.
bool paintWorksheet(const Worksheet &sheet, bool answers, QPagedPaintDevice &device, QString *error,
                    int *pages = nullptr);

// Writes the sheet as a PDF at path, in the fonts the screens use, embedded. The file appears
// whole or not at all: the PDF is finished in memory, then written beside the path and put in
// its place only once every byte is on disk, so a full disk or a read-only folder leaves any
// earlier file untouched. A path that is not an ordinary file (a folder, a device) is refused.
// False, with *error saying why, when it cannot be written.
bool writeWorksheetPdf(const Worksheet &sheet, bool answers, Paper paper, const QString &path, QString *error,
                       int *pages = nullptr);

// Page 1 of the sheet as a picture `width` pixels wide, painted by the same code as the PDF
// and the printer; *pages (when given) is the number of pages the whole sheet takes.
QImage worksheetPreview(const Worksheet &sheet, bool answers, Paper paper, int width, int *pages = nullptr);

// How many of the sheet's items fit on one page of the worksheet, whichever are drawn: the
// most n for which its n tallest items do (at least 1).
int itemsOnOnePage(const Worksheet &sheet, Paper paper);
