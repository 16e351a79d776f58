#include "remote/OtherRemote.h"

#include <algorithm>
#include <cstring>

#include "platform/Constants.h"
#include "remote/RemoteInput.h"

using namespace win;

namespace {

// Ordinary packets fit here; a larger one goes into the device's own room.
constexpr UINT kInlinePacketBytes = 256;
constexpr UINT kHidDataOffset = sizeof(RAWINPUTHEADER) + sizeof(RAWHID);
constexpr UINT kNoData = static_cast<UINT>(-1);

PHIDP_PREPARSED_DATA ParsedDescriptor(OtherRemoteDevice& device) {
    return reinterpret_cast<PHIDP_PREPARSED_DATA>(device.preparsed.data());
}

// The size of the device's parsed descriptor, 0 when the device has gone.
UINT PreparsedSize(HANDLE device) {
    UINT size = 0;
    if (Win().GetRawInputDeviceInfoW(device, RIDI_PREPARSEDDATA, nullptr, &size) != 0) return 0;
    return size;
}

// What the device needs, read once: false when it has gone or holds no
// consumer buttons the parser can read.
bool Prepare(OtherRemoteDevice& device, OtherRemotes& remotes, UINT size) {
    device.preparsed.assign(size, 0);
    device.held.clear();
    UINT room = size;
    const UINT copied = Win().GetRawInputDeviceInfoW(device.id.device, RIDI_PREPARSEDDATA, device.preparsed.data(), &room);
    if (copied == kNoData || copied == 0 || copied > size) return false;
    HIDP_CAPS caps{};
    if (Win().HidP_GetCaps(ParsedDescriptor(device), &caps) != HIDP_STATUS_SUCCESS) return false;
    const ULONG most = Win().HidP_MaxUsageListLength(HidP_Input, kConsumerUsagePage, ParsedDescriptor(device));
    if (caps.InputReportByteLength == 0 || most == 0 || most > 0xFFFF) return false;
    device.reportBytes = caps.InputReportByteLength;
    device.usages.assign(most, 0);
    device.held.reserve(most);
    if (remotes.changes.capacity() < 2 * most) remotes.changes.reserve(2 * most);
    return true;
}

// The device's entry, ready for its report: made at its first, and made
// anew when the handle now names another device or a changed descriptor.
OtherRemoteDevice* DeviceFor(OtherRemotes& remotes, const OtherDeviceId& id) {
    const UINT size = PreparsedSize(id.device);
    auto found = std::find_if(remotes.devices.begin(), remotes.devices.end(),
                              [&id](const OtherRemoteDevice& d) { return d.id.device == id.device; });
    if (size == 0) {
        if (found != remotes.devices.end()) remotes.devices.erase(found);
        return nullptr;
    }
    if (found != remotes.devices.end() && found->id.vendorId == id.vendorId && found->id.productId == id.productId &&
        found->preparsed.size() == size)
        return &*found;
    if (found == remotes.devices.end()) {
        if (remotes.devices.size() >= kOtherDeviceLimit) remotes.devices.erase(remotes.devices.begin());
        remotes.devices.emplace_back();
        found = remotes.devices.end() - 1;
    }
    found->id = id;
    if (Prepare(*found, remotes, size)) return &*found;
    remotes.devices.erase(found);
    return nullptr;
}

bool HeldIn(const std::vector<OtherRemoteDevice::Held>& held, std::uint8_t reportId, std::uint16_t usage) {
    return std::any_of(held.begin(), held.end(), [=](const OtherRemoteDevice::Held& h) {
        return h.reportId == reportId && h.usage == usage;
    });
}

// One report against the one before it of the same ID: releases first, then
// presses, so that a report that moves from one button to another lets the
// first go before the second acts.
void CompareReport(OtherRemoteDevice& device, std::vector<OtherButtonChange>& changes, unsigned char* report) {
    ULONG length = static_cast<ULONG>(device.usages.size());
    if (Win().HidP_GetUsages(HidP_Input, kConsumerUsagePage, 0, device.usages.data(), &length,
                             ParsedDescriptor(device), reinterpret_cast<char*>(report),
                             device.reportBytes) != HIDP_STATUS_SUCCESS)
        return;
    length = std::min<ULONG>(length, static_cast<ULONG>(device.usages.size()));
    const std::uint8_t reportId = report[0];
    const USAGE* first = device.usages.data();
    const USAGE* last = first + length;
    auto& held = device.held;
    for (std::size_t i = 0; i < held.size();) {
        if (held[i].reportId == reportId && std::find(first, last, held[i].usage) == last) {
            changes.push_back({held[i].usage, false});
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    for (const USAGE* usage = first; usage != last; ++usage) {
        if (*usage == 0 || HeldIn(held, reportId, *usage)) continue;
        held.push_back({reportId, *usage});
        changes.push_back({*usage, true});
    }
}

}  // namespace

bool OtherDevicePresent(HANDLE device) { return PreparsedSize(device) != 0; }

bool ReadOtherRemote(OtherRemotes& remotes, HRAWINPUT rawInput, const OtherDeviceId& id) {
    remotes.changes.clear();
    OtherRemoteDevice* device = DeviceFor(remotes, id);
    if (!device) return false;

    UINT size = 0;
    Win().GetRawInputData(rawInput, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER));
    if (size < kHidDataOffset) return false;
    alignas(8) unsigned char inlinePacket[kInlinePacketBytes];
    unsigned char* packet = inlinePacket;
    if (size > kInlinePacketBytes) {
        if (device->packet.size() < size) device->packet.resize(size);
        packet = device->packet.data();
    }
    const UINT expected = size;
    if (Win().GetRawInputData(rawInput, RID_INPUT, packet, &size, sizeof(RAWINPUTHEADER)) != expected) return false;

    RAWINPUTHEADER header;
    RAWHID hid;
    std::memcpy(&header, packet, sizeof(header));
    std::memcpy(&hid, packet + sizeof(header), sizeof(hid));
    if (header.dwType != RIM_TYPEHID || header.hDevice != id.device || hid.dwSizeHid != device->reportBytes)
        return false;
    if (std::uint64_t{hid.dwCount} * hid.dwSizeHid > expected - kHidDataOffset) return false;
    for (DWORD i = 0; i < hid.dwCount; ++i)
        CompareReport(*device, remotes.changes, packet + kHidDataOffset + std::size_t{i} * hid.dwSizeHid);
    return true;
}
