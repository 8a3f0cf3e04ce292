#pragma once

#include "assetresolver.h"
#include "sounddevice.h"

#include <QHash>
#include <QObject>

class QSoundEffect;

// The program's sound device, on Qt Multimedia. Each distinct cue has its own effect, so
// two different cues in quick succession overlap and the same cue played again restarts.
class SoundPlayer : public QObject, public SoundDevice
{
    Q_OBJECT
public:
    explicit SoundPlayer(const AssetResolver &assets, QObject *parent = nullptr);
    void play(const QString &relativePath) override;

private:
    const AssetResolver &m_assets;
    QHash<QString, QSoundEffect *> m_effects;
};
