// quorvale-shots: opens activities as the program does, in the program's main window at
// a chosen size on the current Qt platform (offscreen works), deals a chosen record (by
// default the one with the most text), and saves a PNG of the window before the pupil does
// anything and after each step of the activity's plan.
//
//   quorvale-shots [--size 1280x1024]... [--out DIR] [--record N|longest] [--step NAME]...
//                  [--stay] [--list] [ACTIVITY...]
//
// Pictures are named ACTIVITY-WxH-rRECORD-N-STEP.png (N counts the pictures, 0 is
// "dealt"). Without activities, every activity the tool has a plan for.

#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"
#include "shotplan.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPixmap>
#include <QTextStream>

#include <memory>

namespace {

const QString Dealt = QStringLiteral("dealt");

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// The record with the most text on screen at any of its pictures.
int longestRecord(const ShotPlan &plan)
{
    int best = 0;
    int bestLength = -1;
    for (int record = 0; record < plan.records; ++record) {
        ShotProgram program;
        Form *form = plan.open(program, record);
        if (!form)
            return 0;
        int length = shownTextLength(*form);
        for (const ShotStep &step : plan.steps) {
            if (step.act(*form))
                length = std::max(length, shownTextLength(*form));
        }
        if (length > bestLength) {
            best = record;
            bestLength = length;
        }
    }
    return best;
}

struct Run
{
    QList<QSize> sizes;
    QDir out;
    QString record;
    QStringList steps; // empty: all
};

bool wanted(const Run &run, const QString &step)
{
    return run.steps.isEmpty() || run.steps.contains(step);
}

// Takes the pictures of one plan at one size. Returns the window when it is to stay open.
std::unique_ptr<MainWindow> shoot(const ShotPlan &plan, int record, const QSize &size, const Run &run,
                                  ShotProgram &program, bool stay)
{
    auto window = std::make_unique<MainWindow>(program.forms);
    Form *form = plan.open(program, record);
    if (!form) {
        err() << "cannot open " << plan.activity << "\n";
        return nullptr;
    }
    window->resize(size);
    window->view().refresh();
    window->show();
    QCoreApplication::processEvents();
    if (window->size() != size)
        err() << plan.activity << ": the window is " << window->width() << "x" << window->height() << ", not the size asked for\n";

    int count = 0;
    auto picture = [&](const QString &step) {
        const QString name = QStringLiteral("%1-%2x%3-r%4-%5-%6.png")
                                 .arg(plan.activity)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(record, 2, 10, QLatin1Char('0'))
                                 .arg(count++)
                                 .arg(step);
        if (!wanted(run, step))
            return;
        const QString path = run.out.filePath(name);
        if (window->grab().save(path))
            QTextStream(stdout) << path << "\n";
        else
            err() << "cannot write " << path << "\n";
    };
    picture(Dealt);
    for (const ShotStep &step : plan.steps) {
        if (!step.act(*form))
            continue;
        program.forms.reap();
        window->view().refresh();
        picture(step.name);
    }
    if (stay)
        return window;
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvale-shots"));
    registerEmbeddedFonts();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pictures of activity screens before and after each step."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Window size (repeatable)."),
                                        QStringLiteral("WxH"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder for the pictures."),
                                       QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption recordOption(QStringLiteral("record"),
                                          QStringLiteral("Record to deal: a number, or \"longest\"."),
                                          QStringLiteral("N"), QStringLiteral("longest"));
    const QCommandLineOption stepOption(QStringLiteral("step"),
                                        QStringLiteral("Save only these pictures (\"dealt\" or a step name; repeatable)."),
                                        QStringLiteral("name"));
    const QCommandLineOption stayOption(QStringLiteral("stay"),
                                        QStringLiteral("Keep the (one) window open afterwards, running as usual."));
    const QCommandLineOption listOption(QStringLiteral("list"), QStringLiteral("List the activities, their records and steps."));
    parser.addOptions({sizeOption, outOption, recordOption, stepOption, stayOption, listOption});
    parser.addPositionalArgument(QStringLiteral("activity"), QStringLiteral("Activity form names (default: all)."));
    parser.process(app);

    const QList<ShotPlan> plans = allPlans();
    if (parser.isSet(listOption)) {
        QTextStream out(stdout);
        for (const ShotPlan &plan : plans) {
            QStringList steps{Dealt};
            for (const ShotStep &step : plan.steps)
                steps << step.name;
            out << plan.activity << " records=" << plan.records << " steps=" << steps.join(QLatin1Char(',')) << "\n";
        }
        return 0;
    }

    Run run;
    for (const QString &text : parser.values(sizeOption)) {
        const QStringList parts = text.split(QLatin1Char('x'));
        const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
        if (size.width() < 400 || size.height() < 300) {
            err() << "a size is WIDTHxHEIGHT, at least 400x300: " << text << "\n";
            return 2;
        }
        run.sizes << size;
    }
    if (run.sizes.isEmpty())
        run.sizes << QSize(1280, 1024);
    run.out = QDir(parser.value(outOption));
    if (!run.out.mkpath(QStringLiteral("."))) {
        err() << "cannot make " << run.out.path() << "\n";
        return 2;
    }
    run.record = parser.value(recordOption);
    run.steps = parser.values(stepOption);

    QList<const ShotPlan *> chosen;
    const QStringList ids = parser.positionalArguments();
    for (const ShotPlan &plan : plans) {
        if (ids.isEmpty() || ids.contains(plan.activity))
            chosen << &plan;
    }
    for (const QString &id : ids) {
        if (std::none_of(plans.begin(), plans.end(), [&](const ShotPlan &plan) { return plan.activity == id; })) {
            err() << "no plan for activity " << id << " (see --list)\n";
            return 2;
        }
    }
    const bool stay = parser.isSet(stayOption);
    if (stay && (chosen.size() != 1 || run.sizes.size() != 1)) {
        err() << "--stay needs one activity and one size\n";
        return 2;
    }

    for (const ShotPlan *plan : chosen) {
        int record = 0;
        if (run.record == QLatin1String("longest")) {
            record = longestRecord(*plan);
        } else {
            bool number = false;
            record = run.record.toInt(&number);
            if (!number || record < 0 || record >= plan->records) {
                err() << plan->activity << " has records 0 to " << plan->records - 1 << "\n";
                return 2;
            }
        }
        for (const QSize &size : run.sizes) {
            ShotProgram program;
            std::unique_ptr<MainWindow> window = shoot(*plan, record, size, run, program, stay);
            if (window)
                return app.exec();
        }
    }
    return 0;
}
