// The simulated desktop's consumer-control devices and the system's HID
// parser over them. The parsed descriptor is a copy, as Windows hands out:
// it holds the device's layout itself, so data kept from a device that has
// gone still parses by that device's layout, not by the new one's.
#include <cstring>

#include "tests/sim/SimDesktop.h"

namespace sim {

namespace {

constexpr char kMagic[4] = {'k', 'v', 'p', 'p'};
constexpr NTSTATUS kInvalidPreparsedData = static_cast<NTSTATUS>(0xC0110001u);
constexpr NTSTATUS kInvalidReportLength = static_cast<NTSTATUS>(0xC0110003u);
constexpr NTSTATUS kUsageNotFound = static_cast<NTSTATUS>(0xC0110004u);
constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0110007u);
constexpr NTSTATUS kIncompatibleReportId = static_cast<NTSTATUS>(0xC011000Au);
// The usages an array's slots can carry: Logical Minimum 1 to this.
constexpr USAGE kArrayUsageMaximum = 0x029C;

// The report ID leads, 0 when the device has none; then 16-bit slots, or bits.
std::size_t ReportBytes(std::size_t slots, std::size_t bits) { return 1 + (bits == 0 ? slots * 2 : (bits + 7) / 8); }

std::vector<BYTE> Serialise(const SimDesktop::HidLayout& layout) {
    std::vector<BYTE> bytes(kMagic, kMagic + 4);
    auto word = [&bytes](USHORT value) {
        bytes.push_back(static_cast<BYTE>(value));
        bytes.push_back(static_cast<BYTE>(value >> 8));
    };
    bytes.push_back(layout.reportId);
    word(layout.usagePage);
    word(layout.slots);
    word(static_cast<USHORT>(layout.bitmapUsages.size()));
    for (USAGE usage : layout.bitmapUsages) word(usage);
    return bytes;
}

// The parsed descriptor read in place, so that parsing allocates nothing,
// as a report costs the program nothing on Windows either.
struct Parsed {
    const BYTE* bytes;
    USHORT Word(std::size_t at) const { return static_cast<USHORT>(bytes[at] | bytes[at + 1] << 8); }
    BYTE ReportId() const { return bytes[4]; }
    USAGE UsagePage() const { return Word(5); }
    USHORT Slots() const { return Word(7); }
    USHORT Bits() const { return Word(9); }
    USAGE BitUsage(std::size_t bit) const { return Word(11 + 2 * bit); }
    std::size_t ReportBytes() const { return sim::ReportBytes(Slots(), Bits()); }
};

bool Read(PHIDP_PREPARSED_DATA data, Parsed& parsed) {
    parsed.bytes = reinterpret_cast<const BYTE*>(data);
    return parsed.bytes && std::memcmp(parsed.bytes, kMagic, 4) == 0;
}

}  // namespace

HANDLE SimDesktop::AddConsumerDevice(DWORD vendor, DWORD product, HidLayout layout) {
    HANDLE device = AddHidDevice(vendor, product);
    Device& d = devices_.back();
    d.parsed = true;
    d.layout = std::move(layout);
    return device;
}

HANDLE SimDesktop::AddConsumerDevice(DWORD vendor, DWORD product) {
    return AddConsumerDevice(vendor, product, HidLayout{});
}

void SimDesktop::ReuseDeviceHandle(HANDLE device, DWORD vendor, DWORD product, HidLayout layout) {
    Device& d = DeviceOf(device);
    d.info.hid.dwVendorId = vendor;
    d.info.hid.dwProductId = product;
    d.parsed = true;
    d.layout = std::move(layout);
    d.plugged = true;
}

std::vector<BYTE> SimDesktop::ConsumerReport(HANDLE device, const std::vector<USAGE>& held, BYTE reportId) const {
    const HidLayout& layout = DeviceOf(device).layout;
    std::vector<BYTE> report(ReportBytes(layout.slots, layout.bitmapUsages.size()), 0);
    report[0] = reportId;
    if (layout.bitmapUsages.empty()) {
        for (std::size_t i = 0; i < held.size() && i < layout.slots; ++i) {
            report[1 + 2 * i] = static_cast<BYTE>(held[i]);
            report[2 + 2 * i] = static_cast<BYTE>(held[i] >> 8);
        }
        return report;
    }
    for (USAGE usage : held)
        for (std::size_t bit = 0; bit < layout.bitmapUsages.size(); ++bit)
            if (layout.bitmapUsages[bit] == usage) report[1 + bit / 8] |= static_cast<BYTE>(1u << (bit % 8));
    return report;
}

// Like Windows: the size without a buffer, the copy with one large enough.
// A device that has gone has no data.
UINT SimDesktop::ReadPreparsedData(std::size_t index, void* data, UINT* size) {
    const Device& d = devices_[index];
    if (!d.plugged || !d.parsed) return static_cast<UINT>(-1);
    const auto needed = static_cast<UINT>(11 + 2 * d.layout.bitmapUsages.size());
    if (!data) {
        *size = needed;
        return 0;
    }
    if (*size < needed) {
        *size = needed;
        return static_cast<UINT>(-1);
    }
    const std::vector<BYTE> bytes = Serialise(d.layout);
    std::memcpy(data, bytes.data(), needed);
    ++preparsedReads;
    return needed;
}

NTSTATUS SimDesktop::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
    Parsed parsed;
    if (!Read(preparsedData, parsed)) return kInvalidPreparsedData;
    *capabilities = HIDP_CAPS{};
    capabilities->UsagePage = parsed.UsagePage();
    capabilities->Usage = 0x01;
    capabilities->InputReportByteLength = static_cast<USHORT>(parsed.ReportBytes());
    capabilities->NumberInputButtonCaps = 1;
    return HIDP_STATUS_SUCCESS;
}

ULONG SimDesktop::HidP_MaxUsageListLength(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                          PHIDP_PREPARSED_DATA preparsedData) {
    Parsed parsed;
    if (reportType != HidP_Input || !Read(preparsedData, parsed)) return 0;
    if (usagePage != 0 && usagePage != parsed.UsagePage()) return 0;
    return parsed.Bits() == 0 ? parsed.Slots() : parsed.Bits();
}

// The usages held in one report: an array slot within the logical range, or
// a bitmap's set bit, in the report's order.
NTSTATUS SimDesktop::HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage, USHORT linkCollection,
                                    USAGE* usageList, ULONG* usageLength, PHIDP_PREPARSED_DATA preparsedData,
                                    char* report, ULONG reportLength) {
    ++usageReads;
    Parsed parsed;
    if (reportType != HidP_Input || linkCollection != 0 || !Read(preparsedData, parsed)) return kInvalidPreparsedData;
    if (reportLength != parsed.ReportBytes()) return kInvalidReportLength;
    if (usagePage != parsed.UsagePage()) return kUsageNotFound;
    const auto* bytes = reinterpret_cast<const BYTE*>(report);
    if (bytes[0] != parsed.ReportId()) return kIncompatibleReportId;
    ULONG held = 0;
    const auto hold = [&](USAGE usage) {
        if (held < *usageLength) usageList[held] = usage;
        ++held;
    };
    if (parsed.Bits() == 0) {
        for (std::size_t i = 0; i < parsed.Slots(); ++i) {
            const USAGE usage = static_cast<USAGE>(bytes[1 + 2 * i] | bytes[2 + 2 * i] << 8);
            if (usage >= 1 && usage <= kArrayUsageMaximum) hold(usage);
        }
    } else {
        for (std::size_t bit = 0; bit < parsed.Bits(); ++bit)
            if (bytes[1 + bit / 8] & (1u << (bit % 8))) hold(parsed.BitUsage(bit));
    }
    const bool fits = held <= *usageLength;
    *usageLength = held;
    return fits ? HIDP_STATUS_SUCCESS : kBufferTooSmall;
}

}  // namespace sim
