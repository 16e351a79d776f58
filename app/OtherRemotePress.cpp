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

// A hold that ends while the settings window has come to the front goes to
// no viewer: it picks its row, as a press there would.
bool TakenByWindow(KorvantaRecords& records, const OtherHold& hold, bool longPress) {
    if (!hold.learns && !SettingsWindowLearns(records.settingsWindow)) return false;
    if (!hold.learns || longPress) ShowLearnedPress(records.settingsWindow, RowOfOther(hold.button), longPress);
    return true;
}

// The held button let go: its short action, unless the long one has gone.
void Release(KorvantaRecords& records) {
    const OtherHold hold = records.otherHold;
    EndHold(records);
    if (hold.longDone || TakenByWindow(records, hold, false)) return;
    if (hold.map.press.action) Act(records, hold.button, hold.map.press, kPressShort);
}

void BeginHold(KorvantaRecords& records, const OtherHold& hold) {
    records.otherHold = hold;
    Win().SetTimer(records.window, kOtherHoldTimer, records.buttonMaps.holdTime.milliseconds, nullptr);
}

void Press(KorvantaRecords& records, HANDLE device, OtherButton button, bool learns) {
    // A second button pressed while one is held ends that hold, as its release would.
    if (records.otherHold.on) Release(records);
    if (learns) {
        ShowLearnedPress(records.settingsWindow, RowOfOther(button), false);
        return BeginHold(records, OtherHold{true, false, true, device, button, {}});
    }
    const OtherButtonChoice map = ChooseOtherButtonMap(records.router, records.buttonMaps, button);
    if (map.longPress.action) return BeginHold(records, OtherHold{true, false, false, device, button, map});
    if (map.press.action) Act(records, button, map.press, kPressPlain);
}

}  // namespace

void OnOtherRemoteInput(KorvantaRecords& records, LPARAM lParam, const OtherDeviceId& device) {
    // While the settings window is in front a press goes to no viewer: it picks its row.
    const bool learns = SettingsWindowLearns(records.settingsWindow);
    if (!device.device || (!learns && !AnyMapNamesDevice(records.buttonMaps, device.vendorId, device.productId)))
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

void OnOtherHoldTimer(KorvantaRecords& records) {
    Win().KillTimer(records.window, kOtherHoldTimer);
    OtherHold& hold = records.otherHold;
    if (!hold.on || hold.longDone) return;
    hold.longDone = true;
    // A remote pulled out while its button was held never lets it go.
    if (!OtherDevicePresent(hold.device)) return EndHold(records);
    if (TakenByWindow(records, hold, true)) return;
    Act(records, hold.button, hold.map.longPress, kPressLong);
}

void ChooseOtherHeldMapAgain(KorvantaRecords& records) {
    OtherHold& hold = records.otherHold;
    if (hold.on && !hold.learns) hold.map = ChooseOtherButtonMap(records.router, records.buttonMaps, hold.button);
}
