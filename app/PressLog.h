// The press log: one line per receiver report, beside the executable, only
// when the settings ask for it ([Korvanta] Log=1, never written by the
// program). Each line goes to the file as it happens, so the log holds every
// press up to a crash. The file rolls over at kPressLogLimit, keeping one
// older file; a log that cannot be written stops and says so once.
#pragma once

#include <cstdint>
#include <string>

#include "app/PressLine.h"
#include "platform/Platform.h"

constexpr const char16_t* kPressLogFileName = u"Korvanta.log";
constexpr const char16_t* kOldPressLogFileName = u"Korvanta.log.old";
constexpr std::uint64_t kPressLogLimit = 1024 * 1024;

struct PressLog {
    std::u16string path;
    std::u16string oldPath;
    win::HANDLE file;
    std::uint64_t size;
};

// At start: opens the log when the settings ask for it and it can be.
void StartPressLog();
// Appends the line of one report; on failure the log stops (g_pressLog null).
void LogPress(const PressEvent& event);
// At exit: closes the file.
void StopPressLog();
