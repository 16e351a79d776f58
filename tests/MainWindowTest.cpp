// The hidden main window: start-up, the creation and teardown orders, and
// how each message is handled, before and after the teardown.
#include "app/TrayMenu.h"
#include "delivery/LockOn.h"
#include "delivery/ViewerClasses.h"
#include "tests/ProgramTest.h"

using namespace win;

using Lines = std::vector<std::string>;

TEST_F(ProgramTest, CreationBuildsEveryRecordInOrderAndLoadsTheSettingsIntoRouterAndMenu) {
    desk.SetProfileString(u"C:\\Program Files\\Korvanta\\Korvanta.ini", u"Korvanta", u"TVTC_MODE", u"00000001");
    mainWindow = CreateMainWindow(instance);
    EXPECT_EQ(Calls(), (Lines{
                           "RegisterClassExW(KORVANTA, style 0x3)",
                           "CreateWindowExW(KORVANTA, Korvanta, style 0xCF0000)",
                           "RegisterRawInputDevices(count 1, size " + std::to_string(sizeof(RAWINPUTDEVICE)) +
                               ", page 0xC usage 0x1 flags 0x100 main)",
                           // whether this is a first start, before anything can write the file
                           "CreateFileW(C:\\Program Files\\Korvanta\\Korvanta.ini, access 0x0, share 0x7, "
                           "OPEN_EXISTING)",
                           "CloseHandle(0xF1001)",
                           // how the file is written, before any value is read from it
                           "CreateFileW(C:\\Program Files\\Korvanta\\Korvanta.ini, access 0x80000000, share 0x7, "
                           "OPEN_EXISTING)",
                           "CloseHandle(0xF1002)",
                           "Shell_NotifyIconW(NIM_ADD, id 1, flags 0x7, callback 0x464, tip Korvanta)",
                           "GetPrivateProfileStringW(Korvanta, TVTC_MODE, 00000000, capacity 33, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",
                           "GetPrivateProfileStringW(Korvanta, IgnoreCursor, 00000000, capacity 33, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",
                           "menu 111 = checked",  // the menu loads with nothing checked
                           "GetPrivateProfileSectionW(Korvanta, capacity 1024, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",  // LongPress
                           "GetPrivateProfileSectionW(Buttons, capacity 1024, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",
                           "GetPrivateProfileSectionNamesW(capacity 1024, C:\\Program Files\\Korvanta\\Korvanta.ini)",
                           "GetPrivateProfileStringW(Korvanta, Log, 00000000, capacity 33, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",
                           "GetPrivateProfileSectionW(Korvanta, capacity 1024, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",  // Osd
                           "GetPrivateProfileSectionW(Korvanta, capacity 1024, "
                           "C:\\Program Files\\Korvanta\\Korvanta.ini)",  // StartViewer
                           // its folder watched for hand edits
                           "FindFirstChangeNotificationW(C:\\Program Files\\Korvanta\\, subtree 0, filter 0x19)",
                       }));
    EXPECT_EQ(Router().mode, 1);
    EXPECT_EQ(Router().lockedTarget, nullptr);
    EXPECT_EQ(Router().keyHookMessage, desk.RegisterWindowMessageW(u"TVTest KeyHook"));
    EXPECT_FALSE(desk.IsWindowVisible(mainWindow));
    EXPECT_EQ(desk.lastTrayIcon.hIcon, desk.LoadIconW(instance, MakeIntResource(IDI_SMALL)));
}

TEST_F(ProgramTest, TeardownSavesReleasesRemovesTheIconAndQuitsInThatOrderOnce) {
    Start();
    MainWindowProc(mainWindow, WM_ENDSESSION, 0, 0);  // even when the session is not ending
    MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
    MainWindowProc(mainWindow, WM_ENDSESSION, 1, 0);
    // Each value is written after a look at what the file holds; there is
    // no file yet, nor settings left in Korvanta.ini.new, so both are, into
    // a file made as UTF-16 first.
    const std::string ini = "C:\\Program Files\\Korvanta\\Korvanta.ini";
    const std::string exists = "CreateFileW(" + ini + ", access 0x0, share 0x7, OPEN_EXISTING)";
    const std::string read = "CreateFileW(" + ini + ", access 0x80000000, share 0x7, OPEN_EXISTING)";
    EXPECT_EQ(Calls(), (Lines{
                           "FindCloseChangeNotification",
                           exists,
                           "GetPrivateProfileStringW(Korvanta, TVTC_MODE, , capacity 33, " + ini + ")",
                           "GetPrivateProfileStringW(Korvanta, IgnoreCursor, , capacity 33, " + ini + ")",
                           read,
                           "CreateFileW(" + ini + ".new, access 0x0, share 0x7, OPEN_EXISTING)",
                           "CreateFileW(" + ini + ", access 0x40000000, share 0x1, CREATE_NEW)",
                           "CloseHandle(0xF1001)",
                           "WritePrivateProfileStringW(Korvanta, TVTC_MODE, 00000000, " + ini + ")",
                           "WritePrivateProfileStringW(Korvanta, IgnoreCursor, 00000000, " + ini + ")",
                           "Shell_NotifyIconW(NIM_DELETE, id 1)",
                           "PostQuitMessage(0)",
                       }));
    EXPECT_EQ(Records(), nullptr);
}

TEST_F(ProgramTest, AfterTeardownLaterMessagesTouchNothing) {
    Start();
    const HWND viewer = desk.AddWindow(kTvTestWindow, {.pid = 100, .label = "viewer"});
    desk.SetForeground(viewer);
    MainWindowProc(mainWindow, WM_ENDSESSION, 1, 0);
    desk.ClearCalls();
    Report1(0x08);
    EXPECT_EQ(Command(IDM_MODE_DIRECT), 0);
    EXPECT_EQ(Command(IDM_LOCKON), 0);
    EXPECT_EQ(Command(IDM_ABOUT), 0);
    EXPECT_EQ(Command(IDM_EXIT), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_LOCKON_CLICK, WM_LBUTTONDOWN, 0), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(Calls(), (Lines{"DefWindowProcW(WM_INPUT)"}));
}

TEST_F(ProgramTest, InputFromAnotherConsumerDeviceOnlyReachesTheDefaultHandling) {
    StartInMode(0);
    const HANDLE mediaKeys = desk.AddHidDevice(0x046D, 0xC31C);
    Input(desk.AddHidPacket(mediaKeys, {Report(0x08)}));
    EXPECT_EQ(Calls(), (Lines{"DefWindowProcW(WM_INPUT)"}));
}

TEST_F(ProgramTest, EveryRemoteReportEndsInTheDefaultHandlingAfterDelivery) {
    StartInMode(0);
    Report1(0x08);
    Report1(0x08);  // a repeat inside the pause
    EXPECT_EQ(Calls(), (Lines{"SendInput[Shift down, F13 down]", "SendInput[F13 up, Shift up]",
                              "DefWindowProcW(WM_INPUT)", "DefWindowProcW(WM_INPUT)"}));
}

TEST_F(ProgramTest, UnknownCommandsGoToTheDefaultHandling) {
    Start();
    for (unsigned id : {107u, 108u, 109u, 0u, 0xFFFFu}) Command(id);
    EXPECT_EQ(Calls(), (Lines{"DefWindowProcW(WM_COMMAND 107)",
                              "DefWindowProcW(WM_COMMAND 108)", "DefWindowProcW(WM_COMMAND 109)",
                              "DefWindowProcW(WM_COMMAND 0)", "DefWindowProcW(WM_COMMAND 65535)"}));
}

TEST_F(ProgramTest, ModeItemsCheckExactlyTheChosenOne) {
    Start();
    Command(IDM_MODE_DIRECT_FG);
    EXPECT_EQ(Router().mode, 2);
    EXPECT_EQ(desk.MenuState(IDM_MODE_HDUS), 0u);
    EXPECT_EQ(desk.MenuState(IDM_MODE_DIRECT), 0u);
    EXPECT_EQ(desk.MenuState(IDM_MODE_DIRECT_FG), MFS_CHECKED);
    Command(IDM_MODE_HDUS);
    EXPECT_EQ(desk.MenuState(IDM_MODE_HDUS), MFS_CHECKED);
    EXPECT_EQ(desk.MenuState(IDM_MODE_DIRECT_FG), 0u);
    Command(IDM_IGNORE_CURSOR);
    EXPECT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), MFS_CHECKED);
    Command(IDM_IGNORE_CURSOR);
    EXPECT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), 0u);
}

TEST_F(ProgramTest, TrayClickShowsThePopupAtTheCursorAfterComingToTheFront) {
    Start();
    EXPECT_EQ(MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONDOWN), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, WM_MOUSEMOVE), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONUP), 0);
    const std::string track = "TrackPopupMenu(popup, flags 0x0, 640,700, main)";
    EXPECT_EQ(Calls(), (Lines{"SetForegroundWindow(main)", track, "SetForegroundWindow(main)", track}));
}

TEST_F(ProgramTest, ACommandChosenFromThePopupComesBackThroughTheQueue) {
    Start();
    desk.menuChoice = IDM_MODE_DIRECT;
    MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONDOWN);
    MSG msg{};
    ASSERT_EQ(desk.GetMessageW(&msg, nullptr, 0, 0), 1);
    desk.DispatchMessageW(&msg);
    EXPECT_EQ(Router().mode, 1);
}

TEST_F(ProgramTest, TheTrayIconComesBackWhenTheNotificationAreaRestarts) {
    Start();
    desk.trayIcons = 0;  // the notification area restarted without our icon
    MainWindowProc(mainWindow, desk.RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
    EXPECT_EQ(desk.trayIcons, 1);
    EXPECT_EQ(Calls(), (Lines{"Shell_NotifyIconW(NIM_ADD, id 1, flags 0x7, callback 0x464, tip Korvanta)"}));
}

TEST_F(ProgramTest, SessionEndQueryAgreesAndPaintingDrawsNothing) {
    Start();
    EXPECT_EQ(MainWindowProc(mainWindow, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_SIZE, 0, 0), 0);
    EXPECT_EQ(MainWindowProc(mainWindow, WM_PAINT, 0, 0), 0);
    EXPECT_EQ(Calls(), (Lines{"BeginPaint", "EndPaint"}));
}

TEST_F(ProgramTest, AboutBoxEndsWithOkAndWithEscape) {
    Start();
    for (INT_PTR button : {IDOK, IDCANCEL}) {
        desk.dialogButton = button;
        desk.ClearCalls();
        Command(IDM_ABOUT);
        EXPECT_EQ(Calls(), (Lines{"DialogBoxParamW(103, main)", "EndDialog(" + std::to_string(button) + ")"}));
    }
    HWND dialog = reinterpret_cast<HWND>(std::uintptr_t{0xD0000});
    EXPECT_EQ(AboutDialogProc(dialog, WM_COMMAND, 3, 0), 0);
    EXPECT_EQ(AboutDialogProc(dialog, WM_CLOSE, 0, 0), 0);
}

// ----- start-up and the message loop -----

TEST_F(ProgramTest, ASecondCopyExitsAtOnceWithNoWindowAndNoIcon) {
    desk.existingMutexes.insert(u"KorvantaMutex");
    EXPECT_EQ(RunKorvanta(instance), 0);
    // With no running copy's window to ask, it only looks for one.
    EXPECT_EQ(Calls(), (Lines{"CreateMutexW(KorvantaMutex)", "FindWindowW(KORVANTA)"}));
}

TEST_F(ProgramTest, ExitFromTheMenuEndsTheLoopWithExitCodeZero) {
    desk.onIdle = [this] {
        if (!Records()) return false;
        desk.Post(desk.TopLevelZOrder().front(), WM_COMMAND, IDM_EXIT, 0);
        return true;
    };
    EXPECT_EQ(RunKorvanta(instance), 0);
    EXPECT_FALSE(desk.queueRanDry);
    EXPECT_EQ(desk.trayIcons, 0);
    EXPECT_EQ(desk.CallsMatching("PostQuitMessage").size(), 1u);
}

TEST_F(ProgramTest, FailedWindowCreationExitsQuietly) {
    desk.createWindowFails = true;
    EXPECT_EQ(RunKorvanta(instance), 0);
    EXPECT_EQ(desk.trayIcons, 0);
}

TEST_F(ProgramTest, AFailingMessageLoopEndsThroughTheTeardownInsteadOfSpinning) {
    desk.waitFails = true;
    EXPECT_EQ(RunKorvanta(instance), 0);
    // The first failure ends the folder's watch, the second the program.
    EXPECT_EQ(desk.failedWaits, 2);
    EXPECT_EQ(desk.CallsMatching("FindCloseChangeNotification").size(), 1u);
    EXPECT_TRUE(desk.CallsMatching("MsgWaitForMultipleObjectsEx asked again").empty());
    // Settings saved and icon removed, as when the menu's exit is chosen.
    EXPECT_EQ(desk.CallsMatching("WritePrivateProfileStringW").size(), 2u);
    EXPECT_EQ(desk.ProfileValue(u"C:\\Program Files\\Korvanta\\Korvanta.ini", u"TVTC_MODE"), u"00000000");
    EXPECT_EQ(desk.trayIcons, 0);
    EXPECT_EQ(Records(), nullptr);
}
