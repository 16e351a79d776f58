// Routing of one key chord: to the lock-on target while it is valid,
// otherwise by the delivery mode, with direction keys on their own road.
#pragma once

#include "delivery/RouterState.h"
#include "remote/ButtonKeyTable.h"

// 1, or 0 when a lock-on target has vanished (the chord then went by the mode
// and the caller clears the lock-on menu state).
int DeliverChord(KeyChord chord);

void DeliverHdusEmulation(RouterState& router, KeyChord chord);
void DeliverDirect(RouterState& router, KeyChord chord);
void DeliverDirectForeground(RouterState& router, KeyChord chord);
void DeliverToLockedTarget(RouterState& router, KeyChord chord);

// Plain Enter and plain arrows are dropped while ignoreCursor is on.
bool DirectionKeyPasses(const RouterState& router, KeyChord chord);
