// A press of a button that has a long action, told apart as a tap or a hold
// by the times of the receiver's reports. The receiver repeats a held
// button's code and sends a release (code 0) when it is let go; a report
// of another button ends the hold as a release would. The one timer that
// makes a hold fire without a further report is app/'s, which asks
// HoldTimerRang when it rings. A release can be lost (the lock screen came
// up meanwhile): a hold whose button has not been reported for
// kLostReleaseTime has ended, so that the button's next press acts.
#pragma once

#include <cstdint>

#include "remote/ButtonKeyTable.h"
#include "remote/RemoteInput.h"

// LongPress= in milliseconds: the hold time, and the values accepted.
constexpr std::uint32_t kDefaultHoldTime = 600;
constexpr std::uint32_t kShortestHoldTime = 200;
constexpr std::uint32_t kLongestHoldTime = 3000;
// The receiver repeats a held button several times a second; this long
// without a report of it, it has been let go.
constexpr std::uint32_t kLostReleaseTime = 1000;

struct HoldState {
    ButtonCode code;       // the button held, 0 when none is
    bool longDone;         // its long action has gone: the rest of the hold delivers nothing
    std::uint32_t since;   // the tick count of its first report
    std::uint32_t lastReport;  // the tick count of its latest report
};

enum HoldOutcome : std::uint8_t {
    kHoldNothing,  // nothing to deliver now
    kHoldShort,    // the held button's short action, once
    kHoldLong,     // the held button's long action, once
};

struct HoldStep {
    HoldOutcome outcome;
    bool ended;  // the hold is over; a report of another button is then a press of its own
};

bool Holding(const HoldState& hold);
// The first report of a button with a long action: the hold begins, and
// nothing is delivered yet.
void BeginHold(HoldState& hold, ButtonCode code, std::uint32_t now);
// Any report of the receiver while a hold is on: the held button's code
// again keeps it (and gives the long action once the time is reached);
// a release or another code ends it, with the short action when the hold
// was shorter than `holdTime`, the long one when it reached it and the
// timer was late, and nothing when the long action has gone.
HoldStep ReportDuringHold(HoldState& hold, std::uint8_t code, std::uint32_t now, std::uint32_t holdTime);
// One report of the receiver, with holds told apart: what the held button
// gives (`held`, for `heldCode`), and then the report through the repeat
// filter (`code`: a press to act on, or kReportSwallowed). The reports of a
// hold only keep the filter's count: auto-repeat does not apply to them.
struct HeldReport {
    HoldOutcome held;
    ButtonCode heldCode;
    bool holdEnded;  // the hold timer is no longer wanted
    std::uint16_t code;
};
HeldReport FilterHeldReport(HoldState& hold, RepeatFilter& filter, std::uint8_t report, std::uint32_t now,
                            std::uint32_t holdTime);
// The long action once the hold time is reached.
HoldOutcome HoldTimeReached(HoldState& hold, std::uint32_t now, std::uint32_t holdTime);
// Milliseconds until the hold time is reached, 0 when it is.
std::uint32_t HoldTimeLeft(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime);

// No report of the held button for kLostReleaseTime: its release was lost.
bool HoldWentQuiet(const HoldState& hold, std::uint32_t now);
// Ends a hold that went quiet, and the repeat filter sees the release that
// never came. Nothing more is delivered for it, save a long action whose
// time came while the button was still reported and which the timer, late,
// has not given yet.
HoldOutcome EndQuietHold(HoldState& hold, RepeatFilter& filter, std::uint32_t holdTime);
// The hold timer rang: the long action once the hold time is reached, the
// end of a hold gone quiet, and when to ring next while the hold lasts.
struct HoldTimerStep {
    HoldOutcome outcome;
    bool ended;           // the timer is no longer wanted
    std::uint32_t next;   // milliseconds until it must ring again, while not ended
};
HoldTimerStep HoldTimerRang(HoldState& hold, RepeatFilter& filter, std::uint32_t now, std::uint32_t holdTime);
// Milliseconds until the timer must ring for a hold in progress: at the hold
// time, while the long action has not gone, or when the hold would go quiet.
std::uint32_t NextHoldCheck(const HoldState& hold, std::uint32_t now, std::uint32_t holdTime);
