// The settings window's controls, shared by the files of its dialog: the
// dialog procedure (SettingsDialog.cpp), the key box (SettingsKeyBox.cpp)
// and the program list (SettingsProgramList.cpp). Values move between the
// window's record and the controls here; SettingsWindow.cpp decides.
#pragma once

#include <string>

#include "app/SettingsWindow.h"
#include "platform/Constants.h"

// Posted to the dialog when the program list's choice is to be acted on:
// the list is never refilled inside its own notification.
constexpr win::UINT WM_SETTINGS_PROGRAM_CHOSEN = win::WM_APP + 1;

// The open window's record, null before it opens and once it has gone. A
// nested loop (a menu, the open-file dialog) can end the whole program:
// whoever ran one asks again before touching the window's data.
SettingsWindow* OpenSettingsWindowRecord(win::HWND dialog);

// Of the open window's resources.
win::HINSTANCE SettingsWindowInstance();
std::u16string LoadSettingsText(win::UINT id);
std::u16string ControlText(win::HWND dialog, int id);
bool Checked(win::HWND dialog, int id);
void Check(win::HWND dialog, int id, bool on);
void SetStatus(win::HWND dialog, win::UINT id);

// Everything anew from the record: the program list, the rows, the
// selected button's controls, StartViewer, the log and the on-screen line.
void FillAll(win::HWND dialog, const SettingsWindowData& data);
// The rows, the selected one chosen.
void FillList(win::HWND dialog, const SettingsWindowData& data);
// The key names the key list offers.
void FillKeyNames(win::HWND dialog);
// The three choices of the on-screen line, in the order of Osd='s values.
void FillOsdChoices(win::HWND dialog);
// The one chosen; the default when none is.
OsdShow ChosenOsd(win::HWND dialog);
// The selected button's action in the controls.
void ShowSelected(win::HWND dialog, const SettingsWindowData& data);
// What the controls now say, for the selected button; `choose` >= 0 checks
// that action's radio button first.
void TakeEdit(win::HWND dialog, SettingsWindowData& data, int choose = -1);
// True while the procedure itself fills the controls: their notifications
// are then its own doing, not the user's.
bool FillingControls();
void SetFillingControls(bool filling);

// WM_ACTIVATE and WM_SETFOCUS of the window itself: the focus put back
// where the user left it, unless that is a radio button unchecked
// meanwhile. True when done with, and the dialog manager's own restoring is
// to be skipped.
bool OnSettingsDialogActivate(win::HWND dialog, win::WPARAM state);
bool RestoreFocus(win::HWND dialog);

// The key box shows the key of the chord the controls show, or nothing.
void ShowKeyInKeyBox(win::HWND dialog, const ButtonEdit& edit);
// A key pressed into the key box, as the control caught it.
void TakeCaughtKey(win::HWND dialog, SettingsWindowData& data);

// The program list: すべてのプログラム, each program with a map, 追加...
void FillPrograms(win::HWND dialog, const SettingsWindowData& data);
// A notification of the program list, from WM_COMMAND.
void OnProgramListNotification(win::HWND dialog, win::UINT notification);
// The choice posted by OnProgramListNotification, acted on.
void ChooseProgram(win::HWND dialog);
// The standard open-file dialog; the path chosen, or empty.
std::u16string BrowseForProgram(win::HWND dialog);
