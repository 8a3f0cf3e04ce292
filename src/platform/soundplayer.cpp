#include "soundplayer.h"

#include <QSoundEffect>
#include <QUrl>

SoundPlayer::SoundPlayer(const AssetResolver &assets, QObject *parent)
    : QObject(parent)
    , m_assets(assets)
{
}

void SoundPlayer::play(const QString &relativePath)
{
    const QString key = relativePath.toLower().replace(QLatin1Char('\\'), QLatin1Char('/'));
    QSoundEffect *effect = m_effects.value(key);
    if (!effect) {
        const QString path = m_assets.resolve(relativePath);
        if (path.isEmpty())
            return; // a missing file is silent
        effect = new QSoundEffect(this);
        effect->setSource(path.startsWith(QLatin1Char(':'))
                              ? QUrl(QLatin1String("qrc") + path)
                              : QUrl::fromLocalFile(path));
        m_effects.insert(key, effect);
    }
    // A file that failed to decode stays in Error and plays nothing; play() is harmless.
    effect->play();
}
