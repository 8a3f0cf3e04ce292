#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

class Control;
class Form;
class Screen;

// Reading a screen aloud for a pupil who asks. What is read is worked out from the model
// alone (the texts as the screen shows them, in reading order), so it is the same whatever
// speaks it; addReadAloud() gives an activity screen the ways to ask.
namespace ReadAloud {

// The speaker button of every activity screen: in the free space under the board picture,
// the same place on every screen.
inline const QString ButtonName = QStringLiteral("cmdspeak");
inline const QRectF ButtonPlace(11235, 1665, 570, 570);
// How long the speaker button is held to turn speaker mode on or off.
constexpr int LongPressMs = 600;

// A control's text as it is read: empty for a control that is not shown or shows no text;
// otherwise its caption with layout padding and line breaks gone, runs of spaces as one,
// and a gap ("____") read as "blank".
QString textOf(const Control &control);

// Every text the screen shows, in reading order (top line first, left to right along each
// line). The coloured parts of one sentence, and the words of a sentence set as separate
// labels, come as one text; a text shown twice in the same place (a copy under a word)
// comes once.
QStringList screenTexts(const Form &form);

// The texts as one passage to say: each one ends in a stop, so the voice pauses between
// an instruction, a prompt and each option.
QString passage(const QStringList &texts);

// The shown control with text that lies on top at a point (twips on the form), or nullptr.
const Control *textControlAt(const Form &form, QPointF point);

} // namespace ReadAloud

// Gives an activity screen read-aloud: the speaker button (hidden until the screen shows
// and read-aloud can be heard), R to read the screen and Shift+R the focused control, a
// right-click on a text to read it, and speaker mode (a long press or a right-click on the
// speaker button), in which clicking a text reads it instead of acting on it. Next and
// leaving the screen stop the voice, and nothing is said while the sound is off. The
// speech service is asked for only as the screen shows.
void addReadAloud(Screen &form);
