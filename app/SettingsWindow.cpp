#include "app/SettingsWindow.h"

#include <algorithm>

#include "delivery/ButtonMapChoice.h"
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

bool ShowsProgram(const SettingsWindowData& data) {
    return data.program >= 0 && data.program < static_cast<int>(data.now.programs.size());
}

// The lines of the map shown.
ButtonLines& ShownLines(SettingsWindowData& data) {
    return ShowsProgram(data) ? data.now.programs[data.program].buttons : data.now.buttons;
}
const ButtonLines& ShownLines(const SettingsWindowData& data) {
    return ShowsProgram(data) ? data.now.programs[data.program].buttons : data.now.buttons;
}

// One side of a code's lines: its press, or its long press.
bool& Present(ButtonLines& lines, int code, bool longPress) {
    return (longPress ? lines.longPresent : lines.present)[code];
}
bool Present(const ButtonLines& lines, int code, bool longPress) {
    return (longPress ? lines.longPresent : lines.present)[code];
}
std::u16string& Text(ButtonLines& lines, int code, bool longPress) {
    return (longPress ? lines.longAction : lines.action)[code];
}
const std::u16string& Text(const ButtonLines& lines, int code, bool longPress) {
    return (longPress ? lines.longAction : lines.action)[code];
}

// Whether the lines have one of their own for the code, one that reads.
bool IsOwnLine(const ButtonLines& lines, ButtonCode code, bool longPress) {
    return Present(lines, code, longPress) && ReadActionText(Text(lines, code, longPress)).readable;
}

// The action in force for the code as chosen now, in the map shown; a
// program's map without a line of its own follows every program's. Without
// any line a press does what the built-in table says, and a hold nothing
// of its own (not readable: there is no long press).
ReadAction ActionInForce(const SettingsWindowData& data, ButtonCode code, bool longPress) {
    if (IsOwnLine(ShownLines(data), code, longPress)) return ReadActionText(Text(ShownLines(data), code, longPress));
    if (IsOwnLine(data.now.buttons, code, longPress)) return ReadActionText(Text(data.now.buttons, code, longPress));
    return ReadAction{!longPress, BuiltInAction(code), {}};
}

std::u16string ActionText(const ReadAction& read) {
    return FormatButtonAction(read.action, read.action.kind == kActionRun ? &read.command : nullptr);
}

// The file's lines follow where the window's are as they were: a line the
// user has not changed in the window takes what the file says now.
// Null for a section that has no lines.
void RebaseLines(ButtonLines& now, const ButtonLines* before, const ButtonLines* file) {
    for (bool longPress : {false, true})
        for (int code = 1; code < 256; ++code) {
            const bool had = before && Present(*before, code, longPress);
            const bool untouched = Present(now, code, longPress) == had &&
                                   (!had || Text(now, code, longPress) == Text(*before, code, longPress));
            if (!untouched) continue;
            const bool has = file && Present(*file, code, longPress);
            Present(now, code, longPress) = has;
            if (has) Text(now, code, longPress) = Text(*file, code, longPress);
            else Text(now, code, longPress).clear();
        }
}

bool SameLines(const ButtonLines& a, const ButtonLines& b) {
    for (bool longPress : {false, true})
        for (int code = 1; code < 256; ++code)
            if (Present(a, code, longPress) != Present(b, code, longPress) ||
                (Present(a, code, longPress) && Text(a, code, longPress) != Text(b, code, longPress)))
                return false;
    return true;
}

// The programs' maps as the file reads now: one removed by hand goes when
// the window left it as it was, one added by hand comes, and one the user
// removed in the window stays removed.
void RebasePrograms(std::vector<ProgramLines>& now, const std::vector<ProgramLines>& before,
                    const std::vector<ProgramLines>& file) {
    for (std::size_t i = 0; i < now.size();) {
        const ProgramLines* was = FindProgramLines(before, now[i].program);
        const ProgramLines* is = FindProgramLines(file, now[i].program);
        if (was && !is && SameLines(now[i].buttons, was->buttons)) {
            now.erase(now.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        RebaseLines(now[i].buttons, was ? &was->buttons : nullptr, is ? &is->buttons : nullptr);
        ++i;
    }
    for (const ProgramLines& is : file)
        if (!FindProgramLines(now, is.program) && !FindProgramLines(before, is.program)) now.push_back(is);
}

void AddRowsOfLines(std::vector<ButtonCode>& rows, const ButtonLines& lines) {
    for (int code = 1; code < 256; ++code) {
        const auto code8 = static_cast<ButtonCode>(code);
        if ((lines.present[code] || lines.longPresent[code]) && !std::binary_search(rows.begin(), rows.end(), code8))
            rows.insert(std::lower_bound(rows.begin(), rows.end(), code8), code8);
    }
}

void AddRowsOfEveryMap(SettingsWindowData& data) {
    AddRowsOfLines(data.rows, data.now.buttons);
    for (const ProgramLines& program : data.now.programs) AddRowsOfLines(data.rows, program.buttons);
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
    AddRowsOfEveryMap(data);
    data.selected = data.rows.empty() ? -1 : 0;
    data.program = -1;
    data.editLong = false;
    data.pressed = -1;
    data.writeFailed = false;
}

int NoteLearnedPress(SettingsWindowData& data, ButtonCode code, bool longPress) {
    data.editLong = longPress;
    auto at = std::lower_bound(data.rows.begin(), data.rows.end(), code);
    if (at == data.rows.end() || *at != code) at = data.rows.insert(at, code);
    data.selected = static_cast<int>(at - data.rows.begin());
    data.pressed = code;
    return data.selected;
}

std::u16string SettingsRowText(const SettingsWindowData& data, ButtonCode code, const RowWords& words) {
    std::u16string text = FormatButtonKey(code).text;
    text += u'\t';
    text += ActionText(ActionInForce(data, code, false));
    const ReadAction held = ActionInForce(data, code, true);
    if (held.readable) text += u" / " + words.longPress + ActionText(held);
    text += u'\t';
    if (IsOwnLine(ShownLines(data), code, false) || IsOwnLine(ShownLines(data), code, true)) text += words.own;
    else text += ShowsProgram(data) ? words.followsAll : words.standard;
    return text;
}

ButtonEdit EditOfButton(const SettingsWindowData& data, ButtonCode code) {
    const bool isOwn = IsOwnLine(ShownLines(data), code, data.editLong);
    const ReadAction read = ActionInForce(data, code, data.editLong);
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
    bool& present = Present(ShownLines(data), code, data.editLong);
    std::u16string& action = Text(ShownLines(data), code, data.editLong);
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
    const std::u16string shownProgram = ShowsProgram(data) ? data.now.programs[data.program].program : u"";
    RebaseLines(data.now.buttons, &data.before.buttons, &file.buttons);
    RebasePrograms(data.now.programs, data.before.programs, file.programs);
    AddRowsOfEveryMap(data);
    if (data.now.startViewer == data.before.startViewer) data.now.startViewer = file.startViewer;
    if (data.now.log == data.before.log) data.now.log = file.log;
    if (data.now.osd == data.before.osd) data.now.osd = file.osd;
    data.before = file;
    if (selectedCode >= 0)
        data.selected = static_cast<int>(std::lower_bound(data.rows.begin(), data.rows.end(), selectedCode) -
                                          data.rows.begin());
    data.program = -1;
    for (std::size_t i = 0; i < data.now.programs.size() && !shownProgram.empty(); ++i)
        if (SameNameIgnoringCase(data.now.programs[i].program, shownProgram)) data.program = static_cast<int>(i);
}

int ShowProgramMap(SettingsWindowData& data, const std::u16string& program) {
    data.program = -1;
    for (std::size_t i = 0; i < data.now.programs.size(); ++i)
        if (SameNameIgnoringCase(data.now.programs[i].program, program)) data.program = static_cast<int>(i);
    if (data.program < 0 && !program.empty()) {
        data.now.programs.push_back(ProgramLines{program, {}});
        data.program = static_cast<int>(data.now.programs.size()) - 1;
    }
    return data.program;
}

void RemoveShownProgramMap(SettingsWindowData& data) {
    if (ShowsProgram(data)) data.now.programs.erase(data.now.programs.begin() + data.program);
    data.program = -1;
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
