// Sequences of raw-input packets through the decoding and the repeat filter.
//
// The input decides the devices, each packet's bytes, the size the size query
// reports, what the read delivers and returns, and how often each packet
// arrives. Every result is compared with a reference decoding and a model of
// the repeat filter; the packet parser is also run on a heap copy of exactly
// the delivered bytes, so that any read past them is a fault.
//
// The receiver's reports also go, at times the input decides and with the
// hold timer ringing when it decides, through the hold of buttons that a
// map's .long lines give a long action: each press delivers at most one
// action, exactly one by its end unless its release was lost, the long one
// only once the hold time is reached while the button was still reported,
// and the short one only before; a hold ends once its button has not been
// reported for a second, and the timer never waits longer than that; and
// the repeat filter counts every report as it does without long actions,
// with the lost release counted where a hold went quiet.
#include <memory>

#include "remote/ButtonMap.h"
#include "remote/LongPress.h"

#include "tests/fuzz/FuzzSupport.h"

using namespace win;
using namespace fuzz;

namespace {

// The filter's rule, stated from the user's side: a press fires on its first
// report; while the same code keeps coming the counter climbs by two until it
// reaches ten, and those reports are swallowed; after that every report fires
// and the counter climbs by one. A release report (code 0) is swallowed, adds
// one and forgets the code; any new code starts over with the counter at one.
struct FilterModel {
    std::uint8_t code;
    std::uint32_t counter;

    // 0 when the report is swallowed, else the code that fires.
    int Feed(std::uint8_t report) {
        if (report == 0) {
            counter = counter + 1u;
            code = 0;
            return 0;
        }
        if (report != code) {
            code = report;
            counter = 1;
            return report;
        }
        const bool inPause = counter < 10;
        counter = counter + (inPause ? 2u : 1u);
        return inPause ? 0 : report;
    }
};

// The same rule once more, as the user sees a held button from a fresh start:
// within one unbroken run of a code, report 1 fires, reports 2 to 6 do not,
// report 7 and every later one do.
struct HeldButton {
    std::uint8_t code = 0;
    std::uint64_t run = 0;

    bool Fires(std::uint8_t report) {
        if (report == 0) {
            code = 0;
            run = 0;
            return false;
        }
        run = report == code ? run + 1 : 1;
        code = report;
        return run == 1 || run >= 7;
    }
};

// A press of a button with a long action, from its first report to its end.
struct PressWatch {
    HoldState& hold;
    std::uint32_t holdTime;
    int delivered = 0;
    std::uint32_t lastHeld = 0;  // the tick count of the held button's latest report

    bool Quiet(std::uint32_t now) const { return Holding(hold) && now - lastHeld >= kLostReleaseTime; }

    void Took(HoldOutcome outcome, std::uint32_t now, std::uint32_t since) {
        if (outcome == kHoldNothing) return;
        FUZZ_CHECK(++delivered == 1, "a press of 0x%X delivered %d actions", hold.code, delivered);
        const bool reached = now - since >= holdTime;
        FUZZ_CHECK(reached == (outcome == kHoldLong), "%s action after %u ms of a hold time of %u",
                   outcome == kHoldLong ? "the long" : "the short", now - since, holdTime);
        FUZZ_CHECK(outcome == kHoldShort ? now - lastHeld < kLostReleaseTime
                                         : holdTime < lastHeld - since + kLostReleaseTime,
                   "%s action for a hold gone quiet", outcome == kHoldLong ? "the long" : "the short");
    }

    void Ended(ButtonCode code, bool quiet) {
        FUZZ_CHECK(quiet ? delivered <= 1 : delivered == 1, "a press of 0x%X ended with %d actions", code, delivered);
    }
};

// Map lines from the input, .long ones among them, some unreadable.
ButtonActions MapWithLongActions(FuzzedDataProvider& in) {
    static const char16_t* const kActions[] = {u"F5", u"Shift+F6", u"none", u"BringToFront", u"Run x.exe", u"Alt+F4"};
    std::u16string list;
    for (int n = in.ConsumeIntegralInRange<int>(0, 12); n > 0; --n) {
        const auto code = in.ConsumeIntegral<std::uint8_t>();
        list += {u"0123456789ABCDEF"[code >> 4], u"0123456789abcdef"[code & 0xF]};
        list += in.ConsumeBool() ? u".long" : in.ConsumeBool() ? u".LONG" : u"";
        list += u"=";
        list += kActions[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kActions) - 1)];
        list += u'\0';
    }
    list += u'\0';
    ButtonActions actions;
    SetBuiltInActions(actions);
    ApplyButtonMapLines(actions, list.data(), list.size(), false);
    return actions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    RawInputDesk desk;
    desk.recording = false;
    SetPlatform(&desk);

    std::vector<HANDLE> handles{desk.AddDevice(RIM_TYPEHID, 0x04BB, 0x0F0E, false)};
    for (int n = in.ConsumeIntegralInRange<int>(0, 3); n > 0; --n) {
        const int typeChoice = in.ConsumeIntegralInRange<int>(0, 3);
        const DWORD type = typeChoice == 0 ? RIM_TYPEHID : typeChoice == 1 ? 0 : typeChoice == 2 ? 1
                                                                                 : in.ConsumeIntegral<DWORD>();
        const DWORD vendor = in.ConsumeBool() ? 0x04BB : in.ConsumeIntegral<DWORD>();
        const DWORD product = in.ConsumeBool() ? 0x0F0E : in.ConsumeIntegral<DWORD>();
        handles.push_back(desk.AddDevice(type, vendor, product, in.ConsumeIntegralInRange<int>(0, 7) == 0));
    }

    RepeatFilter filter{};
    const bool fresh = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    if (!fresh) {
        filter.lastCode = in.ConsumeIntegral<std::uint8_t>();
        filter.repeatCount = in.ConsumeIntegral<std::uint32_t>();
    }
    FilterModel model{filter.lastCode, filter.repeatCount};
    HeldButton held;

    const ButtonActions map = MapWithLongActions(in);
    RepeatFilter holdFilter = filter;
    FilterModel holdModel = model;
    HoldState hold{};
    PressWatch press{hold, in.ConsumeIntegralInRange<std::uint32_t>(kShortestHoldTime, kLongestHoldTime)};
    std::uint32_t now = in.ConsumeIntegral<std::uint32_t>(), since = now;
    // One report through the hold, as Korvanta takes it, the hold timer
    // ringing before it at times.
    const auto holdReport = [&](std::uint8_t report) {
        now += in.ConsumeIntegralInRange<std::uint32_t>(0, 2 * kLongestHoldTime);
        if (Holding(hold) && in.ConsumeBool()) {
            const ButtonCode code = hold.code;
            const bool quiet = press.Quiet(now);
            const HoldTimerStep rang = HoldTimerRang(hold, holdFilter, now, press.holdTime);
            press.Took(rang.outcome, now, since);
            FUZZ_CHECK(rang.ended == quiet, "the timer %s a hold %s", rang.ended ? "ended" : "kept",
                       quiet ? "gone quiet" : "still reported");
            FUZZ_CHECK(rang.ended || (rang.next >= 1 && rang.next <= kLostReleaseTime), "the timer set for %u ms",
                       rang.next);
            if (rang.ended) {
                press.Ended(code, true);
                holdModel.Feed(0);
            }
        }
        const ButtonCode code = hold.code;
        const bool quiet = press.Quiet(now);
        if (Holding(hold) && !quiet && report == code) press.lastHeld = now;
        const HeldReport step = FilterHeldReport(hold, holdFilter, report, now, press.holdTime);
        press.Took(step.held, now, since);
        if (step.holdEnded) press.Ended(code, quiet);
        if (quiet) holdModel.Feed(0);
        const int expected = holdModel.Feed(report);
        FUZZ_CHECK(holdFilter.lastCode == holdModel.code && holdFilter.repeatCount == holdModel.counter,
                   "the filter beside the hold counts otherwise than without long actions");
        if (Holding(hold)) FUZZ_CHECK(step.code == kReportSwallowed, "a report of a hold passed the filter");
        else FUZZ_CHECK(step.code == (expected ? expected : kReportSwallowed), "report 0x%X gave 0x%X", report, step.code);
        if (step.code > 0xFF || !map.ownLong[step.code]) return;
        BeginHold(hold, static_cast<ButtonCode>(step.code), now);
        since = press.lastHeld = now;
        press.delivered = 0;
    };

    BYTE code = 0;
    for (int step = 0; step < 256 && in.remaining_bytes() > 0; ++step) {
        const int deviceChoice = in.ConsumeIntegralInRange<int>(0, 15);
        HANDLE device = deviceChoice < 10 ? handles[0]
                        : deviceChoice < 14
                            ? handles[in.ConsumeIntegralInRange<std::size_t>(0, handles.size() - 1)]
                            : reinterpret_cast<HANDLE>(in.ConsumeIntegral<std::uintptr_t>());
        const int codeChoice = in.ConsumeIntegralInRange<int>(0, 3);
        if (codeChoice == 1) code = 0;
        else if (codeChoice >= 2) code = in.ConsumeIntegral<BYTE>();
        const Packet packet = MakePacket(in, device, code);
        const HRAWINPUT handle = desk.AddPacket(packet);

        // The parser on its own, on exactly the bytes the platform holds and
        // on the part a short read delivers.
        for (std::size_t length : {packet.bytes.size(), std::size_t{packet.partialBytes}}) {
            if (length > packet.bytes.size()) continue;
            std::unique_ptr<unsigned char[]> exact(new unsigned char[length]);
            if (length) std::memcpy(exact.get(), packet.bytes.data(), length);
            const std::uint16_t parsed = CodeOfLastReport(exact.get(), static_cast<std::uint32_t>(length));
            const int reference = ReferenceCode(std::vector<BYTE>(packet.bytes.begin(), packet.bytes.begin() + length));
            FUZZ_CHECK(parsed == (reference < 0 ? kNotFromReceiver : reference),
                       "parser gave 0x%X for %zu bytes, reference %d", parsed, length, reference);
        }

        std::vector<BYTE> accepted;
        const bool readable = AcceptedBytes(packet, accepted);
        const int reportCode = readable ? ReferenceCode(accepted) : -1;
        const bool fromReceiver =
            reportCode >= 0 && desk.IsReceiver(reinterpret_cast<HANDLE>(Get64(accepted.data(), kDeviceAt)));

        for (int times = in.ConsumeIntegralInRange<int>(1, 12); times > 0; --times) {
            const RepeatFilter before = filter;
            const std::uint16_t result = DecodeRemoteReport(handle, filter);
            FUZZ_CHECK((result >= 1 && result <= 0xFF) || result == kReportSwallowed || result == kNotFromReceiver,
                       "result 0x%X is neither a code nor a verdict", result);
            if (!fromReceiver) {
                FUZZ_CHECK(result == kNotFromReceiver, "input that is not the receiver's gave 0x%X", result);
                FUZZ_CHECK(filter.lastCode == before.lastCode && filter.repeatCount == before.repeatCount,
                           "input that is not the receiver's moved the filter");
                continue;
            }
            const std::uint8_t report = static_cast<std::uint8_t>(reportCode);
            holdReport(report);
            const int expected = model.Feed(report);
            FUZZ_CHECK(result == (expected ? expected : kReportSwallowed), "report 0x%X gave 0x%X, model %d", report,
                       result, expected);
            FUZZ_CHECK(filter.lastCode == model.code && filter.repeatCount == model.counter,
                       "filter (0x%X, %u) differs from the model (0x%X, %u)", filter.lastCode, filter.repeatCount,
                       model.code, model.counter);
            if (fresh) {
                const bool fires = held.Fires(report);
                FUZZ_CHECK(fires == (result != kReportSwallowed), "report 0x%X of a held run: fired %d, expected %d",
                           report, result != kReportSwallowed, fires);
            }
        }
    }
    SetPlatform(nullptr);
    return 0;
}
