// Packets of another remote, of any layout, size and content, mixed with the
// receiver's reports.
//
// The input decides the device's layout (an array of usages or a bitmap,
// with or without a report ID), each packet's report size, count and bytes,
// and when the receiver reports between them. Properties:
// - a usage is released only when held, and every press is held until its
//   release, so a press acts at most once;
// - after a report the parser reads, the usages held for its report ID are
//   exactly the ones it holds; a report it does not read changes nothing;
// - the receiver's road is untouched: another remote's packets decode as
//   no code of it and never move the repeat filter, wherever the receiver's
//   reports have left it.
#include <algorithm>
#include <map>
#include <set>

#include "remote/OtherRemote.h"
#include "remote/RemoteInput.h"

#include "tests/fuzz/FuzzSupport.h"

using namespace win;
using namespace fuzz;

namespace {

// Presses less releases of each usage, as the changes told them.
using HeldModel = std::map<USAGE, int>;

sim::SimDesktop::HidLayout LayoutOf(FuzzedDataProvider& in) {
    sim::SimDesktop::HidLayout layout;
    layout.reportId = in.ConsumeBool() ? 0 : in.ConsumeIntegral<BYTE>();
    if (in.ConsumeBool()) {
        layout.slots = in.ConsumeIntegralInRange<USHORT>(1, 8);
    } else {
        layout.slots = 0;
        for (int n = in.ConsumeIntegralInRange<int>(1, 24); n > 0; --n)
            layout.bitmapUsages.push_back(in.ConsumeIntegral<USAGE>());
    }
    return layout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    sim::SimDesktop desk;
    desk.recording = false;
    SetPlatform(&desk);
    const HANDLE receiver = desk.AddHidDevice(0x04BB, 0x0F0E);
    const HANDLE remote = desk.AddConsumerDevice(0x045E, 0x0800, LayoutOf(in));
    const OtherDeviceId id{remote, 0x045E, 0x0800};

    OtherRemotes remotes;
    HeldModel held;
    RepeatFilter filter{};

    for (int step = 0; step < 128 && in.remaining_bytes() > 0; ++step) {
        if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
            // The receiver moves the repeat filter on; its rule is fuzzed in remote_input_fuzz.
            const BYTE code = in.ConsumeBool() ? 0 : in.ConsumeIntegral<BYTE>();
            DecodeRemoteReport(desk.AddHidPacket(receiver, {{0, 0, 0, 0, 0, 0, code, 0}}), filter);
            continue;
        }

        // Another remote's packet: well formed mostly, any bytes at times.
        std::vector<std::vector<BYTE>> reports;
        const bool wellFormed = in.ConsumeIntegralInRange<int>(0, 5) != 0;
        const std::size_t reportBytes = desk.ConsumerReport(remote, {}).size();
        const std::size_t length = wellFormed ? reportBytes : in.ConsumeIntegralInRange<std::size_t>(1, 2 * reportBytes);
        for (int n = in.ConsumeIntegralInRange<int>(1, 3); n > 0; --n) {
            std::vector<BYTE> report = in.ConsumeBytes<BYTE>(length);
            report.resize(length, 0);
            reports.push_back(std::move(report));
        }
        const bool anyBytes = in.ConsumeIntegralInRange<int>(0, 9) == 0;
        const HRAWINPUT packet = anyBytes
                                     ? desk.AddPacketWithHid(remote, RIM_TYPEHID, in.ConsumeIntegral<BYTE>(),
                                                             in.ConsumeIntegralInRange<DWORD>(0, 4),
                                                             in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<int>(0, 64)))
                                     : desk.AddHidPacket(remote, reports);
        const RepeatFilter before = filter;
        FUZZ_CHECK(DecodeRemoteReport(packet, filter) == kNotFromReceiver, "another remote's packet decoded as a code");
        FUZZ_CHECK(filter.lastCode == before.lastCode && filter.repeatCount == before.repeatCount,
                   "another remote's packet moved the repeat filter");

        const bool read = ReadOtherRemote(remotes, packet, id);
        if (!read) FUZZ_CHECK(remotes.changes.empty(), "an unread packet gave changes");
        for (const OtherButtonChange& change : remotes.changes) {
            FUZZ_CHECK(change.usage != 0, "usage 0 changed");
            int& times = held[change.usage];
            times += change.pressed ? 1 : -1;
            FUZZ_CHECK(times >= 0, "usage 0x%X released while not held", change.usage);
        }
        if (!remotes.devices.empty())
            for (const auto& [usage, times] : held) {
                const auto kept = std::count_if(remotes.devices.back().held.begin(), remotes.devices.back().held.end(),
                                                [usage = usage](const auto& h) { return h.usage == usage; });
                FUZZ_CHECK(kept == times, "usage 0x%X: %d presses without release, %d held", usage, times,
                           static_cast<int>(kept));
            }
        // What the last readable report holds is what is held now for its ID.
        if (read && !anyBytes && length == reportBytes) {
            for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
                USAGE usages[32];
                ULONG count = 32;
                std::vector<BYTE> copy = *it;
                PHIDP_PREPARSED_DATA parsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(remotes.devices.back().preparsed.data());
                if (desk.HidP_GetUsages(HidP_Input, 0x0C, 0, usages, &count, parsed, reinterpret_cast<char*>(copy.data()),
                                        static_cast<ULONG>(copy.size())) != HIDP_STATUS_SUCCESS)
                    continue;
                std::set<USAGE> now(usages, usages + count);
                now.erase(0);
                std::set<USAGE> kept;
                for (const auto& h : remotes.devices.back().held)
                    if (h.reportId == copy[0]) kept.insert(h.usage);
                FUZZ_CHECK(kept == now, "the usages held for report ID %u differ from the last report's", copy[0]);
                break;
            }
        }
    }
    SetPlatform(nullptr);
    return 0;
}
