#include "delivery/KeyInjection.h"

#include "platform/Constants.h"

using namespace win;

namespace {

bool IsSet(std::uint8_t flag) { return flag == 1; }

INPUT KeyEvent(BYTE vk, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(Win().MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    return input;
}

void ModifierEvent(BYTE vk, bool press) {
    Win().keybd_event(vk, static_cast<BYTE>(Win().MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), press ? 0 : KEYEVENTF_KEYUP,
                      0);
}

}  // namespace

SendResult SendInputChord(KeyChord chord) {
    if (chord.vk == 0) return {true, 0};

    INPUT press[3];
    UINT count = 0;
    if (IsSet(chord.shift)) press[count++] = KeyEvent(VK_SHIFT, 0);
    if (IsSet(chord.ctrl)) press[count++] = KeyEvent(VK_CONTROL, 0);
    press[count++] = KeyEvent(chord.vk, 0);
    SendResult result{Win().SendInput(count, press, sizeof(INPUT)) == count, 0};
    if (!result.sent) result.error = Win().GetLastError();

    INPUT release[3];
    count = 0;
    release[count++] = KeyEvent(chord.vk, KEYEVENTF_KEYUP);
    if (IsSet(chord.ctrl)) release[count++] = KeyEvent(VK_CONTROL, KEYEVENTF_KEYUP);
    if (IsSet(chord.shift)) release[count++] = KeyEvent(VK_SHIFT, KEYEVENTF_KEYUP);
    Win().SendInput(count, release, sizeof(INPUT));
    return result;
}

LPARAM KeyHookLParam(KeyChord chord) {
    LPARAM lParam = 1;
    if (IsSet(chord.ctrl)) lParam = 0x20001;
    if (IsSet(chord.shift)) lParam += 0x10000;
    return lParam;
}

SendResult PostKeyHook(const RouterState& router, KeyChord chord, HWND target) {
    if (Win().PostMessageW(target, router.keyHookMessage, chord.vk, KeyHookLParam(chord))) return {true, 0};
    return {false, Win().GetLastError()};
}

SendResult SendDirectionKey(KeyChord chord, HWND target) {
    // A modifier the chord does not carry is released, which also lifts one
    // the user may be holding on a real keyboard.
    ModifierEvent(VK_CONTROL, IsSet(chord.ctrl));
    Win().Sleep(kDirectionKeyPauseMs);
    ModifierEvent(VK_SHIFT, IsSet(chord.shift));
    Win().Sleep(kDirectionKeyPauseMs);
    SendResult result{Win().PostMessageW(target, WM_KEYDOWN, chord.vk, 0) != 0, 0};
    if (!result.sent) result.error = Win().GetLastError();
    Win().Sleep(kDirectionKeyPauseMs);
    if (IsSet(chord.shift)) ModifierEvent(VK_SHIFT, false);
    Win().Sleep(kDirectionKeyPauseMs);
    if (IsSet(chord.ctrl)) ModifierEvent(VK_CONTROL, false);
    return result;
}
