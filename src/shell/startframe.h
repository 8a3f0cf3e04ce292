#pragma once

#include "screen.h"

// The screen the program opens on until the title screen exists: an empty activity
// frame with its board and buttons. Next plays the click; Exit ends the program.
class StartFrame : public Screen
{
public:
    static constexpr const char *Name = "frame";
    explicit StartFrame(AppContext &context);
    void Form_Load() override;
};

// Registers the shell's own forms (the sound host and the opening screen).
void registerShellForms(AppContext &context);
