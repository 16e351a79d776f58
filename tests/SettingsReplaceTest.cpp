// Korvanta.ini is rewritten through Korvanta.ini.new. However Windows fails
// the replace or the rename, leaving the files as it documents, the settings
// stand in exactly one of the two and the next start reads them.
#include "settings/SettingsChoices.h"
#include "tests/ProgramTest.h"

using namespace win;
using Encoding = sim::SimDesktop::Encoding;

namespace {

class SettingsReplaceTest : public ProgramTest {
protected:
    const SettingsFile settings{kIni};
    const std::u16string newFile = kIni + u".new", text = u"[Korvanta]\r\nTVTC_MODE=00000001\r\n";
};

}  // namespace

TEST_F(SettingsReplaceTest, EachFailureOfTheReplaceOrTheRenameLeavesTheSettingsInOneFileTheNextStartReads) {
    // ReplaceFileW's error; MoveFileExW's sharing violations (-1: every one);
    // whether a write takes; whether the settings end in the new file alone.
    const struct { DWORD replaceError; int heldRenames; bool written, aside; } cases[] = {
        {ERROR_UNABLE_TO_REMOVE_REPLACED, 0, false, false},    // both keep their names
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT, 0, true, false},    // the old file gone
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 0, true, false},  // the old file under another name
        {ERROR_SHARING_VIOLATION, 0, false, false},
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT, 3, true, false},
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, -1, false, true},
        {ERROR_INVALID_PARAMETER, 3, true, false},  // no ReplaceFileW: a rename
        {ERROR_INVALID_PARAMETER, -1, false, false},
    };
    desk.strings[IDS_SETTINGS_IN_NEW_FILE] = u"%1";
    const std::u16string viewer = u"D:\\テレビ\\TVTest.exe";
    // 0: the conversion at start; 1: a write while running; 2: a start that finds the new file alone.
    for (const auto& c : cases) {
        for (int step = 0; step < 3; ++step) {
            SCOPED_TRACE(testing::Message() << c.replaceError << ", held " << c.heldRenames << ", step " << step);
            desk.files.clear();
            desk.SetFileText(step == 2 ? newFile : kIni, text, step == 0 ? Encoding::kUtf8Bom : Encoding::kAnsi);
            const int told = desk.Balloons(IDS_SETTINGS_IN_NEW_FILE_TITLE);
            if (step == 1) Start();
            desk.replaceFileFailure = c.replaceError;
            desk.moveSharingViolations = c.heldRenames;
            if (step != 1) Start();
            const bool written = step == 1 && c.written, aside = step == 2 ? c.heldRenames < 0 : c.aside;
            // Japanese into an ANSI file, made UTF-16 first; then read again, as after 適用.
            if (step == 1)
                EXPECT_EQ(WriteSettingText(settings, kSettingsSection, kStartViewerKey, viewer.c_str()), written);
            MainWindowProc(mainWindow, WM_SETTINGS_CHANGED, 0, 0);
            EXPECT_EQ(desk.HasFile(kIni), !aside);
            EXPECT_EQ(desk.HasFile(newFile), aside);
            EXPECT_EQ(desk.Balloons(IDS_SETTINGS_IN_NEW_FILE_TITLE) - told, aside ? 1 : 0);
            if (aside) EXPECT_EQ(std::u16string(desk.lastTrayBalloon.szInfo), newFile);
            Command(IDM_EXIT);  // its save makes no file beside the only copy
            EXPECT_EQ(desk.HasFile(kIni), !aside);
            desk.replaceFileFailure = 0;
            desk.moveSharingViolations = 0;
            Start();
            EXPECT_FALSE(desk.HasFile(newFile));
            EXPECT_EQ(ReadSetting(settings, kModeKey), 1u);
            EXPECT_EQ(ReadSettingText(settings, kStartViewerKey), written ? viewer : u"");
            Command(IDM_EXIT);
        }
    }
}

// One 適用 of many keys into a UTF-8 file another program holds waits two
// seconds in all, not two for each key, and every key stays a change.
TEST_F(SettingsReplaceTest, AFileHeldOpenStallsOneSaveOfManyKeysNoLongerThanOneKey) {
    desk.SetFileText(kIni, text, Encoding::kUtf8Bom);
    desk.heldByReaders.insert(kIni);
    SettingsChoices before;
    ReadSettingsChoices(settings, before);
    SettingsChoices after = before;
    for (int code = 1; code <= 32; ++code) after.buttons.action[code] = u"F5";
    std::fill(after.buttons.present + 1, after.buttons.present + 33, true);
    const SettingsWriteResult result = WriteChangedSettings(settings, before, after);
    EXPECT_EQ(std::make_pair(result.written, result.failed), std::make_pair(0, 32));
    EXPECT_EQ(desk.CallsMatching("Sleep("), std::vector<std::string>(kInUsePauses, "Sleep(100)"));
}
