#pragma once

#include "assetresolver.h"
#include "sounddevice.h"

#include <QHash>
#include <QObject>
#include <QSet>

class QSoundEffect;

// The program's sound device, on Qt Multimedia. Each distinct cue has its own effect, so
// two different cues in quick succession overlap and the same cue played again restarts.
class SoundPlayer : public QObject, public SoundDevice
{
    Q_OBJECT
public:
    explicit SoundPlayer(const AssetResolver &assets, QObject *parent = nullptr);
    void play(const QString &relativePath) override;

    // Whether data is a wave file that can be loaded to its end: RIFF and WAVE, a format
    // chunk, and a data chunk that is all there. Qt's loader waits for ever on a file that
    // is empty or cut short, and while it waits, deleting any sound effect blocks.
    static bool isCompleteWave(const QByteArray &data);

private:
    const AssetResolver &m_assets;
    QHash<QString, QSoundEffect *> m_effects;
    QSet<QString> m_silent; // cues whose file cannot be played
};
