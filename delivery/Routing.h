// Routing of one key chord: to the lock-on target while it is valid,
// otherwise by the delivery mode, with direction keys on their own road.
// Given a report, each says there what it did.
#pragma once

#include <cstdint>

#include "delivery/DeliveryReport.h"
#include "delivery/RouterState.h"
#include "remote/ButtonKeyTable.h"

// Whose key a chord is. A key of the map for every program goes to the
// lock-on target or by the mode. A key of the own map of the program in
// front is typed into that program as keystrokes, whatever the mode, unless
// lock-on holds or the mode's road leads to that program's viewer anyway.
enum ChordOwner : std::uint8_t {
    kChordOfEveryProgram,
    kChordOfProgramInFront,
};

// 1, or 0 when a lock-on target has vanished (the chord then went by the mode
// and the caller clears lock-on).
int DeliverChord(RouterState& router, KeyChord chord, DeliveryReport* report = nullptr,
                 ChordOwner owner = kChordOfEveryProgram);

// The user's two choices. A mode that is none is passed over. Setting one
// while locked on shows its items un-greyed, as the menu always has.
int SetDeliveryMode(RouterState& router, std::uint32_t mode);
int SetIgnoreCursor(RouterState& router, std::uint32_t value);

void DeliverHdusEmulation(RouterState& router, KeyChord chord, DeliveryReport* report = nullptr);
void DeliverDirect(RouterState& router, KeyChord chord, DeliveryReport* report = nullptr);
void DeliverDirectForeground(RouterState& router, KeyChord chord, DeliveryReport* report = nullptr);
void DeliverToLockedTarget(RouterState& router, KeyChord chord, DeliveryReport* report = nullptr);

// Plain Enter and plain arrows are dropped while ignoreCursor is on.
bool DirectionKeyPasses(const RouterState& router, KeyChord chord);
