// Writes every picture and sound the program shows or plays into one folder:
//
//   quorvale-assetgen OUTPUT_DIR [--preview PREVIEW_DIR]
//
// The results are committed under assets/; run this only to change them. Pictures are
// drawn at twice their size on an 800 x 600 screen and saved at 192 dots per inch, so
// their natural size in twips is the size they are shown at.

#include "assetgen.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <functional>

namespace {

constexpr int kDotsPerMetre = 7559; // 192 dots per inch

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeJpeg(const QString &path, QImage image, const QString &previewDir)
{
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    if (!image.save(path, "JPG", 92)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    if (!previewDir.isEmpty())
        image.save(QDir(previewDir).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".png")));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts need it
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Generates the program's pictures and sounds."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("Folder to write into."));
    const QCommandLineOption preview(QStringLiteral("preview"),
                                     QStringLiteral("Also write PNG copies of the pictures here."),
                                     QStringLiteral("folder"));
    parser.addOption(preview);
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    const QDir out(parser.positionalArguments().constFirst());
    const QString previewDir = parser.value(preview);
    for (const char *sub : {"Images", "opening3", "wav"})
        out.mkpath(QString::fromLatin1(sub));
    if (!previewDir.isEmpty())
        QDir().mkpath(previewDir);
    auto at = [&](const char *relative) { return out.filePath(QString::fromLatin1(relative)); };

    struct Picture { const char *path; std::function<QImage()> draw; };
    const Picture pictures[] = {
        {"Images/exit.jpg", [] { return buttonFace(QStringLiteral("Exit"), ButtonIcon::Back, QColor(208, 58, 52)); }},
        {"Images/next.jpg", [] { return buttonFace(QStringLiteral("Next"), ButtonIcon::Forward, QColor(44, 156, 70)); }},
        {"Images/answer.jpg", [] { return buttonFace(QStringLiteral("Answer"), ButtonIcon::Bulb, QColor(236, 128, 28)); }},
        {"Images/check.jpg", [] { return buttonFace(QStringLiteral("Check"), ButtonIcon::Tick, QColor(34, 78, 182)); }},
        {"Images/tick.jpg", tickMark},
        {"Images/cross.jpg", crossMark},
        {"Images/quorva32.jpg", homeBackground},
        {"Images/quorva3.jpg", menuBackground},
        {"Images/logo2.jpg", makerLogo},
        {"opening3/startl00.jpg", titlePicture},
    };
    bool ok = true;
    for (const Picture &picture : pictures)
        ok = writeJpeg(at(picture.path), picture.draw(), previewDir) && ok;

    ok = writeFile(at("Images/board.wmf"), boardMetafile()) && ok;

    struct Sound { const char *path; std::function<std::vector<float>()> make; };
    const Sound sounds[] = {
        {"wav/click.wav", clickSound}, {"wav/cash.wav", cashSound}, {"wav/boink.wav", boinkSound},
        {"wav/thud3.wav", thudSound},  {"wav/beep.wav", beepSound},
    };
    for (const Sound &sound : sounds)
        ok = writeFile(at(sound.path), waveFile(sound.make())) && ok;

    return ok ? 0 : 1;
}
