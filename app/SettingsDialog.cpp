// The settings window's dialog procedure: its opening and closing, and each
// message to the place that handles it. The controls (SettingsControls.cpp),
// the key box and the program list have files of their own; nothing is
// decided here (see SettingsWindow.cpp).
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

// Where the list's columns start, in dialog units.
constexpr std::size_t kTextCapacity = 256;

HINSTANCE Instance() { return s_window ? s_window->instance : nullptr; }

// A program picked in the open-file dialog into the edit `id`, in quotes;
// the edit tells its change as if typed.
void BrowseInto(HWND dialog, int id) {
    const std::u16string path = BrowseForProgram(dialog);
    if (!path.empty()) Win().SetDlgItemTextW(dialog, id, QuotedProgramPath(path).c_str());
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
    FillKeyNames(dialog);
    FillOsdChoices(dialog);
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
        if (notification == EN_CHANGE && !FillingControls()) TakeCaughtKey(dialog, data);
        return 1;
    case IDC_RUN_COMMAND:
        if (notification == EN_CHANGE) TakeEdit(dialog, data, kChoiceRun);
        return 1;
    case IDC_RUN_BROWSE: BrowseInto(dialog, IDC_RUN_COMMAND); return 1;
    case IDC_START_VIEWER:
        if (notification == EN_CHANGE && !FillingControls()) data.now.startViewer = ControlText(dialog, IDC_START_VIEWER);
        return 1;
    case IDC_START_VIEWER_BROWSE: BrowseInto(dialog, IDC_START_VIEWER); return 1;
    case IDC_LOG:
        if (!FillingControls()) data.now.log = Checked(dialog, IDC_LOG);
        return 1;
    case IDC_OSD:
        if (notification == CBN_SELCHANGE && !FillingControls()) data.now.osd = ChosenOsd(dialog);
        return 1;
    case IDC_PROGRAM: OnProgramListNotification(dialog, notification); return 1;
    case IDC_PRESS_SHORT:
    case IDC_PRESS_LONG:
        if (FillingControls()) return 1;
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

HINSTANCE SettingsWindowInstance() { return Instance(); }

SettingsWindow* OpenSettingsWindowRecord(HWND dialog) {
    return s_window && s_window->dialog == dialog && s_window->data ? s_window : nullptr;
}

INT_PTR SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        s_window = reinterpret_cast<SettingsWindow*>(lParam);
        if (!s_window) return 0;
        s_window->dialog = dialog;
        OnInitDialog(dialog);
        return 1;
    case WM_COMMAND:
        if (!OpenSettingsWindowRecord(dialog)) return 0;
        return OnCommand(dialog, *s_window, static_cast<int>(wParam & 0xFFFF), static_cast<UINT>(wParam >> 16));
    case WM_SETTINGS_PROGRAM_CHOSEN:
        ChooseProgram(dialog);
        return 1;
    case WM_ACTIVATE: return OpenSettingsWindowRecord(dialog) && OnSettingsDialogActivate(dialog, wParam);
    case WM_SETFOCUS: return OpenSettingsWindowRecord(dialog) && RestoreFocus(dialog);
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

void ShowLearnedPress(SettingsWindow& window, ButtonRow row, bool longPress) {
    if (!window.dialog || !window.data) return;
    SettingsWindowData& data = *window.data;
    const std::size_t before = data.rows.size();
    NoteLearnedPress(data, row, longPress);
    if (data.rows.size() != before) FillList(window.dialog, data);
    else Win().SendDlgItemMessageW(window.dialog, IDC_BUTTON_LIST, LB_SETCURSEL, static_cast<WPARAM>(data.selected), 0);
    ShowSelected(window.dialog, data);
    const std::u16string name = ButtonRowName(row);
    const char16_t* args[] = {name.c_str()};
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
    // Not while the open-file dialog runs, which disables it: a press then
    // would move the selection from under the path being chosen.
    return window.dialog && Win().GetForegroundWindow() == window.dialog && !Win().IsIconic(window.dialog) &&
           Win().IsWindowEnabled(window.dialog);
}
