// The delivery state: the user's choices, the viewer's message number and
// lock-on. app/ creates one at start and hands it to every delivery function;
// the menu shows it and holds none of it.
#pragma once

#include <cstdint>

#include "delivery/IntegrityLevel.h"
#include "platform/Platform.h"

enum DeliveryMode : std::int32_t {
    kModeHdusEmulation = 0,     // synthesised keystrokes to the focused window
    kModeDirect = 1,            // message to the first viewer in the z-order
    kModeDirectForeground = 2,  // message to the foreground viewer only
};

// Lock-on beyond its target: the capture in progress, and what the menu must
// show of it.
struct LockOnState {
    win::HHOOK hook;        // the low-level mouse hook, only while a click is awaited
    win::HWND hookOwner;    // the window the hook reports that click to
    win::HINSTANCE module;  // the module that holds the hook procedure
    // The menu shows a lock. This outlives a target that has gone, until the
    // next press, tray click or lock-on command notices, as the user saw it.
    bool checked;
    // The mode items and the direction flag are greyed while a lock shows. A
    // mode or flag set while locked (a command from elsewhere than the menu)
    // shows un-greyed again, as every setting of one shows its item afresh.
    bool modesGreyed;
    bool flagGreyed;
};

struct RouterState {
    std::int32_t mode;          // a DeliveryMode
    std::int32_t ignoreCursor;  // any non-zero value drops plain direction keys
    win::UINT keyHookMessage;   // "TVTest KeyHook", registered once
    win::HWND lockedTarget;     // lock-on target, null when not locked on
    LockOnState lockOn;
    // The window that refused the last chord for want of rights (a viewer's
    // post, or keys the program in front would drop); app/ tells the user
    // and clears it.
    win::HWND refusedBy;
    FrontProgramCheck front;  // the rights of the program keys were last typed into
};
