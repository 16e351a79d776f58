// The settings file: its place beside the executable and its hexadecimal text.
#include "app/TrayMenu.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsFile.h"
#include "tests/ProgramTest.h"

using namespace win;

TEST(Hex8, IsEightUpperCaseDigitsMostSignificantFirst) {
    EXPECT_EQ(std::u16string(FormatHex8(0).text), u"00000000");
    EXPECT_EQ(std::u16string(FormatHex8(1).text), u"00000001");
    EXPECT_EQ(std::u16string(FormatHex8(0xABCDEF12).text), u"ABCDEF12");
    EXPECT_EQ(std::u16string(FormatHex8(0xFFFFFFFF).text), u"FFFFFFFF");
}

TEST(ParseHex, ReadsLeadingDigitsOfEitherCaseAndStopsAtAnythingElse) {
    EXPECT_EQ(ParseHex(u"2"), 2u);
    EXPECT_EQ(ParseHex(u"0000000a"), 10u);
    EXPECT_EQ(ParseHex(u"0000000A"), 10u);
    EXPECT_EQ(ParseHex(u"2 ; comment"), 2u);
    EXPECT_EQ(ParseHex(u"00000001x"), 1u);
    EXPECT_EQ(ParseHex(u""), 0u);
}

TEST(ParseHex, HasNoBlanksSignOrPrefix) {
    EXPECT_EQ(ParseHex(u" 1"), 0u);
    EXPECT_EQ(ParseHex(u"-1"), 0u);
    EXPECT_EQ(ParseHex(u"0x1F"), 0u);
    EXPECT_EQ(ParseHex(u"g1"), 0u);
}

TEST(ParseHex, WrapsSoOnlyTheLastEightDigitsCount) {
    EXPECT_EQ(ParseHex(u"123456789"), 0x23456789u);
    EXPECT_EQ(ParseHex(u"FFFFFFFFFFFFFFFF1"), 0xFFFFFFF1u);
}

TEST(ParseHex, RoundTripsEveryFormattedValue) {
    for (std::uint32_t v : {0u, 1u, 9u, 10u, 0x7FFFFFFFu, 0x80000000u, 0xDEADBEEFu})
        EXPECT_EQ(ParseHex(FormatHex8(v).text), v);
}

class SettingsFileTest : public ProgramTest {
protected:
    const std::u16string ini = u"C:\\Program Files\\Korvanta\\Korvanta.ini";

    void Store(const std::u16string& key, const std::u16string& value) {
        desk.SetProfileString(ini, u"Korvanta", key, value);
    }
    std::u16string Stored(const std::u16string& key) { return desk.ProfileValue(ini, key); }

    // Starts, then exits through the menu; returns the mode and flag in force while running.
    std::pair<std::int32_t, std::int32_t> RunOnce() {
        Start();
        const auto state = std::make_pair(Router().mode, Router().ignoreCursor);
        Command(IDM_EXIT);
        return state;
    }
};

TEST_F(SettingsFileTest, FirstStartWithoutAFileUsesDefaultsAndWritesBothKeysAtExit) {
    EXPECT_EQ(RunOnce(), std::make_pair(0, 0));
    EXPECT_EQ(Stored(u"TVTC_MODE"), u"00000000");
    EXPECT_EQ(Stored(u"IgnoreCursor"), u"00000000");
}

TEST_F(SettingsFileTest, ChoicesMadeFromTheMenuSurviveARestart) {
    Start();
    Command(IDM_MODE_DIRECT_FG);
    Command(IDM_IGNORE_CURSOR);
    Command(IDM_EXIT);
    EXPECT_EQ(Stored(u"TVTC_MODE"), u"00000002");
    EXPECT_EQ(Stored(u"IgnoreCursor"), u"00000001");
    EXPECT_EQ(RunOnce(), std::make_pair(2, 1));
}

TEST_F(SettingsFileTest, ReadsModeFirstThenFlagAndWritesInTheSameOrder) {
    mainWindow = CreateMainWindow(instance);
    const auto reads = desk.CallsMatching("GetPrivateProfileStringW");
    // The two choices, then the press log's switch (after the button map);
    // the hold time (with the map), the on-screen line's choice and the
    // viewer the front button may start are read from the section's lines, where no quotes are dropped.
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0], "GetPrivateProfileStringW(Korvanta, TVTC_MODE, 00000000, capacity 33, "
                        "C:\\Program Files\\Korvanta\\Korvanta.ini)");
    EXPECT_NE(reads[1].find("IgnoreCursor"), std::string::npos);
    EXPECT_NE(reads[2].find("Korvanta, Log,"), std::string::npos);
    EXPECT_EQ(desk.CallsMatching("GetPrivateProfileSectionW(Korvanta").size(), 3u);
    desk.ClearCalls();
    Command(IDM_EXIT);
    const auto writes = desk.CallsMatching("WritePrivateProfileStringW");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_NE(writes[0].find("TVTC_MODE"), std::string::npos);
    EXPECT_NE(writes[1].find("IgnoreCursor"), std::string::npos);
}

TEST_F(SettingsFileTest, HandEditedValuesAreReadAsHexText) {
    Store(u"TVTC_MODE", u"2 ; comment");
    Store(u"IgnoreCursor", u"0000000a");
    EXPECT_EQ(RunOnce(), std::make_pair(2, 10));
}

TEST_F(SettingsFileTest, AnUnknownModeStartsInModeZeroShowsItCheckedAndSavesZero) {
    for (const char16_t* stored : {u"3", u"FFFFFFFF"}) {
        Store(u"TVTC_MODE", stored);
        Start();
        EXPECT_EQ(Router().mode, 0);
        EXPECT_EQ(desk.MenuState(IDM_MODE_HDUS), MFS_CHECKED);
        EXPECT_EQ(desk.MenuState(IDM_MODE_DIRECT), 0u);
        EXPECT_EQ(desk.MenuState(IDM_MODE_DIRECT_FG), 0u);
        Command(IDM_EXIT);
        EXPECT_EQ(Stored(u"TVTC_MODE"), u"00000000");
    }
}

TEST_F(SettingsFileTest, AHandEditedFlagOfTwoFiltersShowsCheckedAndTheItemThenTurnsItOff) {
    Store(u"IgnoreCursor", u"00000002");
    Start();
    EXPECT_EQ(Router().ignoreCursor, 2);
    EXPECT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), MFS_CHECKED);
    Command(IDM_IGNORE_CURSOR);
    EXPECT_EQ(Router().ignoreCursor, 0);
    EXPECT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), 0u);
    Command(IDM_EXIT);
    EXPECT_EQ(Stored(u"IgnoreCursor"), u"00000000");
}

TEST_F(SettingsFileTest, AnUntouchedHandEditedFlagIsWrittenBackAsItWas) {
    Store(u"IgnoreCursor", u"0000FFFF");
    Start();
    EXPECT_EQ(desk.MenuState(IDM_IGNORE_CURSOR), MFS_CHECKED);
    Command(IDM_EXIT);
    EXPECT_EQ(Stored(u"IgnoreCursor"), u"0000FFFF");
}

TEST_F(SettingsFileTest, OverlongValuesAreCutByTheReadAndNeverOverflow) {
    Store(u"TVTC_MODE", std::u16string(5000, u'1'));
    Start();
    EXPECT_EQ(Router().mode, 0);  // 0x11111111 is no mode
}

TEST_F(SettingsFileTest, TheFileNameStaysTheSameWhenTheExecutableIsRenamed) {
    desk.modulePath = u"D:\\Tools\\tv-remote.exe";
    Start();
    EXPECT_EQ(Records()->settings.path, u"D:\\Tools\\Korvanta.ini");
}

TEST_F(SettingsFileTest, ALongExecutablePathIsGrownNotCut) {
    std::u16string folder = u"C:\\";
    while (folder.size() < 700) folder += u"very long folder name\\";
    desk.modulePath = folder + u"Korvanta.exe";
    Start();
    EXPECT_EQ(Records()->settings.path, folder + u"Korvanta.ini");
}

TEST_F(SettingsFileTest, WithoutTheExecutablePathNothingIsReadOrWritten) {
    desk.moduleFileNameFails = true;
    EXPECT_EQ(RunOnce(), std::make_pair(0, 0));
    EXPECT_TRUE(desk.CallsMatching("GetPrivateProfileStringW").empty());
    EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW").empty());
    EXPECT_FALSE(desk.HasFile(ini));
}

TEST_F(SettingsFileTest, ARelativeExecutablePathIsNotUsed) {
    desk.modulePath = u"Korvanta.exe";
    RunOnce();
    EXPECT_FALSE(desk.HasFile(ini));
}

// The platform rewrites the whole file on every write, from what it could
// parse, so a value the file already holds is not written again.
TEST_F(SettingsFileTest, ARunThatChangesNothingWritesNothing) {
    Store(u"TVTC_MODE", u"00000001");
    Store(u"IgnoreCursor", u"1 ; arrows off");
    RunOnce();
    EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW").empty());
    EXPECT_EQ(Stored(u"IgnoreCursor"), u"1 ; arrows off");
}

TEST_F(SettingsFileTest, OnlyTheValueThatChangedIsWritten) {
    Store(u"TVTC_MODE", u"00000001");
    Store(u"IgnoreCursor", u"00000000");
    Start();
    Command(IDM_IGNORE_CURSOR);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.CallsMatching("WritePrivateProfileStringW"),
              (std::vector<std::string>{"WritePrivateProfileStringW(Korvanta, IgnoreCursor, 00000001, "
                                        "C:\\Program Files\\Korvanta\\Korvanta.ini)"}));
}

TEST_F(SettingsFileTest, AFileOfOtherContentIsLeftAloneWhileTheValuesAreZero) {
    desk.SetProfileString(ini, u"Other", u"Key", u"value");
    Store(u"TVTC_MODE", u"");
    RunOnce();
    EXPECT_TRUE(desk.CallsMatching("WritePrivateProfileStringW").empty());
}

TEST_F(SettingsFileTest, AFileOfOtherContentGetsAValueThatIsNotZero) {
    desk.SetProfileString(ini, u"Other", u"Key", u"value");
    Start();
    Command(IDM_MODE_DIRECT_FG);
    Command(IDM_EXIT);
    EXPECT_EQ(Stored(u"TVTC_MODE"), u"00000002");
    EXPECT_EQ(desk.CallsMatching("WritePrivateProfileStringW").size(), 1u);
}

// The choices are written only at exit. Where they cannot be, the first
// change from the menu tells the user so, once, from a tray balloon.
TEST_F(SettingsFileTest, AReadOnlyFolderIsReportedByOneBalloonAtTheFirstChange) {
    desk.readOnlyFiles.insert(ini);
    Start();
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 0);  // nothing is tried before the user changes something
    Command(IDM_MODE_DIRECT);
    EXPECT_EQ(desk.CallsMatching("CreateFileW").size(), 1u);
    ASSERT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 1);
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfoTitle), "string 116");
    EXPECT_EQ(sim::Narrow(desk.lastTrayBalloon.szInfo), "string 117");
    EXPECT_EQ(desk.lastTrayBalloon.dwInfoFlags, NIIF_WARNING);
    EXPECT_EQ(desk.lastTrayBalloon.uFlags, NIF_INFO);
    EXPECT_EQ(desk.lastTrayBalloon.uID, 1u);
    // The icon itself keeps what it was added with.
    EXPECT_EQ(Records()->trayIcon.data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);

    Command(IDM_IGNORE_CURSOR);
    Command(IDM_MODE_HDUS);
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 1);
    EXPECT_EQ(desk.CallsMatching("CreateFileW").size(), 1u);
    Command(IDM_EXIT);
    EXPECT_EQ(desk.CallsMatching("WritePrivateProfileStringW").size(), 2u);
    EXPECT_FALSE(desk.HasFile(ini));
    EXPECT_EQ(desk.trayIcons, 0);
    EXPECT_EQ(desk.openFiles, 0);
}

TEST_F(SettingsFileTest, AWritableFolderIsTriedWithoutWritingAndStaysQuiet) {
    Start();
    Command(IDM_MODE_DIRECT);
    // No file yet: a trial file that vanishes as it is closed.
    EXPECT_EQ(desk.CallsMatching("CreateFileW"),
              (std::vector<std::string>{
                  "CreateFileW(C:\\Program Files\\Korvanta\\Korvanta.ini, access 0x40000000, share 0x7, OPEN_EXISTING)",
                  "CreateFileW(C:\\Program Files\\Korvanta\\Korvanta.ini, access 0x40000000, share 0x7, CREATE_NEW, "
                  "delete on close)"}));
    EXPECT_EQ(desk.openFiles, 0);
    EXPECT_FALSE(desk.HasFile(ini));  // still written only at exit
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 0);
}

TEST_F(SettingsFileTest, AnExistingWritableFileIsOpenedOnlyAndClosedAgain) {
    Store(u"TVTC_MODE", u"00000001");
    Start();
    Command(IDM_MODE_HDUS);
    EXPECT_EQ(desk.CallsMatching("CreateFileW").size(), 1u);
    EXPECT_EQ(desk.CallsMatching("CloseHandle").size(), 1u);
    EXPECT_EQ(desk.openFiles, 0);
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 0);
}

TEST_F(SettingsFileTest, ChoosingWhatIsAlreadyChosenChangesNothingAndTriesNothing) {
    desk.readOnlyFiles.insert(ini);
    Start();
    Command(IDM_MODE_HDUS);  // mode 0 is already in force
    EXPECT_TRUE(desk.CallsMatching("CreateFileW").empty());
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 0);
}

TEST_F(SettingsFileTest, WithoutTheExecutablesPathTheFirstChangeIsReportedToo) {
    desk.moduleFileNameFails = true;
    Start();
    Command(IDM_MODE_DIRECT_FG);
    EXPECT_TRUE(desk.CallsMatching("CreateFileW").empty());
    EXPECT_EQ(desk.Balloons(IDS_SETTINGS_NOT_SAVED_TITLE), 1);
}

// A hand edit can leave a key twice; the platform reads, rewrites and
// deletes only the first line. A change from the settings window removes
// every line of the key, so the file then reads as the window shows.
TEST_F(SettingsFileTest, AKeyStandingTwiceReadsAsTheSettingsWindowLeftIt) {
    const SettingsFile settings{ini};
    for (const std::u16string key : {kLogKey, kStartViewerKey}) {
        desk.SetFileText(ini, u"[Korvanta]\r\n" + key + u"=1\r\n" + key + u"=1\r\n", sim::SimDesktop::Encoding::kAnsi);
        SettingsChoices shown;
        ReadSettingsChoices(settings, shown);
        const SettingsChoices before = shown;
        shown.log = false;  // unticked
        shown.startViewer.clear();
        EXPECT_EQ(WriteChangedSettings(settings, before, shown).failed, 0);
        ReadSettingsChoices(settings, shown);
        EXPECT_FALSE(shown.log);
        EXPECT_EQ(shown.startViewer, u"");
    }
}
