#include "remote/RemoteInput.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/Constants.h"
#include "remote/OtherRemote.h"

using namespace win;

namespace {

// Ordinary packets fit here, so a press costs no heap allocation.
constexpr UINT kInlinePacketBytes = 256;

constexpr UINT kHidDataOffset = sizeof(RAWINPUTHEADER) + sizeof(RAWHID);

bool DeviceIsReceiver(HANDLE device, ReportSource* source, OtherDeviceId* other = nullptr) {
    // A record of the platform's own size, never one sized by what a size
    // query reports: a smaller buffer would let the platform write past it.
    RID_DEVICE_INFO info{};
    info.cbSize = sizeof(info);
    UINT size = sizeof(info);
    Win().GetRawInputDeviceInfoW(device, RIDI_DEVICEINFO, &info, &size);

    const bool receiver = info.dwType == RIM_TYPEHID && info.hid.dwVendorId == kReceiverVendorId &&
                          info.hid.dwProductId == kReceiverProductId;
    if (receiver && source) {
        source->vendorId = info.hid.dwVendorId;
        source->productId = info.hid.dwProductId;
    }
    if (!receiver && other && info.dwType == RIM_TYPEHID)
        *other = OtherDeviceId{device, static_cast<std::uint16_t>(info.hid.dwVendorId),
                               static_cast<std::uint16_t>(info.hid.dwProductId)};
    return receiver;
}

}  // namespace

std::uint16_t CodeOfLastReport(const unsigned char* packet, std::uint32_t size) {
    if (size < kHidDataOffset) return kNotFromReceiver;
    RAWINPUTHEADER header;
    std::memcpy(&header, packet, sizeof(header));
    if (header.dwType != RIM_TYPEHID) return kNotFromReceiver;

    RAWHID hid;
    std::memcpy(&hid, packet + sizeof(RAWINPUTHEADER), sizeof(hid));
    if (hid.dwCount == 0 || hid.dwSizeHid <= kButtonCodeOffset) return kNotFromReceiver;
    const std::uint64_t reportBytes = std::uint64_t{hid.dwCount} * hid.dwSizeHid;
    if (reportBytes > size - kHidDataOffset) return kNotFromReceiver;

    const std::uint64_t lastReport = std::uint64_t{hid.dwCount - 1} * hid.dwSizeHid;
    return packet[kHidDataOffset + lastReport + kButtonCodeOffset];
}

void RegisterRemoteInput(HWND hwnd, RepeatFilter& filter) {
    filter.lastCode = 0;
    filter.repeatCount = 0;
    RAWINPUTDEVICE device{kConsumerUsagePage, kConsumerControlUsage, RIDEV_INPUTSINK, hwnd};
    Win().RegisterRawInputDevices(&device, 1, sizeof(device));
}

bool IsReceiverMissing() {
    // Devices may come and go between the count and the list: ask again,
    // a few times, with the count the platform gives back.
    UINT count = 0;
    if (Win().GetRawInputDeviceList(nullptr, &count, sizeof(RAWINPUTDEVICELIST)) != 0) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const UINT capacity = count + 1;
        std::unique_ptr<RAWINPUTDEVICELIST[]> list(new (std::nothrow) RAWINPUTDEVICELIST[capacity]);
        if (!list) return false;
        UINT room = capacity;
        const UINT listed = Win().GetRawInputDeviceList(list.get(), &room, sizeof(RAWINPUTDEVICELIST));
        if (listed == static_cast<UINT>(-1)) {
            if (Win().GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
            count = room;
            continue;
        }
        for (UINT i = 0; i < listed && i < capacity; ++i)
            if (list[i].dwType == RIM_TYPEHID && DeviceIsReceiver(list[i].hDevice, nullptr)) return false;
        return true;
    }
    return false;
}

std::uint16_t ReadRemoteCode(HRAWINPUT rawInput, ReportSource* source, OtherDeviceId* other) {
    if (other) other->device = nullptr;
    UINT size = 0;
    Win().GetRawInputData(rawInput, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER));
    if (size < kHidDataOffset) return kNotFromReceiver;

    alignas(8) unsigned char inlinePacket[kInlinePacketBytes];
    std::unique_ptr<unsigned char[]> largePacket;
    unsigned char* packet = inlinePacket;
    if (size > kInlinePacketBytes) {
        largePacket.reset(new (std::nothrow) unsigned char[size]);
        if (!largePacket) return kNotFromReceiver;
        packet = largePacket.get();
    }

    const UINT expected = size;
    if (Win().GetRawInputData(rawInput, RID_INPUT, packet, &size, sizeof(RAWINPUTHEADER)) != expected)
        return kNotFromReceiver;

    RAWINPUTHEADER header;
    std::memcpy(&header, packet, sizeof(header));
    if (!DeviceIsReceiver(header.hDevice, source, other)) return kNotFromReceiver;
    const std::uint16_t code = CodeOfLastReport(packet, expected);
    if (source && code <= 0xFF) source->code = static_cast<std::uint8_t>(code);
    return code;
}

std::uint16_t FilterRepeat(RepeatFilter& filter, std::uint8_t code) {
    if (code == 0) {
        filter.repeatCount += 1;
        filter.lastCode = 0;
        return kReportSwallowed;
    }
    if (code == filter.lastCode) {
        // Steps of 2 make the initial pause five reports long.
        if (filter.repeatCount < 10) {
            filter.repeatCount += 2;
            return kReportSwallowed;
        }
        filter.repeatCount += 1;
        return code;
    }
    filter.repeatCount = 1;
    filter.lastCode = code;
    return code;
}

std::uint16_t DecodeRemoteReport(HRAWINPUT rawInput, RepeatFilter& filter, ReportSource* source) {
    const std::uint16_t code = ReadRemoteCode(rawInput, source);
    if (code == kNotFromReceiver) return kNotFromReceiver;
    return FilterRepeat(filter, static_cast<std::uint8_t>(code));
}
