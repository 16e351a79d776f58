// Korvanta.ini in every encoding Notepad saves. The simulated desktop reads
// and writes profile files as Windows does (Wine differs: it also reads a
// file with a UTF-8 BOM as UTF-8), so these cases show what a Japanese
// user's Windows makes of each file.
#include "remote/ButtonMap.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"
#include "tests/ProgramTest.h"

using namespace win;
using Encoding = sim::SimDesktop::Encoding;

namespace {

const std::u16string kFolder = u"C:\\Program Files\\Korvanta\\";
const std::u16string kViewer = u"D:\\テレビ\\TVTest\\TVTest.exe";
const std::u16string kRecorder = u"C:\\Users\\山田\\番組表.exe";

// As a user leaves it: CRLF and LF line ends, a comment, a blank line, a
// foreign section and a last line without an end.
const std::u16string kUserFile =
    u"[Korvanta]\r\nTVTC_MODE=00000001\r\nStartViewer=\"" + kViewer +
    u"\"\r\n; 録画はここ\n\n[Other]\r\nName=日本語\r\n[Buttons]\r\n2A=Run \"" + kRecorder + u"\" /d";

FileBytes Bytes(std::initializer_list<unsigned char> bytes) { return FileBytes(bytes.begin(), bytes.end()); }
FileBytes Bytes(const std::string& text) { return FileBytes(text.begin(), text.end()); }

bool StartsUtf16(const std::string& bytes) { return bytes.rfind("\xFF\xFE", 0) == 0; }

int Count(const std::u16string& text, const std::u16string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class SettingsEncodingTest : public ProgramTest {
protected:
    SettingsFile Settings() const { return SettingsFile{kIni, false}; }
    std::string& File() { return desk.files[kIni]; }
    int NotUnicodeBalloons() { return desk.Balloons(IDS_SETTINGS_NOT_UNICODE_TITLE); }
    std::u16string RunProgram() { return Records()->buttonMaps.all.commands.at(0).program; }
};

}  // namespace

// ----- telling the encodings apart -----

TEST(SettingsEncoding, EachFileIsToldByItsBomOrByWhetherItsBytesAreWellFormedUtf8) {
    const struct {
        const char* name;
        FileBytes bytes;
        SettingsEncoding expected;
    } cases[] = {
        {"empty", Bytes(""), kEncodingAscii},
        {"ASCII", Bytes("[Korvanta]\r\nTVTC_MODE=1\r\n"), kEncodingAscii},
        {"UTF-16 LE BOM alone", Bytes({0xFF, 0xFE}), kEncodingUtf16Le},
        {"UTF-16 LE, odd length", Bytes({0xFF, 0xFE, 0x41}), kEncodingUtf16Le},
        {"UTF-16 BE", Bytes({0xFE, 0xFF, 0x00, 0x41}), kEncodingUtf16Be},
        {"UTF-16 BE, odd length", Bytes({0xFE, 0xFF, 0x00}), kEncodingAnsi},
        {"UTF-8 BOM alone", Bytes({0xEF, 0xBB, 0xBF}), kEncodingUtf8Bom},
        {"UTF-8 BOM, broken after", Bytes({0xEF, 0xBB, 0xBF, 0xE3, 0x83}), kEncodingUtf8Bom},
        {"half a UTF-8 BOM", Bytes({0xEF, 0xBB}), kEncodingAnsi},
        {"テレビ in UTF-8", Bytes({0xE3, 0x83, 0x86, 0xE3, 0x83, 0xAC, 0xE3, 0x83, 0x93}), kEncodingUtf8},
        {"テレビ in Shift_JIS", Bytes({0x83, 0x65, 0x83, 0x8C, 0x83, 0x72}), kEncodingAnsi},
        {"a character beyond the BMP", Bytes({0xF0, 0x9F, 0x93, 0xBA}), kEncodingUtf8},
        {"cut at the end", Bytes({0x41, 0xE3, 0x83}), kEncodingAnsi},
        {"overlong slash", Bytes({0xC0, 0xAF}), kEncodingAnsi},
        {"a surrogate", Bytes({0xED, 0xA0, 0x80}), kEncodingAnsi},
        {"past U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), kEncodingAnsi},
        {"é in code page 1252", Bytes({0x63, 0x61, 0x66, 0xE9}), kEncodingAnsi},
    };
    for (const auto& c : cases) EXPECT_EQ(DetectSettingsEncoding(c.bytes), c.expected) << c.name;
}

// What the conversion exists for: Windows reads UTF-8 as the ANSI code page,
// and takes a UTF-8 BOM for bytes of line 1, so the header there is lost.
TEST_F(SettingsEncodingTest, WithoutConversionWindowsMisreadsUtf8) {
    char16_t value[64];
    for (UINT codePage : {932u, 1252u}) {
        desk.ansiCodePage = codePage;
        desk.SetFileText(kIni, kUserFile, Encoding::kUtf8);
        desk.GetPrivateProfileStringW(u"Korvanta", u"StartViewer", u"", value, 64, kIni.c_str());
        EXPECT_NE(std::u16string(value), kViewer) << codePage;
        desk.SetFileText(kIni, kUserFile, Encoding::kUtf8Bom);
        desk.GetPrivateProfileStringW(u"Korvanta", u"TVTC_MODE", u"none", value, 64, kIni.c_str());
        EXPECT_EQ(std::u16string(value), u"none") << codePage;
    }
}

// ----- reading at start -----

TEST_F(SettingsEncodingTest, JapanesePathsAreReadAsWrittenInEveryEncodingNotepadSaves) {
    const struct {
        const char* name;
        Encoding encoding;
        UINT codePage;
        bool converted;
    } cases[] = {
        {"UTF-8, Japanese Windows", Encoding::kUtf8, 932, true},
        {"UTF-8, western Windows", Encoding::kUtf8, 1252, true},
        {"UTF-8 with BOM, header on line 1", Encoding::kUtf8Bom, 932, true},
        {"UTF-8 with BOM, western Windows", Encoding::kUtf8Bom, 1252, true},
        {"UTF-16 LE", Encoding::kUtf16Le, 1252, false},
        {"UTF-16 BE", Encoding::kUtf16Be, 932, true},
        {"ANSI, code page 932", Encoding::kAnsi, 932, false},
    };
    for (const auto& c : cases) {
        desk.ansiCodePage = c.codePage;
        desk.SetFileText(kIni, kUserFile, c.encoding);
        const std::string before = File();
        Start();
        EXPECT_EQ(Router().mode, 1) << c.name;
        EXPECT_EQ(Records()->startViewerText, kViewer) << c.name;
        EXPECT_EQ(RunProgram(), kRecorder) << c.name;
        EXPECT_EQ(NotUnicodeBalloons(), 0) << c.name;
        EXPECT_EQ(desk.ProfileText(kIni), kUserFile) << c.name;
        if (c.converted) EXPECT_TRUE(StartsUtf16(File())) << c.name;
        else EXPECT_EQ(File(), before) << c.name;
        Command(IDM_EXIT);
        EXPECT_FALSE(desk.HasFile(kIni + u".new")) << c.name;
    }
}

TEST_F(SettingsEncodingTest, TheConversionKeepsEveryLineAndLineEndAndLeavesNothingOpen) {
    const std::u16string text =
        u"\n; 先頭のコメント\r\n\r\n[Korvanta]\nLog = 1 \t\n[Buttons]\r\n2A=BringToFront\r\n\r\n";
    desk.SetFileText(kIni, text, Encoding::kUtf8);
    mainWindow = CreateMainWindow(instance);
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : text) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    EXPECT_EQ(File(), utf16);
    EXPECT_TRUE(Records()->pressLog.on);
    EXPECT_EQ(desk.openFiles, 1);  // the press log's
    // Flushed, then put in place keeping the file's own attributes.
    EXPECT_EQ(desk.CallsMatching("FlushFileBuffers").size(), 1u);
    EXPECT_EQ(desk.CallsMatching("ReplaceFileW(C:\\Program Files\\Korvanta\\Korvanta.ini"),
              std::vector<std::string>{"ReplaceFileW(C:\\Program Files\\Korvanta\\Korvanta.ini, "
                                       "C:\\Program Files\\Korvanta\\Korvanta.ini.new, flags 0x0)"});
    EXPECT_TRUE(desk.CallsMatching("MoveFileExW(C:\\Program Files\\Korvanta\\Korvanta.ini.new").empty());
}

// Where the file cannot be replaced it stays byte for byte as it was, even
// at exit, and the user is told once what to do.
TEST_F(SettingsEncodingTest, AConversionThatFailsLeavesTheFileUntouchedAndTellsOnce) {
    const struct {
        const char* name;
        Encoding encoding;
        void (*arrange)(sim::SimDesktop&);
    } cases[] = {
        {"read-only folder", Encoding::kUtf8, [](sim::SimDesktop& d) { d.readOnlyFolders.insert(kFolder); }},
        {"held open by an editor", Encoding::kUtf8Bom, [](sim::SimDesktop& d) { d.heldByReaders.insert(kIni); }},
        {"the replace refused", Encoding::kUtf8, [](sim::SimDesktop& d) { d.moveFails = true; }},
        {"broken UTF-8 after a BOM", Encoding::kUtf8Bom, nullptr},
    };
    for (const auto& c : cases) {
        desk.readOnlyFolders.clear();
        desk.heldByReaders.clear();
        desk.moveFails = false;
        if (c.arrange) c.arrange(desk);
        desk.SetFileText(kIni, kUserFile, c.encoding);
        if (!c.arrange) File() += "\xE3\x83";
        const std::string before = File();
        const int balloonsBefore = NotUnicodeBalloons();
        Start();
        EXPECT_EQ(File(), before) << c.name;
        EXPECT_EQ(NotUnicodeBalloons(), balloonsBefore + 1) << c.name;
        // The cause named: another program, or the folder.
        EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), c.arrange == cases[1].arrange ? "string 143" : "string 135")
            << c.name;
        Command(IDM_MODE_DIRECT_FG);
        Command(IDM_EXIT);
        EXPECT_EQ(File(), before) << c.name;
        EXPECT_EQ(NotUnicodeBalloons(), balloonsBefore + 1) << c.name;
        EXPECT_FALSE(desk.HasFile(kIni + u".new")) << c.name;
        EXPECT_EQ(desk.openFiles, 0) << c.name;
    }
}

// ----- writing -----

TEST_F(SettingsEncodingTest, AFileKorvantaMakesStartsAsUtf16) {
    Start();
    Command(IDM_MODE_DIRECT);
    Command(IDM_EXIT);
    EXPECT_TRUE(StartsUtf16(File()));
    EXPECT_EQ(desk.ProfileText(kIni), u"[Korvanta]\r\nTVTC_MODE=00000001\r\nIgnoreCursor=00000000\r\n");
}

TEST_F(SettingsEncodingTest, TheExitSaveGoesIntoEachKindOfFileWithOneSection) {
    const struct {
        const char* name;
        std::u16string text;
        Encoding encoding;
        bool missing;
        bool utf16After;
    } cases[] = {
        {"none", u"", Encoding::kAnsi, true, true},
        {"ASCII", u"[Korvanta]\r\nTVTC_MODE=00000001\r\n", Encoding::kAnsi, false, false},
        {"Shift_JIS", kUserFile, Encoding::kAnsi, false, false},
        {"UTF-16 LE", kUserFile, Encoding::kUtf16Le, false, true},
        {"UTF-8", kUserFile, Encoding::kUtf8, false, true},
        {"UTF-8 with BOM", kUserFile, Encoding::kUtf8Bom, false, true},
    };
    for (const auto& c : cases) {
        desk.files.clear();
        if (!c.missing) desk.SetFileText(kIni, c.text, c.encoding);
        Start();
        Command(IDM_MODE_DIRECT_FG);
        Command(IDM_EXIT);
        EXPECT_EQ(desk.ProfileValue(kIni, u"TVTC_MODE"), u"00000002") << c.name;
        EXPECT_EQ(Count(desk.ProfileText(kIni), u"[Korvanta]"), 1) << c.name;
        EXPECT_EQ(StartsUtf16(File()), c.utf16After) << c.name;
        if (c.text == kUserFile)
            EXPECT_NE(desk.ProfileText(kIni).find(u"; 録画はここ\n\n[Other]\r\nName=日本語\r\n"), std::u16string::npos)
                << c.name;
    }
}

// An ANSI file takes ASCII values as it is; a value beyond ASCII, which the
// code page might lack, converts it first, so nothing becomes '?'.
TEST_F(SettingsEncodingTest, AnAnsiFileIsConvertedOnlyBeforeAValueBeyondAsciiIsWrittenIntoIt) {
    const struct {
        const char* name;
        UINT codePage;
        std::u16string value;
        bool converted;
    } cases[] = {
        {"ASCII value", 932, u"\"C:\\TV\\TVTest.exe\"", false},
        {"Japanese value, Japanese Windows", 932, u"\"" + kViewer + u"\"", true},
        {"Japanese value, western Windows", 1252, u"\"" + kViewer + u"\"", true},
        {"accented value, western Windows", 1252, u"\"C:\\Vidéo\\TV.exe\"", true},
    };
    for (const auto& c : cases) {
        desk.ansiCodePage = c.codePage;
        // A comment each code page has, which the conversion must decode right.
        const std::u16string comment = c.codePage == 932 ? u"; 録画" : u"; café";
        desk.SetFileText(kIni, u"[Korvanta]\r\nTVTC_MODE=00000001\r\n" + comment + u"\r\n", Encoding::kAnsi);
        EXPECT_EQ(WriteSettingText(Settings(), u"Korvanta", u"StartViewer", c.value.c_str()), 1) << c.name;
        EXPECT_EQ(StartsUtf16(File()), c.converted) << c.name;
        EXPECT_EQ(desk.ProfileValue(kIni, u"StartViewer"), c.value) << c.name;
        EXPECT_NE(desk.ProfileText(kIni).find(comment), std::u16string::npos) << c.name;
    }
}

TEST_F(SettingsEncodingTest, AnAnsiFileTheCodePageCannotReadIsNotConvertedNorWrittenWithJapanese) {
    desk.ansiCodePage = 932;
    File() = "[Korvanta]\r\n; \x81\x7F\r\n";  // no character of code page 932
    const std::string before = File();
    EXPECT_EQ(WriteSettingText(Settings(), u"Korvanta", u"StartViewer", kViewer.c_str()), 0);
    EXPECT_EQ(File(), before);
    EXPECT_EQ(WriteSettingText(Settings(), u"Korvanta", u"TVTC_MODE", u"00000001"), 1);
    EXPECT_FALSE(StartsUtf16(File()));
}
