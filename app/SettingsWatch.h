// Hand edits of Korvanta.ini take effect while Korvanta runs. The message
// loop waits on the folder's change notification beside its messages, so
// nothing wakes Korvanta while the folder stays still. One save can bring
// several notifications, and an editor may write the file in pieces or write
// a new file and rename it over the old one, so a change is acted on once
// the folder has been still for kSettlePause, however many messages come
// meanwhile; and only when the file's bytes differ from those last taken in
// (the press log shares the folder).
#pragma once

#include "platform/Constants.h"
#include "platform/Platform.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"

constexpr win::DWORD kSettlePause = 300;  // milliseconds
// Posted by the loop to the main window once a change has settled.
constexpr win::UINT WM_SETTINGS_CHANGED = win::WM_USER + 102;

struct SettingsWatch {
    win::HANDLE change;  // the folder's notification; null when it is not watched
    bool pending;        // a change seen, the folder not yet still
    win::DWORD settleAt;  // tick count when it will have been still long enough
    FileBytes lastTaken;  // the file as its values were last read
};

// Watches the settings file's folder; without one the program goes on as
// before, reading the file only at start.
void StartSettingsWatch(SettingsWatch& watch, const SettingsFile& settings);
void StopSettingsWatch(SettingsWatch& watch);
// How long the loop may wait for anything at tick count `now`: for ever,
// unless a change is settling.
win::DWORD SettingsWatchTimeout(const SettingsWatch& watch, win::DWORD now);
// The notification was signalled: re-armed, and the pause starts again.
void NoteSettingsFolderChange(SettingsWatch& watch, win::DWORD now);
// True once, when a change has settled by `now` and the main window is to
// look at the file.
bool SettingsChangeSettled(SettingsWatch& watch, win::DWORD now);
