// The program as a state machine on the simulated desktop: the real message
// loop runs, and each time it waits the fuzz input decides what happens next.
//
// Events: remote packets (held for several reports, from the receiver or
// not), every menu command and others, tray-icon clicks with a menu choice,
// clicks on any window (which a lock-on capture takes), lock-on click
// messages, viewer windows and their channel displays appearing, closing,
// hanging, reordering, a window closing in the middle of a search, the
// foreground moving, the notification area restarting, the session ending,
// the window being closed or destroyed, and the message loop failing; hand
// edits of the button maps, [Buttons:<program>] sections and .long lines
// among them, for programs named as the windows' processes' images are, in
// other case or not at all (a process's image may be unreadable); the hold
// timer ringing as time passes in the waits.
//
// After every event, with the queue drained: no key is left held; no input
// attachment, lowered foreground lock time-out or open file is left behind;
// at most one mouse hook is installed, the one the program holds; the menu
// agrees with the delivery mode, the flag and the lock-on state; at most one
// balloon of each kind, each only for its cause: the settings cannot be
// saved, the button map has lines that cannot be read, the press log cannot
// be written; an open file only for a running press log; no process or
// token handle open.
// Throughout: nothing is posted to a window that is gone, no hung window is
// attached to or brought forward, a hook is never installed beside another,
// a remote press releases every key it pressed and leaves the heap as it
// found it; a press that a program's own line decides (the locked viewer's
// program's, else the program in front's) sends that line's keys and does
// nothing else, and no other press sends such a key; a press of a button
// with a long action delivers at most one action. At the end: the
// teardown ran exactly once, wrote each setting once as eight capital
// hexadecimal digits, removed the icon and the hook, and after it nothing
// acted; the whole run returned every byte.
//
// Programs run with higher rights than Korvanta at times: no key is typed
// into one in front, a refusal is told only when one was met and at most
// once for each program, its rights are asked at most once a press, and a
// program's image is read only for a program section or to name one that
// refused.
#include <sanitizer/allocator_interface.h>

#include <array>
#include <optional>
#include <set>
#include <string>

#include "app/ButtonPress.h"
#include "app/MainWindow.h"
#include "app/Notices.h"
#include "app/PressLog.h"
#include "app/Resource.h"
#include "app/Startup.h"
#include "delivery/RouterState.h"
#include "delivery/ViewerClasses.h"
#include "app/SettingsWindow.h"
#include "settings/ButtonMapFile.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace win;
using namespace fuzz;

namespace {

constexpr UINT kTrayNotify = WM_USER + 100;
constexpr UINT kLockOnClick = WM_USER + 101;
constexpr DWORD kNimModify = 1;
constexpr UINT kNifInfo = 0x10;
constexpr DWORD kTimeout = 200000;
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
const std::u16string kSettingsPath = u"C:\\Program Files\\Korvanta\\Korvanta.ini";
const std::u16string kLogPath = u"C:\\Program Files\\Korvanta\\Korvanta.log";

bool Logging() {
    const KorvantaRecords* records = MainWindowRecords();
    return records && records->pressLog.on;
}

bool IsHex8(const char16_t* text) {
    for (int i = 0; i < 8; ++i)
        if (!((text[i] >= u'0' && text[i] <= u'9') || (text[i] >= u'A' && text[i] <= u'F'))) return false;
    return text[8] == 0;
}

class Desk : public RawInputDesk {
public:
    HWND main = nullptr;
    std::set<DWORD> hungProcesses;
    bool windowClosedDuringEvent = false;  // by a search's own class reads

    // What the program did.
    bool keyDown[256] = {};
    int attachments = 0;
    DWORD attached[2] = {};
    int quits = 0;
    int iconRemovals = 0;
    int balloons = 0;
    int settingsBalloons = 0;
    int mapBalloons = 0;
    int logBalloons = 0;
    int notUnicodeBalloons = 0;
    int firstStartBalloons = 0;
    int runningBalloons = 0;
    DWORD runningBalloonAt = 0;
    int receiverBalloons = 0;
    int refusalBalloons = 0;
    int tipChanges = 0;
    // The map's lines the program must have passed over, as it last read
    // them, and the balloons that makes: one for each new set.
    std::vector<std::u16string> ignoredLines;
    int expectedMapBalloons = 0;
    // A change to the file not yet taken in, by hand or by the settings
    // window: the program reads it when its main window next handles
    // WM_SETTINGS_CHANGED, whatever happens after that (the teardown, say).
    // The folder watch posts that message once the folder settles; the
    // settings window posts it after OK or 適用, even when it wrote nothing.
    bool editPending = false;
    bool editTakenIn = false;
    std::vector<std::u16string> editIgnoredLines;
    bool hadSettingsFile = false;  // as arranged
    bool receiverListed = true;   // as arranged
    bool deniedPost = false;      // a post refused for want of rights
    bool higherInFrontSeen = false;  // a press came with a program of higher rights in front
    std::set<std::u16string> refusalsTold;  // by the program the balloon names
    int imageReads = 0;
    int rightsAskedInPress = 0;

    // The refusal's balloon says only the program's name.
    Desk() { strings[IDS_VIEWER_REFUSED] = u"%1"; }

    // Windows would drop keys typed into it: its level is higher than ours,
    // whether or not it answers the question of its rights. (A process the
    // simulated desktop cannot open otherwise has ended.)
    bool HigherInFront() {
        DWORD pid = 0;
        if (!SimDesktop::GetWindowThreadProcessId(SimDesktop::GetForegroundWindow(), &pid)) return false;
        const auto level = integrityLevels.find(pid);
        return (processImages.count(pid) || queryRefused.count(pid)) && level != integrityLevels.end() &&
               level->second > ownIntegrityLevel;
    }

    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, char16_t* name, DWORD* size) override {
        ++imageReads;
        return SimDesktop::QueryFullProcessImageNameW(process, flags, name, size);
    }

    BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) override {
        if (process != GetCurrentProcess())
            FUZZ_CHECK(++rightsAskedInPress <= 1 || !dispatchingInput, "rights asked %d times in one press",
                       rightsAskedInPress);
        return SimDesktop::OpenProcessToken(process, desiredAccess, token);
    }
    int settingsWrites = 0;
    long actions = 0;  // every call through which the program acts on the desktop
    long actionsAtTeardown = -1;

    BOOL IsHungAppWindow(HWND hwnd) override {
        DWORD pid = 0;
        return SimDesktop::GetWindowThreadProcessId(hwnd, &pid) != 0 && hungProcesses.count(pid) != 0;
    }

    bool ThreadIsHung(DWORD tid) const {
        // Window threads are the process id plus one here.
        return tid != 0 && hungProcesses.count(tid - 1) != 0;
    }

    // While the settings window is in front, a press only picks its row.
    bool Learning() {
        const HWND dialog = ModelessDialog();
        return dialog && SimDesktop::GetForegroundWindow() == dialog && !SimDesktop::IsIconic(dialog);
    }
    void NotLearning(const char* what) {
        FUZZ_CHECK(!Learning(), "%s while the settings window is in front", what);
    }

    void Key(BYTE vk, bool up) {
        ++actions;
        NotLearning("a key synthesised");
        if (!up) PressSends(vk);
        keyDown[vk] = !up;
    }

    // The chord of the program's own line that decides the press handled
    // last, if one does. Only own lines send F9 to F12 and Space, so a key
    // shows which map decided.
    std::optional<KeyChord> ownLine;
    bool ownLineUnknown = false;  // a report that ends one press and begins another
    bool programSectionsWritten = false;  // the file has had a program's map
    void PressSends(BYTE vk) {
        if (!dispatchingInput) return;
        if (vk != VK_SHIFT && vk != VK_CONTROL) pressActed = true;
        if (ownLineUnknown) return;
        FUZZ_CHECK(ownLine ? (vk && vk == ownLine->vk) || (vk == VK_SHIFT && ownLine->shift) ||
                                 (vk == VK_CONTROL && ownLine->ctrl)
                           : vk != 0x20 && (vk < 0x78 || vk > 0x7B),
                   "key 0x%X sent for a press whose own line is 0x%X (0: none)", vk, ownLine ? ownLine->vk + 0 : 0);
    }

    // As the program should find it: the locked viewer's program, else that
    // of the window in front, by its image's file name in any case. A press
    // of a button with a long action delivers later: the long action (never
    // an own line's, which have none) as the timer rings or a repeat finds
    // the hold time reached, the short one as the hold ends, decided by the
    // map chosen as it began.
    std::optional<KeyChord> OwnLineOf(LPARAM lParam) {
        const KorvantaRecords* records = MainWindowRecords();
        const fuzz::Packet* packet = PacketOf(reinterpret_cast<HRAWINPUT>(lParam));
        std::vector<BYTE> bytes;
        ownLineUnknown = false;
        if (!records || !packet || !AcceptedBytes(*packet, bytes) || bytes.size() < kReportsAt ||
            !IsReceiver(reinterpret_cast<HANDLE>(Get64(bytes.data(), kDeviceAt))))
            return std::nullopt;
        const int code = ReferenceCode(bytes);
        const ButtonCode held = records->hold.code;
        if (held && code == held) return std::nullopt;
        // A hold the settings window learns ends giving nothing; any other
        // ends with its short action, and another button then acts itself:
        // two presses in one report.
        if (held && !records->holdLearns) {
            ownLineUnknown = code > 0;
            const ChosenMap& map = records->heldMap.press;
            return map.program && map.map->own[held] ? std::optional(map.map->action[held].chord) : std::nullopt;
        }
        if (code <= 0) return std::nullopt;
        const HWND locked = records->router.lockedTarget;
        const HWND window = locked && IsWindow(locked) ? locked : SimDesktop::GetForegroundWindow();
        DWORD pid = 0;
        SimDesktop::GetWindowThreadProcessId(window, &pid);
        const auto image = processImages.find(pid);
        const auto lower = [](std::u16string s) {
            for (char16_t& c : s) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
            return s;
        };
        for (const ProgramButtonMap& program : records->buttonMaps.programs)
            if (image != processImages.end() &&
                lower(program.program) == lower(image->second.substr(image->second.find_last_of(u"\\/") + 1)))
                return program.actions.own[code] ? std::optional(program.actions.action[code].chord) : std::nullopt;
        return std::nullopt;
    }

    UINT SendInput(UINT count, INPUT* inputs, int size) override {
        FUZZ_CHECK(!HigherInFront(), "keys typed into a program with higher rights");
        for (UINT i = 0; i < count; ++i)
            Key(static_cast<BYTE>(inputs[i].ki.wVk), (inputs[i].ki.dwFlags & KEYEVENTF_KEYUP) != 0);
        return SimDesktop::SendInput(count, inputs, size);
    }

    void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extraInfo) override {
        Key(key, (flags & KEYEVENTF_KEYUP) != 0);
        SimDesktop::keybd_event(key, scan, flags, extraInfo);
    }

    BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        ++actions;
        DWORD pid = 0;
        if (SimDesktop::GetWindowThreadProcessId(hwnd, &pid) && pid != ownPid)
            NotLearning("a message posted to a viewer");
        const KorvantaRecords* records = MainWindowRecords();
        const bool key = message == WM_KEYDOWN || (records && message == records->router.keyHookMessage);
        FUZZ_CHECK(key || !dispatchingInput || !ownLine || ownLineUnknown || pid == ownPid,
                   "message 0x%X posted for a press an own line decides", message);
        if (key && pid != ownPid) PressSends(static_cast<BYTE>(wParam));
        FUZZ_CHECK(IsWindow(hwnd) || windowClosedDuringEvent, "message 0x%X posted to a window that is gone", message);
        const BOOL posted = SimDesktop::PostMessageW(hwnd, message, wParam, lParam);
        if (!posted && GetLastError() == ERROR_ACCESS_DENIED) deniedPost = true;
        return posted;
    }

    HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE instance, DWORD threadId) override {
        ++actions;
        FUZZ_CHECK(InstalledHooks().empty(), "a second mouse hook installed beside %zu", InstalledHooks().size());
        return SimDesktop::SetWindowsHookExW(idHook, proc, instance, threadId);
    }

    BOOL AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach) override {
        ++actions;
        if (doAttach) {
            FUZZ_CHECK(attachments == 0, "input attached twice");
            FUZZ_CHECK(!ThreadIsHung(attach), "input attached to the hung thread %u", attach);
            attachments = 1;
            attached[0] = attach;
            attached[1] = attachTo;
        } else {
            FUZZ_CHECK(attachments == 1 && attached[0] == attach && attached[1] == attachTo,
                       "input detached that was not attached");
            attachments = 0;
        }
        return SimDesktop::AttachThreadInput(attach, attachTo, doAttach);
    }

    HWND SetActiveWindow(HWND hwnd) override {
        ++actions;
        FUZZ_CHECK(!IsHungAppWindow(hwnd), "a hung window activated");
        return SimDesktop::SetActiveWindow(hwnd);
    }

    // The on-screen line's window, made at the first line shown: its
    // making takes the simulated desktop's heap once.
    int lineWindows = 0;
    HWND CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName, DWORD style, int x,
                         int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                         void* param) override {
        const bool line = className && std::u16string(className) == kOnScreenLineClass;
        FUZZ_CHECK(!line || lineWindows == 0, "a second on-screen line window");
        lineWindows += line ? 1 : 0;
        return SimDesktop::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                                           instance, param);
    }

    BOOL SetForegroundWindow(HWND hwnd) override {
        ++actions;
        FUZZ_CHECK(Name(hwnd) != "KorvantaOnScreenLine", "the on-screen line brought to the foreground");
        FUZZ_CHECK(!dispatchingInput || !ownLine || ownLineUnknown,
                   "a window brought forward for a press an own line decides");
        pressActed = pressActed || dispatchingInput;
        FUZZ_CHECK(!IsHungAppWindow(hwnd), "a hung window brought to the foreground");
        return SimDesktop::SetForegroundWindow(hwnd);
    }

    BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) override {
        ++actions;
        return SimDesktop::SetMenuItemInfoW(menu, item, byPosition, info);
    }

    BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect) override {
        ++actions;
        return SimDesktop::TrackPopupMenu(menu, flags, x, y, reserved, owner, rect);
    }

    INT_PTR DialogBoxParamW(HINSTANCE instance, const char16_t* templateName, HWND owner, DLGPROC dialogProc,
                            LPARAM initParam) override {
        ++actions;
        return SimDesktop::DialogBoxParamW(instance, templateName, owner, dialogProc, initParam);
    }

    bool atSettingsWindow = false;  // the user is using it: its writes are its own
    BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                    const char16_t* fileName) override {
        ++actions;
        if (atSettingsWindow) {
            FUZZ_CHECK(std::u16string(fileName) == kSettingsPath, "the settings window wrote elsewhere");
            return SimDesktop::WritePrivateProfileStringW(section, key, value, fileName);
        }
        // The save at exit. A value the file already holds is not written
        // again, so either write may be missing, but the mode never follows
        // the flag.
        FUZZ_CHECK(settingsWrites < 2, "a setting written a third time");
        FUZZ_CHECK(std::u16string(key) == kIgnoreCursorKey || (settingsWrites == 0 && std::u16string(key) == kModeKey),
                   "settings written out of order");
        FUZZ_CHECK(std::u16string(section) == kSettingsSection && std::u16string(fileName) == kSettingsPath,
                   "a setting written elsewhere");
        FUZZ_CHECK(IsHex8(value), "a setting written as other than eight capital hexadecimal digits");
        ++settingsWrites;
        return SimDesktop::WritePrivateProfileStringW(section, key, value, fileName);
    }

    BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override {
        ++actions;
        if (message == NIM_DELETE) ++iconRemovals;
        if (message == kNimModify && (data->uFlags & kNifInfo)) {
            ++balloons;
            // The simulated desktop's titles read "string <id>".
            const std::string title = sim::Narrow(data->szInfoTitle);
            const auto is = [&](UINT id) { return title == "string " + std::to_string(id); };
            if (is(IDS_SETTINGS_NOT_SAVED_TITLE)) ++settingsBalloons;
            else if (is(IDS_BUTTONMAP_IGNORED_TITLE)) ++mapBalloons;
            else if (is(IDS_LOG_FAILED_TITLE)) ++logBalloons;
            else if (is(IDS_FIRST_START_TITLE)) ++firstStartBalloons;
            else if (is(IDS_NO_RECEIVER_TITLE)) ++receiverBalloons;
            else if (is(IDS_SETTINGS_NOT_UNICODE_TITLE)) {
                // A UTF-8 edit that could not be made UTF-16: the file is read-only.
                FUZZ_CHECK(notUnicodeBalloons++ == 0 && readOnlyFiles.count(kSettingsPath),
                           "the settings file told as not UTF-16 again, or though it can be replaced");
            }
            else if (is(IDS_PROGRAM_NOT_STARTED_TITLE)) {
                ++notStartedBalloons;
                FUZZ_CHECK(notStartedBalloons <= static_cast<int>(failedPrograms.size()),
                           "%d balloons for %zu programs that did not start", notStartedBalloons,
                           failedPrograms.size());
            } else if (is(IDS_VIEWER_REFUSED_TITLE)) {
                FUZZ_CHECK(deniedPost || higherInFrontSeen, "a refusal told though no program refused");
                FUZZ_CHECK(refusalsTold.insert(data->szInfo).second, "the refusal of %s told twice",
                           sim::Narrow(data->szInfo).c_str());
                ++refusalBalloons;
            } else if (is(IDS_ALREADY_RUNNING_TITLE)) {
                FUZZ_CHECK(runningBalloons == 0 || tickCount - runningBalloonAt >= kShowRunningPause,
                           "\"already running\" again after %u ms", tickCount - runningBalloonAt);
                ++runningBalloons;
                runningBalloonAt = tickCount;
            } else {
                FUZZ_CHECK(false, "a balloon of no known kind");
            }
        }
        if (message == kNimModify && data->uFlags == NIF_TIP) {
            FUZZ_CHECK(!receiverListed, "the tip changed though the receiver was there");
            ++tipChanges;
        }
        return SimDesktop::Shell_NotifyIconW(message, data);
    }

    // A program starts only on a press: of a code mapped to Run, or of the
    // front button with no viewer anywhere.
    bool dispatchingInput = false;
    std::u16string startViewerLine;  // as CreateProcessW would get it, when arranged
    int starts = 0;
    BOOL CreateProcessW(const char16_t* applicationName, char16_t* commandLine, void* processAttributes,
                        void* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                        const char16_t* currentDirectory, STARTUPINFOW* startupInfo,
                        PROCESS_INFORMATION* processInformation) override {
        ++actions;
        ++starts;
        NotLearning("a program started");
        FUZZ_CHECK(dispatchingInput && (!ownLine || ownLineUnknown),
                   "a program started outside a press, or for an own line's");
        pressActed = true;
        const std::u16string line = commandLine ? commandLine : u"";
        FUZZ_CHECK(!line.empty() && line[0] == u'"', "a program started without its path in quotes");
        if (line == startViewerLine) {
            for (HWND hwnd : TopLevelZOrder()) {
                const std::u16string cls = WindowOf(hwnd).className;
                FUZZ_CHECK(!IsWindow(hwnd) || (cls != kTvTestWindow && cls != kTvTestFullscreen &&
                                               cls != kTvH264Window && cls != kMagicTvWindow),
                           "the viewer started while one runs");
            }
        } else {
            FUZZ_CHECK(line == u"\"C:\\TV\\tv.exe\" /d x" || line == u"\"radio.exe\"",
                       "a program started that no Run line names");
        }
        const BOOL started =
            SimDesktop::CreateProcessW(applicationName, commandLine, processAttributes, threadAttributes,
                                       inheritHandles, creationFlags, environment, currentDirectory, startupInfo,
                                       processInformation);
        if (!started) failedPrograms.insert(line);
        return started;
    }
    std::set<std::u16string> failedPrograms;
    int notStartedBalloons = 0;

    int moves = 0;
    BOOL MoveFileExW(const char16_t* existingFileName, const char16_t* newFileName, DWORD flags) override {
        ++moves;
        return SimDesktop::MoveFileExW(existingFileName, newFileName, flags);
    }

    void PostQuitMessage(int exitCode) override {
        ++quits;
        SimDesktop::PostQuitMessage(exitCode);
        actionsAtTeardown = actions;
    }

    LRESULT DispatchMessageW(const MSG* msg) override {
        if (msg->message == WM_SETTINGS_CHANGED && MainWindowRecords() && IsWindow(msg->hwnd) &&
            WindowOf(msg->hwnd).label == "main")
            editTakenIn = editPending;
        const KorvantaRecords* records = MainWindowRecords();
        const bool holdTimer = msg->message == WM_TIMER && msg->wParam == kHoldTimer && records;
        if (msg->message != WM_INPUT && !holdTimer) return SimDesktop::DispatchMessageW(msg);
        ownLine = holdTimer ? std::nullopt : OwnLineOf(msg->lParam);
        higherInFrontSeen = higherInFrontSeen || HigherInFront();
        rightsAskedInPress = 0;
        if (holdTimer) ownLineUnknown = false;
        const ButtonCode heldBefore = records ? records->hold.code : 0;
        pressActed = false;
        if (recording || holdTimer) {
            dispatchingInput = true;
            const LRESULT result = SimDesktop::DispatchMessageW(msg);
            dispatchingInput = false;
            for (int vk = 0; vk < 256; ++vk) FUZZ_CHECK(!keyDown[vk], "a remote report left key 0x%X down", vk);
            CountHoldActions(heldBefore);
            return result;
        }
        const std::size_t before = __sanitizer_get_current_allocated_bytes();
        const bool logging = Logging();
        const int movesBefore = moves;
        const int startsBefore = starts;
        const int refusalsBefore = refusalBalloons;
        const int lineWindowsBefore = lineWindows;
        // A press the settings window learns may add its row to the list.
        const bool learning = Learning();
        dispatchingInput = true;
        const LRESULT result = SimDesktop::DispatchMessageW(msg);
        dispatchingInput = false;
        const std::size_t after = __sanitizer_get_current_allocated_bytes();
        // A press log that stops on a failed write gives its record back; a
        // rollover makes the simulated desktop keep a record of the new file.
        // So does a program's start, and the first failure or refusal of each program.
        if (logging == Logging() && moves == movesBefore && starts == startsBefore && !learning &&
            refusalBalloons == refusalsBefore && lineWindows == lineWindowsBefore)
            FUZZ_CHECK(before == after, "a remote report left %zd bytes on the heap",
                       static_cast<std::ptrdiff_t>(after - before));
        for (int vk = 0; vk < 256; ++vk) FUZZ_CHECK(!keyDown[vk], "a remote report left key 0x%X down", vk);
        CountHoldActions(heldBefore);
        return result;
    }

    // A press of a button with a long action delivers at most one action,
    // from its first report to its end; a report that ends it with another
    // button's press is that press's too, and is not counted.
    bool pressActed = false;
    int holdActions = 0;
    void CountHoldActions(ButtonCode heldBefore) {
        const KorvantaRecords* records = MainWindowRecords();
        const ButtonCode heldAfter = records ? records->hold.code : 0;
        if (heldBefore && !ownLineUnknown) {
            holdActions += pressActed ? 1 : 0;
            FUZZ_CHECK(holdActions <= 1, "a press of 0x%X delivered %d actions", heldBefore, holdActions);
        }
        if (heldAfter && heldAfter != heldBefore) holdActions = 0;
    }
};

// The map's lines in the file that the program must pass over, as the
// platform lists them: unreadable ones, and repeats of a code.
std::vector<std::u16string> IgnoredLinesInFile(Desk& desk) {
    const bool recording = desk.recording;
    desk.recording = false;
    std::vector<char16_t> list(1 << 16);
    const DWORD length = desk.GetPrivateProfileSectionW(u"Buttons", list.data(), static_cast<DWORD>(list.size()),
                                                        kSettingsPath.c_str());
    desk.recording = recording;
    std::vector<std::u16string> ignored;
    bool named[256] = {}, namedLong[256] = {};
    for (std::size_t at = 0; at < length && list[at];) {
        const std::u16string line(list.data() + at);
        at += line.size() + 1;
        ButtonCode code = 0;
        ButtonAction action{};
        bool longPress = false;
        const MapLineReading reading = ParseButtonMapLine(line.data(), line.size(), code, action, nullptr, &longPress);
        if (reading == kMapLineBlank) continue;
        bool& seen = longPress ? namedLong[code] : named[code];
        const bool bad = reading != kMapLineGood || seen;
        if (bad) ignored.push_back(line);
        if (reading != kMapLineBadCode) seen = true;
    }
    return ignored;
}

void NoteIgnoredLines(Desk& desk, const std::vector<std::u16string>& ignored) {
    if (!ignored.empty() && ignored != desk.ignoredLines) ++desk.expectedMapBalloons;
    desk.ignoredLines = ignored;
}

// The state that must hold whenever the program waits for a message.
void CheckQuiet(Desk& desk) {
    const KorvantaRecords* records = MainWindowRecords();
    if (desk.editTakenIn) {
        NoteIgnoredLines(desk, desk.editIgnoredLines);
        desk.editPending = desk.editTakenIn = false;
    }
    // While the folder is watched, a change has been taken in by the time
    // the program waits with nothing to do; with no records nothing will
    // read it any more.
    FUZZ_CHECK(!desk.editPending || !records || !records->settingsWatch.change,
               "a change to the settings file not taken in though the folder is watched");
    if (!records) desk.editPending = false;
    for (int vk = 0; vk < 256; ++vk) FUZZ_CHECK(!desk.keyDown[vk], "key 0x%X left down", vk);
    FUZZ_CHECK(desk.attachments == 0, "input left attached");
    FUZZ_CHECK(desk.foregroundLockTimeout == kTimeout, "foreground lock time-out left at %u",
               desk.foregroundLockTimeout);
    const std::vector<HHOOK> hooks = desk.InstalledHooks();
    FUZZ_CHECK(hooks.size() <= 1, "%zu mouse hooks installed", hooks.size());
    FUZZ_CHECK(desk.settingsBalloons <= 1 && desk.logBalloons <= 1,
               "balloons repeated: %d settings, %d map, %d log", desk.settingsBalloons, desk.mapBalloons,
               desk.logBalloons);
    FUZZ_CHECK(desk.settingsBalloons == 0 || desk.readOnlyFiles.count(kSettingsPath),
               "a balloon though the settings can be saved");
    FUZZ_CHECK(desk.mapBalloons == desk.expectedMapBalloons, "%d map balloons, %d expected", desk.mapBalloons,
               desk.expectedMapBalloons);
    FUZZ_CHECK(desk.logBalloons == 0 || desk.readOnlyFiles.count(kLogPath) || desk.unwritableFiles.count(kLogPath),
               "a log balloon though the log can be written");
    FUZZ_CHECK(!(Logging() && desk.logBalloons), "the log still runs after its balloon");
    FUZZ_CHECK(desk.firstStartBalloons == (desk.hadSettingsFile ? 0 : 1), "%d first-start balloons with a file %d",
               desk.firstStartBalloons, desk.hadSettingsFile);
    FUZZ_CHECK(desk.receiverBalloons == (desk.receiverListed || desk.listFails ? 0 : 1),
               "%d receiver balloons with the receiver listed %d", desk.receiverBalloons, desk.receiverListed);
    FUZZ_CHECK(desk.openProcessHandles == 0, "%d process handles left open", desk.openProcessHandles);
    // The on-screen line names the program a press went to.
    FUZZ_CHECK(desk.programSectionsWritten || desk.deniedPost || desk.higherInFrontSeen || desk.lineWindows > 0 ||
                   desk.imageReads == 0,
               "%d programs' images read though no program has a map or refused, and no line showed", desk.imageReads);
    FUZZ_CHECK(desk.tipChanges <= 2, "%d tip changes", desk.tipChanges);
    FUZZ_CHECK(desk.openFiles == (Logging() ? 1 : 0), "%d file handles left open", desk.openFiles);
    if (!records) {
        FUZZ_CHECK(hooks.empty(), "a mouse hook outlived the teardown");
        return;
    }
    const RouterState& router = records->router;
    const HHOOK hook = router.lockOn.hook;
    FUZZ_CHECK(hooks.empty() ? !hook : hook == hooks.front(), "the hook held is not the one installed");
    const int mode = router.mode;
    FUZZ_CHECK(mode >= 0 && mode <= 2, "delivery mode %d", mode);
    if (hook) FUZZ_CHECK(!router.lockedTarget, "locked on while a capture waits");
    // The maps in force are those the file holds: a hand edit has taken
    // effect by the time the program waits again.
    if (records->settingsWatch.change) {
        ButtonMaps fromFile;
        LoadButtonMaps(records->settings, fromFile);
        const std::vector<ProgramButtonMap>& held = records->buttonMaps.programs;
        const std::size_t size = sizeof(fromFile.all.action);
        bool same = !std::memcmp(fromFile.all.action, records->buttonMaps.all.action, size) &&
                    fromFile.programs.size() == held.size();
        for (std::size_t i = 0; same && i < held.size(); ++i)
            same = fromFile.programs[i].program == held[i].program &&
                   !std::memcmp(fromFile.programs[i].actions.action, held[i].actions.action, size) &&
                   !std::memcmp(fromFile.programs[i].actions.own, held[i].actions.own, sizeof(held[i].actions.own));
        FUZZ_CHECK(same, "the map in force is not the file's");
    }
    if (desk.menuLoadFails) return;
    // A stored value that is no mode starts the default mode with no item
    // checked; from the first mode chosen on, the item of the mode is checked.
    int checkedModes = 0;
    for (int m = 0; m < 3; ++m)
        if (desk.MenuState(IDM_MODE_HDUS + m) & MFS_CHECKED) {
            ++checkedModes;
            FUZZ_CHECK(m == mode, "mode item %d checked in mode %d", m, mode);
        }
    FUZZ_CHECK(checkedModes == 1 || mode == kModeHdusEmulation, "no mode item checked in mode %d", mode);
    FUZZ_CHECK(((desk.MenuState(IDM_IGNORE_CURSOR) & MFS_CHECKED) != 0) == (router.ignoreCursor != 0),
               "direction item checked wrongly for flag %d", router.ignoreCursor);
    const bool locked = (desk.MenuState(IDM_LOCKON) & MFS_CHECKED) != 0;
    // Only lock-on greys the four items. A mode or flag command sent while
    // locked (the menu cannot send one then) rewrites its item whole and so
    // un-greys it; the lock itself stays.
    for (UINT item : {IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG, IDM_IGNORE_CURSOR})
        if ((desk.MenuState(item) & MFS_GRAYED) == MFS_GRAYED) FUZZ_CHECK(locked, "item %u greyed unlocked", item);
    if (router.lockedTarget) FUZZ_CHECK(locked, "locked on with the lock-on item unchecked");
    if (hook) FUZZ_CHECK(!locked, "lock-on item checked while a capture waits");
}

const char16_t* const kClasses[] = {
    kTvTestWindow, kTvTestFullscreen, kTvH264Window, kMagicTvWindow, kTvTestChannelDisplay,
    u"Notepad",    u"TVTest window",  u"TVTest Window ", u"Shell_TrayWnd",
};

const BYTE kCodes[] = {0x21, 0x1C, 0x1E, 0x1F, 0x20, 0x22, 0x24, 0x26, 0x27, 0x29,
                       0x01, 0x08, 0x0B, 0x06, 0x2F, 0x02, 0x00};

const UINT kCommands[] = {IDM_ABOUT,      IDM_EXIT,          IDM_MODE_HDUS, IDM_MODE_DIRECT, IDM_MODE_DIRECT_FG,
                          IDM_IGNORE_CURSOR, IDM_LOCKON,     106,           107,             108,
                          109,            0,                 115,           0x10000 | IDM_LOCKON};

const UINT kMouseMessages[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP, 0x203};

const char16_t* const kSettingTexts[] = {u"00000000", u"00000001", u"00000002", u"00000003", u"FFFFFFFF",
                                         u"2",        u"1 ; on",   u"zz",       u"",         u"0000000100000000"};

class Scenario {
public:
    Scenario(FuzzedDataProvider& in, Desk& desk) : in_(in), desk_(desk) {}

    void Arrange() {
        // The press log's growth would count as the press's heap; the log may
        // be turned on here or later, from the settings window.
        desk_.keepFileContents = false;
        for (const char16_t* key : {kModeKey, kIgnoreCursorKey})
            if (in_.ConsumeBool())
                desk_.SetProfileString(
                    kSettingsPath, kSettingsSection, key,
                    kSettingTexts[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kSettingTexts) - 1)]);
        if (in_.ConsumeIntegralInRange<int>(0, 15) == 0) desk_.readOnlyFiles.insert(kSettingsPath);
        ArrangeButtonMap();
        WriteProgramMaps(kSettingsPath);
        // The programs behind the windows; one with no image cannot be asked
        // (it has ended, or its rights refuse the question).
        static const char16_t* const kImages[] = {u"C:\\TV\\TVTest.exe", u"C:\\Program Files\\MPC-BE\\mpc-be64.exe",
                                                  u"C:\\Windows\\notepad.exe", u"D:/TV/tvtest.exe"};
        for (const DWORD pid : {100, 200, 300, 400})
            if (const auto i = in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kImages)); i < std::size(kImages))
                desk_.processImages[pid] = kImages[i];
        if (in_.ConsumeIntegralInRange<int>(0, 3) == 0) {
            desk_.SetProfileString(kSettingsPath, kSettingsSection, kLogKey, u"1");
            const int fault = in_.ConsumeIntegralInRange<int>(0, 7);
            if (fault == 0) desk_.readOnlyFiles.insert(kLogPath);
            if (fault == 1) desk_.unwritableFiles.insert(kLogPath);
            // Near its limit, so that presses roll it over, with a reader
            // watching it now and then (events below).
            if (fault >= 2) desk_.fileSizes[kLogPath] = kPressLogLimit - in_.ConsumeIntegralInRange<int>(0, 400);
        }
        // The on-screen line: never, when a press misses (also for a missing
        // or unusable value), or after every press.
        if (in_.ConsumeBool())
            desk_.SetProfileString(
                kSettingsPath, kSettingsSection, kOsdKey,
                kSettingTexts[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kSettingTexts) - 1)]);
        desk_.menuLoadFails = in_.ConsumeIntegralInRange<int>(0, 31) == 0;
        receiver_ = desk_.AddDevice(RIM_TYPEHID, 0x04BB, 0x0F0E, false);
        mediaKeys_ = desk_.AddDevice(RIM_TYPEHID, 0x046D, 0xC31C, false);
        keyboard_ = desk_.AddDevice(1, 0x04BB, 0x0F0E, false);
        // Unplugged at start, its reports may still come once it is plugged in.
        desk_.receiverListed = in_.ConsumeIntegralInRange<int>(0, 3) != 0;
        desk_.devices.front().listed = desk_.receiverListed;
        desk_.listFails = in_.ConsumeIntegralInRange<int>(0, 15) == 0;
        if (in_.ConsumeIntegralInRange<int>(0, 3) == 0) {
            // As a user writes it, in quotes that the platform drops; at
            // times a program that is not there.
            desk_.SetProfileString(kSettingsPath, kSettingsSection, kStartViewerKey,
                                   u"\"C:\\Program Files\\TVTest\\TVTest.exe\"");
            desk_.startViewerLine = u"\"C:\\Program Files\\TVTest\\TVTest.exe\"";
            if (in_.ConsumeBool()) desk_.unstartablePrograms[u"C:\\Program Files\\TVTest\\TVTest.exe"] = 2;
        }
        if (in_.ConsumeIntegralInRange<int>(0, 7) == 0) desk_.unstartablePrograms[u"radio.exe"] = 2;
        desk_.hadSettingsFile = desk_.HasFile(kSettingsPath);
        for (int n = in_.ConsumeIntegralInRange<int>(0, 4); n > 0; --n) AddWindow();
        if (!windows_.empty()) desk_.SetForeground(windows_.front());
        // Programs run as administrator; one whose image cannot be read may
        // refuse even the question of its rights, at a higher level or at
        // ours (another user's).
        for (const DWORD pid : {100, 200, 300, 400}) {
            const int rights = in_.ConsumeIntegralInRange<int>(0, 7);
            if (rights == 0 || rights == 2) desk_.integrityLevels[pid] = SECURITY_MANDATORY_HIGH_RID;
            if (rights >= 1 && rights <= 2 && !desk_.processImages.count(pid)) desk_.queryRefused.insert(pid);
        }
    }

    // One or more events; false when the input is used up.
    bool Next() {
        if (in_.remaining_bytes() == 0 || events_ >= 120) return false;
        for (int n = in_.ConsumeIntegralInRange<int>(0, 7) == 0 ? 3 : 1; n > 0; --n) Event();
        return true;
    }

private:
    // Lines that read right, and some that do not; `ignored` gets those the
    // program must pass over, trimmed, in order.
    std::vector<std::u16string> ChooseButtonLines() {
        static const char16_t* const kLines[] = {
            u"08=Up",  u"1C=F5",     u"21=F1",          u"22=BringToFront", u"0A=Shift+Ctrl+Enter", u"33=none",
            u"1F=Foo", u"00=F1",     u"100=F1",         u"08=F2",           u"; comment",           u"01=Ctrl+",
            u"24 = shift + down",    u"0B=MediaPlayPause",  u"2A=Run \"C:\\TV\\tv.exe\" /d x", u"1C=run radio.exe",
            u"2B=Run",               u"2C=Run \"cut",      u"# 録画の設定",
            u"08.long=F3",           u"21.long=F4",         u"1C.LONG=BringToFront", u"0B.long=none",
            u"2A.long=Run \"C:\\TV\\tv.exe\" /d x", u"22.long=Shift+F2", u"22.long=F2", u"24.long=Alt+F4"};
        // Long actions for buttons pressed often, so that holds come up.
        static const char16_t* const kLongLines[] = {u"08.long=F3", u"1C.long=F4", u"0B.long=Shift+F2"};
        std::vector<std::u16string> lines;
        for (int n = in_.ConsumeIntegralInRange<int>(0, 6); n > 0; --n)
            lines.push_back(kLines[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kLines) - 1)]);
        if (in_.ConsumeBool()) lines.push_back(kLongLines[in_.ConsumeIntegralInRange<std::size_t>(0, 2)]);
        return lines;
    }

    // Sections for programs named as their images are, in other case, or not
    // at all ("Buttons:" names none), with good lines, one for each code, so
    // that they add no balloon.
    void WriteProgramMaps(const std::u16string& file) {
        static const char16_t* const kPrograms[] = {u"TVTest.exe", u"tvtest.EXE", u"MPC-BE64.EXE",
                                                    u"notepad.exe", u"TVTest", u""};
        static const char16_t* const kOwnLines[] = {u"08=F9",    u"1C=Shift+F10", u"21=Ctrl+F11",
                                                    u"22=Space", u"0B=none",      u"1F=shift + ctrl + F12"};
        for (int n = in_.ConsumeBool() ? 0 : in_.ConsumeIntegralInRange<int>(1, 2); n > 0; --n) {
            const std::u16string program =
                kPrograms[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kPrograms) - 1)];
            std::vector<std::u16string> lines;
            for (const char16_t* line : kOwnLines)
                if (in_.ConsumeBool()) lines.push_back(line);
            desk_.SetSectionLines(file, kProgramSectionPrefix + program, lines);
            desk_.programSectionsWritten = desk_.programSectionsWritten || !program.empty();
        }
    }

    void ArrangeButtonMap() {
        if (in_.ConsumeIntegralInRange<int>(0, 2) != 0) return;
        const std::vector<std::u16string> lines = ChooseButtonLines();
        if (lines.empty()) return;
        desk_.SetSectionLines(kSettingsPath, u"Buttons", lines);
        NoteIgnoredLines(desk_, IgnoredLinesInFile(desk_));
    }

    // The user edits the map by hand while the program runs, saving it in
    // place, as UTF-8 at times, or by renaming a new file over it.
    void EditButtonMap() {
        const std::vector<std::u16string> lines = ChooseButtonLines();
        const std::u16string temporary = kSettingsPath + u".tmp";
        const int how = in_.ConsumeIntegralInRange<int>(0, 2);
        if (how == 2 && desk_.HasFile(kSettingsPath)) desk_.files[temporary] = desk_.files[kSettingsPath];
        const std::u16string& target = how == 2 ? temporary : kSettingsPath;
        desk_.SetSectionLines(target, u"Buttons", lines);
        WriteProgramMaps(target);
        if (how == 1) desk_.SetFileText(target, desk_.ProfileText(target), sim::SimDesktop::Encoding::kUtf8);
        if (how == 2) {
            const bool recording = desk_.recording;
            desk_.recording = false;
            const BOOL moved = desk_.MoveFileExW(temporary.c_str(), kSettingsPath.c_str(), MOVEFILE_REPLACE_EXISTING);
            desk_.recording = recording;
            if (!moved) return;  // a read-only file: the editor could not save
        }
        desk_.editPending = true;
        desk_.editIgnoredLines = IgnoredLinesInFile(desk_);
    }

    // The user at the settings window, when it is open: a choice for the
    // selected button, another row, a command line or StartViewer typed or
    // browsed for, the log, 適用, OK, キャンセル or the close box. After
    // 適用 the file reads back as the window shows it.
    void UseSettingsWindow() {
        if (!desk_.ModelessDialog()) return;
        desk_.atSettingsWindow = true;
        const std::string before = desk_.HasFile(kSettingsPath) ? desk_.files[kSettingsPath] : "";
        UseSettingsWindowControl();
        desk_.atSettingsWindow = false;
        // What the window wrote is read again at once.
        if (desk_.HasFile(kSettingsPath) && desk_.files[kSettingsPath] != before) {
            desk_.editPending = true;
            desk_.editIgnoredLines = IgnoredLinesInFile(desk_);
        }
    }

    void UseSettingsWindowControl() {
        static const int kRadios[] = {IDC_ACTION_STANDARD, IDC_ACTION_KEY, IDC_ACTION_FRONT, IDC_ACTION_RUN,
                                      IDC_ACTION_NONE};
        static const char16_t* const kCommands[] = {u"\"C:\\TV\\tv.exe\" /d x", u"radio.exe", u"", u"\"cut"};
        static const char16_t* const kViewer = u"\"C:\\Program Files\\TVTest\\TVTest.exe\"";
        switch (in_.ConsumeIntegralInRange<int>(0, 11)) {
        case 0: desk_.ClickDialogButton(kRadios[in_.ConsumeIntegralInRange<std::size_t>(0, 4)]); break;
        case 1: {
            const BYTE keys[] = {0x74, 0x7C, 0x41, 0x26, 0x0D, 0xB3, 0x5B, 0x00};
            desk_.CatchDialogKey(keys[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(keys) - 1)],
                                 in_.ConsumeIntegralInRange<BYTE>(0, 7));
            break;
        }
        case 2: {
            const int rows = static_cast<int>(desk_.controls[IDC_BUTTON_LIST].items.size());
            desk_.ChooseDialogItem(IDC_BUTTON_LIST, in_.ConsumeIntegralInRange<int>(-1, rows));
            break;
        }
        case 3:
            desk_.TypeDialogText(IDC_RUN_COMMAND,
                                 kCommands[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kCommands) - 1)]);
            break;
        case 4:
            desk_.startViewerLine = kViewer;
            desk_.TypeDialogText(IDC_START_VIEWER, in_.ConsumeBool() ? kViewer : u"");
            break;
        case 5: desk_.ClickDialogButton(in_.ConsumeBool() ? IDC_LOG : IDC_KEY_SHIFT); break;
        case 6: {
            desk_.ClickDialogButton(IDC_APPLY);
            const KorvantaRecords* records = MainWindowRecords();
            const SettingsWindowData* data = records ? records->settingsWindow.data : nullptr;
            if (!data || data->writeFailed) break;
            SettingsChoices file;
            ReadSettingsChoices(records->settings, file);
            for (int code = 1; code < 256; ++code) {
                FUZZ_CHECK(file.buttons.present[code] == data->now.buttons.present[code] &&
                               file.buttons.action[code] == data->now.buttons.action[code],
                           "code %02X reads back otherwise than the window shows it", code);
            }
            FUZZ_CHECK(file.log == data->now.log, "the log reads back otherwise than the window shows it");
            break;
        }
        case 7: desk_.ClickDialogButton(IDOK); break;
        case 8: desk_.ClickDialogButton(IDCANCEL); break;
        case 10: desk_.ShowWindow(desk_.ModelessDialog(), SW_MINIMIZE); break;
        case 11: desk_.SetForeground(desk_.ModelessDialog()); break;
        case 9: desk_.SendMessageW(desk_.ModelessDialog(), WM_CLOSE, 0, 0); break;
        }
    }

    HWND AnyWindow() {
        const int choice = in_.ConsumeIntegralInRange<int>(0, 15);
        if (choice == 0) return nullptr;
        if (choice == 1) return desk_.main;
        if (choice == 2) return reinterpret_cast<HWND>(std::uintptr_t{0x10000 + 999});
        if (windows_.empty()) return nullptr;
        return windows_[in_.ConsumeIntegralInRange<std::size_t>(0, windows_.size() - 1)];
    }

    void AddWindow() {
        sim::WindowOptions options;
        const DWORD pids[] = {100, 200, 300, 400};
        options.pid = in_.ConsumeIntegralInRange<int>(0, 7) == 0 ? in_.ConsumeIntegral<DWORD>() | 0x10000
                                                                 : pids[in_.ConsumeIntegralInRange<int>(0, 3)];
        options.visible = in_.ConsumeIntegralInRange<int>(0, 3) != 0;
        const char16_t* cls = kClasses[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kClasses) - 1)];
        HWND parent = windows_.empty() ? nullptr : AnyWindow();
        if (!desk_.IsWindow(parent) || parent == desk_.main) parent = nullptr;
        HWND hwnd;
        switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: hwnd = desk_.AddWindowAtBottom(cls, options); break;
        case 1: hwnd = parent ? desk_.AddChild(parent, cls, options) : desk_.AddWindow(cls, options); break;
        case 2: hwnd = parent ? desk_.AddOwned(parent, cls, options) : desk_.AddWindow(cls, options); break;
        default: hwnd = desk_.AddWindow(cls, options); break;
        }
        windows_.push_back(hwnd);
        // A viewer run as administrator refuses our posts.
        if (in_.ConsumeIntegralInRange<int>(0, 7) == 0) desk_.refusedPosts.insert(hwnd);
    }

    void Post(UINT message, WPARAM wParam, LPARAM lParam) { desk_.Post(desk_.main, message, wParam, lParam); }

    void Event() {
        ++events_;
        if (nextRelease_ && --nextRelease_ == 0) {
            Post(WM_INPUT, 0, reinterpret_cast<LPARAM>(desk_.AddPacket(MakePacket(in_, receiver_, 0))));
            return;
        }
        switch (in_.ConsumeIntegralInRange<int>(0, 26)) {
        case 0: case 1: case 2: case 3: case 4: {  // the remote
            const int deviceChoice = in_.ConsumeIntegralInRange<int>(0, 15);
            const HANDLE device = deviceChoice < 13 ? receiver_ : deviceChoice == 13 ? mediaKeys_ : keyboard_;
            const BYTE code = in_.ConsumeIntegralInRange<int>(0, 7) == 0
                                  ? in_.ConsumeIntegral<BYTE>()
                                  : kCodes[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kCodes) - 1)];
            const HRAWINPUT packet = desk_.AddPacket(MakePacket(in_, device, code));
            for (int times = in_.ConsumeIntegralInRange<int>(1, 9); times > 0; --times)
                Post(WM_INPUT, 0, reinterpret_cast<LPARAM>(packet));
            // Let go, at once or after the hold timer has rung.
            if (device == receiver_ && in_.ConsumeBool()) nextRelease_ = in_.ConsumeBool() ? 1 : 2;
            break;
        }
        case 5: case 6: {
            const UINT command = in_.ConsumeIntegralInRange<int>(0, 15) == 0
                                     ? in_.ConsumeIntegral<UINT>()
                                     : kCommands[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kCommands) - 1)];
            Post(WM_COMMAND, command, 0);
            break;
        }
        case 7: case 8: {  // the tray icon, and what the user picks from the menu
            const int pick = in_.ConsumeIntegralInRange<int>(0, 8);
            desk_.menuChoice = pick < 7 ? kCommands[pick] : 0;
            const UINT mouse =
                kMouseMessages[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kMouseMessages) - 1)];
            Post(kTrayNotify, 1, mouse);
            break;
        }
        case 9: case 10: {
            HWND target = AnyWindow();
            if (in_.ConsumeIntegralInRange<int>(0, 3) == 0) desk_.ClickRight(target);
            else desk_.ClickLeft(target);
            break;
        }
        case 11:
            desk_.PointAt(AnyWindow());
            Post(kLockOnClick, WM_LBUTTONDOWN, 0);
            break;
        case 12: case 13: AddWindow(); break;
        case 14: {
            HWND hwnd = AnyWindow();
            if (hwnd != desk_.main) desk_.CloseWindow(hwnd);
            break;
        }
        case 15: {
            DWORD pid = 0;
            if (desk_.GetWindowThreadProcessId(AnyWindow(), &pid) && pid != desk_.ownPid) {
                if (!desk_.hungProcesses.insert(pid).second) desk_.hungProcesses.erase(pid);
            }
            break;
        }
        case 16: desk_.BringToTop(AnyWindow()); break;
        case 17: {
            HWND hwnd = AnyWindow();
            if (!desk_.GetParent(hwnd) || in_.ConsumeIntegralInRange<int>(0, 7) == 0) desk_.SetForeground(hwnd);
            break;
        }
        case 18: {  // a window closes while a search reads class names
            HWND victim = AnyWindow();
            const int after = in_.ConsumeIntegralInRange<int>(1, 6);
            if (victim == desk_.main) break;
            desk_.onClassNameRead = [this, victim, reads = 0, after](HWND) mutable {
                if (++reads != after) return;
                desk_.CloseWindow(victim);
                desk_.windowClosedDuringEvent = true;
            };
            break;
        }
        case 19:
            desk_.trayIcons = 0;
            Post(desk_.RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
            break;
        case 20:
            if (in_.ConsumeBool()) {
                Post(WM_ENDSESSION, in_.ConsumeBool(), 0);
                break;
            }
            if (in_.ConsumeBool()) {  // a reader opens the log, or lets it go
                if (!desk_.heldByReaders.insert(kLogPath).second) desk_.heldByReaders.erase(kLogPath);
                break;
            }
            // Another copy started, at some time after the last.
            desk_.tickCount += in_.ConsumeIntegralInRange<DWORD>(0, 2 * kShowRunningPause);
            Post(desk_.RegisterWindowMessageW(kShowRunningMessageName), 0, 0);
            break;
        case 21:
            switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: Post(WM_CLOSE, 0, 0); break;
            case 1: Post(WM_DESTROY, 0, 0); break;
            case 2: desk_.DestroyWindow(desk_.main); break;
            default: desk_.waitFails = true; break;
            }
            break;
        case 23: EditButtonMap(); break;
        case 24: Post(WM_COMMAND, IDM_SETTINGS, 0); break;
        case 25: UseSettingsWindow(); break;
        case 22: {
            const UINT quiet[] = {WM_PAINT, WM_SIZE, WM_QUERYENDSESSION, WM_KEYDOWN, WM_USER + 102};
            Post(quiet[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(quiet) - 1)], in_.ConsumeIntegral<WPARAM>(),
                 in_.ConsumeIntegral<LPARAM>());
            break;
        }
        default:
            desk_.hookInstallFails = in_.ConsumeIntegralInRange<int>(0, 3) == 0;
            // the folder watch refused, to be set up again later
            desk_.changeNotificationFails = in_.ConsumeIntegralInRange<int>(0, 7) == 0;
            desk_.tickCount += in_.ConsumeIntegralInRange<DWORD>(0, 3000);
            desk_.foregroundTimeoutReadable = in_.ConsumeIntegralInRange<int>(0, 3) != 0;
            desk_.dialogButton = in_.ConsumeBool() ? IDOK : IDCANCEL;
            break;
        }
    }

    FuzzedDataProvider& in_;
    Desk& desk_;
    std::vector<HWND> windows_;
    HANDLE receiver_ = nullptr, mediaKeys_ = nullptr, keyboard_ = nullptr;
    int events_ = 0;
    int nextRelease_ = 0;  // events until the receiver's release is posted
};

void Run(FuzzedDataProvider& in) {
    Desk desk;
    desk.recording = Tracing();
    if (desk.recording) g_tracedDesk = &desk;
    SetPlatform(&desk);
    Scenario scenario(in, desk);
    scenario.Arrange();

    bool ending = false;
    desk.onIdle = [&]() {
        if (!desk.main) {
            desk.main = desk.TopLevelZOrder().empty() ? nullptr : desk.TopLevelZOrder().front();
            for (HWND hwnd : desk.TopLevelZOrder())
                if (desk.WindowOf(hwnd).label == "main") desk.main = hwnd;
        }
        CheckQuiet(desk);
        desk.windowClosedDuringEvent = false;
        desk.onClassNameRead = nullptr;
        if (scenario.Next()) return true;
        if (ending || !desk.IsWindow(desk.main)) return false;
        ending = true;  // the user exits
        desk.Post(desk.main, WM_CLOSE, 0, 0);
        return true;
    };
    RunKorvanta(kInstance);
    CheckQuiet(desk);

    // The session ends after the loop: the window, if it is still there, is
    // told once more, and a click lands on the desktop.
    if (desk.IsWindow(desk.main)) {
        desk.SendMessageW(desk.main, WM_ENDSESSION, 1, 0);
        desk.SendMessageW(desk.main, WM_DESTROY, 0, 0);
    }
    desk.ClickLeft(nullptr);
    CheckQuiet(desk);

    FUZZ_CHECK(desk.quits == 1, "the teardown ran %d times", desk.quits);
    FUZZ_CHECK(desk.iconRemovals == 1, "the icon was removed %d times", desk.iconRemovals);
    FUZZ_CHECK(desk.settingsWrites <= 2, "%d settings written", desk.settingsWrites);
    FUZZ_CHECK(desk.actions == desk.actionsAtTeardown, "%ld calls acted after the teardown",
               desk.actions - desk.actionsAtTeardown);
    FUZZ_CHECK(!MainWindowRecords(), "the records outlived the teardown");
    SetPlatform(nullptr);
    g_tracedDesk = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    {
        FuzzedDataProvider in(data, size);
        Run(in);
    }
    const std::size_t after = __sanitizer_get_current_allocated_bytes();
    FUZZ_CHECK(before == after || Tracing(), "a run from start to teardown left %zd bytes on the heap",
               static_cast<std::ptrdiff_t>(after - before));
    return 0;
}
