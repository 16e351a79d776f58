// Finding viewer windows: the z-order walk from the foreground root, the
// foreground-only test, the channel display for direction keys and the lock test.
#include "delivery/BringToFront.h"
#include "delivery/ViewerDiscovery.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class ViewerDiscoveryTest : public ViewerDeskTest {
protected:
    RouterState router{};  // the lock test's own, apart from the program's

    void SetUp() override {
        ViewerDeskTest::SetUp();
        Start();
    }
};

// ----- the z-order search and the foreground tests -----

TEST_F(ViewerDiscoveryTest, WithNothingInTheForegroundNoSearchFindsAViewer) {
    Below(kTvTestWindow, 100, "viewer");
    EXPECT_EQ(ForegroundRoot(), nullptr);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);
    EXPECT_EQ(ForegroundViewer(), nullptr);
    EXPECT_EQ(IsMagicTvForeground(), 0);
}

TEST_F(ViewerDiscoveryTest, AFullScreenViewerInFrontCountsForTheZOrderButNotForTheForegroundTest) {
    const HWND fullscreen = Below(kTvTestFullscreen, 100, "fullscreen");
    Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(fullscreen);
    EXPECT_EQ(FindViewerInZOrder(), fullscreen);
    EXPECT_EQ(ForegroundViewer(), nullptr);
}

TEST_F(ViewerDiscoveryTest, AButtonInAViewersDialogLeadsUpToTheViewerItself) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND dialog = desk.AddOwned(viewer, u"#32770", {.pid = 100, .label = "dialog"});
    const HWND button = ChildOf(dialog, u"Button", "button");
    desk.SetForeground(button);
    EXPECT_EQ(RootAncestor(button), viewer);
    EXPECT_EQ(ForegroundRoot(), viewer);
    EXPECT_EQ(ForegroundViewer(), viewer);
    EXPECT_EQ(FindViewerInZOrder(), viewer);
    EXPECT_EQ(RootAncestor(nullptr), nullptr);
}

TEST_F(ViewerDiscoveryTest, MagicTvBeforeEveryViewerBlocksTheZOrderSearchButNotTheCycleProbe) {
    // Notepad in front, mAgicTV below it, a viewer below that.
    const HWND notepad = Below(u"Notepad", 900, "notepad");
    const HWND magic = Below(kMagicTvWindow, 400, "magic");
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(notepad);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);
    EXPECT_EQ(IsMagicTvForeground(), 0);

    HWND slot = viewer;
    EXPECT_EQ(ProbeViewer(magic, &slot), 0);  // stop
    EXPECT_EQ(slot, nullptr);
    slot = viewer;
    EXPECT_EQ(ProbeViewerForCycle(magic, &slot), 1);  // go on
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(PickViewerToActivate(), nullptr);

    // mAgicTV itself in front, or one of its dialogs.
    desk.SetForeground(magic);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);
    EXPECT_EQ(IsMagicTvForeground(), 1);
    desk.SetForeground(desk.AddOwned(magic, u"#32770", {.pid = 400, .label = "magicDialog"}));
    EXPECT_EQ(IsMagicTvForeground(), 1);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);

    // Below the viewer it is never reached.
    Activate(viewer);
    EXPECT_EQ(FindViewerInZOrder(), viewer);
}

TEST_F(ViewerDiscoveryTest, HiddenViewersBelowAreFoundButViewersAboveTheForegroundRootAreNot) {
    // An always-on-top viewer, notepad in the foreground, a hidden viewer below.
    Below(kTvH264Window, 300, "ontop");
    const HWND notepad = Below(u"Notepad", 900, "notepad");
    const HWND hidden = Below(kTvTestWindow, 100, "hidden", false);
    desk.SetForeground(notepad);
    EXPECT_EQ(FindViewerInZOrder(), hidden);

    desk.CloseWindow(hidden);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);
}

TEST_F(ViewerDiscoveryTest, ClassNamesMatchOnlyWhenEqualInEveryCharacter) {
    const std::u16string impostors[] = {u"tvtest window", u"TVTest Window2", u"TVTest Window ", u"TVTest",
                                        u"TVTest Fullscreen ", u"TVH264 window",
                                        u"TVTest Window" + std::u16string(100, u'x')};
    for (const std::u16string& cls : impostors) {
        SCOPED_TRACE(sim::Narrow(cls).substr(0, 20));
        const HWND impostor = desk.AddWindow(cls, {.pid = 100, .label = "impostor"});
        desk.SetForeground(impostor);
        EXPECT_EQ(FindViewerInZOrder(), nullptr);
        EXPECT_EQ(ForegroundViewer(), nullptr);
        EXPECT_EQ(TryLockTarget(router, impostor), 0);
        desk.CloseWindow(impostor);
    }
    // A near-mAgicTV does not block the walk; a near-channel-display is not taken.
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    ChildOf(viewer, u"TVTest Channel display", "channel");
    const HWND notMagic = desk.AddWindow(u"mAgicTVWindow ", {.pid = 400, .label = "notMagic"});
    desk.SetForeground(notMagic);
    EXPECT_EQ(IsMagicTvForeground(), 0);
    EXPECT_EQ(FindViewerInZOrder(), viewer);
    EXPECT_EQ(FindDirectionKeyTarget(viewer), viewer);
}

// ----- the window that takes direction keys -----

TEST_F(ViewerDiscoveryTest, AVisibleChannelDisplayAnywhereInsideTheViewerTakesDirectionKeys) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND panel = ChildOf(viewer, u"Panel", "panel");
    const HWND channel = ChildOf(panel, kTvTestChannelDisplay, "channel");
    EXPECT_EQ(FindDirectionKeyTarget(viewer), channel);
}

TEST_F(ViewerDiscoveryTest, AHiddenChannelDisplayInsideTheViewerSendsTheKeyToTheViewerAndNowhereElse) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    ChildOf(viewer, kTvTestChannelDisplay, "channel", false);
    const HWND fullscreen = Below(kTvTestFullscreen, 200, "fullscreen");
    ChildOf(fullscreen, kTvTestChannelDisplay, "fsChannel");
    EXPECT_EQ(FindDirectionKeyTarget(viewer), viewer);
}

TEST_F(ViewerDiscoveryTest, WithoutOneInsideTheFirstFullScreenWindowOfAnyProcessLendsItsChannelDisplay) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND fullscreen = Below(kTvTestFullscreen, 200, "fullscreen");
    const HWND channel = ChildOf(fullscreen, kTvTestChannelDisplay, "fsChannel");
    EXPECT_EQ(FindDirectionKeyTarget(viewer), channel);

    desk.CloseWindow(channel);
    ChildOf(fullscreen, kTvTestChannelDisplay, "hiddenFsChannel", false);
    EXPECT_EQ(FindDirectionKeyTarget(viewer), viewer);
}

TEST_F(ViewerDiscoveryTest, OnlyTheFirstFullScreenWindowIsAsked) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    Below(kTvTestFullscreen, 200, "bare");
    const HWND second = Below(kTvTestFullscreen, 300, "second");
    ChildOf(second, kTvTestChannelDisplay, "secondChannel");
    EXPECT_EQ(FindDirectionKeyTarget(viewer), viewer);
}

TEST_F(ViewerDiscoveryTest, WithNoWindowGivenATopLevelChannelDisplayIsTakenElseNothing) {
    EXPECT_EQ(FindDirectionKeyTarget(nullptr), nullptr);
    const HWND hidden = Below(kTvTestChannelDisplay, 100, "hiddenChannel", false);
    EXPECT_EQ(FindDirectionKeyTarget(nullptr), nullptr);
    desk.CloseWindow(hidden);
    const HWND channel = Below(kTvTestChannelDisplay, 100, "channel");
    EXPECT_EQ(FindDirectionKeyTarget(nullptr), channel);
}

// ----- the lock test -----

TEST_F(ViewerDiscoveryTest, LockingOnAPictureAreaStoresItsTopWindow) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND picture = ChildOf(ChildOf(viewer, u"Container", "container"), u"Picture", "picture");
    EXPECT_EQ(TryLockTarget(router, picture), 1);
    EXPECT_EQ(router.lockedTarget, viewer);

    const HWND h264 = Below(kTvH264Window, 200, "h264");
    EXPECT_EQ(TryLockTarget(router, h264), 1);
    EXPECT_EQ(router.lockedTarget, h264);

    // A full-screen window owned by its viewer leads to the viewer.
    const HWND ownedFullscreen = desk.AddOwned(viewer, kTvTestFullscreen, {.pid = 100, .label = "ownedFullscreen"});
    EXPECT_EQ(TryLockTarget(router, ownedFullscreen), 1);
    EXPECT_EQ(router.lockedTarget, viewer);
}

TEST_F(ViewerDiscoveryTest, AFailedLockTestForgetsTheEarlierTarget) {
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND lonelyFullscreen = Below(kTvTestFullscreen, 200, "fullscreen");
    const HWND closed = Below(kTvTestWindow, 300, "closed");
    desk.CloseWindow(closed);

    for (HWND refused : {lonelyFullscreen, closed, HWND{}}) {
        router.lockedTarget = viewer;
        EXPECT_EQ(TryLockTarget(router, refused), 0);
        EXPECT_EQ(router.lockedTarget, nullptr);
    }
}

TEST_F(ViewerDiscoveryTest, TheLockedTargetStaysValidOnlyWhileItsWindowLives) {
    EXPECT_EQ(LockedTargetValid(router), 0);
    EXPECT_EQ(router.lockedTarget, nullptr);

    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    router.lockedTarget = ChildOf(viewer, u"Picture", "picture");
    EXPECT_EQ(LockedTargetValid(router), 1);
    EXPECT_EQ(router.lockedTarget, viewer);  // stored again as its root

    desk.CloseWindow(viewer);
    EXPECT_EQ(LockedTargetValid(router), 0);
    EXPECT_EQ(router.lockedTarget, nullptr);
}

// ----- walks that could run for ever -----

TEST_F(ViewerDiscoveryTest, AZOrderThatWrapsAroundEndsTheWalkInsteadOfLooping) {
    desk.zOrderWrapsAround = true;
    Below(u"Explorer", 800, "explorer");
    const HWND notepad = Below(u"Notepad", 900, "notepad");
    Below(u"Calc", 700, "calc");
    desk.SetForeground(notepad);
    EXPECT_EQ(FindViewerInZOrder(), nullptr);

    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    EXPECT_EQ(FindViewerInZOrder(), viewer);
    EXPECT_EQ(PickViewerToActivate(), viewer);
}

TEST_F(ViewerDiscoveryTest, ACycleOfOwnersCannotHangTheClimb) {
    // Two pop-ups that claim to own each other, and one that owns itself.
    const HWND first = Below(u"#32770", 900, "first");
    const HWND second = desk.AddOwned(first, u"#32770", {.pid = 900, .label = "second"});
    desk.SetOwner(first, second);
    const HWND self = Below(u"#32770", 900, "self");
    desk.SetOwner(self, self);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");

    desk.SetForeground(first);
    const HWND root = ForegroundRoot();
    EXPECT_TRUE(root == first || root == second);
    EXPECT_EQ(FindViewerInZOrder(), viewer);
    EXPECT_EQ(TryLockTarget(router, second), 0);
    EXPECT_EQ(RootAncestor(self), self);
}
