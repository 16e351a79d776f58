#include "delivery/BringToFront.h"

#include <cstdint>

#include "delivery/ViewerDiscovery.h"
#include "platform/Constants.h"

using namespace win;

int BringViewerToFront(DeliveryReport* report) {
    HWND target = PickViewerToActivate();
    if (target) ActivateWindowForcibly(target);
    if (report) {
        report->route = target ? kRouteBringToFront : kRouteNone;
        report->reason = target ? kReasonNone : kReasonNoViewer;
        report->target = target;
    }
    return target ? 1 : 0;
}

HWND PickViewerToActivate() {
    HWND current = FindViewerInZOrder();
    if (!current) return nullptr;
    DWORD currentPid = 0;
    Win().GetWindowThreadProcessId(current, &currentPid);

    // A hung viewer is passed over as if it were not there: it cannot be
    // activated, and choosing it would leave every viewer after it out of
    // reach. A hung current viewer still marks the place in the cycle.
    HWND next = nullptr;
    DWORD nextPid = 0;
    HWND lowest = Win().IsHungAppWindow(current) ? nullptr : current;
    DWORD lowestPid = currentPid;
    // Strict comparisons: the highest window of a process stands for it.
    WalkZOrder(ForegroundRoot(), [&](HWND window) {
        HWND viewer = nullptr;
        if (ProbeViewerForCycle(window, &viewer)) return true;
        if (Win().IsHungAppWindow(window)) return true;
        DWORD pid = 0;
        // A window that vanished during the walk has no process to compare.
        if (Win().GetWindowThreadProcessId(window, &pid) == 0) return true;
        if (!lowest || pid < lowestPid) {
            lowest = window;
            lowestPid = pid;
        }
        if (pid > currentPid && (!next || pid < nextPid)) {
            next = window;
            nextPid = pid;
        }
        return true;
    });
    return next ? next : lowest;
}

void ActivateWindowForcibly(HWND target) {
    // Attaching to a hung viewer's input would freeze our only thread.
    if (Win().IsHungAppWindow(target)) return;

    const DWORD targetThread = Win().GetWindowThreadProcessId(target, nullptr);
    const DWORD foregroundThread = Win().GetWindowThreadProcessId(Win().GetForegroundWindow(), nullptr);
    Win().AttachThreadInput(targetThread, foregroundThread, 1);
    Win().SetActiveWindow(target);

    DWORD savedTimeout = 0;
    // Without the old value there is nothing to restore, so the system-wide
    // time-out is left alone rather than set to 0 for the rest of the session.
    const bool haveTimeout =
        Win().SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout, 0) != 0;
    if (haveTimeout) Win().SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    Win().SetActiveWindow(target);
    Win().SetForegroundWindow(target);
    if (haveTimeout)
        Win().SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(savedTimeout)), 0);
    Win().AttachThreadInput(targetThread, foregroundThread, 0);
}
