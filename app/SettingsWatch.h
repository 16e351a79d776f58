// Hand edits of Korvanta.ini take effect while Korvanta runs. The message
// loop waits on the folder's change notification beside its messages, so
// nothing wakes Korvanta while the folder stays still. One save can bring
// several notifications, and an editor may write the file in pieces or write
// a new file and rename it over the old one, so a change is acted on once
// the folder has been still for kSettlePause, however many messages come
// meanwhile, but no later than kLongestSettle after the first notification,
// since a folder written all the time (the press log while a button is
// held) would never be still; and only when the file's bytes differ from
// those last taken in. A watch the system refuses or ends is set up again
// at a later wait, kWatchRetryPause after the last try.
#pragma once

#include "platform/Constants.h"
#include "platform/Platform.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"

constexpr win::DWORD kSettlePause = 300;     // milliseconds
constexpr win::DWORD kLongestSettle = 1000;  // from the first notification
constexpr win::DWORD kWatchRetryPause = 2000;
// Posted by the loop to the main window once a change has settled.
constexpr win::UINT WM_SETTINGS_CHANGED = win::WM_USER + 102;

struct SettingsWatch {
    win::HANDLE change;  // the folder's notification; null when it is not watched
    bool pending;        // a change seen, the folder not yet still
    win::DWORD firstAt;   // tick count of the first notification of the change
    win::DWORD settleAt;  // tick count when it will have been still long enough
    std::u16string folder;  // watched; empty when there is none to watch
    win::DWORD retryAt;     // when a watch that failed is tried again
    FileBytes lastTaken;    // the file as its values were last read
};

// Watches the settings file's folder; without one the program goes on as
// before, reading the file only at start.
void StartSettingsWatch(SettingsWatch& watch, const SettingsFile& settings);
void StopSettingsWatch(SettingsWatch& watch);
// At a wait: a watch that failed is set up again once kWatchRetryPause has
// passed since the last try. True when it runs again: a change made while
// it did not run is to be looked at.
bool RestartSettingsWatchIfDue(SettingsWatch& watch, win::DWORD now);
// How long the loop may wait for anything at tick count `now`: for ever,
// unless a change is settling or the watch is to be set up again.
win::DWORD SettingsWatchTimeout(const SettingsWatch& watch, win::DWORD now);
// False while a folder there is to watch is not watched: a hand edit is
// then not told, and the file is looked at before a press instead.
bool SettingsWatchRuns(const SettingsWatch& watch);
// The notification was signalled: re-armed, and the pause starts again.
void NoteSettingsFolderChange(SettingsWatch& watch, win::DWORD now);
// True once, when a change has settled by `now` and the main window is to
// look at the file.
bool SettingsChangeSettled(SettingsWatch& watch, win::DWORD now);
