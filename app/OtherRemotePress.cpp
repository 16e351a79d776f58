#include "app/OtherRemotePress.h"

#include "app/ButtonPress.h"
#include "app/MainWindow.h"

using namespace win;

namespace {

// The receiver's codes key the run-too-soon guard; other remotes' buttons
// share the one slot no receiver button uses.
constexpr ButtonCode kOtherRemoteSlot = 0;

void Act(KorvantaRecords& records, OtherButton button, const OtherButtonAction& chosen, PressKind press) {
    PressEvent event{};
    PressEvent* watched = PressWatched(records) ? &event : nullptr;
    event.source = ReportSource{button.vendorId, button.productId, 0, button.usage};
    ActOnPress(records, kOtherRemoteSlot, chosen.map, *chosen.action, press, watched);
}

void EndHold(KorvantaRecords& records) {
    records.otherHold.on = false;
    Win().KillTimer(records.window, kOtherHoldTimer);
}

// The held button let go: its short action, unless the long one has gone.
void Release(KorvantaRecords& records) {
    const OtherHold hold = records.otherHold;
    EndHold(records);
    if (hold.longDone) return;
    if (hold.map.press.action) Act(records, hold.button, hold.map.press, kPressShort);
}

void Press(KorvantaRecords& records, OtherButton button) {
    // A second button pressed while one is held ends that hold, as its release would.
    if (records.otherHold.on) Release(records);
    const OtherButtonChoice map = ChooseOtherButtonMap(records.router, records.buttonMaps, button);
    if (map.longPress.action) {
        records.otherHold = OtherHold{true, false, button, map};
        Win().SetTimer(records.window, kOtherHoldTimer, records.buttonMaps.holdTime.milliseconds, nullptr);
        return;
    }
    if (map.press.action) Act(records, button, map.press, kPressPlain);
}

}  // namespace

void OnOtherRemoteInput(KorvantaRecords& records, LPARAM lParam, const OtherDeviceId& device) {
    if (!device.device || !AnyMapNamesDevice(records.buttonMaps, device.vendorId, device.productId)) return;
    // While the settings window is in front a press goes to no viewer.
    if (SettingsWindowLearns(records.settingsWindow)) return;
    OtherRemotes& remotes = records.otherRemotes;
    if (!ReadOtherRemote(remotes, reinterpret_cast<HRAWINPUT>(lParam), device)) return;
    // By index: an action can wait on another program, and the list is the
    // last packet's, whatever comes meanwhile.
    for (std::size_t i = 0; i < remotes.changes.size(); ++i) {
        const OtherButtonChange change = remotes.changes[i];
        const OtherButton button{device.vendorId, device.productId, change.usage};
        if (change.pressed) Press(records, button);
        else if (records.otherHold.on && records.otherHold.button == button) Release(records);
    }
}

void OnOtherHoldTimer(KorvantaRecords& records) {
    Win().KillTimer(records.window, kOtherHoldTimer);
    OtherHold& hold = records.otherHold;
    if (!hold.on || hold.longDone) return;
    hold.longDone = true;
    Act(records, hold.button, hold.map.longPress, kPressLong);
}
