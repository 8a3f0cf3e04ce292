// quorvale-content: checks the item banks and prints them as the screens will see them.
//
//   quorvale-content check [FILE.json ...]   check the given files, or every built-in bank
//   quorvale-content dump FILE.json|ID       print a bank slot by slot
//
// A teacher who edits a bank can run `check` on the edited file before putting it in the
// program's content folder. The exit status is 0 when everything checked passes.

#include "contentfile.h"
#include "contentkind.h"
#include "contentkinds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
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

QString pathFor(const QString &argument)
{
    if (QFileInfo::exists(argument))
        return argument;
    return QStringLiteral(":/assets/content/") + argument + QStringLiteral(".json");
}

int check(const QList<ContentKind> &kinds, QStringList paths)
{
    if (paths.isEmpty()) {
        for (const QString &file : QDir(QStringLiteral(":/assets/content")).entryList({QStringLiteral("*.json")}))
            paths << QStringLiteral(":/assets/content/") + file;
    }
    int failed = 0;
    for (const QString &path : paths) {
        ContentProblems problems;
        if (auto document = ContentDocument::read(path, problems)) {
            if (const ContentKind *kind = kindFor(kinds, document->activity))
                kind->check(*document, problems);
            else
                problems.append({path, -1, QStringLiteral("activity"),
                                 QStringLiteral("\"%1\" is not an activity this program knows").arg(document->activity)});
        }
        for (const ContentProblem &problem : problems)
            out() << problem.toString() << Qt::endl;
        if (problems.isEmpty())
            out() << path << ": ok" << Qt::endl;
        else
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}

int dump(const QList<ContentKind> &kinds, const QString &argument)
{
    ContentProblems problems;
    const auto document = ContentDocument::read(pathFor(argument), problems);
    const ContentKind *kind = document ? kindFor(kinds, document->activity) : nullptr;
    if (document && kind) {
        kind->check(*document, problems);
        if (problems.isEmpty()) {
            out() << kind->dump(*document);
            return 0;
        }
    }
    for (const ContentProblem &problem : problems)
        out() << problem.toString() << Qt::endl;
    if (document && !kind)
        out() << "unknown activity " << document->activity << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    const QList<ContentKind> kinds = allContentKinds();
    if (verb == QLatin1String("check"))
        return check(kinds, args);
    if (verb == QLatin1String("dump") && args.size() == 1)
        return dump(kinds, args.first());
    QTextStream(stderr) << "usage: quorvale-content check [FILE.json ...]\n"
                           "       quorvale-content dump FILE.json|ACTIVITY\n";
    return 2;
}
