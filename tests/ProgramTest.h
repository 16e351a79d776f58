// The fixture of the native tests: the program running on a simulated desktop.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Resource.h"
#include "app/Startup.h"
#include "delivery/RouterState.h"
#include "tests/sim/SimDesktop.h"

// Beside the simulated desktop's Korvanta.exe, where the program keeps them.
inline const std::u16string kIni = u"C:\\Program Files\\Korvanta\\Korvanta.ini";
inline const std::u16string kLog = u"C:\\Program Files\\Korvanta\\Korvanta.log";

class ProgramTest : public ::testing::Test {
protected:
    using HWND = win::HWND;

    sim::SimDesktop desk;
    HWND mainWindow = nullptr;
    win::HANDLE receiver = nullptr;
    const win::HINSTANCE instance = reinterpret_cast<win::HINSTANCE>(std::uintptr_t{0x400000});

    void SetUp() override {
        win::SetPlatform(&desk);
        receiver = desk.AddHidDevice(0x04BB, 0x0F0E);
    }

    void TearDown() override {
        if (Records()) MainWindowProc(mainWindow, win::WM_DESTROY, 0, 0);
        win::SetPlatform(nullptr);
    }

    // The running program's records, made by its window; null before and after.
    static KorvantaRecords* Records() { return MainWindowRecords(); }
    static RouterState& Router() { return MainWindowRecords()->router; }

    // Creates the hidden main window; its creation handler runs at once.
    void Start() {
        mainWindow = CreateMainWindow(instance);
        ASSERT_NE(mainWindow, nullptr);
        desk.ClearCalls();
    }

    // Start, then choose a delivery mode from the menu.
    void StartInMode(int mode) {
        Start();
        Command(IDM_MODE_HDUS + mode);
        desk.ClearCalls();
    }

    win::LRESULT Command(unsigned id) { return MainWindowProc(mainWindow, win::WM_COMMAND, id, 0); }

    // One receiver report carrying `code` at its code offset.
    static std::vector<win::BYTE> Report(win::BYTE code) { return {0, 0, 0, 0, 0, 0, code, 0}; }

    win::LRESULT Input(win::HRAWINPUT packet) {
        return MainWindowProc(mainWindow, win::WM_INPUT, 0, reinterpret_cast<win::LPARAM>(packet));
    }

    // The receiver sends one report with `code`.
    win::LRESULT Report1(win::BYTE code) { return Input(desk.AddHidPacket(receiver, {Report(code)})); }

    std::vector<std::string> Calls() const { return desk.calls; }
};
