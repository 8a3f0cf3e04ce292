#pragma once

#include "assetresolver.h"
#include "picture.h"
#include "sharedstate.h"

#include <QSizeF>

class FormRegistry;
class RandomSource;
class SoundDevice;
class UrlOpener;

// The services every screen reaches: the shared state, the forms, sound, randomness, the
// browser, the pictures, and the size of the screen in twips (injectable, so the frame's
// centring rules can be tried on any screen).
struct AppContext
{
    SharedState &state;
    FormRegistry &forms;
    SoundDevice &sound;
    RandomSource &random;
    UrlOpener &urls;
    const AssetResolver &assets;
    QSizeF screenTwips = QSizeF(12000, 9000);

    // The picture at a relative path ("Images\exit.jpg"); a null picture when it is
    // missing or unreadable.
    Picture loadPicture(const QString &relativePath) const
    {
        return Picture::fromFile(assets.resolve(relativePath));
    }
};
