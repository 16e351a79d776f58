// The cost of one remote press on its way through the program: decoding, the
// repeat filter, the key table and routing to a viewer found in the z-order,
// on the simulated desktop with its call record switched off; with the fixed
// table, with a user's button map laid over it (the same lookup; its other
// buttons have long actions, which cost the pressed ones nothing), with maps
// for other programs than the one in front (which cost the question which
// program that is, and nothing else), and with the press log on (its file
// kept as a size only), and typed into the program in front (whose rights
// are asked only when another window comes to the front). The on-screen
// line is off (Osd=0) but where named: left at its default, it fills the
// press's record to see whether the press missed; at Osd=2 it shows each
// press, formatting the line and placing its window. Another remote's
// reports, a press and a release in turn, go through the (simulated) HID
// parser and the map that names their button. Also counts the
// heap allocations made per press (there should be none; the simulated
// desktop's SendInput makes its own).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/MainWindow.h"
#include "app/OnScreenLine.h"
#include "app/Resource.h"
#include "app/Startup.h"
#include "delivery/Routing.h"
#include "delivery/ViewerClasses.h"
#include "remote/RemoteInput.h"
#include "tests/sim/SimDesktop.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace win;

const std::u16string kIni = u"C:\\Program Files\\Korvanta\\Korvanta.ini";

enum Extra {
    kFixedTable,
    kWithMap,
    kWithProgramMaps,
    kWithLog,
    kTypedIntoFront,
    kLineWhenMissed,
    kLineEveryPress,
    kOtherRemote,
};

struct Scene {
    sim::SimDesktop desk;
    HWND mainWindow = nullptr;
    HRAWINPUT packets[2] = {};

    // Another program in front, a second one below it, the viewer third.
    explicit Scene(int viewerDepth, Extra extra = kFixedTable) {
        SetPlatform(&desk);
        if (extra == kWithMap) {
            // A full map: every code named, the two pressed ones to other keys.
            std::vector<std::u16string> lines;
            const char16_t* digits = u"0123456789ABCDEF";
            for (int code = 1; code < 256; ++code) {
                const std::u16string key{digits[code / 16], digits[code % 16]};
                lines.push_back(key + u"=Ctrl+F" + std::u16string{static_cast<char16_t>(u'1' + code % 9)});
                // Long actions for the others: the two pressed wait for no hold.
                if (code != 0x08 && code != 0x01) lines.push_back(key + u".long=Shift+F5");
            }
            desk.SetSectionLines(kIni, u"Buttons", lines);
        }
        if (extra == kWithProgramMaps) {
            desk.SetSectionLines(kIni, u"Buttons:mpc-be64.exe", {u"08=Space", u"01=Ctrl+Right"});
            desk.SetSectionLines(kIni, u"Buttons:vlc.exe", {u"08=Space"});
            desk.processImages = {{10, u"C:\\Windows\\System32\\notepad.exe"}, {100, u"C:\\TV\\TVTest.exe"}};
        }
        if (extra == kOtherRemote) desk.SetSectionLines(kIni, u"Buttons", {u"045E:0800:00CD=Ctrl+F5"});
        if (extra == kLineEveryPress) desk.SetProfileString(kIni, u"Korvanta", u"Osd", u"2");
        else if (extra != kLineWhenMissed) desk.SetProfileString(kIni, u"Korvanta", u"Osd", u"0");
        if (extra == kWithLog) {
            desk.SetProfileString(kIni, u"Korvanta", u"Log", u"1");
            desk.keepFileContents = false;
        }
        const HANDLE receiver = desk.AddHidDevice(0x04BB, 0x0F0E);
        mainWindow = CreateMainWindow(reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}));
        MainWindowProc(mainWindow, WM_COMMAND, extra == kTypedIntoFront ? IDM_MODE_HDUS : IDM_MODE_DIRECT, 0);
        if (extra == kTypedIntoFront) desk.processImages = {{10, u"C:\\Windows\\System32\\notepad.exe"}};
        desk.AddWindowAtBottom(u"Notepad", {.pid = 10});
        for (int i = 1; i + 1 < viewerDepth; ++i) desk.AddWindowAtBottom(u"CabinetWClass", {.pid = 20});
        desk.AddWindowAtBottom(kTvTestWindow, {.pid = 100});
        desk.SetForeground(desk.TopLevelZOrder()[1]);  // [0] is our own hidden window
        // Two different buttons in turn, so every report fires.
        packets[0] = desk.AddHidPacket(receiver, {{0, 0, 0, 0, 0, 0, 0x08, 0}});
        packets[1] = desk.AddHidPacket(receiver, {{0, 0, 0, 0, 0, 0, 0x01, 0}});
        if (extra == kOtherRemote) {
            // Another remote's mapped button, pressed and let go in turn.
            const HANDLE remote = desk.AddConsumerDevice(0x045E, 0x0800);
            packets[0] = desk.AddHidPacket(remote, {desk.ConsumerReport(remote, {0xCD})});
            packets[1] = desk.AddHidPacket(remote, {desk.ConsumerReport(remote, {})});
        }
        desk.recording = false;
    }

    ~Scene() {
        MainWindowProc(mainWindow, WM_DESTROY, 0, 0);
        SetPlatform(nullptr);
    }
};

void PressToViewer(benchmark::State& state, Extra extra) {
    Scene scene(static_cast<int>(state.range(0)), extra);
    long pressed = 0;
    const long before = g_allocations.load();
    for (auto _ : state) {
        const LRESULT r = MainWindowProc(scene.mainWindow, WM_INPUT, 0,
                                         reinterpret_cast<LPARAM>(scene.packets[pressed++ & 1]));
        benchmark::DoNotOptimize(r);
    }
    state.counters["allocs/press"] =
        benchmark::Counter(static_cast<double>(g_allocations.load() - before) / static_cast<double>(pressed));
}

void BM_PressToViewerInZOrder(benchmark::State& state) { PressToViewer(state, kFixedTable); }
BENCHMARK(BM_PressToViewerInZOrder)->Arg(3)->Arg(10);

void BM_PressWithButtonMap(benchmark::State& state) { PressToViewer(state, kWithMap); }
BENCHMARK(BM_PressWithButtonMap)->Arg(3)->Arg(10);

void BM_PressWithProgramMaps(benchmark::State& state) { PressToViewer(state, kWithProgramMaps); }
BENCHMARK(BM_PressWithProgramMaps)->Arg(3)->Arg(10);

void BM_PressWithLog(benchmark::State& state) { PressToViewer(state, kWithLog); }
BENCHMARK(BM_PressWithLog)->Arg(3)->Arg(10);

void BM_PressTypedIntoFront(benchmark::State& state) { PressToViewer(state, kTypedIntoFront); }
BENCHMARK(BM_PressTypedIntoFront)->Arg(3);

void BM_PressOsdWhenMissed(benchmark::State& state) { PressToViewer(state, kLineWhenMissed); }
BENCHMARK(BM_PressOsdWhenMissed)->Arg(3);

void BM_PressOsdEveryPress(benchmark::State& state) { PressToViewer(state, kLineEveryPress); }
BENCHMARK(BM_PressOsdEveryPress)->Arg(3);

// Another remote's report: its press reaches the viewer, its release nothing.
void BM_OtherRemoteReport(benchmark::State& state) { PressToViewer(state, kOtherRemote); }
BENCHMARK(BM_OtherRemoteReport)->Arg(3);

// One line made from a press's record and shown in the (simulated) window
// already made: the work Osd=2 adds to a press.
void BM_FormatAndShowLine(benchmark::State& state) {
    Scene scene(3);
    scene.desk.strings[IDS_LINE_SENT] = u"%1  %2 → %3";
    scene.desk.processImages = {{100, u"C:\\TV\\TVTest.exe"}};
    const HWND viewer = scene.desk.TopLevelZOrder().back();
    const PressEvent event{{0x04BB, 0x0F0E, 0x2A, 0}, true, {{1, 1, 0x7F}, kActionChord, 0},
                           {1, 0, 0, 0, kRouteKeyHook, kReasonNone, viewer}};
    OnScreenLine& line = MainWindowRecords()->onScreenLine;
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    for (auto _ : state) ShowPressOnScreen(line, instance, kOsdEveryPress, event);
}
BENCHMARK(BM_FormatAndShowLine);

void BM_DecodeOnly(benchmark::State& state) {
    Scene scene(3);
    RepeatFilter filter{};
    long pressed = 0;
    for (auto _ : state) benchmark::DoNotOptimize(DecodeRemoteReport(scene.packets[pressed++ & 1], filter));
}
BENCHMARK(BM_DecodeOnly);

}  // namespace

BENCHMARK_MAIN();
