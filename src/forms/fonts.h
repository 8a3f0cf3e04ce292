#pragma once

#include <QFont>

struct FontSpec;

// Twips per point: text is laid out in twips, so a 12 pt font is 240 twips high.
constexpr double TwipsPerPoint = 20.0;

// The QFont that draws and measures fontSpec in twip units (one font pixel = one twip).
// Hinting is off, so the layout scales linearly to any window size.
QFont referenceFont(const FontSpec &fontSpec);

// Registers the fonts embedded in the program (Tahoma, Times New Roman and Arial
// metric-compatible faces) and maps the screens' family names onto them. Call once
// after the QGuiApplication exists.
void registerEmbeddedFonts();
