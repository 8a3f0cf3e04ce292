#include "urlopener.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopUrlOpener::open(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    // Only web addresses: the program never hands anything else to the desktop.
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return false;
    return QDesktopServices::openUrl(url);
}
