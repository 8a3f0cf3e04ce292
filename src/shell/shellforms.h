#pragma once

struct AppContext;

// Registers the shell's own forms: the sound host, the title screen, the sign-in screen,
// the home screen and the six term menus.
void registerShellForms(AppContext &context);

// The form the program opens on.
constexpr const char *StartFormName = "Titlefrm";
