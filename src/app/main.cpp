#include "fonts.h"
#include "program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvale"));
    registerEmbeddedFonts();

    Program program;
    program.forms().onEnd = [] { QCoreApplication::exit(0); };
    program.show();
    return program.forms().hasEnded() ? 0 : app.exec();
}
