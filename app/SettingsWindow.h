// The settings window, "Korvanta の設定": every button with its action and
// its long action, for every program or for one program of the user's
// choice, the viewer the front button starts, and the press log. While it
// is in front a press of the receiver goes to no viewer: it picks its
// button's row (a hold, with its long action to edit), so the user learns
// each button's code with the remote in hand. OK and 適用 write only what
// changed, key by key, and the change applies at once.
//
// The window's one record travels into the dialog procedure, which only
// moves values between it and the controls; the plain functions below
// decide.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "remote/ButtonMap.h"
#include "settings/SettingsChoices.h"

// What the controls offer for the selected button.
enum ActionChoice : std::uint8_t {
    kChoiceStandard,  // 標準の動作 (a program's: すべてのプログラムと同じ; a hold's: 長押しなし): its line removed
    kChoiceKey,       // キー: Shift, Ctrl and a key name
    kChoiceFront,     // 前面に表示: BringToFront
    kChoiceRun,       // プログラムを起動: Run and a command line
    kChoiceNone,      // 何もしない: none
};

struct ButtonEdit {
    ActionChoice choice;
    bool shift;
    bool ctrl;
    std::u16string keyName;      // a name the map accepts
    std::u16string commandLine;  // of a Run action
};

// A row of the list: a code of the receiver, or (code 0) a button of
// another remote. The receiver's come first, in code order; then the
// others, by vendor, product and usage.
struct ButtonRow {
    ButtonCode code;
    OtherButton other;
};
inline bool operator<(const ButtonRow& a, const ButtonRow& b) {
    if ((a.code == 0) != (b.code == 0)) return a.code != 0;
    return a.code != 0 ? a.code < b.code : a.other < b.other;
}
inline bool operator==(const ButtonRow& a, const ButtonRow& b) {
    return a.code == b.code && (a.code != 0 || a.other == b.other);
}
inline ButtonRow RowOfCode(ButtonCode code) { return ButtonRow{code, OtherButton{}}; }
inline ButtonRow RowOfOther(OtherButton other) { return ButtonRow{0, other}; }

struct SettingsWindowData {
    SettingsChoices before;          // as the file held them at opening or the last 適用
    SettingsChoices now;             // as chosen in the window
    std::vector<ButtonRow> rows;     // the listed buttons, in order
    int selected;                    // index into rows, -1 for none
    int program;                     // the map shown: an index into now.programs, -1 for every program's
    bool editLong;                   // the controls edit the long press (長押し), not the press
    int pressed;                     // the receiver's code last pressed, -1 before the first
    bool writeFailed;                // the last 適用 or OK could not write everything
};

// The window as the main window keeps it.
struct SettingsWindow {
    win::HWND dialog;          // null while it is closed
    win::HINSTANCE instance;   // of its resources
    SettingsWindowData* data;  // made as it opens, freed as it closes
    const SettingsFile* settings;
    win::HWND mainWindow;      // told to read the file again after a write
    win::HANDLE smallIcon;     // its caption's, loaded at the first opening
};

// ----- decisions -----

// The choices as the file holds them; listed: every code with a line in
// any map. Shown: the map for every program.
void ReadSettingsWindowData(SettingsWindowData& data, const SettingsFile& settings);
// The program's map shown, made (empty) when it has none yet; its index.
int ShowProgramMap(SettingsWindowData& data, const std::u16string& program);
// The shown program's map removed: its section goes at the next write, and
// the map for every program is shown.
void RemoveShownProgramMap(SettingsWindowData& data);
// The file names of the programs that have a visible window now, but
// Korvanta's own, each once, in alphabetical order: what 追加... offers.
std::vector<std::u16string> ProgramsWithVisibleWindows(win::HWND ownWindow);
// A press of the receiver or of another remote: its row, added in order if
// need be, becomes the selected one, with its press or (held) its long press
// to edit. Returns its index.
int NoteLearnedPress(SettingsWindowData& data, ButtonRow row, bool longPress = false);
// The words of a row, from the resources.
struct RowWords {
    std::u16string standard;    // the button does what the built-in table says
    std::u16string own;         // a line of the map shown decides
    std::u16string followsAll;  // a program's map leaves the button to every program's
    std::u16string longPress;   // before the long action
    std::u16string windowsAlso;  // after another remote's button that Windows acts on as well
};
// A row as the list shows it, tab-separated: the button (the code, or the
// device and the usage's name); the action in the map's words, and the long
// action after `longPress` when there is one; and whose it is.
std::u16string SettingsRowText(const SettingsWindowData& data, ButtonRow row, const RowWords& words);
// The button as the row and the status line name it.
std::u16string ButtonRowName(ButtonRow row);
// The button's action as the controls show it.
ButtonEdit EditOfButton(const SettingsWindowData& data, ButtonRow row);
// What the controls now say, taken in. A choice that reads as the action
// already chosen leaves the line's text as it is, so that opening and
// closing the window rewrites nothing. A Run with no command line is no
// action yet and is not taken.
void ChooseButtonAction(SettingsWindowData& data, ButtonRow row, const ButtonEdit& edit);
// The file as it reads now, changed under the window by a hand edit or by
// the window's own write: whatever the user has not changed in the window
// follows it, and it is the new start from which changes are told.
void RebaseSettingsWindowData(SettingsWindowData& data, const SettingsChoices& file);
// Writes what the user changed in the window and takes the file in again:
// afterwards the window shows what the file reads.
SettingsWriteResult ApplySettingsWindow(SettingsWindowData& data, const SettingsFile& settings);
// A path from the open-file dialog as a command line: in quotes.
std::u16string QuotedProgramPath(const std::u16string& path);

// ----- the window -----

// Opens it, or, when it is open, brings it to the front: there is one.
void OpenSettingsWindow(SettingsWindow& window, win::HINSTANCE instance, win::HWND mainWindow,
                        const SettingsFile& settings);
// Closes it as キャンセル does: nothing is written.
void CloseSettingsWindow(SettingsWindow& window);
bool SettingsWindowIsOpen(const SettingsWindow& window);
// Whether a press of a remote picks its row rather than going to a viewer:
// only while the window is open, in front, not minimised and not disabled by
// the open-file dialog, so that a user who goes back to the viewer to try a
// button finds it working.
bool SettingsWindowLearns(const SettingsWindow& window);
// A press learned while the window learns; `longPress` once it was held.
void ShowLearnedPress(SettingsWindow& window, ButtonRow row, bool longPress);
// The file changed while the window is open: it shows the file anew, with
// the user's own changes kept.
void RefreshSettingsWindow(SettingsWindow& window);

// The keys pressed into the key box that the control itself does not catch
// and the dialog would take as its own (Enter and Esc as OK and キャンセル,
// Alt with a letter as a button's mnemonic, Alt or F10 as the menu loop):
// caught here, from the message loop, before the dialog sees them. True
// when the message was one of them and is done with.
bool TakeKeyIntoKeyBox(win::HWND dialog, const win::MSG& msg);

win::INT_PTR SettingsDialogProc(win::HWND dialog, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
