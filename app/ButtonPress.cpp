#include "app/ButtonPress.h"

#include "app/MainWindow.h"
#include "app/OtherRemotePress.h"
#include "delivery/BringToFront.h"
#include "delivery/LockOn.h"
#include "delivery/Routing.h"
#include "delivery/ViewerDiscovery.h"
#include "remote/LongPress.h"

using namespace win;

namespace {

void TellIfNotStarted(KorvantaRecords& records, const CommandLine& command, const StartResult& result) {
    if (result.tried && !result.started)
        TellProgramNotStarted(records.notices, records.trayIcon, ProgramFileName(command), result.error);
}

// With no viewer at all, the viewer the settings name, if any.
void StartViewerInstead(KorvantaRecords& records, DeliveryReport* report) {
    if (records.startViewerText.empty() || AnyViewerRuns()) return;
    if (!records.startViewerReadable) {
        // A quote never closed: Windows would not know where the path ends either.
        if (report) {
            report->reason = kReasonRunFailed;
            report->error = ERROR_INVALID_PARAMETER;
        }
        TellProgramNotStarted(records.notices, records.trayIcon, records.startViewerText, ERROR_INVALID_PARAMETER);
        return;
    }
    const StartResult result =
        StartViewerProgram(records.programStarts, records.startViewer, Win().GetTickCount(), report);
    TellIfNotStarted(records, records.startViewer, result);
}

void ActOnButton(KorvantaRecords& records, ButtonCode code, const OtherButton* other, ChosenMap map,
                 const ButtonAction& action, DeliveryReport* report) {
    RouterState& router = records.router;
    if (report && action.kind != kActionChord) {
        report->mode = router.mode;
        report->lockedOn = router.lockedTarget ? 1 : 0;
    }
    if (action.kind == kActionRun) {
        const CommandLine& command = map.map->commands[action.command];
        const DWORD now = Win().GetTickCount();
        TellIfNotStarted(records, command,
                         other ? RunForOtherButton(records.programStarts, *other, command, now, report)
                               : RunForButton(records.programStarts, code, command, now, report));
        return;
    }
    if (action.kind == kActionBringToFront) {
        if (!BringViewerToFront(report)) StartViewerInstead(records, report);
        return;
    }
    const int lockHeld =
        DeliverChord(router, action.chord, report, map.program ? kChordOfProgramInFront : kChordOfEveryProgram);
    if (router.refusedBy) {
        TellViewerRefused(records.notices, records.trayIcon, router.refusedBy);
        router.refusedBy = nullptr;
    }
    if (lockHeld) return;
    ClearLockOn(router);
    ShowDeliveryStateInMenu(records.menu, router);
}

// What a press did, in the log and on the screen.
void TellPress(KorvantaRecords& records, const PressEvent& event) {
    LogPress(records.pressLog, records.trayIcon, event);
    ShowPressOnScreen(records.onScreenLine, records.instance, records.osd.show, event);
}

void Act(KorvantaRecords& records, ButtonCode code, ChosenMap map, PressKind press, PressEvent* event) {
    const ButtonAction& action = press == kPressLong ? map.map->longAction[code] : map.map->action[code];
    ActOnPress(records, code, nullptr, map, action, press, event);
}

std::uint32_t HoldTime(const KorvantaRecords& records) { return records.buttonMaps.holdTime.milliseconds; }

// What the held button delivers at its release or at the hold time. A hold
// the settings window learns only says, once long enough, that it was one;
// one that ends while the window has come to the front goes to no viewer
// either, and picks its row.
void DeliverHeld(KorvantaRecords& records, ButtonCode code, HoldOutcome outcome) {
    if (outcome == kHoldNothing) return;
    if (records.holdLearns) {
        if (outcome == kHoldLong) ShowLearnedPress(records.settingsWindow, RowOfCode(code), true);
        return;
    }
    if (SettingsWindowLearns(records.settingsWindow))
        return ShowLearnedPress(records.settingsWindow, RowOfCode(code), outcome == kHoldLong);
    PressEvent event{};
    event.source = ReportSource{kReceiverVendorId, kReceiverProductId, code, 0};
    PressEvent* watched = PressWatched(records) ? &event : nullptr;
    if (outcome == kHoldLong) Act(records, code, records.heldMap.longPress, kPressLong, watched);
    else Act(records, code, records.heldMap.press, kPressShort, watched);
}

// A report that acts on nothing: a swallowed repeat, a held button's first
// report, a press learned. The log has its line; the screen shows none.
void LogReport(KorvantaRecords& records, const PressEvent* event) {
    if (event) LogPress(records.pressLog, records.trayIcon, *event);
}

// A press the settings window learns: it picks the button's row, and no viewer hears it.
void Learn(KorvantaRecords& records, ButtonCode code, PressEvent* event) {
    ShowLearnedPress(records.settingsWindow, RowOfCode(code), false);
    if (!event) return;
    event->passed = true;
    event->action = records.buttonMaps.all.action[code];
    event->delivery.mode = records.router.mode;
    event->delivery.lockedOn = records.router.lockedTarget ? 1 : 0;
    event->delivery.reason = kReasonLearning;
    LogReport(records, event);
}

// A report while a button is held: what the hold gives, then the report
// through the repeat filter.
std::uint16_t TakeReportOfHold(KorvantaRecords& records, std::uint8_t report) {
    const HeldReport step =
        FilterHeldReport(records.hold, records.repeatFilter, report, Win().GetTickCount(), HoldTime(records));
    if (step.holdEnded) Win().KillTimer(records.window, kHoldTimer);
    DeliverHeld(records, step.heldCode, step.held);
    return step.code;
}

// The first report of a button that waits for its hold to be told from a tap.
void BeginHeldPress(KorvantaRecords& records, ButtonCode code, const ButtonMapChoice& map, bool learns) {
    const std::uint32_t now = Win().GetTickCount();
    BeginHold(records.hold, code, now);
    records.heldMap = map;
    records.holdLearns = learns;
    Win().SetTimer(records.window, kHoldTimer, NextHoldCheck(records.hold, now, HoldTime(records)), nullptr);
}

}  // namespace

bool PressWatched(const KorvantaRecords& records) { return records.pressLog.on || records.osd.show != kOsdNever; }

void ActOnPress(KorvantaRecords& records, ButtonCode code, const OtherButton* other, ChosenMap map,
                const ButtonAction& action, PressKind press, PressEvent* event) {
    if (!event) return ActOnButton(records, code, other, map, action, nullptr);
    event->passed = true;
    event->press = press;
    event->action = action;
    event->program = map.program ? &map.program->program : nullptr;
    event->settingsWindowBehind =
        SettingsWindowIsOpen(records.settingsWindow) && !SettingsWindowLearns(records.settingsWindow);
    ActOnButton(records, code, other, map, action, &event->delivery);
    TellPress(records, *event);
}

// Foreign input stays unlogged, as it stays undelivered; another remote's
// takes its own road when a map names its device.
void OnRemoteInput(KorvantaRecords& records, LPARAM lParam) {
    PressEvent watchedEvent;  // filled only while the press is watched
    PressEvent* event = nullptr;
    if (PressWatched(records)) {
        watchedEvent = PressEvent{};
        event = &watchedEvent;
    }
    OtherDeviceId other;
    const std::uint16_t read =
        ReadRemoteCode(reinterpret_cast<HRAWINPUT>(lParam), event ? &event->source : nullptr, &other);
    if (read == kNotFromReceiver) return OnOtherRemoteInput(records, lParam, other);
    TellReceiverFound(records.notices, records.trayIcon);
    const auto report = static_cast<std::uint8_t>(read);
    // A press without a hold in progress costs what it cost before holds.
    const std::uint16_t code =
        Holding(records.hold) ? TakeReportOfHold(records, report) : FilterRepeat(records.repeatFilter, report);
    if (code > 0xFF) return LogReport(records, event);
    const auto button = static_cast<ButtonCode>(code);
    // While the settings window is in front a press only tells it which button it was.
    const bool learns = SettingsWindowLearns(records.settingsWindow);
    if (learns) Learn(records, button, event);
    const ButtonMapChoice map = learns ? ButtonMapChoice{} : ChooseButtonMap(records.router, records.buttonMaps, button);
    if (learns || map.longPress.map->ownLong[code]) {
        BeginHeldPress(records, button, map, learns);
        if (learns || !event) return;
        event->passed = true;
        event->press = kPressHeld;
        event->program = map.longPress.program ? &map.longPress.program->program : nullptr;
        return LogReport(records, event);
    }
    Act(records, button, map.press, kPressPlain, event);
}

// The timer runs as long as the hold: it gives the long action, and ends a
// hold whose release was lost. One that rings a little early is set again
// for the rest.
void OnHoldTimer(KorvantaRecords& records) {
    const ButtonCode held = records.hold.code;
    const HoldTimerStep step =
        HoldTimerRang(records.hold, records.repeatFilter, Win().GetTickCount(), HoldTime(records));
    if (step.ended) Win().KillTimer(records.window, kHoldTimer);
    else Win().SetTimer(records.window, kHoldTimer, step.next, nullptr);
    DeliverHeld(records, held, step.outcome);
}

void ChooseHeldMapAgain(KorvantaRecords& records) {
    if (Holding(records.hold) && !records.holdLearns)
        records.heldMap = ChooseButtonMap(records.router, records.buttonMaps, records.hold.code);
}

void TellUnusableOsd(KorvantaRecords& records) {
    if (!records.osd.unusable) {
        records.osdTold.clear();
        return;
    }
    if (!records.pressLog.on || records.osd.written == records.osdTold) return;
    records.osdTold = records.osd.written;
    LogUnusableOsd(records.pressLog, records.trayIcon, records.osd.written, records.osd.show);
}

void TellUnusableHoldTime(KorvantaRecords& records) {
    const HoldTimeSetting& setting = records.buttonMaps.holdTime;
    if (!setting.unusable) {
        records.holdTimeTold.clear();
        return;
    }
    if (!records.pressLog.on || setting.written == records.holdTimeTold) return;
    records.holdTimeTold = setting.written;
    LogUnusableHoldTime(records.pressLog, records.trayIcon, setting.written, setting.milliseconds);
}
