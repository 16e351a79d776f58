// A simulated Windows desktop behind the platform seam, for the native tests.
//
// It holds top-level and child windows with class names, parents, owners,
// visibility, processes, threads and z-order; the foreground window and the
// window under the cursor; raw-input packets and device records served as
// bytes; menus; an in-memory private-profile store; named mutexes; hooks; and
// the program's own message queue. Everything the program does to the outside
// world is written, in order, to `calls` as one readable line per call.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/Platform.h"

namespace sim {

using namespace win;

struct WindowOptions {
    DWORD pid = 1000;
    bool visible = true;
    bool hung = false;
    std::string label;  // the window's name in `calls`; defaults to its class
};

struct Window {
    std::u16string className;
    std::string label;
    HWND parent = nullptr;  // for a child window
    HWND owner = nullptr;   // for an owned top-level window
    DWORD pid = 0;
    DWORD tid = 0;
    bool visible = true;
    bool minimized = false;
    bool alive = true;
    bool hung = false;
    WNDPROC proc = nullptr;
    std::vector<HWND> children;  // front first
    DWORD style = 0;     // of a window the program created
    DWORD exStyle = 0;
    RECT rect{};         // as SetWindowPos last placed it
    BYTE alpha = 255;    // as SetLayeredWindowAttributes last set it
};

struct MenuItem {
    UINT id;
    UINT state;
};

class SimDesktop : public Platform {
public:
    SimDesktop();
    ~SimDesktop() override;

    // ----- arranging the desktop -----
    // New top-level windows go to the front (top) of the z-order;
    // AddWindowAtBottom puts them below every other.
    HWND AddWindow(const std::u16string& className, WindowOptions options = {});
    HWND AddWindowAtBottom(const std::u16string& className, WindowOptions options = {});
    HWND AddChild(HWND parent, const std::u16string& className, WindowOptions options = {});
    HWND AddOwned(HWND owner, const std::u16string& className, WindowOptions options = {});
    // Changes a window's owner; can close a cycle of owners, which Windows refuses.
    void SetOwner(HWND hwnd, HWND owner) { Find(hwnd)->owner = owner; }
    void CloseWindow(HWND hwnd);  // destroys a foreign window and its children
    void SetForeground(HWND hwnd) { foreground_ = hwnd; }
    void BringToTop(HWND hwnd);
    void PointAt(HWND hwnd) { underCursor_ = hwnd; }
    const Window& WindowOf(HWND hwnd) const;
    std::vector<HWND> TopLevelZOrder() const { return topLevel_; }

    // ----- raw input -----
    HANDLE AddHidDevice(DWORD vendor, DWORD product);
    // A consumer-control device whose reports the system's HID parser reads
    // (RIDI_PREPARSEDDATA, the HidP functions): its report ID (0 for none)
    // leads each report, then `slots` 16-bit usages of an array (0 for an
    // empty slot), or, with `bitmapUsages`, one bit per usage listed.
    struct HidLayout {
        BYTE reportId = 0;
        USHORT slots = 2;
        std::vector<USAGE> bitmapUsages;
        USAGE usagePage = 0x0C;
    };
    HANDLE AddConsumerDevice(DWORD vendor, DWORD product, HidLayout layout);
    HANDLE AddConsumerDevice(DWORD vendor, DWORD product);
    // The device went, and Windows gave its handle to a new device.
    void ReuseDeviceHandle(HANDLE device, DWORD vendor, DWORD product, HidLayout layout);
    // One report of such a device: the usages held, in the order given.
    std::vector<BYTE> ConsumerReport(HANDLE device, const std::vector<USAGE>& held, BYTE reportId = 0) const;
    int preparsedReads = 0;   // RIDI_PREPARSEDDATA calls that copied the data
    int usageReads = 0;       // HidP_GetUsages calls
    // The device leaves the list of devices, or comes back into it.
    void UnplugDevice(HANDLE device);
    void PlugDevice(HANDLE device);
    HANDLE AddKeyboardDevice();
    // A packet of `reports`, all of one size. AddPacketWithHid states the
    // RAWHID fields itself, whatever data follows; AddRawPacket is bytes only.
    HRAWINPUT AddHidPacket(HANDLE device, const std::vector<std::vector<BYTE>>& reports);
    HRAWINPUT AddRawPacket(std::vector<BYTE> bytes);
    HRAWINPUT AddPacketWithHid(HANDLE device, DWORD type, DWORD sizeHid, DWORD count, std::vector<BYTE> data);
    // The first GetRawInputData call reports `reported` bytes for the packet.
    void MisreportPacketSize(HRAWINPUT packet, UINT reported);
    void MisreportDeviceInfoSize(HANDLE device, UINT reported);

    // ----- the user -----
    // A left-button press (and release) at `hwnd`: the low-level mouse hooks
    // see it first; returns true when it reached the window.
    bool ClickLeft(HWND hwnd);
    bool ClickRight(HWND hwnd);

    // ----- the program's message queue -----
    void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Called when the program waits for a message and none is queued; return
    // false when the scenario has nothing more to do.
    std::function<bool()> onIdle;
    // Called as the program starts each wait: a scenario can post a message
    // and let time pass, as presses arriving while it waits would.
    std::function<void()> onWait;
    bool queueRanDry = false;
    bool waitFails = false;  // MsgWaitForMultipleObjectsEx fails (WAIT_FAILED)
    int failedWaits = 0;

    // ----- files, the settings file among them -----
    // Every file's bytes by its full name. The profile functions read and
    // write them as Windows does, not as Wine: a file that starts with FF FE
    // is UTF-16 LE, any other is text in `ansiCodePage` (a UTF-8 BOM there
    // is three bytes of line 1), and a file they create is an ANSI file,
    // where a character the code page lacks is written as '?'.
    std::map<std::u16string, std::string> files;
    UINT ansiCodePage = 932;                    // 932 (Japanese) or 1252 (western)
    std::set<std::u16string> readOnlyFiles;     // cannot be written, nor created where missing
    std::set<std::u16string> readOnlyFolders;   // "C:\\x\\": no file there can be created, deleted or replaced
    std::set<std::u16string> lockedFiles;       // held open by another program that shares nothing
    // Files another program holds open as one that watches them live does:
    // read access, sharing reading and writing but not deleting. They take
    // the program's writes and cannot move (ERROR_SHARING_VIOLATION).
    std::set<std::u16string> heldByReaders;
    std::set<std::u16string> unwritableFiles;   // writes to these fail (a full disk)
    bool keepFileContents = true;               // false: of a press log (*.log) only the size grows
    std::map<std::u16string, std::uint64_t> fileSizes;
    bool moveFails = false;
    int openFiles = 0;  // file handles the program holds
    std::u16string modulePath = u"C:\\Program Files\\Korvanta\\Korvanta.exe";
    bool moduleFileNameFails = false;
    std::map<UINT, std::u16string> strings;  // string resources; others read as "string <id>"
    std::uint64_t FileSize(const std::u16string& name) const;
    bool HasFile(const std::u16string& name) const { return files.count(name) != 0; }
    // Change notifications: a folder's is signalled when a file in it is
    // made, written, moved or deleted, by anyone.
    bool changeNotificationFails = false;
    int openChangeNotifications = 0;

    // Arranging a settings file, as the user's editor would leave it. Each
    // goes through the same text model as the profile functions, unrecorded.
    // The value as WritePrivateProfileStringW would write it.
    void SetProfileString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                          const std::u16string& value);
    // One line as the file holds it, at the end of the section (made if missing).
    void AddProfileLine(const std::u16string& file, const std::u16string& section, const std::u16string& line);
    // The section made anew with these lines as the file holds them.
    void SetSectionLines(const std::u16string& file, const std::u16string& section,
                         const std::vector<std::u16string>& lines);
    // The whole text in one of the encodings an editor saves.
    enum class Encoding { kAnsi, kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };
    void SetFileText(const std::u16string& file, const std::u16string& text, Encoding encoding);
    // A [Korvanta] key's value as the file holds it, or <no file>,
    // <no section>, <no key>.
    std::u16string ProfileValue(const std::u16string& file, const std::u16string& key) const;
    // The file's text as Windows' profile functions read it.
    std::u16string ProfileText(const std::u16string& file) const;
    SYSTEMTIME localTime{2024, 5, 3, 1, 21, 7, 33, 42};

    // ----- the modeless dialog (the settings window) -----
    // Its controls by id, as the program set them and the user left them.
    struct Control {
        std::u16string text;
        UINT checked = 0;
        std::vector<std::u16string> items;  // of a list or combo box
        int selection = -1;
        WORD hotkey = 0;  // of the key box: virtual key, modifiers above it
        bool enabled = true;
        std::vector<int> tabStops;  // of a list box, in dialog units
        int horizontalExtent = 0;   // of a list box, in pixels
    };
    std::map<int, Control> controls;
    bool createDialogFails = false;
    int initCommonControls = 0;
    // The path the user picks in the open-file dialog; empty: cancelled.
    std::u16string openFileAnswer;
    HWND ModelessDialog() const { return modeless_; }
    // As the user does it, each then told to the dialog procedure: a click
    // on a button (a check box toggles, a radio button becomes the one of
    // its group checked), a choice from a list or combo box, text typed
    // into an edit, a key pressed into the key box.
    void ClickDialogButton(int id);
    void ChooseDialogItem(int id, int index);
    void TypeDialogText(int id, const std::u16string& text);
    void CatchDialogKey(BYTE vk, BYTE modifiers);
    // A combo box's selection moved without a choice being made (the arrow
    // keys, the wheel, type-ahead): CBN_SELCHANGE alone. ChooseDialogItem
    // on a combo box is a click in its dropped list: CBN_SELCHANGE,
    // CBN_SELENDOK and CBN_CLOSEUP.
    // `confirmed`: then CBN_SELENDOK, as for a choice made with the list closed.
    void MoveDialogSelection(int id, int index, bool confirmed = false);
    // The focus, as the dialog manager keeps it: a click or a tab onto a
    // control, the window left for another one, and activated again, when
    // the focus goes back where it was unless the procedure handled
    // WM_ACTIVATE. As documented for automatic radio buttons, one that gets
    // the focus while unchecked checks itself and tells BN_CLICKED.
    void FocusDialogControl(int id);
    void LeaveDialog();
    void ActivateDialogAgain();
    // Back from the taskbar after it was minimised: activated while still
    // minimised, when the dialog manager restores no focus, then WM_SETFOCUS.
    void RestoreDialogFromTaskbar();
    // The dropped list's selection moved, then the choice cancelled (Esc, a
    // click elsewhere): CBN_SELCHANGE, CBN_SELENDCANCEL and CBN_CLOSEUP.
    void CancelDialogSelection(int id, int index);
    int FocusedControl() const;  // its id, 0 for none
    // Run inside the nested loops the settings window starts, as messages
    // handled meanwhile would: the program menu's and the open-file dialog's.
    std::function<void()> duringPopupMenu;
    std::function<void()> duringOpenFileDialog;
    int smallIconSize = 16;  // SM_CXSMICON and SM_CYSMICON

    // ----- monitors and drawing -----
    // One monitor: its whole area and its work area (without the taskbar).
    RECT monitorRect{0, 0, 1920, 1080};
    RECT workRect{0, 0, 1920, 1040};
    int liveFonts = 0;     // made by CreateFontW and not deleted
    int fontsMade = 0;
    int openDCs = 0;       // from GetDC, not released
    std::u16string lastDrawnText;  // of the last DrawTextW, measured or drawn
    // A character is drawn as wide as the font is high, as a full-width one is.

    // ----- other knobs -----
    std::set<std::u16string> existingMutexes;
    bool createWindowFails = false;
    bool menuLoadFails = false;
    bool hookInstallFails = false;
    bool foregroundTimeoutReadable = true;
    DWORD foregroundLockTimeout = 200000;
    INT_PTR dialogButton = IDOK;  // the button the user presses in a dialog
    UINT menuChoice = 0;          // the command the user picks from a popup menu, 0 for none
    std::vector<std::u16string> shownPopupItems;  // of the last menu the program built and showed; "-" a separator
    int OpenMenus() const;        // built and not destroyed
    std::set<HWND> refusedPosts;     // windows of a program with higher rights: posts fail
    DWORD refusedPostError = 5;      // ERROR_ACCESS_DENIED; 1816 would be a full message queue
    bool deviceListFails = false;    // GetRawInputDeviceList fails
    // Called after GetRawInputDeviceList has answered a count: devices may
    // come and go before the list is asked for.
    std::function<void()> onDeviceCount;
    bool zOrderWrapsAround = false;  // GW_HWNDNEXT at the bottom yields the top again
    LRESULT nextHookResult = 0;      // what CallNextHookEx returns
    // Called after every GetClassNameW with the window asked about: a scenario
    // can count the program's window searches, or close a window mid-walk.
    std::function<void(HWND)> onClassNameRead;
    DWORD ownPid = 50;
    DWORD ownTid = 51;
    DWORD tickCount = 1000;  // milliseconds since the system started
    // Programs that cannot be started, by the name CreateProcessW is given
    // (the application name, or the command line's first, quoted word).
    std::map<std::u16string, DWORD> unstartablePrograms;  // name -> error
    struct StartedProgram {
        std::u16string applicationName;  // empty when none was given
        std::u16string commandLine;
        std::u16string currentDirectory;  // empty for the caller's
        DWORD processId;
    };
    std::vector<StartedProgram> startedPrograms;
    int openProcessHandles = 0;  // handles CreateProcessW, OpenProcess or OpenProcessToken gave and nobody closed
    // Each running process's image, by its id, as QueryFullProcessImageNameW
    // names it. Any other cannot be opened: it ended, or runs with rights
    // that refuse even the limited query.
    std::map<DWORD, std::u16string> processImages;
    int processQueries = 0;  // OpenProcess calls
    // Each process's integrity level, by its id; any other runs at medium,
    // as Korvanta itself does unless a test says otherwise. A process in
    // `queryRefused` cannot be opened at all (ERROR_ACCESS_DENIED), as one
    // of another user or a protected one.
    std::map<DWORD, DWORD> integrityLevels;
    DWORD ownIntegrityLevel = SECURITY_MANDATORY_MEDIUM_RID;
    std::set<DWORD> queryRefused;
    int tokenQueries = 0;  // GetTokenInformation calls

    // ----- what the program did -----
    bool recording = true;
    std::vector<std::string> calls;
    std::vector<std::vector<INPUT>> inputBatches;
    std::vector<std::string> CallsMatching(const std::string& prefix) const;
    void ClearCalls();
    UINT MenuState(UINT command) const;
    std::vector<HHOOK> InstalledHooks() const;
    int trayIcons = 0;  // icons currently shown
    NOTIFYICONDATAW lastTrayIcon{};
    int trayBalloons = 0;  // balloons shown
    NOTIFYICONDATAW lastTrayBalloon{};
    std::vector<std::u16string> balloonTitles;  // of every balloon, in order, while recording
    // Balloons shown with the title of string resource `titleId`.
    int Balloons(UINT titleId);
    std::string Name(HWND hwnd) const;

    // ----- Platform -----
    ATOM RegisterClassExW(const WNDCLASSEXW* wc) override;
    HWND CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName, DWORD style, int x,
                         int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                         void* param) override;
    BOOL DestroyWindow(HWND hwnd) override;
    BOOL UpdateWindow(HWND hwnd) override;
    LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostQuitMessage(int exitCode) override;
    BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) override;
    BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage) override;
    // Time passes only here: a wait with a time-out that nothing ends moves
    // the tick count on by it.
    // Any queued message ends the wait, as with MWMO_INPUTAVAILABLE, which
    // the call's line shows ("input available"); without it Windows would
    // go on waiting for a message a nested loop has looked at.
    DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                      DWORD flags) override;
    int TranslateAcceleratorW(HWND hwnd, HACCEL accelerators, MSG* msg) override;
    BOOL TranslateMessage(const MSG* msg) override;
    LRESULT DispatchMessageW(const MSG* msg) override;
    HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) override;
    BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) override;
    UINT RegisterWindowMessageW(const char16_t* name) override;
    BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) override;
    BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) override;
    BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) override;
    HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) override;
    BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) override;
    HDC GetDC(HWND hwnd) override;
    int ReleaseDC(HWND hwnd, HDC dc) override;
    HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                      DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                      DWORD quality, DWORD pitchAndFamily, const char16_t* face) override;
    HGDIOBJ GetStockObject(int object) override;
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
    BOOL DeleteObject(HGDIOBJ object) override;
    int SetBkMode(HDC dc, int mode) override;
    COLORREF SetTextColor(HDC dc, COLORREF color) override;
    int FillRect(HDC dc, const RECT* rect, HBRUSH brush) override;
    int DrawTextW(HDC dc, const char16_t* text, int length, RECT* rect, UINT format) override;
    int LoadStringW(HINSTANCE instance, UINT id, char16_t* buffer, int capacity) override;
    HICON LoadIconW(HINSTANCE instance, const char16_t* name) override;
    HANDLE LoadImageW(HINSTANCE instance, const char16_t* name, UINT type, int width, int height,
                      UINT load) override;
    int GetSystemMetrics(int index) override;
    HCURSOR LoadCursorW(HINSTANCE instance, const char16_t* name) override;
    HACCEL LoadAcceleratorsW(HINSTANCE instance, const char16_t* name) override;
    INT_PTR DialogBoxParamW(HINSTANCE instance, const char16_t* templateName, HWND owner, DLGPROC dialogProc,
                            LPARAM initParam) override;
    BOOL EndDialog(HWND dialog, INT_PTR result) override;
    HWND CreateDialogParamW(HINSTANCE instance, const char16_t* templateName, HWND owner, DLGPROC dialogProc,
                            LPARAM initParam) override;
    BOOL IsDialogMessageW(HWND dialog, MSG* msg) override;
    BOOL ReplaceFileW(const char16_t* replacedFileName, const char16_t* replacementFileName,
                      const char16_t* backupFileName, DWORD replaceFlags, void* exclude, void* reserved) override;
    BOOL FlushFileBuffers(HANDLE file) override;
    bool replaceFileUnsupported = false;    // ReplaceFileW refused (a file system without it)
    // Fault injection: ReplaceFileW (called without a backup name) fails with
    // this error, leaving the files as Windows documents for it. 1176
    // (ERROR_UNABLE_TO_MOVE_REPLACEMENT): the replaced file is gone, the
    // replacement keeps its name. 1177 (..._2): the replaced file is moved to
    // a name of the system's own (kept here as its name + ".replaced"), the
    // replacement keeps its name. Any other (1175, 32, ...): both keep their
    // names. 0: no fault.
    DWORD replaceFileFailure = 0;
    // Fault injection: the next this many MoveFileExW calls fail as a file
    // held by another program makes them (ERROR_SHARING_VIOLATION); below 0,
    // every one does.
    int moveSharingViolations = 0;
    std::function<void()> onFlush;          // another program at work as a file is flushed
    std::function<void()> onSleep;          // ... or while the program sleeps
    DWORD GetCurrentDirectoryW(DWORD capacity, char16_t* buffer) override;
    BOOL SetCurrentDirectoryW(const char16_t* pathName) override;
    std::u16string currentDirectory = u"C:\\Program Files\\Korvanta";
    std::int16_t GetKeyState(int virtualKey) override;
    HWND GetFocus() override;
    HWND SetFocus(HWND hwnd) override;
    std::set<int> heldKeys;  // as GetKeyState sees them: down
    HWND GetDlgItem(HWND dialog, int id) override;
    LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) override;
    // The dialog's base units are 6 by 13 pixels.
    BOOL MapDialogRect(HWND dialog, RECT* rect) override;
    BOOL SetDlgItemTextW(HWND dialog, int id, const char16_t* text) override;
    UINT GetDlgItemTextW(HWND dialog, int id, char16_t* buffer, int capacity) override;
    BOOL CheckDlgButton(HWND dialog, int id, UINT check) override;
    UINT IsDlgButtonChecked(HWND dialog, int id) override;
    BOOL EnableWindow(HWND hwnd, BOOL enable) override;
    BOOL ShowWindow(HWND hwnd, int command) override;
    BOOL IsIconic(HWND hwnd) override;
    // Only a dialog the open-file dialog has disabled, while it runs, is not enabled.
    BOOL IsWindowEnabled(HWND hwnd) override { return !(hwnd && hwnd == disabledOwner_); }
    BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) override;
    BOOL GetOpenFileNameW(OPENFILENAMEW* openFile) override;
    HMENU LoadMenuW(HINSTANCE instance, const char16_t* name) override;
    HMENU GetSubMenu(HMENU menu, int position) override;
    BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info) override;
    BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) override;
    BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect) override;
    HMENU CreatePopupMenu() override;
    BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, const char16_t* text) override;
    BOOL DestroyMenu(HMENU menu) override;
    BOOL GetWindowRect(HWND hwnd, RECT* rect) override;
    HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId) override;
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, char16_t* name, DWORD* size) override;
    HANDLE GetCurrentProcess() override;
    BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, void* information, DWORD length,
                             DWORD* returnLength) override;
    BYTE* GetSidSubAuthorityCount(PSID sid) override;
    DWORD* GetSidSubAuthority(PSID sid, DWORD subAuthority) override;
    DWORD GetPrivateProfileSectionNamesW(char16_t* buffer, DWORD capacity, const char16_t* fileName) override;
    // A timer rings (WM_TIMER is posted) as a wait lets the tick count reach
    // its time, and again every `elapse` until it is killed.
    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc) override;
    BOOL KillTimer(HWND hwnd, UINT_PTR id) override;
    int LiveTimers() const;
    BOOL RegisterRawInputDevices(const RAWINPUTDEVICE* devices, UINT count, UINT size) override;
    UINT GetRawInputData(HRAWINPUT rawInput, UINT command, void* data, UINT* size, UINT headerSize) override;
    UINT GetRawInputDeviceInfoW(HANDLE device, UINT command, void* data, UINT* size) override;
    UINT GetRawInputDeviceList(RAWINPUTDEVICELIST* list, UINT* count, UINT size) override;
    NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) override;
    ULONG HidP_MaxUsageListLength(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                  PHIDP_PREPARSED_DATA preparsedData) override;
    NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage, USHORT linkCollection, USAGE* usageList,
                            ULONG* usageLength, PHIDP_PREPARSED_DATA preparsedData, char* report,
                            ULONG reportLength) override;
    HWND GetForegroundWindow() override;
    HWND GetParent(HWND hwnd) override;
    HWND GetWindow(HWND hwnd, UINT command) override;
    int GetClassNameW(HWND hwnd, char16_t* buffer, int capacity) override;
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM value) override;
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM value) override;
    BOOL IsWindow(HWND hwnd) override;
    BOOL IsWindowVisible(HWND hwnd) override;
    BOOL IsHungAppWindow(HWND hwnd) override;
    HWND WindowFromPoint(POINT point) override;
    HWND FindWindowW(const char16_t* className, const char16_t* windowName) override;
    DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) override;
    UINT SendInput(UINT count, INPUT* inputs, int size) override;
    void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extraInfo) override;
    UINT MapVirtualKeyW(UINT code, UINT mapType) override;
    BOOL AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach) override;
    HWND SetActiveWindow(HWND hwnd) override;
    BOOL SetForegroundWindow(HWND hwnd) override;
    BOOL SystemParametersInfoW(UINT action, UINT uiParam, void* pvParam, UINT winIni) override;
    HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE instance, DWORD threadId) override;
    LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) override;
    BOOL UnhookWindowsHookEx(HHOOK hook) override;
    BOOL GetCursorPos(POINT* point) override;
    BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override;
    HANDLE CreateMutexW(void* attributes, BOOL initialOwner, const char16_t* name) override;
    HANDLE CreateFileW(const char16_t* fileName, DWORD access, DWORD shareMode, void* security,
                       DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL CreateProcessW(const char16_t* applicationName, char16_t* commandLine, void* processAttributes,
                        void* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                        const char16_t* currentDirectory, STARTUPINFOW* startupInfo,
                        PROCESS_INFORMATION* processInformation) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten,
                   void* overlapped) override;
    BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) override;
    BOOL MoveFileExW(const char16_t* existingFileName, const char16_t* newFileName, DWORD flags) override;
    BOOL DeleteFileW(const char16_t* fileName) override;
    DWORD GetLastError() override;
    DWORD GetModuleFileNameW(HINSTANCE module, char16_t* buffer, DWORD capacity) override;
    int _wsplitpath_s(const char16_t* path, char16_t* drive, std::size_t driveCapacity, char16_t* directory,
                      std::size_t directoryCapacity, char16_t* fileName, std::size_t fileNameCapacity,
                      char16_t* extension, std::size_t extensionCapacity) override;
    DWORD GetPrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                                   char16_t* buffer, DWORD capacity, const char16_t* fileName) override;
    BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                    const char16_t* fileName) override;
    HANDLE FindFirstChangeNotificationW(const char16_t* pathName, BOOL watchSubtree, DWORD notifyFilter) override;
    BOOL FindNextChangeNotification(HANDLE change) override;
    BOOL FindCloseChangeNotification(HANDLE change) override;
    DWORD GetPrivateProfileSectionW(const char16_t* section, char16_t* buffer, DWORD capacity,
                                    const char16_t* fileName) override;
    void GetLocalTime(SYSTEMTIME* time) override;
    void Sleep(DWORD milliseconds) override;
    DWORD GetTickCount() override { return tickCount; }
    // CP_ACP (as `ansiCodePage`) only.
    int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByteText, int multiByteLength,
                            char16_t* buffer, int capacity) override;
    // UTF-8 only; any other code page fails the test that asks for it.
    int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wideText, int wideLength, char* buffer,
                            int capacity, const char* defaultChar, BOOL* usedDefaultChar) override;

private:
    struct Packet {
        std::vector<BYTE> bytes;
        UINT reportedSize;
    };
    struct Device {
        RID_DEVICE_INFO info;
        UINT reportedSize;
        bool plugged = true;
        bool parsed = false;  // has a layout for the HID parser
        HidLayout layout;
    };
    UINT ReadPreparsedData(std::size_t index, void* data, UINT* size);
    Device& DeviceOf(HANDLE device) { return devices_.at(reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1); }
    const Device& DeviceOf(HANDLE device) const {
        return devices_.at(reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1);
    }
    static constexpr std::uintptr_t kDeviceBase = 0x70000;
    struct Hook {
        HHOOK handle;
        HOOKPROC proc;
    };

    HWND NewWindow(const std::u16string& className, const WindowOptions& options);
    Window* Find(HWND hwnd);
    const Window* Find(HWND hwnd) const;
    void Record(std::string line);
    std::string MessageName(UINT message) const;
    bool RunHooks(UINT message);
    void ForgetWindow(HWND hwnd);
    bool EnumDescendants(HWND parent, WNDENUMPROC callback, LPARAM value);

    std::vector<Window> windows_;  // indexed by handle value - 1
    std::vector<HWND> topLevel_;   // z-order, front first
    HWND foreground_ = nullptr;
    HWND underCursor_ = nullptr;
    POINT cursor_{640, 700};
    std::map<std::u16string, WNDPROC> classes_;
    std::map<std::u16string, UINT> registeredMessages_;
    std::deque<MSG> queue_;
    bool quitPosted_ = false;
    int quitCode_ = 0;
    DWORD lastError_ = 0;
    std::vector<Packet> packets_;
    std::vector<Device> devices_;
    HWND disabledOwner_ = nullptr;
    std::vector<Hook> hooks_;
    struct OpenFile {
        std::u16string name;
        DWORD access;
        DWORD share;
        bool deleteOnClose;
        std::size_t position;  // where the next read starts
    };
    std::map<std::uintptr_t, OpenFile> openFiles_;  // by handle
    bool OpenWithoutDeleteSharing(const std::u16string& name) const;
    struct ChangeWatch {
        std::u16string folder;  // with its last backslash
        bool signalled;
    };
    std::map<std::uintptr_t, ChangeWatch> changeWatches_;  // by handle
    std::uintptr_t nextChange_ = 1;
    void FileChanged(const std::u16string& name);
    void MoveContents(const std::u16string& from, const std::u16string& to);
    bool InReadOnlyFolder(const std::u16string& name) const;
    void SetFileBytes(const std::u16string& name, std::string bytes);
    // The profile functions' view of a file: its text, and whether it is
    // UTF-16; empty and ANSI for a missing or locked file.
    std::u16string ReadProfile(const std::u16string& file, bool* unicode) const;
    BOOL WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                            const std::u16string& file);
    std::uintptr_t nextFile_ = 1;
    std::uintptr_t nextHook_ = 1;
    std::vector<MenuItem> menu_;
    // A few, in place: setting one takes nothing from the heap, which the
    // fuzzers count for each press.
    struct Timer {
        HWND hwnd;
        UINT_PTR id;
        DWORD due;
        UINT elapse;
        bool live;
    };
    Timer timers_[8] = {};
    Timer* FindTimer(HWND hwnd, UINT_PTR id);
    bool RingDueTimer(DWORD milliseconds);
    std::map<HMENU, std::vector<std::pair<UINT, std::u16string>>> builtMenus_;
    std::uintptr_t builtMenuCount_ = 0;
    bool menuLoaded_ = false;
    INT_PTR dialogResult_ = 0;
    HWND modeless_ = nullptr;
    void TellDialog(int id, UINT notification);
    HWND dialogFocus_ = nullptr;       // while the dialog is active
    HWND dialogSavedFocus_ = nullptr;  // kept by the dialog manager while it is not
    bool dialogActive_ = false;
    bool comboDropped_ = false;
    void GiveDialogFocus(HWND control);
    bool dialogEnded_ = false;
    std::u16string mainClass_;  // the first class registered: its windows are "main"
    // Each font's height, in place (fonts are few): making one takes
    // nothing from the heap once the desktop has been set up.
    int fontHeights_[16] = {};
    HGDIOBJ selectedFont_ = nullptr;
};

// Reads a UTF-16 text as plain ASCII for messages and comparisons.
std::string Narrow(const std::u16string& text);
// A number as the calls record shows it: 0x and upper-case digits.
std::string Hex(std::uintptr_t value);
// A text the program passed, or empty for a null one.
std::u16string Text(const char16_t* text);
// As Windows compares names of profile sections and keys, and list items:
// ASCII letters without regard to case.
bool SameIgnoringCase(const std::u16string& a, const std::u16string& b);

}  // namespace sim
