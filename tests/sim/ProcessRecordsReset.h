// Between scenarios the program's process-wide records are forgotten, as a
// new process would start without them. The simulated desktop owns nothing
// they point to, so nothing is freed here.
#pragma once

#include "app/ProcessRecords.h"

inline void ForgetProcessRecords() {
    g_hInstance = nullptr;
    g_instanceMutex = nullptr;
    g_repeatFilter = nullptr;
    g_router = nullptr;
    g_settings = nullptr;
    g_trayIcon = nullptr;
    g_buttonActions = nullptr;
    g_pressLog = nullptr;
    g_menu = nullptr;
    g_lockOnHook = nullptr;
    g_hookOwner = nullptr;
}
