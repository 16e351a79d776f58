// Other remotes: their reports read through the system's HID parser into
// presses and releases, their buttons named in the map as VVVV:PPPP:UUUU,
// and a press of one on its way to the program in front.
#include "remote/OtherRemote.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

using Held = std::vector<USAGE>;

std::string Changes(const OtherRemotes& remotes) {
    std::string text;
    char part[16];
    for (const OtherButtonChange& change : remotes.changes) {
        std::snprintf(part, sizeof part, "%s%c%02X", text.empty() ? "" : " ", change.pressed ? '+' : '-', change.usage);
        text += part;
    }
    return text;
}

}  // namespace

TEST(OtherRemoteTest, EachReportIsComparedWithTheOneBeforeItOfTheSameReportId) {
    struct Step {
        const char* what;
        std::vector<std::pair<BYTE, Held>> reports;  // one packet: report ID and the usages held
        std::string changes;
    };
    struct Device {
        const char* what;
        sim::SimDesktop::HidLayout layout;
        std::vector<Step> steps;
    };
    const Device devices[] = {
        {"an array of two 16-bit usages",
         {0, 2, {}, 0x0C},
         {{"one button", {{0, {0xCD}}}, "+CD"},
          {"the same set again", {{0, {0xCD}}}, ""},
          {"a second button beside it", {{0, {0xCD, 0xE9}}}, "+E9"},
          {"both let go", {{0, {}}}, "-CD -E9"},
          {"an empty report with nothing held", {{0, {}}}, ""},
          {"from one button straight to another", {{0, {0xB5}}}, "+B5"},
          {"", {{0, {0xB6}}}, "-B5 +B6"},
          {"a tap within one packet", {{0, {}}, {0, {0x40}}, {0, {}}}, "-B6 +40 -40"}}},
        {"a bitmap with report ID 2",
         {2, 0, {0xE9, 0xEA, 0xE2, 0xCD, 0xB5, 0xB6}, 0x0C},
         {{"its own report", {{2, {0xE2}}}, "+E2"},
          {"another report ID says nothing of its buttons", {{3, {}}}, ""},
          {"two bits", {{2, {0xE2, 0xCD}}}, "+CD"},
          {"released", {{2, {}}}, "-E2 -CD"}}},
        {"no consumer page: nothing to read", {0, 2, {}, 0x01}, {{"a report", {{0, {0xCD}}}, ""}}},
    };
    for (const Device& d : devices) {
        sim::SimDesktop desk;
        SetPlatform(&desk);
        const HANDLE device = desk.AddConsumerDevice(0x045E, 0x0800, d.layout);
        OtherRemotes remotes;
        for (const Step& step : d.steps) {
            std::vector<std::vector<BYTE>> reports;
            for (const auto& report : step.reports) reports.push_back(desk.ConsumerReport(device, report.second, report.first));
            ReadOtherRemote(remotes, desk.AddHidPacket(device, reports), OtherDeviceId{device, 0x045E, 0x0800});
            EXPECT_EQ(Changes(remotes), step.changes) << d.what << ": " << step.what;
        }
        SetPlatform(nullptr);
    }
}

TEST(OtherRemoteTest, AHandleTheSystemGaveToAnotherDeviceIsReadAnew) {
    sim::SimDesktop desk;
    SetPlatform(&desk);
    const HANDLE device = desk.AddConsumerDevice(0x045E, 0x0800);
    OtherRemotes remotes;
    const OtherDeviceId first{device, 0x045E, 0x0800};
    ReadOtherRemote(remotes, desk.AddHidPacket(device, {desk.ConsumerReport(device, {0xCD})}), first);
    EXPECT_EQ(Changes(remotes), "+CD");

    // Gone, with nothing left to read: nothing is served from what was kept.
    desk.UnplugDevice(device);
    EXPECT_FALSE(ReadOtherRemote(remotes, desk.AddHidPacket(device, {desk.ConsumerReport(device, {})}), first));
    EXPECT_TRUE(remotes.devices.empty());

    // Its handle now names a bitmap device of another maker.
    desk.ReuseDeviceHandle(device, 0x1234, 0x5678, {0, 0, {0xCD, 0xE2}, 0x0C});
    ReadOtherRemote(remotes, desk.AddHidPacket(device, {desk.ConsumerReport(device, {0xE2})}),
                    OtherDeviceId{device, 0x1234, 0x5678});
    EXPECT_EQ(Changes(remotes), "+E2");
    const int reads = desk.preparsedReads;
    ReadOtherRemote(remotes, desk.AddHidPacket(device, {desk.ConsumerReport(device, {})}),
                    OtherDeviceId{device, 0x1234, 0x5678});
    EXPECT_EQ(Changes(remotes), "-E2");
    EXPECT_EQ(desk.preparsedReads, reads) << "a device's descriptor is read once";
    SetPlatform(nullptr);
}

TEST(OtherRemoteTest, MapLinesNameAnotherRemotesButtonByVendorProductAndUsage) {
    struct Case {
        const char16_t* line;
        MapLineReading reading;
        OtherButton button;
        bool longPress;
    };
    const Case cases[] = {
        {u"045E:0800:00CD=Space", kMapLineGood, {0x045E, 0x0800, 0xCD}, false},
        {u" 045e:0800:00cd.LONG = Ctrl+F5 ", kMapLineGood, {0x045E, 0x0800, 0xCD}, true},
        {u"FFFF:FFFF:029C=BringToFront", kMapLineGood, {0xFFFF, 0xFFFF, 0x029C}, false},
        {u"045E:0800:00CD=Nonsense", kMapLineBadAction, {0x045E, 0x0800, 0xCD}, false},
        {u"045E:0800:0000=Space", kMapLineBadCode, {}, false},
        {u"045E:800:00CD=Space", kMapLineBadCode, {}, false},
        {u"045E-0800-00CD=Space", kMapLineBadCode, {}, false},
        {u"045E:0800:00CD.longer=Space", kMapLineBadCode, {}, false},
        {u"045E:0800:00CD Space", kMapLineBadCode, {}, false},
        {u"; 045E:0800:00CD=Space", kMapLineBlank, {}, false},
    };
    for (const Case& c : cases) {
        const std::u16string line = c.line;
        OtherButton button{};
        ButtonAction action{};
        bool longPress = false;
        const MapLineReading reading = ParseOtherButtonLine(line.data(), line.size(), button, action, nullptr, &longPress);
        EXPECT_EQ(reading, c.reading) << std::string(line.begin(), line.end());
        if (reading == kMapLineBadCode || reading == kMapLineBlank) continue;
        EXPECT_TRUE(button == c.button) << std::string(line.begin(), line.end());
        EXPECT_EQ(longPress, c.longPress) << std::string(line.begin(), line.end());
    }

    // Laid over the table beside the receiver's codes: the first line of a
    // button decides, and a bad action leaves it doing nothing.
    const char16_t list[] = u"045E:0800:00CD=Space\0" u"08=F2\0" u"045E:0800:00CD=F5\0" u"045E:0800:00B5=Bogus\0"
                            u"045E:0800:00B5=F6\0" u"045E:0800:00CD.long=Ctrl+F7\0";
    ButtonActions actions;
    SetBuiltInActions(actions);
    const ButtonMapResult result = ApplyButtonMapLines(actions, list, sizeof list / sizeof list[0] - 1, false);
    EXPECT_EQ(result.applied, 3u);
    EXPECT_EQ(result.ignored, 3u);
    const OtherButtonActions* playPause = FindOtherButton(actions, {0x045E, 0x0800, 0xCD});
    ASSERT_NE(playPause, nullptr);
    EXPECT_EQ(FormatButtonAction(playPause->action, nullptr), u"Space");
    EXPECT_EQ(FormatButtonAction(playPause->longAction, nullptr), u"Ctrl+F7");
    const OtherButtonActions* next = FindOtherButton(actions, {0x045E, 0x0800, 0xB5});
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->own);
    EXPECT_EQ(FormatButtonAction(actions.action[0x08], nullptr), u"F2");
}

class OtherRemotePressTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr, player = nullptr;
    HANDLE remote = nullptr, unnamed = nullptr;

    void SetUp() override {
        ViewerDeskTest::SetUp();
        viewer = Below(kTvTestWindow, 100, "viewer");
        player = Below(u"MediaPlayerClassicW", 200, "player");
        desk.processImages[100] = u"C:\\TV\\TVTest.exe";
        desk.processImages[200] = u"C:\\Program Files\\MPC-BE\\mpc-be64.exe";
        remote = desk.AddConsumerDevice(0x045E, 0x0800);
        unnamed = desk.AddConsumerDevice(0x1234, 0x5678);
        desk.AddProfileLine(kIni, u"Buttons", u"045E:0800:00CD=F9");
        desk.AddProfileLine(kIni, u"Buttons", u"045E:0800:00B5.long=F11");
        desk.AddProfileLine(kIni, u"Buttons:MPC-BE64.EXE", u"045E:0800:00CD=Space");
        desk.AddProfileLine(kIni, u"Buttons:MPC-BE64.EXE", u"045E:0800:00B5=F2");
    }

    void Send(HANDLE device, const Held& held) { Input(desk.AddHidPacket(device, {desk.ConsumerReport(device, held)})); }

    // What the button's press and release send or post, each in turn.
    std::string Deliveries() {
        std::string text;
        for (const std::string& line : WithoutInputEnd(desk.calls))
            if (line.rfind("SendInput", 0) == 0 || line.rfind("PostMessageW", 0) == 0) text += (text.empty() ? "" : " ") + line;
        desk.ClearCalls();
        return text;
    }
};

TEST_F(OtherRemotePressTest, AButtonActsThroughTheMapThatNamesItAndNothingElseDoes) {
    struct Case {
        const char* what;
        HWND front;
        HANDLE* device;
        USAGE usage;
        int heldFor;  // milliseconds before the release; the hold timer rings at the hold time
        std::string delivered;
    };
    const Case cases[] = {
        {"[Buttons]' line, to the viewer (mode 1)", viewer, &remote, 0xCD, 0, Post("viewer", "0x78", "0x1")},
        {"the player's own line, typed into it", player, &remote, 0xCD, 0, "SendInput[0x20 down] SendInput[0x20 up]"},
        {"no line for the button: nothing", viewer, &remote, 0xB0, 0, ""},
        {"a device no line names: nothing", viewer, &unnamed, 0xCD, 0, ""},
        {"a tap of a button with a long action: its short one, at the release", player, &remote, 0xB5, 100,
         "SendInput[0x71 down] SendInput[0x71 up]"},
        {"a tap where only a long action is named: nothing", viewer, &remote, 0xB5, 100, ""},
        {"a hold: the long action, once, and nothing at the release", viewer, &remote, 0xB5, 900,
         Post("viewer", "0x7A", "0x1")},
    };
    Start();
    Command(IDM_MODE_HDUS + 1);
    for (const Case& c : cases) {
        Activate(c.front);
        desk.ClearCalls();
        Send(*c.device, {c.usage});
        desk.tickCount += c.heldFor;
        if (c.heldFor >= static_cast<int>(kDefaultHoldTime)) MainWindowProc(mainWindow, WM_TIMER, kOtherHoldTimer, 0);
        Send(*c.device, {});
        EXPECT_EQ(Deliveries(), c.delivered) << c.what;
    }
    EXPECT_EQ(desk.LiveTimers(), 0);
}

TEST_F(OtherRemotePressTest, ADeviceNoLineNamesIsReadNoFurtherThanItsIds) {
    Start();
    Activate(viewer);
    for (int i = 0; i < 3; ++i) Send(unnamed, {0xCD});
    EXPECT_EQ(desk.preparsedReads, 0);
    EXPECT_EQ(desk.usageReads, 0);
    // The receiver's own road is as it was.
    const Lines pressed = Pressed(0x08);
    EXPECT_NE(std::find(pressed.begin(), pressed.end(), "SendInput[Shift down, F13 down]"), pressed.end());
}

TEST_F(OtherRemotePressTest, EachButtonKeepsItsOwnPauseBeforeStartingAgain) {
    desk.SetSectionLines(kIni, u"Buttons", {u"045E:0800:00B0=Run \"C:\\TV\\a.exe\"", u"045E:0800:00B1=Run \"C:\\TV\\b.exe\""});
    Start();
    Activate(viewer);
    for (USAGE usage : {0xB0, 0xB1, 0xB0}) {
        Send(remote, {usage});
        Send(remote, {});
        desk.tickCount += 300;
    }
    EXPECT_EQ(desk.CallsMatching("CreateProcessW").size(), 2u) << "a.exe and b.exe once each: a.exe again too soon";
}

// The hold's own timer may ring early (one left from a hold that ended), late
// (the program was busy) or after the maps were read again without the
// long line: the time held decides, and nothing acts on an action gone.
TEST_F(OtherRemotePressTest, TheTimeHeldDecidesHowAHoldEndsWhenTheTimerRingsEarlyLateOrAfterAReload) {
    struct Case {
        const char* what;
        int timerAt;    // milliseconds after the press when WM_TIMER comes; -1 never
        int releaseAt;  // when the release comes
        const char16_t* mapsReadAgain;  // [Buttons] read again after the press, or null
        std::string delivered;
    };
    const Case cases[] = {
        {"a timer left from an earlier hold rings at once: a tap still", 0, 100, nullptr, ""},
        {"the timer late: the release after the hold time gives the long action", -1, 900, nullptr,
         Post("viewer", "0x7A", "0x1")},
        {"the long line gone with the maps read again: nothing at the hold time", 700, 900, u"045E:0800:00CD=F9", ""},
    };
    Start();
    Command(IDM_MODE_HDUS + 1);
    Activate(viewer);
    for (const Case& c : cases) {
        desk.SetSectionLines(kIni, u"Buttons", {u"045E:0800:00CD=F9", u"045E:0800:00B5.long=F11"});
        MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
        desk.ClearCalls();
        Send(remote, {0xB5});
        if (c.mapsReadAgain) {
            desk.SetSectionLines(kIni, u"Buttons", {c.mapsReadAgain});
            MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
        }
        if (c.timerAt >= 0) {
            desk.tickCount += c.timerAt;
            MainWindowProc(mainWindow, WM_TIMER, kOtherHoldTimer, 0);
        }
        desk.tickCount += c.releaseAt - std::max(c.timerAt, 0);
        Send(remote, {});
        EXPECT_EQ(Deliveries(), c.delivered) << c.what;
    }
}
