#include "remote/ButtonKeyTable.h"

#include "platform/Constants.h"

using namespace win;

namespace {
constexpr KeyChord None{0, 0, 0};
constexpr KeyChord Plain(std::uint8_t vk) { return {0, 0, vk}; }
constexpr KeyChord Shift(std::uint8_t vk) { return {1, 0, vk}; }
constexpr KeyChord Ctrl(std::uint8_t vk) { return {0, 1, vk}; }
constexpr KeyChord ShiftCtrl(std::uint8_t vk) { return {1, 1, vk}; }
}  // namespace

// One row per button code, in code order; codes 0x34 to 0xFF are empty.
const KeyChord ButtonKeyTable[256] = {
    None,                 // 0x00 no button
    Shift(VK_F14),        // 0x01
    None,                 // 0x02
    None,                 // 0x03
    None,                 // 0x04
    None,                 // 0x05
    Ctrl(VK_F20),         // 0x06
    None,                 // 0x07
    Shift(VK_F13),        // 0x08
    Ctrl(VK_F19),         // 0x09
    Shift(VK_F15),        // 0x0A
    ShiftCtrl(VK_F21),    // 0x0B
    ShiftCtrl(VK_F22),    // 0x0C
    ShiftCtrl(VK_F23),    // 0x0D
    ShiftCtrl(VK_F24),    // 0x0E
    Shift(VK_F17),        // 0x0F
    Shift(VK_F18),        // 0x10
    Shift(VK_F19),        // 0x11
    Shift(VK_F20),        // 0x12
    Shift(VK_F21),        // 0x13
    Shift(VK_F22),        // 0x14
    Shift(VK_F23),        // 0x15
    Shift(VK_F24),        // 0x16
    Ctrl(VK_F13),         // 0x17
    Shift(VK_F16),        // 0x18
    Ctrl(VK_F14),         // 0x19
    Ctrl(VK_F15),         // 0x1A
    None,                 // 0x1B
    Plain(VK_UP),         // 0x1C
    Ctrl(VK_F17),         // 0x1D
    Plain(VK_LEFT),       // 0x1E
    Plain(VK_RETURN),     // 0x1F
    Plain(VK_RIGHT),      // 0x20
    None,                 // 0x21 brings a viewer to the front instead of a key
    Plain(VK_DOWN),       // 0x22
    Ctrl(VK_F21),         // 0x23
    Shift(VK_UP),         // 0x24
    Ctrl(VK_F16),         // 0x25
    Ctrl(VK_UP),          // 0x26
    Shift(VK_DOWN),       // 0x27
    ShiftCtrl(VK_F13),    // 0x28
    Ctrl(VK_DOWN),        // 0x29
    ShiftCtrl(VK_F16),    // 0x2A
    ShiftCtrl(VK_F14),    // 0x2B
    ShiftCtrl(VK_F17),    // 0x2C
    ShiftCtrl(VK_F15),    // 0x2D
    Ctrl(VK_F24),         // 0x2E
    ShiftCtrl(VK_F18),    // 0x2F
    Ctrl(VK_F22),         // 0x30
    Ctrl(VK_F18),         // 0x31
    ShiftCtrl(VK_F19),    // 0x32
    ShiftCtrl(VK_F20),    // 0x33
};

bool IsDirectionKey(KeyChord chord) {
    return chord.vk == VK_RETURN || (chord.vk >= VK_LEFT && chord.vk <= VK_DOWN);
}
