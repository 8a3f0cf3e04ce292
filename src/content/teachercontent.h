#pragma once

#include "contentfile.h"
#include "contentkind.h"

#include <QList>
#include <QString>
#include <QStringList>

class AssetResolver;

// Teachers' own item banks. A file content/<id>.json in one of the content folders
// replaces the built-in bank of activity <id> when it passes every check of that activity;
// otherwise the built-in bank is used and the home screen says which file was set aside
// and why.

// The user's own data folder (a "content" folder inside it holds their banks), or an empty
// string before the application has a name.
QString userDataFolder();

// The folders that may hold teachers' files, in the order the loader tries them: the
// user's own folder first, then a folder named "content" (in any letter case) in each of
// the resolver's folders on disk. Only folders that exist, each once.
QStringList teacherContentFolders(const AssetResolver &assets);

// One file as the program would read it.
struct ContentFileCheck
{
    QString path;
    ContentProblems problems; // empty: the file is used

    bool passed() const { return problems.isEmpty(); }
};

// Checks a file as the bank of the activity its name gives (locating.json for
// "locating"), with every check that activity makes.
ContentFileCheck checkContentFile(const QString &path, const QList<ContentKind> &kinds);

// Checks every item bank in a folder, in file-name order. A file that looks meant as a bank
// but will never be read ("locating.json.txt") is reported too.
QList<ContentFileCheck> checkContentFolder(const QString &folder, const QList<ContentKind> &kinds);

// Checks the files in every teacher content folder.
QList<ContentFileCheck> checkTeacherContent(const AssetResolver &assets, const QList<ContentKind> &kinds);

// One short line for the home screen about the first file that was set aside, naming it and
// its first problem; an empty string when every file is used.
QString contentNotice(const QList<ContentFileCheck> &checks);
