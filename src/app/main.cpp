#include "appcontext.h"
#include "assetresolver.h"
#include "contentkinds.h"
#include "fonts.h"
#include "formregistry.h"
#include "formview.h"
#include "mainwindow.h"
#include "randomsource.h"
#include "registerforms.h"
#include "shellforms.h"
#include "soundplayer.h"
#include "teachercontent.h"
#include "textmeasurer.h"
#include "urlopener.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvale"));
    registerEmbeddedFonts();

    const AssetResolver assets;
    const FontTextMeasurer measurer;
    SharedState state;
    FormRegistry forms(&measurer);
    SoundPlayer sound(assets);
    ClockRandomSource random;
    DesktopUrlOpener urls;
    AppContext context{state, forms, sound, random, urls, assets};
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // The screen in twips, as the frame's centring rules read it.
        const double twipsPerPixel = 1440.0 / screen->logicalDotsPerInch();
        context.screenTwips = QSizeF(screen->size()) * twipsPerPixel;
    }
    registerForms(context);
    const QList<ContentKind> contentKinds = allContentKinds();
    context.contentNotice = [&assets, &contentKinds] {
        return contentNotice(checkTeacherContent(assets, contentKinds));
    };

    MainWindow window(forms);
    forms.onEnd = [] { QCoreApplication::exit(0); };
    if (Form *first = forms.get(QString::fromLatin1(StartFormName)))
        first->Show();
    window.resize(MainWindow::preferredSize(
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableSize() : QSize()));
    window.view().refresh();
    window.show();
    return forms.hasEnded() ? 0 : app.exec();
}
