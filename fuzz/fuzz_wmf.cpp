// libFuzzer entry point for the metafile reader: every input is loaded, and every input
// that loads is drawn, so both the parser and the painter see hostile data.

#include "wmfreader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Fontconfig keeps caches it never frees; those are not the reader's leaks.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    // Text needs the font database, which needs a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char *args[] = {(*argv)[0], nullptr};
    static QGuiApplication app(argc, args);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    WmfPicture picture;
    if (picture.load(bytes)) {
        const QImage image = picture.toImage(QSize(64, 64));
        if (image.size() != QSize(64, 64))
            std::abort(); // a loaded picture must always render
    }
    return 0;
}
