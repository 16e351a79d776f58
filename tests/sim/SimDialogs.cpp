// The simulated desktop's modeless dialog: the settings window's controls
// as plain values, and the user's clicks, choices and typing told to the
// dialog procedure as Windows tells them.
#include <algorithm>

#include "app/Resource.h"
#include "tests/sim/SimDesktop.h"

namespace sim {

namespace {

constexpr std::uintptr_t kControlBase = 0xE00000;
constexpr LRESULT kError = -1;  // LB_ERR, CB_ERR

// The edits whose text, set by anyone, tells the procedure EN_CHANGE, and
// the one group of radio buttons.
constexpr int kEdits[] = {IDC_RUN_COMMAND, IDC_START_VIEWER};
constexpr int kRadios[] = {IDC_ACTION_STANDARD, IDC_ACTION_KEY, IDC_ACTION_FRONT, IDC_ACTION_RUN, IDC_ACTION_NONE};
constexpr int kPressRadios[] = {IDC_PRESS_SHORT, IDC_PRESS_LONG};

bool IsEdit(int id) { return std::find(std::begin(kEdits), std::end(kEdits), id) != std::end(kEdits); }
bool IsRadio(int id) { return std::find(std::begin(kRadios), std::end(kRadios), id) != std::end(kRadios); }
bool IsPressRadio(int id) {
    return std::find(std::begin(kPressRadios), std::end(kPressRadios), id) != std::end(kPressRadios);
}

}  // namespace

HWND SimDesktop::CreateDialogParamW(HINSTANCE, const char16_t* templateName, HWND owner, DLGPROC dialogProc,
                                    LPARAM initParam) {
    Record("CreateDialogParamW(" + std::to_string(reinterpret_cast<std::uintptr_t>(templateName)) + ", " +
           Name(owner) + ")");
    if (createDialogFails) return nullptr;
    WindowOptions options;
    options.pid = ownPid;
    options.label = "settings";
    HWND hwnd = AddWindow(u"#32770", options);
    Find(hwnd)->tid = ownTid;
    Find(hwnd)->proc = dialogProc;  // the same shape as a window procedure
    controls.clear();
    modeless_ = hwnd;
    dialogFocus_ = dialogSavedFocus_ = nullptr;
    dialogActive_ = true;
    dialogProc(hwnd, WM_INITDIALOG, 0, initParam);
    return hwnd;
}

BOOL SimDesktop::IsDialogMessageW(HWND, MSG*) { return 0; }

std::int16_t SimDesktop::GetKeyState(int virtualKey) {
    return heldKeys.count(virtualKey) ? static_cast<std::int16_t>(0x8000) : 0;
}

HWND SimDesktop::GetDlgItem(HWND dialog, int id) {
    if (!dialog || dialog != modeless_) return nullptr;
    return reinterpret_cast<HWND>(kControlBase + static_cast<std::uintptr_t>(id));
}

void SimDesktop::TellDialog(int id, UINT notification) {
    if (!modeless_) return;
    const WPARAM command = static_cast<WPARAM>(id & 0xFFFF) | static_cast<WPARAM>(notification) << 16;
    Find(modeless_)->proc(modeless_, WM_COMMAND, command, 0);
}

LRESULT SimDesktop::SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialog || dialog != modeless_) return 0;
    Control& control = controls[id];
    auto& items = control.items;
    const auto index = static_cast<int>(wParam);
    switch (message) {
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(control.text.size());
    case LB_RESETCONTENT:
    case CB_RESETCONTENT:
        items.clear();
        control.selection = -1;
        return 0;
    case LB_ADDSTRING:
    case CB_ADDSTRING: items.push_back(Text(reinterpret_cast<const char16_t*>(lParam))); return items.size() - 1;
    case LB_INSERTSTRING: {
        const int at = index < 0 || index > static_cast<int>(items.size()) ? static_cast<int>(items.size()) : index;
        items.insert(items.begin() + at, Text(reinterpret_cast<const char16_t*>(lParam)));
        return at;
    }
    case LB_DELETESTRING:
        if (index < 0 || index >= static_cast<int>(items.size())) return kError;
        items.erase(items.begin() + index);
        return static_cast<LRESULT>(items.size());
    case LB_SETCURSEL:
    case CB_SETCURSEL:
        control.selection = index >= 0 && index < static_cast<int>(items.size()) ? index : -1;
        if (message == CB_SETCURSEL) control.text = control.selection < 0 ? u"" : items[control.selection];
        return control.selection < 0 && index != -1 ? kError : control.selection;
    case LB_GETCURSEL:
    case CB_GETCURSEL: return control.selection;
    case CB_FINDSTRINGEXACT: {
        const std::u16string wanted = Text(reinterpret_cast<const char16_t*>(lParam));
        for (std::size_t i = 0; i < items.size(); ++i)
            if (SameIgnoringCase(items[i], wanted)) return static_cast<LRESULT>(i);
        return kError;
    }
    case LB_SETTABSTOPS: {
        const auto* stops = reinterpret_cast<const int*>(lParam);
        control.tabStops.assign(stops, stops + wParam);
        return 1;
    }
    case LB_SETHORIZONTALEXTENT: control.horizontalExtent = static_cast<int>(wParam); return 0;
    case HKM_GETHOTKEY: return control.hotkey;
    case CB_GETDROPPEDSTATE: return comboDropped_ ? 1 : 0;
    case HKM_SETHOTKEY: control.hotkey = static_cast<WORD>(wParam); return 0;
    default: return 0;
    }
}

BOOL SimDesktop::MapDialogRect(HWND dialog, RECT* rect) {
    if (!dialog || dialog != modeless_) return 0;
    *rect = RECT{rect->left * 6 / 4, rect->top * 13 / 8, rect->right * 6 / 4, rect->bottom * 13 / 8};
    return 1;
}

BOOL SimDesktop::SetDlgItemTextW(HWND dialog, int id, const char16_t* text) {
    if (!dialog || dialog != modeless_) return 0;
    controls[id].text = Text(text);
    // An edit tells its change whoever made it, as Windows' edits do.
    if (IsEdit(id)) TellDialog(id, EN_CHANGE);
    return 1;
}

UINT SimDesktop::GetDlgItemTextW(HWND dialog, int id, char16_t* buffer, int capacity) {
    if (!dialog || dialog != modeless_ || capacity <= 0) return 0;
    const std::u16string& text = controls[id].text;
    const auto length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), buffer);
    buffer[length] = 0;
    return static_cast<UINT>(length);
}

BOOL SimDesktop::CheckDlgButton(HWND dialog, int id, UINT check) {
    if (!dialog || dialog != modeless_) return 0;
    controls[id].checked = check;
    return 1;
}

UINT SimDesktop::IsDlgButtonChecked(HWND dialog, int id) {
    return dialog && dialog == modeless_ ? controls[id].checked : 0;
}

BOOL SimDesktop::EnableWindow(HWND hwnd, BOOL enable) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (!modeless_ || value < kControlBase) return 0;
    controls[static_cast<int>(value - kControlBase)].enabled = enable != 0;
    return 1;
}

// As documented: SW_SHOW shows a minimised window still minimised; only
// SW_RESTORE (or SW_SHOWNORMAL) brings it back.
BOOL SimDesktop::ShowWindow(HWND hwnd, int command) {
    Record("ShowWindow(" + Name(hwnd) + ", " + std::to_string(command) + ")");
    Window* w = Find(hwnd);
    if (!w) return 0;
    const bool wasVisible = w->visible;
    if (command == SW_MINIMIZE || command == 2 || command == 7) w->minimized = true;
    if (command == SW_RESTORE || command == 1) w->minimized = false;
    w->visible = command != 0;
    return wasVisible;
}

BOOL SimDesktop::IsIconic(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w && w->minimized;
}

BOOL SimDesktop::InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return 0;
    ++initCommonControls;
    return 1;
}

BOOL SimDesktop::GetOpenFileNameW(OPENFILENAMEW* openFile) {
    Record("GetOpenFileNameW(flags " + Hex(openFile ? openFile->Flags : 0) + ")");
    if (duringOpenFileDialog) {
        // Like Windows: the owner is disabled while the dialog runs.
        disabledOwner_ = openFile ? openFile->hwndOwner : nullptr;
        duringOpenFileDialog();
        disabledOwner_ = nullptr;
        // The dialog goes with the window that owns it.
        if (openFile && !Find(openFile->hwndOwner)) return 0;
    }
    if (!openFile || openFile->lStructSize != sizeof(OPENFILENAMEW) || !openFile->lpstrFile ||
        openFileAnswer.empty() || openFileAnswer.size() + 1 > openFile->nMaxFile)
        return 0;
    std::copy(openFileAnswer.begin(), openFileAnswer.end(), openFile->lpstrFile);
    openFile->lpstrFile[openFileAnswer.size()] = 0;
    // As documented, OFN_NOCHANGEDIR does nothing here: the dialog leaves the
    // process in the folder the file was chosen from.
    currentDirectory = openFileAnswer.substr(0, openFileAnswer.find_last_of(u'\\'));
    return 1;
}

DWORD SimDesktop::GetCurrentDirectoryW(DWORD capacity, char16_t* buffer) {
    const auto length = static_cast<DWORD>(currentDirectory.size());
    if (length + 1 > capacity) return length + 1;
    std::copy(currentDirectory.begin(), currentDirectory.end(), buffer);
    buffer[length] = 0;
    return length;
}

BOOL SimDesktop::SetCurrentDirectoryW(const char16_t* pathName) {
    Record("SetCurrentDirectoryW(" + Narrow(pathName) + ")");
    currentDirectory = pathName;
    return 1;
}

// ----- the user -----

void SimDesktop::ClickDialogButton(int id) {
    if (!modeless_) return;
    if (IsRadio(id)) {
        for (int radio : kRadios) controls[radio].checked = radio == id ? BST_CHECKED : BST_UNCHECKED;
    } else if (id == IDC_KEY_SHIFT || id == IDC_KEY_CTRL || id == IDC_LOG) {
        controls[id].checked = controls[id].checked ? BST_UNCHECKED : BST_CHECKED;
    }
    TellDialog(id, BN_CLICKED);
}

void SimDesktop::ChooseDialogItem(int id, int index) {
    if (!modeless_) return;
    if (id == IDC_BUTTON_LIST) {
        controls[id].selection = index;
        TellDialog(id, LBN_SELCHANGE);
        return;
    }
    comboDropped_ = true;
    MoveDialogSelection(id, index);
    TellDialog(id, CBN_SELENDOK);
    comboDropped_ = false;
    TellDialog(id, CBN_CLOSEUP);
}

void SimDesktop::MoveDialogSelection(int id, int index, bool confirmed) {
    if (!modeless_) return;
    Control& control = controls[id];
    control.selection = index;
    if (index >= 0 && index < static_cast<int>(control.items.size())) control.text = control.items[index];
    TellDialog(id, CBN_SELCHANGE);
    if (confirmed) TellDialog(id, CBN_SELENDOK);
}

// ----- the focus -----

HWND SimDesktop::GetFocus() { return modeless_ && dialogActive_ ? dialogFocus_ : nullptr; }

int SimDesktop::FocusedControl() const {
    const auto value = reinterpret_cast<std::uintptr_t>(dialogFocus_);
    return modeless_ && dialogActive_ && value >= kControlBase ? static_cast<int>(value - kControlBase) : 0;
}

void SimDesktop::GiveDialogFocus(HWND control) {
    dialogFocus_ = control;
    const auto value = reinterpret_cast<std::uintptr_t>(control);
    if (!modeless_ || value < kControlBase) return;
    const int id = static_cast<int>(value - kControlBase);
    if ((!IsRadio(id) && !IsPressRadio(id)) || controls[id].checked) return;
    for (int radio : IsRadio(id) ? std::vector<int>(std::begin(kRadios), std::end(kRadios))
                                 : std::vector<int>(std::begin(kPressRadios), std::end(kPressRadios)))
        controls[radio].checked = radio == id ? BST_CHECKED : BST_UNCHECKED;
    TellDialog(id, BN_CLICKED);
}

void SimDesktop::FocusDialogControl(int id) {
    if (modeless_) GiveDialogFocus(GetDlgItem(modeless_, id));
}

void SimDesktop::LeaveDialog() {
    if (!modeless_ || !dialogActive_) return;
    const HWND dialog = modeless_;
    const bool handled = Find(dialog)->proc(dialog, WM_ACTIVATE, WA_INACTIVE, 0) != 0;
    if (!handled && modeless_ == dialog) dialogSavedFocus_ = dialogFocus_;
    dialogActive_ = false;
    dialogFocus_ = nullptr;
}

void SimDesktop::ActivateDialogAgain() {
    if (!modeless_ || dialogActive_) return;
    const HWND dialog = modeless_;
    dialogActive_ = true;
    dialogFocus_ = nullptr;
    const bool handled = Find(dialog)->proc(dialog, WM_ACTIVATE, 1, 0) != 0;  // WA_ACTIVE
    if (!handled && modeless_ == dialog && dialogSavedFocus_) GiveDialogFocus(dialogSavedFocus_);
}

void SimDesktop::RestoreDialogFromTaskbar() {
    if (!modeless_ || dialogActive_) return;
    const HWND dialog = modeless_;
    dialogActive_ = true;
    dialogFocus_ = nullptr;
    Find(dialog)->proc(dialog, WM_ACTIVATE, 1 | 1 << 16, 0);  // WA_ACTIVE, minimised
    if (modeless_ != dialog) return;
    const bool handled = Find(dialog)->proc(dialog, WM_SETFOCUS, 0, 0) != 0;
    if (!handled && modeless_ == dialog && dialogSavedFocus_) GiveDialogFocus(dialogSavedFocus_);
}

HWND SimDesktop::SetFocus(HWND hwnd) {
    const HWND before = GetFocus();
    if (modeless_ && dialogActive_) GiveDialogFocus(hwnd);
    return before;
}

void SimDesktop::CancelDialogSelection(int id, int index) {
    if (!modeless_) return;
    comboDropped_ = true;
    MoveDialogSelection(id, index);
    TellDialog(id, CBN_SELENDCANCEL);
    comboDropped_ = false;
    TellDialog(id, CBN_CLOSEUP);
}

void SimDesktop::TypeDialogText(int id, const std::u16string& text) {
    if (!modeless_) return;
    controls[id].text = text;
    TellDialog(id, EN_CHANGE);
}

// The modifiers are held as the control tells its change, as they are on a
// keyboard, and let go after.
void SimDesktop::CatchDialogKey(BYTE vk, BYTE modifiers) {
    if (!modeless_) return;
    controls[IDC_KEY_CATCH].hotkey = static_cast<WORD>(vk | modifiers << 8);
    const std::set<int> held = heldKeys;
    if (modifiers & HOTKEYF_SHIFT) heldKeys.insert(VK_SHIFT);
    if (modifiers & HOTKEYF_CONTROL) heldKeys.insert(VK_CONTROL);
    if (modifiers & HOTKEYF_ALT) heldKeys.insert(VK_MENU);
    TellDialog(IDC_KEY_CATCH, EN_CHANGE);
    heldKeys = held;
}

}  // namespace sim
