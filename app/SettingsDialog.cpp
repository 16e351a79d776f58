// The settings window's dialog procedure and its controls: values move
// between the window's record and the controls here, and nothing else is
// decided (see SettingsWindow.cpp). The key box and the program list have
// files of their own.
#include <algorithm>

#include "app/MessageText.h"
#include "app/Resource.h"
#include "app/SettingsControls.h"
#include "app/SettingsWatch.h"
#include "platform/Constants.h"
#include "remote/KeyNames.h"

using namespace win;

namespace {

// The dialog procedure gets no context of its own: the one window's record,
// from its creation to its end.
SettingsWindow* s_window = nullptr;
bool s_filling = false;
// The control that had the focus as the window was last left: the dialog
// manager gives the focus back to it when the window is activated again.
HWND s_focusWhenLeft = nullptr;

constexpr int kActionRadios[] = {IDC_ACTION_STANDARD, IDC_ACTION_KEY, IDC_ACTION_FRONT, IDC_ACTION_RUN,
                                 IDC_ACTION_NONE};
constexpr int kPressRadios[] = {IDC_PRESS_SHORT, IDC_PRESS_LONG};
// Where the list's columns start, in dialog units.
constexpr int kListTabStops[] = {22, 150};
constexpr std::size_t kTextCapacity = 256;

HINSTANCE Instance() { return s_window ? s_window->instance : nullptr; }

int SelectedCode(const SettingsWindowData& data) {
    return data.selected >= 0 && data.selected < static_cast<int>(data.rows.size()) ? data.rows[data.selected] : -1;
}

std::u16string RowText(const SettingsWindowData& data, ButtonCode code) {
    const RowWords words{LoadSettingsText(IDS_SETTINGS_STANDARD), LoadSettingsText(IDS_SETTINGS_OWN),
                         LoadSettingsText(IDS_SETTINGS_FOLLOWS_ALL), LoadSettingsText(IDS_SETTINGS_LONG_PRESS)};
    return SettingsRowText(data, code, words);
}

// ----- the focus -----

// An automatic radio button that gets the focus while unchecked checks
// itself and tells BN_CLICKED: the dialog manager's giving the focus back,
// as the window is activated again, would then choose an action the user
// never chose. So the focus never rests on one the procedure unchecked: it
// goes to the radio button checked in its group, or to the list.
struct RadioGroup {
    const int* first;
    const int* last;
};

// Null when the focus may stay where it is.
HWND SafeFocusFor(HWND dialog, HWND focus) {
    if (!focus) return nullptr;
    for (const RadioGroup group : {RadioGroup{std::begin(kActionRadios), std::end(kActionRadios)},
                                   RadioGroup{std::begin(kPressRadios), std::end(kPressRadios)}}) {
        const int* focused =
            std::find_if(group.first, group.last, [&](int id) { return Win().GetDlgItem(dialog, id) == focus; });
        if (focused == group.last) continue;
        if (Checked(dialog, *focused)) return nullptr;
        for (const int* id = group.first; id != group.last; ++id)
            if (Checked(dialog, *id)) return Win().GetDlgItem(dialog, *id);
        return Win().GetDlgItem(dialog, IDC_BUTTON_LIST);
    }
    return nullptr;
}

// While the window is active and a control has the focus: WM_NEXTDLGCTL
// rather than SetFocus, so that the dialog manager also moves the default
// button as a tab would.
void KeepFocusOffUncheckedRadio(HWND dialog) {
    if (const HWND safe = SafeFocusFor(dialog, Win().GetFocus()))
        Win().SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(safe), 1);
}

// The window comes back: activated (WM_ACTIVATE), or given the focus itself
// (WM_SETFOCUS, as it is restored from the taskbar). The dialog manager
// would give the focus back to the control that had it when the window was
// left; where that is a radio button the procedure has unchecked meanwhile
// (by a reload while the window was behind), the focus is put right here
// instead, and the dialog manager's own restoring is skipped. No control has
// the focus at that moment, so WM_NEXTDLGCTL would be ignored: SetFocus.
// True when done with.
bool RestoreFocus(HWND dialog) {
    const HWND safe = SafeFocusFor(dialog, s_focusWhenLeft);
    if (!safe) return false;
    Win().SetFocus(safe);
    s_focusWhenLeft = safe;
    return true;
}

bool OnActivate(HWND dialog, WPARAM state) {
    if ((state & 0xFFFF) == WA_INACTIVE) {
        const HWND focus = Win().GetFocus();
        if (focus && focus != dialog) s_focusWhenLeft = focus;
        return false;
    }
    // Minimised, the dialog manager restores nothing until WM_SETFOCUS.
    if ((state >> 16 & 0xFFFF) != 0) return false;
    return RestoreFocus(dialog);
}

// ----- filling the controls -----

// 短押し or 長押し, and what the first action choice means for it: a
// program's line removed follows every program's, a hold's removed leaves
// no long press.
void ShowPressChoice(HWND dialog, const SettingsWindowData& data, bool any) {
    Check(dialog, IDC_PRESS_SHORT, any && !data.editLong);
    Check(dialog, IDC_PRESS_LONG, any && data.editLong);
    for (int id : kPressRadios) Win().EnableWindow(Win().GetDlgItem(dialog, id), any);
    const UINT standard = data.program >= 0 ? IDS_SETTINGS_SAME_AS_ALL
                          : data.editLong   ? IDS_SETTINGS_NO_LONG_PRESS
                                            : IDS_SETTINGS_STANDARD_ACTION;
    Win().SetDlgItemTextW(dialog, IDC_ACTION_STANDARD, LoadSettingsText(standard).c_str());
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
// key box takes a key whatever is chosen, and makes it the choice.
void EnableActionControls(HWND dialog, bool any, ActionChoice choice) {
    for (int id : kActionRadios) Win().EnableWindow(Win().GetDlgItem(dialog, id), any);
    Win().EnableWindow(Win().GetDlgItem(dialog, IDC_KEY_CATCH), any);
    for (int id : {IDC_KEY_SHIFT, IDC_KEY_CTRL, IDC_KEY_NAME})
        Win().EnableWindow(Win().GetDlgItem(dialog, id), any && choice == kChoiceKey);
    for (int id : {IDC_RUN_COMMAND, IDC_RUN_BROWSE})
        Win().EnableWindow(Win().GetDlgItem(dialog, id), any && choice == kChoiceRun);
}

void ShowEdit(HWND dialog, const ButtonEdit& edit, bool any) {
    s_filling = true;
    ShowKeyInKeyBox(dialog, edit);
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

ButtonEdit ReadEdit(HWND dialog) {
    ButtonEdit edit{kChoiceStandard, Checked(dialog, IDC_KEY_SHIFT), Checked(dialog, IDC_KEY_CTRL), {}, {}};
    for (int i = 0; i < 5; ++i)
        if (Checked(dialog, kActionRadios[i])) edit.choice = static_cast<ActionChoice>(i);
    edit.keyName = ControlText(dialog, IDC_KEY_NAME);
    edit.commandLine = ControlText(dialog, IDC_RUN_COMMAND);
    return edit;
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

void Apply(HWND dialog, SettingsWindow& window) {
    ApplySettingsWindow(*window.data, *window.settings);
    FillAll(dialog, *window.data);
    SetStatus(dialog, window.data->writeFailed ? IDS_SETTINGS_NOT_WRITTEN : 0);
    // Read again by the main window at once, as a hand edit would be.
    Win().PostMessageW(window.mainWindow, WM_SETTINGS_CHANGED, 0, 0);
}

// The small icon at the small-icon size, from the image drawn for 16 pixels
// where that is the size (LoadIconW would load it at the large size, to be
// scaled back down blurred), else scaled down from the 48-pixel one rather
// than up. Loaded at the first opening and kept for the program's life, as
// an icon loaded unshared is its own to keep.
HANDLE SmallIcon(SettingsWindow& window) {
    constexpr int kDrawnSmall = 16;
    if (!window.smallIcon) {
        const int width = Win().GetSystemMetrics(SM_CXSMICON), height = Win().GetSystemMetrics(SM_CYSMICON);
        const UINT icon = width <= kDrawnSmall && height <= kDrawnSmall ? IDI_SMALL : IDI_KORVANTA;
        window.smallIcon =
            Win().LoadImageW(window.instance, MakeIntResource(icon), IMAGE_ICON, width, height, LR_DEFAULTCOLOR);
    }
    return window.smallIcon;
}

void OnInitDialog(HWND dialog) {
    // Korvanta's own icons, in the caption, Alt+Tab and the taskbar.
    Win().SendMessageW(dialog, WM_SETICON, ICON_BIG,
                       reinterpret_cast<LPARAM>(Win().LoadIconW(Instance(), MakeIntResource(IDI_KORVANTA))));
    Win().SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon(*s_window)));
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETTABSTOPS, std::size(kListTabStops),
                              reinterpret_cast<LPARAM>(kListTabStops));
    FillKeyNames(dialog);
    FillAll(dialog, *s_window->data);
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
    case IDC_PROGRAM: OnProgramListNotification(dialog, notification); return 1;
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

// ----- shared with the key box and the program list -----

SettingsWindow* OpenSettingsWindowRecord(HWND dialog) {
    return s_window && s_window->dialog == dialog && s_window->data ? s_window : nullptr;
}

std::u16string LoadSettingsText(UINT id) {
    char16_t text[kTextCapacity] = {};
    FormatStringResource(Instance(), id, nullptr, 0, text, kTextCapacity);
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

void SetStatus(HWND dialog, UINT id) {
    Win().SetDlgItemTextW(dialog, IDC_STATUS, id ? LoadSettingsText(id).c_str() : u"");
}

bool FillingControls() { return s_filling; }
void SetFillingControls(bool filling) { s_filling = filling; }

void ShowSelected(HWND dialog, const SettingsWindowData& data) {
    const int code = SelectedCode(data);
    s_filling = true;
    ShowPressChoice(dialog, data, code >= 0);
    s_filling = false;
    ShowEdit(dialog, code < 0 ? ButtonEdit{} : EditOfButton(data, static_cast<ButtonCode>(code)), code >= 0);
    KeepFocusOffUncheckedRadio(dialog);
}

void TakeEdit(HWND dialog, SettingsWindowData& data, int choose) {
    const int code = SelectedCode(data);
    if (s_filling || code < 0) return;
    if (choose >= 0) {
        s_filling = true;
        for (int i = 0; i < 5; ++i) Check(dialog, kActionRadios[i], i == choose);
        s_filling = false;
        KeepFocusOffUncheckedRadio(dialog);
    }
    const ButtonEdit edit = ReadEdit(dialog);
    ChooseButtonAction(data, static_cast<ButtonCode>(code), edit);
    EnableActionControls(dialog, true, edit.choice);
    RefreshSelectedRow(dialog, data);
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

INT_PTR SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        s_window = reinterpret_cast<SettingsWindow*>(lParam);
        if (!s_window) return 0;
        s_window->dialog = dialog;
        s_focusWhenLeft = nullptr;
        OnInitDialog(dialog);
        return 1;
    case WM_COMMAND:
        if (!OpenSettingsWindowRecord(dialog)) return 0;
        return OnCommand(dialog, *s_window, static_cast<int>(wParam & 0xFFFF), static_cast<UINT>(wParam >> 16));
    case WM_SETTINGS_PROGRAM_CHOSEN:
        ChooseProgram(dialog);
        return 1;
    case WM_ACTIVATE: return OpenSettingsWindowRecord(dialog) && OnActivate(dialog, wParam);
    case WM_SETFOCUS: return OpenSettingsWindowRecord(dialog) && RestoreFocus(dialog);
    case WM_CLOSE: Win().DestroyWindow(dialog); return 1;
    case WM_DESTROY:
        if (s_window) {
            delete s_window->data;
            s_window->data = nullptr;
            s_window->dialog = nullptr;
            s_window = nullptr;
        }
        s_focusWhenLeft = nullptr;
        return 1;
    default: return 0;
    }
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
    // The key box is a common control, registered on first use.
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
