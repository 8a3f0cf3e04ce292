// One computer of a computer suite, played through the real class results module (loaded
// as the program loads it): signs in as each pupil named in turn, once the school's class
// lists have reached this computer, and makes visits to Similes, answering on a timer so
// the event loop (and the module's sending in the background) runs all the while. It can
// then wait until the school database has every ended visit. With --time-queries it times
// instead what the teacher window reads. Run by the school link's tests and by
// bench/school; `schoolcomputer --help` lists the options.
//
// Exit codes: 0 done (or stopped by SIGTERM/SIGINT), 1 visits left unsent after
// --wait-delivered, 2 wrong options or no module, 3 a pupil missing from the class lists
// (or, timing, the school's results cannot be read), 4 standard output could not be written.
#include "results.h"
#include "resultsplugin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPluginLoader>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

int termPipe[2] = {-1, -1};
bool outputFailed = false;
void onTerm(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(termPipe[1], &byte, 1);
}

// One line on standard output, flushed so a reader sees it at once; a line that cannot be
// written stops the run rather than going missing.
void say(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    if (std::fwrite(bytes.constData(), 1, bytes.size(), stdout) != size_t(bytes.size()) || std::fflush(stdout) != 0)
        outputFailed = true;
}

// Calls check at once and then every 100 ms until it is true (then done) or seconds have
// gone (then late).
void pollUntil(QObject *context, double seconds, std::function<bool()> check, std::function<void()> done,
               std::function<void()> late)
{
    auto *timer = new QTimer(context);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, context, [=] {
        timer->setInterval(100);
        const bool ok = check();
        if (!ok && clock.elapsed() < seconds * 1000)
            return;
        timer->stop();
        timer->deleteLater();
        ok ? done() : late();
    });
    timer->start(0);
}

struct Options
{
    QString classLabel;
    QStringList pupils;
    int visits = 1;
    int items = 4;
    int answerMs = 100;
    int wrongEvery = 0;
    double waitDelivered = -1; // seconds; below 0: do not wait
};

class Computer : public QObject
{
public:
    Computer(Results *results, Options options) : m_results(results), m_options(std::move(options)) {}

    void start()
    {
        m_results->setClassLabel(m_options.classLabel);
        if (m_options.pupils.isEmpty())
            return nextVisit();
        pollUntil(this, 30, [this] { return findPupils().isEmpty(); }, [this] { nextVisit(); }, [this] {
            say(QStringLiteral("missing %1").arg(findPupils().join(QLatin1Char(','))));
            QCoreApplication::exit(3);
        });
    }

private:
    // The pupils named that the class lists on this computer do not have yet (and the ids
    // of those they have).
    QStringList findPupils()
    {
        QStringList missing;
        const QList<PupilRoster::Entry> listed = m_results->pupilsOf(m_options.classLabel);
        m_ids.clear();
        for (const QString &name : std::as_const(m_options.pupils)) {
            const auto found = std::find_if(listed.cbegin(), listed.cend(), [&](const auto &e) { return e.name == name; });
            if (found == listed.cend())
                missing << name;
            else
                m_ids << found->id;
        }
        return missing;
    }

    void nextVisit()
    {
        const int pupils = std::max<int>(1, m_options.pupils.size());
        if (m_visit == m_options.visits * pupils)
            return finish();
        if (!m_ids.isEmpty())
            m_results->signIn(m_ids.at(m_visit / m_options.visits));
        m_results->visitStarted(QStringLiteral("similes"), QStringLiteral("Similes"));
        m_item = 0;
        m_results->itemShown(0);
        QTimer::singleShot(m_options.answerMs, this, [this] { answer(); });
    }

    void answer()
    {
        ++m_answers;
        m_results->answered(m_options.wrongEvery <= 0 || m_answers % m_options.wrongEvery != 0);
        if (++m_item < m_options.items) {
            m_results->itemShown(m_item);
            QTimer::singleShot(m_options.answerMs, this, [this] { answer(); });
            return;
        }
        const qint64 ended = QDateTime::currentMSecsSinceEpoch();
        m_results->visitEnded();
        m_results->signIn(0);
        const QString who = m_ids.isEmpty() ? m_options.classLabel : m_options.pupils.at(m_visit / m_options.visits);
        say(QStringLiteral("ended %1 %2").arg(ended).arg(who));
        ++m_visit;
        QTimer::singleShot(0, this, [this] { nextVisit(); });
    }

    void finish()
    {
        if (m_options.waitDelivered < 0)
            return QCoreApplication::exit(0);
        pollUntil(
            this, m_options.waitDelivered, [this] { return m_results->unsentVisits(1).isEmpty(); },
            [] {
                say(QStringLiteral("delivered"));
                QCoreApplication::exit(0);
            },
            [this] {
                say(QStringLiteral("undelivered %1").arg(m_results->unsentVisits(100000).size()));
                QCoreApplication::exit(1);
            });
    }

    Results *m_results;
    Options m_options;
    QList<qint64> m_ids; // of the pupils named, in their order
    int m_visit = 0; // visits ended
    int m_item = 0;
    int m_answers = 0;
};

// Times each of the teacher window's reads `runs` times over the school's results, once
// they are the school's: one line per read, "time NAME median-ms M first-ms F rows N".
void timeQueries(Results *results, const QString &classLabel, int runs)
{
    const QDateTime now = QDateTime::currentDateTime();
    const Results::Filter week{classLabel, now.addDays(-7), {}, {}};
    const Results::Filter month{{}, now.addDays(-30), {}, {}};
    const Results::Filter wholeClass{classLabel, {}, {}, {}};
    QString lessonError;
    const std::pair<const char *, std::function<qsizetype()>> reads[] = {
        {"visits-class-7d", [&] { return results->visits(week).size(); }},
        {"summary-class-7d", [&] { return results->summary(week).size(); }},
        {"summary-school-30d", [&] { return results->summary(month).size(); }},
        {"pupil-summary-class", [&] { return results->pupilSummary(wholeClass).size(); }},
        {"class-labels", [&] { return results->classLabels().size(); }},
        {"lesson", [&] { return results->lesson(&lessonError).size(); }},
    };
    for (const auto &[name, read] : reads) {
        QList<double> ms;
        qsizetype rows = 0;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            rows = read();
            ms << clock.nsecsElapsed() / 1e6;
        }
        const double first = ms.first();
        std::sort(ms.begin(), ms.end());
        say(QStringLiteral("time %1 median-ms %2 first-ms %3 rows %4")
                .arg(QLatin1String(name)).arg(ms.at(ms.size() / 2), 0, 'f', 1).arg(first, 0, 'f', 1).arg(rows));
    }
    if (!lessonError.isEmpty())
        say(QStringLiteral("lesson-error %1").arg(lessonError));
    if (!results->problem().isEmpty())
        say(QStringLiteral("problem %1").arg(results->problem()));
    QCoreApplication::exit(lessonError.isEmpty() ? 0 : 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const auto option = [&parser](const char *name, const char *about, const char *value = "", const char *fallback = "") {
        parser.addOption({QString::fromLatin1(name), QString::fromLatin1(about), QString::fromLatin1(value),
                          QString::fromLatin1(fallback)});
        return QString::fromLatin1(name);
    };
    const QString module = option("module", "The results module to load.", "file", QUORVALE_RESULTS_MODULE);
    const QString file = option("results", "The results file this computer keeps.", "file");
    const QString service = option("service", "The school database's connection service.", "name");
    const QString classOption = option("class", "The class label.", "label");
    const QString pupils = option("pupils", "Pupils to sign in as in turn, comma-separated.", "names");
    const QString visits = option("visits", "Visits per pupil.", "n", "1");
    const QString items = option("items", "Items per visit.", "k", "4");
    const QString answerMs = option("answer-ms", "Milliseconds between answers.", "ms", "100");
    const QString wrongEvery = option("wrong-every", "Every W-th answer is wrong (0: none).", "w", "0");
    const QString wait = option("wait-delivered", "Seconds to wait for every visit to be sent.", "seconds", "-1");
    const QString timing = option("time-queries", "Time the teacher window's reads instead.");
    const QString runs = option("runs", "Runs of each read timed.", "n", "7");
    parser.process(app);

    bool bad = !parser.isSet(file);
    const auto number = [&](const QString &name, int least) {
        bool ok = false;
        const int n = parser.value(name).toInt(&ok);
        bad = bad || !ok || n < least;
        return n;
    };
    Options options;
    options.classLabel = parser.value(classOption).trimmed();
    for (const QString &name : parser.value(pupils).split(QLatin1Char(',')))
        if (!name.trimmed().isEmpty())
            options.pupils << name.trimmed();
    options.visits = number(visits, 0);
    options.items = number(items, 1);
    options.answerMs = number(answerMs, 0);
    options.wrongEvery = number(wrongEvery, 0);
    bool seconds = false;
    options.waitDelivered = parser.value(wait).toDouble(&seconds);
    bad = bad || !seconds;
    const int timedRuns = number(runs, 1);
    if (bad || (!options.pupils.isEmpty() && options.classLabel.isEmpty())) {
        std::fputs("schoolcomputer: give --results FILE, whole numbers not below 0 (--items and --runs at least 1), "
                   "and --class with --pupils\n", stderr);
        return 2;
    }

    QPluginLoader loader(parser.value(module));
    auto *plugin = qobject_cast<ResultsPlugin *>(loader.instance());
    if (!plugin) {
        std::fprintf(stderr, "schoolcomputer: %s is not a results module of this build: %s\n",
                     qPrintable(loader.fileName()), qPrintable(loader.errorString()));
        return 2;
    }
    std::unique_ptr<Results> results(plugin->create(parser.value(file), parser.value(service)));

    // SIGTERM (and Ctrl-C) end the event loop; the results object then goes as in the
    // program, ending the visit under way.
    if (::pipe(termPipe) != 0)
        return 2;
    QSocketNotifier term(termPipe[0], QSocketNotifier::Read);
    QObject::connect(&term, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
    struct sigaction action = {};
    action.sa_handler = onTerm;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    std::unique_ptr<Computer> computer;
    if (parser.isSet(timing)) {
        pollUntil(&app, 30, [&] { return results->showsSchool(); }, [&] { timeQueries(results.get(), options.classLabel, timedRuns); },
                  [&] {
                      say(QStringLiteral("not-school %1").arg(results->problem()));
                      QCoreApplication::exit(3);
                  });
    } else {
        computer = std::make_unique<Computer>(results.get(), options);
        QTimer::singleShot(0, computer.get(), [&] { computer->start(); });
    }
    const int status = app.exec();
    computer.reset();
    results.reset();
    if (outputFailed)
        std::fputs("schoolcomputer: standard output could not be written\n", stderr);
    return outputFailed ? 4 : status;
}
