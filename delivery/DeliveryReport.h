// What one press did on its way out: filled by the delivery functions only
// when the caller passes one, so that a press nobody watches costs nothing.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

enum DeliveryRoute : std::uint8_t {
    kRouteNone = 0,      // nothing went; `reason` says why
    kRouteKeystrokes,    // synthesised keystrokes to the keyboard focus
    kRouteKeyHook,       // "TVTest KeyHook" posted to a viewer
    kRouteDirectionKey,  // a direction key posted with its modifiers held
    kRouteBringToFront,  // a viewer brought to the front
    kRouteRun,           // a program started
};

enum NothingReason : std::uint8_t {
    kReasonNone = 0,
    kReasonNoAction,        // the button has an empty chord
    kReasonNoViewer,        // no viewer window found
    kReasonMagicTvInFront,  // mAgicTV in front stops delivery
    kReasonIgnoreFlag,      // a plain direction key while they are ignored
    kReasonRefused,         // the platform refused the post or input; see `error`
    kReasonRunTooSoon,      // the same program was started a moment ago
    kReasonRunFailed,       // the program could not be started; see `error`
    kReasonLearning,        // the settings window is open and learns the button
};

struct CommandLine;

struct DeliveryReport {
    std::int32_t mode;          // the delivery mode in force
    std::uint8_t lockedOn;      // went to the lock-on target
    std::uint8_t lockLost;      // the lock-on target had gone; went by the mode
    std::uint8_t directionKey;  // Enter or an arrow
    std::uint8_t route;         // a DeliveryRoute
    std::uint8_t reason;        // a NothingReason
    win::HWND target;           // where it went, or where it was refused
    win::DWORD error;           // the platform's error code when refused
    const CommandLine* program; // the program started, or not started
    win::DWORD processId;       // of the program started
};

// The outcome of one post or input batch.
struct SendResult {
    bool sent;
    win::DWORD error;  // the platform's error code when not sent
};
