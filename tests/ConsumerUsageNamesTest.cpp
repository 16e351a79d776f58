// The names of other remotes' buttons, checked against a listing taken from
// the HID Usage Tables' consumer page, and the row label built from them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "remote/ConsumerUsageNames.h"

namespace {

// UTF-8 of a text within the Basic Multilingual Plane, for readable failures.
std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Listed {
    std::uint16_t usage;
    const char* tablesName;  // as the HID Usage Tables name it
    const char16_t* shown;
    bool windowsActs;
};

constexpr Listed kListing[] = {
    {0x0020, "+10", u"+10", false},
    {0x0021, "+100", u"+100", false},
    {0x0030, "Power", u"電源", false},
    {0x0032, "Sleep", u"スリープ", false},
    {0x0040, "Menu", u"メニュー", false},
    {0x0041, "Menu Pick", u"決定", false},
    {0x0042, "Menu Up", u"上", false},
    {0x0043, "Menu Down", u"下", false},
    {0x0044, "Menu Left", u"左", false},
    {0x0045, "Menu Right", u"右", false},
    {0x0046, "Menu Escape", u"メニューを閉じる", false},
    {0x0060, "Data On Screen", u"情報表示", false},
    {0x0061, "Closed Caption", u"字幕", false},
    {0x0065, "Snapshot", u"スナップショット", false},
    {0x0069, "Red Menu Button", u"赤", false},
    {0x006A, "Green Menu Button", u"緑", false},
    {0x006B, "Blue Menu Button", u"青", false},
    {0x006C, "Yellow Menu Button", u"黄", false},
    {0x0082, "Mode Step", u"モード切替", false},
    {0x0083, "Recall Last", u"直前のチャンネル", false},
    {0x0084, "Enter Channel", u"チャンネル番号入力", false},
    {0x0085, "Order Movie", u"映画を注文", false},
    {0x0086, "Channel", u"チャンネル", false},
    {0x0089, "Media Select TV", u"テレビ", false},
    {0x008D, "Media Select Program Guide", u"番組表", false},
    {0x0094, "Quit", u"終了", false},
    {0x0095, "Help", u"ヘルプ", false},
    {0x009A, "Media Select Home", u"メディア選択: ホーム", false},
    {0x009C, "Channel Increment", u"チャンネル +", false},
    {0x009D, "Channel Decrement", u"チャンネル -", false},
    {0x00B0, "Play", u"再生", false},
    {0x00B1, "Pause", u"一時停止", false},
    {0x00B2, "Record", u"録画", false},
    {0x00B3, "Fast Forward", u"早送り", false},
    {0x00B4, "Rewind", u"巻き戻し", false},
    {0x00B5, "Scan Next Track", u"次へ", true},
    {0x00B6, "Scan Previous Track", u"前へ", true},
    {0x00B7, "Stop", u"停止", true},
    {0x00B8, "Eject", u"取り出し", false},
    {0x00B9, "Random Play", u"ランダム再生", false},
    {0x00BC, "Repeat", u"リピート", false},
    {0x00C0, "Frame Forward", u"コマ送り", false},
    {0x00C1, "Frame Back", u"コマ戻し", false},
    {0x00CD, "Play/Pause", u"再生/一時停止", true},
    {0x00E2, "Mute", u"消音", true},
    {0x00E9, "Volume Increment", u"音量 +", true},
    {0x00EA, "Volume Decrement", u"音量 -", true},
    {0x0183, "AL Consumer Control Configuration", u"メディアプレーヤー", true},
    {0x018A, "AL Email Reader", u"メール", true},
    {0x0192, "AL Calculator", u"電卓", true},
    {0x0194, "AL Local Machine Browser", u"コンピューター", true},
    {0x0221, "AC Search", u"検索", true},
    {0x0223, "AC Home", u"ホーム", true},
    {0x0224, "AC Back", u"戻る", true},
    {0x0225, "AC Forward", u"進む", true},
    {0x0226, "AC Stop", u"中止", true},
    {0x0227, "AC Refresh", u"更新", true},
    {0x022A, "AC Bookmarks", u"お気に入り", true},
};

}  // namespace

TEST(ConsumerUsageNames, EveryListedUsageHasItsOwnNameAndSaysWhetherWindowsActsOnIt) {
    std::set<std::u16string> names;
    for (const Listed& listed : kListing) {
        SCOPED_TRACE(listed.tablesName);
        const ConsumerUsageName* found = FindConsumerUsageName(listed.usage);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->usage, listed.usage);
        EXPECT_EQ(Utf8(found->name), Utf8(listed.shown));
        EXPECT_EQ(found->windowsActs, listed.windowsActs);
        EXPECT_TRUE(names.insert(found->name).second) << "a second button named " << Utf8(found->name);
    }
}

TEST(ConsumerUsageNames, UsagesBetweenAndBeyondTheNamedOnesHaveNoName) {
    // Consumer Control, Numeric Key Pad, Menu Value Increase, Play Skip,
    // AC Previous Link, a contact usage, and both ends of the range.
    for (const std::uint16_t usage : {0x0000, 0x0001, 0x0002, 0x0047, 0x00CE, 0x0228, 0x0500, 0xFFFF})
        EXPECT_EQ(FindConsumerUsageName(usage), nullptr) << std::hex << usage;
}

TEST(ConsumerUsageNames, AnOtherRemotesButtonIsLabelledByDeviceNameAndUsage) {
    const char16_t* also = u"Windows も反応";
    struct Case {
        const char* what;
        std::uint16_t vendor, product, usage;
        const char16_t* windowsAlso;
        const char16_t* label;
    };
    const Case cases[] = {
        {"a named usage Windows leaves alone", 0x045E, 0x0800, 0x00B0, also, u"045E:0800 再生 (00B0)"},
        {"a usage Windows acts on is marked after its name", 0x045E, 0x0800, 0x00CD, also,
         u"045E:0800 再生/一時停止 (Windows も反応) (00CD)"},
        {"no mark given, none shown", 0x045E, 0x0800, 0x00CD, nullptr, u"045E:0800 再生/一時停止 (00CD)"},
        {"an unnamed usage: its number alone", 0x045E, 0x0800, 0x00CE, also, u"045E:0800 00CE"},
        {"upper-case hex, four digits each", 0x0a1b, 0xfe02, 0x022A, also,
         u"0A1B:FE02 お気に入り (Windows も反応) (022A)"},
        {"leading zeros kept", 0x0001, 0x0000, 0x0020, also, u"0001:0000 +10 (0020)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(OtherButtonLabel(c.vendor, c.product, c.usage, c.windowsAlso)), Utf8(c.label)) << c.what;
}
