#pragma once

class Screen;

// The common frame every screen applies first in its Form_Load: size, colour, place on
// the screen, the button pictures and places, the board picture and the hidden tick and
// cross. A control the screen lacks, or a picture that cannot be read, is skipped and the
// later steps still run.
void SetupActivityScreen(Screen &form);
