#include "remote/LongPress.h"

namespace {

// The tick count wraps after 49.7 days; the difference does not.
bool Reached(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime) { return now - hold.since >= holdTime; }

}  // namespace

bool Holding(const HoldState& hold) { return hold.code != 0; }

void BeginHold(HoldState& hold, ButtonCode code, std::uint32_t now) { hold = HoldState{code, false, now}; }

HoldStep ReportDuringHold(HoldState& hold, std::uint8_t code, std::uint32_t now, std::uint32_t holdTime) {
    if (!Holding(hold)) return HoldStep{kHoldNothing, true};
    if (code == hold.code) return HoldStep{HoldTimeReached(hold, now, holdTime), false};
    const HoldOutcome outcome = hold.longDone ? kHoldNothing : Reached(hold, now, holdTime) ? kHoldLong : kHoldShort;
    hold = HoldState{};
    return HoldStep{outcome, true};
}

HeldReport FilterHeldReport(HoldState& hold, RepeatFilter& filter, std::uint8_t report, std::uint32_t now,
                            std::uint32_t holdTime) {
    HeldReport result{kHoldNothing, hold.code, false, kReportSwallowed};
    if (Holding(hold)) {
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
