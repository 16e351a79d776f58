// A report of another remote on its way to actions: read only when a map
// names its device, or while the settings window learns, which then takes
// each press to pick its row (a hold, its long press). Otherwise each
// button pressed acts once through the map that has a line for it, and a
// button with a long action waits, with its own timer, to be told a tap
// from a hold.
#pragma once

#include <cstdint>

#include "delivery/ButtonMapChoice.h"
#include "platform/Platform.h"
#include "remote/OtherRemote.h"

struct KorvantaRecords;

// The other hold timer's id on the main window: it runs only while a button
// of another remote with a long action (or any the settings window learns)
// is held.
constexpr win::UINT_PTR kOtherHoldTimer = 2;

// A button of another remote held that has a long action.
struct OtherHold {
    bool on;
    bool longDone;  // its long action has gone: its release gives nothing
    bool learns;    // the settings window learns it: only its row is picked
    win::HANDLE device;
    win::DWORD since;  // the tick count of its press
    OtherButton button;
    OtherButtonChoice map;  // points into the maps: chosen again when they are read again
};

// WM_INPUT from a device that is not the receiver.
void OnOtherRemoteInput(KorvantaRecords& records, win::LPARAM lParam, const OtherDeviceId& device);
// WM_TIMER of kOtherHoldTimer.
void OnOtherHoldTimer(KorvantaRecords& records);
// The maps were read again: a hold in progress chooses its map anew from them.
void ChooseOtherHeldMapAgain(KorvantaRecords& records);
