// quorvale-content: checks the item banks, prints them as the screens will see them, and
// copies a built-in bank out for a teacher to edit.
//
//   quorvale-content check [--strict] [--built-in] [FILE.json | FOLDER ...]
//                                                     check files, or every bank in a folder;
//                                                     with nothing, every built-in bank; the
//                                                     way a bank is written (spaces, quotation
//                                                     marks, a label spelt two ways) is noted,
//                                                     and with --strict fails the check too;
//                                                     --built-in also holds each file to the
//                                                     built-in bank's own rules (its examples,
//                                                     counts and lists of answers)
//   quorvale-content dump [--human] [FILE.json|ACTIVITY ...]
//                                                     print banks as the screens will see them,
//                                                     as JSON (every activity's with none);
//                                                     --human: the older per-engine forms. For
//                                                     an activity, the copy the program uses
//                                                     (a teacher's file or the built-in bank),
//                                                     named on stderr (--human: first line)
//   quorvale-content export ACTIVITY [FOLDER]         write the built-in bank to FOLDER/<id>.json
//
// An ACTIVITY is named by its id ("openings") or its menu caption ("Story Openings"), in any
// letter case; records are counted from 1 in every message, as the teacher's table counts.
//   quorvale-content folders                          where the program looks for teachers' banks
//
// A teacher exports a bank, edits it, runs `check` on it and puts it in one of the content
// folders. The exit status is 0 when everything checked passes.

#include "assetresolver.h"
#include "catalogue.h"
#include "contentfile.h"
#include "contentkind.h"
#include "contentkinds.h"
#include "fonts.h"
#include "teachercontent.h"
#include "typography.h"
#include "worksheetcommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

const ContentKind *kindFor(const QList<ContentKind> &kinds, const QString &activity)
{
    for (const ContentKind &kind : kinds) {
        if (kind.activity == activity)
            return &kind;
    }
    return nullptr;
}

QString menuCaption(const QString &activity)
{
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        if (activity == QLatin1String(entry.activity))
            return QString::fromUtf8(entry.caption);
    }
    return {};
}

// The activity a teacher means: its id or its menu caption, in any letter case ("story
// openings"); an empty string for neither.
QString activityNamed(const QList<ContentKind> &kinds, const QString &name)
{
    const QString wanted = name.simplified();
    for (const ContentKind &kind : kinds) {
        if (kind.activity.compare(wanted, Qt::CaseInsensitive) == 0
            || menuCaption(kind.activity).compare(wanted, Qt::CaseInsensitive) == 0)
            return kind.activity;
    }
    return {};
}

// "There is no activity called ...", with every id and caption, one a line.
void reportUnknownActivity(const QList<ContentKind> &kinds, const QString &name)
{
    QStringList known;
    for (const ContentKind &kind : kinds)
        known << QStringLiteral("  %1 (%2)").arg(kind.activity, -14).arg(menuCaption(kind.activity));
    known.sort();
    err() << "There is no activity called \"" << name << "\". Name one by its id or its menu caption:\n"
          << known.join(QLatin1Char('\n')) << Qt::endl;
}

QString builtInPath(const QString &activity)
{
    return QStringLiteral(":/assets/content/") + activity + QStringLiteral(".json");
}

// Which copy a path is, as a teacher reads it.
QString copyName(const QString &path)
{
    return path.startsWith(QLatin1Char(':')) ? QStringLiteral("the built-in bank")
                                             : QStringLiteral("your file ") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The copy of an activity's bank the program would use: the first that passes every check,
// from the same folders in the same order. Each copy passed over is named on stderr.
std::optional<ContentDocument> copyInUse(const ContentKind &kind)
{
    for (const QString &path : contentCandidates(AssetResolver(), kind.activity)) {
        ContentProblems problems;
        auto document = ContentDocument::read(path, problems);
        if (document)
            kind.check(*document, problems);
        if (document && problems.isEmpty())
            return document;
        // The first problem, without the file name said just before it.
        const QString why = problems.isEmpty() ? QStringLiteral("it cannot be read")
                                               : problems.first().toString().mid(problems.first().file.size() + 2);
        err() << kind.activity << ": " << copyName(path) << " is not used: " << why << Qt::endl;
    }
    return std::nullopt;
}

// A file named after an activity is checked as the program reads it, as that activity's
// bank; any other file as the bank its "activity" field names.
ContentFileCheck checkFile(const QList<ContentKind> &kinds, const QString &path)
{
    const QString name = QFileInfo(path).completeBaseName();
    if (kindFor(kinds, name.toLower()))
        return checkContentFile(path, kinds);
    ContentFileCheck check{path, {}};
    if (auto document = ContentDocument::read(path, check.problems)) {
        if (const ContentKind *kind = kindFor(kinds, document->activity)) {
            kind->check(*document, check.problems);
            if (check.passed())
                out() << path << ": note: the program reads it only when it is named " << document->activity << ".json" << Qt::endl;
        } else {
            check.problems.append({path, -1, QStringLiteral("activity"),
                                   QStringLiteral("\"%1\" is not an activity this program knows").arg(document->activity)});
        }
    }
    return check;
}

// Adds the problems a file has against the built-in bank's own rules.
void holdToBuiltInRules(const QList<ContentKind> &kinds, ContentFileCheck &check)
{
    ContentProblems unread; // already reported by the first check
    const auto document = ContentDocument::read(check.path, unread);
    const ContentKind *kind = document ? kindFor(kinds, document->activity) : nullptr;
    if (kind && kind->builtInCheck)
        kind->builtInCheck(*document, check.problems);
}

int check(const QList<ContentKind> &kinds, QStringList arguments)
{
    const bool strict = arguments.removeAll(QStringLiteral("--strict")) > 0;
    const bool builtInRules = arguments.removeAll(QStringLiteral("--built-in")) > 0;
    QList<ContentFileCheck> checks;
    if (arguments.isEmpty()) {
        for (const QString &file : QDir(QStringLiteral(":/assets/content")).entryList({QStringLiteral("*.json")}))
            checks << checkFile(kinds, QStringLiteral(":/assets/content/") + file);
    }
    bool emptyFolder = false;
    for (const QString &argument : arguments) {
        if (QFileInfo(argument).isDir()) {
            const QList<ContentFileCheck> found = checkContentFolder(argument, kinds);
            if (found.isEmpty()) {
                out() << argument << ": holds no item banks (.json files)" << Qt::endl;
                emptyFolder = true;
            }
            checks += found;
        } else {
            checks << checkFile(kinds, argument);
        }
    }
    int failed = 0;
    for (ContentFileCheck &check : checks) {
        if (builtInRules)
            holdToBuiltInRules(kinds, check);
        for (const ContentProblem &problem : check.problems)
            out() << problem.toString() << Qt::endl;
        // How the bank is written: the program still reads it, but whoever writes it
        // should know.
        ContentProblems ignored;
        const auto document = ContentDocument::read(check.path, ignored);
        const ContentProblems style = document ? checkTypography(*document) : ContentProblems();
        for (const ContentProblem &problem : style)
            out() << problem.toString() << " (style)" << Qt::endl;
        if (check.passed() && (style.isEmpty() || !strict))
            out() << check.path << ": ok" << (style.isEmpty() ? QString() : QStringLiteral(", with %1 style notes").arg(style.size())) << Qt::endl;
        else
            ++failed;
    }
    return failed == 0 && !emptyFolder ? 0 : 1;
}

int dump(const QList<ContentKind> &kinds, QStringList arguments)
{
    const bool human = arguments.removeAll(QStringLiteral("--human")) > 0;
    if (arguments.isEmpty()) {
        for (const ContentKind &kind : kinds)
            arguments << kind.activity;
    }
    QJsonArray banks;
    int failed = 0;
    for (const QString &argument : arguments) {
        ContentProblems problems;
        std::optional<ContentDocument> document;
        if (QFileInfo::exists(argument) || argument.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) {
            document = ContentDocument::read(argument, problems);
        } else if (const QString activity = activityNamed(kinds, argument); !activity.isEmpty()) {
            document = copyInUse(*kindFor(kinds, activity));
            if (!document) {
                err() << activity << ": no copy of this bank passes its checks" << Qt::endl;
                ++failed;
                continue;
            }
            const QString read = QStringLiteral("%1: read from %2").arg(activity, copyName(document->path));
            if (human)
                out() << read << '\n';
            else
                err() << read << Qt::endl;
        } else {
            reportUnknownActivity(kinds, argument);
            ++failed;
            continue;
        }
        const ContentKind *kind = document ? kindFor(kinds, document->activity) : nullptr;
        if (document && kind) {
            kind->check(*document, problems);
            if (problems.isEmpty()) {
                if (human)
                    out() << kind->dump(*document);
                else
                    banks.append(kind->dumpJson(*document));
                continue;
            }
        }
        ++failed;
        for (const ContentProblem &problem : problems)
            err() << problem.toString() << Qt::endl;
        if (document && !kind)
            err() << document->path << ": \"" << document->activity << "\" is not an activity this program knows" << Qt::endl;
    }
    // One bank is printed as its object, several as a list of them.
    if (!human && !banks.isEmpty()) {
        const QJsonDocument json = banks.size() == 1 && arguments.size() == 1 ? QJsonDocument(banks.first().toObject())
                                                                              : QJsonDocument(banks);
        out() << QString::fromUtf8(json.toJson(QJsonDocument::Indented));
    }
    out().flush();
    return failed == 0 ? 0 : 1;
}

// Writes the built-in bank byte for byte (trailing spaces, curly quotes and all) as a new,
// writable file; an existing file is never replaced.
int exportBank(const QList<ContentKind> &kinds, const QString &name, const QString &folder)
{
    const QString activity = activityNamed(kinds, name);
    QFile builtIn(builtInPath(activity));
    if (activity.isEmpty() || !builtIn.open(QIODevice::ReadOnly)) {
        reportUnknownActivity(kinds, name);
        return 1;
    }
    const QString path = QDir(folder).filePath(activity + QStringLiteral(".json"));
    QFile file(path);
    if (file.exists()) {
        err() << path << " already exists; nothing was written." << Qt::endl;
        return 1;
    }
    const QByteArray data = builtIn.readAll();
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(data) != data.size() || !file.flush()) {
        err() << path << " could not be written: " << file.errorString() << Qt::endl;
        file.close();
        file.remove();
        return 1;
    }
    out() << "Wrote " << QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) << Qt::endl;
    return 0;
}

int folders()
{
    out() << "The program uses a teacher's own bank, named after its activity (locating.json),\n"
             "from the first of these folders that holds one which passes every check:\n"
          << "  " << QDir::toNativeSeparators(QDir(userDataFolder()).filePath(QStringLiteral("content"))) << '\n'
          << "  content, in the folder the program is started from\n"
          << "  " << QDir::toNativeSeparators(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("content")))
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Worksheets need fonts and PDF output, so that command makes an application of its own.
    if (argc > 1 && qstrcmp(argv[1], "worksheet") == 0)
        return worksheetMain(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        // The version set once in CMake, as packages and their tools expect it ("name version").
        std::fputs("quorvale-content " QUORVALE_VERSION "\n", stdout);
        return 0;
    }
    // Text is measured as the screens measure it, which needs a GUI application; with no
    // display it works offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    registerEmbeddedFonts(); // the faces the screens measure with
    // The program's own name, so that the user's folder is the one the program reads.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QStringList args = app.arguments().mid(1);
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    const QList<ContentKind> kinds = allContentKinds();
    if (verb == QLatin1String("check"))
        return check(kinds, args);
    if (verb == QLatin1String("dump"))
        return dump(kinds, args);
    if (verb == QLatin1String("export") && (args.size() == 1 || args.size() == 2))
        return exportBank(kinds, args.first(), args.value(1, QStringLiteral(".")));
    if (verb == QLatin1String("folders") && args.isEmpty())
        return folders();
    // Asked for, the usage goes to standard output and is no failure (help2man reads it there).
    const bool asked = verb == QLatin1String("--help") || verb == QLatin1String("-h");
    QTextStream &usage = asked ? out() : err();
    usage << "usage: quorvale-content check [--strict] [--built-in] [FILE.json | FOLDER ...]\n"
             "       quorvale-content dump [--human] [FILE.json|ACTIVITY ...]\n"
             "       quorvale-content export ACTIVITY [FOLDER]\n"
             "       quorvale-content folders\n"
          << "       " << worksheetUsage() << '\n'
          << "       quorvale-content --help | --version" << Qt::endl;
    return asked ? 0 : 2;
}
