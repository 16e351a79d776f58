// Osd= of [Korvanta]: when the on-screen line tells what a press did.
#pragma once

#include <cstdint>
#include <string>

#include "settings/SettingsFile.h"

enum OsdShow : std::uint8_t {
    kOsdNever = 0,
    kOsdWhenMissed = 1,  // only when a press did not do what it was meant to
    kOsdEveryPress = 2,
};
// A missing key, or a value that cannot be used, means this.
constexpr OsdShow kDefaultOsdShow = kOsdWhenMissed;

struct OsdSetting {
    OsdShow show;
    bool unusable;          // a value was written, and it is none of 0, 1 and 2
    std::u16string written;  // that value, trimmed, when unusable
};

OsdSetting ReadOsdSetting(const SettingsFile& settings);
// The value's text as the file is written with it.
const char16_t* OsdSettingText(OsdShow show);
