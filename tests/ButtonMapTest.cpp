// The user's own button map: reading its lines, laying them over the fixed
// table at start, the balloon about lines passed over, and what a press of a
// mapped button then does on every route.
#include <string>

#include "app/MessageText.h"
#include "remote/ButtonMap.h"
#include "remote/KeyNames.h"
#include "settings/ButtonMapFile.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

std::u16string U(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::uint8_t Vk(const std::string& name) {
    const std::u16string wide = U(name);
    return VirtualKeyOfName(wide.data(), wide.size());
}

struct Parsed {
    MapLineReading reading;
    int code;
    KeyChord chord;
    int kind;
};

Parsed Parse(const std::string& line) {
    const std::u16string wide = U(line);
    ButtonCode code = 0;
    ButtonAction action{};
    const MapLineReading reading = ParseButtonMapLine(wide.data(), wide.size(), code, action);
    return {reading, code, action.chord, action.kind};
}

// The list form of a section: each line ends in a NUL, the list in another.
std::u16string List(const std::vector<std::string>& lines) {
    std::u16string list;
    for (const auto& line : lines) list += U(line) + u'\0';
    return list + u'\0';
}

bool SameChord(KeyChord a, KeyChord b) { return a.shift == b.shift && a.ctrl == b.ctrl && a.vk == b.vk; }

bool IsBuiltIn(const ButtonActions& actions, int code) {
    const ButtonAction& a = actions.action[code];
    if (code == 0x21) return a.kind == kActionBringToFront && a.chord.vk == 0;
    return a.kind == kActionChord && SameChord(a.chord, ButtonKeyTable[code]);
}

}  // namespace

// ----- key names -----

TEST(KeyNames, EveryNameReadsAsItsVirtualKeyInAnyCase) {
    for (int n = 1; n <= 24; ++n) {
        EXPECT_EQ(Vk("F" + std::to_string(n)), 0x70 + n - 1) << n;
        EXPECT_EQ(Vk("f" + std::to_string(n)), 0x70 + n - 1) << n;
    }
    for (char c = 'A'; c <= 'Z'; ++c) {
        EXPECT_EQ(Vk(std::string(1, c)), c);
        EXPECT_EQ(Vk(std::string(1, static_cast<char>(c - 'A' + 'a'))), c);
    }
    for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(Vk(std::string(1, c)), c);
    const std::pair<const char*, int> named[] = {
        {"Up", 0x26},          {"Down", 0x28},         {"Left", 0x25},           {"Right", 0x27},
        {"Enter", 0x0D},       {"Space", 0x20},        {"Escape", 0x1B},         {"Tab", 0x09},
        {"Backspace", 0x08},   {"Insert", 0x2D},       {"Delete", 0x2E},         {"Home", 0x24},
        {"End", 0x23},         {"PageUp", 0x21},       {"PageDown", 0x22},       {"VolumeUp", 0xAF},
        {"VolumeDown", 0xAE},  {"VolumeMute", 0xAD},   {"MediaPlayPause", 0xB3}, {"MediaStop", 0xB2},
        {"MediaNext", 0xB0},   {"MediaPrev", 0xB1},
    };
    for (const auto& [name, vk] : named) {
        EXPECT_EQ(Vk(name), vk) << name;
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(Vk(upper), vk) << upper;
        char back[16];
        ASSERT_TRUE(NameOfVirtualKey(static_cast<std::uint8_t>(vk), back, sizeof(back))) << name;
        EXPECT_STREQ(back, name);
    }
}

TEST(KeyNames, NearMissesNameNoKey) {
    for (const char* name : {"", "F0", "F25", "F01", "F1x", "AA", "Up2", "Media Play", "Shift", "Ctrl",
                             "PgUp", "Return", "Esc", "-", "\xE9"})
        EXPECT_EQ(Vk(name), 0) << name;
}

// ----- one line -----

TEST(ButtonMapLine, CodesAreExactlyTwoHexDigitsFrom01ToFF) {
    EXPECT_EQ(Parse("01=F1").reading, kMapLineGood);
    EXPECT_EQ(Parse("01=F1").code, 0x01);
    EXPECT_EQ(Parse("FF=F1").code, 0xFF);
    EXPECT_EQ(Parse("ff=f1").code, 0xFF);
    EXPECT_EQ(Parse("aB=F1").code, 0xAB);
    for (const char* line : {"00=F1", "100=F1", "1=F1", "001=F1", "0x08=F1", "G1=F1", "=F1", "08 F1", "08"})
        EXPECT_EQ(Parse(line).reading, kMapLineBadCode) << line;
}

TEST(ButtonMapLine, ActionsAreAChordWithShiftAndCtrlOrBringToFrontOrNone) {
    Parsed p = Parse("08=Shift+F13");
    EXPECT_EQ(p.reading, kMapLineGood);
    EXPECT_TRUE(SameChord(p.chord, {1, 0, 0x7C}));
    p = Parse("  1c =  ctrl + SHIFT +up ");
    EXPECT_EQ(p.reading, kMapLineGood);
    EXPECT_EQ(p.code, 0x1C);
    EXPECT_TRUE(SameChord(p.chord, {1, 1, 0x26}));
    EXPECT_TRUE(SameChord(Parse("40=MediaPlayPause").chord, {0, 0, 0xB3}));
    p = Parse("21=bringtofront");
    EXPECT_EQ(p.reading, kMapLineGood);
    EXPECT_EQ(p.kind, kActionBringToFront);
    p = Parse("33=none");
    EXPECT_EQ(p.reading, kMapLineGood);
    EXPECT_EQ(p.kind, kActionChord);
    EXPECT_EQ(p.chord.vk, 0);
    for (const char* line : {"08=", "08=Shift+", "08=+F1", "08=Shift+Shift+F1", "08=Alt+F1", "08=Win+F1",
                             "08=Shift+none", "08=Ctrl+BringToFront", "08=F1+Shift", "08=Shift++F1", "08=F99",
                             "08=F1=F2", "08=Shift F1"})
        EXPECT_EQ(Parse(line).reading, kMapLineBadAction) << line;
    for (const char* line : {"", "   ", "; 08=F1", "# 08=F1", "\t"}) EXPECT_EQ(Parse(line).reading, kMapLineBlank);
}

// ----- the whole list -----

TEST(ButtonMapList, LinesReplaceTheirCodesAndEveryOtherCodeKeepsTheFixedTable) {
    ButtonActions actions;
    SetBuiltInActions(actions);
    const std::u16string list = List({"08=Shift+F13", "1C = Up", "40=MediaPlayPause", "21=F5", "33=none"});
    const ButtonMapResult result = ApplyButtonMapLines(actions, list.data(), list.size(), false);
    EXPECT_EQ(result.applied, 5u);
    EXPECT_EQ(result.ignored, 0u);
    EXPECT_EQ(result.firstIgnored[0], 0);
    EXPECT_TRUE(SameChord(actions.action[0x40].chord, {0, 0, 0xB3}));
    EXPECT_EQ(actions.action[0x21].kind, kActionChord);
    EXPECT_TRUE(SameChord(actions.action[0x21].chord, {0, 0, 0x74}));
    EXPECT_EQ(actions.action[0x33].chord.vk, 0);
    for (int code = 0; code < 256; ++code)
        if (code != 0x21 && code != 0x33 && code != 0x40) EXPECT_TRUE(IsBuiltIn(actions, code)) << code;
}

TEST(ButtonMapList, EachCodeIsNamedOnceAndABadFirstLineKeepsTheBuiltInAction) {
    ButtonActions actions;
    SetBuiltInActions(actions);
    const std::u16string list =
        List({"; my remote", "08=Foo", "08=F1", "0A=F2", "0a=F3", "   ", "zz=F4", "0B=F5", "100=F6"});
    const ButtonMapResult result = ApplyButtonMapLines(actions, list.data(), list.size(), false);
    EXPECT_EQ(result.applied, 2u);  // 0A=F2, 0B=F5
    EXPECT_EQ(result.ignored, 5u);  // 08=Foo, 08=F1, 0a=F3, zz=F4, 100=F6
    EXPECT_EQ(std::u16string(result.firstIgnored), u"08=Foo");
    EXPECT_TRUE(IsBuiltIn(actions, 0x08));
    EXPECT_TRUE(SameChord(actions.action[0x0A].chord, {0, 0, 0x71}));
    EXPECT_TRUE(SameChord(actions.action[0x0B].chord, {0, 0, 0x74}));
}

TEST(ButtonMapList, ALongBadLineIsQuotedCutWithAnEllipsisAndNothingIsReadPastTheLength) {
    ButtonActions actions;
    SetBuiltInActions(actions);
    const std::string longLine = "08=" + std::string(200, 'x');
    std::u16string list = List({longLine, "0A=F2"});
    const ButtonMapResult result = ApplyButtonMapLines(actions, list.data(), list.size(), false);
    EXPECT_EQ(result.ignored, 1u);
    const std::u16string quoted = result.firstIgnored;
    ASSERT_EQ(quoted.size(), kQuotedLineCapacity - 1);
    EXPECT_EQ(quoted.back(), u'\u2026');
    EXPECT_EQ(quoted.substr(0, 3), u"08=");

    // A list without its terminators is read only as far as it is long.
    SetBuiltInActions(actions);
    const std::u16string bare = u"0A=F2";
    EXPECT_EQ(ApplyButtonMapLines(actions, bare.data(), 3, false).ignored, 1u);  // "0A=" alone
    EXPECT_TRUE(IsBuiltIn(actions, 0x0A));
}

TEST(ButtonMapList, TheLastLineOfACutListIsIgnoredEvenWhenWhatRemainsReads) {
    ButtonActions actions;
    SetBuiltInActions(actions);
    const std::u16string list = List({"0A=F2", "08=F1"});  // "08=F1" may have been "08=F13"
    const ButtonMapResult result = ApplyButtonMapLines(actions, list.data(), list.size(), true);
    EXPECT_EQ(result.applied, 1u);
    EXPECT_EQ(result.ignored, 1u);
    EXPECT_EQ(std::u16string(result.firstIgnored), u"08=F1");
    EXPECT_TRUE(IsBuiltIn(actions, 0x08));
}

TEST(MessageText, PlacesAreFilledWithinTheBufferAndUserTextIsNeverAFormat) {
    const char16_t* args[] = {u"3", u"08=%1 %s %n"};
    char16_t out[64];
    FillPlaces(u"%1 lines, first \u300C%2\u300D, 100%%, %3 stays", args, 2, out, 64);
    EXPECT_EQ(std::u16string(out), u"3 lines, first \u300C08=%1 %s %n\u300D, 100%, %3 stays");
    char16_t small[6];
    FillPlaces(u"%1 lines", args, 2, small, 6);
    EXPECT_EQ(std::u16string(small), u"3 lin");
    EXPECT_EQ(std::u16string(FormatDecimal(0).text), u"0");
    EXPECT_EQ(std::u16string(FormatDecimal(4294967295u).text), u"4294967295");
}

// ----- at start -----

class ButtonMapProgramTest : public ViewerDeskTest {
protected:
    void Lines_(const std::vector<std::string>& lines) {
        std::vector<std::u16string> section;
        for (const auto& line : lines) section.push_back(U(line));
        desk.SetSectionLines(kIni, u"Buttons", section);
    }
};

TEST_F(ButtonMapProgramTest, WithNoSectionOrAnEmptyOneEveryCodeDoesWhatTheFixedTableSays) {
    Start();
    ASSERT_NE(Records(), nullptr);
    for (int code = 0; code < 256; ++code) EXPECT_TRUE(IsBuiltIn(Records()->buttonMaps.all, code)) << code;
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 0);
    MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
    EXPECT_EQ(Records(), nullptr);

    Lines_({});
    desk.SetProfileString(kIni, u"Korvanta", u"TVTC_MODE", u"00000001");
    Start();
    for (int code = 0; code < 256; ++code) EXPECT_TRUE(IsBuiltIn(Records()->buttonMaps.all, code)) << code;
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 0);
}

TEST_F(ButtonMapProgramTest, IgnoredLinesAreToldOnceInABalloonWithTheirCountAndTheFirstOne) {
    desk.strings[IDS_BUTTONMAP_IGNORED] = u"%1 ignored, first [%2]";
    Lines_({"08=Shift+F13", "1C=Foo", "1C=Up", "00=F1"});
    Start();
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "3 ignored, first [1C=Foo]");
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfoTitle), "string " + std::to_string(IDS_BUTTONMAP_IGNORED_TITLE));
    EXPECT_EQ(desk.lastTrayBalloon.uFlags, NIF_INFO);
    EXPECT_TRUE(IsBuiltIn(Records()->buttonMaps.all, 0x1C));
    // Nothing else brings it back, and the map is never written.
    Command(IDM_MODE_DIRECT);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 1);
    EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW(Buttons").empty());
}

TEST_F(ButtonMapProgramTest, ASectionLargerThanTheFirstBufferIsReadWholeAndOneBeyondTheBoundIsCut) {
    // Lines the map takes for comments and the platform still returns (it
    // leaves out only those starting with ';').
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) lines.push_back("# " + std::string(20, 'c'));
    lines.push_back("08=F1");
    Lines_(lines);
    mainWindow = CreateMainWindow(instance);
    EXPECT_EQ(desk.CallsMatching("GetPrivateProfileSectionW(Buttons").size(), 4u);  // 1024, 2048, 4096, 8192
    EXPECT_TRUE(SameChord(Records()->buttonMaps.all.action[0x08].chord, {0, 0, 0x70}));
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 0);
    MainWindowProc(mainWindow, WM_DESTROY, 0, 0);

    lines.clear();
    for (int i = 0; i < 700; ++i) lines.push_back("# " + std::string(100, 'c'));
    lines.push_back("08=F1");
    Lines_(lines);
    desk.ClearCalls();
    mainWindow = CreateMainWindow(instance);
    const auto reads = desk.CallsMatching("GetPrivateProfileSectionW(Buttons");
    EXPECT_NE(reads.back().find("capacity 65536"), std::string::npos);
    EXPECT_TRUE(IsBuiltIn(Records()->buttonMaps.all, 0x08));
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 1);  // the cut line
}

// ----- pressing a mapped button -----

TEST_F(ButtonMapProgramTest, AMappedChordTakesTheRouteOfItsKeyInEveryMode) {
    Lines_({"08=Up", "1C=F5", "0A=Shift+Up", "40=MediaPlayPause"});
    Start();
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    Command(IDM_MODE_DIRECT);
    EXPECT_EQ(Pressed(0x1C), Lines{Post("viewer", "0x74", "0x1")});
    EXPECT_EQ(Pressed(0x08), PlainDirectionKey("viewer", "0x26"));
    EXPECT_EQ(Pressed(0x40), Lines{Post("viewer", "0xB3", "0x1")});
    ChildOf(viewer, kTvTestChannelDisplay, "channel");
    EXPECT_EQ(Pressed(0x08), PlainDirectionKey("channel", "0x26"));
    Command(IDM_MODE_HDUS);
    EXPECT_EQ(Pressed(0x40),
              (Lines{"OpenProcess(access 0x1000, inherit 0, pid 100)", "SendInput[0xB3 down]", "SendInput[0xB3 up]"}));
}

TEST_F(ButtonMapProgramTest, TheIgnoreFlagDropsAMappedPlainDirectionKeyButNotAModifiedOne) {
    desk.SetProfileString(kIni, u"Korvanta", u"IgnoreCursor", u"00000001");
    Lines_({"08=Up", "0A=Shift+Up", "1C=F5"});
    Start();
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    for (unsigned mode : {IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG}) {
        Command(mode);
        EXPECT_EQ(Pressed(0x08), Lines{}) << mode;
        EXPECT_NE(Pressed(0x0A), Lines{}) << mode;
        EXPECT_NE(Pressed(0x1C), Lines{}) << mode;  // the old Up button is now F5
    }
}

TEST_F(ButtonMapProgramTest, BringToFrontMovesToAnotherCodeAnd0x21CanBeGivenAKeyOrNothing) {
    Lines_({"40=BringToFront", "21=F1"});
    Start();
    Command(IDM_MODE_DIRECT);
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    Below(kTvTestWindow, 100, "viewer");
    const Lines front = Pressed(0x40);
    EXPECT_NE(std::find(front.begin(), front.end(), "SetForegroundWindow(viewer)"), front.end());
    EXPECT_EQ(Pressed(0x21), Lines{Post("viewer", "0x70", "0x1")});
    MainWindowProc(mainWindow, WM_DESTROY, 0, 0);

    Lines_({"21=none"});
    Start();
    Command(IDM_MODE_DIRECT);
    EXPECT_EQ(Pressed(0x21), Lines{});
}
