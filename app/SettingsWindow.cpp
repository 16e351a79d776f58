#include "app/SettingsWindow.h"

#include <algorithm>

#include "remote/KeyNames.h"
#include "settings/ButtonMapFile.h"

using namespace win;

namespace {

// The action a line's text reads as, with the program of a Run action.
struct ReadAction {
    bool readable;
    ButtonAction action;
    CommandLine command;
};

ReadAction ReadActionText(const std::u16string& text) {
    ReadAction read{};
    read.readable = ParseButtonAction(text, read.action, &read.command);
    return read;
}

// The action in force for the code as chosen now.
ReadAction ActionInForce(const SettingsWindowData& data, ButtonCode code) {
    if (data.now.buttons.present[code]) {
        ReadAction read = ReadActionText(data.now.buttons.action[code]);
        if (read.readable) return read;
    }
    return ReadAction{true, BuiltInAction(code), {}};
}

bool SameAction(const ReadAction& a, const ReadAction& b) {
    if (!a.readable || !b.readable || a.action.kind != b.action.kind) return false;
    if (a.action.kind == kActionRun) return QuotedCommandLine(a.command) == QuotedCommandLine(b.command);
    const KeyChord x = a.action.chord, y = b.action.chord;
    return x.shift == y.shift && x.ctrl == y.ctrl && x.vk == y.vk;
}

// The line's text for what the controls say; false when they name no action yet.
bool TextOfEdit(const ButtonEdit& edit, std::u16string& text) {
    switch (edit.choice) {
    case kChoiceKey: {
        const std::uint8_t vk = VirtualKeyOfName(edit.keyName.data(), edit.keyName.size());
        if (vk == 0) return false;
        const ButtonAction action{
            KeyChord{static_cast<std::uint8_t>(edit.shift), static_cast<std::uint8_t>(edit.ctrl), vk}, kActionChord, 0};
        text = FormatButtonAction(action, nullptr);
        return true;
    }
    case kChoiceFront: text = u"BringToFront"; return true;
    case kChoiceNone: text = u"none"; return true;
    case kChoiceRun: {
        const std::u16string command = TrimmedText(edit.commandLine);
        text = u"Run " + command;
        return !command.empty() && ReadActionText(text).readable;
    }
    default: return false;
    }
}

}  // namespace

void ReadSettingsWindowData(SettingsWindowData& data, const SettingsFile& settings) {
    ReadSettingsChoices(settings, data.before);
    data.now = data.before;
    data.rows.clear();
    for (int code = 1; code < 256; ++code)
        if (data.before.buttons.present[code]) data.rows.push_back(static_cast<ButtonCode>(code));
    data.selected = data.rows.empty() ? -1 : 0;
    data.pressed = -1;
    data.writeFailed = false;
}

int NoteLearnedPress(SettingsWindowData& data, ButtonCode code) {
    auto at = std::lower_bound(data.rows.begin(), data.rows.end(), code);
    if (at == data.rows.end() || *at != code) at = data.rows.insert(at, code);
    data.selected = static_cast<int>(at - data.rows.begin());
    data.pressed = code;
    return data.selected;
}

std::u16string SettingsRowText(const SettingsWindowData& data, ButtonCode code, const std::u16string& standard,
                               const std::u16string& own) {
    const ReadAction read = ActionInForce(data, code);
    const bool isOwn = data.now.buttons.present[code] && ReadActionText(data.now.buttons.action[code]).readable;
    std::u16string text = FormatButtonKey(code).text;
    text += u'\t';
    text += FormatButtonAction(read.action, read.action.kind == kActionRun ? &read.command : nullptr);
    text += u'\t';
    text += isOwn ? own : standard;
    return text;
}

ButtonEdit EditOfButton(const SettingsWindowData& data, ButtonCode code) {
    const bool isOwn = data.now.buttons.present[code] && ReadActionText(data.now.buttons.action[code]).readable;
    const ReadAction read = ActionInForce(data, code);
    ButtonEdit edit{kChoiceStandard, false, false, {}, {}};
    const KeyChord chord = read.action.chord;
    if (read.action.kind == kActionChord && chord.vk != 0) {
        edit.shift = chord.shift == 1;
        edit.ctrl = chord.ctrl == 1;
        edit.keyName = VirtualKeyName(chord.vk);
    }
    if (read.action.kind == kActionRun) edit.commandLine = QuotedCommandLine(read.command);
    if (!isOwn) return edit;
    if (read.action.kind == kActionBringToFront) edit.choice = kChoiceFront;
    else if (read.action.kind == kActionRun) edit.choice = kChoiceRun;
    else edit.choice = chord.vk == 0 ? kChoiceNone : kChoiceKey;
    return edit;
}

void ChooseButtonAction(SettingsWindowData& data, ButtonCode code, const ButtonEdit& edit) {
    bool& present = data.now.buttons.present[code];
    std::u16string& action = data.now.buttons.action[code];
    if (edit.choice == kChoiceStandard) {
        present = false;
        action.clear();
        return;
    }
    std::u16string text;
    if (!TextOfEdit(edit, text)) return;
    if (present && SameAction(ReadActionText(action), ReadActionText(text))) return;
    present = true;
    action = text;
}

void RebaseSettingsWindowData(SettingsWindowData& data, const SettingsChoices& file) {
    const bool selects = data.selected >= 0 && data.selected < static_cast<int>(data.rows.size());
    const int selectedCode = selects ? data.rows[data.selected] : -1;
    ButtonLines& now = data.now.buttons;
    const ButtonLines& before = data.before.buttons;
    for (int code = 1; code < 256; ++code) {
        const bool untouched = now.present[code] == before.present[code] &&
                               (!now.present[code] || now.action[code] == before.action[code]);
        if (untouched) {
            now.present[code] = file.buttons.present[code];
            now.action[code] = file.buttons.action[code];
        }
        const auto code8 = static_cast<ButtonCode>(code);
        if (now.present[code] && !std::binary_search(data.rows.begin(), data.rows.end(), code8))
            data.rows.insert(std::lower_bound(data.rows.begin(), data.rows.end(), code8), code8);
    }
    if (data.now.startViewer == data.before.startViewer) data.now.startViewer = file.startViewer;
    if (data.now.log == data.before.log) data.now.log = file.log;
    data.before = file;
    if (selectedCode >= 0)
        data.selected = static_cast<int>(std::lower_bound(data.rows.begin(), data.rows.end(), selectedCode) -
                                          data.rows.begin());
}

SettingsWriteResult ApplySettingsWindow(SettingsWindowData& data, const SettingsFile& settings) {
    const SettingsWriteResult result = WriteChangedSettings(settings, data.before, data.now);
    data.writeFailed = result.failed > 0;
    // What could not be written stays a change, to be tried again.
    if (data.writeFailed) return result;
    SettingsChoices file;
    ReadSettingsChoices(settings, file);
    RebaseSettingsWindowData(data, file);
    return result;
}

std::u16string QuotedProgramPath(const std::u16string& path) { return u"\"" + path + u"\""; }
