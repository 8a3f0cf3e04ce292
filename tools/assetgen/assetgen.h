#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

// The blue of the program's screens, used where a picture must blend into them.
inline const QColor kScreenBlue(49, 135, 215);
// The board's writing surface, which is also the background of the tick and cross that
// are shown over it: the two must match exactly.
inline const QColor kBoardSurface(255, 255, 255);

enum class ButtonIcon { Back, Forward, Bulb, Tick };

// Pictures, drawn at twice the size they have on an 800 x 600 screen.
QImage buttonFace(const QString &label, ButtonIcon icon, const QColor &colour);
QImage tickMark();
QImage crossMark();
QImage homeBackground();
QImage menuBackground();
QImage makerLogo();
QImage titlePicture();

// The board picture as a placeable metafile, in twips.
QByteArray boardMetafile();

// Sounds, as samples in [-1, 1] at kSampleRate, before the trailing silence.
constexpr int kSampleRate = 44100;
std::vector<float> clickSound();
std::vector<float> cashSound();
std::vector<float> boinkSound();
std::vector<float> thudSound();
std::vector<float> beepSound();
// A 16-bit mono PCM wave file, with a quarter second of silence added at the end.
QByteArray waveFile(const std::vector<float> &samples);
