#include "remote/ConsumerUsageNames.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

constexpr bool kWindowsActs = true;
constexpr bool kOnlyKorvanta = false;

// The usages remotes send, by the HID Usage Tables' consumer page, sorted by
// usage for the binary search. Windows acts by itself on volume, mute,
// play/pause, next/previous track and stop, and on the launch keys (the
// shell's app commands: mail, calculator, the media player, the computer
// window, and the browser's search, home, back, forward, stop, refresh
// and bookmarks); a button sending one of those does its Windows action too,
// whatever Korvanta does with it.
//
// The page has no digit usages: its Numeric Key Pad (0x02) is a collection
// whose digits are Button-page usages, and remotes send their digits as
// keyboard keys, which Windows types itself. Only +10 and +100 are consumer
// usages of their own.
constexpr ConsumerUsageName kNames[] = {
    {0x0020, u"+10", kOnlyKorvanta},                  // +10
    {0x0021, u"+100", kOnlyKorvanta},                 // +100
    {0x0030, u"電源", kOnlyKorvanta},                 // Power
    {0x0032, u"スリープ", kOnlyKorvanta},             // Sleep
    {0x0040, u"メニュー", kOnlyKorvanta},             // Menu
    {0x0041, u"決定", kOnlyKorvanta},                 // Menu Pick
    {0x0042, u"上", kOnlyKorvanta},                   // Menu Up
    {0x0043, u"下", kOnlyKorvanta},                   // Menu Down
    {0x0044, u"左", kOnlyKorvanta},                   // Menu Left
    {0x0045, u"右", kOnlyKorvanta},                   // Menu Right
    {0x0046, u"メニューを閉じる", kOnlyKorvanta},     // Menu Escape
    {0x0060, u"情報表示", kOnlyKorvanta},             // Data On Screen
    {0x0061, u"字幕", kOnlyKorvanta},                 // Closed Caption
    {0x0065, u"スナップショット", kOnlyKorvanta},     // Snapshot
    {0x0069, u"赤", kOnlyKorvanta},                   // Red Menu Button
    {0x006A, u"緑", kOnlyKorvanta},                   // Green Menu Button
    {0x006B, u"青", kOnlyKorvanta},                   // Blue Menu Button
    {0x006C, u"黄", kOnlyKorvanta},                   // Yellow Menu Button
    {0x0082, u"モード切替", kOnlyKorvanta},           // Mode Step
    {0x0083, u"直前のチャンネル", kOnlyKorvanta},     // Recall Last
    {0x0084, u"チャンネル番号入力", kOnlyKorvanta},   // Enter Channel
    {0x0085, u"映画を注文", kOnlyKorvanta},           // Order Movie
    {0x0086, u"チャンネル", kOnlyKorvanta},           // Channel
    {0x0089, u"テレビ", kOnlyKorvanta},               // Media Select TV
    {0x008D, u"番組表", kOnlyKorvanta},               // Media Select Program Guide
    {0x0094, u"終了", kOnlyKorvanta},                 // Quit
    {0x0095, u"ヘルプ", kOnlyKorvanta},               // Help
    {0x009A, u"メディア選択: ホーム", kOnlyKorvanta}, // Media Select Home
    {0x009C, u"チャンネル +", kOnlyKorvanta},         // Channel Increment
    {0x009D, u"チャンネル -", kOnlyKorvanta},         // Channel Decrement
    {0x00B0, u"再生", kOnlyKorvanta},                 // Play
    {0x00B1, u"一時停止", kOnlyKorvanta},             // Pause
    {0x00B2, u"録画", kOnlyKorvanta},                 // Record
    {0x00B3, u"早送り", kOnlyKorvanta},               // Fast Forward
    {0x00B4, u"巻き戻し", kOnlyKorvanta},             // Rewind
    {0x00B5, u"次へ", kWindowsActs},                  // Scan Next Track
    {0x00B6, u"前へ", kWindowsActs},                  // Scan Previous Track
    {0x00B7, u"停止", kWindowsActs},                  // Stop
    {0x00B8, u"取り出し", kOnlyKorvanta},             // Eject
    {0x00B9, u"ランダム再生", kOnlyKorvanta},         // Random Play
    {0x00BC, u"リピート", kOnlyKorvanta},             // Repeat
    {0x00C0, u"コマ送り", kOnlyKorvanta},             // Frame Forward
    {0x00C1, u"コマ戻し", kOnlyKorvanta},             // Frame Back
    {0x00CD, u"再生/一時停止", kWindowsActs},         // Play/Pause
    {0x00E2, u"消音", kWindowsActs},                  // Mute
    {0x00E9, u"音量 +", kWindowsActs},                // Volume Increment
    {0x00EA, u"音量 -", kWindowsActs},                // Volume Decrement
    {0x0183, u"メディアプレーヤー", kWindowsActs},    // AL Consumer Control Configuration
    {0x018A, u"メール", kWindowsActs},                // AL Email Reader
    {0x0192, u"電卓", kWindowsActs},                  // AL Calculator
    {0x0194, u"コンピューター", kWindowsActs},        // AL Local Machine Browser
    {0x0221, u"検索", kWindowsActs},                  // AC Search
    {0x0223, u"ホーム", kWindowsActs},                // AC Home
    {0x0224, u"戻る", kWindowsActs},                  // AC Back
    {0x0225, u"進む", kWindowsActs},                  // AC Forward
    {0x0226, u"中止", kWindowsActs},                  // AC Stop
    {0x0227, u"更新", kWindowsActs},                  // AC Refresh
    {0x022A, u"お気に入り", kWindowsActs},            // AC Bookmarks
};

constexpr bool StrictlyAscending() {
    for (std::size_t i = 1; i < std::size(kNames); ++i)
        if (kNames[i - 1].usage >= kNames[i].usage) return false;
    return true;
}
static_assert(StrictlyAscending(), "the binary search needs the names sorted by usage, each usage once");

void AppendHex4(std::u16string& text, std::uint16_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
}

}  // namespace

const ConsumerUsageName* FindConsumerUsageName(std::uint16_t usage) {
    const auto found = std::lower_bound(std::begin(kNames), std::end(kNames), usage,
                                        [](const ConsumerUsageName& entry, std::uint16_t u) { return entry.usage < u; });
    return found != std::end(kNames) && found->usage == usage ? found : nullptr;
}

std::u16string OtherButtonLabel(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t usage) {
    std::u16string label;
    AppendHex4(label, vendorId);
    label += u':';
    AppendHex4(label, productId);
    label += u' ';
    const ConsumerUsageName* named = FindConsumerUsageName(usage);
    if (!named) {
        AppendHex4(label, usage);
        return label;
    }
    label += named->name;
    label += u" (";
    AppendHex4(label, usage);
    label += u')';
    return label;
}
