#include "app/OtherRemotePress.h"

#include "app/ButtonPress.h"
#include "app/MainWindow.h"

using namespace win;

namespace {

// The receiver's codes stay out of the way: another remote's button has a
// code of 0 in the record of its press.
void Act(KorvantaRecords& records, OtherButton button, const OtherButtonAction& chosen, PressKind press) {
    PressEvent event{};
    PressEvent* watched = PressWatched(records) ? &event : nullptr;
    event.source = ReportSource{button.vendorId, button.productId, 0, button.usage};
    ActOnPress(records, 0, &button, chosen.map, *chosen.action, press, watched);
}

void EndHold(KorvantaRecords& records) {
    records.otherHold.on = false;
    Win().KillTimer(records.window, kOtherHoldTimer);
}

std::uint32_t HoldTime(const KorvantaRecords& records) { return records.buttonMaps.holdTime.milliseconds; }

bool HoldTimeReached(const KorvantaRecords& records, const OtherHold& hold) {
    return Win().GetTickCount() - hold.since >= HoldTime(records);
}

// A hold that ends while the settings window is in front goes to no viewer:
// it picks its row, as a press there would. One the window learnt from its
// press says, once long enough, that it was a hold, while the window still
// learns.
bool TakenByWindow(KorvantaRecords& records, const OtherHold& hold, bool longPress) {
    const bool learns = SettingsWindowLearns(records.settingsWindow);
    if (!hold.learns && !learns) return false;
    if (learns && (!hold.learns || longPress))
        ShowLearnedPress(records.settingsWindow, RowOfOther(hold.button), longPress);
    return true;
}

// The long action once the hold time is reached; false when there is none
// (the maps read again may have taken it away).
bool GiveLongAction(KorvantaRecords& records, OtherHold& hold) {
    if (!hold.learns && !hold.map.longPress.action) return false;
    hold.longDone = true;
    if (!TakenByWindow(records, hold, true)) Act(records, hold.button, hold.map.longPress, kPressLong);
    return true;
}

// The held button let go: its short action, or the long one when the hold
// time was reached and the timer was late, unless that has gone.
void Release(KorvantaRecords& records) {
    OtherHold hold = records.otherHold;
    EndHold(records);
    if (hold.longDone) return;
    if (HoldTimeReached(records, hold) && GiveLongAction(records, hold)) return;
    if (TakenByWindow(records, hold, false)) return;
    if (hold.map.press.action) Act(records, hold.button, hold.map.press, kPressShort);
}

void BeginHold(KorvantaRecords& records, const OtherHold& hold) {
    records.otherHold = hold;
    Win().SetTimer(records.window, kOtherHoldTimer, HoldTime(records), nullptr);
}

void Press(KorvantaRecords& records, HANDLE device, OtherButton button, bool learns) {
    // A second button pressed while one is held ends that hold, as its release would.
    if (records.otherHold.on) Release(records);
    const DWORD now = Win().GetTickCount();
    if (learns) {
        ShowLearnedPress(records.settingsWindow, RowOfOther(button), false);
        return BeginHold(records, OtherHold{true, false, true, device, now, button, {}});
    }
    const OtherButtonChoice map = ChooseOtherButtonMap(records.router, records.buttonMaps, button);
    if (map.longPress.action) return BeginHold(records, OtherHold{true, false, false, device, now, button, map});
    if (map.press.action) Act(records, button, map.press, kPressPlain);
}

// A device is read on while it holds a button, so that its release is seen
// whatever the window and the maps have become meanwhile.
bool HoldsAny(const KorvantaRecords& records, HANDLE device) {
    if (records.otherHold.on && records.otherHold.device == device) return true;
    for (const OtherRemoteDevice& known : records.otherRemotes.devices)
        if (known.id.device == device) return !known.held.empty();
    return false;
}

}  // namespace

void OnOtherRemoteInput(KorvantaRecords& records, LPARAM lParam, const OtherDeviceId& device) {
    // While the settings window is in front a press goes to no viewer: it picks its row.
    const bool learns = SettingsWindowLearns(records.settingsWindow);
    if (!device.device || (!learns && !AnyMapNamesDevice(records.buttonMaps, device.vendorId, device.productId) &&
                           !HoldsAny(records, device.device)))
        return;
    OtherRemotes& remotes = records.otherRemotes;
    if (!ReadOtherRemote(remotes, reinterpret_cast<HRAWINPUT>(lParam), device)) return;
    // The packet's changes move out of the record while they act, so that
    // whatever an action lets in meanwhile cannot change them.
    std::vector<OtherButtonChange> changes;
    changes.swap(remotes.changes);
    for (const OtherButtonChange& change : changes) {
        const OtherButton button{device.vendorId, device.productId, change.usage};
        const OtherHold& hold = records.otherHold;
        if (change.pressed) Press(records, device.device, button, learns);
        else if (hold.on && hold.device == device.device && hold.button == button) Release(records);
    }
    changes.clear();
    if (remotes.changes.capacity() < changes.capacity()) remotes.changes.swap(changes);
}

// The timer may ring early (one left from a hold that has ended): it is set
// again for the rest.
void OnOtherHoldTimer(KorvantaRecords& records) {
    Win().KillTimer(records.window, kOtherHoldTimer);
    OtherHold& hold = records.otherHold;
    if (!hold.on || hold.longDone) return;
    const DWORD held = Win().GetTickCount() - hold.since;
    if (held < HoldTime(records)) {
        Win().SetTimer(records.window, kOtherHoldTimer, HoldTime(records) - held, nullptr);
        return;
    }
    // A remote pulled out while its button was held never lets it go.
    if (!OtherDevicePresent(hold.device)) return EndHold(records);
    GiveLongAction(records, hold);
}

void ChooseOtherHeldMapAgain(KorvantaRecords& records) {
    OtherHold& hold = records.otherHold;
    if (hold.on && !hold.learns) hold.map = ChooseOtherButtonMap(records.router, records.buttonMaps, hold.button);
}
