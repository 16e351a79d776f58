// The on-screen line: what it says of each kind of press, when it shows
// under Osd 0, 1 and 2, and that its window takes neither the foreground
// nor a viewer search's place.
#include "app/OnScreenLine.h"
#include "app/SettingsWindow.h"
#include "delivery/ViewerDiscovery.h"
#include "remote/CommandLine.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

class OnScreenLineTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr;

    void StartWithOsd(const char16_t* osd) {
        desk.strings = {{IDS_LINE_SENT, u"%1  %2 → %3"},
                        {IDS_LINE_SENT_BY_MAP, u"%1  %2 → %3（%4 の割り当て）"},
                        {IDS_LINE_ACTION, u"%1  %2"},
                        {IDS_LINE_NOT_STARTED, u"%1  %2 を起動できません"},
                        {IDS_LINE_NO_VIEWER, u"%1  ビューアーが見つかりません"},
                        {IDS_LINE_REFUSED_RIGHTS, u"%1  %3 が受け付けません（管理者として実行中）"},
                        {IDS_LINE_LONG, u"長押し %1"},
                        {IDS_LINE_RUN, u"%1 を起動"}};
        if (osd) desk.SetProfileString(kIni, u"Korvanta", u"Osd", osd);
        desk.processImages[100] = u"C:\\TV\\TVTest.exe";
        viewer = Below(kTvTestWindow, 100, "viewer");
        desk.SetForeground(viewer);
        StartInMode(1);
    }
    const OnScreenLine& Line() { return Records()->onScreenLine; }
    std::u16string Shown() { return Line().shown ? std::u16string(Line().text) : u"(none)"; }

    // What the line says of one press's record under Osd=2.
    std::u16string Says(const PressEvent& event) {
        char16_t text[kPressNoticeCapacity];
        return FormatPressNotice(instance, event, kOsdEveryPress, text, kPressNoticeCapacity) ? text : u"(none)";
    }
};

TEST_F(OnScreenLineTest, SaysWhatEachKindOfPressDid) {
    StartWithOsd(u"2");
    CommandLine epg;
    SplitCommandLine(u"\"C:\\TV\\EPG.exe\" /s", 18, epg);
    const std::u16string mpc = u"mpc-be64.exe";
    const ButtonAction f16{{1, 1, 0x7F}, kActionChord, 0};
    const ButtonAction run{{}, kActionRun, 0};
    const ReportSource code2A{0x04BB, 0x0F0E, 0x2A, 0};
    struct Row {
        const char* what;
        PressEvent event;
        const char16_t* says;
    } rows[] = {
        {"delivered", {code2A, true, f16, {1, 0, 0, 0, kRouteKeyHook, kReasonNone, viewer}},
         u"2A  Shift+Ctrl+F16 → TVTest.exe"},
        {"long, a program started",
         {code2A, true, run, {1, 0, 0, 0, kRouteRun, kReasonNone, nullptr, 0, &epg}, false, nullptr, kPressLong},
         u"長押し 2A  EPG.exe を起動"},
        {"a program's map", {code2A, true, f16, {1, 0, 0, 0, kRouteKeyHook, kReasonNone, viewer}, false, &mpc},
         u"2A  Shift+Ctrl+F16 → TVTest.exe（mpc-be64.exe の割り当て）"},
        {"no viewer", {code2A, true, f16, {1, 0, 0, 0, kRouteNone, kReasonNoViewer}}, u"2A  ビューアーが見つかりません"},
        {"refused", {code2A, true, f16, {1, 0, 0, 0, kRouteNone, kReasonRefused, viewer, ERROR_ACCESS_DENIED}},
         u"2A  TVTest.exe が受け付けません（管理者として実行中）"},
        {"not started", {code2A, true, run, {1, 0, 0, 0, kRouteNone, kReasonRunFailed, nullptr, 2, &epg}},
         u"2A  EPG.exe を起動できません"},
        {"learnt", {code2A, true, f16, {1, 0, 0, 0, kRouteNone, kReasonLearning}}, u"(none)"},
        {"held, not yet told", {code2A, true, f16, {}, false, nullptr, kPressHeld}, u"(none)"},
        {"a swallowed repeat", {code2A, false}, u"(none)"},
        {"another remote's button",
         {{0x045E, 0x0800, 0, 0xCD}, true, f16, {1, 0, 0, 0, kRouteKeyHook, kReasonNone, viewer}},
         u"045E:0800 再生/一時停止 (00CD)  Shift+Ctrl+F16 → TVTest.exe"},
    };
    for (const Row& row : rows) EXPECT_EQ(Says(row.event), row.says) << row.what;
}

// With 0 nothing is ever made; with 1 only a press that missed makes the
// window; with 2 every press shows.
TEST_F(OnScreenLineTest, ShowsAsOsdSays) {
    struct Row {
        const char16_t* osd;
        bool delivered;
        const char16_t* shown;
    } rows[] = {
        {u"0", true, u"(none)"}, {u"0", false, u"(none)"},
        {u"1", true, u"(none)"}, {u"1", false, u"08  ビューアーが見つかりません"},
        {nullptr, false, u"08  ビューアーが見つかりません"},  // a missing key is 1
        {u"x", true, u"(none)"}, {u"7", false, u"08  ビューアーが見つかりません"},  // unusable: 1
        {u"2", true, u"08  Shift+F13 → TVTest.exe"}, {u"2", false, u"08  ビューアーが見つかりません"},
    };
    for (const Row& row : rows) {
        TearDown();
        desk = sim::SimDesktop{};
        SetUp();
        StartWithOsd(row.osd);
        if (!row.delivered) desk.CloseWindow(viewer);
        Pressed(0x08);
        const std::string what = row.osd ? sim::Narrow(row.osd) : "missing";
        EXPECT_EQ(Shown(), row.shown) << what << (row.delivered ? " delivered" : " missed");
        EXPECT_EQ(desk.CallsMatching("CreateWindowExW(KorvantaOnScreenLine").size(), Line().shown ? 1u : 0u) << what;
    }
}

TEST_F(OnScreenLineTest, AnUnusableValueIsLoggedOnce) {
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    StartWithOsd(u"x");
    Pressed(0x08);
    EXPECT_NE(desk.files[kLog].find("setting Osd=\"x\" unusable, osd=1\r\n"), std::string::npos);
    MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
    EXPECT_EQ(desk.files[kLog].find("Osd=", desk.files[kLog].find("Osd=") + 1), std::string::npos);
}

TEST_F(OnScreenLineTest, NeverTakesTheFrontAndGoesAfterItsTime) {
    StartWithOsd(u"2");
    Pressed(0x08);
    const HWND line = Line().window;
    const sim::Window& window = desk.WindowOf(line);
    const DWORD styles = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(window.exStyle & styles, styles);
    EXPECT_EQ(window.owner, nullptr);
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(desk.GetForegroundWindow(), viewer);
    EXPECT_EQ(OnScreenLineProc(line, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_EQ(OnScreenLineProc(line, WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
    // Centred near the bottom of the work area, in a font 1/18 of the monitor high.
    EXPECT_EQ(Line().fontHeight, 60);
    EXPECT_EQ((window.rect.left + window.rect.right) / 2, 960);
    EXPECT_LT(window.rect.bottom, desk.workRect.bottom);
    EXPECT_GT(window.rect.top, desk.workRect.bottom / 2);
    // No viewer search takes it, though it is on top of everything.
    EXPECT_EQ(FindViewerInZOrder(), viewer);
    EXPECT_EQ(desk.CallsMatching("SetForegroundWindow").size(), 0u);

    // A second press restarts the time; the window and the font are kept.
    desk.ClearCalls();
    Pressed(0x08);
    EXPECT_EQ(desk.CallsMatching("CreateWindowExW").size() + desk.CallsMatching("CreateFontW").size(), 0u);
    EXPECT_EQ(desk.CallsMatching("SetTimer(KorvantaOnScreenLine, 2, 1500 ms)").size(), 1u);
    // Placed, shown and hidden without activation.
    desk.onIdle = [] { return false; };
    MSG msg{};
    desk.MsgWaitForMultipleObjectsEx(0, nullptr, 1500, 0, 0);
    while (desk.PeekMessageW(&msg, nullptr, 0, 0, 1)) desk.DispatchMessageW(&msg);
    const std::vector<std::string> placed = desk.CallsMatching("SetWindowPos(KorvantaOnScreenLine");
    ASSERT_EQ(placed.size(), 2u);
    for (const std::string& call : placed)
        EXPECT_NE(std::stoul(call.substr(call.find("flags 0x") + 8), nullptr, 16) & SWP_NOACTIVATE, 0u) << call;
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(desk.LiveTimers(), 0);  // hidden, nothing wakes the program

    Command(IDM_EXIT);
    EXPECT_EQ(desk.liveFonts, 0);
    EXPECT_FALSE(desk.IsWindow(line));
}

TEST_F(OnScreenLineTest, APressTheSettingsWindowLearnsShowsNothing) {
    StartWithOsd(u"2");
    Command(IDM_SETTINGS);
    ASSERT_TRUE(SettingsWindowLearns(Records()->settingsWindow));
    Pressed(0x08);
    EXPECT_EQ(Line().window, nullptr);
}

TEST_F(OnScreenLineTest, TheSettingsWindowWritesTheChoiceOnlyWhenChanged) {
    StartWithOsd(u"x");
    Command(IDM_SETTINGS);
    EXPECT_EQ(desk.controls[IDC_OSD].selection, kOsdWhenMissed);  // the unusable value reads as 1
    desk.ClickDialogButton(IDC_APPLY);
    EXPECT_EQ(desk.ProfileValue(kIni, u"Osd"), u"x");  // nothing changed, nothing written
    desk.ChooseDialogItem(IDC_OSD, kOsdNever);
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(desk.ProfileValue(kIni, u"Osd"), u"0");
    MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
    EXPECT_EQ(Records()->osd.show, kOsdNever);
    desk.CloseWindow(viewer);
    Pressed(0x08);
    EXPECT_EQ(Line().window, nullptr);
}
