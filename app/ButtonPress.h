// A report of the receiver on its way to an action: the repeat filter, a
// tap told from a hold for a button with a long action (with the one timer
// that makes a hold fire without a further report), the map chosen, the
// action delivered, and the press log's and the on-screen line.
#pragma once

#include "app/PressLine.h"
#include "delivery/ButtonMapChoice.h"
#include "platform/Platform.h"

struct KorvantaRecords;

// The hold timer's id on the main window; it runs only while a button with
// a long action (or any button the settings window learns) is held.
constexpr win::UINT_PTR kHoldTimer = 1;

// A press is watched while the log is on or the on-screen line may show:
// only then is its record filled, so that a press nobody watches costs
// nothing for it.
bool PressWatched(const KorvantaRecords& records);
// One action of a button (`other`, null for the receiver's `code`), with its
// line in the log and on the screen when the press is watched (`event`,
// null otherwise).
void ActOnPress(KorvantaRecords& records, ButtonCode code, const OtherButton* other, ChosenMap map,
                const ButtonAction& action, PressKind press, PressEvent* event);

// WM_INPUT.
void OnRemoteInput(KorvantaRecords& records, win::LPARAM lParam);
// WM_TIMER of kHoldTimer.
void OnHoldTimer(KorvantaRecords& records);
// The maps were read again: a hold in progress keeps its button, and
// chooses its map anew from them.
void ChooseHeldMapAgain(KorvantaRecords& records);
// LongPress= that cannot be used is said once in the press log, for each
// value written; again after the log is turned on.
void TellUnusableHoldTime(KorvantaRecords& records);
// Osd= that cannot be used, the same way.
void TellUnusableOsd(KorvantaRecords& records);
