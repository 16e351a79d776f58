#include "delivery/ViewerDiscovery.h"

#include "delivery/ViewerClasses.h"
#include "platform/Constants.h"

using namespace win;

namespace {

constexpr int kClassNameCapacity = 100;

// The class name of a window, or an empty text when it cannot be read.
struct ClassName {
    char16_t text[kClassNameCapacity];
    bool readable;

    explicit ClassName(HWND window) : text{}, readable(Win().GetClassNameW(window, text, kClassNameCapacity) != 0) {
        text[kClassNameCapacity - 1] = 0;
    }

    // Exact, case-sensitive, up to and including the terminator.
    bool Is(const char16_t* name) const {
        if (!readable) return false;
        const char16_t* a = text;
        while (*a && *a == *name) ++a, ++name;
        return *a == *name;
    }
};

bool IsLockableViewer(const ClassName& cls) { return cls.Is(kTvTestWindow) || cls.Is(kTvH264Window); }

bool IsZOrderViewer(const ClassName& cls) {
    return cls.Is(kTvTestWindow) || cls.Is(kTvTestFullscreen) || cls.Is(kTvH264Window);
}

HWND* SlotOf(LPARAM value) { return reinterpret_cast<HWND*>(value); }
LPARAM AsValue(HWND* slot) { return reinterpret_cast<LPARAM>(slot); }

}  // namespace

HWND RootAncestor(HWND window) {
    // Parent chains end quickly; the bound only keeps a corrupt chain from hanging us.
    for (int steps = 0; window && steps < kMaxWalkSteps; ++steps) {
        HWND parent = Win().GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

HWND ForegroundRoot() { return RootAncestor(Win().GetForegroundWindow()); }

BOOL ProbeViewer(HWND window, HWND* slot) {
    const ClassName cls(window);
    *slot = nullptr;
    if (IsZOrderViewer(cls)) {
        *slot = window;
        return 0;
    }
    // mAgicTV ahead of every viewer ends the search with no window.
    return cls.Is(kMagicTvWindow) ? 0 : 1;
}

BOOL ProbeViewerForCycle(HWND window, HWND* slot) {
    const ClassName cls(window);
    *slot = IsZOrderViewer(cls) ? window : nullptr;
    return *slot ? 0 : 1;
}

BOOL MatchFullscreen(HWND window, LPARAM slot) {
    const bool match = ClassName(window).Is(kTvTestFullscreen);
    *SlotOf(slot) = match ? window : nullptr;
    return match ? 0 : 1;
}

BOOL MatchChannelDisplay(HWND window, LPARAM slot) {
    const bool match = ClassName(window).Is(kTvTestChannelDisplay);
    *SlotOf(slot) = match ? window : nullptr;
    return match ? 0 : 1;
}

HWND FindViewerInZOrder() {
    HWND found = nullptr;
    WalkZOrder(ForegroundRoot(), [&found](HWND window) { return ProbeViewer(window, &found) != 0; });
    return found;
}

HWND ForegroundViewer() {
    HWND root = ForegroundRoot();
    return IsLockableViewer(ClassName(root)) ? root : nullptr;
}

int IsMagicTvForeground() { return ClassName(ForegroundRoot()).Is(kMagicTvWindow) ? 1 : 0; }

int AnyViewerRuns() {
    bool found = false;
    Win().EnumWindows(
        [](HWND window, LPARAM value) -> BOOL {
            const ClassName cls(window);
            if (!IsZOrderViewer(cls) && !cls.Is(kMagicTvWindow)) return 1;
            *reinterpret_cast<bool*>(value) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found));
    return found ? 1 : 0;
}

HWND FindDirectionKeyTarget(HWND window) {
    HWND channel = nullptr;
    Win().EnumChildWindows(window, MatchChannelDisplay, AsValue(&channel));
    if (!channel) {
        // Only the first full-screen window is asked, whichever process owns it.
        HWND fullscreen = nullptr;
        Win().EnumWindows(MatchFullscreen, AsValue(&fullscreen));
        if (!fullscreen) return window;
        channel = nullptr;
        Win().EnumChildWindows(fullscreen, MatchChannelDisplay, AsValue(&channel));
        if (!channel) return window;
    }
    return Win().IsWindowVisible(channel) ? channel : window;
}

int TryLockTarget(RouterState& router, HWND window) {
    router.lockedTarget = nullptr;
    if (!Win().IsWindow(window)) return 0;
    HWND root = RootAncestor(window);
    if (!IsLockableViewer(ClassName(root))) return 0;
    router.lockedTarget = root;
    return 1;
}

int LockedTargetValid(RouterState& router) {
    if (!router.lockedTarget) return 0;
    return TryLockTarget(router, router.lockedTarget);
}
