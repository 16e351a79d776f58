// A button map for each program: which map decides a press, and where the
// key of a program's own map goes, in every mode and under lock-on.
#include "tests/ViewerDeskTest.h"

using namespace win;

namespace {

enum Front { kPlayer, kViewer, kNameless };

struct Case {
    const char* what;
    int mode;
    bool lockedOnViewer;
    Front front;
    BYTE code;
    std::string delivered;  // the first key the press sends or posts; empty for none
};

}  // namespace

class ProgramMapTest : public ViewerDeskTest {
protected:
    HWND viewer = nullptr, player = nullptr, nameless = nullptr;

    void SetUp() override {
        ViewerDeskTest::SetUp();
        viewer = Below(kTvTestWindow, 100, "viewer");
        player = Below(u"MediaPlayerClassicW", 200, "player");
        nameless = Below(u"Notepad", 300, "nameless");
        desk.processImages[100] = u"C:\\TV\\TVTest.exe";
        desk.processImages[200] = u"C:\\Program Files\\MPC-BE\\mpc-be64.exe";
        // 300 has ended, or runs with rights that refuse the question.
        desk.AddProfileLine(kIni, u"Buttons", u"0C=F9");
        desk.AddProfileLine(kIni, u"Buttons:MPC-BE64.EXE", u"08=Space");
        desk.AddProfileLine(kIni, u"Buttons:MPC-BE64.EXE", u"0A=Run \"C:\\Tools\\Seek.exe\"");
        desk.AddProfileLine(kIni, u"Buttons:TVTest.exe", u"0B=F5");
        desk.AddProfileLine(kIni, u"Buttons:notepad.exe", u"08=F2");
    }

    std::string FirstDelivery(BYTE code) {
        for (const std::string& line : Pressed(code))
            if (line.rfind("CreateProcessW", 0) == 0) return "Run";
            else if (line.rfind("SendInput", 0) == 0 || line.rfind("PostMessageW", 0) == 0) return line;
        return "";
    }
};

TEST_F(ProgramMapTest, TheProgramInFrontDecidesTheButtonsItsOwnMapNamesAndOnlyThose) {
    const Case cases[] = {
        {"the player's line, typed into it", 1, false, kPlayer, 0x08, "SendInput[0x20 down]"},
        {"... in mode 0", 0, false, kPlayer, 0x08, "SendInput[0x20 down]"},
        {"... and in mode 2, with no viewer in front", 2, false, kPlayer, 0x08, "SendInput[0x20 down]"},
        {"its Run line", 1, false, kPlayer, 0x0A, "Run"},
        {"a code the player's map lacks follows [Buttons], mode 1", 1, false, kPlayer, 0x0C,
         Post("viewer", "0x78", "0x1")},
        {"... mode 0", 0, false, kPlayer, 0x0C, "SendInput[0x78 down]"},
        {"... mode 2: no viewer in front", 2, false, kPlayer, 0x0C, ""},
        {"the viewer's own line goes as the mode routes it, mode 1", 1, false, kViewer, 0x0B,
         Post("viewer", "0x74", "0x1")},
        {"... mode 2", 2, false, kViewer, 0x0B, Post("viewer", "0x74", "0x1")},
        {"... mode 0", 0, false, kViewer, 0x0B, "SendInput[0x74 down]"},
        {"the player's line does not reach the viewer", 1, false, kViewer, 0x08, Post("viewer", "0x7C", "0x10001")},
        {"lock-on: the viewer's program decides, not the player in front", 0, true, kPlayer, 0x0B,
         Post("viewer", "0x74", "0x1")},
        {"lock-on: the player's line is not the locked viewer's", 0, true, kPlayer, 0x08, Post("viewer", "0x7C", "0x10001")},
        {"a program whose name cannot be read has no map", 0, false, kNameless, 0x08, "SendInput[Shift down, F13 down]"},
    };
    Start();
    for (const Case& c : cases) {
        Command(IDM_MODE_HDUS + c.mode);
        if (c.lockedOnViewer) LockOnByClicking(viewer);
        Activate(c.front == kPlayer ? player : c.front == kViewer ? viewer : nameless);
        EXPECT_EQ(FirstDelivery(c.code), c.delivered) << c.what;
        if (c.lockedOnViewer) Command(IDM_LOCKON);
        desk.tickCount += 5000;  // past the Run line's guard against a second start
    }
    EXPECT_EQ(desk.openProcessHandles, 0);
}
