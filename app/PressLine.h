// One line of the press log: what a receiver report was and where it went.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "delivery/DeliveryReport.h"
#include "platform/Platform.h"
#include "remote/ButtonMap.h"
#include "remote/RemoteInput.h"

// How a press of a button with a long action is logged: its first report
// waits for the hold to be told from a tap; then its short or long action
// goes, each with a line of its own.
enum PressKind : std::uint8_t {
    kPressPlain,  // a button without a long action: no press= field
    kPressHeld,   // the first report of a button with one: nothing goes yet
    kPressShort,
    kPressLong,
};

struct PressEvent {
    ReportSource source;
    bool passed;              // the repeat filter let it through
    ButtonAction action;      // only when passed
    DeliveryReport delivery;  // only when passed
    bool settingsWindowBehind;  // the settings window is open but not in front: the press went on
    const std::u16string* program;  // whose own map decided; null for the map of every program
    std::uint8_t press;             // a PressKind
};

// A line of its own for a LongPress value that cannot be used, and the hold
// time used instead.
std::size_t FormatHoldTimeLine(const win::SYSTEMTIME& time, const std::u16string& written, std::uint32_t used,
                               char* out, std::size_t capacity);
// The same for an Osd value, and the choice used instead.
std::size_t FormatOsdLine(const win::SYSTEMTIME& time, const std::u16string& written, std::uint32_t used, char* out,
                          std::size_t capacity);

// Room for the longest line: three names' worth of UTF-8 (a class, a
// program and the map's program) and the rest.
constexpr std::size_t kPressLineCapacity = 1024;

// Writes the line, ending in CR LF, into `out` and returns its length in
// bytes. A line that would not fit is cut, and still ends in CR LF. Reads the
// target window's class and process from the platform.
std::size_t FormatPressLine(const win::SYSTEMTIME& time, const PressEvent& event, char* out, std::size_t capacity);
