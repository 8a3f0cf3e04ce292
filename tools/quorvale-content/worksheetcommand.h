#pragma once

#include <QString>
#include <QStringList>

// The `worksheet` command of quorvale-content:
//   worksheet ACTIVITY [--items N] [--seed S] [--answers] [--paper a4|letter] -o FILE.pdf
// args are what follows the word "worksheet". Needs a QGuiApplication (fonts and PDF
// output). Returns 0 when the file was written whole, 2 with a message and the usage on
// stderr for bad input (an unknown activity, a count outside 1 to what the bank holds), and
// 1 with a message when the file cannot be written (any earlier file is then unchanged).
int worksheetCommand(const QStringList &args);

// The command's usage, one line per form.
QString worksheetUsage();

// Runs the command as a program of its own: makes the application (offscreen, so no
// display is needed), registers the screens' fonts, and runs worksheetCommand on
// argv[2] onwards (argv[1] is "worksheet").
int worksheetMain(int argc, char *argv[]);
