// The names of other remotes' buttons: the usages remotes send, numbered as
// the HID Usage Tables' consumer page numbers them, which of them Windows
// acts on as well, and the label built from them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "remote/ConsumerUsageNames.h"

TEST(ConsumerUsageNames, RemotesUsagesHaveNamesAndWindowsOwnMediaKeysAreMarked) {
    struct Case {
        std::uint16_t usage;
        const char16_t* name;  // null: no name
        bool windowsActs;
    };
    const Case cases[] = {
        {0x00B0, u"再生", false},        {0x00B1, u"一時停止", false},      {0x00B2, u"録画", false},
        {0x00B7, u"停止", true},         {0x00B5, u"次へ", true},           {0x00B6, u"前へ", true},
        {0x00B3, u"早送り", false},      {0x00B4, u"巻き戻し", false},      {0x00CD, u"再生/一時停止", true},
        {0x00E2, u"消音", true},         {0x00E9, u"音量 +", true},         {0x00EA, u"音量 -", true},
        {0x009C, u"チャンネル +", false}, {0x009D, u"チャンネル -", false}, {0x008D, u"番組表", false},
        {0x0040, u"メニュー", false},    {0x0224, u"戻る", true},           {0x0069, u"赤", false},
        {0x006A, u"緑", false},          {0x006B, u"青", false},            {0x006C, u"黄", false},
        {0x0192, u"電卓", true},
        // Consumer Control itself, Numeric Key Pad, Play Skip, both ends.
        {0x0001, nullptr, false},        {0x0002, nullptr, false},          {0x00CE, nullptr, false},
        {0x0000, nullptr, false},        {0xFFFF, nullptr, false},
    };
    for (const Case& c : cases) {
        const ConsumerUsageName* found = FindConsumerUsageName(c.usage);
        ASSERT_EQ(found != nullptr, c.name != nullptr) << std::hex << c.usage;
        if (!found) continue;
        EXPECT_TRUE(found->name == std::u16string(c.name)) << std::hex << c.usage;
        EXPECT_EQ(found->windowsActs, c.windowsActs) << std::hex << c.usage;
    }
    // No two buttons share a name: the user tells them apart by it.
    std::set<std::u16string> names;
    int named = 0;
    for (std::uint32_t usage = 0; usage <= 0xFFFF; ++usage)
        if (const ConsumerUsageName* found = FindConsumerUsageName(static_cast<std::uint16_t>(usage))) {
            ++named;
            names.insert(found->name);
        }
    EXPECT_EQ(static_cast<int>(names.size()), named);
}

TEST(ConsumerUsageNames, AnOtherRemotesButtonIsLabelledByDeviceNameAndUsage) {
    EXPECT_TRUE(OtherButtonLabel(0x045E, 0x0800, 0x00CD) == u"045E:0800 再生/一時停止 (00CD)");
    EXPECT_TRUE(OtherButtonLabel(0x045E, 0x0800, 0x00CE) == u"045E:0800 00CE");
    EXPECT_TRUE(OtherButtonLabel(0x0a1b, 0x0001, 0x022A) == u"0A1B:0001 お気に入り (022A)");
}
