#include "settings/ButtonMapFile.h"

using namespace win;


ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions) {
    SetBuiltInActions(actions);
    SectionList section;
    if (settings.path.empty() || !ReadSectionList(settings, kButtonsSection, section)) return ButtonMapResult{};
    return ApplyButtonMapLines(actions, section.units.get(), section.length, section.cut);
}

void ReadButtonLines(const SettingsFile& settings, ButtonLines& lines) {
    for (int code = 0; code < 256; ++code) {
        lines.present[code] = false;
        lines.action[code].clear();
    }
    SectionList section;
    if (settings.path.empty() || !ReadSectionList(settings, kButtonsSection, section)) return;
    const char16_t* list = section.units.get();
    for (std::size_t at = 0; at < section.length && list[at] != 0;) {
        std::size_t end = at;
        while (end < section.length && list[end] != 0) ++end;
        const bool last = end + 1 >= section.length || list[end + 1] == 0;
        ButtonCode code = 0;
        std::u16string action;
        if (!(last && section.cut) && SplitButtonMapLine(list + at, end - at, code, action) && !lines.present[code]) {
            lines.present[code] = true;
            lines.action[code] = std::move(action);
        }
        at = end + 1;
    }
}

ButtonKey FormatButtonKey(ButtonCode code) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    return ButtonKey{{kDigits[code >> 4], kDigits[code & 0xF], 0}};
}

int WriteButtonLine(const SettingsFile& settings, ButtonCode code, const std::u16string& actionText) {
    const ButtonKey key = FormatButtonKey(code);
    if (!actionText.empty()) return WriteSettingText(settings, kButtonsSection, key.text, actionText.c_str());
    // Each delete takes the first line of the key; a file can hold a few.
    constexpr int kMostLinesOfOneCode = 64;
    // A missing key reads as the default, which no value holds.
    constexpr char16_t kMissing[] = u"\uFFFF";
    for (int i = 0; i < kMostLinesOfOneCode; ++i) {
        char16_t probe[2] = {};
        Win().GetPrivateProfileStringW(kButtonsSection, key.text, kMissing, probe, 2, settings.path.c_str());
        if (probe[0] == kMissing[0]) return 1;
        if (!WriteSettingText(settings, kButtonsSection, key.text, nullptr)) return 0;
    }
    return 0;
}
