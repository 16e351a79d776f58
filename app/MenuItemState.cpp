#include "app/MenuItemState.h"

#include "platform/Constants.h"

using namespace win;

namespace {
MENUITEMINFOW StateRecord() {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    return info;
}
}  // namespace

UINT ReadMenuItemState(HMENU menu, UINT command) {
    MENUITEMINFOW info = StateRecord();
    Win().GetMenuItemInfoW(menu, command, 0, &info);
    return info.fState;
}

void ChangeMenuItemState(HMENU menu, UINT command, UINT setBits, UINT clearBits) {
    MENUITEMINFOW info = StateRecord();
    Win().GetMenuItemInfoW(menu, command, 0, &info);
    info.fState = (info.fState & ~clearBits) | setBits;
    Win().SetMenuItemInfoW(menu, command, 0, &info);
}

void ReplaceMenuItemState(HMENU menu, UINT command, UINT state) { ChangeMenuItemState(menu, command, state, ~0u); }
