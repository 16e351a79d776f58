// The press log: one line per receiver report, beside the executable, only
// when the settings ask for it ([Korvanta] Log=1, never written by the
// program). Each line goes to the file as it happens, so the log holds every
// press up to a crash. The file rolls over at kPressLogLimit, keeping one
// older file; a log that cannot be written stops and says so once.
#pragma once

#include <cstdint>
#include <string>

#include "app/PressLine.h"
#include "app/TrayMenu.h"
#include "platform/Platform.h"
#include "settings/SettingsFile.h"

constexpr const char16_t* kPressLogFileName = u"Korvanta.log";
constexpr const char16_t* kOldPressLogFileName = u"Korvanta.log.old";
constexpr std::uint64_t kPressLogLimit = 1024 * 1024;

struct PressLog {
    bool on;
    std::u16string path;
    std::u16string oldPath;
    win::HANDLE file;
    std::uint64_t size;
};

// Opens the log when the settings ask for it and it can be. A log that
// cannot be opened says so with a balloon from `tray`. Returns the Log value
// read.
std::uint32_t StartPressLog(PressLog& log, const SettingsFile& settings, const TrayIcon& tray);
// Appends the line of one report; on failure the log stops (and is off).
void LogPress(PressLog& log, const TrayIcon& tray, const PressEvent& event);
// A LongPress value that cannot be used, and the hold time used instead.
void LogUnusableHoldTime(PressLog& log, const TrayIcon& tray, const std::u16string& written, std::uint32_t used);
// An Osd value that cannot be used, and the choice used instead.
void LogUnusableOsd(PressLog& log, const TrayIcon& tray, const std::u16string& written, std::uint32_t used);
// At exit: closes the file.
void StopPressLog(PressLog& log);
