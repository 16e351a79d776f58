// Menu items are addressed by command identifier; their state is read first,
// then written back changed.
#pragma once

#include "platform/Platform.h"

win::UINT ReadMenuItemState(win::HMENU menu, win::UINT command);
void ChangeMenuItemState(win::HMENU menu, win::UINT command, win::UINT setBits, win::UINT clearBits);
void ReplaceMenuItemState(win::HMENU menu, win::UINT command, win::UINT state);
