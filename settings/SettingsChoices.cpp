#include "settings/SettingsChoices.h"

namespace {

struct WriteCounter {
    SettingsWriteResult& result;
    void operator()(int took) const { ++(took ? result.written : result.failed); }
};

bool LineChanged(bool had, const std::u16string& was, bool has, const std::u16string& is) {
    return had != has || (has && was != is);
}

// Other remotes' buttons whose lines changed, and those whose lines went.
void WriteChangedOtherLines(const SettingsFile& settings, const ButtonLines* before, const ButtonLines& after,
                            const char16_t* section, WriteCounter count) {
    for (const OtherButtonLines& is : after.others) {
        const OtherButtonLines* was = before ? FindOtherButtonLines(*before, is.button) : nullptr;
        const OtherButtonLines none{is.button, false, {}, false, {}};
        if (!was) was = &none;
        if (LineChanged(was->present, was->action, is.present, is.action))
            count(WriteOtherButtonLine(settings, is.button, is.present ? is.action : u"", section, false));
        if (LineChanged(was->longPresent, was->longAction, is.longPresent, is.longAction))
            count(WriteOtherButtonLine(settings, is.button, is.longPresent ? is.longAction : u"", section, true));
    }
    if (!before) return;
    for (const OtherButtonLines& was : before->others) {
        if (FindOtherButtonLines(after, was.button)) continue;
        if (was.present) count(WriteOtherButtonLine(settings, was.button, u"", section, false));
        if (was.longPresent) count(WriteOtherButtonLine(settings, was.button, u"", section, true));
    }
}

// `before` null: the section had no lines.
void WriteChangedLines(const SettingsFile& settings, const ButtonLines* before, const ButtonLines& after,
                       const char16_t* section, WriteCounter count) {
    WriteChangedOtherLines(settings, before, after, section, count);
    for (bool longPress : {false, true}) {
        const bool* had = before ? (longPress ? before->longPresent : before->present) : nullptr;
        const bool* has = longPress ? after.longPresent : after.present;
        const std::u16string* was = before ? (longPress ? before->longAction : before->action) : nullptr;
        const std::u16string* is = longPress ? after.longAction : after.action;
        for (int code = 1; code < 256; ++code) {
            const bool hadLine = had && had[code];
            if (hadLine == has[code] && (!has[code] || was[code] == is[code])) continue;
            count(WriteButtonLine(settings, static_cast<ButtonCode>(code), has[code] ? is[code] : u"", section,
                                  longPress));
        }
    }
}

// A key of [Korvanta] as the window shows it: the platform reads the first
// of its lines and rewrites or deletes only that one, so every line goes
// before the new value, if any, is written.
int WriteEveryLine(const SettingsFile& settings, const char16_t* key, const char16_t* value) {
    if (!DeleteSettingLines(settings, kSettingsSection, key)) return 0;
    return value ? WriteSettingText(settings, kSettingsSection, key, value) : 1;
}

}  // namespace

void ReadSettingsChoices(const SettingsFile& settings, SettingsChoices& choices) {
    ReadButtonLines(settings, choices.buttons);
    const std::vector<std::u16string> programs = ReadProgramNames(settings);
    choices.programs.resize(programs.size());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        choices.programs[i].program = programs[i];
        ReadButtonLines(settings, choices.programs[i].buttons, ProgramSectionName(programs[i]).c_str());
    }
    choices.startViewer = ReadSettingText(settings, kStartViewerKey);
    choices.log = ReadSetting(settings, kLogKey) == 1;
    choices.osd = ReadOsdSetting(settings).show;
}

const ProgramLines* FindProgramLines(const std::vector<ProgramLines>& programs, const std::u16string& program) {
    for (const ProgramLines& lines : programs)
        if (SameNameIgnoringCase(lines.program, program)) return &lines;
    return nullptr;
}

SettingsWriteResult WriteChangedSettings(const SettingsFile& settings, const SettingsChoices& before,
                                         const SettingsChoices& after) {
    // One 適用 waits for a file another program holds no longer than one key
    // would: once the pauses are spent, a key that finds it held fails at
    // once and stays a change.
    InUseWaits waits{kInUsePauses};
    SettingsFile save = settings;
    save.sharedWaits = &waits;
    SettingsWriteResult result{};
    const WriteCounter count{result};
    WriteChangedLines(save, &before.buttons, after.buttons, kButtonsSection, count);
    for (const ProgramLines& was : before.programs)
        if (!FindProgramLines(after.programs, was.program)) count(DeleteProgramSection(save, was.program));
    for (const ProgramLines& is : after.programs) {
        const ProgramLines* was = FindProgramLines(before.programs, is.program);
        const std::u16string section = ProgramSectionName(is.program);
        WriteChangedLines(save, was ? &was->buttons : nullptr, is.buttons, section.c_str(), count);
    }
    if (after.startViewer != before.startViewer) {
        const std::u16string stored = ProfileValueToWrite(after.startViewer);
        count(WriteEveryLine(save, kStartViewerKey, after.startViewer.empty() ? nullptr : stored.c_str()));
    }
    if (after.log != before.log) count(WriteEveryLine(save, kLogKey, after.log ? u"1" : nullptr));
    if (after.osd != before.osd) count(WriteEveryLine(save, kOsdKey, OsdSettingText(after.osd)));
    return result;
}
