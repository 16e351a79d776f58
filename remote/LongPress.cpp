#include "remote/LongPress.h"

#include <algorithm>

namespace {

// The tick count wraps after 49.7 days; the difference does not.
bool Reached(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime) { return now - hold.since >= holdTime; }

}  // namespace

bool Holding(const HoldState& hold) { return hold.code != 0; }

void BeginHold(HoldState& hold, ButtonCode code, std::uint32_t now) { hold = HoldState{code, false, now, now}; }

HoldStep ReportDuringHold(HoldState& hold, std::uint8_t code, std::uint32_t now, std::uint32_t holdTime) {
    if (!Holding(hold)) return HoldStep{kHoldNothing, true};
    if (code == hold.code) {
        hold.lastReport = now;
        return HoldStep{HoldTimeReached(hold, now, holdTime), false};
    }
    const HoldOutcome outcome = hold.longDone ? kHoldNothing : Reached(hold, now, holdTime) ? kHoldLong : kHoldShort;
    hold = HoldState{};
    return HoldStep{outcome, true};
}

HeldReport FilterHeldReport(HoldState& hold, RepeatFilter& filter, std::uint8_t report, std::uint32_t now,
                            std::uint32_t holdTime) {
    HeldReport result{kHoldNothing, hold.code, false, kReportSwallowed};
    // A report after a lost release is a press of its own, the held button's too.
    if (Holding(hold) && HoldWentQuiet(hold, now)) {
        result.held = EndQuietHold(hold, filter, holdTime);
        result.holdEnded = true;
    } else if (Holding(hold)) {
        const HoldStep step = ReportDuringHold(hold, report, now, holdTime);
        result.held = step.outcome;
        result.holdEnded = step.ended;
        if (!step.ended) {
            FilterRepeat(filter, report);
            return result;
        }
    }
    result.code = FilterRepeat(filter, report);
    return result;
}

HoldOutcome HoldTimeReached(HoldState& hold, std::uint32_t now, std::uint32_t holdTime) {
    if (!Holding(hold) || hold.longDone || !Reached(hold, now, holdTime)) return kHoldNothing;
    hold.longDone = true;
    return kHoldLong;
}

std::uint32_t HoldTimeLeft(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime) {
    return Reached(hold, now, holdTime) ? 0 : holdTime - (now - hold.since);
}

bool HoldWentQuiet(const HoldState& hold, std::uint32_t now) { return now - hold.lastReport >= kLostReleaseTime; }

HoldOutcome EndQuietHold(HoldState& hold, RepeatFilter& filter, std::uint32_t holdTime) {
    // The hold time came before the button went quiet: it was a hold.
    const bool longDue = !hold.longDone && holdTime < hold.lastReport - hold.since + kLostReleaseTime;
    hold = HoldState{};
    FilterRepeat(filter, 0);
    return longDue ? kHoldLong : kHoldNothing;
}

HoldTimerStep HoldTimerRang(HoldState& hold, RepeatFilter& filter, std::uint32_t now, std::uint32_t holdTime) {
    if (!Holding(hold)) return HoldTimerStep{kHoldNothing, true, 0};
    if (HoldWentQuiet(hold, now)) return HoldTimerStep{EndQuietHold(hold, filter, holdTime), true, 0};
    const HoldOutcome outcome = HoldTimeReached(hold, now, holdTime);
    return HoldTimerStep{outcome, false, NextHoldCheck(hold, now, holdTime)};
}

std::uint32_t NextHoldCheck(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime) {
    const std::uint32_t quiet = HoldWentQuiet(hold, now) ? 0 : kLostReleaseTime - (now - hold.lastReport);
    return hold.longDone ? quiet : std::min(quiet, HoldTimeLeft(hold, now, holdTime));
}
