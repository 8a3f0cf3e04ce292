#include "worksheetcommand.h"

#include "assetresolver.h"
#include "contentfile.h"
#include "fonts.h"
#include "worksheet.h"
#include "worksheetpdf.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

namespace {

int badInput(const QString &message)
{
    QTextStream(stderr) << message << '\n' << "usage: " << worksheetUsage() << Qt::endl;
    return 2;
}

} // namespace

QString worksheetUsage()
{
    return QStringLiteral("quorvale-content worksheet ACTIVITY [--items N] [--seed S] [--answers] [--paper a4|letter] -o FILE.pdf");
}

int worksheetCommand(const QStringList &args)
{
    QString activity, output;
    QString items; // as given; checked against the bank once it is read
    quint32 seed = 1;
    bool answers = false;
    Paper paper = Paper::A4;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--items")) {
            items = hasValue ? args[++i] : QStringLiteral("nothing");
        } else if (arg == QLatin1String("--seed")) {
            bool ok = false;
            const qint64 value = hasValue ? args[++i].toLongLong(&ok) : -1;
            if (!ok || value < 0 || value > 0xffffffffLL)
                return badInput(QStringLiteral("--seed takes a whole number from 0 to 4294967295."));
            seed = quint32(value);
        } else if (arg == QLatin1String("--answers")) {
            answers = true;
        } else if (arg == QLatin1String("--paper") && hasValue) {
            const QString value = args[++i].toLower();
            if (value != QLatin1String("a4") && value != QLatin1String("letter"))
                return badInput(QStringLiteral("--paper is a4 or letter, not \"%1\".").arg(args[i]));
            paper = value == QLatin1String("letter") ? Paper::Letter : Paper::A4;
        } else if (arg == QLatin1String("-o") && hasValue) {
            output = args[++i];
        } else if (!arg.startsWith(QLatin1Char('-')) && activity.isEmpty()) {
            activity = arg;
        } else {
            return badInput(QStringLiteral("\"%1\" is not understood here.").arg(arg));
        }
    }
    if (activity.isEmpty())
        return badInput(QStringLiteral("Name the activity."));
    if (output.isEmpty())
        return badInput(QStringLiteral("Name the file to write with -o FILE.pdf."));

    QString error;
    if (!worksheetActivities().contains(activity)) {
        return badInput(QStringLiteral("There is no activity called \"%1\". The activities are: %2")
                            .arg(activity, worksheetActivities().join(QStringLiteral(", "))));
    }
    const std::optional<ContentDocument> bank = worksheetBank(AssetResolver(), activity, &error);
    if (!bank)
        return badInput(error);
    // 0 would mean every item to the library, but here every item is --items left out, so
    // the range told is exactly the range taken.
    const qint64 size = bank->records.size();
    int count = 0;
    if (!items.isNull()) {
        bool ok = false;
        const qint64 value = items.toLongLong(&ok);
        if (!ok || value < 1 || value > size) {
            return badInput(QStringLiteral("--items takes a whole number from 1 to %1 (the bank of \"%2\" holds %1 items), "
                                           "not \"%3\"; leave it out for every item.")
                                .arg(size).arg(activity, items));
        }
        count = int(value);
    }
    const std::optional<Worksheet> sheet = buildWorksheet(*bank, count, seed, &error);
    if (!sheet)
        return badInput(error);
    int pages = 0;
    if (!writeWorksheetPdf(*sheet, answers, paper, output, &error, &pages)) {
        QTextStream(stderr) << error << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "Wrote " << QDir::toNativeSeparators(QFileInfo(output).absoluteFilePath()) << " ("
                        << sheet->items.size() << " items from " << QDir::toNativeSeparators(sheet->bankPath) << ", "
                        << pages << (pages == 1 ? " page" : " pages") << ")" << Qt::endl;
    return 0;
}

int worksheetMain(int argc, char *argv[])
{
    // A command needs no display: fonts and PDF output work the same offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The program's own name, so that the user's folder is the one the program reads.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    registerEmbeddedFonts();
    return worksheetCommand(app.arguments().mid(2));
}
