// The settings window's program list: すべてのプログラム, each program with
// a map of its own, and 追加... for another, picked from the programs on the
// screen or by 参照....
//
// A drop-down list tells CBN_SELCHANGE for every move of its selection: the
// arrow keys, the mouse wheel and type-ahead too. A choice is made when the
// list closes on another item (CBN_CLOSEUP) or the selection is confirmed
// with the list closed (CBN_SELENDOK); the order of the two is not fixed,
// so either is taken and the choice is acted on once, from a posted
// message, since the list must not be refilled inside its own notification.
// A choice cancelled (Esc, a click elsewhere: CBN_SELENDCANCEL) puts the
// list back on the map shown.
#include <algorithm>

#include "app/Resource.h"
#include "app/SettingsControls.h"
#include "delivery/ButtonMapChoice.h"
#include "platform/Constants.h"
#include "remote/CommandLine.h"

using namespace win;

namespace {

constexpr DWORD kPathCapacity = 1024;

void AddComboText(HWND dialog, int id, const std::u16string& text) {
    Win().SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int ListedChoice(HWND dialog) {
    return static_cast<int>(Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_GETCURSEL, 0, 0));
}

// Whether the list shows another item than the map shown.
bool ChoiceDiffers(HWND dialog) {
    const SettingsWindow* window = OpenSettingsWindowRecord(dialog);
    const int listed = ListedChoice(dialog);
    return window && listed >= 0 && listed != window->data->program + 1;
}

// 追加...: the programs with a window on the screen now, and 参照... for
// any other. The program picked, or empty. The menu and the open-file
// dialog each run a loop of their own, in which Korvanta may end.
std::u16string PickProgram(HWND dialog) {
    const std::vector<std::u16string> programs = ProgramsWithVisibleWindows(dialog);
    const HMENU menu = Win().CreatePopupMenu();
    if (!menu) return std::u16string();
    UINT id = 1;
    for (const std::u16string& program : programs) Win().AppendMenuW(menu, MF_STRING, id++, program.c_str());
    if (!programs.empty()) Win().AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const UINT browse = id;
    Win().AppendMenuW(menu, MF_STRING, browse, LoadSettingsText(IDS_SETTINGS_BROWSE_PROGRAM).c_str());
    RECT below{};
    Win().GetWindowRect(Win().GetDlgItem(dialog, IDC_PROGRAM), &below);
    const auto chosen = static_cast<UINT>(
        Win().TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, below.left, below.bottom, 0, dialog, nullptr));
    Win().DestroyMenu(menu);
    if (!OpenSettingsWindowRecord(dialog)) return std::u16string();
    if (chosen == browse) return FileNameOfPath(BrowseForProgram(dialog));
    return chosen >= 1 && chosen <= programs.size() ? programs[chosen - 1] : std::u16string();
}

struct VisiblePrograms {
    DWORD ownProcess;
    std::vector<std::u16string> names;
};

BOOL AddVisibleProgram(HWND window, LPARAM value) {
    auto& programs = *reinterpret_cast<VisiblePrograms*>(value);
    DWORD process = 0;
    Win().GetWindowThreadProcessId(window, &process);
    if (!Win().IsWindowVisible(window) || process == programs.ownProcess) return 1;
    char16_t name[260];
    const std::size_t length = ProgramFileNameOfWindow(window, name, 260);
    if (length == 0) return 1;
    const std::u16string program(name, length);
    for (const std::u16string& known : programs.names)
        if (SameNameIgnoringCase(known, program)) return 1;
    programs.names.push_back(program);
    return 1;
}

}  // namespace

std::vector<std::u16string> ProgramsWithVisibleWindows(HWND ownWindow) {
    VisiblePrograms programs{0, {}};
    Win().GetWindowThreadProcessId(ownWindow, &programs.ownProcess);
    Win().EnumWindows(AddVisibleProgram, reinterpret_cast<LPARAM>(&programs));
    const auto lower = [](std::u16string text) {
        for (char16_t& c : text)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        return text;
    };
    std::sort(programs.names.begin(), programs.names.end(),
              [&](const std::u16string& a, const std::u16string& b) { return lower(a) < lower(b); });
    return programs.names;
}

void FillPrograms(HWND dialog, const SettingsWindowData& data) {
    Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_RESETCONTENT, 0, 0);
    AddComboText(dialog, IDC_PROGRAM, LoadSettingsText(IDS_SETTINGS_ALL_PROGRAMS));
    for (const ProgramLines& program : data.now.programs) AddComboText(dialog, IDC_PROGRAM, program.program);
    AddComboText(dialog, IDC_PROGRAM, LoadSettingsText(IDS_SETTINGS_ADD_PROGRAM));
    Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_SETCURSEL, static_cast<WPARAM>(data.program + 1), 0);
    Win().EnableWindow(Win().GetDlgItem(dialog, IDC_PROGRAM_REMOVE), data.program >= 0);
}

void OnProgramListNotification(HWND dialog, UINT notification) {
    if (notification == CBN_SELENDCANCEL) {
        if (const SettingsWindow* window = OpenSettingsWindowRecord(dialog))
            Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_SETCURSEL, static_cast<WPARAM>(window->data->program + 1),
                                      0);
        return;
    }
    const bool chosen =
        notification == CBN_CLOSEUP ||
        (notification == CBN_SELENDOK && !Win().SendDlgItemMessageW(dialog, IDC_PROGRAM, CB_GETDROPPEDSTATE, 0, 0));
    if (chosen && ChoiceDiffers(dialog)) Win().PostMessageW(dialog, WM_SETTINGS_PROGRAM_CHOSEN, 0, 0);
}

void ChooseProgram(HWND dialog) {
    // Both notifications of one choice may have posted it; the second may
    // come while the program menu of the first is open.
    static bool s_choosing = false;
    if (s_choosing || !ChoiceDiffers(dialog)) return;
    const int index = ListedChoice(dialog);
    if (index > static_cast<int>(OpenSettingsWindowRecord(dialog)->data->now.programs.size())) {
        s_choosing = true;
        const std::u16string program = PickProgram(dialog);
        s_choosing = false;
        SettingsWindow* window = OpenSettingsWindowRecord(dialog);
        if (!window) return;  // Korvanta ended meanwhile
        if (!program.empty()) ShowProgramMap(*window->data, program);
    } else {
        OpenSettingsWindowRecord(dialog)->data->program = index - 1;
    }
    FillAll(dialog, *OpenSettingsWindowRecord(dialog)->data);
}

std::u16string BrowseForProgram(HWND dialog) {
    std::u16string filter = LoadSettingsText(IDS_SETTINGS_PROGRAM_FILTER);  // "|" between its parts
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
    if (!chosen || !OpenSettingsWindowRecord(dialog)) return std::u16string();
    path[kPathCapacity - 1] = 0;
    return path;
}
