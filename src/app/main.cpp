#include "fonts.h"
#include "program.h"
#include "settings.h"
#include "results.h"
#include "resultsplugin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

// Exit status for arguments that cannot be followed, results that cannot be read, or a
// file that cannot be written.
constexpr int UsageFailure = 2;

void setUp(QCommandLineParser &parser, QCommandLineOption &exportResults)
{
    parser.setApplicationDescription(QStringLiteral("English activities for the classroom."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(exportResults);
    parser.addOption(QCommandLineOption(QStringLiteral("school-setup"),
                                        QStringLiteral("Create or bring up to date the school database that the "
                                                       "PostgreSQL connection <service> names (its tables and the "
                                                       "quorvale_pupil and quorvale_teacher roles), then exit. "
                                                       "Needs an administrator's login."),
                                        QStringLiteral("service")));
}

int fail(const QString &reason)
{
    std::fprintf(stderr, "quorvale: %s\n", qPrintable(reason));
    return UsageFailure;
}

// What the command line asks for without a window: help, the version, or the class results
// as CSV.
int runCommandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QCommandLineParser parser;
    QCommandLineOption exportResults(QStringLiteral("export-results"),
                                     QStringLiteral("Write every visit kept in the class results to <file> as "
                                                    "CSV (- for standard output), then exit."),
                                     QStringLiteral("file"));
    setUp(parser, exportResults);
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        // The version set once in CMake, as packages and their tools expect it ("name version").
        std::fputs("quorvale " QUORVALE_VERSION "\n", stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    if (parser.isSet(QStringLiteral("school-setup"))) {
        if (parser.isSet(exportResults))
            return fail(QStringLiteral("--school-setup and --export-results cannot be asked for together."));
        QString failure;
        auto *plugin = qobject_cast<ResultsPlugin *>(Program::loadModule(QStringLiteral("quorvale-results"), &failure));
        if (!plugin)
            return fail(QStringLiteral("cannot set up the school database: the results module (quorvale-results) "
                                       "is missing or damaged."));
        QTextStream out(stdout);
        QString reason;
        if (!plugin->setUpSchool(parser.value(QStringLiteral("school-setup")), out, &reason))
            return fail(reason.simplified() + QLatin1Char('.'));
        out.flush();
        if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0)
            return fail(QStringLiteral("the school database was set up, but what was done could not be written "
                                       "to standard output."));
        return 0;
    }
    const QString file = parser.value(exportResults);
    if (file.isEmpty())
        return fail(QStringLiteral("--export-results needs a file name."));

    QString error;
    // A computer joined to the school database exports the whole school's results.
    const QString service = Settings().schoolService();
    const std::unique_ptr<Results> results = Program::loadResults(Results::defaultPath(), service, &error);
    if (!results)
        return fail(QStringLiteral("cannot read the class results: their module (quorvale-results) is missing "
                                   "or damaged."));
    // Only reading: the file is never created, changed or set aside, whatever it holds.
    results->setReadOnly();
    if (!service.isEmpty() && !results->showsSchool())
        return fail(QStringLiteral("cannot export the school's results: %1").arg(results->problem()));
    if (file == QLatin1String("-")) {
        QFile out;
        if (!out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return fail(QStringLiteral("cannot write to standard output: %1.").arg(out.errorString()));
        if (results->writeCsv(out, {}, &error) < 0)
            return fail(QStringLiteral("cannot write the results to standard output: %1.").arg(error));
    } else if (results->exportCsv(file, {}, &error) < 0) {
        return fail(error + QLatin1Char('.'));
    }
    return 0;
}

// Whether any argument is one of the program's own (or not one Qt takes for the window),
// decided before a window system is touched, so an export runs on a machine with no display.
bool wantsCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    QCommandLineOption exportResults(QStringLiteral("export-results"), QString(), QStringLiteral("file"));
    setUp(parser, exportResults);
    parser.parse(arguments);
    return parser.isSet(exportResults) || parser.isSet(QStringLiteral("help"))
        || parser.isSet(QStringLiteral("help-all")) || parser.isSet(QStringLiteral("version"))
        || parser.isSet(QStringLiteral("school-setup")) || arguments.contains(QStringLiteral("--export-results"))
        || arguments.contains(QStringLiteral("--school-setup"));
}

} // namespace

int main(int argc, char *argv[])
{
    if (wantsCommandLine(argc, argv))
        return runCommandLine(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvale"));
    {
        // What is left once Qt has taken its own options (-platform, -geometry ...).
        QCommandLineParser parser;
        QCommandLineOption exportResults(QStringLiteral("export-results"), QString(), QStringLiteral("file"));
        setUp(parser, exportResults);
        if (!parser.parse(QCoreApplication::arguments()))
            return fail(parser.errorText() + QStringLiteral(" See --help."));
        if (!parser.positionalArguments().isEmpty())
            return fail(QStringLiteral("unexpected argument '%1'. See --help.").arg(parser.positionalArguments().first()));
    }
    registerEmbeddedFonts();

    Program program;
    program.forms().onEnd = [] { QCoreApplication::exit(0); };
    program.show();
    return program.forms().hasEnded() ? 0 : app.exec();
}
