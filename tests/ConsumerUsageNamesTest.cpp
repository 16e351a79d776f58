// The names of other remotes' buttons: the usages remotes send, numbered as
// the HID Usage Tables' consumer page numbers them, which of them Windows
// acts on as well, and the label built from them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "remote/ConsumerUsageNames.h"

// Which usages Windows acts on by itself decides the window's mark; a usage
// between or beyond the named ones has no name, and no two buttons share one.
TEST(ConsumerUsageNames, WindowsOwnMediaAndLaunchKeysAreMarkedAndNamesAreDistinct) {
    for (std::uint16_t usage : {0x00B5, 0x00B6, 0x00B7, 0x00CD, 0x00E2, 0x00E9, 0x00EA, 0x0192, 0x0224}) {
        const ConsumerUsageName* found = FindConsumerUsageName(usage);
        ASSERT_NE(found, nullptr) << std::hex << usage;
        EXPECT_TRUE(found->windowsActs) << std::hex << usage;
    }
    for (std::uint16_t usage : {0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x009C, 0x009D, 0x008D, 0x0040, 0x0069}) {
        const ConsumerUsageName* found = FindConsumerUsageName(usage);
        ASSERT_NE(found, nullptr) << std::hex << usage;
        EXPECT_FALSE(found->windowsActs) << std::hex << usage;
    }
    // Consumer Control itself, Numeric Key Pad, Play Skip, both ends.
    for (std::uint16_t usage : {0x0001, 0x0002, 0x00CE, 0x0000, 0xFFFF})
        EXPECT_EQ(FindConsumerUsageName(usage), nullptr) << std::hex << usage;
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
