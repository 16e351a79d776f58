// Routing of each remote button: by the lock-on target while it lives,
// otherwise by the delivery mode, with direction keys on their own road.
#include "delivery/Routing.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class RoutingTest : public ViewerDeskTest {
protected:
    // The settings file may hold any non-zero flag; 2 is on, and item 113 shows it.
    void StartIgnoringDirectionButtons(int mode) {
        desk.SetProfileString(u"C:\\Program Files\\Korvanta\\Korvanta.ini", u"Korvanta", u"IgnoreCursor", u"00000002");
        StartInMode(mode);
        ASSERT_EQ(Router().ignoreCursor, 2);
        ASSERT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), MFS_CHECKED);
    }

    static int Count(const Lines& lines, const std::string& part) {
        return static_cast<int>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != l.npos; }));
    }

    static Lines ClearedLockMenu(int mode) {
        Lines lines;
        for (int item = 0; item < 3; ++item)
            lines.push_back("menu " + std::to_string(110 + item) + " = " + (item == mode ? "checked" : "0"));
        lines.push_back("menu 113 = 0");
        lines.push_back("menu 114 = 0");
        return lines;
    }
};

// ----- by mode -----

TEST_F(RoutingTest, InHdusModeEveryKeyIsSynthesisedForTheFocusedWindowWithoutAnySearch) {
    StartInMode(0);
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));  // no viewer anywhere
    int classReads = 0;
    desk.onClassNameRead = [&](HWND) { ++classReads; };
    // Its rights are asked once; a process that cannot be asked is typed into.
    EXPECT_EQ(Pressed(0x0B), (Lines{"OpenProcess(access 0x1000, inherit 0, pid 900)",
                                    "SendInput[Shift down, Ctrl down, F21 down]",
                                    "SendInput[F21 up, Ctrl up, Shift up]"}));
    EXPECT_EQ(Pressed(0x1C), (Lines{"SendInput[Up down]", "SendInput[Up up]"}));
    EXPECT_EQ(Pressed(0x26), (Lines{"SendInput[Ctrl down, Up down]", "SendInput[Up up, Ctrl up]"}));
    EXPECT_EQ(Pressed(52), Lines{});
    EXPECT_EQ(classReads, 0);
}

TEST_F(RoutingTest, InDirectModeOrdinaryKeysArePostedToTheFirstViewerBelowTheForegroundRoot) {
    StartInMode(1);
    // Notepad in front, a TVTest below it, a TVH264 below that.
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    const HWND tvtest = Below(kTvTestWindow, 200, "tvtest");
    Below(kTvH264Window, 300, "tvh264");
    EXPECT_EQ(Pressed(0x08), Lines{Post("tvtest", "0x7C", "0x10001")});
    EXPECT_EQ(Pressed(0x0B), Lines{Post("tvtest", "0x84", "0x30001")});
    EXPECT_EQ(Pressed(0x17), Lines{Post("tvtest", "0x7C", "0x20001")});
    desk.CloseWindow(tvtest);
    EXPECT_EQ(Pressed(0x08), Lines{Post("tvh264", "0x7C", "0x10001")});
}

TEST_F(RoutingTest, InDirectModeADirectionKeyGoesToTheViewerOrItsVisibleChannelDisplay) {
    StartInMode(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    EXPECT_EQ(Pressed(0x1C), PlainDirectionKey("viewer", "0x26"));
    ChildOf(viewer, kTvTestChannelDisplay, "channel");
    EXPECT_EQ(Pressed(0x1F), PlainDirectionKey("channel", "0xD"));
}

TEST_F(RoutingTest, InDirectModeMagicTvBeforeEveryViewerSwallowsEveryKey) {
    StartInMode(1);
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    Below(kMagicTvWindow, 400, "magic");
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    ChildOf(viewer, kTvTestChannelDisplay, "channel");
    EXPECT_EQ(Pressed(0x08), Lines{});
    EXPECT_EQ(Pressed(0x1C), Lines{});
}

TEST_F(RoutingTest, InForegroundModeOnlyATVTestOrTVH264WindowInFrontReceivesOrdinaryKeys) {
    StartInMode(2);
    const HWND h264 = Below(kTvH264Window, 200, "tvh264");
    Below(kTvTestWindow, 100, "viewer");
    const HWND fullscreen = Below(kTvTestFullscreen, 100, "fullscreen");
    ChildOf(fullscreen, kTvTestChannelDisplay, "fsChannel");
    const HWND notepad = Below(u"Notepad", 900, "notepad");

    Activate(h264);
    EXPECT_EQ(Pressed(0x08), Lines{Post("tvh264", "0x7C", "0x10001")});
    Activate(notepad);
    EXPECT_EQ(Pressed(0x08), Lines{});
    // The full-screen window is no foreground viewer, yet the direction key
    // still finds the channel display it holds.
    Activate(fullscreen);
    EXPECT_EQ(Pressed(0x08), Lines{});
    EXPECT_EQ(Pressed(0x1C), PlainDirectionKey("fsChannel", "0x26"));
}

TEST_F(RoutingTest, InBothDirectModesADirectionKeyWithNoViewerFoundStillReachesATopLevelChannelDisplay) {
    StartInMode(1);
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    Below(kTvTestChannelDisplay, 100, "channel");
    for (unsigned mode : {IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG}) {
        Command(mode);
        EXPECT_EQ(Pressed(0x1C), PlainDirectionKey("channel", "0x26"));
        EXPECT_EQ(Pressed(0x08), Lines{});
    }
}

// ----- the ignore-direction-buttons flag -----

TEST_F(RoutingTest, IgnoringDirectionButtonsDropsOnlyThePlainOnesOnEveryRoute) {
    StartIgnoringDirectionButtons(0);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    const char* routes[] = {"mode 0", "mode 1", "mode 2", "lock-on"};
    for (int route = 0; route < 4; ++route) {
        SCOPED_TRACE(routes[route]);
        if (route < 3) Command(IDM_MODE_HDUS + route);
        else LockOnByClicking(viewer);
        for (BYTE plain : {0x1C, 0x1E, 0x1F, 0x20, 0x22}) EXPECT_EQ(Pressed(plain), Lines{}) << int(plain);
        for (BYTE modified : {0x24, 0x26, 0x27, 0x29}) {
            const Lines lines = Pressed(modified);
            if (route == 0) EXPECT_EQ(Count(lines, "SendInput"), 2) << int(modified);
            else EXPECT_EQ(Count(lines, "PostMessageW(viewer, WM_KEYDOWN"), 1) << int(modified);
        }
    }
}

TEST_F(RoutingTest, ADroppedDirectionKeyCausesNoWindowSearch) {
    StartIgnoringDirectionButtons(1);
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer"));
    int classReads = 0;
    desk.onClassNameRead = [&](HWND) { ++classReads; };
    for (unsigned mode : {IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG}) {
        Command(mode);
        classReads = 0;
        EXPECT_EQ(Pressed(0x1C), Lines{});
        EXPECT_EQ(classReads, 0);
        Pressed(0x24);
        EXPECT_GT(classReads, 0);
    }
}

// ----- under lock-on -----

TEST_F(RoutingTest, UnderLockOnEveryKeyIsPostedToTheLockedViewerWhateverTheModeAndTheForeground) {
    StartInMode(0);
    const HWND locked = Below(kTvTestWindow, 100, "locked");
    ChildOf(locked, kTvTestChannelDisplay, "channel");
    const HWND picture = ChildOf(locked, u"Picture", "picture");
    const HWND other = Below(kTvTestWindow, 200, "other");
    LockOnByClicking(picture);
    Activate(other);
    for (int mode : {0, 1, 2}) {
        Router().mode = mode;  // kept while locked; the menu cannot change it then
        EXPECT_EQ(Pressed(0x08), Lines{Post("locked", "0x7C", "0x10001")});
        EXPECT_EQ(Pressed(0x24), (Lines{"keybd_event(Ctrl up, scan 0x1D)", "Sleep(10)",
                                        "keybd_event(Shift down, scan 0x2A)", "Sleep(10)",
                                        "PostMessageW(channel, WM_KEYDOWN, 0x26, 0x0)", "Sleep(10)",
                                        "keybd_event(Shift up, scan 0x2A)", "Sleep(10)"}));
    }
}

TEST_F(RoutingTest, UnderLockOnNothingIsDeliveredWhileMagicTvIsInFrontAndTheLockStays) {
    StartInMode(1);
    const HWND locked = Below(kTvTestWindow, 100, "locked");
    const HWND magic = Below(kMagicTvWindow, 400, "magic");
    LockOnByClicking(locked);
    Activate(magic);
    for (BYTE code : {0x08, 0x24, 0x1C}) EXPECT_EQ(Pressed(code), Lines{}) << int(code);
    EXPECT_EQ(DeliverChord(Router(), ButtonKeyTable[0x08]), 1);
    EXPECT_EQ(Router().lockedTarget, locked);
    EXPECT_EQ(desk.MenuState(IDM_LOCKON), MFS_CHECKED);
}

TEST_F(RoutingTest, WhenTheLockedViewerHasClosedTheNextButtonGoesByTheModeAndEndsTheLock) {
    StartInMode(1);
    const HWND locked = Below(kTvTestWindow, 100, "locked");
    const HWND other = Below(kTvTestWindow, 200, "other");
    LockOnByClicking(locked);
    Activate(other);
    desk.CloseWindow(locked);

    Lines expected{Post("other", "0x7C", "0x10001")};
    for (const std::string& line : ClearedLockMenu(1)) expected.push_back(line);
    EXPECT_EQ(Pressed(0x08), expected);
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(Pressed(0x08), Lines{Post("other", "0x7C", "0x10001")});
}

TEST_F(RoutingTest, AnEmptyButtonAfterTheLockedViewerClosedStillEndsTheLock) {
    StartInMode(2);
    HWND locked = Below(kTvTestWindow, 100, "locked");
    LockOnByClicking(locked);
    desk.CloseWindow(locked);
    EXPECT_EQ(Pressed(52), ClearedLockMenu(2));

    // The same, one call at a time: 0 once, then 1.
    locked = Below(kTvTestWindow, 100, "locked");
    LockOnByClicking(locked);
    desk.CloseWindow(locked);
    EXPECT_EQ(DeliverChord(Router(), ButtonKeyTable[52]), 0);
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(DeliverChord(Router(), ButtonKeyTable[52]), 1);
    EXPECT_EQ(Calls(), Lines{});
}

// ----- a program in front with higher rights -----

TEST_F(RoutingTest, KeysAProgramWithHigherRightsWouldDropAreRefusedAndToldOnceForEachProgram) {
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    desk.strings[IDS_VIEWER_REFUSED] = u"%1 refused";
    StartInMode(0);
    const HWND admin = Below(u"Notepad", 300, "admin"), adminToo = Below(u"Notepad", 300, "admin too");
    const HWND plain = Below(u"Notepad", 400, "plain"), guarded = Below(u"Guarded", 500, "guarded");
    desk.processImages = {{300, u"C:\\Windows\\notepad.exe"}, {400, u"C:\\Tools\\notepad2.exe"}};
    desk.integrityLevels[300] = SECURITY_MANDATORY_HIGH_RID;
    const HWND otherUsers = Below(u"Guarded", 600, "another user's");
    desk.queryRefused = {500, 600};
    desk.refusedPosts.insert(guarded);  // the posted probe: refused for the higher level alone
    const struct {
        const char* what;
        HWND front;
        bool typed;
        int rightsAsked;    // token reads: the window's, and Korvanta's own at the first
        const char* told;   // the balloon's text, or null for none
    } cases[] = {
        {"a program run as administrator: nothing typed, told naming it", admin, false, 2, "notepad.exe refused"},
        {"the same window again: neither asked nor told again", admin, false, 0, nullptr},
        {"another window of the same program: asked, not told again", adminToo, false, 1, nullptr},
        {"a program at Korvanta's level: typed as ever", plain, true, 1, nullptr},
        {"the same window again: not asked again", plain, true, 0, nullptr},
        {"a program that refuses the question, run as administrator: the probe says so", guarded, false, 0,
         "Guarded refused"},
        {"one that refuses it at Korvanta's level (another user's): typed", otherUsers, true, 0, nullptr},
    };
    int balloons = 0;
    for (const auto& c : cases) {
        Activate(c.front);
        const int asked = desk.tokenQueries;
        const Lines calls = Pressed(0x08);
        const std::string log = desk.files.at(kLog);
        const std::string last = log.substr(log.rfind("code=08"));
        EXPECT_EQ(RoutingTest::Count(calls, "SendInput"), c.typed ? 2 : 0) << c.what;
        EXPECT_EQ(last.find("route=none reason=refused error=5") != std::string::npos, !c.typed) << c.what;
        EXPECT_EQ(desk.tokenQueries - asked, c.rightsAsked) << c.what;
        balloons += c.told ? 1 : 0;
        EXPECT_EQ(desk.trayBalloons, balloons) << c.what;
        if (c.told) EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), c.told) << c.what;
    }
    EXPECT_EQ(desk.openProcessHandles, 0);
}
