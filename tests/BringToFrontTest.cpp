// Button 0x21: a viewer is forced into the foreground, each press moving on to
// the viewer process with the next higher id and wrapping to the lowest.
#include "delivery/BringToFront.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class BringToFrontTest : public ViewerDeskTest {
protected:
    void SetUp() override {
        ViewerDeskTest::SetUp();
        StartInMode(1);
    }

    // The window each press brought forward, "-" when none.
    std::string PressFront() { return ActivatedIn(Pressed(0x21)); }
    static std::string ActivatedIn(const Lines& lines) {
        const std::string prefix = "SetForegroundWindow(";
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size(), line.size() - prefix.size() - 1);
        return "-";
    }

    // The calls of one forced activation; the desktop gives process p the thread p + 1.
    static Lines Activation(const std::string& target, DWORD targetThread, DWORD foregroundThread) {
        const std::string threads = std::to_string(targetThread) + ", " + std::to_string(foregroundThread);
        return {"AttachThreadInput(" + threads + ", TRUE)",
                "SetActiveWindow(" + target + ")",
                "SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, flags 0)",
                "SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, 0, flags 0)",
                "SetActiveWindow(" + target + ")",
                "SetForegroundWindow(" + target + ")",
                "SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 200000, 0, flags 0)",
                "AttachThreadInput(" + threads + ", FALSE)"};
    }
};

TEST_F(BringToFrontTest, ThreeViewerProcessesAreVisitedInAscendingIdOrderAndWrap) {
    // The viewer of process 200 in front, those of 100 and 300 behind it.
    const HWND v200 = Below(kTvTestWindow, 200, "viewer200");
    Below(kTvTestWindow, 100, "viewer100");
    Below(kTvH264Window, 300, "viewer300");
    desk.SetForeground(v200);

    EXPECT_EQ(Pressed(0x21), Activation("viewer300", 301, 201));
    EXPECT_EQ(desk.foregroundLockTimeout, 200000u);
    EXPECT_EQ(Pressed(0x21), Activation("viewer100", 101, 301));
    EXPECT_EQ(PressFront(), "viewer200");
    EXPECT_EQ(PressFront(), "viewer300");
}

TEST_F(BringToFrontTest, WithAnotherProgramInFrontTheFirstViewerBelowItIsTheCurrentOne) {
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    Below(kTvTestWindow, 100, "viewer100");
    Below(kTvTestWindow, 200, "viewer200");
    EXPECT_EQ(Pressed(0x21), Activation("viewer200", 201, 901));
}

TEST_F(BringToFrontTest, OfTwoWindowsOfOneProcessTheHigherOneIsActivated) {
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer100"));
    Below(kTvTestWindow, 200, "window200");
    Below(kTvTestFullscreen, 200, "fullscreen200");
    EXPECT_EQ(PressFront(), "window200");
}

TEST_F(BringToFrontTest, ASingleViewerProcessKeepsTheWindowFoundInFrontWhateverLiesBelow) {
    desk.SetForeground(Below(kTvTestFullscreen, 100, "fullscreen100"));
    Below(kTvTestWindow, 100, "window100");
    EXPECT_EQ(Pressed(0x21), Activation("fullscreen100", 101, 101));
}

TEST_F(BringToFrontTest, MagicTvBetweenViewersIsPassedOverButBeforeThemAllStopsThePress) {
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer100"));
    const HWND magic = Below(kMagicTvWindow, 400, "magic");
    Below(kTvTestWindow, 200, "viewer200");
    EXPECT_EQ(PressFront(), "viewer200");
    EXPECT_EQ(PressFront(), "viewer100");

    Activate(magic);
    EXPECT_EQ(Pressed(0x21), Lines{});
    Activate(Below(u"Notepad", 900, "notepad"));  // notepad in front, then mAgicTV, then the viewers
    EXPECT_EQ(Pressed(0x21), Lines{});
}

TEST_F(BringToFrontTest, AViewerAboveTheForegroundWindowIsNeverChosen) {
    // An always-on-top viewer of process 300, below it the viewer of 200 in
    // the foreground, below that the viewer of 100.
    Below(kTvTestWindow, 300, "ontop300");
    desk.SetForeground(Below(kTvTestWindow, 200, "viewer200"));
    Below(kTvTestWindow, 100, "viewer100");
    EXPECT_EQ(PressFront(), "viewer100");
}

TEST_F(BringToFrontTest, ThePressNeitherUsesNorChangesTheLockOn) {
    const HWND v100 = Below(kTvTestWindow, 100, "viewer100");
    const HWND v200 = Below(kTvTestWindow, 200, "viewer200");
    Below(kTvTestWindow, 300, "viewer300");
    LockOnByClicking(v100);
    desk.SetForeground(v200);
    EXPECT_EQ(Pressed(0x21), Activation("viewer300", 301, 201));
    EXPECT_EQ(Router().lockedTarget, v100);

    // A lock whose window has gone stays for the next other button to clear.
    desk.CloseWindow(v100);
    EXPECT_EQ(PressFront(), "viewer200");
    EXPECT_EQ(Router().lockedTarget, v100);
    EXPECT_EQ(desk.MenuState(IDM_LOCKON), MFS_CHECKED);
}

TEST_F(BringToFrontTest, AHeldButtonAdvancesTheCycleOnEveryReportTheRepeatFilterLetsThrough) {
    desk.SetForeground(Below(kTvTestWindow, 200, "viewer200"));
    Below(kTvTestWindow, 100, "viewer100");
    Below(kTvTestWindow, 300, "viewer300");
    Report1(0);
    Lines fronts;
    for (int report = 0; report < 8; ++report) {
        desk.ClearCalls();
        Report1(0x21);
        fronts.push_back(ActivatedIn(desk.calls));
    }
    EXPECT_EQ(fronts, (Lines{"viewer300", "-", "-", "-", "-", "-", "viewer100", "viewer200"}));
}

TEST_F(BringToFrontTest, AnUnreadableTimeOutIsLeftAloneWhileTheActivationStillRuns) {
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer100"));
    Below(kTvTestWindow, 200, "viewer200");
    desk.foregroundTimeoutReadable = false;
    EXPECT_EQ(Pressed(0x21), (Lines{"AttachThreadInput(201, 101, TRUE)", "SetActiveWindow(viewer200)",
                                    "SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, flags 0)",
                                    "SetActiveWindow(viewer200)", "SetForegroundWindow(viewer200)",
                                    "AttachThreadInput(201, 101, FALSE)"}));
    EXPECT_EQ(desk.foregroundLockTimeout, 200000u);
}

TEST_F(BringToFrontTest, AHungViewerIsPassedOverAsIfItWereNotThere) {
    // 100 in front, 200 hung, 300: the cycle goes 100, 300, 100, never to 200.
    const HWND v100 = Below(kTvTestWindow, 100, "viewer100");
    desk.AddWindowAtBottom(kTvTestWindow, {.pid = 200, .hung = true, .label = "hung200"});
    Below(kTvTestWindow, 300, "viewer300");
    desk.SetForeground(v100);
    EXPECT_EQ(Pressed(0x21), Activation("viewer300", 301, 101));
    EXPECT_EQ(PressFront(), "viewer100");
    EXPECT_EQ(PressFront(), "viewer300");
    EXPECT_TRUE(desk.CallsMatching("AttachThreadInput(201").empty());
}

TEST_F(BringToFrontTest, AHungViewerAloneBesideTheCurrentOneLeavesTheCurrentOneInFront) {
    const HWND v100 = Below(kTvTestWindow, 100, "viewer100");
    desk.AddWindowAtBottom(kTvTestWindow, {.pid = 50, .hung = true, .label = "hung50"});
    desk.SetForeground(v100);
    EXPECT_EQ(Pressed(0x21), Activation("viewer100", 101, 101));
}

TEST_F(BringToFrontTest, AHungViewerInFrontStillMarksThePlaceInTheCycle) {
    // The hung viewer of 200 is in front; 300 is next, and 100 after that.
    desk.SetForeground(desk.AddWindowAtBottom(kTvTestWindow, {.pid = 200, .hung = true, .label = "hung200"}));
    Below(kTvTestWindow, 100, "viewer100");
    Below(kTvTestWindow, 300, "viewer300");
    EXPECT_EQ(PressFront(), "viewer300");
}

TEST_F(BringToFrontTest, AHungViewerThatIsTheOnlyOneIsNotTouched) {
    const HWND hung = desk.AddWindowAtBottom(kTvTestWindow, {.pid = 200, .hung = true, .label = "hung200"});
    desk.SetForeground(hung);
    EXPECT_EQ(Pressed(0x21), Lines{});
    EXPECT_EQ(desk.GetForegroundWindow(), hung);
}

TEST_F(BringToFrontTest, AViewerThatClosesWhileTheWalkStandsOnItIsNeitherActivatedNorCompared) {
    // Process 100 in front; the viewer of 70 below it closes just as its class has been read.
    const HWND v100 = Below(kTvTestWindow, 100, "viewer100");
    const HWND v70 = Below(kTvTestWindow, 70, "viewer70");
    Below(kTvTestWindow, 300, "viewer300");
    desk.SetForeground(v100);
    desk.onClassNameRead = [&](HWND read) {
        if (read == v70) desk.CloseWindow(v70);
    };
    // The walk ends at the closed window; the current viewer is the only one met.
    EXPECT_EQ(Pressed(0x21), Activation("viewer100", 101, 101));
}
