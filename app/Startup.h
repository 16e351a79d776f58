// Process start: the single-instance guard, the hidden main window and the
// message loop on which everything else happens.
#pragma once

#include "platform/Platform.h"

constexpr const char16_t* kInstanceMutexName = u"KorvantaMutex";

void RegisterMainWindowClass(win::HINSTANCE hInstance);
// Loads the window's title and class name, registers the class and creates
// the hidden main window, whose creation handler builds every record.
win::HWND CreateMainWindow(win::HINSTANCE hInstance);
// A second copy changes nothing: it asks the running one to show where it is
// and leaves.
void AskRunningCopyToShowItself(win::HINSTANCE hInstance);
// The body of the program's entry point; returns the process exit code.
int RunKorvanta(win::HINSTANCE hInstance);
// Until the quit message: every message, and the settings folder's changes,
// with no wake-up while nothing happens.
int RunMessageLoop(win::HWND hwnd, win::HACCEL accelerators);
