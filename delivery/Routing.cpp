#include "delivery/Routing.h"

#include "app/ProcessRecords.h"
#include "delivery/KeyInjection.h"
#include "delivery/ViewerDiscovery.h"

using namespace win;

namespace {

using Finder = HWND (*)();

// Both direct modes: the same steps, a different finder.
void DeliverToFoundViewer(RouterState& router, KeyChord chord, Finder find) {
    if (chord.vk == 0) return;
    if (!IsDirectionKey(chord)) {
        if (HWND viewer = find()) PostKeyHook(router, chord, viewer);
        return;
    }
    if (!DirectionKeyPasses(router, chord)) return;
    // Even with no viewer found, a visible channel display may still take the key.
    if (HWND target = FindDirectionKeyTarget(find())) SendDirectionKey(chord, target);
}

}  // namespace

bool DirectionKeyPasses(const RouterState& router, KeyChord chord) {
    return router.ignoreCursor == 0 || chord.ctrl == 1 || chord.shift == 1;
}

void DeliverHdusEmulation(RouterState& router, KeyChord chord) {
    if (chord.vk == 0) return;
    if (IsDirectionKey(chord) && !DirectionKeyPasses(router, chord)) return;
    SendInputChord(chord);
}

void DeliverDirect(RouterState& router, KeyChord chord) { DeliverToFoundViewer(router, chord, FindViewerInZOrder); }

void DeliverDirectForeground(RouterState& router, KeyChord chord) {
    DeliverToFoundViewer(router, chord, ForegroundViewer);
}

void DeliverToLockedTarget(RouterState& router, KeyChord chord) {
    if (chord.vk == 0) return;
    if (IsMagicTvForeground()) return;
    if (!IsDirectionKey(chord)) {
        PostKeyHook(router, chord, router.lockedTarget);
        return;
    }
    if (!DirectionKeyPasses(router, chord)) return;
    if (HWND target = FindDirectionKeyTarget(router.lockedTarget)) SendDirectionKey(chord, target);
}

int DeliverChord(KeyChord chord) {
    RouterState& router = *g_router;
    int result = 1;
    if (router.lockedTarget) {
        if (TryLockTarget(router.lockedTarget)) {
            DeliverToLockedTarget(router, chord);
            return 1;
        }
        router.lockedTarget = nullptr;
        result = 0;
    }
    switch (router.mode) {
    case kModeHdusEmulation: DeliverHdusEmulation(router, chord); break;
    case kModeDirect: DeliverDirect(router, chord); break;
    case kModeDirectForeground: DeliverDirectForeground(router, chord); break;
    default: break;
    }
    return result;
}
