#pragma once

#include "worksheet.h"

#include <QString>

enum class Paper { A4, Letter };

// Writes the worksheet (answers false) or its answer sheet (answers true) as a PDF at path,
// in the fonts the screens use, embedded. The file appears whole or not at all: it is
// written to a temporary file beside it and renamed once complete. False, with *error
// saying why, when it cannot be written. *pages (when given) is the number of pages.
bool writeWorksheetPdf(const Worksheet &sheet, bool answers, Paper paper, const QString &path, QString *error,
                       int *pages = nullptr);
