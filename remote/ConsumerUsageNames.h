// The names of the consumer-page (0x0C) usages that the buttons of other USB
// remotes send, as the settings window shows them, and whether Windows acts
// on a usage by itself as well.
#pragma once

#include <cstdint>
#include <string>

struct ConsumerUsageName {
    std::uint16_t usage;
    const char16_t* name;  // Japanese, in the settings window's words
    bool windowsActs;      // Windows turns it into a volume, media or launch command of its own
};

// The name of a consumer usage, or nullptr when it has none in the table.
const ConsumerUsageName* FindConsumerUsageName(std::uint16_t usage);

// A button of another remote as the settings window's row and the on-screen
// line name it: "045E:0800 再生/一時停止 (00CD)", or "045E:0800 00CD" for a
// usage the table does not name.
std::u16string OtherButtonLabel(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t usage);
