// The settings window: opened from the menu, it learns each button from the
// remote, edits its action, StartViewer and the log, and writes only what
// changed when the user says OK or 適用.
#include "app/ButtonPress.h"
#include "app/SettingsWindow.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

class SettingsWindowTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr;

    void SetUp() override {
        ViewerDeskTest::SetUp();
        desk.strings[IDS_SETTINGS_PRESSED] = u"押されたボタン: %1";
        desk.strings[IDS_SETTINGS_STANDARD] = u"標準";
        desk.strings[IDS_SETTINGS_OWN] = u"変更";
    }

    // In mode 1 with a viewer in front, and the window opened from the menu.
    void StartWithWindow() {
        if (!viewer) viewer = Below(kTvTestWindow, 100, "viewer");
        desk.SetForeground(viewer);
        StartInMode(1);
        Open();
    }
    void Open() {
        Command(IDM_SETTINGS);
        ASSERT_NE(desk.ModelessDialog(), nullptr);
    }
    sim::SimDesktop::Control& Control(int id) { return desk.controls[id]; }
    std::vector<std::u16string> Rows() { return Control(IDC_BUTTON_LIST).items; }
    std::vector<std::string> Writes() { return desk.CallsMatching("WritePrivateProfileStringW"); }
    // A fresh press of `code` (after a release), as Pressed() but keeping the calls.
    void Press(BYTE code) {
        Report1(0);
        Report1(code);
    }
    std::size_t Deliveries() {
        return desk.CallsMatching("PostMessageW(viewer").size() + desk.CallsMatching("SendInput").size() +
               desk.CallsMatching("keybd_event").size();
    }
    static std::u16string Hex2(BYTE code) {
        return {u"0123456789ABCDEF"[code >> 4], u"0123456789ABCDEF"[code & 0xF]};
    }
    // The main window reads the file again as the loop hands it the change.
    void HandQueuedMessages() {
        MSG msg{};
        while (desk.PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) desk.DispatchMessageW(&msg);
    }
    static std::string Write(const std::string& key, const std::string& value) {
        return "WritePrivateProfileStringW(Buttons, " + key + ", " + value +
               ", C:\\Program Files\\Korvanta\\Korvanta.ini)";
    }
};

}  // namespace

// ----- learning -----

TEST_F(SettingsWindowTest, APressSelectsItsRowAddingItAndNothingIsDeliveredWhileTheWindowIsOpen) {
    desk.SetSectionLines(kIni, u"Buttons", {u"08=Shift+F13", u"40=BringToFront"});
    StartWithWindow();
    EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"08\tShift+F13\t変更", u"40\tBringToFront\t変更"}));
    desk.ClearCalls();
    for (BYTE code : {BYTE{0x2A}, BYTE{0x40}, BYTE{0x21}, BYTE{0x08}}) {
        Press(code);
        const auto& list = Control(IDC_BUTTON_LIST);
        ASSERT_GE(list.selection, 0);
        EXPECT_EQ(list.items[list.selection].substr(0, 2), Hex2(code));
    }
    EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"08\tShift+F13\t変更", u"21\tBringToFront\t標準",
                                                   u"2A\tShift+Ctrl+F16\t標準", u"40\tBringToFront\t変更"}));
    EXPECT_EQ(Control(IDC_PRESSED).text, u"押されたボタン: 08");
    // 08 is the user's own key: its controls are there to change it.
    EXPECT_TRUE(Control(IDC_KEY_NAME).enabled);
    desk.ChooseDialogItem(IDC_BUTTON_LIST, 1);  // 21, the standard front
    EXPECT_FALSE(Control(IDC_KEY_NAME).enabled);
    EXPECT_FALSE(Control(IDC_RUN_COMMAND).enabled);
    EXPECT_TRUE(Control(IDC_KEY_CATCH).enabled);  // a key pressed there makes it a key
    EXPECT_EQ(Deliveries(), 0u);
    EXPECT_TRUE(desk.CallsMatching("SetForegroundWindow").empty());  // the front button too

    // Closed, the remote works as before.
    desk.ClickDialogButton(IDCANCEL);
    EXPECT_EQ(desk.ModelessDialog(), nullptr);
    desk.SetForeground(viewer);
    EXPECT_EQ(Pressed(0x08), Lines{Post("viewer", "0x7C", "0x10001")});
}

TEST_F(SettingsWindowTest, ThePressLogSaysTheButtonWasLearned) {
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    StartWithWindow();
    Press(0x2A);
    const std::string& log = desk.files[kLog];
    EXPECT_NE(
        log.find(
            "code=2A repeat=passed action=Shift+Ctrl+F16 mode=1 lockon=off direction=no route=none reason=learning"),
        std::string::npos)
        << log;
}

// ----- the key box -----

// Every key the map names reaches the row: the control catches most; Enter,
// Esc, Space and Backspace, which it does not, are caught from the message
// loop before the dialog could take Enter for OK or Esc for キャンセル. Alt is
// refused, since the map has no Alt.
TEST_F(SettingsWindowTest, TheKeyBoxTakesEveryKeyTheMapNamesAndRefusesAltBeforeTheDialogSeesIt) {
    desk.strings[IDS_SETTINGS_NO_ALT] = u"no Alt";
    desk.SetSectionLines(kIni, u"Buttons", {u"2A=Shift+Ctrl+F16"});
    const std::u16string file = desk.ProfileText(kIni);
    StartWithWindow();
    Press(0x2A);
    // The selected button's key shows in the key box.
    EXPECT_EQ(Control(IDC_KEY_CATCH).hotkey, 0x7F | (HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 8);
    const HWND keyBox = desk.GetDlgItem(desk.ModelessDialog(), IDC_KEY_CATCH);
    constexpr LPARAM kAltHeld = LPARAM{1} << 29;
    enum By { kControl, kLoop, kDialog };  // caught by the control, taken from the loop, left to the dialog
    struct Case {
        const char* what;
        By by;
        UINT message;
        BYTE vk;
        UINT modifiers;
        const char16_t* row;
        WORD keyBoxShows;
    };
    const WORD keyA = 0x41 | (HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 8;
    for (const Case& c : {
             Case{"F5", kControl, 0, 0x74, 0, u"2A\tF5\t変更", 0x74},
             Case{"Shift+Ctrl+A", kControl, 0, 0x41, HOTKEYF_SHIFT | HOTKEYF_CONTROL, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Alt+F5 as caught", kControl, 0, 0x74, HOTKEYF_ALT, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Ctrl+Alt+A, no system key", kControl, 0, 0x41, HOTKEYF_CONTROL | HOTKEYF_ALT,
                  u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Alt+A, not 適用(&A)", kLoop, WM_SYSKEYDOWN, 0x41, HOTKEYF_ALT, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Alt+N, not 何もしない(&N)", kLoop, WM_SYSCHAR, u'n', HOTKEYF_ALT, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Alt alone, no menu loop", kLoop, WM_SYSKEYUP, VK_MENU, 0, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Shift let go before Alt", kLoop, WM_SYSKEYUP, VK_SHIFT, HOTKEYF_ALT, u"2A\tShift+Ctrl+A\t変更", keyA},
             Case{"Enter", kLoop, WM_KEYDOWN, VK_RETURN, 0, u"2A\tEnter\t変更", VK_RETURN},
             Case{"Shift+Escape", kLoop, WM_KEYDOWN, VK_ESCAPE, HOTKEYF_SHIFT, u"2A\tShift+Escape\t変更",
                  VK_ESCAPE | HOTKEYF_SHIFT << 8},
             Case{"Ctrl+Space", kLoop, WM_KEYDOWN, VK_SPACE, HOTKEYF_CONTROL, u"2A\tCtrl+Space\t変更",
                  VK_SPACE | HOTKEYF_CONTROL << 8},
             Case{"Backspace", kLoop, WM_KEYDOWN, VK_BACK, 0, u"2A\tBackspace\t変更", VK_BACK},
             Case{"Delete, shown as itself", kLoop, WM_KEYDOWN, VK_DELETE, 0, u"2A\tDelete\t変更",
                  VK_DELETE | HOTKEYF_EXT << 8},
             Case{"F10 without Alt, a key", kLoop, WM_SYSKEYDOWN, VK_F10, 0, u"2A\tF10\t変更", VK_F10},
             Case{"Home, shown as itself", kControl, 0, VK_HOME, HOTKEYF_EXT, u"2A\tHome\t変更", VK_HOME | HOTKEYF_EXT << 8},
             Case{"Tab moves on", kDialog, WM_KEYDOWN, VK_TAB, 0, u"2A\tHome\t変更", VK_HOME | HOTKEYF_EXT << 8},
             Case{"Shift+Tab moves back", kDialog, WM_KEYDOWN, VK_TAB, HOTKEYF_SHIFT, u"2A\tHome\t変更",
                  VK_HOME | HOTKEYF_EXT << 8},
         }) {
        SCOPED_TRACE(c.what);
        desk.heldKeys.clear();
        if (c.modifiers & HOTKEYF_SHIFT) desk.heldKeys.insert(VK_SHIFT);
        if (c.modifiers & HOTKEYF_CONTROL) desk.heldKeys.insert(VK_CONTROL);
        if (c.by == kControl) {
            desk.CatchDialogKey(c.vk, static_cast<BYTE>(c.modifiers));
        } else {
            const bool alt = c.modifiers & HOTKEYF_ALT;
            const MSG msg{keyBox, c.message, c.vk, alt ? kAltHeld : 0, 0, {}};
            EXPECT_EQ(TakeKeyIntoKeyBox(desk.ModelessDialog(), msg), c.by == kLoop);
        }
        EXPECT_NE(desk.ModelessDialog(), nullptr);
        EXPECT_EQ(Rows()[Control(IDC_BUTTON_LIST).selection], c.row);
        EXPECT_EQ(Control(IDC_KEY_CATCH).hotkey, c.keyBoxShows);
        const bool modifierAlone = c.message == WM_SYSCHAR || c.vk == VK_MENU || c.vk == VK_SHIFT;
        if (!modifierAlone && c.by != kDialog)
            EXPECT_EQ(Control(IDC_STATUS).text, c.modifiers & HOTKEYF_ALT ? u"no Alt" : u"");
    }
    EXPECT_EQ(desk.ProfileText(kIni), file);  // nothing written before OK or 適用
    // Alt let go, and Shift let go while Alt was held, reach the control's own
    // account of the modifiers as plain keys.
    EXPECT_EQ(desk.CallsMatching("SendMessageW(" + desk.Name(keyBox) + ", 0x101").size(), 2u);
    // Elsewhere in the window, Enter and Esc are the dialog's own.
    const MSG elsewhere{desk.GetDlgItem(desk.ModelessDialog(), IDC_BUTTON_LIST), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_FALSE(TakeKeyIntoKeyBox(desk.ModelessDialog(), elsewhere));
}

// ----- each kind of action, as its own line -----

TEST_F(SettingsWindowTest, EachKindOfActionWritesItsExactLineAndTakesEffectAtOnce) {
    const struct {
        const char* name;
        void (*choose)(sim::SimDesktop&);
        std::string line;   // what is written for 2A
        std::string press;  // what a press of 2A then does
    } cases[] = {
        {"key, caught from the keyboard",
         [](sim::SimDesktop& d) { d.CatchDialogKey(0x74, HOTKEYF_SHIFT | HOTKEYF_CONTROL); },
         Write("2A", "Shift+Ctrl+F5"), Post("viewer", "0x74", "0x30001")},
        {"key, chosen by name",
         [](sim::SimDesktop& d) {
             d.ClickDialogButton(IDC_ACTION_KEY);
             auto& names = d.controls[IDC_KEY_NAME].items;
             d.ChooseDialogItem(IDC_KEY_NAME,
                                static_cast<int>(std::find(names.begin(), names.end(), u"F7") - names.begin()));
             d.ClickDialogButton(IDC_KEY_SHIFT);  // Shift+Ctrl+F16 was shown: Shift off now
         },
         Write("2A", "Ctrl+F7"), Post("viewer", "0x76", "0x20001")},
        {"bring to front", [](sim::SimDesktop& d) { d.ClickDialogButton(IDC_ACTION_FRONT); },
         Write("2A", "BringToFront"), "SetForegroundWindow(viewer)"},
        {"a program, browsed for",
         [](sim::SimDesktop& d) {
             d.openFileAnswer = u"C:\\Program Files\\TV\\tv.exe";
             d.ClickDialogButton(IDC_ACTION_RUN);
             d.ClickDialogButton(IDC_RUN_BROWSE);
         },
         Write("2A", "Run \"C:\\Program Files\\TV\\tv.exe\""), "CreateProcessW("},
        {"nothing", [](sim::SimDesktop& d) { d.ClickDialogButton(IDC_ACTION_NONE); }, Write("2A", "none"), ""},
    };
    for (const auto& c : cases) {
        desk.files.erase(kIni);
        desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
        StartWithWindow();
        Press(0x2A);
        desk.ClearCalls();
        c.choose(desk);
        desk.ClickDialogButton(IDOK);
        EXPECT_EQ(Writes(), Lines{c.line}) << c.name;
        EXPECT_EQ(desk.ModelessDialog(), nullptr) << c.name;
        HandQueuedMessages();
        desk.SetForeground(viewer);
        desk.ClearCalls();
        Press(0x2A);
        const auto acted = desk.CallsMatching(c.press.empty() ? "PostMessageW(viewer" : c.press);
        EXPECT_EQ(acted.size(), c.press.empty() ? 0u : 1u) << c.name;
        MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
    }
}

TEST_F(SettingsWindowTest, BackToTheStandardActionDeletesEveryLineOfTheCode) {
    desk.SetSectionLines(kIni, u"Buttons", {u"; mine", u"2A=F5", u"33=none", u"2A=F6"});
    StartWithWindow();
    Press(0x2A);
    desk.ClearCalls();
    desk.ClickDialogButton(IDC_ACTION_STANDARD);
    desk.ClickDialogButton(IDC_APPLY);
    EXPECT_EQ(Writes(), (Lines{Write("2A", "NULL"), Write("2A", "NULL")}));
    EXPECT_EQ(desk.ProfileText(kIni), u"[Buttons]\r\n; mine\r\n33=none\r\n");
    EXPECT_EQ(Rows()[0], u"2A\tShift+Ctrl+F16\t標準");
}

// ----- what is written, and when -----

TEST_F(SettingsWindowTest, CancelEscapeAndTheCloseBoxWriteNothing) {
    const struct {
        const char* name;
        void (*close)(sim::SimDesktop&);
    } cases[] = {
        {"キャンセル", [](sim::SimDesktop& d) { d.ClickDialogButton(IDCANCEL); }},
        {"the close box", [](sim::SimDesktop& d) { d.SendMessageW(d.ModelessDialog(), WM_CLOSE, 0, 0); }},
    };
    desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
    StartWithWindow();
    for (const auto& c : cases) {
        if (!desk.ModelessDialog()) Open();
        const std::string before = desk.files[kIni];
        Press(0x2A);
        desk.ClickDialogButton(IDC_ACTION_NONE);
        desk.TypeDialogText(IDC_START_VIEWER, u"C:\\TV\\tv.exe");
        desk.ClickDialogButton(IDC_LOG);
        desk.ClearCalls();
        c.close(desk);
        EXPECT_EQ(desk.ModelessDialog(), nullptr) << c.name;
        EXPECT_TRUE(Writes().empty()) << c.name;
        EXPECT_EQ(desk.files[kIni], before) << c.name;
    }
}

// Lines written by hand in other words, other sections and comments are
// left as they are; only the keys that changed are written.
TEST_F(SettingsWindowTest, OnlyTheKeysThatChangedAreWritten) {
    desk.SetFileText(kIni,
                     u"; my settings\r\n[Korvanta]\r\nTVTC_MODE=00000001\r\n[Buttons]\r\n08 = shift + f13\r\n"
                     u"1C=Up ; arrows\r\n[Other]\r\nx=1\r\n",
                     sim::SimDesktop::Encoding::kAnsi);
    StartWithWindow();
    desk.ClearCalls();
    desk.ClickDialogButton(IDC_APPLY);  // nothing changed yet
    desk.ChooseDialogItem(IDC_BUTTON_LIST, 0);
    desk.ClickDialogButton(IDC_KEY_CTRL);  // 08: Shift+Ctrl+F13
    desk.ClickDialogButton(IDC_ACTION_KEY);
    desk.TypeDialogText(IDC_START_VIEWER, u"\"C:\\Program Files\\TVTest\\TVTest.exe\" /d x");
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(
        Writes(),
        (Lines{Write("08", "Shift+Ctrl+F13"),
               "WritePrivateProfileStringW(Korvanta, StartViewer, \"C:\\Program Files\\TVTest\\TVTest.exe\" /d x, "
               "C:\\Program Files\\Korvanta\\Korvanta.ini)"}));
    EXPECT_EQ(desk.ProfileText(kIni),
              u"; my settings\r\n[Korvanta]\r\nTVTC_MODE=00000001\r\nStartViewer=\"C:\\Program "
              u"Files\\TVTest\\TVTest.exe\" /d x\r\n"
              u"[Buttons]\r\n08=Shift+Ctrl+F13\r\n1C=Up ; arrows\r\n[Other]\r\nx=1\r\n");
}

// A Japanese path chosen in the window goes into a file Windows reads in
// code page 1252 without turning into '?': the file becomes UTF-16 first.
TEST_F(SettingsWindowTest, AJapanesePathIsWrittenAsItIsAndTheLogTurnsOnAtOnce) {
    desk.ansiCodePage = 1252;
    desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
    StartWithWindow();
    desk.openFileAnswer = u"D:\\テレビ\\TVTest\\TVTest.exe";
    desk.ClickDialogButton(IDC_START_VIEWER_BROWSE);
    desk.ClickDialogButton(IDC_LOG);
    desk.ClickDialogButton(IDOK);
    // In one more pair of quotes, which the platform's reading takes off.
    EXPECT_EQ(desk.ProfileValue(kIni, u"StartViewer"), u"\"\"D:\\テレビ\\TVTest\\TVTest.exe\"\"");
    EXPECT_EQ(desk.ProfileValue(kIni, u"Log"), u"1");
    EXPECT_EQ(desk.files[kIni].rfind("\xFF\xFE", 0), 0u);
    HandQueuedMessages();
    EXPECT_EQ(Records()->startViewerText, u"\"D:\\テレビ\\TVTest\\TVTest.exe\"");
    EXPECT_TRUE(Records()->pressLog.on);
}

// Windows leaves a process in the folder browsed to, whatever the flags; a
// folder Korvanta stayed in could not be deleted nor its stick ejected.
TEST_F(SettingsWindowTest, BrowsingLeavesTheCurrentFolderAsItWas) {
    StartWithWindow();
    Press(0x2A);
    desk.ClickDialogButton(IDC_ACTION_RUN);
    for (const char16_t* answer : {u"E:\\Programs\\tv.exe", u""}) {  // chosen, then cancelled
        desk.openFileAnswer = answer;
        for (int id : {IDC_RUN_BROWSE, IDC_START_VIEWER_BROWSE}) {
            desk.ClickDialogButton(id);
            EXPECT_EQ(desk.currentDirectory, u"C:\\Program Files\\Korvanta");
        }
    }
    EXPECT_EQ(Control(IDC_RUN_COMMAND).text, u"\"E:\\Programs\\tv.exe\"");
}

TEST_F(SettingsWindowTest, AWriteTheFileRefusesKeepsTheWindowOpenAndSaysSo) {
    desk.strings[IDS_SETTINGS_NOT_WRITTEN] = u"not written";
    desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
    desk.readOnlyFiles.insert(kIni);
    StartWithWindow();
    Press(0x2A);
    desk.ClickDialogButton(IDC_ACTION_NONE);
    desk.ClickDialogButton(IDOK);
    EXPECT_NE(desk.ModelessDialog(), nullptr);
    EXPECT_EQ(Control(IDC_STATUS).text, u"not written");
    desk.readOnlyFiles.clear();
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(desk.ModelessDialog(), nullptr);
    EXPECT_EQ(desk.ProfileText(kIni), u"[Korvanta]\r\nTVTC_MODE=00000001\r\n[Buttons]\r\n2A=none\r\n");
}

// ----- one window -----

TEST_F(SettingsWindowTest, ASecondCommandBringsTheWindowForwardAndOpensNoOther) {
    StartWithWindow();
    const HWND first = desk.ModelessDialog();
    desk.SetForeground(viewer);
    desk.ClearCalls();
    Command(IDM_SETTINGS);
    EXPECT_EQ(desk.ModelessDialog(), first);
    EXPECT_TRUE(desk.CallsMatching("CreateDialogParamW").empty());
    EXPECT_EQ(desk.GetForegroundWindow(), first);
}

TEST_F(SettingsWindowTest, ExitOrTheSessionsEndWithTheWindowOpenClosesItAsCancelWould) {
    for (UINT message : {UINT{WM_COMMAND}, UINT{WM_ENDSESSION}}) {
        desk.files.erase(kIni);
        desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
        StartWithWindow();
        Press(0x2A);
        desk.ClickDialogButton(IDC_ACTION_NONE);
        desk.ClearCalls();
        if (message == WM_COMMAND) Command(IDM_EXIT);
        else MainWindowProc(mainWindow, WM_ENDSESSION, 1, 0);
        EXPECT_EQ(desk.ModelessDialog(), nullptr);
        EXPECT_EQ(Records(), nullptr);
        EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW(Buttons").empty());
        EXPECT_EQ(desk.ProfileValue(kIni, u"TVTC_MODE"), u"00000001");
    }
}

// ----- a map for each program -----

TEST_F(SettingsWindowTest, AProgramsMapIsAddedFromTheWindowsOnScreenEditedByPressingAndRemoved) {
    desk.strings[IDS_SETTINGS_ALL_PROGRAMS] = u"すべてのプログラム";
    desk.strings[IDS_SETTINGS_ADD_PROGRAM] = u"追加...";
    desk.strings[IDS_SETTINGS_BROWSE_PROGRAM] = u"参照...";
    desk.strings[IDS_SETTINGS_FOLLOWS_ALL] = u"すべてのプログラム";
    desk.SetSectionLines(kIni, u"Buttons", {u"08=F5"});
    desk.SetSectionLines(kIni, u"Buttons:mpc-be64.exe", {u"0A=Space"});
    viewer = Below(kTvTestWindow, 100, "viewer");
    const HWND editor = Below(u"Notepad", 300, "editor");
    Below(u"MediaPlayerClassicW", 200, "player");
    Below(u"Hidden", 400, "hidden", false);
    desk.processImages = {{100, u"C:\\TV\\TVTest.exe"},
                          {200, u"C:\\MPC\\mpc-be64.exe"},
                          {300, u"C:\\Windows\\notepad.exe"},
                          {400, u"C:\\x\\hidden.exe"}};
    StartWithWindow();
    using Texts = std::vector<std::u16string>;
    EXPECT_EQ(Control(IDC_PROGRAM).items, (Texts{u"すべてのプログラム", u"mpc-be64.exe", u"追加..."}));
    EXPECT_FALSE(Control(IDC_PROGRAM_REMOVE).enabled);

    desk.ChooseDialogItem(IDC_PROGRAM, 1);
    HandQueuedMessages();
    EXPECT_EQ(Rows(), (Texts{u"08\tF5\tすべてのプログラム", u"0A\tSpace\t変更"}));
    EXPECT_TRUE(Control(IDC_PROGRAM_REMOVE).enabled);

    desk.menuChoice = 2;  // of the programs with a visible window, by name
    desk.ChooseDialogItem(IDC_PROGRAM, 2);
    HandQueuedMessages();
    EXPECT_EQ(desk.shownPopupItems, (Texts{u"mpc-be64.exe", u"notepad.exe", u"TVTest.exe", u"-", u"参照..."}));
    EXPECT_EQ(desk.OpenMenus(), 0);
    EXPECT_EQ(Control(IDC_PROGRAM).items[Control(IDC_PROGRAM).selection], u"notepad.exe");
    Press(0x08);
    desk.CatchDialogKey(0x71, 0);  // F2 for notepad.exe alone
    EXPECT_EQ(Rows()[0], u"08\tF2\t変更");

    desk.menuChoice = 4;  // 参照..., after the three programs
    desk.openFileAnswer = u"D:\\Apps\\VLC\\vlc.exe";
    desk.ChooseDialogItem(IDC_PROGRAM, 3);
    HandQueuedMessages();
    EXPECT_EQ(Control(IDC_PROGRAM).items[Control(IDC_PROGRAM).selection], u"vlc.exe");

    desk.ChooseDialogItem(IDC_PROGRAM, 1);  // mpc-be64.exe, removed
    HandQueuedMessages();
    desk.ClickDialogButton(IDC_PROGRAM_REMOVE);
    desk.ClearCalls();
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(Writes(), (Lines{"WritePrivateProfileStringW(Buttons:mpc-be64.exe, NULL, NULL, "
                               "C:\\Program Files\\Korvanta\\Korvanta.ini)",
                               "WritePrivateProfileStringW(Buttons:notepad.exe, 08, F2, "
                               "C:\\Program Files\\Korvanta\\Korvanta.ini)"}));
    HandQueuedMessages();
    Activate(editor);
    EXPECT_EQ(Pressed(0x08).back(), "SendInput[0x71 up]");
}

// ----- a second action on a long press -----

TEST_F(SettingsWindowTest, AHoldWhileLearningEditsTheLongPressAndATapThePress) {
    desk.strings[IDS_SETTINGS_LONG_PRESS] = u"長押し: ";
    desk.SetSectionLines(kIni, u"Buttons", {u"2A=F5"});
    StartWithWindow();
    Press(0x2A);
    desk.tickCount += 600;
    MainWindowProc(mainWindow, WM_TIMER, kHoldTimer, 0);
    Report1(0);
    EXPECT_EQ(Control(IDC_PRESS_LONG).checked, BST_CHECKED);
    EXPECT_EQ(Control(IDC_ACTION_STANDARD).checked, BST_CHECKED);  // no long press yet
    desk.CatchDialogKey(0x75, HOTKEYF_SHIFT);
    EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"2A\tF5 / 長押し: Shift+F6\t変更"}));

    Press(0x2A);
    Report1(0);
    EXPECT_EQ(Control(IDC_PRESS_SHORT).checked, BST_CHECKED);
    desk.ClickDialogButton(IDC_ACTION_NONE);
    desk.ClearCalls();
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(Writes(), (Lines{Write("2A", "none"), Write("2A.long", "Shift+F6")}));
    EXPECT_EQ(Deliveries(), 0u);
}

// ----- the program list -----

TEST_F(SettingsWindowTest, TheProgramListActsOnAChoiceNotOnEveryMoveOfItsSelection) {
    desk.strings[IDS_SETTINGS_ADD_PROGRAM] = u"追加...";
    desk.SetSectionLines(kIni, u"Buttons:mpc-be64.exe", {u"0A=Space"});
    StartWithWindow();
    // The caption's small icon is the one drawn at the small-icon size.
    EXPECT_EQ(desk.CallsMatching("LoadImageW(108, type 1, 16x16").size(), 1u);
    enum How { kMoved, kConfirmedClosed, kCancelled, kClicked };
    const struct {
        const char* what;
        How how;
        int item;
        int shownAfter;  // the list's item whose map shows
        std::size_t menus;
    } cases[] = {
        {"the wheel or an arrow key moves on", kMoved, 1, 0, 0},
        {"a choice confirmed with the list closed", kConfirmedClosed, 1, 1, 0},
        {"追加... reached in the dropped list, then cancelled", kCancelled, 2, 1, 0},
        {"back by a click in the dropped list", kClicked, 0, 0, 0},
        {"a click on 追加..., its menu once", kClicked, 2, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desk.ClearCalls();
        const std::vector<std::u16string> rows = Rows();
        if (c.how == kClicked) desk.ChooseDialogItem(IDC_PROGRAM, c.item);
        else if (c.how == kCancelled) desk.CancelDialogSelection(IDC_PROGRAM, c.item);
        else desk.MoveDialogSelection(IDC_PROGRAM, c.item, c.how == kConfirmedClosed);
        // Never refilled inside its own notification.
        EXPECT_EQ(Rows(), rows);
        HandQueuedMessages();
        EXPECT_EQ(Control(IDC_PROGRAM).selection, c.how == kMoved ? c.item : c.shownAfter);
        EXPECT_EQ(Control(IDC_PROGRAM_REMOVE).enabled, c.shownAfter == 1);
        EXPECT_EQ(desk.CallsMatching("TrackPopupMenu").size(), c.menus);
    }
}

// ----- Korvanta ending while the window runs a loop of its own -----

TEST_F(SettingsWindowTest, KorvantaEndsSavingTheSettingsFromInsideTheWindowsMenuOrOpenFileDialog) {
    desk.strings[IDS_SETTINGS_ADD_PROGRAM] = u"追加...";
    const struct {
        const char* what;
        bool inOpenFileDialog;
        bool byTheSession;
    } cases[] = {{"the session ends in the program menu", false, true},
                 {"the tray's exit in the open-file dialog", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desk.files.erase(kIni);
        StartWithWindow();
        const auto end = [&] {
            if (c.byTheSession) MainWindowProc(mainWindow, WM_ENDSESSION, 1, 0);
            else Command(IDM_EXIT);
        };
        desk.menuChoice = 1;  // 参照..., as no program is on the screen but the viewer
        desk.duringPopupMenu = c.inOpenFileDialog ? std::function<void()>() : end;
        desk.duringOpenFileDialog = c.inOpenFileDialog ? end : std::function<void()>();
        desk.openFileAnswer = u"D:\\Apps\\vlc.exe";
        desk.ChooseDialogItem(IDC_PROGRAM, 1);  // 追加...
        HandQueuedMessages();
        desk.duringPopupMenu = desk.duringOpenFileDialog = nullptr;
        EXPECT_EQ(desk.ModelessDialog(), nullptr);
        EXPECT_EQ(Records(), nullptr);
        EXPECT_EQ(desk.ProfileValue(kIni, u"TVTC_MODE"), u"00000001");
    }
}

// ----- coming back to the window -----

// Windows gives the focus back to the control that last had it, and an
// automatic radio button that gets it unchecked checks itself.
TEST_F(SettingsWindowTest, ComingBackToTheWindowNeverChangesARow) {
    desk.SetSectionLines(kIni, u"Buttons", {u"08=F5"});
    StartWithWindow();
    const auto Reload = [&](std::vector<std::u16string> lines) {
        desk.SetSectionLines(kIni, u"Buttons", lines);
        RefreshSettingsWindow(Records()->settingsWindow);
    };
    const struct {
        const char* what;
        int focusOn;
        std::function<void()> whileThere;
        std::function<void()> whileAway;
        bool fromTaskbar;  // minimised meanwhile, and restored
    } cases[] = {
        {"a press learned", IDC_ACTION_STANDARD, [&] { Press(0x08); }, nullptr, false},
        {"another row chosen", IDC_ACTION_KEY, [&] { desk.ChooseDialogItem(IDC_BUTTON_LIST, 1); }, nullptr, false},
        {"a reload while away", IDC_ACTION_STANDARD, nullptr, [&] { Reload({u"08=F5", u"2A=F6"}); }, false},
        {"a reload while minimised", IDC_ACTION_KEY, nullptr, [&] { Reload({u"08=F5"}); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Press(0x2A);  // 2A stands below 08 and has its standard action, unless edited
        if (c.whileThere && c.focusOn == IDC_ACTION_KEY) desk.ChooseDialogItem(IDC_BUTTON_LIST, 0);
        desk.FocusDialogControl(c.focusOn);
        if (c.whileThere) c.whileThere();
        desk.LeaveDialog();
        if (c.whileAway) c.whileAway();
        const std::vector<std::u16string> rows = Rows();
        if (c.fromTaskbar) desk.RestoreDialogFromTaskbar();
        else desk.ActivateDialogAgain();
        EXPECT_EQ(Rows(), rows);
        EXPECT_NE(desk.FocusedControl(), 0);
    }
    desk.ClearCalls();
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(Writes(), Lines{});
}

// ----- other remotes -----

// A button of another remote is learnt as the receiver's are, named by its
// device and usage, and its lines are written, read back and act.
TEST_F(SettingsWindowTest, AnotherRemotesButtonIsLearntByPressingItAndItsLinesAct) {
    desk.strings[IDS_SETTINGS_LONG_PRESS] = u"長押し: ";
    desk.strings[IDS_SETTINGS_WINDOWS_ALSO] = u"(Windows も反応)";
    const HANDLE remote = desk.AddConsumerDevice(0x045E, 0x0800);
    const auto send = [&](std::vector<USAGE> held) {
        Input(desk.AddHidPacket(remote, {desk.ConsumerReport(remote, held)}));
    };
    desk.SetSectionLines(kIni, u"Buttons", {u"2A=F5"});
    StartWithWindow();
    EXPECT_EQ(Control(IDC_BUTTON_LIST).tabStops, (std::vector<int>{22, 150}));
    send({0xCD});  // no line names the device yet: the window reads it all the same
    send({});
    // The action's column moves past the long name, and the list scrolls sideways to its end.
    const std::vector<int> stops = Control(IDC_BUTTON_LIST).tabStops;
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_GT(stops[0], 22 + 80);
    EXPECT_LE(stops[1] - stops[0], 128);
    EXPECT_GT(Control(IDC_BUTTON_LIST).horizontalExtent, stops[1] * 6 / 4);
    EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"2A\tF5\t変更", u"045E:0800 再生/一時停止 (00CD)\tnone\t標準 (Windows も反応)"}));
    EXPECT_EQ(Control(IDC_PRESSED).text, u"押されたボタン: 045E:0800 再生/一時停止 (00CD)");
    desk.CatchDialogKey(0x74, HOTKEYF_CONTROL);
    EXPECT_GT(Control(IDC_BUTTON_LIST).tabStops.at(1), stops[1]) << "a longer action moves the last column";
    EXPECT_EQ(Rows().at(1), u"045E:0800 再生/一時停止 (00CD)\tCtrl+F5\t変更 (Windows も反応)");
    send({0xB0});
    desk.tickCount += 600;
    MainWindowProc(mainWindow, WM_TIMER, kOtherHoldTimer, 0);  // held: its long press
    send({});
    EXPECT_EQ(Control(IDC_PRESS_LONG).checked, BST_CHECKED);
    desk.ClickDialogButton(IDC_ACTION_FRONT);
    desk.ClearCalls();
    desk.ClickDialogButton(IDOK);
    EXPECT_EQ(Writes(), (Lines{Write("045E:0800:00CD", "Ctrl+F5"), Write("045E:0800:00B0.long", "BringToFront")}));
    EXPECT_EQ(Deliveries(), 0u);

    HandQueuedMessages();
    desk.SetForeground(viewer);
    desk.ClearCalls();
    send({0xCD});
    send({});
    EXPECT_EQ(desk.CallsMatching("PostMessageW(viewer"), (Lines{Post("viewer", "0x74", "0x20001")}));
    Open();
    EXPECT_EQ(Rows().size(), 3u) << "the file's lines of other remotes are listed";
}

// The window coming to the front while such a button is held takes the
// press; the maps read again while it is held decide its end.
TEST_F(SettingsWindowTest, AnotherRemotesHoldEndsWhereItsPressBelongsNow) {
    const HANDLE remote = desk.AddConsumerDevice(0x045E, 0x0800);
    const auto send = [&](std::vector<USAGE> held) {
        Input(desk.AddHidPacket(remote, {desk.ConsumerReport(remote, held)}));
    };
    desk.SetSectionLines(kIni, u"Buttons", {u"045E:0800:00B5=F9", u"045E:0800:00B5.long=F11"});
    if (!viewer) viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    StartInMode(1);

    send({0xB5});
    Open();  // the user turns to the window with the button still down
    send({});
    EXPECT_EQ(Deliveries(), 0u);
    EXPECT_EQ(Rows().back().substr(0, 12), u"045E:0800 次へ");

    // A button of a device no line names, learnt, then let go with the window
    // behind: its release is read all the same, and nothing is left held.
    const HANDLE unnamed = desk.AddConsumerDevice(0x1234, 0x5678);
    Input(desk.AddHidPacket(unnamed, {desk.ConsumerReport(unnamed, {0xE2})}));
    CloseSettingsWindow(Records()->settingsWindow);
    Input(desk.AddHidPacket(unnamed, {desk.ConsumerReport(unnamed, {})}));
    EXPECT_FALSE(Records()->otherHold.on);
    for (const OtherRemoteDevice& known : Records()->otherRemotes.devices) EXPECT_TRUE(known.held.empty());

    desk.SetForeground(viewer);
    send({0xB5});
    desk.SetSectionLines(kIni, u"Buttons", {u"045E:0800:00E9=F2", u"045E:0800:00EA=F3", u"045E:0800:00E2=F4",
                                            u"045E:0800:00B5.long=Run \"C:\\TV\\EPG.exe\""});
    MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
    desk.ClearCalls();
    desk.tickCount += 600;
    MainWindowProc(mainWindow, WM_TIMER, kOtherHoldTimer, 0);
    send({});
    EXPECT_EQ(desk.CallsMatching("CreateProcessW").size(), 1u) << "the long action of the maps read again";
    EXPECT_EQ(Deliveries(), 0u);
}
