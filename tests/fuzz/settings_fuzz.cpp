// The settings values: arbitrary UTF-16 texts read back through the settings
// file and parsed, and every number written and read again. Then the file in
// each encoding an editor saves, broken or cut at times: converted, it holds
// the same text as UTF-16 LE; left, it is byte for byte as it was; and the
// save at exit changes nothing of an ANSI file but Korvanta's own keys.
//
// The parse is compared with a reference of the value format: the leading run
// of hexadecimal digits of either case, of which only the last eight count
// (unsigned 32-bit arithmetic wraps), anything else ending the run.
#include <string>

#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"
#include "settings/UnicodeSettingsFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace win;

namespace {

// The value of the leading hexadecimal digits of `text`.
std::uint32_t ReferenceParse(const std::u16string& text) {
    static const std::u16string kLower = u"0123456789abcdef";
    static const std::u16string kUpper = u"0123456789ABCDEF";
    std::u16string digits;
    for (char16_t c : text) {
        if (kLower.find(c) == std::u16string::npos && kUpper.find(c) == std::u16string::npos) break;
        digits += c;
    }
    if (digits.size() > 8) digits.erase(0, digits.size() - 8);
    std::uint64_t value = 0;
    std::uint64_t weight = 1;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight *= 16) {
        const auto lower = kLower.find(*it);
        value += weight * (lower != std::u16string::npos ? lower : kUpper.find(*it));
    }
    return static_cast<std::uint32_t>(value);
}

// What the platform reads back of a value written into a file: up to a NUL
// (the end of the text given) or a line end, blanks around it trimmed.
std::u16string StoredValue(std::u16string value) {
    value = value.substr(0, value.find(u'\0'));
    const std::size_t newline = value.find(u'\n');
    if (newline != std::u16string::npos) {
        value.resize(newline);
        if (!value.empty() && value.back() == u'\r') value.pop_back();
    }
    const std::size_t first = value.find_first_not_of(u" \t");
    if (first == std::u16string::npos) return u"";
    return value.substr(first, value.find_last_not_of(u" \t") - first + 1);
}

std::u16string Units(FuzzedDataProvider& in, std::size_t count) {
    std::u16string text;
    for (std::size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        // Mostly digits, letters near them and terminators; sometimes any unit.
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: text += static_cast<char16_t>(in.ConsumeIntegral<std::uint16_t>()); break;
        case 1: text += u"0123456789abcdefABCDEFgG/:@`x \t\0-+\"'"[in.ConsumeIntegralInRange<int>(0, 36)]; break;
        default: text += u"0123456789ABCDEFabcdef"[in.ConsumeIntegralInRange<int>(0, 21)]; break;
        }
    }
    return text;
}

using Encoding = sim::SimDesktop::Encoding;

// Pieces of a settings file, Japanese text and line ends among them; at
// times any unit at all, a lone surrogate included.
std::u16string FileText(FuzzedDataProvider& in) {
    static const char16_t* const kPieces[] = {u"[Korvanta]",
                                              u"\r\n",
                                              u"\n",
                                              u"TVTC_MODE=00000001",
                                              u"IgnoreCursor = 1",
                                              u"StartViewer=\"D:\\テレビ\\TVTest.exe\"",
                                              u"[Buttons]",
                                              u"2A=Run 録画.exe",
                                              u"; 日本語のコメント",
                                              u"[Other]",
                                              u"tvtc_mode=2",
                                              u" ",
                                              u"=",
                                              u"ｱｲｳ",
                                              u"café"};
    std::u16string text;
    for (int n = in.ConsumeIntegralInRange<int>(0, 24); n > 0 && in.remaining_bytes() > 0; --n) {
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
            text += static_cast<char16_t>(in.ConsumeIntegral<std::uint16_t>());
        else text += kPieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kPieces) - 1)];
    }
    return text;
}

// The lines of a text that are not Korvanta's own: its two keys and the
// header of its section, which the save may add; line ends and blank lines
// aside (the save ends a last line that had no end).
std::vector<std::u16string> ForeignLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(u'\n', at);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(at, end - at);
        while (!line.empty() && line.back() == u'\r') line.pop_back();
        std::u16string key = line.substr(0, line.find(u'='));
        while (!key.empty() && (key.back() == u' ' || key.back() == u'\t')) key.pop_back();
        while (!key.empty() && (key.front() == u' ' || key.front() == u'\t')) key.erase(0, 1);
        for (char16_t& c : key)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        if (key != u"TVTC_MODE" && key != u"IGNORECURSOR" && key != u"[KORVANTA]" &&
            line.find_first_not_of(u" \t\r") != std::u16string::npos)
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

bool StartsUtf16(const std::string& bytes) { return bytes.rfind("\xFF\xFE", 0) == 0; }

void CheckEncodings(FuzzedDataProvider& in, sim::SimDesktop& desk, const SettingsFile& settings) {
    const std::u16string& path = settings.path;
    desk.files.clear();
    desk.ansiCodePage = in.ConsumeBool() ? 932 : 1252;
    const int kind = in.ConsumeIntegralInRange<int>(0, 7);
    if (kind <= 4) {
        desk.SetFileText(path, FileText(in), static_cast<Encoding>(kind));
    } else if (kind == 5) {
        desk.files[path] = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 64));  // any bytes
    } else if (kind == 6) {
        static const char* const kLoneBoms[] = {"\xFF", "\xFE", "\xEF", "\xEF\xBB", "\xFE\xFF\x00", "\xFF\xFE\x41"};
        desk.files[path] = kLoneBoms[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kLoneBoms) - 1)];
    }  // 7: no file
    if (desk.HasFile(path) && !desk.files[path].empty() && in.ConsumeBool()) {
        std::string& bytes = desk.files[path];
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, bytes.size() - 1);
        if (in.ConsumeBool()) bytes.resize(at);  // cut short, at times inside a character
        else bytes[at] = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
    }
    // A program holding the file, for ever or for a few of the waits
    // between the tries; a file system without ReplaceFileW.
    int heldFor = -1, sleeps = 0;
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0: desk.readOnlyFolders.insert(u"C:\\Korvanta\\"); break;
    case 1:
        desk.heldByReaders.insert(path);
        if (in.ConsumeBool()) heldFor = in.ConsumeIntegralInRange<int>(1, 25);
        break;
    case 2: desk.moveFails = true; break;
    case 3: desk.replaceFileUnsupported = true; break;
    default: break;
    }
    desk.onSleep = [&] {
        if (++sleeps == heldFor) desk.heldByReaders.erase(path);
    };
    // An editor saving the file again while it is being converted.
    bool savedMeanwhile = false;
    std::string savedBytes;
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
        const std::u16string text = FileText(in);
        const auto saveEncoding = static_cast<Encoding>(in.ConsumeIntegralInRange<int>(0, 4));
        desk.onFlush = [&, text, saveEncoding] {
            if (savedMeanwhile) return;
            savedMeanwhile = true;
            desk.SetFileText(path, text, saveEncoding);
            savedBytes = desk.files[path];
        };
    }
    const bool existed = desk.HasFile(path);
    std::string before = existed ? desk.files[path] : std::string();
    std::u16string textBefore = desk.ProfileText(path);

    FileBytes taken;
    const SettingsConversion conversion = ConvertSettingsFileToUnicode(settings, taken);
    desk.onFlush = nullptr;
    // What the conversion had to go by is the editor's later save, when
    // there was one: it is not lost.
    if (savedMeanwhile) {
        before = savedBytes;
        sim::SimDesktop saved;
        saved.ansiCodePage = desk.ansiCodePage;
        saved.files[path] = savedBytes;
        textBefore = saved.ProfileText(path);
    }
    const SettingsEncoding encoding = DetectSettingsEncoding(FileBytes(before.begin(), before.end()));
    const bool notConverted = conversion == kSettingsNotConverted || conversion == kSettingsInUse;
    FUZZ_CHECK(conversion != kSettingsInUse || (heldFor < 0 || heldFor >= 20), "told in use though it was let go");
    FUZZ_CHECK(heldFor < 0 || heldFor >= 20 || sleeps <= heldFor, "tried again after the file was let go");
    FUZZ_CHECK(!desk.HasFile(path + u".new"), "a new file was left behind");
    FUZZ_CHECK(desk.openFiles == 0, "%d files left open", desk.openFiles);
    const std::string after = existed ? desk.files[path] : std::string();
    FUZZ_CHECK(existed == desk.HasFile(path), "the file came or went");
    FUZZ_CHECK(std::string(taken.begin(), taken.end()) == after, "the bytes handed back are not the file's");
    if (conversion == kSettingsConverted) {
        FUZZ_CHECK(IsMisreadByProfileFunctions(encoding), "a file of encoding %d was converted", encoding);
        FUZZ_CHECK(StartsUtf16(after), "a converted file does not start with FF FE");
        // Written again in its first encoding, the text read now gives back
        // the very bytes the file held.
        sim::SimDesktop again;
        const std::u16string text = desk.ProfileText(path);
        again.SetFileText(path, text,
                          encoding == kEncodingUtf8      ? Encoding::kUtf8
                          : encoding == kEncodingUtf8Bom ? Encoding::kUtf8Bom
                                                         : Encoding::kUtf16Be);
        FUZZ_CHECK(again.files[path] == before, "the converted text is not the text of the file");
    } else {
        FUZZ_CHECK(after == before, "a file that was not converted changed");
        FUZZ_CHECK(notConverted == (existed && IsMisreadByProfileFunctions(encoding)),
                   "conversion %d for a file of encoding %d", conversion, encoding);
    }

    // The save at exit.
    const std::uint32_t mode = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
    const std::uint32_t ignoreCursor = in.ConsumeIntegralInRange<std::uint32_t>(0, 1);
    const std::u16string textConverted = desk.ProfileText(path);
    SaveSettings(settings, mode, ignoreCursor);
    desk.onSleep = nullptr;
    FUZZ_CHECK(desk.openFiles == 0, "%d files left open after the save", desk.openFiles);
    if (!desk.HasFile(path)) return;  // nowhere to write
    const std::string saved = desk.files[path];
    if (conversion == kSettingsInUse && heldFor >= 0 && sleeps >= heldFor) {
        // Let go while the save tried again: converted then, and written.
        FUZZ_CHECK(StartsUtf16(saved), "a file let go of was not converted at the save");
        return;
    }
    if (notConverted) {
        // Written in the code page, it would be garbled; what the user was
        // told to mend stays as it was.
        FUZZ_CHECK(saved == before, "a file left unconverted was written");
        return;
    }
    if (!existed) FUZZ_CHECK(StartsUtf16(saved), "a file Korvanta made is not UTF-16");
    if (existed && !StartsUtf16(after))
        FUZZ_CHECK(!StartsUtf16(saved) && ForeignLines(desk.ProfileText(path)) == ForeignLines(textBefore),
                   "the save changed more of an ANSI file than Korvanta's keys");
    if (StartsUtf16(saved)) {
        FUZZ_CHECK(ForeignLines(desk.ProfileText(path)) == ForeignLines(textConverted),
                   "the save changed more of a UTF-16 file than Korvanta's keys");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    sim::SimDesktop desk;
    desk.recording = false;
    SetPlatform(&desk);
    SettingsFile settings{u"C:\\Korvanta\\Korvanta.ini"};

    // Any text as the file's value, as the platform stores it; the platform
    // drops quotes around the whole of it, and the read cuts it to 32 units.
    const std::u16string value = Units(in, in.ConsumeIntegralInRange<std::size_t>(0, 48));
    desk.SetProfileString(settings.path, kSettingsSection, kModeKey, value);
    const std::u16string stored = StoredValue(value);
    const bool quoted =
        stored.size() >= 2 && (stored.front() == u'"' || stored.front() == u'\'') && stored.back() == stored.front();
    const std::u16string cut = (quoted ? stored.substr(1, stored.size() - 2) : stored).substr(0, 32);
    const std::uint32_t read = ReadSetting(settings, kModeKey);
    const std::uint32_t expected = ReferenceParse(cut);
    FUZZ_CHECK(read == expected, "value read as 0x%X, reference 0x%X", read, expected);

    // Any text, however long, straight into the parse.
    const std::u16string text = Units(in, in.ConsumeIntegralInRange<std::size_t>(0, 4096));
    const std::uint32_t parsed = ParseHex(text.c_str());
    FUZZ_CHECK(parsed == ReferenceParse(text), "text parsed as 0x%X, reference 0x%X", parsed, ReferenceParse(text));

    // Any number: eight capital digits that read back as the number, through
    // the parse and through the file.
    const std::uint32_t number = in.ConsumeIntegral<std::uint32_t>();
    const Hex8 hex = FormatHex8(number);
    char printed[16];
    std::snprintf(printed, sizeof(printed), "%08X", number);
    for (int i = 0; i < 8; ++i)
        FUZZ_CHECK(hex.text[i] == static_cast<char16_t>(printed[i]), "digit %d of 0x%X is %u", i, number, hex.text[i]);
    FUZZ_CHECK(hex.text[8] == 0, "0x%X is not eight digits", number);
    FUZZ_CHECK(ParseHex(hex.text) == number, "0x%X does not parse back", number);
    WriteSetting(settings, kIgnoreCursorKey, number);
    FUZZ_CHECK(desk.ProfileValue(settings.path, kIgnoreCursorKey) == std::u16string(hex.text),
               "0x%X was not written as its eight digits", number);
    FUZZ_CHECK(ReadSetting(settings, kIgnoreCursorKey) == number, "0x%X does not read back from the file", number);

    CheckEncodings(in, desk, settings);

    SetPlatform(nullptr);
    return 0;
}
