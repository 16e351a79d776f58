// The settings window's controls: values move between the window's record
// and the controls here, and nothing is decided (see SettingsWindow.cpp).
// The dialog procedure (SettingsDialog.cpp), the key box and the program
// list share these.
#include <algorithm>
#include <string_view>

#include "app/MessageText.h"
#include "app/Resource.h"
#include "app/SettingsControls.h"
#include "remote/KeyNames.h"

using namespace win;

namespace {

// Set while the procedure fills the controls, whose notifications are then
// its own doing, not the user's.
bool s_filling = false;
// The control that had the focus as the window was last left: the dialog
// manager gives the focus back to it when the window is activated again.
HWND s_focusWhenLeft = nullptr;

constexpr int kActionRadios[] = {IDC_ACTION_STANDARD, IDC_ACTION_KEY, IDC_ACTION_FRONT, IDC_ACTION_RUN,
                                 IDC_ACTION_NONE};
constexpr int kPressRadios[] = {IDC_PRESS_SHORT, IDC_PRESS_LONG};
constexpr std::size_t kTextCapacity = 256;

// The selected row, null when none is.
const ButtonRow* SelectedRow(const SettingsWindowData& data) {
    return data.selected >= 0 && data.selected < static_cast<int>(data.rows.size()) ? &data.rows[data.selected]
                                                                                     : nullptr;
}

std::u16string RowText(const SettingsWindowData& data, ButtonRow row) {
    const RowWords words{LoadSettingsText(IDS_SETTINGS_STANDARD), LoadSettingsText(IDS_SETTINGS_OWN),
                         LoadSettingsText(IDS_SETTINGS_FOLLOWS_ALL), LoadSettingsText(IDS_SETTINGS_LONG_PRESS),
                         LoadSettingsText(IDS_SETTINGS_WINDOWS_ALSO)};
    return SettingsRowText(data, row, words);
}

// ----- the list's columns -----

// The button, its action and whose it is, in dialog units: a receiver's
// code is narrow, another remote's button long, so the action's column
// starts past the widest button listed, and is as wide as the widest action
// needs, up to the room it has beside the codes alone.
constexpr int kCodeColumn = 22;
constexpr int kActionColumn = 128;
constexpr int kColumnGap = 6;

// About how wide a text is in dialog units: a dialog unit is a quarter of
// the font's average character, and a Japanese character is two of those.
int EstimatedWidth(std::u16string_view text) {
    int width = 0;
    for (char16_t c : text) width += c < 0x100 ? 4 : 8;
    return width;
}

// The list's tab stops as last set; the list box does not redraw its rows
// when they change.
int s_listStops[2] = {};

// The tab stops for the rows' texts, and the width past which the list
// scrolls sideways to show the end of the longest. True when the stops moved.
bool SetListColumns(HWND dialog, const std::vector<std::u16string>& rows) {
    int button = 0, action = 0, owner = 0;
    for (const std::u16string& text : rows) {
        const std::u16string_view row(text);
        const std::size_t first = row.find(u'\t'), second = row.find(u'\t', first + 1);
        button = std::max(button, EstimatedWidth(row.substr(0, first)));
        if (first != std::u16string_view::npos)
            action = std::max(action, EstimatedWidth(row.substr(first + 1, second - first - 1)));
        if (second != std::u16string_view::npos) owner = std::max(owner, EstimatedWidth(row.substr(second + 1)));
    }
    const int actionStop = std::max(kCodeColumn, button + kColumnGap);
    const int ownerStop =
        std::max(kCodeColumn + kActionColumn, actionStop + std::min(action + kColumnGap, kActionColumn));
    const int stops[] = {actionStop, ownerStop};
    const bool moved = stops[0] != s_listStops[0] || stops[1] != s_listStops[1];
    s_listStops[0] = stops[0];
    s_listStops[1] = stops[1];
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETTABSTOPS, std::size(stops),
                              reinterpret_cast<LPARAM>(stops));
    // An action wider than its column pushes its row's end on: room for that too.
    RECT extent{0, 0, std::max(ownerStop, actionStop + action + kColumnGap) + owner + kColumnGap, 0};
    if (Win().MapDialogRect(dialog, &extent))
        Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.right), 0);
    return moved;
}

std::vector<std::u16string> RowTexts(const SettingsWindowData& data) {
    std::vector<std::u16string> texts;
    for (const ButtonRow& row : data.rows) texts.push_back(RowText(data, row));
    return texts;
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

}  // namespace

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

bool OnSettingsDialogActivate(HWND dialog, WPARAM state) {
    if ((state & 0xFFFF) == WA_INACTIVE) {
        const HWND focus = Win().GetFocus();
        if (focus && focus != dialog) s_focusWhenLeft = focus;
        return false;
    }
    // Minimised, the dialog manager restores nothing until WM_SETFOCUS.
    if ((state >> 16 & 0xFFFF) != 0) return false;
    return RestoreFocus(dialog);
}

namespace {

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

}  // namespace

void FillList(HWND dialog, const SettingsWindowData& data) {
    const std::vector<std::u16string> texts = RowTexts(data);
    SetListColumns(dialog, texts);
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_RESETCONTENT, 0, 0);
    for (const std::u16string& text : texts)
        Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_SETCURSEL, static_cast<WPARAM>(data.selected), 0);
}

namespace {

// The row again, or the whole list when a longer action moved the columns
// of every row.
void RefreshSelectedRow(HWND dialog, const SettingsWindowData& data) {
    if (!SelectedRow(data)) return;
    const std::vector<std::u16string> texts = RowTexts(data);
    if (SetListColumns(dialog, texts)) return FillList(dialog, data);
    const auto row = static_cast<WPARAM>(data.selected);
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_DELETESTRING, row, 0);
    Win().SendDlgItemMessageW(dialog, IDC_BUTTON_LIST, LB_INSERTSTRING, row,
                              reinterpret_cast<LPARAM>(texts[data.selected].c_str()));
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

}  // namespace

void FillKeyNames(HWND dialog) {
    for (int vk = 1; vk < 256; ++vk) {
        const std::u16string name = VirtualKeyName(static_cast<std::uint8_t>(vk));
        if (!name.empty())
            Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

void FillOsdChoices(HWND dialog) {
    for (UINT id : {IDS_OSD_NEVER, IDS_OSD_WHEN_MISSED, IDS_OSD_EVERY_PRESS})
        Win().SendDlgItemMessageW(dialog, IDC_OSD, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(LoadSettingsText(id).c_str()));
}

OsdShow ChosenOsd(HWND dialog) {
    const LRESULT chosen = Win().SendDlgItemMessageW(dialog, IDC_OSD, CB_GETCURSEL, 0, 0);
    return chosen >= kOsdNever && chosen <= kOsdEveryPress ? static_cast<OsdShow>(chosen) : kDefaultOsdShow;
}

std::u16string LoadSettingsText(UINT id) {
    char16_t text[kTextCapacity] = {};
    FormatStringResource(SettingsWindowInstance(), id, nullptr, 0, text, kTextCapacity);
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
    const ButtonRow* row = SelectedRow(data);
    s_filling = true;
    ShowPressChoice(dialog, data, row != nullptr);
    s_filling = false;
    ShowEdit(dialog, row ? EditOfButton(data, *row) : ButtonEdit{}, row != nullptr);
    KeepFocusOffUncheckedRadio(dialog);
}

void TakeEdit(HWND dialog, SettingsWindowData& data, int choose) {
    const ButtonRow* selected = SelectedRow(data);
    if (s_filling || !selected) return;
    const ButtonRow row = *selected;
    if (choose >= 0) {
        s_filling = true;
        for (int i = 0; i < 5; ++i) Check(dialog, kActionRadios[i], i == choose);
        s_filling = false;
        KeepFocusOffUncheckedRadio(dialog);
    }
    const ButtonEdit edit = ReadEdit(dialog);
    ChooseButtonAction(data, row, edit);
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
    Win().SendDlgItemMessageW(dialog, IDC_OSD, CB_SETCURSEL, data.now.osd, 0);
    s_filling = false;
}

