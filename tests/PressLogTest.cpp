// The press log: off unless the settings turn it on; then one line per
// receiver report saying where the press went or why it went nowhere, a
// rollover at 1 MB that waits while a reader holds the file, and a log that
// cannot be written stopping with one balloon.
#include <string>

#include "app/PressLog.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

const std::u16string kOldLog = u"C:\\Program Files\\Korvanta\\Korvanta.log.old";
const std::string kStamp = "2024-05-01 21:07:33.042 device=04BB:0F0E ";
const std::string kKeyHookTo =
    kStamp + "code=08 repeat=passed action=Shift+F13 mode=1 lockon=off direction=no route=keyhook to=\"";

}  // namespace

class PressLogTest : public ViewerDeskTest {
protected:
    void StartLogging(int mode) {
        desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
        StartInMode(mode);
        ASSERT_TRUE(Records()->pressLog.on);
    }

    // The lines one fresh press adds to the log (the release before it included).
    std::vector<std::string> Logged(BYTE code) {
        const std::size_t before = desk.files[kLog].size();
        Pressed(code);
        return LinesOf(desk.files[kLog].substr(before));
    }

    static std::vector<std::string> LinesOf(const std::string& added) {
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < added.size();) {
            const std::size_t end = added.find("\r\n", at);
            if (end == std::string::npos) {
                lines.push_back("unterminated: " + added.substr(at));
                break;
            }
            lines.push_back(added.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }

    // The line of a press of code 08 that went to `window` by the key hook,
    // formatted into `capacity` bytes of a buffer that held other bytes before.
    std::string LineFor(HWND window, std::size_t capacity = kPressLineCapacity) {
        const PressEvent event{{0x04BB, 0x0F0E, 0x08},
                               true,
                               {{1, 0, VK_F13}, kActionChord},
                               {1, 0, 0, 0, kRouteKeyHook, kReasonNone, window, 0}};
        std::string line(capacity, '#');
        line.resize(FormatPressLine(desk.localTime, event, line.data(), capacity));
        return line;
    }

    // The line of the press itself, after the release's.
    std::string LoggedPress(BYTE code) {
        const std::vector<std::string> lines = Logged(code);
        if (lines.size() != 2) return "lines: " + std::to_string(lines.size());
        EXPECT_EQ(lines[0], kStamp + "code=00 repeat=swallowed");
        return lines[1];
    }
};

TEST_F(PressLogTest, OffByDefaultThereIsNoFileAndNoFileCall) {
    StartInMode(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    Pressed(0x08);
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_FALSE(desk.HasFile(kLog));
    EXPECT_TRUE(desk.CallsMatching("CreateFileW").empty());
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 0);
}

TEST_F(PressLogTest, OnlyOneTurnsItOnAndTheProgramNeverWritesTheKey) {
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"2");
    Start();
    EXPECT_FALSE(Records()->pressLog.on);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.ProfileValue(kIni, u"Log"), u"2");
    EXPECT_FALSE(desk.HasFile(kLog));
}

TEST_F(PressLogTest, EachRouteIsLoggedWithTheWindowItWentTo) {
    StartLogging(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    EXPECT_EQ(LoggedPress(0x08), kStamp + "code=08 repeat=passed action=Shift+F13 mode=1 lockon=off direction=no "
                                          "route=keyhook to=\"TVTest Window\" pid=100 map=all");
    EXPECT_EQ(LoggedPress(0x1C), kStamp + "code=1C repeat=passed action=Up mode=1 lockon=off direction=yes "
                                          "route=direction-key to=\"TVTest Window\" pid=100 map=all");
    ChildOf(viewer, kTvTestChannelDisplay, "channel");
    EXPECT_EQ(LoggedPress(0x27), kStamp + "code=27 repeat=passed action=Shift+Down mode=1 lockon=off "
                                          "direction=yes route=direction-key to=\"TVTest Channel Display\" pid=100 map=all");
    Command(IDM_MODE_HDUS);
    EXPECT_EQ(LoggedPress(0x0B), kStamp + "code=0B repeat=passed action=Shift+Ctrl+F21 mode=0 lockon=off "
                                          "direction=no route=keystrokes to=\"TVTest Window\" pid=100 map=all");
    EXPECT_EQ(LoggedPress(0x21), kStamp + "code=21 repeat=passed action=BringToFront mode=0 lockon=off "
                                          "direction=no route=front to=\"TVTest Window\" pid=100 map=all");
    LockOnByClicking(viewer);
    EXPECT_EQ(LoggedPress(0x17), kStamp + "code=17 repeat=passed action=Ctrl+F13 mode=0 lockon=on direction=no "
                                          "route=keyhook to=\"TVTest Window\" pid=100 map=all");
    desk.CloseWindow(viewer);
    EXPECT_EQ(LoggedPress(0x17), kStamp + "code=17 repeat=passed action=Ctrl+F13 mode=0 lockon=lost "
                                          "direction=no route=keystrokes to=none map=all");
}

TEST_F(PressLogTest, EachReasonForNothingIsLogged) {
    desk.SetProfileString(kIni, u"Korvanta", u"IgnoreCursor", u"00000001");
    StartLogging(1);
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    EXPECT_EQ(LoggedPress(0x08), kStamp + "code=08 repeat=passed action=Shift+F13 mode=1 lockon=off "
                                          "direction=no route=none reason=no-viewer map=all");
    EXPECT_EQ(LoggedPress(0x21), kStamp + "code=21 repeat=passed action=BringToFront mode=1 lockon=off "
                                          "direction=no route=none reason=no-viewer map=all");
    EXPECT_EQ(LoggedPress(0x02), kStamp + "code=02 repeat=passed action=none mode=1 lockon=off direction=no "
                                          "route=none reason=no-action map=all");
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    EXPECT_EQ(LoggedPress(0x1C), kStamp + "code=1C repeat=passed action=Up mode=1 lockon=off direction=yes "
                                          "route=none reason=ignore-flag map=all");
    desk.refusedPosts.insert(viewer);
    EXPECT_EQ(LoggedPress(0x08), kStamp + "code=08 repeat=passed action=Shift+F13 mode=1 lockon=off "
                                          "direction=no route=none reason=refused error=5 to=\"TVTest Window\" pid=100 map=all");
    desk.refusedPosts.clear();
    Activate(desk.AddWindow(kMagicTvWindow, {.pid = 400, .label = "magic"}));
    EXPECT_EQ(LoggedPress(0x08), kStamp + "code=08 repeat=passed action=Shift+F13 mode=1 lockon=off "
                                          "direction=no route=none reason=magictv-in-front map=all");
}

TEST_F(PressLogTest, TheRepeatFilterIsLoggedAndForeignDevicesStaySilent) {
    StartLogging(1);
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    desk.SetForeground(viewer);
    Report1(0);
    const std::size_t before = desk.files[kLog].size();
    Report1(0x08);
    Report1(0x08);  // held: the repeat waits
    const std::string added = desk.files[kLog].substr(before);
    EXPECT_NE(added.find("code=08 repeat=passed"), std::string::npos);
    EXPECT_NE(added.find(kStamp + "code=08 repeat=swallowed\r\n"), std::string::npos);

    const std::size_t size = desk.files[kLog].size();
    const HANDLE keys = desk.AddHidDevice(0x046D, 0xC31C);
    desk.ClearCalls();
    Input(desk.AddHidPacket(keys, {Report(0x21)}));
    Input(desk.AddHidPacket(desk.AddKeyboardDevice(), {Report(0x08)}));
    EXPECT_EQ(desk.files[kLog].size(), size);
    EXPECT_EQ(WithoutInputEnd(desk.calls), Lines{});
}

TEST_F(PressLogTest, AtOneMegabyteTheLogRollsOverKeepingOneOlderFile) {
    const std::string nearlyFull(kPressLogLimit - 100, 'x');
    desk.files[kLog] = nearlyFull;
    desk.fileSizes[kLog] = nearlyFull.size();
    desk.files[kOldLog] = "older";
    desk.fileSizes[kOldLog] = 5;
    StartLogging(1);
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer"));
    Report1(0);  // a short line that still fits
    EXPECT_EQ(desk.files[kLog].size(), nearlyFull.size() + kStamp.size() + 26);
    EXPECT_EQ(desk.files[kOldLog], "older");
    Report1(0x08);  // a longer one that would not
    EXPECT_TRUE(desk.files[kOldLog].rfind(nearlyFull + kStamp + "code=00 repeat=swallowed\r\n", 0) == 0);
    EXPECT_EQ(desk.files[kOldLog].size(), nearlyFull.size() + kStamp.size() + 26);
    EXPECT_EQ(desk.files[kLog].rfind(kStamp + "code=08 repeat=passed", 0), 0u);
    EXPECT_EQ(desk.files.size(), 3u);  // the settings, the log and one older log
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 0);
    EXPECT_EQ(desk.openFiles, 1);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.openFiles, 0);
}

TEST_F(PressLogTest, ALogThatCannotBeOpenedTellsOnceAndLeavesNoRecord) {
    desk.readOnlyFiles.insert(kLog);
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    StartInMode(1);
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfoTitle), "string " + std::to_string(IDS_LOG_FAILED_TITLE));
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "string " + std::to_string(IDS_LOG_FAILED));
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer"));
    EXPECT_EQ(Pressed(0x08), Lines{Post("viewer", "0x7C", "0x10001")});
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.openFiles, 0);
}

TEST_F(PressLogTest, ALogThatStopsTakingWritesTurnsItselfOffWithOneBalloonAndDeliveryGoesOn) {
    StartLogging(1);
    desk.SetForeground(Below(kTvTestWindow, 100, "viewer"));
    desk.unwritableFiles.insert(kLog);
    EXPECT_EQ(Pressed(0x08), Lines{Post("viewer", "0x7C", "0x10001")});
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.openFiles, 0);
    desk.unwritableFiles.clear();
    Pressed(0x0A);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.files[kLog], "");
}

TEST_F(PressLogTest, ARolloverThatCannotMoveTheFileTurnsTheLogOff) {
    desk.files[kLog] = std::string(kPressLogLimit - 10, 'x');
    desk.fileSizes[kLog] = kPressLogLimit - 10;
    desk.moveFails = true;
    StartLogging(1);
    Report1(0x08);
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_TRUE(desk.files[kLog].size() == kPressLogLimit - 10);
    EXPECT_EQ(desk.openFiles, 0);
}

// A window shows the log as it grows (PowerShell's Get-Content -Wait, a tail
// tool): it holds the file open without delete sharing, so the file cannot
// move, while the log is just under its limit.
class WatchedLogTest : public PressLogTest {
protected:
    void SetUp() override {
        PressLogTest::SetUp();
        desk.files[kLog] = nearlyFull;
        desk.fileSizes[kLog] = nearlyFull.size();
        desk.files[kOldLog] = "older";
        desk.fileSizes[kOldLog] = 5;
        desk.heldByReaders.insert(kLog);
        StartLogging(1);
        desk.SetForeground(Below(kTvTestWindow, 100, "viewer"));
    }

    // One report; the moves of the log it tried.
    Lines MovesOnReport(BYTE code) {
        desk.ClearCalls();
        Report1(code);
        return desk.CallsMatching("MoveFileExW");
    }

    const std::string nearlyFull = std::string(kPressLogLimit - 10, 'x');
    const Lines oneMove{"MoveFileExW(C:\\Program Files\\Korvanta\\Korvanta.log, "
                        "C:\\Program Files\\Korvanta\\Korvanta.log.old, flags 0x1)"};
};

TEST_F(WatchedLogTest, EveryLinePastTheLimitTriesToRollOverAndGoesOnInTheSameFile) {
    const BYTE reports[] = {0x00, 0x08, 0x00, 0x0A, 0x00};
    for (BYTE code : reports) EXPECT_EQ(MovesOnReport(code), oneMove) << "code " << int{code};
    ASSERT_EQ(desk.files[kLog].substr(0, nearlyFull.size()), nearlyFull);
    const Lines lines = LinesOf(desk.files[kLog].substr(nearlyFull.size()));
    ASSERT_EQ(lines.size(), std::size(reports));
    EXPECT_EQ(lines[0], kStamp + "code=00 repeat=swallowed");
    EXPECT_EQ(lines[1].rfind(kStamp + "code=08 repeat=passed action=Shift+F13", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], kStamp + "code=00 repeat=swallowed");
    EXPECT_EQ(lines[3].rfind(kStamp + "code=0A repeat=passed", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], kStamp + "code=00 repeat=swallowed");
    EXPECT_EQ(desk.FileSize(kLog), desk.files[kLog].size());
    EXPECT_GT(desk.FileSize(kLog), kPressLogLimit);
    EXPECT_EQ(desk.files[kOldLog], "older");
    EXPECT_EQ(desk.files.size(), 3u);  // the settings, the log and one older log
    EXPECT_TRUE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 0);
    EXPECT_EQ(desk.openFiles, 1);
    // The press still reaches the viewer; its line goes to the file opened
    // again for appending.
    Pressed(0x08);
    EXPECT_EQ(desk.CallsMatching("PostMessageW"), Lines{Post("viewer", "0x7C", "0x10001")});
    EXPECT_EQ(desk.CallsMatching("CreateFileW"),
              Lines{"CreateFileW(C:\\Program Files\\Korvanta\\Korvanta.log, access 0x4, share 0x1, OPEN_ALWAYS)"});
    EXPECT_EQ(desk.CallsMatching("MoveFileExW"), oneMove);
    EXPECT_EQ(LinesOf(desk.files[kLog].substr(nearlyFull.size())).size(), std::size(reports) + 2);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 0);
}

TEST_F(WatchedLogTest, OnceTheReaderLetsGoTheNextLineRollsOver) {
    Report1(0x08);
    Report1(0x00);
    const std::string watched = desk.files[kLog];
    ASSERT_GT(watched.size(), kPressLogLimit);
    desk.heldByReaders.clear();
    EXPECT_EQ(MovesOnReport(0x0A), oneMove);
    EXPECT_EQ(desk.files[kOldLog], watched);
    EXPECT_EQ(desk.files[kLog].rfind(kStamp + "code=0A repeat=passed", 0), 0u) << desk.files[kLog];
    EXPECT_EQ(LinesOf(desk.files[kLog]).size(), 1u);
    EXPECT_EQ(MovesOnReport(0x00), Lines{});
    EXPECT_EQ(LinesOf(desk.files[kLog]).size(), 2u);
    EXPECT_EQ(desk.files.size(), 3u);  // the settings, the log and one older log
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 0);
    EXPECT_EQ(desk.openFiles, 1);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.openFiles, 0);
}

TEST_F(WatchedLogTest, AWriteThatFailsAfterwardsStillTurnsTheLogOffWithOneBalloon) {
    Report1(0x08);
    ASSERT_TRUE(Records()->pressLog.on);
    const std::string watched = desk.files[kLog];
    desk.unwritableFiles.insert(kLog);
    EXPECT_EQ(MovesOnReport(0x00), oneMove);
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.openFiles, 0);
    desk.unwritableFiles.clear();
    desk.heldByReaders.clear();
    EXPECT_EQ(Pressed(0x0A), Lines{Post("viewer", "0x7E", "0x10001")});
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.files[kLog], watched);
    EXPECT_EQ(desk.files[kOldLog], "older");
}

TEST_F(WatchedLogTest, AFileThatCannotBeOpenedAgainTurnsTheLogOffWithOneBalloon) {
    desk.readOnlyFiles.insert(kLog);
    EXPECT_EQ(MovesOnReport(0x08), oneMove);
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
    EXPECT_EQ(desk.openFiles, 0);
    EXPECT_EQ(desk.files[kLog], nearlyFull);
    Report1(0x00);
    EXPECT_EQ(desk.Balloons(IDS_LOG_FAILED_TITLE), 1);
}

TEST_F(PressLogTest, AClassNameIsWrittenInUtf8WithLoneSurrogatesAndLineBreakersAsQuestionMarks) {
    std::u16string name = u"A\u00E9\u30C6\U0001F600";  // one, two, three and four bytes
    name += {0xD800, u'x', 0xDC00, 0xDC00, 0xD800, u'y'};  // lone halves, and a pair in the wrong order
    name += u"\t\"\x7F";
    name += char16_t{0xD83D};  // a high half that ends the name
    const HWND window = desk.AddWindow(name, {.pid = 100});
    EXPECT_EQ(LineFor(window), kKeyHookTo + "A\xC3\xA9\xE3\x83\x86\xF0\x9F\x98\x80?x???y????\" pid=100 map=all\r\n");

    // The program reads 99 units of a longer name: a pair cut there leaves a lone half.
    const HWND cutPair = desk.AddWindow(std::u16string(98, u'a') + u"\U0001F600", {.pid = 7});
    EXPECT_EQ(LineFor(cutPair), kKeyHookTo + std::string(98, 'a') + "?\" pid=7 map=all\r\n");

    // The longest UTF-8 a name can take: 99 characters of three bytes each.
    const HWND widest = desk.AddWindow(std::u16string(120, u'\u30C6'), {.pid = 7});
    std::string katakana;
    for (int i = 0; i < 99; ++i) katakana += "\xE3\x83\x86";
    EXPECT_EQ(LineFor(widest), kKeyHookTo + katakana + "\" pid=7 map=all\r\n");
}

TEST_F(PressLogTest, ALineCutInsideAClassNameEndsAfterItsLastWholeCharacter) {
    const HWND window = desk.AddWindow(u"ab\U0001F600c", {.pid = 100});
    const std::size_t room = kKeyHookTo.size() + 2;  // the line's text and its CR LF
    EXPECT_EQ(LineFor(window, room + 2 + 3), kKeyHookTo + "ab\r\n");
    EXPECT_EQ(LineFor(window, room + 2 + 4), kKeyHookTo + "ab\xF0\x9F\x98\x80\r\n");
    EXPECT_EQ(LineFor(window, room + 7 + 5), kKeyHookTo + "ab\xF0\x9F\x98\x80" "c\" pid\r\n");
}
