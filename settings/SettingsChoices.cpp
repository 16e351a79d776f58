#include "settings/SettingsChoices.h"

void ReadSettingsChoices(const SettingsFile& settings, SettingsChoices& choices) {
    ReadButtonLines(settings, choices.buttons);
    choices.startViewer = ReadSettingText(settings, kStartViewerKey);
    choices.log = ReadSetting(settings, kLogKey) == 1;
}

SettingsWriteResult WriteChangedSettings(const SettingsFile& settings, const SettingsChoices& before,
                                         const SettingsChoices& after) {
    SettingsWriteResult result{};
    const auto count = [&result](int took) { ++(took ? result.written : result.failed); };
    for (int code = 1; code < 256; ++code) {
        const bool had = before.buttons.present[code], has = after.buttons.present[code];
        if (had == has && (!has || before.buttons.action[code] == after.buttons.action[code])) continue;
        count(WriteButtonLine(settings, static_cast<ButtonCode>(code), has ? after.buttons.action[code] : u""));
    }
    if (after.startViewer != before.startViewer) {
        const std::u16string stored = ProfileValueToWrite(after.startViewer);
        count(WriteSettingText(settings, kSettingsSection, kStartViewerKey,
                               after.startViewer.empty() ? nullptr : stored.c_str()));
    }
    if (after.log != before.log)
        count(WriteSettingText(settings, kSettingsSection, kLogKey, after.log ? u"1" : nullptr));
    return result;
}
