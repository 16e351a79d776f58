#include "settings/ButtonMapFile.h"

namespace {

// The lines of a section list, each with whether it is the last one of a
// list that was cut (and so maybe only part of a line).
template <typename Take>
void ForEachLine(const SectionList& section, Take take) {
    const char16_t* list = section.units.get();
    for (std::size_t at = 0; at < section.length && list[at] != 0;) {
        std::size_t end = at;
        while (end < section.length && list[end] != 0) ++end;
        const bool last = end + 1 >= section.length || list[end + 1] == 0;
        take(list + at, end - at, last && section.cut);
        at = end + 1;
    }
}

ButtonMapResult LoadSection(const SettingsFile& settings, const char16_t* name, ButtonActions& actions) {
    SetBuiltInActions(actions);
    SectionList section;
    if (settings.path.empty() || !ReadSectionList(settings, name, section)) return ButtonMapResult{};
    return ApplyButtonMapLines(actions, section.units.get(), section.length, section.cut);
}

// Each section's ignored lines counted into one result, hashed in order.
void AddIgnored(ButtonMapsResult& total, const ButtonMapResult& section, const std::u16string& name) {
    total.lines.applied += section.applied;
    if (section.ignored == 0) return;
    if (total.lines.ignored == 0) {
        std::copy(std::begin(section.firstIgnored), std::end(section.firstIgnored), total.lines.firstIgnored);
        total.firstIgnoredSection = name;
    }
    total.lines.ignored += section.ignored;
    total.lines.ignoredLinesHash = total.lines.ignoredLinesHash * 31 + section.ignoredLinesHash;
}

// The button's entry among the lines of other remotes, made at its first line.
OtherButtonLines& OtherLinesOf(ButtonLines& lines, OtherButton button) {
    for (OtherButtonLines& other : lines.others)
        if (other.button == button) return other;
    lines.others.push_back(OtherButtonLines{button, false, {}, false, {}});
    return lines.others.back();
}

}  // namespace

ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions) {
    return LoadSection(settings, kButtonsSection, actions);
}

HoldTimeSetting ReadHoldTime(const SettingsFile& settings) {
    const std::u16string written = TrimmedText(ReadSettingText(settings, kLongPressKey));
    HoldTimeSetting setting{kDefaultHoldTime, false, std::u16string()};
    if (written.empty()) return setting;
    std::uint32_t value = 0;
    bool digits = written.size() <= 5;
    for (char16_t c : written) {
        digits = digits && c >= u'0' && c <= u'9';
        if (digits) value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (digits && value >= kShortestHoldTime && value <= kLongestHoldTime) setting.milliseconds = value;
    else setting = HoldTimeSetting{kDefaultHoldTime, true, written};
    return setting;
}

ButtonMapsResult LoadButtonMaps(const SettingsFile& settings, ButtonMaps& maps) {
    ButtonMapsResult result{};
    maps.holdTime = ReadHoldTime(settings);
    AddIgnored(result, LoadButtonMap(settings, maps.all), kButtonsSection);
    const std::vector<std::u16string> programs = ReadProgramNames(settings);
    maps.programs.resize(programs.size());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        maps.programs[i].program = programs[i];
        const std::u16string section = ProgramSectionName(programs[i]);
        AddIgnored(result, LoadSection(settings, section.c_str(), maps.programs[i].actions), section);
    }
    return result;
}

std::u16string ProgramSectionName(const std::u16string& program) { return kProgramSectionPrefix + program; }

std::vector<std::u16string> ReadProgramNames(const SettingsFile& settings) {
    std::vector<std::u16string> programs;
    SectionList names;
    if (settings.path.empty() || !ReadSectionNames(settings, names)) return programs;
    const std::u16string prefix = kProgramSectionPrefix;
    ForEachLine(names, [&](const char16_t* line, std::size_t length, bool cut) {
        const std::u16string name = TrimmedText(std::u16string(line, length));
        if (cut || name.size() <= prefix.size() || !SameNameIgnoringCase(name.substr(0, prefix.size()), prefix))
            return;
        // Blanks after the colon are part of the name, as the platform reads it.
        const std::u16string program = name.substr(prefix.size());
        for (const std::u16string& known : programs)
            if (SameNameIgnoringCase(known, program)) return;
        programs.push_back(program);
    });
    return programs;
}

void ReadButtonLines(const SettingsFile& settings, ButtonLines& lines, const char16_t* section) {
    for (int code = 0; code < 256; ++code) {
        lines.present[code] = lines.longPresent[code] = false;
        lines.action[code].clear();
        lines.longAction[code].clear();
    }
    lines.others.clear();
    SectionList list;
    if (settings.path.empty() || !ReadSectionList(settings, section, list)) return;
    ForEachLine(list, [&](const char16_t* line, std::size_t length, bool cut) {
        ButtonCode code = 0;
        OtherButton button{};
        std::u16string action;
        bool longPress = false;
        if (cut) return;
        bool* present = nullptr;
        std::u16string* text = nullptr;
        if (SplitButtonMapLine(line, length, code, action, &longPress)) {
            present = &(longPress ? lines.longPresent : lines.present)[code];
            text = &(longPress ? lines.longAction : lines.action)[code];
        } else if (SplitOtherButtonLine(line, length, button, action, &longPress)) {
            OtherButtonLines& other = OtherLinesOf(lines, button);
            present = &(longPress ? other.longPresent : other.present);
            text = &(longPress ? other.longAction : other.action);
        }
        if (!present || *present) return;
        *present = true;
        *text = std::move(action);
    });
}

const OtherButtonLines* FindOtherButtonLines(const ButtonLines& lines, OtherButton button) {
    for (const OtherButtonLines& other : lines.others)
        if (other.button == button) return &other;
    return nullptr;
}

ButtonKey FormatButtonKey(ButtonCode code, bool longPress) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    ButtonKey key{{kDigits[code >> 4], kDigits[code & 0xF], 0}};
    for (std::size_t i = 0; longPress && kLongPressSuffix[i]; ++i) key.text[2 + i] = kLongPressSuffix[i];
    return key;
}

int WriteButtonLine(const SettingsFile& settings, ButtonCode code, const std::u16string& actionText,
                    const char16_t* section, bool longPress) {
    const ButtonKey key = FormatButtonKey(code, longPress);
    if (!actionText.empty()) return WriteSettingText(settings, section, key.text, actionText.c_str());
    return DeleteSettingLines(settings, section, key.text);
}

int WriteOtherButtonLine(const SettingsFile& settings, OtherButton button, const std::u16string& actionText,
                         const char16_t* section, bool longPress) {
    std::u16string key = FormatOtherButton(button);
    for (const char* c = kLongPressSuffix; longPress && *c; ++c) key += static_cast<char16_t>(*c);
    if (!actionText.empty()) return WriteSettingText(settings, section, key.c_str(), actionText.c_str());
    return DeleteSettingLines(settings, section, key.c_str());
}

int DeleteProgramSection(const SettingsFile& settings, const std::u16string& program) {
    // Each delete takes the first section of the name; a file can hold a few.
    constexpr int kMostSectionsOfOneName = 16;
    const std::u16string section = ProgramSectionName(program);
    for (int i = 0; i < kMostSectionsOfOneName; ++i) {
        bool there = false;
        SectionList names;
        if (!ReadSectionNames(settings, names)) return 0;
        ForEachLine(names, [&](const char16_t* line, std::size_t length, bool) {
            there = there || SameNameIgnoringCase(TrimmedText(std::u16string(line, length)), section);
        });
        if (!there) return 1;
        if (!WriteSettingText(settings, section.c_str(), nullptr, nullptr)) return 0;
    }
    return 0;
}
