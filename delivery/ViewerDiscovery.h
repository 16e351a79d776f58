// Finding viewer windows: the z-order search from the foreground window, the
// foreground-only test, the channel display for direction keys, the lock test
// and the class test of the bring-to-front cycle. Nothing is cached: every
// call reads the live window tree.
#pragma once

#include "delivery/RouterState.h"
#include "platform/Constants.h"
#include "platform/Platform.h"

// Window walks stop here at the latest: Windows documents that a GW_HWNDNEXT
// walk can loop for ever while windows are being re-ordered.
constexpr int kMaxWalkSteps = 65536;

win::HWND RootAncestor(win::HWND window);
win::HWND ForegroundRoot();

win::HWND FindViewerInZOrder();
win::HWND ForegroundViewer();
int IsMagicTvForeground();
// 1 when any top-level window of a viewer program is there, mAgicTV's, a
// hung one's or one below everything included.
int AnyViewerRuns();
win::HWND FindDirectionKeyTarget(win::HWND window);

// Sets the router's lockedTarget to the window's root when that is a lockable
// viewer, to null otherwise; returns 1 or 0 accordingly.
int TryLockTarget(RouterState& router, win::HWND window);
int LockedTargetValid(RouterState& router);

// Slot form: the accepted window (or null) goes into *slot; TRUE means go on.
win::BOOL ProbeViewer(win::HWND window, win::HWND* slot);
win::BOOL ProbeViewerForCycle(win::HWND window, win::HWND* slot);
// Window-enumeration callbacks; `slot` is the address of a window handle.
win::BOOL MatchFullscreen(win::HWND window, win::LPARAM slot);
win::BOOL MatchChannelDisplay(win::HWND window, win::LPARAM slot);

// Calls visit(window) for `start` and each window below it in the z-order,
// until visit returns false, the bottom is reached, the walk comes back to
// `start`, or kMaxWalkSteps windows have been visited.
template <typename Visit>
void WalkZOrder(win::HWND start, Visit visit) {
    win::HWND window = start;
    for (int steps = 0; steps < kMaxWalkSteps; ++steps) {
        if (!visit(window)) return;
        window = win::Win().GetWindow(window, win::GW_HWNDNEXT);
        if (!window || window == start) return;
    }
}
