// Lock-on through the main window: the capture hook, the click that picks the
// target, the target's life and the menu states that show it.
#include "delivery/LockOn.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class LockOnTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr;
    HWND picture = nullptr;
    HWND desktop = nullptr;
    HWND tray = nullptr;

    void SetUp() override {
        ViewerDeskTest::SetUp();
        // Mode 1 with the direction flag on, so that the check marks show.
        StartInMode(1);
        Command(IDM_IGNORE_CURSOR);
        viewer = Below(kTvTestWindow, 100, "viewer");
        picture = ChildOf(viewer, u"Picture", "picture");
        tray = Below(u"Shell_TrayWnd", 800, "tray");
        desktop = Below(u"Progman", 800, "desktop");
        desk.ClearCalls();
    }

    // The menu in the words the desktop uses when an item is written.
    const Lines kUnlockedMenu{"menu 110 = 0", "menu 111 = checked", "menu 112 = 0", "menu 113 = checked",
                              "menu 114 = 0"};
    const Lines kLockedMenu{"menu 110 = grayed", "menu 111 = checked+grayed", "menu 112 = grayed",
                            "menu 113 = checked+grayed", "menu 114 = checked"};
    Lines Menu() const {
        Lines out;
        for (UINT id = IDM_MODE_HDUS; id <= IDM_LOCKON; ++id) {
            const UINT state = desk.MenuState(id);
            std::string text = (state & MFS_CHECKED) ? "checked" : "";
            if ((state & MFS_GRAYED) == MFS_GRAYED) text += text.empty() ? "grayed" : "+grayed";
            out.push_back("menu " + std::to_string(id) + " = " + (text.empty() ? "0" : text));
        }
        return out;
    }
    static Lines Join(std::initializer_list<Lines> parts) {
        Lines out;
        for (const Lines& part : parts) out.insert(out.end(), part.begin(), part.end());
        return out;
    }

    const std::string kTrackMenu = "TrackPopupMenu(popup, flags 0x0, 640,700, main)";
};

TEST_F(LockOnTest, ChoosingLockOnOnlyInstallsALowLevelMouseHook) {
    EXPECT_EQ(Command(IDM_LOCKON), 0);
    EXPECT_EQ(Calls(), Lines{"SetWindowsHookExW(14, thread 0)"});
    EXPECT_EQ(desk.InstalledHooks(), std::vector<HHOOK>{Router().lockOn.hook});
    EXPECT_EQ(Router().lockOn.hookOwner, mainWindow);
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(Menu(), kUnlockedMenu);
}

TEST_F(LockOnTest, AClickOnAViewersPictureIsSwallowedAndLocksOnItsTopWindow) {
    Command(IDM_LOCKON);
    desk.ClearCalls();
    EXPECT_FALSE(desk.ClickLeft(picture));
    EXPECT_EQ(Calls(), Join({{"SendMessageW(main, WM_LOCKON_CLICK, 0x201)", "UnhookWindowsHookEx"}, kLockedMenu,
                             {"click swallowed before picture"}}));
    EXPECT_EQ(Router().lockedTarget, viewer);
    EXPECT_EQ(Router().lockOn.hook, nullptr);
    EXPECT_TRUE(desk.InstalledHooks().empty());
    EXPECT_TRUE(desk.ClickLeft(picture));  // the capture is over
}

TEST_F(LockOnTest, AClickAnywhereElseEndsTheCaptureUnlockedAndLeavesTheMenuAlone) {
    const HWND lonelyFullscreen = Below(kTvTestFullscreen, 200, "fullscreen");
    const HWND notepad = Below(u"Notepad", 900, "notepad");
    for (HWND elsewhere : {desktop, tray, notepad, lonelyFullscreen}) {
        const std::string name = desk.Name(elsewhere);
        SCOPED_TRACE(name);
        desk.ClearCalls();
        Command(IDM_LOCKON);
        EXPECT_FALSE(desk.ClickLeft(elsewhere));
        EXPECT_EQ(Calls(), (Lines{"SetWindowsHookExW(14, thread 0)", "SendMessageW(main, WM_LOCKON_CLICK, 0x201)",
                                  "UnhookWindowsHookEx", "click swallowed before " + name}));
        EXPECT_EQ(Router().lockedTarget, nullptr);
        EXPECT_EQ(Menu(), kUnlockedMenu);
        EXPECT_TRUE(desk.ClickLeft(elsewhere));
    }
}

TEST_F(LockOnTest, DuringACaptureTheTrayIconOpensNoMenuAndALeftClickOnItEndsTheCapture) {
    Command(IDM_LOCKON);
    desk.ClearCalls();
    // The right button passes the hook; the icon tells the main window.
    EXPECT_TRUE(desk.ClickRight(tray));
    EXPECT_EQ(TrayClick(WM_RBUTTONDOWN), 0);
    EXPECT_EQ(Calls(), Lines{"DefWindowProcW(WM_TRAY_NOTIFY)"});
    EXPECT_NE(Router().lockOn.hook, nullptr);

    EXPECT_FALSE(desk.ClickLeft(tray));
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(Router().lockOn.hook, nullptr);
    desk.ClearCalls();
    TrayClick(WM_LBUTTONDOWN);
    EXPECT_EQ(Calls(), (Lines{"SetForegroundWindow(main)", kTrackMenu}));
}

TEST_F(LockOnTest, TheHookLetsEverythingButALeftButtonPressPassWithTheNextHooksAnswer) {
    Command(IDM_LOCKON);
    desk.ClearCalls();
    desk.nextHookResult = 7;
    EXPECT_EQ(LockOnMouseHook(0, WM_RBUTTONDOWN, 0), 7);
    EXPECT_EQ(LockOnMouseHook(0, WM_MOUSEMOVE, 0), 7);
    EXPECT_EQ(LockOnMouseHook(0, WM_LBUTTONUP, 0), 7);
    EXPECT_EQ(LockOnMouseHook(-1, WM_LBUTTONDOWN, 0), 7);  // a negative code is never ours
    EXPECT_EQ(Calls(), Lines{});
    EXPECT_NE(Router().lockOn.hook, nullptr);
    EXPECT_EQ(Router().lockedTarget, nullptr);
}

TEST_F(LockOnTest, ChoosingLockOnWhileLockedUnlocksAndKeepsTheCheckMarks) {
    LockOnByClicking(picture);
    EXPECT_EQ(Menu(), kLockedMenu);
    Command(IDM_LOCKON);
    EXPECT_EQ(Calls(), kUnlockedMenu);
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(Router().lockOn.hook, nullptr);
}

TEST_F(LockOnTest, WhileLockedTheModeAndFlagItemsCannotBeChosenButLockOnCan) {
    LockOnByClicking(picture);
    for (UINT item = IDM_MODE_HDUS; item <= IDM_IGNORE_CURSOR; ++item) {
        desk.ClearCalls();
        desk.menuChoice = item;
        TrayClick();
        EXPECT_EQ(Calls(), (Lines{"SetForegroundWindow(main)", kTrackMenu})) << item;
    }
    EXPECT_EQ(Router().mode, 1);
    EXPECT_EQ(Router().ignoreCursor, 1);
    EXPECT_EQ(Menu(), kLockedMenu);

    desk.menuChoice = IDM_LOCKON;
    TrayClick();
    EXPECT_EQ(Menu(), kUnlockedMenu);
    EXPECT_EQ(Router().lockedTarget, nullptr);
}

// The menu cannot send these while locked, but any program can post them.
TEST_F(LockOnTest, ModeAndFlagCommandsSentWhileLockedTakeEffectKeepTheLockAndRewriteTheirItemsWhole) {
    LockOnByClicking(picture);
    Command(IDM_MODE_DIRECT_FG);
    Command(IDM_IGNORE_CURSOR);
    EXPECT_EQ(Router().mode, 2);
    EXPECT_EQ(Router().ignoreCursor, 0);
    EXPECT_EQ(Router().lockedTarget, viewer);
    EXPECT_EQ(Menu(), (Lines{"menu 110 = 0", "menu 111 = 0", "menu 112 = checked", "menu 113 = 0",
                             "menu 114 = checked"}));
    Command(IDM_LOCKON);
    EXPECT_EQ(Menu(), (Lines{"menu 110 = 0", "menu 111 = 0", "menu 112 = checked", "menu 113 = 0", "menu 114 = 0"}));
    EXPECT_EQ(Router().lockedTarget, nullptr);
}

TEST_F(LockOnTest, WhenTheLockedViewerHasClosedATrayClickClearsTheLockBeforeTheMenuOpens) {
    LockOnByClicking(picture);
    desk.CloseWindow(viewer);
    TrayClick();
    EXPECT_EQ(Calls(), Join({kUnlockedMenu, {"SetForegroundWindow(main)", kTrackMenu}}));
    EXPECT_EQ(Router().lockedTarget, nullptr);
}

TEST_F(LockOnTest, ChoosingLockOnAfterTheLockedViewerHasClosedOnlyUnlocks) {
    LockOnByClicking(picture);
    desk.CloseWindow(viewer);
    Command(IDM_LOCKON);
    EXPECT_EQ(Calls(), kUnlockedMenu);
    EXPECT_EQ(Router().lockOn.hook, nullptr);
}

TEST_F(LockOnTest, LockOnChosenAgainDuringACaptureReplacesTheHook) {
    Command(IDM_LOCKON);
    const HHOOK first = Router().lockOn.hook;
    Command(IDM_LOCKON);
    EXPECT_EQ(Calls(), (Lines{"SetWindowsHookExW(14, thread 0)", "UnhookWindowsHookEx",
                              "SetWindowsHookExW(14, thread 0)"}));
    EXPECT_NE(Router().lockOn.hook, first);
    EXPECT_EQ(desk.InstalledHooks(), std::vector<HHOOK>{Router().lockOn.hook});
    EXPECT_FALSE(desk.ClickLeft(picture));
    EXPECT_EQ(Router().lockedTarget, viewer);
}

TEST_F(LockOnTest, WhenTheHookCannotBeInstalledNothingIsCapturedAndTheTrayMenuOpens) {
    desk.hookInstallFails = true;
    Command(IDM_LOCKON);
    EXPECT_EQ(Router().lockOn.hook, nullptr);
    EXPECT_TRUE(desk.ClickLeft(picture));
    EXPECT_EQ(Router().lockedTarget, nullptr);
    desk.ClearCalls();
    TrayClick();
    EXPECT_EQ(Calls(), (Lines{"SetForegroundWindow(main)", kTrackMenu}));
    EXPECT_EQ(Menu(), kUnlockedMenu);
}

TEST_F(LockOnTest, ALockOnClickFromAnySenderPicksTheWindowUnderTheCursor) {
    desk.PointAt(picture);
    EXPECT_EQ(desk.SendMessageW(mainWindow, WM_LOCKON_CLICK, 0, 0), 0);
    EXPECT_EQ(Calls(), Join({{"SendMessageW(main, WM_LOCKON_CLICK, 0x0)"}, kLockedMenu}));
    EXPECT_EQ(Router().lockedTarget, viewer);
}

TEST_F(LockOnTest, ExitingDuringACaptureRemovesTheHookSoNoLaterClickIsSwallowed) {
    Command(IDM_LOCKON);
    ASSERT_EQ(desk.InstalledHooks().size(), 1u);
    Command(IDM_EXIT);
    EXPECT_TRUE(desk.InstalledHooks().empty());
    EXPECT_TRUE(desk.ClickLeft(viewer));
}

TEST_F(LockOnTest, TheEndOfTheSessionDuringACaptureRemovesTheHookToo) {
    Command(IDM_LOCKON);
    MainWindowProc(mainWindow, WM_ENDSESSION, 0, 0);
    EXPECT_TRUE(desk.InstalledHooks().empty());
    EXPECT_TRUE(desk.ClickLeft(desktop));
}
