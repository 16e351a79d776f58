#include "remote/ButtonMap.h"

#include "remote/KeyNames.h"

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

struct Span {
    const char16_t* text;
    std::size_t length;
};

Span Trim(Span s) {
    while (s.length && IsSpace(s.text[0])) ++s.text, --s.length;
    while (s.length && IsSpace(s.text[s.length - 1])) --s.length;
    return s;
}

// FNV-1a over the line's units and an end mark, going on from `hash`.
std::uint32_t HashLine(std::uint32_t hash, Span line) {
    constexpr std::uint32_t kPrime = 16777619u;
    if (hash == 0) hash = 2166136261u;
    for (std::size_t i = 0; i < line.length; ++i) hash = (hash ^ line.text[i]) * kPrime;
    return (hash ^ 0xFFFFu) * kPrime;
}

bool Is(Span s, const char* word) { return IsWordIgnoringCase(s.text, s.length, word); }

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Exactly two hexadecimal digits, 01 to FF, then maybe .long.
bool ParseCode(Span s, ButtonCode& code, bool& longPress) {
    const std::size_t suffix = std::char_traits<char>::length(kLongPressSuffix);
    longPress = s.length == 2 + suffix && Is({s.text + 2, suffix}, kLongPressSuffix);
    if (longPress) s.length = 2;
    if (s.length != 2) return false;
    const int high = HexDigit(s.text[0]), low = HexDigit(s.text[1]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
    code = static_cast<ButtonCode>(high * 16 + low);
    return true;
}

// "Run" and a space, then the command line; the word alone is no action.
bool ParseRun(Span s, ButtonAction& action, CommandLine* command) {
    if (s.length < 4 || !Is({s.text, 3}, "Run") || (s.text[3] != u' ' && s.text[3] != u'\t')) return false;
    CommandLine parsed;
    if (!SplitCommandLine(s.text + 4, s.length - 4, parsed)) return false;
    action.kind = kActionRun;
    if (command) *command = std::move(parsed);
    return true;
}

// [Shift+][Ctrl+]KEY in either order, BringToFront, Run COMMAND, or none.
bool ParseAction(Span s, ButtonAction& action, CommandLine* command) {
    action = ButtonAction{};
    if (s.length >= 3 && Is({s.text, 3}, "Run") && (s.length == 3 || s.text[3] == u' ' || s.text[3] == u'\t'))
        return ParseRun(s, action, command);
    bool shift = false, ctrl = false;
    for (;;) {
        std::size_t plus = 0;
        while (plus < s.length && s.text[plus] != u'+') ++plus;
        const Span word = Trim({s.text, plus});
        if (word.length == 0) return false;
        if (plus == s.length) {
            const bool modified = shift || ctrl;
            if (Is(word, "BringToFront")) {
                action.kind = kActionBringToFront;
                return !modified;
            }
            if (Is(word, "none")) return !modified;
            const std::uint8_t vk = VirtualKeyOfName(word.text, word.length);
            if (vk == 0) return false;
            action.chord = KeyChord{static_cast<std::uint8_t>(shift), static_cast<std::uint8_t>(ctrl), vk};
            return true;
        }
        if (Is(word, "Shift") && !shift) {
            shift = true;
        } else if (Is(word, "Ctrl") && !ctrl) {
            ctrl = true;
        } else {
            return false;
        }
        s = {s.text + plus + 1, s.length - plus - 1};
    }
}

void Quote(char16_t (&to)[kQuotedLineCapacity], Span line) {
    std::size_t i = 0;
    if (line.length < kQuotedLineCapacity) {
        for (; i < line.length; ++i) to[i] = line.text[i];
    } else {
        for (; i + 2 < kQuotedLineCapacity; ++i) to[i] = line.text[i];
        to[i++] = u'\u2026';
    }
    to[i] = 0;
}

}  // namespace

ButtonAction BuiltInAction(ButtonCode code) {
    if (code == BUTTON_BRING_TO_FRONT) return ButtonAction{KeyChord{0, 0, 0}, kActionBringToFront, 0};
    return ButtonAction{ButtonKeyTable[code], kActionChord, 0};
}

void SetBuiltInActions(ButtonActions& actions) {
    for (int code = 0; code < 256; ++code) {
        actions.action[code] = BuiltInAction(static_cast<ButtonCode>(code));
        actions.own[code] = false;
        actions.longAction[code] = ButtonAction{};
        actions.ownLong[code] = false;
    }
    actions.commands.clear();
}

MapLineReading ParseButtonMapLine(const char16_t* text, std::size_t length, ButtonCode& code, ButtonAction& action,
                                  CommandLine* command, bool* longPress) {
    const Span line = Trim({text, length});
    if (line.length == 0 || line.text[0] == u';' || line.text[0] == u'#') return kMapLineBlank;
    std::size_t equals = 0;
    while (equals < line.length && line.text[equals] != u'=') ++equals;
    bool isLong = false;
    if (equals == line.length || !ParseCode(Trim({line.text, equals}), code, isLong)) return kMapLineBadCode;
    if (longPress) *longPress = isLong;
    if (!ParseAction(Trim({line.text + equals + 1, line.length - equals - 1}), action, command))
        return kMapLineBadAction;
    return kMapLineGood;
}

bool SplitButtonMapLine(const char16_t* text, std::size_t length, ButtonCode& code, std::u16string& actionText,
                        bool* longPress) {
    const Span line = Trim({text, length});
    if (line.length == 0 || line.text[0] == u';' || line.text[0] == u'#') return false;
    std::size_t equals = 0;
    while (equals < line.length && line.text[equals] != u'=') ++equals;
    bool isLong = false;
    if (equals == line.length || !ParseCode(Trim({line.text, equals}), code, isLong)) return false;
    if (longPress) *longPress = isLong;
    const Span action = Trim({line.text + equals + 1, line.length - equals - 1});
    actionText.assign(action.text, action.length);
    return true;
}

bool ParseButtonAction(const std::u16string& text, ButtonAction& action, CommandLine* command) {
    return ParseAction(Trim({text.data(), text.size()}), action, command);
}

std::u16string FormatButtonAction(const ButtonAction& action, const CommandLine* command) {
    if (action.kind == kActionBringToFront) return u"BringToFront";
    if (action.kind == kActionRun) return command ? u"Run " + QuotedCommandLine(*command) : u"Run";
    if (action.chord.vk == 0) return u"none";
    const std::u16string name = VirtualKeyName(action.chord.vk);
    if (name.empty()) return u"none";
    std::u16string text;
    if (action.chord.shift == 1) text += u"Shift+";
    if (action.chord.ctrl == 1) text += u"Ctrl+";
    return text + name;
}

ButtonMapResult ApplyButtonMapLines(ButtonActions& actions, const char16_t* list, std::size_t length,
                                    bool lastLineCut) {
    ButtonMapResult result{};
    bool named[256] = {}, namedLong[256] = {};
    std::size_t at = 0;
    while (at < length && list[at] != 0) {
        std::size_t end = at;
        while (end < length && list[end] != 0) ++end;
        const Span line{list + at, end - at};
        at = end + 1;
        const bool isLast = at >= length || list[at] == 0;

        ButtonCode code = 0;
        ButtonAction action{};
        CommandLine command;
        bool longPress = false;
        MapLineReading reading = ParseButtonMapLine(line.text, line.length, code, action, &command, &longPress);
        // What remains of a cut line may read right and still be wrong.
        if (isLast && lastLineCut) reading = kMapLineBadCode;
        if (reading == kMapLineBlank) continue;
        bool& seen = longPress ? namedLong[code] : named[code];
        const bool repeat = reading != kMapLineBadCode && seen;
        if (reading != kMapLineBadCode) seen = true;
        if (reading == kMapLineGood && !repeat) {
            // Each code is named once and once with .long: at most 510 commands.
            if (action.kind == kActionRun) {
                action.command = static_cast<std::uint16_t>(actions.commands.size());
                actions.commands.push_back(std::move(command));
            }
            (longPress ? actions.longAction : actions.action)[code] = action;
            (longPress ? actions.ownLong : actions.own)[code] = true;
            ++result.applied;
            continue;
        }
        if (result.ignored++ == 0) Quote(result.firstIgnored, Trim(line));
        result.ignoredLinesHash = HashLine(result.ignoredLinesHash, Trim(line));
    }
    return result;
}
