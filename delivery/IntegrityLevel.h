// Whether keys typed into the program in front would reach it. Windows drops
// synthesised input bound for a process of a higher integrity level than the
// sender's (a program run as administrator while Korvanta is not), and
// SendInput still says the keys went; so the level is asked first, once for
// each window that comes to the front.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

enum IntegrityReading : std::uint8_t {
    kIntegrityUnknown,  // the process has ended, or its token could not be read
    kIntegrityRead,     // `rid` holds the level
    kIntegrityRefused,  // the question itself was refused for want of rights
};

struct IntegrityLevel {
    IntegrityReading reading;
    win::DWORD rid;  // the label's last sub-authority: 0x2000 medium, 0x3000 high
};

// What the router keeps of the last check, so that a press into the same
// window costs nothing more.
struct FrontProgramCheck {
    win::HWND window;     // in front at the last check
    bool keysDropped;     // its verdict
    bool ownLevelRead;    // `ownLevel` is Korvanta's own, read at the first check
    IntegrityLevel ownLevel;
    win::UINT probeMessage;  // kRightsProbeMessageName's number, registered with the router
};

// Posted to a window only to learn whether Windows lets it through; no
// program acts on it, and the window's default handling does nothing.
constexpr const char16_t* kRightsProbeMessageName = u"Korvanta.RightsProbe";

// The decision, from two levels read. A level that cannot be read (the
// process has just ended) leaves the keys to go as they always went.
bool KeysWouldBeDropped(IntegrityLevel target, IntegrityLevel own);

// The level of the process that owns `window`, and Korvanta's own.
IntegrityLevel IntegrityLevelOfWindow(win::HWND window);
IntegrityLevel OwnIntegrityLevel();

// The verdict for the window in front, asked only when that window differs
// from the one last checked. A process that refuses to be asked at all
// (another user's, a protected one, or one run as administrator) may run at
// any level: Windows' own verdict is asked then, a message of Korvanta's own
// posted to the window, which the same rule refuses with ERROR_ACCESS_DENIED
// only where that window's process has the higher level.
bool KeysDroppedInFront(FrontProgramCheck& check, win::HWND front);
