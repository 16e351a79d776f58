// Hand edits of Korvanta.ini take effect while Korvanta runs: the message
// loop waits on the folder's change notification, lets a change settle, and
// the main window reads the map, StartViewer and the log again.
#include <deque>
#include <functional>

#include "app/SettingsWatch.h"
#include "tests/ProgramTest.h"

using namespace win;

namespace {

class SettingsReloadTest : public ProgramTest {
protected:
    // Steps the user takes while the loop waits, one each time it would wait
    // for ever; after the last the scenario ends.
    void Run(std::initializer_list<std::function<void()>> steps) {
        std::deque<std::function<void()>> queue(steps);
        desk.onIdle = [&] {
            if (queue.empty()) return false;
            queue.front()();
            queue.pop_front();
            return true;
        };
        desk.existingMutexes.clear();  // the copy before has ended
        RunKorvanta(instance);
        mainWindow = desk.TopLevelZOrder().front();
    }

    // As an editor that writes a new file and renames it over the old one.
    void SaveByRename(const std::u16string& text) {
        const std::u16string temporary = kIni + u".tmp";
        desk.SetFileText(temporary, text, sim::SimDesktop::Encoding::kAnsi);
        desk.recording = false;
        desk.MoveFileExW(temporary.c_str(), kIni.c_str(), MOVEFILE_REPLACE_EXISTING);
        desk.recording = true;
    }

    void SaveInPlace(const std::u16string& text) { desk.SetFileText(kIni, text, sim::SimDesktop::Encoding::kAnsi); }

    const ButtonAction& Action(int code) { return Records()->buttonMaps.all.action[code]; }
    std::size_t MapReads() { return desk.CallsMatching("GetPrivateProfileSectionW(Buttons").size(); }
    std::vector<std::string> Waits() { return desk.CallsMatching("MsgWaitForMultipleObjectsEx"); }
};

const std::u16string kStart = u"[Korvanta]\r\nTVTC_MODE=00000001\r\n[Buttons]\r\n08=Up\r\n";

}  // namespace

TEST_F(SettingsReloadTest, AHandEditAppliesWithoutARestartWhetherWrittenInPlaceOrByRename) {
    const struct {
        const char* name;
        bool byRename;
    } cases[] = {{"in place", false}, {"by rename", true}};
    for (const auto& c : cases) {
        SaveInPlace(kStart);
        const std::u16string edited = u"[Korvanta]\r\nTVTC_MODE=00000002\r\nStartViewer=\"C:\\TV\\tv.exe\"\r\nLog=1\r\n"
                                      u"[Buttons]\r\n08=Shift+F13\r\n2A=BringToFront\r\n";
        Run({[&] { c.byRename ? SaveByRename(edited) : SaveInPlace(edited); }});
        ASSERT_NE(Records(), nullptr) << c.name;
        EXPECT_EQ(Action(0x08).chord.shift, 1) << c.name;
        EXPECT_EQ(Action(0x08).chord.vk, 0x7C) << c.name;  // F13
        EXPECT_EQ(Action(0x2A).kind, kActionBringToFront) << c.name;
        EXPECT_EQ(Records()->startViewerText, u"C:\\TV\\tv.exe") << c.name;
        EXPECT_TRUE(Records()->pressLog.on) << c.name;
        // The mode is the menu's while running, and written at exit.
        EXPECT_EQ(Router().mode, 1) << c.name;
        MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
        EXPECT_EQ(desk.ProfileValue(kIni, u"TVTC_MODE"), u"00000001") << c.name;
        desk.files.erase(kLog);
        MSG quit{};
        desk.PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE);  // the ended copy's
    }
}

// One save can bring several notifications; the file is read once, after
// the folder has been still, and the loop waits for ever again after it.
TEST_F(SettingsReloadTest, OneSaveIsReadOnceAndNothingWakesTheLoopWhileTheFolderIsStill) {
    SaveInPlace(kStart);
    Run({[&] {
        SaveInPlace(u"[Korvanta]\r\nTVTC_MODE=00000001\r\n[Buttons]\r\n");
        SaveInPlace(u"[Korvanta]\r\nTVTC_MODE=00000001\r\n[Buttons]\r\n08=F5\r\n");
    }});
    EXPECT_EQ(MapReads(), 2u);  // at start, and once after the save
    EXPECT_EQ(Action(0x08).chord.vk, 0x74);
    EXPECT_EQ(Waits(),
              (std::vector<std::string>{
                  "MsgWaitForMultipleObjectsEx(count 1, INFINITE, input available)",  // the save wakes it
                  "MsgWaitForMultipleObjectsEx(count 1, 300 ms, input available)",    // still: the change is read
                  "MsgWaitForMultipleObjectsEx(count 1, INFINITE, input available)",
              }));
}

// Presses keep coming while the folder settles: they do not hold the change
// back, which is read once the pause has passed since the save.
TEST_F(SettingsReloadTest, PressesWhileTheFolderSettlesDoNotHoldTheChangeBack) {
    SaveInPlace(kStart);
    DWORD savedAt = 0, readAt = 0;
    Run({[&] {
        SaveInPlace(u"[Buttons]\r\n08=F5\r\n");
        savedAt = desk.tickCount;
        desk.onWait = [&] {  // a press every 100 ms
            if (readAt == 0 && MapReads() == 2) readAt = desk.tickCount;
            if (desk.tickCount - savedAt > 2000) return;
            desk.tickCount += 100;
            desk.Post(desk.TopLevelZOrder().front(), WM_PAINT, 0, 0);
        };
    }});
    EXPECT_EQ(Action(0x08).chord.vk, 0x74);
    EXPECT_GE(readAt - savedAt, kSettlePause);
    EXPECT_LE(readAt - savedAt, kSettlePause + 200);
}

// The press log shares the folder: its lines wake the loop, but a file that
// did not change is not read again.
TEST_F(SettingsReloadTest, TheLogsOwnWritesInTheFolderReadNothingAgain) {
    SaveInPlace(kStart);
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    const auto press = [&](BYTE code) {
        mainWindow = desk.TopLevelZOrder().front();
        Report1(code);
    };
    Run({[&] { press(0x08); }, [&] { press(0x1C); }});
    EXPECT_TRUE(Records()->pressLog.on);
    EXPECT_GT(desk.FileSize(kLog), 0u);
    EXPECT_EQ(MapReads(), 1u);
}

TEST_F(SettingsReloadTest, TheIgnoredLinesBalloonComesAgainOnlyWhenTheSetOfThemChanged) {
    SaveInPlace(kStart + u"1C=Foo\r\n");
    Run({
        [&] { SaveInPlace(kStart + u"1C=Foo\r\n2A=F5\r\n"); },           // the same bad line
        [&] { SaveInPlace(kStart + u"1C=Foo\r\n2A=F5\r\n33=Bar\r\n"); },  // one more
        [&] { SaveInPlace(kStart); },                                      // none
        [&] { SaveInPlace(kStart + u"1C=Foo\r\n"); },                      // the first again
    });
    EXPECT_EQ(desk.Balloons(IDS_BUTTONMAP_IGNORED_TITLE), 3);
    EXPECT_EQ(MapReads(), 5u);
}

// A hand edit saved as UTF-8 is made UTF-16 like the file at start; that
// rewrite is Korvanta's own and is not read as another edit.
TEST_F(SettingsReloadTest, AUtf8HandEditIsConvertedAndReadAsWrittenOnce) {
    SaveInPlace(kStart);
    Run({[&] {
        desk.SetFileText(kIni, u"[Korvanta]\r\nStartViewer=D:\\テレビ\\TVTest.exe\r\n[Buttons]\r\n08=Up\r\n",
                         sim::SimDesktop::Encoding::kUtf8);
    }});
    EXPECT_EQ(Records()->startViewerText, u"D:\\テレビ\\TVTest.exe");
    EXPECT_EQ(desk.files[kIni].rfind("\xFF\xFE", 0), 0u);
    EXPECT_EQ(MapReads(), 2u);
}

TEST_F(SettingsReloadTest, TurningTheLogOffClosesItAndOnAgainOpensIt) {
    SaveInPlace(kStart + u"[Korvanta]\r\nLog=1\r\n");
    Run({[&] { desk.SetProfileString(kIni, u"Korvanta", u"Log", u"0"); }});
    EXPECT_FALSE(Records()->pressLog.on);
    EXPECT_EQ(desk.openFiles, 0);
    desk.ClearCalls();
    desk.onIdle = [&, done = false]() mutable {
        if (done) return false;
        done = true;
        desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
        return true;
    };
    RunMessageLoop(mainWindow, nullptr);
    EXPECT_TRUE(Records()->pressLog.on);
    EXPECT_EQ(desk.openFiles, 1);
}

// A folder written all the time (the press log while a button is held)
// never stands still: the change is read no later than kLongestSettle after
// it, however often the folder is written.
TEST_F(SettingsReloadTest, AHandEditAppliesWithinASecondWhileTheFolderIsWrittenAllTheTime) {
    for (DWORD every : {50u, 150u, 290u}) {
        SCOPED_TRACE(every);
        SaveInPlace(kStart);
        desk.ClearCalls();
        DWORD savedAt = 0, readAt = 0;
        Run({[&] {
            SaveInPlace(u"[Buttons]\r\n08=F5\r\n");
            savedAt = desk.tickCount;
            desk.onWait = [&] {
                if (readAt == 0 && MapReads() == 2) readAt = desk.tickCount;
                if (desk.tickCount - savedAt > 3000) return;
                desk.tickCount += every;
                desk.SetFileText(u"C:\\Program Files\\Korvanta\\Korvanta.log", u"a press", sim::SimDesktop::Encoding::kAnsi);
            };
        }});
        desk.onWait = nullptr;
        EXPECT_EQ(Action(0x08).chord.vk, 0x74);
        EXPECT_GE(readAt - savedAt, kSettlePause);
        EXPECT_LE(readAt - savedAt, kLongestSettle + every);
        MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
        MSG quit{};
        desk.PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE);
    }
}

TEST_F(SettingsReloadTest, AWatchTheSystemRefusedComesBackWithoutAMessageAndAPressReadsTheEditMeanwhile) {
    desk.changeNotificationFails = true;
    SaveInPlace(kStart);
    int waits = 0;
    desk.onWait = [&] {
        if (++waits == 1) {
            // Edited while unwatched: the next press goes by the edit.
            SaveInPlace(u"[Buttons]\r\n08=F5\r\n");
            desk.Post(mainWindow, WM_INPUT, 0, reinterpret_cast<LPARAM>(desk.AddHidPacket(receiver, {Report(0)})));
        } else if (waits == 2) {
            EXPECT_EQ(Action(0x08).chord.vk, 0x74);
            desk.changeNotificationFails = false;  // no message comes, yet the wait ends for the watch
        }
    };
    Run({});
    desk.onWait = nullptr;
    const std::vector<std::string> seen = Waits();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1], "MsgWaitForMultipleObjectsEx(count 0, 2000 ms, input available)");
    EXPECT_EQ(seen.back(), "MsgWaitForMultipleObjectsEx(count 1, INFINITE, input available)");
}
