#include "app/ProcessRecords.h"

win::HINSTANCE g_hInstance = nullptr;
win::HANDLE g_instanceMutex = nullptr;

RepeatFilter* g_repeatFilter = nullptr;
RouterState* g_router = nullptr;
SettingsFile* g_settings = nullptr;
TrayIcon* g_trayIcon = nullptr;
ButtonActions* g_buttonActions = nullptr;
PressLog* g_pressLog = nullptr;
win::HMENU g_menu = nullptr;
win::HHOOK g_lockOnHook = nullptr;
win::HWND g_hookOwner = nullptr;
