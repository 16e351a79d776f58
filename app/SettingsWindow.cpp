#include "app/SettingsWindow.h"

#include <algorithm>

#include "delivery/ButtonMapChoice.h"
#include "remote/ConsumerUsageNames.h"
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

// One side of a button's lines: its press, or its long press. Another
// remote's button without lines has neither.
bool Present(const ButtonLines& lines, ButtonRow row, bool longPress) {
    if (row.code) return (longPress ? lines.longPresent : lines.present)[row.code];
    const OtherButtonLines* other = FindOtherButtonLines(lines, row.other);
    return other && (longPress ? other->longPresent : other->present);
}
std::u16string Text(const ButtonLines& lines, ButtonRow row, bool longPress) {
    if (row.code) return (longPress ? lines.longAction : lines.action)[row.code];
    const OtherButtonLines* other = FindOtherButtonLines(lines, row.other);
    return !other ? std::u16string() : longPress ? other->longAction : other->action;
}
// The side set, or with `present` false cleared; another remote's button
// gets its entry at its first line.
void SetLine(ButtonLines& lines, ButtonRow row, bool longPress, bool present, const std::u16string& text) {
    bool* has = nullptr;
    std::u16string* action = nullptr;
    if (row.code) {
        has = &(longPress ? lines.longPresent : lines.present)[row.code];
        action = &(longPress ? lines.longAction : lines.action)[row.code];
    } else {
        auto other = std::find_if(lines.others.begin(), lines.others.end(),
                                  [&row](const OtherButtonLines& o) { return o.button == row.other; });
        if (other == lines.others.end()) {
            if (!present) return;
            lines.others.push_back(OtherButtonLines{row.other, false, {}, false, {}});
            other = lines.others.end() - 1;
        }
        has = &(longPress ? other->longPresent : other->present);
        action = &(longPress ? other->longAction : other->action);
    }
    *has = present;
    if (present) *action = text;
    else action->clear();
}

// Whether the lines have one of their own for the button, one that reads.
bool IsOwnLine(const ButtonLines& lines, ButtonRow row, bool longPress) {
    return Present(lines, row, longPress) && ReadActionText(Text(lines, row, longPress)).readable;
}

// The action in force for the button as chosen now, in the map shown; a
// program's map without a line of its own follows every program's. Without
// any line a press of the receiver does what the built-in table says, one
// of another remote nothing, and a hold nothing of its own (not readable:
// there is no long press).
ReadAction ActionInForce(const SettingsWindowData& data, ButtonRow row, bool longPress) {
    if (IsOwnLine(ShownLines(data), row, longPress)) return ReadActionText(Text(ShownLines(data), row, longPress));
    if (IsOwnLine(data.now.buttons, row, longPress)) return ReadActionText(Text(data.now.buttons, row, longPress));
    if (row.code == 0) return ReadAction{false, ButtonAction{}, {}};
    return ReadAction{!longPress, BuiltInAction(row.code), {}};
}

std::u16string ActionText(const ReadAction& read) {
    return FormatButtonAction(read.action, read.action.kind == kActionRun ? &read.command : nullptr);
}

void AddRow(std::vector<ButtonRow>& rows, ButtonRow row) {
    const auto at = std::lower_bound(rows.begin(), rows.end(), row);
    if (at == rows.end() || !(*at == row)) rows.insert(at, row);
}

// Every button that has a line in any of the sections: the receiver's codes,
// then other remotes' buttons in order. Null for a section without lines.
std::vector<ButtonRow> RowsOfLines(std::initializer_list<const ButtonLines*> sections) {
    std::vector<ButtonRow> rows;
    for (int code = 1; code < 256; ++code) rows.push_back(RowOfCode(static_cast<ButtonCode>(code)));
    for (const ButtonLines* lines : sections)
        for (std::size_t i = 0; lines && i < lines->others.size(); ++i) AddRow(rows, RowOfOther(lines->others[i].button));
    return rows;
}

// The file's lines follow where the window's are as they were: a line the
// user has not changed in the window takes what the file says now.
// Null for a section that has no lines.
void RebaseLines(ButtonLines& now, const ButtonLines* before, const ButtonLines* file) {
    for (bool longPress : {false, true})
        for (const ButtonRow& row : RowsOfLines({&now, before, file})) {
            const bool had = before && Present(*before, row, longPress);
            const bool untouched = Present(now, row, longPress) == had &&
                                   (!had || Text(now, row, longPress) == Text(*before, row, longPress));
            if (!untouched) continue;
            const bool has = file && Present(*file, row, longPress);
            SetLine(now, row, longPress, has, has ? Text(*file, row, longPress) : std::u16string());
        }
}

bool SameLines(const ButtonLines& a, const ButtonLines& b) {
    for (bool longPress : {false, true})
        for (const ButtonRow& row : RowsOfLines({&a, &b}))
            if (Present(a, row, longPress) != Present(b, row, longPress) ||
                (Present(a, row, longPress) && Text(a, row, longPress) != Text(b, row, longPress)))
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

void AddRowsOfLines(std::vector<ButtonRow>& rows, const ButtonLines& lines) {
    for (int code = 1; code < 256; ++code)
        if (lines.present[code] || lines.longPresent[code]) AddRow(rows, RowOfCode(static_cast<ButtonCode>(code)));
    for (const OtherButtonLines& other : lines.others)
        if (other.present || other.longPresent) AddRow(rows, RowOfOther(other.button));
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

int NoteLearnedPress(SettingsWindowData& data, ButtonRow row, bool longPress) {
    data.editLong = longPress;
    AddRow(data.rows, row);
    data.selected = static_cast<int>(std::lower_bound(data.rows.begin(), data.rows.end(), row) - data.rows.begin());
    data.pressed = row.code ? row.code : -1;
    return data.selected;
}

std::u16string ButtonRowName(ButtonRow row) {
    if (row.code) return FormatButtonKey(row.code).text;
    return OtherButtonLabel(row.other.vendorId, row.other.productId, row.other.usage);
}

std::u16string SettingsRowText(const SettingsWindowData& data, ButtonRow row, const RowWords& words) {
    std::u16string text = ButtonRowName(row);
    text += u'\t';
    text += ActionText(ActionInForce(data, row, false));
    const ReadAction held = ActionInForce(data, row, true);
    if (held.readable) text += u" / " + words.longPress + ActionText(held);
    text += u'\t';
    if (IsOwnLine(ShownLines(data), row, false) || IsOwnLine(ShownLines(data), row, true)) text += words.own;
    else text += ShowsProgram(data) ? words.followsAll : words.standard;
    const ConsumerUsageName* name = row.code ? nullptr : FindConsumerUsageName(row.other.usage);
    if (name && name->windowsActs) text += u" " + words.windowsAlso;
    return text;
}

ButtonEdit EditOfButton(const SettingsWindowData& data, ButtonRow row) {
    const bool isOwn = IsOwnLine(ShownLines(data), row, data.editLong);
    const ReadAction read = ActionInForce(data, row, data.editLong);
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

void ChooseButtonAction(SettingsWindowData& data, ButtonRow row, const ButtonEdit& edit) {
    ButtonLines& lines = ShownLines(data);
    if (edit.choice == kChoiceStandard) return SetLine(lines, row, data.editLong, false, {});
    std::u16string text;
    if (!TextOfEdit(edit, text)) return;
    if (Present(lines, row, data.editLong) &&
        SameAction(ReadActionText(Text(lines, row, data.editLong)), ReadActionText(text)))
        return;
    SetLine(lines, row, data.editLong, true, text);
}

void RebaseSettingsWindowData(SettingsWindowData& data, const SettingsChoices& file) {
    const bool selects = data.selected >= 0 && data.selected < static_cast<int>(data.rows.size());
    const ButtonRow selectedRow = selects ? data.rows[data.selected] : ButtonRow{};
    const std::u16string shownProgram = ShowsProgram(data) ? data.now.programs[data.program].program : u"";
    RebaseLines(data.now.buttons, &data.before.buttons, &file.buttons);
    RebasePrograms(data.now.programs, data.before.programs, file.programs);
    AddRowsOfEveryMap(data);
    if (data.now.startViewer == data.before.startViewer) data.now.startViewer = file.startViewer;
    if (data.now.log == data.before.log) data.now.log = file.log;
    if (data.now.osd == data.before.osd) data.now.osd = file.osd;
    data.before = file;
    if (selects)
        data.selected = static_cast<int>(std::lower_bound(data.rows.begin(), data.rows.end(), selectedRow) -
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
