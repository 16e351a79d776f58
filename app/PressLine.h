// One line of the press log: what a receiver report was and where it went.
#pragma once

#include <cstddef>
#include <string>

#include "delivery/DeliveryReport.h"
#include "platform/Platform.h"
#include "remote/ButtonMap.h"
#include "remote/RemoteInput.h"

struct PressEvent {
    ReportSource source;
    bool passed;              // the repeat filter let it through
    ButtonAction action;      // only when passed
    DeliveryReport delivery;  // only when passed
    bool settingsWindowBehind;  // the settings window is open but not in front: the press went on
    const std::u16string* program;  // whose own map decided; null for the map of every program
};

// Room for the longest line: three names' worth of UTF-8 (a class, a
// program and the map's program) and the rest.
constexpr std::size_t kPressLineCapacity = 1024;

// Writes the line, ending in CR LF, into `out` and returns its length in
// bytes. A line that would not fit is cut, and still ends in CR LF. Reads the
// target window's class and process from the platform.
std::size_t FormatPressLine(const win::SYSTEMTIME& time, const PressEvent& event, char* out, std::size_t capacity);
