// The three injections on the wire: records, parameters and their order.
#include "delivery/KeyInjection.h"
#include "delivery/ViewerClasses.h"
#include "tests/ProgramTest.h"

using namespace win;

class KeyInjectionTest : public ProgramTest {
protected:
    RouterState router{kModeDirect, 0, 0xC123, nullptr};
    HWND viewer = nullptr;

    void SetUp() override {
        ProgramTest::SetUp();
        viewer = desk.AddWindow(kTvTestWindow, {.pid = 100, .label = "viewer"});
    }
};

TEST_F(KeyInjectionTest, ShiftCtrlChordIsTwoBatchesOfThreeRecordsInMirroredOrder) {
    SendInputChord({1, 1, VK_F21});
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SendInput[Shift down, Ctrl down, F21 down]",
                                                 "SendInput[F21 up, Ctrl up, Shift up]"}));
    ASSERT_EQ(desk.inputBatches.size(), 2u);
    const WORD scans[] = {0x2A, 0x1D, 0x6C};
    for (int i = 0; i < 3; ++i) {
        const INPUT& press = desk.inputBatches[0][i];
        EXPECT_EQ(press.type, INPUT_KEYBOARD);
        EXPECT_EQ(press.ki.wScan, scans[i]);
        EXPECT_EQ(press.ki.dwFlags, 0u);
        EXPECT_EQ(press.ki.time, 0u);
        EXPECT_EQ(press.ki.dwExtraInfo, 0u);
        const INPUT& release = desk.inputBatches[1][2 - i];
        EXPECT_EQ(release.ki.wVk, press.ki.wVk);
        EXPECT_EQ(release.ki.wScan, scans[i]);
        EXPECT_EQ(release.ki.dwFlags, KEYEVENTF_KEYUP);  // never extended, never by scan code
    }
}

TEST_F(KeyInjectionTest, PlainKeyIsOneRecordEachWayAndEmptyChordSendsNothing) {
    SendInputChord({0, 0, VK_F13});
    SendInputChord({0, 0, 0});
    SendInputChord({1, 1, 0});
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SendInput[F13 down]", "SendInput[F13 up]"}));
}

TEST_F(KeyInjectionTest, ArrowKeysAreNotMarkedExtended) {
    SendInputChord({0, 0, VK_UP});
    EXPECT_EQ(desk.inputBatches.at(0).at(0).ki.dwFlags, 0u);
    EXPECT_EQ(desk.inputBatches.at(1).at(0).ki.dwFlags, KEYEVENTF_KEYUP);
}

TEST_F(KeyInjectionTest, KeyHookCarriesTheKeyInWParamAndModifiersInBits16And17) {
    PostKeyHook(router, {1, 0, VK_F13}, viewer);
    PostKeyHook(router, {1, 1, VK_F16}, viewer);
    PostKeyHook(router, {0, 1, VK_F22}, viewer);
    PostKeyHook(router, {0, 0, VK_F24}, viewer);
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "PostMessageW(viewer, 0xC123, 0x7C, 0x10001)",
                           "PostMessageW(viewer, 0xC123, 0x7F, 0x30001)",
                           "PostMessageW(viewer, 0xC123, 0x85, 0x20001)",
                           "PostMessageW(viewer, 0xC123, 0x87, 0x1)",
                       }));
}

TEST_F(KeyInjectionTest, AFlagByteOtherThanOneCountsAsNotSet) {
    PostKeyHook(router, {2, 0, VK_F13}, viewer);
    SendInputChord({2, 0xFF, VK_F13});
    SendDirectionKey({2, 0, VK_DOWN}, viewer);
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "PostMessageW(viewer, 0xC123, 0x7C, 0x1)",
                           "SendInput[F13 down]",
                           "SendInput[F13 up]",
                           "keybd_event(Ctrl up, scan 0x1D)",
                           "Sleep(10)",
                           "keybd_event(Shift up, scan 0x2A)",
                           "Sleep(10)",
                           "PostMessageW(viewer, WM_KEYDOWN, 0x28, 0x0)",
                           "Sleep(10)",
                           "Sleep(10)",
                       }));
}

TEST_F(KeyInjectionTest, PlainDirectionKeyReleasesBothModifiersAroundThePostedKeyDown) {
    SendDirectionKey({0, 0, VK_UP}, viewer);
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "keybd_event(Ctrl up, scan 0x1D)",
                           "Sleep(10)",
                           "keybd_event(Shift up, scan 0x2A)",
                           "Sleep(10)",
                           "PostMessageW(viewer, WM_KEYDOWN, 0x26, 0x0)",
                           "Sleep(10)",
                           "Sleep(10)",
                       }));
}

TEST_F(KeyInjectionTest, ShiftDirectionKeyHoldsShiftOnlyWhileTheKeyIsPosted) {
    SendDirectionKey({1, 0, VK_DOWN}, viewer);
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "keybd_event(Ctrl up, scan 0x1D)",
                           "Sleep(10)",
                           "keybd_event(Shift down, scan 0x2A)",
                           "Sleep(10)",
                           "PostMessageW(viewer, WM_KEYDOWN, 0x28, 0x0)",
                           "Sleep(10)",
                           "keybd_event(Shift up, scan 0x2A)",
                           "Sleep(10)",
                       }));
}

TEST_F(KeyInjectionTest, CtrlShiftDirectionKeyPutsCtrlDownFirstAndLiftsItLast) {
    SendDirectionKey({1, 1, VK_RETURN}, viewer);
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "keybd_event(Ctrl down, scan 0x1D)",
                           "Sleep(10)",
                           "keybd_event(Shift down, scan 0x2A)",
                           "Sleep(10)",
                           "PostMessageW(viewer, WM_KEYDOWN, 0xD, 0x0)",
                           "Sleep(10)",
                           "keybd_event(Shift up, scan 0x2A)",
                           "Sleep(10)",
                           "keybd_event(Ctrl up, scan 0x1D)",
                       }));
}
