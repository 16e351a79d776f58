// The process-wide records and handles. The main window's creation handler
// makes them and its teardown releases them; every other part only uses them.
#pragma once

#include "platform/Platform.h"

struct ButtonActions;
struct PressLog;
struct RepeatFilter;
struct RouterState;
struct SettingsFile;
struct TrayIcon;

extern win::HINSTANCE g_hInstance;
extern win::HANDLE g_instanceMutex;

extern RepeatFilter* g_repeatFilter;
extern RouterState* g_router;
extern SettingsFile* g_settings;
extern TrayIcon* g_trayIcon;
extern ButtonActions* g_buttonActions;  // what each button code does, fixed at start
extern PressLog* g_pressLog;            // null while the press log is off
extern win::HMENU g_menu;
extern win::HHOOK g_lockOnHook;  // installed only while a lock-on click is awaited
extern win::HWND g_hookOwner;    // where the lock-on hook reports the click
