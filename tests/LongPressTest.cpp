// A second action on a long press: a tap and a hold of a button told apart by
// the times of the receiver's reports and of the hold timer.
#include "app/ButtonPress.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

// A receiver report of `code` (0: the release), or the hold timer ringing.
struct Step {
    int code;  // -1 for the timer
    DWORD at;  // milliseconds after the first step
};
constexpr int kTimer = -1;

struct Case {
    const char* what;
    bool playerInFront;
    std::vector<Step> steps;
    Lines delivered;
};

}  // namespace

class LongPressTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr, player = nullptr;

    void SetUp() override {
        ViewerDeskTest::SetUp();
        viewer = Below(kTvTestWindow, 100, "viewer");
        player = Below(u"MediaPlayerClassicW", 200, "player");
        desk.processImages = {{100, u"C:\\TV\\TVTest.exe"}, {200, u"C:\\MPC\\mpc-be64.exe"}};
        desk.SetSectionLines(kIni, u"Buttons", {u"2A=F5", u"2A.long=Shift+F6"});
        desk.SetSectionLines(kIni, u"Buttons:mpc-be64.exe", {u"0A.long=Space"});
    }

    // What the steps deliver, each step at its time.
    Lines Run(const std::vector<Step>& steps) {
        const DWORD start = desk.tickCount;
        desk.ClearCalls();
        for (const Step& step : steps) {
            desk.tickCount = start + step.at;
            if (step.code == kTimer) MainWindowProc(mainWindow, WM_TIMER, kHoldTimer, 0);
            else Report1(static_cast<BYTE>(step.code));
        }
        Lines delivered;
        for (const std::string& line : desk.calls)
            if (line.rfind("PostMessageW(viewer", 0) == 0 || line.rfind("SendInput", 0) == 0) delivered.push_back(line);
        return delivered;
    }
};

TEST_F(LongPressTest, ATapGivesTheShortActionAtItsReleaseAndAHoldTheLongOneOnceAtTheHoldTime) {
    const Lines f5{Post("viewer", "0x74", "0x1")}, shiftF6{Post("viewer", "0x75", "0x10001")};
    const Case cases[] = {
        {"a tap: the short action at the release", false, {{0x2A, 0}, {0, 150}}, f5},
        {"a hold with the receiver's repeats: the long action at the report that reaches the time, once", false,
         {{0x2A, 0}, {0x2A, 300}, {0x2A, 450}, {0x2A, 600}, {0x2A, 750}, {0x2A, 900}, {0x2A, 1050}, {0, 1200}},
         shiftF6},
        {"a hold without further reports: the long action as the timer rings", false,
         {{0x2A, 0}, {kTimer, 600}, {0, 2500}}, shiftF6},
        {"a timer that rings early is set again for the rest", false,
         {{0x2A, 0}, {kTimer, 590}, {kTimer, 600}, {0, 700}}, shiftF6},
        {"a release exactly at the hold time is a hold", false, {{0x2A, 0}, {0, 600}}, shiftF6},
        {"a release just before it is a tap", false, {{0x2A, 0}, {0, 599}}, f5},
        {"another button ends the hold as a release would, and goes itself", false,
         {{0x2A, 0}, {0x08, 200}, {0, 300}}, {f5[0], Post("viewer", "0x7C", "0x10001")}},
        {"a button without a long action fires at once and repeats as before", false,
         {{0x08, 0}, {0x08, 100}, {0x08, 200}, {0x08, 300}, {0x08, 400}, {0x08, 500}, {0x08, 600}, {0, 700}},
         {Post("viewer", "0x7C", "0x10001"), Post("viewer", "0x7C", "0x10001")}},
        {"a program's long action, typed into it; a tap follows every program's map, to the viewer", true,
         {{0x0A, 0}, {kTimer, 600}, {0, 800}, {0x0A, 1000}, {0, 1100}},
         {"SendInput[0x20 down]", "SendInput[0x20 up]", Post("viewer", "0x7E", "0x10001")}},
    };
    Start();
    Command(IDM_MODE_DIRECT);
    for (const Case& c : cases) {
        Activate(c.playerInFront ? player : viewer);
        EXPECT_EQ(Run(c.steps), c.delivered) << c.what;
        EXPECT_EQ(desk.LiveTimers(), 0) << c.what;
        desk.tickCount += 10000;
    }
}

TEST_F(LongPressTest, AHoldWhoseReportsStopEndsASecondAfterTheLastAndTheButtonActsAgain) {
    const Lines f5{Post("viewer", "0x74", "0x1")}, shiftF6{Post("viewer", "0x75", "0x10001")};
    const Case cases[] = {
        {"the timer that rings a second after the last report ends the hold, with nothing more", false,
         {{0x2A, 0}, {0x2A, 150}, {kTimer, 600}, {kTimer, 1100}, {kTimer, 1150}}, shiftF6},
        {"the next press of the button then acts", false,
         {{0x2A, 0}, {kTimer, 600}, {kTimer, 1000}, {0x2A, 1200}, {0, 1300}}, {shiftF6[0], f5[0]}},
        {"a report after a timer late to notice: another button acts, the held one gives nothing", false,
         {{0x2A, 0}, {kTimer, 600}, {0x08, 1700}, {0, 1800}}, {shiftF6[0], Post("viewer", "0x7C", "0x10001")}},
        {"a hold still repeating is not ended; its release gives nothing more", false,
         {{0x2A, 0}, {0x2A, 300}, {kTimer, 600}, {0x2A, 900}, {kTimer, 1300}, {0x2A, 1700}, {kTimer, 2300},
          {0x2A, 2500}, {0, 2600}},
         shiftF6},
    };
    Start();
    Command(IDM_MODE_DIRECT);
    for (const Case& c : cases) {
        Activate(viewer);
        EXPECT_EQ(Run(c.steps), c.delivered) << c.what;
        EXPECT_FALSE(Holding(Records()->hold)) << c.what;
        EXPECT_EQ(desk.LiveTimers(), 0) << c.what;
        desk.tickCount += 10000;
    }
}

TEST_F(LongPressTest, TheHoldTimeIsReadFrom200To3000AndAnythingElseIsTheDefault) {
    const struct {
        const char16_t* written;
        std::uint32_t used;
        bool unusable;
    } cases[] = {
        {u"", 600, false},   {u"200", 200, false}, {u"3000", 3000, false}, {u"0450", 450, false},
        {u"199", 600, true}, {u"3001", 600, true}, {u"4.5", 600, true},    {u"300ms", 600, true},
    };
    SettingsFile settings{kIni};
    for (const auto& c : cases) {
        desk.SetProfileString(kIni, u"Korvanta", u"LongPress", c.written);
        const HoldTimeSetting read = ReadHoldTime(settings);
        EXPECT_EQ(read.milliseconds, c.used) << sim::Narrow(c.written);
        EXPECT_EQ(read.unusable, c.unusable) << sim::Narrow(c.written);
    }
}

TEST_F(LongPressTest, TheLogNamesEachPartOfAPressAndAnUnusableHoldTimeOnce) {
    desk.SetProfileString(kIni, u"Korvanta", u"LongPress", u"5000");
    desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
    StartInMode(1);
    Activate(viewer);
    Run({{0x2A, 0}, {0, 100}, {0x2A, 1000}, {kTimer, 1600}, {0, 1700}});
    std::string log = desk.files.at(kLog);
    for (std::size_t at; (at = log.find("2024-")) != std::string::npos;) log.erase(at, 24);  // the stamps
    EXPECT_EQ(log,
              "setting LongPress=\"5000\" unusable, hold time=600\r\n"
              "device=04BB:0F0E code=2A repeat=passed press=held map=all\r\n"
              "device=04BB:0F0E code=2A repeat=passed press=short action=F5 mode=1 lockon=off direction=no "
              "route=keyhook to=\"TVTest Window\" pid=100 map=all\r\n"
              "device=04BB:0F0E code=00 repeat=swallowed\r\n"
              "device=04BB:0F0E code=2A repeat=passed press=held map=all\r\n"
              "device=04BB:0F0E code=2A repeat=passed press=long action=Shift+F6 mode=1 lockon=off direction=no "
              "route=keyhook to=\"TVTest Window\" pid=100 map=all\r\n"
              "device=04BB:0F0E code=00 repeat=swallowed\r\n");
}
