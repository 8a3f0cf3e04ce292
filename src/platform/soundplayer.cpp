#include "soundplayer.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

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
        if (m_silent.contains(key))
            return;
        const QString path = m_assets.resolve(relativePath);
        QFile file(path);
        constexpr qint64 MaxBytes = 16 * 1024 * 1024; // a cue is a second or two
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxBytes
            || !isCompleteWave(file.readAll())) {
            m_silent.insert(key); // a missing or broken file is silent
            return;
        }
        effect = new QSoundEffect(this);
        effect->setSource(path.startsWith(QLatin1Char(':'))
                              ? QUrl(QLatin1String("qrc") + path)
                              : QUrl::fromLocalFile(path));
        m_effects.insert(key, effect);
    }
    // A file that failed to decode stays in Error and plays nothing; play() is harmless.
    effect->play();
}

bool SoundPlayer::isCompleteWave(const QByteArray &data)
{
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return false;
    qsizetype at = 12;
    bool format = false;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(data.constData() + at + 4);
        at += 8;
        if (qint64(size) > qint64(data.size() - at))
            return false; // the chunk runs past the end of the file
        if (id == "fmt ")
            format = size >= 16;
        else if (id == "data")
            return format && size > 0;
        at += qsizetype(size) + (size & 1); // chunks are padded to an even length
    }
    return false;
}
