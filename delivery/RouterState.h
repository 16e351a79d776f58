// The one record the delivery functions share.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

enum DeliveryMode : std::int32_t {
    kModeHdusEmulation = 0,     // synthesised keystrokes to the focused window
    kModeDirect = 1,            // message to the first viewer in the z-order
    kModeDirectForeground = 2,  // message to the foreground viewer only
};

struct RouterState {
    std::int32_t mode;          // a DeliveryMode
    std::int32_t ignoreCursor;  // any non-zero value drops plain direction keys
    win::UINT keyHookMessage;   // "TVTest KeyHook", registered once
    win::HWND lockedTarget;     // lock-on target, null when not locked on
};
