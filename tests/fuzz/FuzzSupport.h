// What the fuzzers share: a failed property ends the run with a message, and
// a simulated desktop whose raw input the fuzz input controls completely.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/asan_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "remote/RemoteInput.h"
#include "tests/sim/SimDesktop.h"

namespace fuzz {
// With KORVANTA_FUZZ_TRACE set, the fuzzers record every call on the simulated
// desktop and print the record when a property fails.
inline const sim::SimDesktop* g_tracedDesk = nullptr;
inline bool Tracing() { return std::getenv("KORVANTA_FUZZ_TRACE") != nullptr; }
inline void PrintTrace() {
    if (!g_tracedDesk) return;
    for (const std::string& line : g_tracedDesk->calls) std::fprintf(stderr, "  | %s\n", line.c_str());
}
}  // namespace fuzz

#define FUZZ_CHECK(condition, ...)                                                      \
    do {                                                                                \
        if (!(condition)) {                                                             \
            fuzz::PrintTrace();                                                         \
            std::fprintf(stderr, "property failed at %s:%d: %s\n  ", __FILE__, __LINE__, \
                         #condition);                                                   \
            std::fprintf(stderr, __VA_ARGS__);                                          \
            std::fprintf(stderr, "\n");                                                 \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

namespace fuzz {

using namespace win;

// How the second GetRawInputData call, the one with a buffer, behaves.
enum class Read : std::uint8_t {
    kWhole,        // as Windows: the whole packet when it fits, else -1
    kFails,        // -1, nothing written
    kReturnsZero,  // 0, nothing written
    kPartial,      // writes only some bytes and says how many
};

struct Packet {
    std::vector<BYTE> bytes;
    bool sizeQueryFails = false;  // the size query returns -1 and reports nothing
    UINT reportedSize = 0;        // what the size query reports
    Read read = Read::kWhole;
    UINT partialBytes = 0;        // for Read::kPartial
};

struct Device {
    RID_DEVICE_INFO info{};
    bool fails = false;    // GetRawInputDeviceInfoW returns -1
    bool listed = true;    // in GetRawInputDeviceList's answer (plugged in)
};

// The simulated desktop with raw input taken over: packets and device records
// come from the fuzz input, and the bytes of the caller's buffer that a read
// did not write are poisoned, so that reading any of them is a fault even
// when the buffer itself is larger.
class RawInputDesk : public sim::SimDesktop {
public:
    static constexpr std::uintptr_t kPacketBase = 0x150000;
    static constexpr std::uintptr_t kDeviceBase = 0x170000;

    std::vector<fuzz::Packet> packets;
    std::vector<fuzz::Device> devices;

    HRAWINPUT AddPacket(fuzz::Packet packet) {
        packets.push_back(std::move(packet));
        return reinterpret_cast<HRAWINPUT>(kPacketBase + packets.size());
    }

    HANDLE AddDevice(DWORD type, DWORD vendor, DWORD product, bool fails) {
        fuzz::Device d;
        d.info.cbSize = sizeof(RID_DEVICE_INFO);
        d.info.dwType = type;
        if (type == RIM_TYPEHID) {
            d.info.hid.dwVendorId = vendor;
            d.info.hid.dwProductId = product;
            d.info.hid.usUsagePage = 0x0C;
            d.info.hid.usUsage = 0x01;
        } else {
            d.info.keyboardOrMouse[0] = vendor;
            d.info.keyboardOrMouse[1] = product;
        }
        d.fails = fails;
        devices.push_back(d);
        return reinterpret_cast<HANDLE>(kDeviceBase + devices.size());
    }

    const fuzz::Packet* PacketOf(HRAWINPUT handle) const {
        const auto index = reinterpret_cast<std::uintptr_t>(handle) - kPacketBase - 1;
        return index < packets.size() ? &packets[index] : nullptr;
    }

    const fuzz::Device* DeviceOf(HANDLE handle) const {
        const auto index = reinterpret_cast<std::uintptr_t>(handle) - kDeviceBase - 1;
        return index < devices.size() ? &devices[index] : nullptr;
    }

    bool IsReceiver(HANDLE handle) const {
        const fuzz::Device* d = DeviceOf(handle);
        return d && !d->fails && d->info.dwType == RIM_TYPEHID && d->info.hid.dwVendorId == 0x04BB &&
               d->info.hid.dwProductId == 0x0F0E;
    }

    UINT GetRawInputData(HRAWINPUT rawInput, UINT command, void* data, UINT* size, UINT headerSize) override {
        FUZZ_CHECK(command == RID_INPUT && headerSize == sizeof(RAWINPUTHEADER) && size, "bad GetRawInputData call");
        const fuzz::Packet* p = PacketOf(rawInput);
        if (!p) return static_cast<UINT>(-1);
        if (!data) {
            if (p->sizeQueryFails) return static_cast<UINT>(-1);
            *size = p->reportedSize;
            return 0;
        }
        const UINT capacity = *size;
        const UINT length = static_cast<UINT>(p->bytes.size());
        UINT written = 0;
        UINT result = static_cast<UINT>(-1);
        switch (p->read) {
        case Read::kWhole:
            if (capacity >= length) {
                written = length;
                result = length;
            } else {
                *size = length;
            }
            break;
        case Read::kFails: break;
        case Read::kReturnsZero: result = 0; break;
        case Read::kPartial:
            written = std::min({p->partialBytes, length, capacity});
            result = written;
            break;
        }
        if (written) std::memcpy(data, p->bytes.data(), written);
        // The caller's frame or heap block clears this when it ends.
        ASAN_POISON_MEMORY_REGION(static_cast<BYTE*>(data) + written, capacity - written);
        return result;
    }

    UINT GetRawInputDeviceInfoW(HANDLE device, UINT command, void* data, UINT* size) override {
        FUZZ_CHECK((command == RIDI_DEVICEINFO || command == RIDI_PREPARSEDDATA) && size,
                   "bad GetRawInputDeviceInfoW call");
        const fuzz::Device* d = DeviceOf(device);
        // These devices' reports are the receiver's format alone: none has a
        // descriptor the HID parser reads (other remotes are fuzzed apart).
        if (!d || d->fails || command == RIDI_PREPARSEDDATA) return static_cast<UINT>(-1);
        if (!data) {
            *size = sizeof(RID_DEVICE_INFO);
            return 0;
        }
        auto* info = static_cast<RID_DEVICE_INFO*>(data);
        if (*size < sizeof(RID_DEVICE_INFO) || info->cbSize != sizeof(RID_DEVICE_INFO)) {
            *size = sizeof(RID_DEVICE_INFO);
            return static_cast<UINT>(-1);
        }
        std::memcpy(data, &d->info, sizeof(RID_DEVICE_INFO));
        return sizeof(RID_DEVICE_INFO);
    }

    bool listFails = false;  // GetRawInputDeviceList returns -1

    UINT GetRawInputDeviceList(RAWINPUTDEVICELIST* list, UINT* count, UINT size) override {
        FUZZ_CHECK(count && size == sizeof(RAWINPUTDEVICELIST), "bad GetRawInputDeviceList call");
        if (listFails) return static_cast<UINT>(-1);
        UINT listed = 0;
        for (const fuzz::Device& d : devices) listed += d.listed ? 1 : 0;
        if (!list) {
            *count = listed;
            return 0;
        }
        if (*count < listed) {
            *count = listed;
            return static_cast<UINT>(-1);
        }
        UINT at = 0;
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].listed) list[at++] = {reinterpret_cast<HANDLE>(kDeviceBase + i + 1), devices[i].info.dwType};
        return at;
    }
};

// ----- packets from the fuzz input -----

inline void Put32(std::vector<BYTE>& bytes, std::size_t at, std::uint32_t value) {
    if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &value, 4);
}
inline void Put64(std::vector<BYTE>& bytes, std::size_t at, std::uint64_t value) {
    if (at + 8 <= bytes.size()) std::memcpy(bytes.data() + at, &value, 8);
}
inline std::uint32_t Get32(const BYTE* bytes, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, bytes + at, 4);
    return v;
}
inline std::uint64_t Get64(const BYTE* bytes, std::size_t at) {
    std::uint64_t v;
    std::memcpy(&v, bytes + at, 8);
    return v;
}

// The layout Windows gives a HID packet on x64: type, size, device, wParam,
// then the report size and count, then the reports.
constexpr std::size_t kTypeAt = 0, kSizeAt = 4, kDeviceAt = 8, kSizeHidAt = 24, kCountAt = 28, kReportsAt = 32;
static_assert(sizeof(RAWINPUTHEADER) + sizeof(RAWHID) == kReportsAt, "an x64 layout is assumed");

// A packet shaped by the fuzz input: mostly well-formed HID packets from
// `device` with `code` in every report, sometimes with bent fields, sometimes
// raw bytes; then how the platform reports and delivers it.
inline Packet MakePacket(FuzzedDataProvider& in, HANDLE device, BYTE code) {
    Packet p;
    if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
        const int typeChoice = in.ConsumeIntegralInRange<int>(0, 7);
        const DWORD type = typeChoice < 6 ? RIM_TYPEHID : typeChoice == 6 ? 1 : in.ConsumeIntegral<DWORD>();
        const int sizeChoice = in.ConsumeIntegralInRange<int>(0, 7);
        const DWORD sizeHid = sizeChoice < 6 ? in.ConsumeIntegralInRange<DWORD>(0, 24) : in.ConsumeIntegral<DWORD>();
        const int countChoice = in.ConsumeIntegralInRange<int>(0, 7);
        const DWORD count = countChoice < 5 ? 1 : countChoice < 7 ? in.ConsumeIntegralInRange<DWORD>(0, 5)
                                                                  : in.ConsumeIntegral<DWORD>();
        const std::uint64_t natural = std::uint64_t{sizeHid} * count;
        std::size_t dataBytes = natural <= 1024 ? static_cast<std::size_t>(natural) : 64;
        const int slack = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<int>(-12, 12) : 0;
        dataBytes = static_cast<std::size_t>(std::max<std::int64_t>(0, static_cast<std::int64_t>(dataBytes) + slack));
        p.bytes.assign(kReportsAt + dataBytes, 0);
        Put32(p.bytes, kTypeAt, type);
        Put32(p.bytes, kSizeAt, static_cast<DWORD>(p.bytes.size()));
        Put64(p.bytes, kDeviceAt, reinterpret_cast<std::uintptr_t>(device));
        Put64(p.bytes, 16, in.ConsumeBool() ? 1 : 0);  // RIM_INPUTSINK or RIM_INPUT
        Put32(p.bytes, kSizeHidAt, sizeHid);
        Put32(p.bytes, kCountAt, count);
        // Every report carries the code, so the last one does too; an earlier
        // report may carry another.
        for (std::size_t r = 0; sizeHid > 6 && kReportsAt + r * sizeHid + 6 < p.bytes.size(); ++r)
            p.bytes[kReportsAt + r * sizeHid + 6] = code;
        if (count > 1 && sizeHid > 6 && p.bytes.size() > kReportsAt + 6 && in.ConsumeBool())
            p.bytes[kReportsAt + 6] = in.ConsumeIntegral<BYTE>();
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0 && p.bytes.size() > kReportsAt) {
            const std::vector<BYTE> noise = in.ConsumeBytes<BYTE>(p.bytes.size() - kReportsAt);
            std::copy(noise.begin(), noise.end(), p.bytes.begin() + kReportsAt);
        }
    } else {
        p.bytes = in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 400));
        if (in.ConsumeBool()) Put64(p.bytes, kDeviceAt, reinterpret_cast<std::uintptr_t>(device));
    }

    const UINT length = static_cast<UINT>(p.bytes.size());
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: p.sizeQueryFails = true; break;
    case 1: p.reportedSize = length + static_cast<UINT>(in.ConsumeIntegralInRange<int>(-40, 40)); break;
    // Real packets are small; a size query never reports more than this.
    case 2: p.reportedSize = in.ConsumeIntegralInRange<UINT>(0, 1 << 16); break;
    default: p.reportedSize = length; break;
    }
    if (p.reportedSize > (1u << 16) + 400) p.reportedSize = 0;  // a small negative slack
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: p.read = Read::kFails; break;
    case 1: p.read = Read::kReturnsZero; break;
    case 2:
        p.read = Read::kPartial;
        p.partialBytes = in.ConsumeIntegralInRange<UINT>(0, length);
        break;
    default: p.read = Read::kWhole; break;
    }
    return p;
}

// ----- the reference decoding, from the rule as the receiver's format states it -----

// The bytes the program may take as the packet: those of a read whose result
// equals the size the query reported. Returns false when there are none.
inline bool AcceptedBytes(const Packet& p, std::vector<BYTE>& out) {
    if (p.sizeQueryFails) return false;
    const UINT wanted = p.reportedSize;
    UINT delivered;
    switch (p.read) {
    case Read::kWhole: delivered = p.bytes.size() <= wanted ? static_cast<UINT>(p.bytes.size()) : ~0u; break;
    case Read::kPartial:
        delivered = std::min<UINT>({p.partialBytes, static_cast<UINT>(p.bytes.size()), wanted});
        break;
    case Read::kReturnsZero: delivered = 0; break;
    default: return false;
    }
    if (delivered != wanted) return false;
    out.assign(p.bytes.begin(), p.bytes.begin() + delivered);
    return true;
}

// The code of the last report when `bytes` hold a HID packet whose reports all
// lie inside them, else -1. The device is not looked at.
inline int ReferenceCode(const std::vector<BYTE>& bytes) {
    if (bytes.size() < kReportsAt) return -1;
    if (Get32(bytes.data(), kTypeAt) != RIM_TYPEHID) return -1;
    const std::uint64_t sizeHid = Get32(bytes.data(), kSizeHidAt);
    const std::uint64_t count = Get32(bytes.data(), kCountAt);
    if (count == 0 || sizeHid < 7) return -1;  // no report, or none long enough to carry a code
    const std::uint64_t room = bytes.size() - kReportsAt;
    if (count > room / sizeHid) return -1;  // the reports would run past the bytes
    return bytes[kReportsAt + (count - 1) * sizeHid + 6];
}

}  // namespace fuzz
