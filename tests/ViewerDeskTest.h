// Desktops with viewer windows on them, and what the program does when the
// user presses a remote button, clicks the tray icon or picks a window.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "delivery/ViewerClasses.h"
#include "tests/ProgramTest.h"

using Lines = std::vector<std::string>;

class ViewerDeskTest : public ProgramTest {
protected:
    using DWORD = win::DWORD;

    // Top-level windows are added from front to back: each one goes below
    // every window already there.
    HWND Below(const char16_t* cls, DWORD pid, const std::string& label, bool visible = true) {
        return desk.AddWindowAtBottom(cls, {.pid = pid, .visible = visible, .label = label});
    }
    HWND ChildOf(HWND parent, const char16_t* cls, const std::string& label, bool visible = true) {
        return desk.AddChild(parent, cls, {.visible = visible, .label = label});
    }
    // Gives the window the foreground and puts it on top, as the user would.
    void Activate(HWND hwnd) {
        desk.BringToTop(hwnd);
        desk.SetForeground(hwnd);
    }

    // Everything one fresh press of `code` makes the program do, without the
    // default handling that ends every report, nor the on-screen line's
    // showing (OnScreenLineTest.cpp looks at that).
    Lines Pressed(win::BYTE code) {
        Report1(0);
        desk.ClearCalls();
        Report1(code);
        return WithoutInputEnd(desk.calls);
    }
    static Lines WithoutInputEnd(Lines lines) {
        const auto ends = [](const std::string& line) {
            return line == "DefWindowProcW(WM_INPUT)" || line.find("KorvantaOnScreenLine") != std::string::npos ||
                   line.rfind("MonitorFromWindow(", 0) == 0 || line.rfind("CreateFontW(", 0) == 0;
        };
        lines.erase(std::remove_if(lines.begin(), lines.end(), ends), lines.end());
        return lines;
    }

    // The user clicks the tray icon; a command picked from the popup
    // (desk.menuChoice) comes back through the message queue.
    win::LRESULT TrayClick(win::LPARAM mouseMessage = win::WM_RBUTTONDOWN) {
        const win::LRESULT result = MainWindowProc(mainWindow, WM_TRAY_NOTIFY, 1, mouseMessage);
        win::MSG msg{};
        while (desk.GetMessageW(&msg, nullptr, 0, 0) > 0) desk.DispatchMessageW(&msg);
        return result;
    }

    // Locks on as the user does: the menu command, then a click on `window`.
    void LockOnByClicking(HWND window) {
        Command(IDM_LOCKON);
        desk.ClickLeft(window);
        ASSERT_NE(Router().lockedTarget, nullptr);
        desk.ClearCalls();
    }

    static std::string Post(const std::string& window, const std::string& wParam, const std::string& lParam) {
        return "PostMessageW(" + window + ", TVTest KeyHook, " + wParam + ", " + lParam + ")";
    }
    // A direction key without modifiers posted to `window`.
    static Lines PlainDirectionKey(const std::string& window, const std::string& vk) {
        return {"keybd_event(Ctrl up, scan 0x1D)", "Sleep(10)", "keybd_event(Shift up, scan 0x2A)", "Sleep(10)",
                "PostMessageW(" + window + ", WM_KEYDOWN, " + vk + ", 0x0)", "Sleep(10)", "Sleep(10)"};
    }
};
