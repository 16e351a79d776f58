// What Korvanta tells the user of its own accord, each time by a balloon from
// the tray icon: where it is at the first start and when started again, that
// the receiver is missing, that a viewer refuses its messages. None asks
// anything or takes the foreground, and none shows twice in a run for the
// same cause.
#pragma once

#include <string>
#include <vector>

#include "app/TrayMenu.h"
#include "platform/Platform.h"
#include "settings/UnicodeSettingsFile.h"

// A second copy asks the running one, found by its window class, to say
// where it is; registered, so no other program's message is taken for it.
constexpr const char16_t* kShowRunningMessageName = u"Korvanta.ShowRunning";
// A script that starts Korvanta in a loop gets one balloon in this long.
constexpr win::DWORD kShowRunningPause = 5000;

struct Notices {
    bool tipSaysNoReceiver;
    std::vector<std::u16string> programsRefused;  // already told, by file name
    win::HWND refusalLastToldFor;  // its refusals again are not even looked up
    bool runningTold;
    bool notUnicodeTold;
    bool inNewFileTold;
    win::DWORD runningToldAt;  // tick count
    std::vector<std::u16string> programsNotStarted;  // already told, by file name
};

// No settings file beside the program at start: most likely its first.
void TellFirstStart(const TrayIcon& tray);
// Asked by a second copy; at most once every kShowRunningPause.
void TellAlreadyRunning(Notices& notices, const TrayIcon& tray);
// The tip says so as long as no report has come from the receiver.
void TellReceiverMissing(Notices& notices, TrayIcon& tray);
void TellReceiverFound(Notices& notices, TrayIcon& tray);
// A refusal for want of rights, naming the program that owns `window` (its
// file name, or the window's class where that cannot be read): it runs as
// administrator and Korvanta does not. Once a run for each program.
void TellViewerRefused(Notices& notices, const TrayIcon& tray, win::HWND window);
// A settings file that would be misread and could not be converted, once
// per run, naming the cause: the folder, or another program holding it.
// Apart from that, once per run too: the settings left in Korvanta.ini.new
// alone, named by its full path for the user to rename.
void TellSettingsConversion(Notices& notices, const TrayIcon& tray, const SettingsFile& settings,
                            SettingsConversion conversion);
// A program the remote was to start could not be; once a run for each.
void TellProgramNotStarted(Notices& notices, const TrayIcon& tray, const std::u16string& fileName, win::DWORD error);
