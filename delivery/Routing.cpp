#include "delivery/Routing.h"

#include "delivery/IntegrityLevel.h"
#include "delivery/KeyInjection.h"
#include "delivery/ViewerDiscovery.h"
#include "platform/Constants.h"

using namespace win;

namespace {

using Finder = HWND (*)();

void Nothing(DeliveryReport* report, NothingReason reason) {
    if (!report) return;
    report->route = kRouteNone;
    report->reason = reason;
}

// A viewer that runs with higher rights refuses our messages: the router
// keeps which window refused, for app/ to tell the user, watched or not.
void Went(RouterState& router, DeliveryReport* report, DeliveryRoute route, HWND target, SendResult result) {
    if (!result.sent && result.error == ERROR_ACCESS_DENIED) router.refusedBy = target;
    if (!report) return;
    report->route = result.sent ? route : kRouteNone;
    report->reason = result.sent ? kReasonNone : kReasonRefused;
    report->target = target;
    report->error = result.error;
}

// Nothing found: mAgicTV in front says more than "no viewer".
void NoViewer(DeliveryReport* report) {
    if (report) Nothing(report, IsMagicTvForeground() ? kReasonMagicTvInFront : kReasonNoViewer);
}

// Both direct modes: the same steps, a different finder.
void DeliverToFoundViewer(RouterState& router, KeyChord chord, Finder find, DeliveryReport* report) {
    if (chord.vk == 0) return Nothing(report, kReasonNoAction);
    if (!IsDirectionKey(chord)) {
        if (HWND viewer = find())
            return Went(router, report, kRouteKeyHook, viewer, PostKeyHook(router, chord, viewer));
        return NoViewer(report);
    }
    if (!DirectionKeyPasses(router, chord)) return Nothing(report, kReasonIgnoreFlag);
    // Even with no viewer found, a visible channel display may still take the key.
    if (HWND target = FindDirectionKeyTarget(find()))
        return Went(router, report, kRouteDirectionKey, target, SendDirectionKey(chord, target));
    NoViewer(report);
}

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    if (window) Win().GetWindowThreadProcessId(window, &processId);
    return processId;
}

// Whether the mode's road for a key ends in the program in front: always in
// mode 0, which types keys there; in the direct modes when the viewer found
// belongs to it, so that a viewer's own map works there too.
bool ModeReachesProgramInFront(const RouterState& router) {
    const Finder find = router.mode == kModeDirect             ? FindViewerInZOrder
                        : router.mode == kModeDirectForeground ? ForegroundViewer
                                                               : nullptr;
    if (!find) return true;
    const HWND viewer = find();
    return viewer && ProcessOf(viewer) == ProcessOf(Win().GetForegroundWindow());
}

}  // namespace

bool DirectionKeyPasses(const RouterState& router, KeyChord chord) {
    return router.ignoreCursor == 0 || chord.ctrl == 1 || chord.shift == 1;
}

void DeliverHdusEmulation(RouterState& router, KeyChord chord, DeliveryReport* report) {
    if (chord.vk == 0) return Nothing(report, kReasonNoAction);
    if (IsDirectionKey(chord) && !DirectionKeyPasses(router, chord)) return Nothing(report, kReasonIgnoreFlag);
    // Windows would drop keys bound for a program with higher rights and
    // still say they went: they are refused here as a viewer refuses a post.
    const HWND front = Win().GetForegroundWindow();
    const SendResult result =
        KeysDroppedInFront(router.front, front) ? SendResult{false, ERROR_ACCESS_DENIED} : SendInputChord(chord);
    Went(router, report, kRouteKeystrokes, front, result);
}

void DeliverDirect(RouterState& router, KeyChord chord, DeliveryReport* report) {
    DeliverToFoundViewer(router, chord, FindViewerInZOrder, report);
}

void DeliverDirectForeground(RouterState& router, KeyChord chord, DeliveryReport* report) {
    DeliverToFoundViewer(router, chord, ForegroundViewer, report);
}

void DeliverToLockedTarget(RouterState& router, KeyChord chord, DeliveryReport* report) {
    if (chord.vk == 0) return Nothing(report, kReasonNoAction);
    if (IsMagicTvForeground()) return Nothing(report, kReasonMagicTvInFront);
    if (!IsDirectionKey(chord))
        return Went(router, report, kRouteKeyHook, router.lockedTarget,
                    PostKeyHook(router, chord, router.lockedTarget));
    if (!DirectionKeyPasses(router, chord)) return Nothing(report, kReasonIgnoreFlag);
    if (HWND target = FindDirectionKeyTarget(router.lockedTarget))
        return Went(router, report, kRouteDirectionKey, target, SendDirectionKey(chord, target));
    Nothing(report, kReasonNoViewer);
}

int DeliverChord(RouterState& router, KeyChord chord, DeliveryReport* report, ChordOwner owner) {
    if (report) {
        report->mode = router.mode;
        report->directionKey = IsDirectionKey(chord) ? 1 : 0;
    }
    int result = 1;
    if (router.lockedTarget) {
        if (TryLockTarget(router, router.lockedTarget)) {
            if (report) report->lockedOn = 1;
            DeliverToLockedTarget(router, chord, report);
            return 1;
        }
        router.lockedTarget = nullptr;
        result = 0;
        if (report) report->lockLost = 1;
    }
    if (owner == kChordOfProgramInFront && !ModeReachesProgramInFront(router)) {
        DeliverHdusEmulation(router, chord, report);
        return result;
    }
    switch (router.mode) {
    case kModeHdusEmulation: DeliverHdusEmulation(router, chord, report); break;
    case kModeDirect: DeliverDirect(router, chord, report); break;
    case kModeDirectForeground: DeliverDirectForeground(router, chord, report); break;
    default: Nothing(report, kReasonNoViewer); break;
    }
    return result;
}

int SetDeliveryMode(RouterState& router, std::uint32_t mode) {
    if (mode > kModeDirectForeground) return 1;
    router.mode = static_cast<std::int32_t>(mode);
    router.lockOn.modesGreyed = false;
    return 1;
}

int SetIgnoreCursor(RouterState& router, std::uint32_t value) {
    router.ignoreCursor = static_cast<std::int32_t>(value);
    router.lockOn.flagGreyed = false;
    return 1;
}
