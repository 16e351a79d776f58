#include "settings/OsdSetting.h"

OsdSetting ReadOsdSetting(const SettingsFile& settings) {
    const std::u16string written = TrimmedText(ReadSettingText(settings, kOsdKey));
    if (written.empty()) return OsdSetting{kDefaultOsdShow, false, {}};
    // One digit exactly: "02" or "2x" would be guesses at what was meant.
    if (written.size() == 1 && written[0] >= u'0' && written[0] <= u'2')
        return OsdSetting{static_cast<OsdShow>(written[0] - u'0'), false, {}};
    return OsdSetting{kDefaultOsdShow, true, written};
}

const char16_t* OsdSettingText(OsdShow show) {
    switch (show) {
    case kOsdNever: return u"0";
    case kOsdEveryPress: return u"2";
    default: return u"1";
    }
}
