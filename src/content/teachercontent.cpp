#include "teachercontent.h"

#include "assetresolver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString ContentFolderName = QStringLiteral("content");
const QString BankSuffix = QStringLiteral("json");

// The entry of `dir` named `name` whatever its letter case (an exact match first), as the
// asset resolver matches names, so "Content" beside the program is found on every system.
QString childIgnoringCase(const QString &dir, const QString &name, QDir::Filters filter)
{
    const QDir parent(dir);
    if (QFileInfo(parent.filePath(name)).exists())
        return parent.filePath(name);
    for (const QString &entry : parent.entryList(filter | QDir::NoDotAndDotDot)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return parent.filePath(entry);
    }
    return {};
}

const ContentKind *kindNamed(const QList<ContentKind> &kinds, const QString &activity)
{
    for (const ContentKind &kind : kinds) {
        if (kind.activity.compare(activity, Qt::CaseInsensitive) == 0)
            return &kind;
    }
    return nullptr;
}

// The problem as a sentence: where in the file, then what is wrong there.
QString describe(const ContentProblem &problem, const QString &reason)
{
    if (problem.record >= 0 && !problem.field.isEmpty())
        return QStringLiteral("Record %1, field \"%2\": %3").arg(recordNumber(problem.record)).arg(problem.field, reason);
    if (problem.record >= 0)
        return QStringLiteral("Record %1: %2").arg(recordNumber(problem.record)).arg(reason);
    if (!problem.field.isEmpty())
        return QStringLiteral("Field \"%1\": %2").arg(problem.field, reason);
    return QStringLiteral("It ") + reason;
}

// A reason short enough for one line on the home screen (a long list of allowed answers
// is the content tool's to print).
QString shortReason(QString reason)
{
    constexpr int MaxLength = 80;
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    if (reason.size() <= MaxLength)
        return reason + QLatin1Char('.');
    // What follows a colon is most often a list; without it the sentence still stands.
    qsizetype cut = reason.indexOf(QStringLiteral(": "));
    if (cut <= 0 || cut > MaxLength)
        cut = reason.lastIndexOf(QLatin1Char(' '), MaxLength);
    reason.truncate(cut > 0 ? cut : MaxLength);
    while (reason.endsWith(QLatin1Char(',')) || reason.endsWith(QLatin1Char(':')))
        reason.chop(1);
    return reason + QChar(0x2026);
}

} // namespace

QString userDataFolder()
{
    // Without a name the location would be the shared data folder itself.
    if (QCoreApplication::applicationName().isEmpty())
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QStringList teacherContentFolders(const AssetResolver &assets)
{
    QStringList roots = assets.roots();
    if (const QString user = userDataFolder(); !user.isEmpty())
        roots.prepend(user);
    QStringList folders;
    QStringList seen;
    for (const QString &root : roots) {
        if (root.startsWith(QLatin1Char(':')))
            continue; // the built-in banks are not a teacher's
        const QString folder = childIgnoringCase(root, ContentFolderName, QDir::Dirs);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!seen.contains(canonical)) {
            seen << canonical;
            folders << folder;
        }
    }
    return folders;
}

ContentFileCheck checkContentFile(const QString &path, const QList<ContentKind> &kinds)
{
    ContentFileCheck check{path, {}};
    const QFileInfo info(path);
    const ContentKind *kind = info.suffix().compare(BankSuffix, Qt::CaseInsensitive) == 0
                                  ? kindNamed(kinds, info.completeBaseName())
                                  : nullptr;
    if (!kind) {
        check.problems.append({path, -1, {},
                               QStringLiteral("is not named after an activity (as openings.json is), so it is never read")});
        return check;
    }
    if (auto document = ContentDocument::read(path, check.problems))
        kind->check(*document, check.problems);
    return check;
}

QList<ContentFileCheck> checkContentFolder(const QString &folder, const QList<ContentKind> &kinds)
{
    QList<ContentFileCheck> checks;
    const QDir dir(folder);
    // System entries too (a device, a pipe, a link to nothing): the loader would find one
    // named after an activity, so it is reported rather than passed over in silence.
    const QStringList files = dir.entryList(QDir::Files | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString &file : files) {
        const QString path = dir.filePath(file);
        const QString suffix = QFileInfo(file).suffix();
        if (suffix.compare(BankSuffix, Qt::CaseInsensitive) == 0) {
            checks << checkContentFile(path, kinds);
        } else if (file.contains(QStringLiteral(".json."), Qt::CaseInsensitive)) {
            // Typically an editor that added its own ending, hidden from view.
            checks << ContentFileCheck{path, {{path, -1, {},
                                              QStringLiteral("ends in .%1 instead of .json, so it is never read").arg(suffix)}}};
        }
    }
    return checks;
}

QList<ContentFileCheck> checkTeacherContent(const AssetResolver &assets, const QList<ContentKind> &kinds)
{
    QList<ContentFileCheck> checks;
    for (const QString &folder : teacherContentFolders(assets))
        checks += checkContentFolder(folder, kinds);
    return checks;
}

QString contentNotice(const QList<ContentFileCheck> &checks)
{
    const ContentFileCheck *first = nullptr;
    int setAside = 0;
    for (const ContentFileCheck &check : checks) {
        if (check.passed())
            continue;
        if (!first)
            first = &check;
        ++setAside;
    }
    if (!first)
        return {};
    const ContentProblem &problem = first->problems.first();
    QString line = QStringLiteral("Your file %1 was not used. %2")
                       .arg(QFileInfo(first->path).fileName(), describe(problem, shortReason(problem.reason)));
    if (setAside == 2)
        line += QStringLiteral(" One more file was not used either.");
    else if (setAside > 2)
        line += QStringLiteral(" %1 more files were not used either.").arg(setAside - 1);
    return line;
}
