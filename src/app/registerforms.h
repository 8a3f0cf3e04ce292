#pragma once

struct AppContext;

// Registers every form of the program with the context's registry: the shell's screens
// and each engine's activities. The one place that knows them all.
void registerForms(AppContext &context);
