// The settings window's key box (the hot-key control): a key pressed into it
// becomes the selected button's key. The control catches most keys itself;
// the keys that the dialog would take as its own (Enter, Esc, Space,
// Backspace and Delete, and every key with Alt or F10, which would reach
// the dialog's mnemonics and the menu loop) are caught from the message
// loop before the dialog sees them.
#include "app/Resource.h"
#include "app/SettingsControls.h"
#include "platform/Constants.h"
#include "remote/KeyNames.h"

using namespace win;

namespace {

// What the key box was last told to show. The control also tells a change
// as a modifier alone is pressed or let go, its key as it was: that catches
// nothing new, and would otherwise clear what the status line says.
WPARAM s_shown = 0;

// Keys of the extended part of the keyboard: the control names a key by its
// scan code, so without HOTKEYF_EXT it shows the numeric keypad's names for
// the arrows and their block, and others for the Windows, menu and media
// keys.
bool IsExtendedKey(std::uint8_t vk) {
    constexpr std::uint8_t kSnapshot = 0x2C, kLeftWindows = 0x5B, kApps = 0x5D, kDivide = 0x6F, kNumLock = 0x90,
                           kRightControl = 0xA3, kRightAlt = 0xA5, kLaunchApp2 = 0xB7;
    return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == kSnapshot || vk == VK_INSERT || vk == VK_DELETE ||
           (vk >= kLeftWindows && vk <= kApps) || vk == kDivide || vk == kNumLock || vk == kRightControl ||
           (vk >= kRightAlt && vk <= kLaunchApp2);
}

bool IsModifierKey(std::uint8_t vk) { return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU; }

// `modifiers` may carry HOTKEYF_EXT as the control caught the key.
WPARAM Hotkey(std::uint8_t vk, UINT modifiers) {
    if (vk == 0) return 0;
    modifiers &= HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_EXT;
    if (IsExtendedKey(vk)) modifiers |= HOTKEYF_EXT;
    return vk | modifiers << 8;
}

// The modifiers as the keyboard holds them now, for a key taken from the
// loop as it comes (not for the control's own changes, which it also tells
// as a modifier is let go).
UINT HeldModifiers() {
    const bool shift = Win().GetKeyState(VK_SHIFT) < 0, ctrl = Win().GetKeyState(VK_CONTROL) < 0,
               alt = Win().GetKeyState(VK_MENU) < 0;
    return (shift ? HOTKEYF_SHIFT : 0) | (ctrl ? HOTKEYF_CONTROL : 0) | (alt ? HOTKEYF_ALT : 0);
}

// A key caught, with its modifiers (HOTKEYF_*), when the map has a name for
// it. The map has no Alt: a combination with it is refused, and the key
// box shows the button's key again.
void TakeKey(HWND dialog, SettingsWindowData& data, std::uint8_t vk, UINT modifiers) {
    if (modifiers & HOTKEYF_ALT) {
        SetStatus(dialog, IDS_SETTINGS_NO_ALT);
        ShowSelected(dialog, data);
        return;
    }
    const std::u16string keyName = VirtualKeyName(vk);
    if (keyName.empty()) return;
    SetStatus(dialog, 0);
    SetFillingControls(true);
    const LRESULT key = Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(keyName.c_str()));
    Win().SendDlgItemMessageW(dialog, IDC_KEY_NAME, CB_SETCURSEL, static_cast<WPARAM>(key), 0);
    Check(dialog, IDC_KEY_SHIFT, modifiers & HOTKEYF_SHIFT);
    Check(dialog, IDC_KEY_CTRL, modifiers & HOTKEYF_CONTROL);
    s_shown = Hotkey(vk, modifiers);
    Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_SETHOTKEY, s_shown, 0);
    SetFillingControls(false);
    TakeEdit(dialog, data, kChoiceKey);
}

// Alt with any key, and F10 (alone, with Shift or with Ctrl), come as system
// keys. Left to the dialog, Alt with a letter would press the button of
// that mnemonic (適用(&A) writes the file, 何もしない(&N) changes the row),
// and Alt or F10 released would start the menu loop. Every system key is
// taken here; F10 without Alt is a key like any other. The control keeps
// its own account of the modifiers held from the key messages it gets: a
// modifier's press or release is passed on to it as a plain key, so that
// the account stays right (and an Alt it knows of is refused with its key).
bool TakeSystemKey(HWND dialog, SettingsWindowData& data, const MSG& msg) {
    const auto vk = static_cast<std::uint8_t>(msg.wParam);
    if (IsModifierKey(vk) && (msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP)) {
        Win().SendMessageW(msg.hwnd, msg.message == WM_SYSKEYDOWN ? WM_KEYDOWN : WM_KEYUP, msg.wParam, msg.lParam);
        return true;
    }
    if (msg.message != WM_SYSKEYDOWN) return true;  // its release and its characters: swallowed
    const bool altHeld = (msg.lParam >> 29 & 1) != 0;  // the context code
    if (!altHeld && vk == VK_F10) TakeKey(dialog, data, vk, HeldModifiers() & ~HOTKEYF_ALT);
    else TakeKey(dialog, data, vk, HeldModifiers() | HOTKEYF_ALT);
    return true;
}

}  // namespace

void ShowKeyInKeyBox(HWND dialog, const ButtonEdit& edit) {
    const std::uint8_t vk = VirtualKeyOfName(edit.keyName.data(), edit.keyName.size());
    const UINT modifiers = (edit.shift ? HOTKEYF_SHIFT : 0) | (edit.ctrl ? HOTKEYF_CONTROL : 0);
    s_shown = Hotkey(vk, modifiers);
    Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_SETHOTKEY, s_shown, 0);
}

void TakeCaughtKey(HWND dialog, SettingsWindowData& data) {
    const auto hotkey =
        static_cast<std::uint16_t>(Win().SendDlgItemMessageW(dialog, IDC_KEY_CATCH, HKM_GETHOTKEY, 0, 0));
    if (hotkey == s_shown) return;
    TakeKey(dialog, data, static_cast<std::uint8_t>(hotkey & 0xFF), hotkey >> 8);
}

bool TakeKeyIntoKeyBox(HWND dialog, const MSG& msg) {
    SettingsWindow* window = OpenSettingsWindowRecord(dialog);
    if (!window || msg.hwnd != Win().GetDlgItem(dialog, IDC_KEY_CATCH)) return false;
    switch (msg.message) {
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR: return TakeSystemKey(dialog, *window->data, msg);
    case WM_KEYDOWN: break;
    default: return false;
    }
    // Tab and Shift+Tab go on to the dialog, which moves the focus on.
    const auto vk = static_cast<std::uint8_t>(msg.wParam);
    if (vk != VK_RETURN && vk != VK_ESCAPE && vk != VK_SPACE && vk != VK_BACK && vk != VK_DELETE) return false;
    TakeKey(dialog, *window->data, vk, HeldModifiers());
    return true;
}
