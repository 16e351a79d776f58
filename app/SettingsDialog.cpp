// The settings window's dialog procedure and its controls: values move
// between the window's record and the controls here, and nothing else is
// decided (see SettingsWindow.cpp).
#include "app/MessageText.h"
#include "app/Resource.h"
#include "app/SettingsWatch.h"
#include "app/SettingsWindow.h"
#include "platform/Constants.h"
#include "remote/KeyNames.h"

using namespace win;

namespace {

// The dialog procedure gets no context of its own: the one window's record,
// from its creation to its end.
SettingsWindow* s_window = nullptr;
// Set while the procedure fills the controls, whose notifications are then
// its own doing, not the user's.
bool s_filling = false;

constexpr int kActionRadios[] = {IDC_ACTION_STANDARD, IDC_ACTION_KEY, IDC_ACTION_FRONT, IDC_ACTION_RUN,
                                 IDC_ACTION_NONE};
// Where the list's columns start, in dialog units.
constexpr int kListTabStops[] = {22, 150};
constexpr std::size_t kTextCapacity = 256;
constexpr DWORD kPathCapacity = 1024;

std::u16string LoadText(HINSTANCE instance, UINT id) {
    char16_t text[kTextCapacity] = {};
    FormatStringResource(instance, id, nullptr, 0, text, kTextCapacity);
    return text;
}

std::u16string ControlText(HWND dialog, int id) {
    const LRESULT length = Win().SendDlgItemMessageW(dialog, id, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::u16string();
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const UINT copied = Win().GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
    text.resize(copied);
    return text;
}

bool Checked(HWND dialog, int id) { return Win().IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { Win().CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

HINSTANCE Instance() { return s_window ? s_window->instance : nullptr; }

int SelectedCode(const SettingsWindowData& data) {
    return data.selected >= 0 && data.selected < static_cast<int>(data.rows.size()) ? data.rows[data.selected] : -1;
}

std::u16string RowText(const SettingsWindowData& data, ButtonCode code) {
    const RowWords words{LoadText(Instance(), IDS_SETTINGS_STANDARD), LoadText(Instance(), IDS_SETTINGS_OWN),
                         LoadText(Instance(), IDS_SETTINGS_FOLLOWS_ALL), LoadText(Instance(), IDS_SETTINGS_LONG_PRESS)};
    return SettingsRowText(data, code, words);
}

bool ShowsProgram(const SettingsWindowData& data) { return data.program >= 0; }

void AddComboText(HWND dialog, int id, const std::u16string& text) {
    Win().SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// すべてのプログラム, each program with a map, and 追加... last; the map
// shown is chosen. The first action choice says what removing a line means.
void FillPrograms(HWND dialog, const SettingsWindowData& data) {
    Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_RESETCONTENT, 0, 0);
    AddComboText(dialog, IDC_PROGRAM, LoadText(Instance(), IDS_SETTINGS_ALL_PROGRAMS));
    for (const ProgramLines& program : data.now.programs) AddComboText(dialog, IDC_PROGRAM, program.program);
    AddComboText(dialog, IDC_PROGRAM, LoadText(Instance(), IDS_SETTINGS_ADD_PROGRAM));
    Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_SETCURSEL, static_cast<WPARAM>(data.program + 1), 0);
    Win().EnableWindow(Win().GetDlgItem(dialog, IDC_PROGRAM_REMOVE), ShowsProgram(data));
}

// 短押し or 長押し, and what the first action choice means for it: a
// program's line removed follows every program's, a hold's removed leaves
// no long press.
void ShowPressChoice(HWND dialog, const SettingsWindowData& data, bool any) {
    Check(dialog, IDC_PRESS_SHORT, any && !data.editLong);
    Check(dialog, IDC_PRESS_LONG, any && data.editLong);
    for (int id : {IDC_PRESS_SHORT, IDC_PRESS_LONG}) Win().EnableWindow(Win().GetDlgItem(dialog, id), any);
    const UINT standard = ShowsProgram(data) ? IDS_SETTINGS_SAME_AS_ALL
                          : data.editLong    ? IDS_SETTINGS_NO_LONG_PRESS
                                             : IDS_SETTINGS_STANDARD_ACTION;
    Win().SetDlgItemTextW(dialog, IDC_ACTION_STANDARD, LoadText(Instance(), standard).c_str());
}

void FillList(HWND dialog, const SettingsWindowData& data) {
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_RESETCONTENT, 0, 0);
    for (ButtonCode code : data.rows) {
        const std::u16string text = RowText(data, code);
        Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETCURSEL, static_cast<WPARAM>(data.selected), 0);
}

void RefreshSelectedRow(HWND dialog, const SettingsWindowData& data) {
    const int code = SelectedCode(data);
    if (code < 0) return;
    const std::u16string text = RowText(data, static_cast<ButtonCode>(code));
    const auto row = static_cast<WPARAM>(data.selected);
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_DELETESTRING, row, 0);
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(text.c_str()));
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETCURSEL, row, 0);
}

// The key and program controls are there for their own choice only; the
// key catcher takes a key whatever is chosen, and makes it the choice.
void EnableActionControls(HWND dialog, bool any, ActionChoice choice) {
    for (int id : kActionRadios) Win().EnableWindow(Win().GetDlgItem(dialog, id), any);
    Win().EnableWindow(Win().GetDlgItem(dialog, IDC_KEY_CATCH), any);
    for (int id : {IDC_KEY_SHIFT, IDC_KEY_CTRL, IDC_KEY_NAME})
        Win().EnableWindow(Win().GetDlgItem(dialog, id), any && choice == kChoiceKey);
    for (int id : {IDC_RUN_COMMAND, IDC_RUN_BROWSE})
        Win().EnableWindow(Win().GetDlgItem(dialog, id), any && choice == kChoiceRun);
}

// The catcher shows the key of the chord the controls show, or nothing.
WPARAM HotkeyOfEdit(const ButtonEdit& edit) {
    const std::uint8_t vk = VirtualKeyOfName(edit.keyName.data(), edit.keyName.size());
    if (vk == 0) return 0;
    const UINT modifiers = (edit.shift ? HOTKEYF_SHIFT : 0) | (edit.ctrl ? HOTKEYF_CONTROL : 0);
    return vk | modifiers << 8;
}

void ShowEdit(HWND dialog, const ButtonEdit& edit, bool any) {
    s_filling = true;
    Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_SETHOTKEY, HotkeyOfEdit(edit), 0);
    for (int i = 0; i < 5; ++i) Check(dialog, kActionRadios[i], any && edit.choice == i);
    Check(dialog, IDC_KEY_SHIFT, edit.shift);
    Check(dialog, IDC_KEY_CTRL, edit.ctrl);
    const LRESULT key = Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(edit.keyName.c_str()));
    Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_SETCURSEL, static_cast<WPARAM>(key), 0);
    Win().SetDlgItemTextW(dialog, IDC_RUN_COMMAND, edit.commandLine.c_str());
    EnableActionControls(dialog, any, edit.choice);
    s_filling = false;
}

void ShowSelected(HWND dialog, const SettingsWindowData& data) {
    const int code = SelectedCode(data);
    s_filling = true;
    ShowPressChoice(dialog, data, code >= 0);
    s_filling = false;
    ShowEdit(dialog, code < 0 ? ButtonEdit{} : EditOfButton(data, static_cast<ButtonCode>(code)), code >= 0);
}

ButtonEdit ReadEdit(HWND dialog) {
    ButtonEdit edit{kChoiceStandard, Checked(dialog, IDC_KEY_SHIFT), Checked(dialog, IDC_KEY_CTRL), {}, {}};
    for (int i = 0; i < 5; ++i)
        if (Checked(dialog, kActionRadios[i])) edit.choice = static_cast<ActionChoice>(i);
    edit.keyName = ControlText(dialog, IDC_KEY_NAME);
    edit.commandLine = ControlText(dialog, IDC_RUN_COMMAND);
    return edit;
}

// What the controls now say, for the selected button.
void TakeEdit(HWND dialog, SettingsWindowData& data, int choose = -1) {
    const int code = SelectedCode(data);
    if (s_filling || code < 0) return;
    if (choose >= 0) {
        s_filling = true;
        for (int i = 0; i < 5; ++i) Check(dialog, kActionRadios[i], i == choose);
        s_filling = false;
    }
    const ButtonEdit edit = ReadEdit(dialog);
    ChooseButtonAction(data, static_cast<ButtonCode>(code), edit);
    EnableActionControls(dialog, true, edit.choice);
    RefreshSelectedRow(dialog, data);
}

void SetStatus(HWND dialog, UINT id) {
    Win().SetDlgItemTextW(dialog, IDC_STATUS, id ? LoadText(Instance(), id).c_str() : u"");
}

// A key caught, with its modifiers (HOTKEYF_*), when the map has a name for
// it. The map has no Alt: a combination with it is refused, and the
// catcher shows the button's key again.
void TakeKey(HWND dialog, SettingsWindowData& data, std::uint8_t vk, UINT modifiers) {
    if (modifiers & HOTKEYF_ALT) {
        SetStatus(dialog, IDS_SETTINGS_NO_ALT);
        ShowSelected(dialog, data);
        return;
    }
    const std::u16string keyName = VirtualKeyName(vk);
    if (keyName.empty()) return;
    SetStatus(dialog, 0);
    s_filling = true;
    const LRESULT key = Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(keyName.c_str()));
    Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_SETCURSEL, static_cast<WPARAM>(key), 0);
    Check(dialog, IDC_KEY_SHIFT, modifiers & HOTKEYF_SHIFT);
    Check(dialog, IDC_KEY_CTRL, modifiers & HOTKEYF_CONTROL);
    Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_SETHOTKEY, vk | modifiers << 8, 0);
    s_filling = false;
    TakeEdit(dialog, data, kChoiceKey);
}

// A key pressed into the catcher, as the control caught it.
void TakeCaughtKey(HWND dialog, SettingsWindowData& data) {
    const auto hotkey =
        static_cast<std::uint16_t>(Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_GETHOTKEY, 0, 0));
    TakeKey(dialog, data, static_cast<std::uint8_t>(hotkey & 0xFF), hotkey >> 8);
}

// The standard open-file dialog; the path chosen, or empty.
std::u16string BrowseForProgram(HWND dialog) {
    std::u16string filter = LoadText(Instance(), IDS_SETTINGS_PROGRAM_FILTER);  // "|" between its parts
    for (char16_t& c : filter)
        if (c == u'|') c = 0;
    filter.push_back(0);
    char16_t path[kPathCapacity] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof(OPENFILENAMEW);
    open.hwndOwner = dialog;
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = path;
    open.nMaxFile = kPathCapacity;
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // OFN_NOCHANGEDIR does not work for this dialog: it leaves Korvanta in
    // the folder browsed to, which could then not be deleted nor its stick
    // ejected while Korvanta runs. The folder is put back by hand.
    char16_t before[kPathCapacity] = {};
    const DWORD length = Win().GetCurrentDirectoryW(kPathCapacity, before);
    const BOOL chosen = Win().GetOpenFileNameW(&open);
    if (length > 0 && length < kPathCapacity) Win().SetCurrentDirectoryW(before);
    if (!chosen) return std::u16string();
    path[kPathCapacity - 1] = 0;
    return path;
}

// A program picked in the open-file dialog into the edit `id`, in quotes;
// the edit tells its change as if typed.
void BrowseInto(HWND dialog, int id) {
    const std::u16string path = BrowseForProgram(dialog);
    if (!path.empty()) Win().SetDlgItemTextW(dialog, id, QuotedProgramPath(path).c_str());
}

void FillKeyNames(HWND dialog) {
    for (int vk = 1; vk < 256; ++vk) {
        const std::u16string name = VirtualKeyName(static_cast<std::uint8_t>(vk));
        if (!name.empty())
            Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

void FillAll(HWND dialog, const SettingsWindowData& data) {
    FillPrograms(dialog, data);
    FillList(dialog, data);
    ShowSelected(dialog, data);
    s_filling = true;
    Win().SetDlgItemTextW(dialog, IDC_START_VIEWER, data.now.startViewer.c_str());
    Check(dialog, IDC_LOG, data.now.log);
    s_filling = false;
}

// 追加...: the programs with a window on the screen now, and 参照... for
// any other. The program picked, or empty.
std::u16string PickProgram(HWND dialog) {
    const std::vector<std::u16string> programs = ProgramsWithVisibleWindows(dialog);
    const HMENU menu = Win().CreatePopupMenu();
    if (!menu) return std::u16string();
    UINT id = 1;
    for (const std::u16string& program : programs) Win().AppendMenuW(menu, MF_STRING, id++, program.c_str());
    if (!programs.empty()) Win().AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const UINT browse = id;
    Win().AppendMenuW(menu, MF_STRING, browse, LoadText(Instance(), IDS_SETTINGS_BROWSE_PROGRAM).c_str());
    RECT below{};
    Win().GetWindowRect(Win().GetDlgItem(dialog, IDC_PROGRAM), &below);
    const auto chosen = static_cast<UINT>(
        Win().TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, below.left, below.bottom, 0, dialog, nullptr));
    Win().DestroyMenu(menu);
    if (chosen == browse) return FileNameOfPath(BrowseForProgram(dialog));
    return chosen >= 1 && chosen <= programs.size() ? programs[chosen - 1] : std::u16string();
}

// A choice from the program list: a map to show, or 追加....
void ChooseProgram(HWND dialog, SettingsWindowData& data) {
    const auto index = static_cast<int>(Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    const int programs = static_cast<int>(data.now.programs.size());
    if (index > programs) {
        const std::u16string program = PickProgram(dialog);
        if (!program.empty()) ShowProgramMap(data, program);
    } else {
        data.program = index - 1;
    }
    FillAll(dialog, data);
}

void Apply(HWND dialog, SettingsWindow& window) {
    ApplySettingsWindow(*window.data, *window.settings);
    FillAll(dialog, *window.data);
    SetStatus(dialog, window.data->writeFailed ? IDS_SETTINGS_NOT_WRITTEN : 0);
    // Read again by the main window at once, as a hand edit would be.
    Win().PostMessageW(window.mainWindow, WM_SETTINGS_CHANGED, 0, 0);
}

INT_PTR OnCommand(HWND dialog, SettingsWindow& window, int id, UINT notification) {
    SettingsWindowData& data = *window.data;
    switch (id) {
    case IDC_BUTTON_LIST:
        if (notification != LBN_SELCHANGE) return 0;
        data.selected = static_cast<int>(Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_GETCURSEL, 0, 0));
        if (data.selected >= static_cast<int>(data.rows.size())) data.selected = -1;
        ShowSelected(dialog, data);
        return 1;
    case IDC_ACTION_STANDARD:
    case IDC_ACTION_KEY:
    case IDC_ACTION_FRONT:
    case IDC_ACTION_RUN:
    case IDC_ACTION_NONE:
    case IDC_KEY_SHIFT:
    case IDC_KEY_CTRL: TakeEdit(dialog, data); return 1;
    case IDC_KEY_NAME:
        if (notification == CBN_SELCHANGE) TakeEdit(dialog, data, kChoiceKey);
        return 1;
    case IDC_KEY_CATCH:
        if (notification == EN_CHANGE && !s_filling) TakeCaughtKey(dialog, data);
        return 1;
    case IDC_RUN_COMMAND:
        if (notification == EN_CHANGE) TakeEdit(dialog, data, kChoiceRun);
        return 1;
    case IDC_RUN_BROWSE: BrowseInto(dialog, IDC_RUN_COMMAND); return 1;
    case IDC_START_VIEWER:
        if (notification == EN_CHANGE && !s_filling) data.now.startViewer = ControlText(dialog, IDC_START_VIEWER);
        return 1;
    case IDC_START_VIEWER_BROWSE: BrowseInto(dialog, IDC_START_VIEWER); return 1;
    case IDC_LOG:
        if (!s_filling) data.now.log = Checked(dialog, IDC_LOG);
        return 1;
    case IDC_PROGRAM:
        if (notification == CBN_SELCHANGE) ChooseProgram(dialog, data);
        return 1;
    case IDC_PRESS_SHORT:
    case IDC_PRESS_LONG:
        if (s_filling) return 1;
        data.editLong = Checked(dialog, IDC_PRESS_LONG);
        ShowSelected(dialog, data);
        return 1;
    case IDC_PROGRAM_REMOVE:
        RemoveShownProgramMap(data);
        FillAll(dialog, data);
        return 1;
    case IDC_APPLY: Apply(dialog, window); return 1;
    case IDOK:
        Apply(dialog, window);
        if (!data.writeFailed) Win().DestroyWindow(dialog);
        return 1;
    case IDCANCEL: Win().DestroyWindow(dialog); return 1;
    default: return 0;
    }
}

}  // namespace

INT_PTR SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        s_window = reinterpret_cast<SettingsWindow*>(lParam);
        if (!s_window) return 0;
        s_window->dialog = dialog;
        // Korvanta's own icons, in the caption, Alt+Tab and the taskbar.
        Win().SendMessageW(dialog, WM_SETICON, ICON_BIG,
                           reinterpret_cast<LPARAM>(Win().LoadIconW(Instance(), MakeIntResource(IDI_KORVANTA))));
        Win().SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                           reinterpret_cast<LPARAM>(Win().LoadIconW(Instance(), MakeIntResource(IDI_SMALL))));
        Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETTABSTOPS, std::size(kListTabStops),
                                  reinterpret_cast<LPARAM>(kListTabStops));
        FillKeyNames(dialog);
        FillAll(dialog, *s_window->data);
        return 1;
    }
    case WM_COMMAND:
        if (!s_window || !s_window->data) return 0;
        return OnCommand(dialog, *s_window, static_cast<int>(wParam & 0xFFFF), static_cast<UINT>(wParam >> 16));
    case WM_CLOSE: Win().DestroyWindow(dialog); return 1;
    case WM_DESTROY:
        if (s_window) {
            delete s_window->data;
            s_window->data = nullptr;
            s_window->dialog = nullptr;
            s_window = nullptr;
        }
        return 1;
    default: return 0;
    }
}

bool TakeKeyIntoCatcher(HWND dialog, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !s_window || !s_window->data || s_window->dialog != dialog ||
        msg.hwnd != Win().GetDlgItem(dialog, IDC_KEY_CATCH))
        return false;
    const auto vk = static_cast<std::uint8_t>(msg.wParam);
    if (vk != VK_RETURN && vk != VK_ESCAPE && vk != VK_SPACE && vk != VK_BACK) return false;
    const bool shift = Win().GetKeyState(VK_SHIFT) < 0, ctrl = Win().GetKeyState(VK_CONTROL) < 0;
    TakeKey(dialog, *s_window->data, vk, (shift ? HOTKEYF_SHIFT : 0) | (ctrl ? HOTKEYF_CONTROL : 0));
    return true;
}

void ShowLearnedPress(SettingsWindow& window, ButtonCode code, bool longPress) {
    if (!window.dialog || !window.data) return;
    SettingsWindowData& data = *window.data;
    const std::size_t before = data.rows.size();
    NoteLearnedPress(data, code, longPress);
    if (data.rows.size() != before) FillList(window.dialog, data);
    else Win().SendDlgItemMessageW(window.dialog, IDC_BUTTON_LIST, LB_SETCURSEL, static_cast<WPARAM>(data.selected), 0);
    ShowSelected(window.dialog, data);
    const ButtonKey key = FormatButtonKey(code);
    const char16_t* args[] = {key.text};
    char16_t text[kTextCapacity];
    FormatStringResource(window.instance, IDS_SETTINGS_PRESSED, args, 1, text, kTextCapacity);
    Win().SetDlgItemTextW(window.dialog, IDC_PRESSED, text);
}

void RefreshSettingsWindow(SettingsWindow& window) {
    if (!window.dialog || !window.data) return;
    SettingsChoices file;
    ReadSettingsChoices(*window.settings, file);
    RebaseSettingsWindowData(*window.data, file);
    FillAll(window.dialog, *window.data);
}

void OpenSettingsWindow(SettingsWindow& window, HINSTANCE instance, HWND mainWindow, const SettingsFile& settings) {
    if (window.dialog) {
        // SW_SHOW would leave a minimised window minimised.
        Win().ShowWindow(window.dialog, Win().IsIconic(window.dialog) ? SW_RESTORE : SW_SHOW);
        Win().SetForegroundWindow(window.dialog);
        return;
    }
    // The key catcher is a common control, registered on first use.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_HOTKEY_CLASS};
    Win().InitCommonControlsEx(&controls);
    window.instance = instance;
    window.settings = &settings;
    window.mainWindow = mainWindow;
    window.data = new SettingsWindowData{};
    ReadSettingsWindowData(*window.data, settings);
    if (!Win().CreateDialogParamW(instance, MakeIntResource(IDD_SETTINGS), nullptr, SettingsDialogProc,
                                  reinterpret_cast<LPARAM>(&window))) {
        delete window.data;
        window.data = nullptr;
        window.dialog = nullptr;
        return;
    }
    Win().ShowWindow(window.dialog, SW_SHOW);
    Win().SetForegroundWindow(window.dialog);
}

void CloseSettingsWindow(SettingsWindow& window) {
    if (window.dialog) Win().DestroyWindow(window.dialog);
}

bool SettingsWindowIsOpen(const SettingsWindow& window) { return window.dialog != nullptr; }

bool SettingsWindowLearns(const SettingsWindow& window) {
    return window.dialog && Win().GetForegroundWindow() == window.dialog && !Win().IsIconic(window.dialog);
}
