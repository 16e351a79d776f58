#include "remote/CommandLine.h"

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

constexpr std::size_t kNoExe = static_cast<std::size_t>(-1);

// Where an unquoted program ending in ".exe" ends: the first ".exe" that a
// space or the end follows; kNoExe when there is none.
std::size_t EndOfExe(const char16_t* text, std::size_t length) {
    static constexpr char16_t kExe[] = u".exe";
    for (std::size_t at = 0; at + 4 <= length; ++at) {
        std::size_t i = 0;
        while (i < 4 && Lower(text[at + i]) == kExe[i]) ++i;
        if (i == 4 && (at + 4 == length || IsSpace(text[at + 4]))) return at + 4;
    }
    return kNoExe;
}

std::u16string Trimmed(const char16_t* text, std::size_t length) {
    std::size_t begin = 0, end = length;
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return std::u16string(text + begin, end - begin);
}

std::size_t LastSeparator(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    const std::size_t colon = path.find_last_of(u':');
    if (slash == std::u16string::npos) return colon;
    return colon == std::u16string::npos || slash > colon ? slash : colon;
}

}  // namespace

bool SplitCommandLine(const char16_t* text, std::size_t length, CommandLine& out) {
    out = CommandLine{};
    const std::u16string line = Trimmed(text, length);
    if (line.empty()) return false;
    std::size_t end;
    if (line[0] == u'"') {
        const std::size_t close = line.find(u'"', 1);
        if (close == std::u16string::npos || close == 1) return false;
        if (close + 1 < line.size() && !IsSpace(line[close + 1])) return false;
        out.program = line.substr(1, close - 1);
        end = close + 1;
    } else {
        end = EndOfExe(line.data(), line.size());
        if (end == kNoExe) {
            end = 0;
            while (end < line.size() && !IsSpace(line[end])) ++end;
        }
        out.program = line.substr(0, end);
        if (out.program.find(u'"') != std::u16string::npos) return false;
    }
    out.arguments = Trimmed(line.data() + end, line.size() - end);
    return true;
}

std::u16string QuotedCommandLine(const CommandLine& command) {
    std::u16string line = u"\"" + command.program + u"\"";
    if (!command.arguments.empty()) line += u" " + command.arguments;
    return line;
}

std::u16string ProgramFolder(const CommandLine& command) {
    const std::size_t at = LastSeparator(command.program);
    if (at == std::u16string::npos) return std::u16string();
    // "C:\TVTest.exe" and "C:TVTest.exe" start in C:\ and in C: as given.
    return command.program.substr(0, at + 1);
}

std::u16string FileNameOfPath(const std::u16string& path) {
    const std::size_t at = LastSeparator(path);
    return at == std::u16string::npos ? path : path.substr(at + 1);
}

std::u16string ProgramFileName(const CommandLine& command) { return FileNameOfPath(command.program); }
