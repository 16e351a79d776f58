// Process start: the single-instance guard, the hidden main window and the
// message loop on which everything else happens.
#pragma once

#include "platform/Platform.h"

constexpr const char16_t* kInstanceMutexName = u"KorvantaMutex";

void RegisterMainWindowClass(win::HINSTANCE hInstance);
// The body of the program's entry point; returns the process exit code.
int RunKorvanta(win::HINSTANCE hInstance);
