#pragma once

class Screen;

// Adds the controls every activity screen has, as designed before its Form_Load runs:
// the Next, answer, Check and Exit buttons, the board picture, the hidden tick and cross
// marks, and the four timers (Timer1, Timer2, tmrtick, tmrcross) disabled; and the keys N
// and Escape, which press Next and Exit while they are shown; and read-aloud (the speaker
// button and the keys R and Shift+R, see readaloud.h). Engines add their own labels and
// wire the handlers.
void addActivityFrameControls(Screen &form);
