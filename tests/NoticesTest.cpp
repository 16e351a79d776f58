// What the program tells the user of its own accord: where it is at the first
// start and when started again, that the receiver is missing, and that a
// viewer refuses its messages. Each once per cause, and never for another.
#include "app/Notices.h"
#include "delivery/LockOn.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class NoticesTest : public ViewerDeskTest {
protected:
    // A settings file from an earlier run.
    void LaterStart() { desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001"); }

    void Pump() {
        MSG msg{};
        while (desk.GetMessageW(&msg, nullptr, 0, 0) > 0) desk.DispatchMessageW(&msg);
    }

    // Another copy started while this one runs, as the user double-clicks it.
    int SecondStart() {
        desk.existingMutexes.insert(u"KorvantaMutex");
        const int exitCode = RunKorvanta(instance);
        Pump();
        return exitCode;
    }

    int AllBalloons() const { return desk.trayBalloons; }
    std::string Tip() const { return sim::Narrow(desk.lastTrayIcon.szTip); }
};

// ----- first start -----

TEST_F(NoticesTest, AFirstStartSaysOnceWhereTheProgramIsAndALaterStartSaysNothing) {
    Start();
    EXPECT_EQ(desk.Balloons(IDS_FIRST_START_TITLE), 1);
    EXPECT_EQ(AllBalloons(), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "string " + std::to_string(IDS_FIRST_START));
    EXPECT_EQ(desk.lastTrayBalloon.dwInfoFlags, NIIF_INFO);
    Command(IDM_MODE_DIRECT);
    Report1(0x08);
    EXPECT_EQ(AllBalloons(), 1);
    Command(IDM_EXIT);  // writes the file

    desk.trayBalloons = 0;
    desk.balloonTitles.clear();
    Start();
    EXPECT_EQ(AllBalloons(), 0);
}

TEST_F(NoticesTest, AStartWithTheSettingsFileOrWithoutAPathForItIsNoFirstStart) {
    LaterStart();
    Start();
    EXPECT_EQ(AllBalloons(), 0);
    Command(IDM_EXIT);

    // Nowhere to look: nothing is claimed.
    desk.files.clear();
    desk.moduleFileNameFails = true;
    Start();
    EXPECT_EQ(AllBalloons(), 0);
}

// ----- a second start -----

TEST_F(NoticesTest, ASecondStartLeavesAtOnceAndTheRunningCopySaysItIsThere) {
    LaterStart();
    Start();
    Command(IDM_MODE_DIRECT_FG);
    desk.ClearCalls();
    EXPECT_EQ(SecondStart(), 0);
    EXPECT_EQ(desk.Balloons(IDS_ALREADY_RUNNING_TITLE), 1);
    EXPECT_EQ(AllBalloons(), 1);
    EXPECT_EQ(desk.lastTrayBalloon.dwInfoFlags, NIIF_INFO);
    // The second copy made no window, no icon and wrote nothing; the first
    // is as it was.
    EXPECT_TRUE(desk.CallsMatching("CreateWindowExW").empty());
    EXPECT_TRUE(desk.CallsMatching("Shell_NotifyIconW(NIM_ADD").empty());
    EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW").empty());
    EXPECT_EQ(Router().mode, kModeDirectForeground);
    EXPECT_EQ(desk.trayIcons, 1);
}

TEST_F(NoticesTest, TenSecondStartsInARowBringOneBalloonAndAnotherOnlyAfterAPause) {
    LaterStart();
    Start();
    for (int i = 0; i < 10; ++i) {
        desk.tickCount += 100;
        EXPECT_EQ(SecondStart(), 0);
    }
    EXPECT_EQ(desk.Balloons(IDS_ALREADY_RUNNING_TITLE), 1);
    desk.tickCount += kShowRunningPause;
    SecondStart();
    EXPECT_EQ(desk.Balloons(IDS_ALREADY_RUNNING_TITLE), 2);

    // Across the tick count's wrap the pause still holds.
    desk.tickCount = 0xFFFFFFFF - 1000;
    SecondStart();
    EXPECT_EQ(desk.Balloons(IDS_ALREADY_RUNNING_TITLE), 3);
    desk.tickCount += 2000;  // wrapped: 1000 ms later
    SecondStart();
    EXPECT_EQ(desk.Balloons(IDS_ALREADY_RUNNING_TITLE), 3);
}

TEST_F(NoticesTest, OnlyTheRegisteredMessageAsksAndNothingAnswersAfterTheTeardown) {
    LaterStart();
    Start();
    MainWindowProc(mainWindow, WM_USER + 102, 0, 0);
    EXPECT_EQ(AllBalloons(), 0);
    MainWindowProc(mainWindow, desk.RegisterWindowMessageW(kShowRunningMessageName), 0, 0);
    EXPECT_EQ(AllBalloons(), 1);
    Command(IDM_EXIT);
    desk.tickCount += kShowRunningPause;
    MainWindowProc(mainWindow, desk.RegisterWindowMessageW(kShowRunningMessageName), 0, 0);
    EXPECT_EQ(AllBalloons(), 1);
}

// ----- the receiver -----

TEST_F(NoticesTest, WithoutTheReceiverTheTipAndOneBalloonSaySoUntilItsFirstReport) {
    LaterStart();
    desk.UnplugDevice(receiver);
    const HANDLE foreign = desk.AddHidDevice(0x046D, 0xC31C);
    mainWindow = CreateMainWindow(instance);
    // Registered as ever, so that a receiver plugged in later works at once.
    EXPECT_EQ(desk.CallsMatching("RegisterRawInputDevices").size(), 1u);
    EXPECT_EQ(Tip(), "string " + std::to_string(IDS_TIP_NO_RECEIVER));
    EXPECT_EQ(desk.Balloons(IDS_NO_RECEIVER_TITLE), 1);
    EXPECT_EQ(AllBalloons(), 1);
    EXPECT_EQ(desk.lastTrayBalloon.dwInfoFlags, NIIF_WARNING);

    // Another device's input changes nothing; the receiver's first report,
    // even a release, puts the tip back, once.
    desk.ClearCalls();
    Input(desk.AddHidPacket(foreign, {Report(0x08)}));
    EXPECT_TRUE(desk.CallsMatching("Shell_NotifyIconW").empty());
    desk.PlugDevice(receiver);
    Report1(0);
    EXPECT_EQ(desk.CallsMatching("Shell_NotifyIconW"), Lines{"Shell_NotifyIconW(NIM_MODIFY, id 1, tip Korvanta)"});
    EXPECT_EQ(Tip(), "Korvanta");
    Report1(0x08);
    Report1(0);
    EXPECT_EQ(desk.CallsMatching("Shell_NotifyIconW").size(), 1u);
    EXPECT_EQ(AllBalloons(), 1);
}

TEST_F(NoticesTest, ARestartedNotificationAreaGetsTheIconWithTheTipInForce) {
    LaterStart();
    desk.UnplugDevice(receiver);
    Start();
    MainWindowProc(mainWindow, desk.RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
    EXPECT_EQ(Tip(), "string " + std::to_string(IDS_TIP_NO_RECEIVER));
    EXPECT_EQ(AllBalloons(), 1);
}

TEST_F(NoticesTest, TheReceiverPresentOrADeviceListThatCannotBeReadBringsNoNotice) {
    LaterStart();
    // A keyboard whose fields would read as the receiver's ids does not count,
    // but the receiver beside it does.
    desk.AddKeyboardDevice();
    Start();
    EXPECT_EQ(Tip(), "Korvanta");
    EXPECT_EQ(AllBalloons(), 0);
    Command(IDM_EXIT);

    desk.UnplugDevice(receiver);
    desk.AddKeyboardDevice();
    desk.deviceListFails = true;
    Start();
    EXPECT_EQ(Tip(), "Korvanta");
    EXPECT_EQ(AllBalloons(), 0);
}

TEST_F(NoticesTest, DevicesPluggedInBetweenTheCountAndTheListAreLookedThroughToo) {
    LaterStart();
    desk.UnplugDevice(receiver);
    // Counted with none; by the time the list is read, three others are there.
    desk.onDeviceCount = [&] {
        desk.onDeviceCount = nullptr;
        desk.AddHidDevice(0x046D, 0xC31C);
        desk.AddHidDevice(0x045E, 0x0800);
        desk.AddKeyboardDevice();
    };
    Start();
    EXPECT_EQ(desk.Balloons(IDS_NO_RECEIVER_TITLE), 1);

    // The same, with the receiver among them.
    Command(IDM_EXIT);
    desk.onDeviceCount = [&] {
        desk.onDeviceCount = nullptr;
        desk.AddHidDevice(0x046D, 0xC31C);
        desk.PlugDevice(receiver);
    };
    desk.balloonTitles.clear();
    Start();
    EXPECT_EQ(desk.Balloons(IDS_NO_RECEIVER_TITLE), 0);
}

TEST_F(NoticesTest, AKeyboardThatLooksLikeTheReceiverIsNoReceiver) {
    LaterStart();
    desk.UnplugDevice(receiver);
    desk.AddKeyboardDevice();
    Start();
    EXPECT_EQ(desk.Balloons(IDS_NO_RECEIVER_TITLE), 1);
}

// ----- a viewer that refuses -----

TEST_F(NoticesTest, TheFirstRefusalForWantOfRightsIsToldOnceAndDeliveryGoesOnAsBefore) {
    LaterStart();
    StartInMode(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    Activate(viewer);
    desk.refusedPosts.insert(viewer);
    // The post is made as ever; the balloon follows it, naming the program
    // (the on-screen line asks for the name again).
    const std::string nameAsked = "OpenProcess(access 0x1000, inherit 0, pid 100)";
    EXPECT_EQ(Pressed(0x08), (Lines{Post("viewer", "0x7C", "0x10001"), nameAsked,
                                    "Shell_NotifyIconW(NIM_MODIFY, id 1, balloon string " +
                                        std::to_string(IDS_VIEWER_REFUSED_TITLE) + ": string " +
                                        std::to_string(IDS_VIEWER_REFUSED) + ", icon 0x2)",
                                    nameAsked}));
    EXPECT_EQ(Pressed(0x08), (Lines{Post("viewer", "0x7C", "0x10001"), nameAsked}));
    Pressed(0x24);  // a direction key posted to the viewer, refused too
    EXPECT_EQ(AllBalloons(), 1);
}

TEST_F(NoticesTest, ARefusalUnderLockOnIsToldAndOtherFailuresAreNot) {
    LaterStart();
    StartInMode(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    Activate(viewer);
    // A post that fails for another reason: the viewer's queue is full.
    desk.refusedPosts.insert(viewer);
    desk.refusedPostError = 1816;  // ERROR_NOT_ENOUGH_QUOTA
    Pressed(0x08);
    EXPECT_EQ(AllBalloons(), 0);
    desk.refusedPostError = ERROR_ACCESS_DENIED;

    const HWND locked = Below(kTvTestWindow, 200, "locked");
    LockOnByClicking(locked);
    desk.refusedPosts.insert(locked);
    desk.processImages[200] = u"C:\\TV\\TVTest.exe";
    desk.strings[IDS_VIEWER_REFUSED] = u"%1 runs as administrator";
    Pressed(0x08);
    EXPECT_EQ(desk.Balloons(IDS_VIEWER_REFUSED_TITLE), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "TVTest.exe runs as administrator");
    EXPECT_EQ(AllBalloons(), 1);
}
