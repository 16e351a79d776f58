// The on-screen line: what a press did, shown for a moment near the bottom
// of the monitor in front, over a full-screen viewer too. Its window is made
// the first time a line shows, so a run that never shows one never has it;
// it never takes the focus, the foreground nor a click, and no viewer
// search can take it for a viewer (its class is its own).
#pragma once

#include <cstddef>

#include "app/PressNotice.h"
#include "platform/Platform.h"

constexpr const char16_t* kOnScreenLineClass = u"KorvantaOnScreenLine";
// How long a line stays; a new one replaces its text and starts the time again.
constexpr win::UINT kOnScreenLineTime = 1500;  // milliseconds
// The one timer of the line's window, running only while it shows; its id
// is not the hold timer's, so a WM_TIMER's id alone says whose it is.
constexpr win::UINT_PTR kOnScreenLineTimer = 2;

struct OnScreenLine {
    win::HWND window;   // null until the first line shows
    win::HFONT font;    // sized for the monitor it last showed on
    int fontHeight;     // of `font`, in pixels
    int width;          // of the window, as last placed
    int height;
    bool shown;
    char16_t text[kPressNoticeCapacity];
    int length;
};

// The press's line, when `show` says it shows.
void ShowPressOnScreen(OnScreenLine& line, win::HINSTANCE instance, OsdShow show, const PressEvent& event);
// Shows `text` on the monitor of `near` (null: of the window in front),
// making the window first if need be; nothing on failure.
void ShowOnScreenLine(OnScreenLine& line, win::HINSTANCE instance, const char16_t* text, std::size_t length,
                      win::HWND near = nullptr);
// At the teardown: the window and its font go.
void DestroyOnScreenLine(OnScreenLine& line);

win::LRESULT OnScreenLineProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
