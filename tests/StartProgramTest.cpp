// The remote starts programs: a button mapped to "Run COMMAND LINE", and the
// front button, which starts the StartViewer program when no viewer runs.
#include "app/PressLog.h"
#include "delivery/StartProgram.h"
#include "remote/ButtonMap.h"
#include "remote/CommandLine.h"
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

const std::u16string kTvTest = u"C:\\Program Files\\TVTest\\TVTest.exe";

CommandLine Split(const std::u16string& text) {
    CommandLine command;
    EXPECT_TRUE(SplitCommandLine(text.data(), text.size(), command)) << sim::Narrow(text);
    return command;
}

bool Splits(const std::u16string& text) {
    CommandLine command;
    return SplitCommandLine(text.data(), text.size(), command);
}

MapLineReading Reading(const std::u16string& line, CommandLine* command = nullptr) {
    ButtonCode code = 0;
    ButtonAction action{};
    return ParseButtonMapLine(line.data(), line.size(), code, action, command);
}

}  // namespace

// ----- reading a command line -----

TEST(CommandLineTest, AQuotedPathKeepsItsSpacesAndTheArgumentsFollow) {
    const CommandLine quoted = Split(u"  \"C:\\Program Files\\TVTest\\TVTest.exe\"   /d BonDriver_PT3.dll ");
    EXPECT_EQ(quoted.program, kTvTest);
    EXPECT_EQ(quoted.arguments, u"/d BonDriver_PT3.dll");
    EXPECT_EQ(QuotedCommandLine(quoted), u"\"" + kTvTest + u"\" /d BonDriver_PT3.dll");
    EXPECT_EQ(ProgramFolder(quoted), u"C:\\Program Files\\TVTest\\");
    EXPECT_EQ(ProgramFileName(quoted), u"TVTest.exe");
}

TEST(CommandLineTest, AnUnquotedPathWithSpacesIsTakenWholeUpToItsExe) {
    // What the platform hands on of StartViewer="C:\Program Files\...": no quotes.
    const CommandLine whole = Split(kTvTest);
    EXPECT_EQ(whole.program, kTvTest);
    EXPECT_EQ(whole.arguments, u"");
    EXPECT_EQ(QuotedCommandLine(whole), u"\"" + kTvTest + u"\"");
    const CommandLine withArguments = Split(u"C:\\Program Files\\TV.EXE Test\\TVTest.exe /d x.dll");
    EXPECT_EQ(withArguments.program, u"C:\\Program Files\\TV.EXE");
    EXPECT_EQ(withArguments.arguments, u"Test\\TVTest.exe /d x.dll");
    const CommandLine bare = Split(u"notepad C:\\notes.txt");
    EXPECT_EQ(bare.program, u"notepad");
    EXPECT_EQ(bare.arguments, u"C:\\notes.txt");
    EXPECT_EQ(ProgramFolder(bare), u"");
    EXPECT_EQ(ProgramFileName(bare), u"notepad");
}

TEST(CommandLineTest, AnEmptyLineOrAQuoteNeverClosedDoesNotRead) {
    for (const std::u16string text : {u"", u"   ", u"\"C:\\Program Files\\TVTest\\TVTest.exe", u"\"\" /d",
                                      u"\"C:\\a.exe\"/d", u"C:\\a\"b.exe"})
        EXPECT_FALSE(Splits(text)) << sim::Narrow(text);
}

TEST(CommandLineTest, ARunLineReadsInAnyCaseWithItsCommandAndNotWithout) {
    CommandLine command;
    EXPECT_EQ(Reading(u"2A=Run \"C:\\Program Files\\TVTest\\TVTest.exe\" /d BonDriver_PT3.dll", &command),
              kMapLineGood);
    EXPECT_EQ(command.program, kTvTest);
    EXPECT_EQ(command.arguments, u"/d BonDriver_PT3.dll");
    EXPECT_EQ(Reading(u"2a = rUN\tnotepad"), kMapLineGood);
    EXPECT_EQ(Reading(u"2A=Run+F1 x"), kMapLineBadAction);
    for (const std::u16string line : {u"2A=Run", u"2A=Run   ", u"2A=Runner", u"2A=Shift+Run notepad",
                                      u"2A=Run \"C:\\Program Files\\TVTest\\TVTest.exe /d"})
        EXPECT_EQ(Reading(line), kMapLineBadAction) << sim::Narrow(line);
}

TEST(CommandLineTest, EachRunLineKeepsItsOwnCommandAndACutLastLineIsIgnored) {
    ButtonActions actions{};
    SetBuiltInActions(actions);
    std::u16string list;
    for (const char16_t* line : {u"2A=Run a.exe", u"2B=Run \"b c.exe\" x", u"2C=Run \"cut"})
        list += line + std::u16string(1, u'\0');
    list += u'\0';
    const ButtonMapResult result = ApplyButtonMapLines(actions, list.data(), list.size(), true);
    EXPECT_EQ(result.applied, 2u);
    EXPECT_EQ(result.ignored, 1u);
    ASSERT_EQ(actions.commands.size(), 2u);
    EXPECT_EQ(actions.action[0x2A].kind, kActionRun);
    EXPECT_EQ(actions.commands[actions.action[0x2A].command].program, u"a.exe");
    EXPECT_EQ(actions.commands[actions.action[0x2B].command].program, u"b c.exe");
    EXPECT_EQ(actions.action[0x2C].kind, kActionChord);
}

// ----- starting from the remote -----

class StartProgramTest : public ViewerDeskTest {
protected:
    void Map(std::initializer_list<const char16_t*> lines) {
        for (const char16_t* line : lines) desk.AddProfileLine(kIni, u"Buttons", line);
    }

    void StartLogged(int mode = 1) {
        desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
        StartInMode(mode);
    }

    std::string LastLogLine() const {
        const std::string& log = desk.files.at(kLog);
        const std::size_t end = log.rfind("\r\n");
        const std::size_t begin = log.rfind("\r\n", end - 1);
        const std::string line = log.substr(begin == std::string::npos ? 0 : begin + 2, end - begin - 2);
        return line.substr(line.find("device="));
    }

    // A fresh press of a code and its release, after `ms` of the system's time.
    void PressAfter(DWORD ms, BYTE code) {
        desk.tickCount += ms;
        Report1(0);
        Report1(code);
        Report1(0);
    }

    std::size_t Starts() const { return desk.startedPrograms.size(); }
};

TEST_F(StartProgramTest, AMappedButtonStartsItsProgramInItsFolderWithoutWaitingAndClosesTheHandles) {
    Map({u"2A=Run \"C:\\Program Files\\TVTest\\TVTest.exe\" /d BonDriver_PT3.dll"});
    StartInMode(1);
    EXPECT_EQ(Pressed(0x2A), (Lines{"CreateProcessW(, \"C:\\Program Files\\TVTest\\TVTest.exe\" /d BonDriver_PT3.dll, "
                                    "inherit 0, flags 0x0, in C:\\Program Files\\TVTest\\)",
                                    "CloseHandle(0xA0003)", "CloseHandle(0xA0002)"}));
    EXPECT_EQ(desk.openProcessHandles, 0);
    EXPECT_EQ(desk.trayBalloons, 0);
}

TEST_F(StartProgramTest, StartViewerWithoutItsQuotesStillGoesToWindowsQuotedNeverAsCProgram) {
    // The platform drops the quotes around the whole value.
    desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", u"\"C:\\Program Files\\TVTest\\TVTest.exe\"");
    StartInMode(1);
    Pressed(BUTTON_BRING_TO_FRONT);
    ASSERT_EQ(Starts(), 1u);
    EXPECT_EQ(desk.startedPrograms[0].applicationName, u"");
    EXPECT_EQ(desk.startedPrograms[0].commandLine, u"\"C:\\Program Files\\TVTest\\TVTest.exe\"");
    EXPECT_EQ(desk.startedPrograms[0].currentDirectory, u"C:\\Program Files\\TVTest\\");
}

TEST_F(StartProgramTest, AStartViewerWithQuotesAtBothEndsStartsTheProgramWithItsArguments) {
    // As written by hand, and as the settings window writes the same line.
    for (const std::u16string stored :
         {u"\"C:\\TV\\tv.exe\" /d \"BonDriver_A.dll\"", u"\"\"C:\\TV\\tv.exe\" /d \"BonDriver_A.dll\"\""}) {
        desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", stored);
        StartInMode(1);
        Pressed(BUTTON_BRING_TO_FRONT);
        ASSERT_EQ(Starts(), 1u);
        EXPECT_EQ(desk.startedPrograms[0].commandLine, u"\"C:\\TV\\tv.exe\" /d \"BonDriver_A.dll\"");
        Command(IDM_EXIT);
        desk.startedPrograms.clear();
    }
}

TEST_F(StartProgramTest, AHeldOrRepeatedButtonStartsOneCopyInTwoSeconds) {
    Map({u"2A=Run tv.exe", u"2B=Run radio.exe"});
    StartLogged();
    PressAfter(0, 0x2A);
    for (int i = 0; i < 12; ++i) Report1(0x2A);  // held: the filter lets the repeats through
    Report1(0);
    EXPECT_EQ(Starts(), 1u);
    EXPECT_NE(LastLogLine().find("code=00 repeat=swallowed"), std::string::npos);
    desk.tickCount += 1000;
    Report1(0x2A);
    EXPECT_EQ(LastLogLine(), "device=04BB:0F0E code=2A repeat=passed action=Run mode=1 lockon=off direction=no "
                             "route=none reason=run-too-soon map=all");
    Report1(0);
    PressAfter(0, 0x2B);  // another button, another program: not held back
    EXPECT_EQ(Starts(), 2u);
    PressAfter(kRunPause, 0x2A);
    EXPECT_EQ(Starts(), 3u);
}

TEST_F(StartProgramTest, AProgramThatCannotStartIsToldOnceByNameAndTheRemoteGoesOn) {
    Map({u"2A=Run \"C:\\TV\\Missing.exe\"", u"2B=Run \"C:\\TV\\Blocked.exe\""});
    desk.unstartablePrograms[u"C:\\TV\\Missing.exe"] = 2;  // ERROR_FILE_NOT_FOUND
    desk.unstartablePrograms[u"C:\\TV\\Blocked.exe"] = 5;
    desk.strings[IDS_PROGRAM_NOT_STARTED] = u"[%1] error %2";
    StartLogged();
    const HWND viewer = Below(kTvTestWindow, 100, "viewer");
    Activate(viewer);
    PressAfter(0, 0x2A);
    EXPECT_EQ(desk.Balloons(IDS_PROGRAM_NOT_STARTED_TITLE), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "[Missing.exe] error 2");
    EXPECT_NE(desk.files.at(kLog).find("action=Run mode=1 lockon=off direction=no route=none reason=run-failed "
                                       "error=2 program=\"Missing.exe\""),
              std::string::npos);
    PressAfter(kRunPause, 0x2A);  // tried again, told no more
    EXPECT_EQ(desk.Balloons(IDS_PROGRAM_NOT_STARTED_TITLE), 1);
    PressAfter(0, 0x2B);  // another program: told too
    EXPECT_EQ(desk.Balloons(IDS_PROGRAM_NOT_STARTED_TITLE), 2);
    EXPECT_EQ(Pressed(0x08), Lines{Post("viewer", "0x7C", "0x10001")});
    EXPECT_EQ(Starts(), 0u);
}

TEST_F(StartProgramTest, AStartIsLoggedWithTheProgramAndItsProcess) {
    Map({u"2A=Run \"C:\\Program Files\\TVTest\\TVTest.exe\" /d BonDriver_PT3.dll"});
    StartLogged();
    PressAfter(0, 0x2A);
    Report1(0x2A);
    const std::string& log = desk.files.at(kLog);
    EXPECT_NE(log.find("code=2A repeat=passed action=Run mode=1 lockon=off direction=no route=run "
                       "program=\"TVTest.exe\" pid=7000 map=all\r\n"),
              std::string::npos);
}

// ----- the front button -----

TEST_F(StartProgramTest, TheFrontButtonStartsTheViewerOnlyWhenNoneRunsAndThenBringsItForward) {
    desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", kTvTest + u" /d BonDriver_PT3.dll");
    StartLogged();
    desk.SetForeground(Below(u"Notepad", 900, "notepad"));
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    ASSERT_EQ(Starts(), 1u);
    EXPECT_EQ(desk.startedPrograms[0].commandLine, u"\"" + kTvTest + u"\" /d BonDriver_PT3.dll");
    EXPECT_NE(desk.files.at(kLog).find("code=21 repeat=passed action=BringToFront mode=1 lockon=off direction=no "
                                       "route=run program=\"TVTest.exe\" pid=7000"),
              std::string::npos);
    // Still coming up: a second press within 5 s starts no second copy.
    PressAfter(kStartViewerPause - 1, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 1u);
    // Up: the next press brings it to the front instead.
    const HWND viewer = Below(kTvTestWindow, 7000, "started");
    desk.tickCount += kStartViewerPause;
    const Lines front = Pressed(BUTTON_BRING_TO_FRONT);
    EXPECT_NE(std::find(front.begin(), front.end(), "SetForegroundWindow(started)"), front.end());
    EXPECT_EQ(Starts(), 1u);
    desk.CloseWindow(viewer);
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 2u);
}

TEST_F(StartProgramTest, AnyViewerWindowAtAllKeepsTheFrontButtonFromStartingOne) {
    desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", kTvTest);
    StartInMode(1);
    // mAgicTV in front hides every viewer from the search; it is a viewer still.
    const HWND magic = Below(kMagicTvWindow, 400, "magic");
    Activate(magic);
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    desk.CloseWindow(magic);
    // A viewer that stopped answering is passed over, and not replaced.
    desk.AddWindowAtBottom(kTvTestWindow, {.pid = 100, .hung = true, .label = "hung"});
    PressAfter(kStartViewerPause, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 0u);
}

TEST_F(StartProgramTest, AStartViewerLongerThanAnyCommandLineIsReadAsNone) {
    desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", std::u16string(70000, u'x') + u".exe");
    StartInMode(1);
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 0u);
    EXPECT_EQ(desk.trayBalloons, 0);
}

TEST_F(StartProgramTest, WithoutStartViewerOrWithOneCutShortTheFrontButtonStartsNothing) {
    StartLogged();
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 0u);
    EXPECT_NE(
        desk.files.at(kLog).find("action=BringToFront mode=1 lockon=off direction=no route=none reason=no-viewer"),
        std::string::npos);
    Command(IDM_EXIT);

    desk.SetProfileString(kIni, u"Korvanta", u"StartViewer", u"\"C:\\Program Files\\TVTest\\TVTest.exe /d");
    StartLogged();
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    PressAfter(0, BUTTON_BRING_TO_FRONT);
    EXPECT_EQ(Starts(), 0u);
    EXPECT_EQ(desk.Balloons(IDS_PROGRAM_NOT_STARTED_TITLE), 1);
}
