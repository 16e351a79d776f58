// Remote button BUTTON_BRING_TO_FRONT sends no key: it brings a viewer to the
// front, moving on to the next viewer process (by ascending process id,
// wrapping) on each press.
#pragma once

#include "delivery/DeliveryReport.h"
#include "platform/Platform.h"
#include "remote/ButtonKeyTable.h"

// Given a report, says there which viewer was chosen, or that none was.
// 1 when one came forward.
int BringViewerToFront(DeliveryReport* report = nullptr);
win::HWND PickViewerToActivate();
// Joins input with the foreground thread and lowers the foreground lock
// time-out for the moment, so the platform lets the viewer come forward.
void ActivateWindowForcibly(win::HWND target);
