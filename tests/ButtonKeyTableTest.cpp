// The remote's key assignment, checked against an independent listing by key.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "platform/Constants.h"
#include "remote/ButtonKeyTable.h"

using namespace win;

namespace {

// Button codes listed by key and modifiers, as the remote's labels group them:
// {Shift, Ctrl, Shift+Ctrl, none}; 0 where no button gives that chord.
struct KeyRow {
    BYTE vk;
    int shift, ctrl, shiftCtrl, plain;
};
constexpr KeyRow kByKey[] = {
    {VK_F13, 8, 23, 40, 0},  {VK_F14, 1, 25, 43, 0},  {VK_F15, 10, 26, 45, 0},  {VK_F16, 24, 37, 42, 0},
    {VK_F17, 15, 29, 44, 0}, {VK_F18, 16, 49, 47, 0}, {VK_F19, 17, 9, 50, 0},   {VK_F20, 18, 6, 51, 0},
    {VK_F21, 19, 35, 11, 0}, {VK_F22, 20, 48, 12, 0}, {VK_F23, 21, 0, 13, 0},   {VK_F24, 22, 46, 14, 0},
    {VK_RETURN, 0, 0, 0, 31}, {VK_LEFT, 0, 0, 0, 30}, {VK_UP, 36, 38, 0, 28},   {VK_RIGHT, 0, 0, 0, 32},
    {VK_DOWN, 39, 41, 0, 34},
};

std::tuple<int, int, int> Bytes(KeyChord c) { return {c.shift, c.ctrl, c.vk}; }

}  // namespace

TEST(ButtonKeyTable, EveryChordOfTheListingByKeyIsAtItsCodeAndNothingElseIsSet) {
    std::map<int, std::tuple<int, int, int>> expected;
    for (const KeyRow& row : kByKey) {
        if (row.shift) expected[row.shift] = {1, 0, row.vk};
        if (row.ctrl) expected[row.ctrl] = {0, 1, row.vk};
        if (row.shiftCtrl) expected[row.shiftCtrl] = {1, 1, row.vk};
        if (row.plain) expected[row.plain] = {0, 0, row.vk};
    }
    ASSERT_EQ(expected.size(), 44u);
    for (int code = 0; code < 256; ++code) {
        const auto it = expected.find(code);
        const auto want = it == expected.end() ? std::tuple<int, int, int>{0, 0, 0} : it->second;
        EXPECT_EQ(Bytes(ButtonKeyTable[code]), want) << "code " << code;
    }
}

TEST(ButtonKeyTable, NoTwoButtonsShareAChordAndFlagsAreZeroOrOne) {
    std::set<std::tuple<int, int, int>> seen;
    for (const KeyChord& c : ButtonKeyTable) {
        EXPECT_LE(c.shift, 1);
        EXPECT_LE(c.ctrl, 1);
        if (c.vk) EXPECT_TRUE(seen.insert(Bytes(c)).second);
    }
}

TEST(ButtonKeyTable, BringToFrontAndNoButtonHaveEmptyRows) {
    EXPECT_EQ(ButtonKeyTable[0x21].vk, 0);
    EXPECT_EQ(ButtonKeyTable[0].vk, 0);
    EXPECT_EQ(ButtonKeyTable[52].vk, 0);
    EXPECT_EQ(ButtonKeyTable[255].vk, 0);
}

TEST(ButtonKeyTable, DirectionKeysAreEnterAndTheArrowsOnly) {
    std::set<int> direction;
    for (int code = 0; code < 256; ++code)
        if (IsDirectionKey(ButtonKeyTable[code])) direction.insert(code);
    EXPECT_EQ(direction, (std::set<int>{28, 30, 31, 32, 34, 36, 38, 39, 41}));
    EXPECT_FALSE(IsDirectionKey(KeyChord{0, 0, 0x24}));  // Home, just before Left
    EXPECT_FALSE(IsDirectionKey(KeyChord{0, 0, 0x29}));  // Select, just after Down
    EXPECT_FALSE(IsDirectionKey(KeyChord{0, 0, 0}));
}
