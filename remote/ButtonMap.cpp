#include "remote/ButtonMap.h"

#include <utility>

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

// Exactly four hexadecimal digits.
bool ParseHex4(const char16_t* text, std::uint16_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return false;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return true;
}

// VVVV:PPPP:UUUU with a usage other than 0, then maybe .long.
bool ParseOtherButtonKey(Span s, OtherButton& button, bool& longPress) {
    constexpr std::size_t kKeyLength = 14;
    const std::size_t suffix = std::char_traits<char>::length(kLongPressSuffix);
    longPress = s.length == kKeyLength + suffix && Is({s.text + kKeyLength, suffix}, kLongPressSuffix);
    if (longPress) s.length = kKeyLength;
    if (s.length != kKeyLength || s.text[4] != u':' || s.text[9] != u':') return false;
    return ParseHex4(s.text, button.vendorId) && ParseHex4(s.text + 5, button.productId) &&
           ParseHex4(s.text + 10, button.usage) && button.usage != 0;
}

// The key and the action's text of a line, trimmed: false for a blank one.
// A line without "=" has no key.
bool SplitLine(Span line, Span& key, Span& action) {
    line = Trim(line);
    if (line.length == 0 || line.text[0] == u';' || line.text[0] == u'#') return false;
    std::size_t equals = 0;
    while (equals < line.length && line.text[equals] != u'=') ++equals;
    if (equals == line.length) {
        key = action = Span{line.text + equals, 0};
        return true;
    }
    key = Trim({line.text, equals});
    action = Trim({line.text + equals + 1, line.length - equals - 1});
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

// One line read with the key's own reader: a receiver's code or another
// remote's button.
template <typename Key, typename ReadKey>
MapLineReading ParseLine(Span line, ReadKey readKey, Key& key, ButtonAction& action, CommandLine* command,
                         bool* longPress) {
    Span keyText{}, actionText{};
    if (!SplitLine(line, keyText, actionText)) return kMapLineBlank;
    bool isLong = false;
    if (!readKey(keyText, key, isLong)) return kMapLineBadCode;
    if (longPress) *longPress = isLong;
    return ParseAction(actionText, action, command) ? kMapLineGood : kMapLineBadAction;
}

template <typename Key, typename ReadKey>
bool SplitLineOf(Span line, ReadKey readKey, Key& key, std::u16string& actionText, bool* longPress) {
    Span keyText{}, action{};
    bool isLong = false;
    if (!SplitLine(line, keyText, action) || !readKey(keyText, key, isLong)) return false;
    if (longPress) *longPress = isLong;
    actionText.assign(action.text, action.length);
    return true;
}

// The entry of an other remote's button, made (with no action yet) at its first line.
OtherButtonActions* OtherButtonEntry(ButtonActions& actions, OtherButton button) {
    for (OtherButtonActions& other : actions.others)
        if (other.button == button) return &other;
    actions.others.push_back(OtherButtonActions{button, false, ButtonAction{}, false, ButtonAction{}});
    return &actions.others.back();
}

// False when a line named the button (or its long press) before.
bool MarkOtherNamed(std::vector<std::pair<OtherButton, bool>>& named, OtherButton button, bool longPress) {
    for (const auto& seen : named)
        if (seen.first == button && seen.second == longPress) return false;
    named.emplace_back(button, longPress);
    return true;
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
    actions.others.clear();
}

MapLineReading ParseButtonMapLine(const char16_t* text, std::size_t length, ButtonCode& code, ButtonAction& action,
                                  CommandLine* command, bool* longPress) {
    return ParseLine({text, length}, ParseCode, code, action, command, longPress);
}

MapLineReading ParseOtherButtonLine(const char16_t* text, std::size_t length, OtherButton& button,
                                    ButtonAction& action, CommandLine* command, bool* longPress) {
    return ParseLine({text, length}, ParseOtherButtonKey, button, action, command, longPress);
}

bool SplitOtherButtonLine(const char16_t* text, std::size_t length, OtherButton& button, std::u16string& actionText,
                          bool* longPress) {
    return SplitLineOf({text, length}, ParseOtherButtonKey, button, actionText, longPress);
}

std::u16string FormatOtherButton(OtherButton button) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (std::uint16_t part : {button.vendorId, button.productId, button.usage}) {
        if (!text.empty()) text += u':';
        for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(part >> shift) & 0xF];
    }
    return text;
}

const OtherButtonActions* FindOtherButton(const ButtonActions& actions, OtherButton button) {
    for (const OtherButtonActions& other : actions.others)
        if (other.button == button) return &other;
    return nullptr;
}

bool NamesOtherDevice(const ButtonActions& actions, std::uint16_t vendorId, std::uint16_t productId) {
    for (const OtherButtonActions& other : actions.others)
        if (other.button.vendorId == vendorId && other.button.productId == productId) return true;
    return false;
}

bool SplitButtonMapLine(const char16_t* text, std::size_t length, ButtonCode& code, std::u16string& actionText,
                        bool* longPress) {
    return SplitLineOf({text, length}, ParseCode, code, actionText, longPress);
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
    std::vector<std::pair<OtherButton, bool>> namedOthers;
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
        OtherButtonActions* other = nullptr;
        if (reading == kMapLineBadCode) {
            OtherButton button{};
            reading = ParseOtherButtonLine(line.text, line.length, button, action, &command, &longPress);
            if (reading != kMapLineBadCode && reading != kMapLineBlank) other = OtherButtonEntry(actions, button);
        }
        // What remains of a cut line may read right and still be wrong.
        if (isLast && lastLineCut) reading = kMapLineBadCode;
        if (reading == kMapLineBlank) continue;
        const bool repeat = reading != kMapLineBadCode &&
                            (other ? !MarkOtherNamed(namedOthers, other->button, longPress)
                                   : std::exchange(longPress ? namedLong[code] : named[code], true));
        if (reading == kMapLineGood && !repeat) {
            // Each button is named once and once with .long: two commands each.
            if (action.kind == kActionRun) {
                action.command = static_cast<std::uint16_t>(actions.commands.size());
                actions.commands.push_back(std::move(command));
            }
            if (other) {
                (longPress ? other->longAction : other->action) = action;
                (longPress ? other->ownLong : other->own) = true;
            } else {
                (longPress ? actions.longAction : actions.action)[code] = action;
                (longPress ? actions.ownLong : actions.own)[code] = true;
            }
            ++result.applied;
            continue;
        }
        if (result.ignored++ == 0) Quote(result.firstIgnored, Trim(line));
        result.ignoredLinesHash = HashLine(result.ignoredLinesHash, Trim(line));
    }
    return result;
}
