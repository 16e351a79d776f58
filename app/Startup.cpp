#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/Notices.h"
#include "app/Resource.h"

using namespace win;

namespace {
constexpr int kTextCapacity = 100;
char16_t g_title[kTextCapacity];
char16_t g_className[kTextCapacity];
}  // namespace

void RegisterMainWindowClass(HINSTANCE hInstance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(WNDCLASSEXW);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = hInstance;
    wc.hIcon = Win().LoadIconW(hInstance, MakeIntResource(IDI_KORVANTA));
    wc.hCursor = Win().LoadCursorW(nullptr, MakeIntResource(IDC_ARROW));
    wc.hbrBackground = COLOR_WINDOW + 1;
    wc.lpszClassName = g_className;
    wc.hIconSm = Win().LoadIconW(hInstance, MakeIntResource(IDI_SMALL));
    Win().RegisterClassExW(&wc);
}

HWND CreateMainWindow(HINSTANCE hInstance) {
    Win().LoadStringW(hInstance, IDS_APP_TITLE, g_title, kTextCapacity);
    Win().LoadStringW(hInstance, IDC_KORVANTA, g_className, kTextCapacity);
    RegisterMainWindowClass(hInstance);
    // Never shown: the user reaches the program through the tray icon only.
    return Win().CreateWindowExW(0, g_className, g_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                 nullptr, nullptr, hInstance, nullptr);
}

void AskRunningCopyToShowItself(HINSTANCE hInstance) {
    char16_t className[kTextCapacity] = {};
    Win().LoadStringW(hInstance, IDC_KORVANTA, className, kTextCapacity);
    // The running copy's window may not be made yet, or already gone: then
    // there is nobody to ask, and nothing else to do.
    HWND running = Win().FindWindowW(className, nullptr);
    if (running) Win().PostMessageW(running, Win().RegisterWindowMessageW(kShowRunningMessageName), 0, 0);
}

int RunKorvanta(HINSTANCE hInstance) {
    // Held, never closed: it ends with the process, and so does the guard.
    Win().CreateMutexW(nullptr, 0, kInstanceMutexName);
    if (Win().GetLastError() == ERROR_ALREADY_EXISTS) {
        AskRunningCopyToShowItself(hInstance);
        return 0;
    }

    HWND hwnd = CreateMainWindow(hInstance);
    if (!hwnd) return 0;
    Win().UpdateWindow(hwnd);
    HACCEL accelerators = Win().LoadAcceleratorsW(hInstance, MakeIntResource(IDC_KORVANTA));

    return RunMessageLoop(hwnd, accelerators);
}

int RunMessageLoop(HWND hwnd, HACCEL accelerators) {
    MSG msg{};
    for (;;) {
        while (Win().PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            // Without the watch a hand edit is not told: a press looks at
            // the file first, so that it goes by what the file says now.
            const SettingsWatch* watch = MainWindowSettingsWatch();
            if (msg.message == WM_INPUT && watch && !SettingsWatchRuns(*watch))
                Win().SendMessageW(hwnd, WM_SETTINGS_CHANGED, 0, 0);
            // Tab, the arrows, Enter and Esc move about the settings window.
            const HWND dialog = MainWindowSettingsDialog();
            if (dialog && (TakeKeyIntoKeyBox(dialog, msg) || Win().IsDialogMessageW(dialog, &msg))) continue;
            if (!Win().TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
                Win().TranslateMessage(&msg);
                Win().DispatchMessageW(&msg);
            }
        }
        SettingsWatch* before = MainWindowSettingsWatch();
        // Torn down (the tray's exit, the session's end), possibly inside a
        // nested loop that took the quit message for itself: nothing is
        // left to wait for.
        if (!before) return 0;
        // A change made while the watch did not run is looked at once it runs again.
        if (before && RestartSettingsWatchIfDue(*before, Win().GetTickCount()))
            Win().PostMessageW(hwnd, WM_SETTINGS_CHANGED, 0, 0);
        HANDLE change = before ? before->change : nullptr;
        const DWORD timeout = before ? SettingsWatchTimeout(*before, Win().GetTickCount()) : INFINITE;
        // Any message in the queue ends the wait, even one that a nested
        // loop (the tray menu's, a dialog's) has looked at and left there:
        // without the flag such a press would wait for the next input.
        const DWORD waited =
            Win().MsgWaitForMultipleObjectsEx(change ? 1 : 0, &change, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // Asked again: a message sent from elsewhere may have been handled
        // during the wait, the teardown among them.
        SettingsWatch* watch = MainWindowSettingsWatch();
        const bool sameWatch = change && watch && watch->change == change;
        if (waited == WAIT_FAILED) {
            // Waiting again on what failed would spin for ever. Without the
            // watch the loop goes on as it was; failing even so, the window
            // is destroyed as the menu's exit does, so the settings are saved
            // and the icon removed on the way out.
            if (sameWatch) StopSettingsWatch(*watch);
            if (change) continue;
            Win().DestroyWindow(hwnd);
            return 0;
        }
        const DWORD now = Win().GetTickCount();
        if (sameWatch && waited == WAIT_OBJECT_0) NoteSettingsFolderChange(*watch, now);
        // Asked after a notification too: a folder written all the time
        // would otherwise never let the change through.
        if (sameWatch && SettingsChangeSettled(*watch, now)) Win().PostMessageW(hwnd, WM_SETTINGS_CHANGED, 0, 0);
    }
}
