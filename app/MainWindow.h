// The hidden main window's procedure: it creates and releases every
// long-lived record and turns each event into a call of the part that
// handles it.
#pragma once

#include "app/Notices.h"
#include "app/OnScreenLine.h"
#include "app/OtherRemotePress.h"
#include "app/PressLog.h"
#include "app/SettingsWatch.h"
#include "app/SettingsWindow.h"
#include "app/TrayMenu.h"
#include "delivery/ButtonMapChoice.h"
#include "delivery/RouterState.h"
#include "delivery/StartProgram.h"
#include "platform/Constants.h"
#include "platform/Platform.h"
#include "remote/LongPress.h"
#include "remote/RemoteInput.h"
#include "settings/ButtonMapFile.h"
#include "settings/OsdSetting.h"
#include "settings/SettingsFile.h"

constexpr win::UINT WM_TRAY_NOTIFY = win::WM_USER + 100;  // from the tray icon; lParam: mouse message

// Everything the main window keeps from its creation to its teardown: each
// part's record, made here and handed to that part by reference.
struct KorvantaRecords {
    win::HINSTANCE instance;
    win::HWND window;  // the hidden main window, owner of the hold timer
    RepeatFilter repeatFilter;
    HoldState hold;            // a button with a long action held, not yet told a tap or a hold
    ButtonMapChoice heldMap;   // the maps that decide its two actions
    bool holdLearns;           // the settings window learns it: only its row is picked
    OtherRemotes otherRemotes;  // the devices of other remotes whose buttons a map names
    OtherHold otherHold;        // such a button with a long action held
    std::u16string holdTimeTold;  // the unusable LongPress value the log has told of
    RouterState router;
    SettingsFile settings;
    win::HMENU menu;
    TrayIcon trayIcon;
    ButtonMaps buttonMaps;  // what each button code does, in every program and in some, as the file last said
    std::uint32_t ignoredLinesHash;  // of the map's lines last told as ignored
    PressLog pressLog;
    std::uint32_t logSetting;  // the Log value last read
    OsdSetting osd;            // when the on-screen line shows, as last read
    std::u16string osdTold;    // the unusable Osd value the log has told of
    OnScreenLine onScreenLine;  // its window made at the first line shown
    Notices notices;
    win::UINT showRunningMessage;  // from a second copy
    // What the front button starts when no viewer runs; none when empty.
    std::u16string startViewerText;
    CommandLine startViewer;
    bool startViewerReadable;
    ProgramStarts programStarts;
    SettingsWatch settingsWatch;
    SettingsWindow settingsWindow;
};

win::LRESULT MainWindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

// The running window's records, for those who watch the program from outside
// (the tests); null before the creation and after the teardown.
KorvantaRecords* MainWindowRecords();

// What the message loop waits on beside messages; null before the creation
// and after the teardown.
SettingsWatch* MainWindowSettingsWatch();
// The settings window while it is open, for the loop's dialog keys; else null.
win::HWND MainWindowSettingsDialog();
