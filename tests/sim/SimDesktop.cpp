#include "tests/sim/SimDesktop.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "app/Resource.h"

namespace sim {

namespace {

constexpr std::uintptr_t kWindowBase = 0x10000;
constexpr std::uintptr_t kPacketBase = 0x50000;
constexpr std::uintptr_t kHookBase = 0xA0000;
const HMENU kMenu = reinterpret_cast<HMENU>(std::uintptr_t{0x90000});
const HMENU kPopup = reinterpret_cast<HMENU>(std::uintptr_t{0x90001});
constexpr std::uintptr_t kBuiltMenuBase = 0x91000;

std::string KeyName(UINT vk) {
    switch (vk) {
    case VK_SHIFT: return "Shift";
    case VK_CONTROL: return "Ctrl";
    case VK_RETURN: return "Enter";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    default: break;
    }
    if (vk >= VK_F13 && vk <= VK_F24) return "F" + std::to_string(13 + vk - VK_F13);
    return Hex(vk);
}

std::string MenuStateText(UINT state) {
    std::string text;
    if (state & MFS_CHECKED) text += "checked";
    if ((state & MFS_GRAYED) == MFS_GRAYED) text += text.empty() ? "grayed" : "+grayed";
    return text.empty() ? "0" : text;
}

std::string CommandName(UINT id) {
    switch (id) {
    case IDM_ABOUT: return "IDM_ABOUT";
    case IDM_EXIT: return "IDM_EXIT";
    case IDM_SETTINGS: return "IDM_SETTINGS";
    case IDM_MODE_HDUS: return "IDM_MODE_HDUS";
    case IDM_MODE_DIRECT: return "IDM_MODE_DIRECT";
    case IDM_MODE_DIRECT_FG: return "IDM_MODE_DIRECT_FG";
    case IDM_IGNORE_CURSOR: return "IDM_IGNORE_CURSOR";
    case IDM_LOCKON: return "IDM_LOCKON";
    default: return std::to_string(id);
    }
}

// Scan codes of a US keyboard layout for the keys the program synthesises.
UINT ScanCode(UINT vk) {
    switch (vk) {
    case VK_SHIFT: return 0x2A;
    case VK_CONTROL: return 0x1D;
    case VK_RETURN: return 0x1C;
    case VK_LEFT: return 0x4B;
    case VK_UP: return 0x48;
    case VK_RIGHT: return 0x4D;
    case VK_DOWN: return 0x50;
    default: break;
    }
    if (vk >= VK_F13 && vk <= VK_F23) return 0x64 + (vk - VK_F13);
    if (vk == VK_F24) return 0x76;
    return 0;
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Hex(std::uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

bool SameIgnoringCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

SimDesktop::SimDesktop() = default;
SimDesktop::~SimDesktop() = default;

// ----- arranging the desktop -----

HWND SimDesktop::NewWindow(const std::u16string& className, const WindowOptions& options) {
    Window w;
    w.className = className;
    w.label = options.label.empty() ? Narrow(className) : options.label;
    w.pid = options.pid;
    w.tid = options.pid + 1;
    w.visible = options.visible;
    w.hung = options.hung;
    windows_.push_back(w);
    return reinterpret_cast<HWND>(kWindowBase + windows_.size());
}

HWND SimDesktop::AddWindow(const std::u16string& className, WindowOptions options) {
    HWND hwnd = NewWindow(className, options);
    topLevel_.insert(topLevel_.begin(), hwnd);
    return hwnd;
}

HWND SimDesktop::AddWindowAtBottom(const std::u16string& className, WindowOptions options) {
    HWND hwnd = NewWindow(className, options);
    topLevel_.push_back(hwnd);
    return hwnd;
}

HWND SimDesktop::AddChild(HWND parent, const std::u16string& className, WindowOptions options) {
    options.pid = Find(parent)->pid;
    HWND hwnd = NewWindow(className, options);
    Find(hwnd)->parent = parent;
    Find(parent)->children.push_back(hwnd);
    return hwnd;
}

HWND SimDesktop::AddOwned(HWND owner, const std::u16string& className, WindowOptions options) {
    HWND hwnd = AddWindow(className, options);
    Find(hwnd)->owner = owner;
    return hwnd;
}

void SimDesktop::BringToTop(HWND hwnd) {
    auto it = std::find(topLevel_.begin(), topLevel_.end(), hwnd);
    if (it == topLevel_.end()) return;
    topLevel_.erase(it);
    topLevel_.insert(topLevel_.begin(), hwnd);
}

void SimDesktop::ForgetWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    for (HWND child : std::vector<HWND>(w->children)) ForgetWindow(child);
    w->alive = false;
    topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), hwnd), topLevel_.end());
    if (Window* parent = Find(w->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
    }
    if (foreground_ == hwnd) foreground_ = nullptr;
    if (underCursor_ == hwnd) underCursor_ = nullptr;
}

void SimDesktop::CloseWindow(HWND hwnd) { ForgetWindow(hwnd); }

Window* SimDesktop::Find(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value <= kWindowBase || value > kWindowBase + windows_.size()) return nullptr;
    Window& w = windows_[value - kWindowBase - 1];
    return w.alive ? &w : nullptr;
}

const Window* SimDesktop::Find(HWND hwnd) const { return const_cast<SimDesktop*>(this)->Find(hwnd); }

const Window& SimDesktop::WindowOf(HWND hwnd) const {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value <= kWindowBase || value > kWindowBase + windows_.size()) throw std::out_of_range("no such window");
    return windows_[value - kWindowBase - 1];
}

std::string SimDesktop::Name(HWND hwnd) const {
    if (!hwnd) return "null";
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value <= kWindowBase || value > kWindowBase + windows_.size()) return Hex(value);
    return windows_[value - kWindowBase - 1].label;
}

// ----- raw input -----

HANDLE SimDesktop::AddHidDevice(DWORD vendor, DWORD product) {
    Device d{};
    d.info.cbSize = sizeof(RID_DEVICE_INFO);
    d.info.dwType = RIM_TYPEHID;
    d.info.hid.dwVendorId = vendor;
    d.info.hid.dwProductId = product;
    d.info.hid.usUsagePage = 0x0C;
    d.info.hid.usUsage = 0x01;
    d.reportedSize = sizeof(RID_DEVICE_INFO);
    devices_.push_back(d);
    return reinterpret_cast<HANDLE>(kDeviceBase + devices_.size());
}

HANDLE SimDesktop::AddKeyboardDevice() {
    Device d{};
    d.info.cbSize = sizeof(RID_DEVICE_INFO);
    d.info.dwType = 1;  // RIM_TYPEKEYBOARD
    // Keyboard fields that would read as the receiver's ids if taken as HID ones.
    d.info.keyboardOrMouse[0] = 0x04BB;
    d.info.keyboardOrMouse[1] = 0x0F0E;
    d.reportedSize = sizeof(RID_DEVICE_INFO);
    devices_.push_back(d);
    return reinterpret_cast<HANDLE>(kDeviceBase + devices_.size());
}

HRAWINPUT SimDesktop::AddPacketWithHid(HANDLE device, DWORD type, DWORD sizeHid, DWORD count,
                                       std::vector<BYTE> data) {
    RAWINPUTHEADER header{};
    header.dwType = type;
    header.hDevice = device;
    RAWHID hid{sizeHid, count};
    std::vector<BYTE> bytes(sizeof(header) + sizeof(hid));
    header.dwSize = static_cast<DWORD>(bytes.size() + data.size());
    std::memcpy(bytes.data(), &header, sizeof(header));
    std::memcpy(bytes.data() + sizeof(header), &hid, sizeof(hid));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return AddRawPacket(std::move(bytes));
}

HRAWINPUT SimDesktop::AddHidPacket(HANDLE device, const std::vector<std::vector<BYTE>>& reports) {
    std::vector<BYTE> data;
    for (const auto& report : reports) data.insert(data.end(), report.begin(), report.end());
    const DWORD size = reports.empty() ? 0 : static_cast<DWORD>(reports.front().size());
    return AddPacketWithHid(device, RIM_TYPEHID, size, static_cast<DWORD>(reports.size()), std::move(data));
}

HRAWINPUT SimDesktop::AddRawPacket(std::vector<BYTE> bytes) {
    const UINT size = static_cast<UINT>(bytes.size());
    packets_.push_back({std::move(bytes), size});
    return reinterpret_cast<HRAWINPUT>(kPacketBase + packets_.size());
}

void SimDesktop::UnplugDevice(HANDLE device) {
    devices_.at(reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1).plugged = false;
}

void SimDesktop::PlugDevice(HANDLE device) {
    devices_.at(reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1).plugged = true;
}

void SimDesktop::MisreportPacketSize(HRAWINPUT packet, UINT reported) {
    packets_.at(reinterpret_cast<std::uintptr_t>(packet) - kPacketBase - 1).reportedSize = reported;
}

void SimDesktop::MisreportDeviceInfoSize(HANDLE device, UINT reported) {
    devices_.at(reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1).reportedSize = reported;
}

// ----- the user -----

bool SimDesktop::RunHooks(UINT message) {
    // MSLLHOOKSTRUCT: the point, then mouse data, flags, time and extra info.
    struct {
        POINT pt;
        DWORD mouseData, flags, time;
        ULONG_PTR extra;
    } event{cursor_, 0, 0, 0, 0};
    for (auto it = hooks_.rbegin(); it != hooks_.rend(); ++it) {
        // A hook may remove itself (or others) while it runs.
        const std::size_t hooksBefore = hooks_.size();
        if (it->proc(0, message, reinterpret_cast<LPARAM>(&event)) != 0) return false;
        if (hooks_.size() != hooksBefore) break;
    }
    return true;
}

bool SimDesktop::ClickLeft(HWND hwnd) {
    underCursor_ = hwnd;
    const bool reached = RunHooks(WM_LBUTTONDOWN);
    Record(std::string("click ") + (reached ? "reached " : "swallowed before ") + Name(hwnd));
    RunHooks(WM_LBUTTONUP);
    return reached;
}

bool SimDesktop::ClickRight(HWND hwnd) {
    underCursor_ = hwnd;
    const bool reached = RunHooks(WM_RBUTTONDOWN);
    RunHooks(WM_RBUTTONUP);
    return reached;
}

void SimDesktop::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    queue_.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
}

// ----- records -----

void SimDesktop::Record(std::string line) {
    if (recording) calls.push_back(std::move(line));
}

std::vector<std::string> SimDesktop::CallsMatching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : calls)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

void SimDesktop::ClearCalls() {
    calls.clear();
    inputBatches.clear();
}

int SimDesktop::Balloons(UINT titleId) {
    char16_t title[64] = {};
    LoadStringW(nullptr, titleId, title, 64);
    return static_cast<int>(std::count(balloonTitles.begin(), balloonTitles.end(), std::u16string(title)));
}

UINT SimDesktop::MenuState(UINT command) const {
    for (const auto& item : menu_)
        if (item.id == command) return item.state;
    throw std::out_of_range("no such menu item");
}

std::vector<HHOOK> SimDesktop::InstalledHooks() const {
    std::vector<HHOOK> out;
    for (const auto& hook : hooks_) out.push_back(hook.handle);
    return out;
}

std::string SimDesktop::MessageName(UINT message) const {
    for (const auto& [name, number] : registeredMessages_)
        if (number == message) return Narrow(name);
    switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_INPUT: return "WM_INPUT";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_ENDSESSION: return "WM_ENDSESSION";
    case WM_USER + 100: return "WM_TRAY_NOTIFY";
    case WM_USER + 101: return "WM_LOCKON_CLICK";
    default: return Hex(message);
    }
}

// ----- windowing and messages -----

ATOM SimDesktop::RegisterClassExW(const WNDCLASSEXW* wc) {
    if (wc->cbSize != sizeof(WNDCLASSEXW)) return 0;
    classes_[Text(wc->lpszClassName)] = wc->lpfnWndProc;
    if (mainClass_.empty()) mainClass_ = Text(wc->lpszClassName);
    Record("RegisterClassExW(" + Narrow(Text(wc->lpszClassName)) + ", style " + Hex(wc->style) + ")");
    return 0xC001;
}

HWND SimDesktop::CreateWindowExW(DWORD exStyle, const char16_t* className, const char16_t* windowName, DWORD style,
                                 int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                 void* param) {
    Record("CreateWindowExW(" + Narrow(Text(className)) + ", " + Narrow(Text(windowName)) + ", style " + Hex(style) +
           ")");
    auto cls = classes_.find(Text(className));
    if (createWindowFails || cls == classes_.end()) return nullptr;
    WindowOptions options;
    options.pid = ownPid;
    options.visible = (style & 0x10000000) != 0;  // WS_VISIBLE
    options.label = Text(className) == mainClass_ ? "main" : Narrow(Text(className));
    HWND hwnd = AddWindow(Text(className), options);
    Find(hwnd)->tid = ownTid;
    Find(hwnd)->proc = cls->second;
    Find(hwnd)->style = style;
    Find(hwnd)->exStyle = exStyle;
    Find(hwnd)->owner = parent;
    // As the system does: the creation's own arguments, in the window's terms.
    CREATESTRUCTW create{param,  instance, menu, parent,      height,   width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (cls->second(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        ForgetWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

BOOL SimDesktop::DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    Record("DestroyWindow(" + Name(hwnd) + ")");
    if (!w) return 0;
    if (w->proc) w->proc(hwnd, WM_DESTROY, 0, 0);
    ForgetWindow(hwnd);
    // A window's timers end with it.
    for (Timer& timer : timers_)
        if (timer.hwnd == hwnd) timer.live = false;
    if (hwnd == modeless_) {
        modeless_ = nullptr;
        controls.clear();
    }
    return 1;
}

BOOL SimDesktop::UpdateWindow(HWND) { return 1; }

LRESULT SimDesktop::DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (recording) {
        std::string line = "DefWindowProcW(" + MessageName(message);
        if (message == WM_COMMAND) line += " " + CommandName(static_cast<UINT>(wParam & 0xFFFF));
        Record(line + ")");
    }
    if (message == WM_CLOSE) DestroyWindow(hwnd);
    return 0;
}

BOOL SimDesktop::PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recording)
        Record("PostMessageW(" + Name(hwnd) + ", " + MessageName(message) + ", " + Hex(wParam) + ", " +
           Hex(static_cast<std::uintptr_t>(lParam)) + ")");
    Window* w = Find(hwnd);
    if (!w) {
        lastError_ = 1400;  // ERROR_INVALID_WINDOW_HANDLE
        return 0;
    }
    if (!refusedPosts.empty() && refusedPosts.count(hwnd)) {
        lastError_ = refusedPostError;
        return 0;
    }
    // Windows' privilege isolation: no post into a window of a process with
    // a higher integrity level.
    const auto level = w->pid == ownPid ? integrityLevels.end() : integrityLevels.find(w->pid);
    if (level != integrityLevels.end() && level->second > ownIntegrityLevel) {
        lastError_ = ERROR_ACCESS_DENIED;
        return 0;
    }
    if (w->proc) Post(hwnd, message, wParam, lParam);
    return 1;
}

LRESULT SimDesktop::SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Record("SendMessageW(" + Name(hwnd) + ", " + MessageName(message) + ", " + Hex(wParam) + ")");
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    const LRESULT result = w->proc(hwnd, message, wParam, lParam);
    // The dialog manager's own handling, where the procedure left it.
    // It is ignored while no control of the dialog has the focus.
    if (hwnd == modeless_ && message == WM_NEXTDLGCTL && !result && lParam && GetFocus())
        GiveDialogFocus(reinterpret_cast<HWND>(wParam));
    return result;
}

void SimDesktop::PostQuitMessage(int exitCode) {
    Record("PostQuitMessage(" + std::to_string(exitCode) + ")");
    quitPosted_ = true;
    quitCode_ = exitCode;
}

BOOL SimDesktop::GetMessageW(MSG* msg, HWND, UINT, UINT) {
    for (;;) {
        if (!queue_.empty()) {
            *msg = queue_.front();
            queue_.pop_front();
            return 1;
        }
        if (quitPosted_) {
            quitPosted_ = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, 0, {}};
            return 0;
        }
        if (!onIdle || !onIdle()) {
            queueRanDry = true;
            *msg = MSG{};
            return 0;
        }
    }
}

BOOL SimDesktop::PeekMessageW(MSG* msg, HWND, UINT, UINT, UINT removeMessage) {
    if (!queue_.empty()) {
        *msg = queue_.front();
        if (removeMessage & PM_REMOVE) queue_.pop_front();
        return 1;
    }
    if (!quitPosted_) return 0;
    if (removeMessage & PM_REMOVE) quitPosted_ = false;
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, 0, {}};
    return 1;
}

DWORD SimDesktop::MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD,
                                              DWORD flags) {
    Record("MsgWaitForMultipleObjectsEx(count " + std::to_string(count) + ", " +
           (milliseconds == INFINITE ? std::string("INFINITE") : std::to_string(milliseconds) + " ms") +
           (flags & MWMO_INPUTAVAILABLE ? ", input available)" : ")"));
    if (onWait) onWait();
    if (waitFails) {
        // A loop that keeps waiting after failures would spin for ever; end
        // it here and leave a line the test can see.
        if (++failedWaits > 2) {
            Record("MsgWaitForMultipleObjectsEx asked again after failing");
            quitPosted_ = true;
            return WAIT_OBJECT_0 + count;
        }
        return WAIT_FAILED;
    }
    for (;;) {
        if (!queue_.empty() || quitPosted_) return WAIT_OBJECT_0 + count;
        for (DWORD i = 0; i < count; ++i) {
            auto watch = changeWatches_.find(reinterpret_cast<std::uintptr_t>(handles[i]));
            if (watch != changeWatches_.end() && watch->second.signalled) return WAIT_OBJECT_0 + i;
        }
        if (RingDueTimer(milliseconds)) return WAIT_OBJECT_0 + count;
        if (milliseconds != INFINITE) {
            tickCount += milliseconds;
            return WAIT_TIMEOUT;
        }
        if (!onIdle || !onIdle()) {
            // Nothing more to happen: the scenario ends as if the user exited.
            queueRanDry = true;
            quitPosted_ = true;
        }
    }
}

// The earliest timer due within `milliseconds`: time passes up to it, and it rings.
bool SimDesktop::RingDueTimer(DWORD milliseconds) {
    Timer* first = nullptr;
    for (Timer& timer : timers_)
        if (timer.live && (!first || static_cast<std::int32_t>(timer.due - first->due) < 0)) first = &timer;
    if (!first) return false;
    const auto wait = static_cast<std::int32_t>(first->due - tickCount);
    if (milliseconds != INFINITE && wait > static_cast<std::int32_t>(milliseconds)) return false;
    if (wait > 0) tickCount += static_cast<DWORD>(wait);
    first->due = tickCount + first->elapse;
    Post(first->hwnd, WM_TIMER, first->id, 0);
    return true;
}

SimDesktop::Timer* SimDesktop::FindTimer(HWND hwnd, UINT_PTR id) {
    for (Timer& timer : timers_)
        if (timer.live && timer.hwnd == hwnd && timer.id == id) return &timer;
    return nullptr;
}

int SimDesktop::LiveTimers() const {
    int live = 0;
    for (const Timer& timer : timers_) live += timer.live ? 1 : 0;
    return live;
}

UINT_PTR SimDesktop::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC) {
    if (recording) Record("SetTimer(" + Name(hwnd) + ", " + std::to_string(id) + ", " + std::to_string(elapse) + " ms)");
    if (!Find(hwnd)) return 0;
    Timer* timer = FindTimer(hwnd, id);
    for (Timer& free : timers_)
        if (!timer && !free.live) timer = &free;
    if (!timer) return 0;
    *timer = Timer{hwnd, id, tickCount + elapse, elapse, true};
    return id;
}

BOOL SimDesktop::KillTimer(HWND hwnd, UINT_PTR id) {
    if (recording) Record("KillTimer(" + Name(hwnd) + ", " + std::to_string(id) + ")");
    Timer* timer = FindTimer(hwnd, id);
    if (!timer) return 0;
    timer->live = false;
    return 1;
}

int SimDesktop::TranslateAcceleratorW(HWND, HACCEL, MSG*) { return 0; }
BOOL SimDesktop::TranslateMessage(const MSG*) { return 0; }

LRESULT SimDesktop::DispatchMessageW(const MSG* msg) {
    Window* w = Find(msg->hwnd);
    if (!w || !w->proc) return 0;
    return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

HDC SimDesktop::BeginPaint(HWND, PAINTSTRUCT* paint) {
    *paint = PAINTSTRUCT{};
    Record("BeginPaint");
    return nullptr;
}

BOOL SimDesktop::EndPaint(HWND, const PAINTSTRUCT*) {
    Record("EndPaint");
    return 1;
}

UINT SimDesktop::RegisterWindowMessageW(const char16_t* name) {
    auto [it, added] = registeredMessages_.emplace(Text(name), 0xC100 + static_cast<UINT>(registeredMessages_.size()));
    return it->second;
}

// ----- resources and dialogs -----

int SimDesktop::LoadStringW(HINSTANCE, UINT id, char16_t* buffer, int capacity) {
    // Other strings read as their number, so a test sees which one was used.
    auto stored = strings.find(id);
    const std::u16string text = stored != strings.end() ? stored->second
                                : id == IDS_APP_TITLE  ? u"Korvanta"
                                : id == IDC_KORVANTA ? u"KORVANTA"
                                                     : u"string " + Widen(std::to_string(id));
    if (capacity <= 0) return 0;
    const int length = std::min<int>(static_cast<int>(text.size()), capacity - 1);
    std::copy(text.begin(), text.begin() + length, buffer);
    buffer[length] = 0;
    return length;
}

HICON SimDesktop::LoadIconW(HINSTANCE, const char16_t* name) {
    return reinterpret_cast<HICON>(0x30000 + reinterpret_cast<std::uintptr_t>(name));
}

HANDLE SimDesktop::LoadImageW(HINSTANCE, const char16_t* name, UINT type, int width, int height, UINT load) {
    Record("LoadImageW(" + std::to_string(reinterpret_cast<std::uintptr_t>(name)) + ", type " + std::to_string(type) +
           ", " + std::to_string(width) + "x" + std::to_string(height) + ", " + Hex(load) + ")");
    return reinterpret_cast<HANDLE>(0x50000 + reinterpret_cast<std::uintptr_t>(name));
}

int SimDesktop::GetSystemMetrics(int index) {
    return index == SM_CXSMICON || index == SM_CYSMICON ? smallIconSize : 0;
}

HCURSOR SimDesktop::LoadCursorW(HINSTANCE, const char16_t* name) {
    return reinterpret_cast<HCURSOR>(0x40000 + reinterpret_cast<std::uintptr_t>(name));
}

HACCEL SimDesktop::LoadAcceleratorsW(HINSTANCE, const char16_t*) {
    return reinterpret_cast<HACCEL>(std::uintptr_t{0x60000});
}

INT_PTR SimDesktop::DialogBoxParamW(HINSTANCE, const char16_t* templateName, HWND owner, DLGPROC dialogProc,
                                    LPARAM initParam) {
    Record("DialogBoxParamW(" + std::to_string(reinterpret_cast<std::uintptr_t>(templateName)) + ", " + Name(owner) +
           ")");
    HWND dialog = reinterpret_cast<HWND>(std::uintptr_t{0xD0000});
    dialogEnded_ = false;
    if (!dialogProc(dialog, WM_INITDIALOG, 0, initParam)) Record("dialog refused WM_INITDIALOG");
    dialogProc(dialog, WM_COMMAND, static_cast<WPARAM>(dialogButton), 0);
    if (!dialogEnded_) Record("dialog did not end");
    return dialogResult_;
}

BOOL SimDesktop::EndDialog(HWND, INT_PTR result) {
    Record("EndDialog(" + std::to_string(result) + ")");
    dialogEnded_ = true;
    dialogResult_ = result;
    return 1;
}

// ----- menus -----

HMENU SimDesktop::LoadMenuW(HINSTANCE, const char16_t* name) {
    if (menuLoadFails || reinterpret_cast<std::uintptr_t>(name) != IDC_KORVANTA) return nullptr;
    menu_ = {{IDM_MODE_HDUS, 0}, {IDM_MODE_DIRECT, 0}, {IDM_MODE_DIRECT_FG, 0}, {IDM_IGNORE_CURSOR, 0},
             {IDM_LOCKON, 0},    {IDM_SETTINGS, 0},    {IDM_ABOUT, 0},       {IDM_EXIT, 0}};
    menuLoaded_ = true;
    return kMenu;
}

HMENU SimDesktop::GetSubMenu(HMENU menu, int position) {
    return menu == kMenu && menuLoaded_ && position == 0 ? kPopup : nullptr;
}

BOOL SimDesktop::GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info) {
    if ((menu != kMenu && menu != kPopup) || byPosition || info->cbSize != sizeof(MENUITEMINFOW)) return 0;
    for (const auto& m : menu_)
        if (m.id == item) {
            if (info->fMask & MIIM_STATE) info->fState = m.state;
            return 1;
        }
    return 0;
}

BOOL SimDesktop::SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) {
    if ((menu != kMenu && menu != kPopup) || byPosition || info->cbSize != sizeof(MENUITEMINFOW)) return 0;
    for (auto& m : menu_)
        if (m.id == item) {
            if (info->fMask & MIIM_STATE) m.state = info->fState;
            Record("menu " + std::to_string(item) + " = " + MenuStateText(m.state));
            return 1;
        }
    return 0;
}

HMENU SimDesktop::CreatePopupMenu() {
    const HMENU menu = reinterpret_cast<HMENU>(kBuiltMenuBase + ++builtMenuCount_);
    builtMenus_[menu];
    return menu;
}

BOOL SimDesktop::AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, const char16_t* text) {
    auto built = builtMenus_.find(menu);
    if (built == builtMenus_.end()) return 0;
    built->second.push_back({static_cast<UINT>(id), flags & MF_SEPARATOR ? u"-" : Text(text)});
    return 1;
}

BOOL SimDesktop::DestroyMenu(HMENU menu) { return builtMenus_.erase(menu) ? 1 : 0; }

int SimDesktop::OpenMenus() const { return static_cast<int>(builtMenus_.size()); }

BOOL SimDesktop::TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    auto built = builtMenus_.find(menu);
    if (built != builtMenus_.end()) {
        Record("TrackPopupMenu(built, flags " + Hex(flags) + ")");
        if (duringPopupMenu) {
            duringPopupMenu();
            // The menu ends with the window that owns it.
            if (!Find(owner)) return 0;
            built = builtMenus_.find(menu);
        }
        shownPopupItems.clear();
        bool offered = false;
        for (const auto& item : built->second) {
            shownPopupItems.push_back(item.second);
            offered = offered || (menuChoice != 0 && item.first == menuChoice && item.second != u"-");
        }
        if (!offered) return 0;
        if (flags & TPM_RETURNCMD) return static_cast<BOOL>(menuChoice);
        Post(owner, WM_COMMAND, menuChoice, 0);
        return 1;
    }
    Record("TrackPopupMenu(" + std::string(menu == kPopup ? "popup" : "?") + ", flags " + Hex(flags) + ", " +
           std::to_string(x) + "," + std::to_string(y) + ", " + Name(owner) + ")");
    if (menu != kPopup) return 0;
    if (menuChoice == 0) return 0;
    for (const auto& m : menu_)
        if (m.id == menuChoice && (m.state & MFS_GRAYED) == 0) {
            Post(owner, WM_COMMAND, menuChoice, 0);
            return 1;
        }
    return 0;
}

// ----- raw input -----

BOOL SimDesktop::RegisterRawInputDevices(const RAWINPUTDEVICE* devices, UINT count, UINT size) {
    std::string line = "RegisterRawInputDevices(count " + std::to_string(count) + ", size " + std::to_string(size);
    if (size == sizeof(RAWINPUTDEVICE))
        for (UINT i = 0; i < count; ++i)
            line += ", page " + Hex(devices[i].usUsagePage) + " usage " + Hex(devices[i].usUsage) + " flags " +
                    Hex(devices[i].dwFlags) + " " + Name(devices[i].hwndTarget);
    Record(line + ")");
    return size == sizeof(RAWINPUTDEVICE);
}

UINT SimDesktop::GetRawInputData(HRAWINPUT rawInput, UINT command, void* data, UINT* size, UINT headerSize) {
    const auto index = reinterpret_cast<std::uintptr_t>(rawInput) - kPacketBase - 1;
    if (command != RID_INPUT || headerSize != sizeof(RAWINPUTHEADER) || index >= packets_.size())
        return static_cast<UINT>(-1);
    const Packet& packet = packets_[index];
    if (!data) {
        *size = packet.reportedSize;
        return 0;
    }
    const UINT actual = static_cast<UINT>(packet.bytes.size());
    if (*size < actual) return static_cast<UINT>(-1);
    std::memcpy(data, packet.bytes.data(), actual);
    return actual;
}

UINT SimDesktop::GetRawInputDeviceInfoW(HANDLE device, UINT command, void* data, UINT* size) {
    const auto index = reinterpret_cast<std::uintptr_t>(device) - kDeviceBase - 1;
    if (command == RIDI_PREPARSEDDATA && index < devices_.size()) return ReadPreparsedData(index, data, size);
    if (command != RIDI_DEVICEINFO || index >= devices_.size()) return static_cast<UINT>(-1);
    const Device& d = devices_[index];
    if (!data) {
        *size = d.reportedSize;
        return 0;
    }
    // Like Windows: the record must announce its own full size.
    auto* info = static_cast<RID_DEVICE_INFO*>(data);
    if (*size < sizeof(RID_DEVICE_INFO) || info->cbSize != sizeof(RID_DEVICE_INFO)) {
        *size = sizeof(RID_DEVICE_INFO);
        return static_cast<UINT>(-1);
    }
    std::memcpy(data, &d.info, sizeof(RID_DEVICE_INFO));
    return sizeof(RID_DEVICE_INFO);
}

// Like Windows: a record of the platform's own size; without a list, or with
// one too small, the count needed.
UINT SimDesktop::GetRawInputDeviceList(RAWINPUTDEVICELIST* list, UINT* count, UINT size) {
    if (deviceListFails || !count || size != sizeof(RAWINPUTDEVICELIST)) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER
        return static_cast<UINT>(-1);
    }
    std::vector<RAWINPUTDEVICELIST> plugged;
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i].plugged)
            plugged.push_back({reinterpret_cast<HANDLE>(kDeviceBase + i + 1), devices_[i].info.dwType});
    const UINT needed = static_cast<UINT>(plugged.size());
    if (!list) {
        *count = needed;
        if (onDeviceCount) onDeviceCount();
        return 0;
    }
    if (*count < needed) {
        *count = needed;
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return static_cast<UINT>(-1);
    }
    std::copy(plugged.begin(), plugged.end(), list);
    return needed;
}

// ----- window discovery -----

HWND SimDesktop::GetForegroundWindow() { return foreground_; }

HWND SimDesktop::GetParent(HWND hwnd) {
    const Window* w = Find(hwnd);
    if (!w) return nullptr;
    return w->parent ? w->parent : w->owner;
}

HWND SimDesktop::GetWindow(HWND hwnd, UINT command) {
    const Window* w = Find(hwnd);
    if (!w || command != GW_HWNDNEXT) return nullptr;
    const std::vector<HWND>& siblings = w->parent ? Find(w->parent)->children : topLevel_;
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    if (it == siblings.end()) return nullptr;
    if (++it == siblings.end()) return zOrderWrapsAround ? siblings.front() : nullptr;
    return *it;
}

int SimDesktop::GetClassNameW(HWND hwnd, char16_t* buffer, int capacity) {
    const Window* w = Find(hwnd);
    int length = 0;
    if (w && capacity > 0) {
        length = std::min<int>(static_cast<int>(w->className.size()), capacity - 1);
        std::copy(w->className.begin(), w->className.begin() + length, buffer);
        buffer[length] = 0;
    }
    if (onClassNameRead) onClassNameRead(hwnd);
    return length;
}

BOOL SimDesktop::EnumWindows(WNDENUMPROC callback, LPARAM value) {
    for (HWND hwnd : std::vector<HWND>(topLevel_))
        if (!callback(hwnd, value)) return 0;
    return 1;
}

bool SimDesktop::EnumDescendants(HWND parent, WNDENUMPROC callback, LPARAM value) {
    const Window* w = Find(parent);
    if (!w) return true;
    for (HWND child : std::vector<HWND>(w->children)) {
        if (!callback(child, value)) return false;
        if (!EnumDescendants(child, callback, value)) return false;
    }
    return true;
}

BOOL SimDesktop::EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM value) {
    if (!parent) return EnumWindows(callback, value);
    return EnumDescendants(parent, callback, value) ? 1 : 0;
}

BOOL SimDesktop::IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

BOOL SimDesktop::IsWindowVisible(HWND hwnd) {
    for (const Window* w = Find(hwnd); w; w = Find(w->parent)) {
        if (!w->visible) return 0;
        if (!w->parent) return 1;
    }
    return 0;
}

BOOL SimDesktop::IsHungAppWindow(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w && w->hung;
}

HWND SimDesktop::WindowFromPoint(POINT) { return Find(underCursor_) ? underCursor_ : nullptr; }

// Top-level windows only, hidden ones too, front first; no window here has a
// title, so one asked for by title is never found.
HWND SimDesktop::FindWindowW(const char16_t* className, const char16_t* windowName) {
    Record("FindWindowW(" + Narrow(Text(className)) + ")");
    if (windowName) return nullptr;
    for (HWND hwnd : topLevel_) {
        const Window* w = Find(hwnd);
        if (w && w->className == Text(className)) return hwnd;
    }
    return nullptr;
}

DWORD SimDesktop::GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    const Window* w = Find(hwnd);
    if (!w) return 0;
    if (processId) *processId = w->pid;
    return w->tid;
}

// ----- input synthesis -----

UINT SimDesktop::SendInput(UINT count, INPUT* inputs, int size) {
    if (size != static_cast<int>(sizeof(INPUT))) {
        Record("SendInput with a wrong record size " + std::to_string(size));
        return 0;
    }
    std::string line = "SendInput[";
    for (UINT i = 0; i < count; ++i) {
        const KEYBDINPUT& k = inputs[i].ki;
        line += (i ? ", " : "") + KeyName(k.wVk) + ((k.dwFlags & KEYEVENTF_KEYUP) ? " up" : " down");
    }
    Record(line + "]");
    if (recording) inputBatches.emplace_back(inputs, inputs + count);
    return count;
}

void SimDesktop::keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extraInfo) {
    Record("keybd_event(" + KeyName(key) + ((flags & KEYEVENTF_KEYUP) ? " up" : " down") + ", scan " + Hex(scan) +
           (flags & ~KEYEVENTF_KEYUP ? ", flags " + Hex(flags) : "") + (extraInfo ? ", extra" : "") + ")");
}

UINT SimDesktop::MapVirtualKeyW(UINT code, UINT mapType) { return mapType == MAPVK_VK_TO_VSC ? ScanCode(code) : 0; }

// ----- activation -----

BOOL SimDesktop::AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach) {
    Record("AttachThreadInput(" + std::to_string(attach) + ", " + std::to_string(attachTo) + ", " +
           (doAttach ? "TRUE" : "FALSE") + ")");
    return attach != 0 && attachTo != 0 && attach != attachTo;
}

HWND SimDesktop::SetActiveWindow(HWND hwnd) {
    Record("SetActiveWindow(" + Name(hwnd) + ")");
    return nullptr;
}

BOOL SimDesktop::SetForegroundWindow(HWND hwnd) {
    Record("SetForegroundWindow(" + Name(hwnd) + ")");
    if (!Find(hwnd)) return 0;
    foreground_ = hwnd;
    if (!Find(hwnd)->parent) BringToTop(hwnd);
    return 1;
}

BOOL SimDesktop::SystemParametersInfoW(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
    const std::string tail = ", " + std::to_string(uiParam) + ", flags " + std::to_string(winIni) + ")";
    if (action == SPI_GETFOREGROUNDLOCKTIMEOUT) {
        Record("SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT" + tail);
        if (!foregroundTimeoutReadable) return 0;
        *static_cast<DWORD*>(pvParam) = foregroundLockTimeout;
        return 1;
    }
    if (action == SPI_SETFOREGROUNDLOCKTIMEOUT) {
        const auto value = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(pvParam));
        Record("SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, " + std::to_string(value) + tail);
        foregroundLockTimeout = value;
        return 1;
    }
    return 0;
}

// ----- hooks -----

HHOOK SimDesktop::SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    Record("SetWindowsHookExW(" + std::to_string(idHook) + ", thread " + std::to_string(threadId) + ")");
    if (hookInstallFails || idHook != WH_MOUSE_LL) return nullptr;
    HHOOK handle = reinterpret_cast<HHOOK>(kHookBase + nextHook_++);
    hooks_.push_back({handle, proc});
    return handle;
}

LRESULT SimDesktop::CallNextHookEx(HHOOK, int, WPARAM, LPARAM) { return nextHookResult; }

BOOL SimDesktop::UnhookWindowsHookEx(HHOOK hook) {
    Record("UnhookWindowsHookEx");
    const auto before = hooks_.size();
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [hook](const Hook& h) { return h.handle == hook; }),
                 hooks_.end());
    return hooks_.size() != before;
}

BOOL SimDesktop::GetWindowRect(HWND hwnd, RECT* rect) {
    if (!Find(hwnd) && hwnd != modeless_) return 0;
    *rect = RECT{100, 100, 160, 120};
    return 1;
}

BOOL SimDesktop::GetCursorPos(POINT* point) {
    *point = cursor_;
    return 1;
}

// ----- notification area -----

BOOL SimDesktop::Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
    if (data->cbSize != sizeof(NOTIFYICONDATAW)) {
        Record("Shell_NotifyIconW with a wrong record size");
        return 0;
    }
    const std::string tip = Narrow(data->szTip);
    if (message == NIM_ADD) {
        Record("Shell_NotifyIconW(NIM_ADD, id " + std::to_string(data->uID) + ", flags " + Hex(data->uFlags) +
               ", callback " + Hex(data->uCallbackMessage) + ", tip " + tip + ")");
        ++trayIcons;
        lastTrayIcon = *data;
        return 1;
    }
    if (message == NIM_MODIFY && data->uFlags == NIF_INFO) {
        Record("Shell_NotifyIconW(NIM_MODIFY, id " + std::to_string(data->uID) + ", balloon " +
               Narrow(data->szInfoTitle) + ": " + Narrow(data->szInfo) + ", icon " + Hex(data->dwInfoFlags) + ")");
        ++trayBalloons;
        lastTrayBalloon = *data;
        if (recording) balloonTitles.push_back(data->szInfoTitle);
        return trayIcons > 0;
    }
    if (message == NIM_MODIFY && data->uFlags == NIF_TIP) {
        Record("Shell_NotifyIconW(NIM_MODIFY, id " + std::to_string(data->uID) + ", tip " + tip + ")");
        std::copy(std::begin(data->szTip), std::end(data->szTip), std::begin(lastTrayIcon.szTip));
        return trayIcons > 0;
    }
    if (message == NIM_DELETE) {
        Record("Shell_NotifyIconW(NIM_DELETE, id " + std::to_string(data->uID) + ")");
        if (trayIcons > 0) --trayIcons;
        return 1;
    }
    return 0;
}

// ----- process services -----

namespace {
constexpr std::uintptr_t kProcessHandleBase = 0xA0000;
constexpr std::uintptr_t kQueryHandleBase = 0xB0000;  // + the process id
constexpr std::uintptr_t kTokenHandleBase = 0xC0000;  // + the process id
}  // namespace

HANDLE SimDesktop::OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId) {
    if (recording)
        Record("OpenProcess(access " + Hex(access) + ", inherit " + std::to_string(inheritHandle) + ", pid " +
           std::to_string(processId) + ")");
    ++processQueries;
    if (queryRefused.count(processId)) {
        lastError_ = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    if (!processImages.count(processId) || processId >= 0x10000) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER: no such process now
        return nullptr;
    }
    ++openProcessHandles;
    return reinterpret_cast<HANDLE>(kQueryHandleBase + processId);
}

// As Windows: `size` is the room in characters; on success the length
// without the NUL, and a name that does not fit fails.
BOOL SimDesktop::QueryFullProcessImageNameW(HANDLE process, DWORD flags, char16_t* name, DWORD* size) {
    if (recording) Record("QueryFullProcessImageNameW(flags " + std::to_string(flags) + ")");
    const auto value = reinterpret_cast<std::uintptr_t>(process);
    const auto image = processImages.find(static_cast<DWORD>(value - kQueryHandleBase));
    if (value < kQueryHandleBase || image == processImages.end() || !size) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return 0;
    }
    if (image->second.size() + 1 > *size) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    image->second.copy(name, image->second.size());
    name[image->second.size()] = 0;
    *size = static_cast<DWORD>(image->second.size());
    return 1;
}

// The pseudo-handle Windows gives, which needs no closing.
HANDLE SimDesktop::GetCurrentProcess() { return InvalidHandleValue(); }

BOOL SimDesktop::OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
    const auto value = reinterpret_cast<std::uintptr_t>(process);
    const bool own = process == InvalidHandleValue();
    const DWORD pid = own ? ownPid : static_cast<DWORD>(value - kQueryHandleBase);
    if (recording) Record("OpenProcessToken(pid " + std::to_string(pid) + ", access " + Hex(desiredAccess) + ")");
    if (!token || (!own && (value < kQueryHandleBase || value >= kQueryHandleBase + 0x10000))) {
        lastError_ = 6;  // ERROR_INVALID_HANDLE
        return 0;
    }
    ++openProcessHandles;
    *token = reinterpret_cast<HANDLE>(kTokenHandleBase + pid);
    return 1;
}

// As Windows lays it out: the label, then the SID it points to, with one
// sub-authority, the level.
BOOL SimDesktop::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, void* information,
                                     DWORD length, DWORD* returnLength) {
    const auto value = reinterpret_cast<std::uintptr_t>(token);
    const DWORD pid = static_cast<DWORD>(value - kTokenHandleBase);
    if (recording) Record("GetTokenInformation(pid " + std::to_string(pid) + ", class " +
                          std::to_string(informationClass) + ")");
    ++tokenQueries;
    if (value < kTokenHandleBase || value >= kTokenHandleBase + 0x10000 || informationClass != TokenIntegrityLevel ||
        !returnLength) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER
        return 0;
    }
    constexpr DWORD kSidSize = 12;
    *returnLength = static_cast<DWORD>(sizeof(TOKEN_MANDATORY_LABEL)) + kSidSize;
    if (length < *returnLength || !information) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    const auto level = integrityLevels.find(pid);
    const DWORD rid = pid == ownPid ? ownIntegrityLevel : level != integrityLevels.end() ? level->second
                                                                                        : SECURITY_MANDATORY_MEDIUM_RID;
    auto* bytes = static_cast<BYTE*>(information);
    BYTE* sid = bytes + sizeof(TOKEN_MANDATORY_LABEL);
    const BYTE header[8] = {1, 1, 0, 0, 0, 0, 0, 16};  // revision, one sub-authority, the mandatory label authority
    std::copy(header, header + 8, sid);
    std::memcpy(sid + 8, &rid, sizeof(rid));
    const TOKEN_MANDATORY_LABEL label{{sid, 0x20}};  // SE_GROUP_INTEGRITY
    std::memcpy(bytes, &label, sizeof(label));
    return 1;
}

BYTE* SimDesktop::GetSidSubAuthorityCount(PSID sid) { return static_cast<BYTE*>(sid) + 1; }

DWORD* SimDesktop::GetSidSubAuthority(PSID sid, DWORD subAuthority) {
    return reinterpret_cast<DWORD*>(static_cast<BYTE*>(sid) + 8 + 4 * subAuthority);
}

// The program's name as Windows takes it: the application name when given,
// else the command line's first word, in quotes or up to a space.
BOOL SimDesktop::CreateProcessW(const char16_t* applicationName, char16_t* commandLine, void*, void*,
                                BOOL inheritHandles, DWORD creationFlags, void*, const char16_t* currentDirectory,
                                STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation) {
    const std::u16string line = Text(commandLine);
    Record("CreateProcessW(" + Narrow(Text(applicationName)) + ", " + Narrow(line) + ", inherit " +
           std::to_string(inheritHandles) + ", flags " + Hex(creationFlags) + ", in " +
           Narrow(Text(currentDirectory)) + ")");
    if (!startupInfo || startupInfo->cb != sizeof(STARTUPINFOW) || !processInformation ||
        (!applicationName && !commandLine)) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER
        return 0;
    }
    std::u16string name = Text(applicationName);
    if (name.empty()) {
        if (!line.empty() && line[0] == u'"') name = line.substr(1, line.find(u'"', 1) - 1);
        else name = line.substr(0, line.find(u' '));
    }
    auto refused = unstartablePrograms.find(name);
    if (refused != unstartablePrograms.end()) {
        lastError_ = refused->second;
        return 0;
    }
    const DWORD pid = 7000 + static_cast<DWORD>(startedPrograms.size()) * 4;
    startedPrograms.push_back({Text(applicationName), line, Text(currentDirectory), pid});
    processInformation->hProcess = reinterpret_cast<HANDLE>(kProcessHandleBase + 2 * startedPrograms.size());
    processInformation->hThread = reinterpret_cast<HANDLE>(kProcessHandleBase + 2 * startedPrograms.size() + 1);
    processInformation->dwProcessId = pid;
    processInformation->dwThreadId = pid + 1;
    openProcessHandles += 2;
    return 1;
}

BOOL SimDesktop::CloseHandle(HANDLE handle) {
    if (recording) Record("CloseHandle(" + Hex(reinterpret_cast<std::uintptr_t>(handle)) + ")");
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value >= kQueryHandleBase && value < kTokenHandleBase + 0x10000 && openProcessHandles > 0) {
        --openProcessHandles;
        return 1;
    }
    if (value >= kProcessHandleBase + 2 && value < kProcessHandleBase + 2 + 2 * startedPrograms.size() &&
        openProcessHandles > 0) {
        --openProcessHandles;
        return 1;
    }
    auto open = openFiles_.find(value);
    if (open == openFiles_.end()) return 0;
    if (open->second.deleteOnClose) {
        files.erase(open->second.name);
        fileSizes.erase(open->second.name);
        FileChanged(open->second.name);
    }
    openFiles_.erase(open);
    --openFiles;
    return 1;
}

HANDLE SimDesktop::CreateMutexW(void*, BOOL, const char16_t* name) {
    Record("CreateMutexW(" + Narrow(Text(name)) + ")");
    lastError_ = existingMutexes.insert(Text(name)).second ? 0 : ERROR_ALREADY_EXISTS;
    return reinterpret_cast<HANDLE>(std::uintptr_t{0xE0000});
}

DWORD SimDesktop::GetLastError() { return lastError_; }

DWORD SimDesktop::GetModuleFileNameW(HINSTANCE, char16_t* buffer, DWORD capacity) {
    if (moduleFileNameFails || capacity == 0) return 0;
    // Like Windows since Vista: a path that does not fit comes back cut, and
    // the result is the full capacity.
    const DWORD length = static_cast<DWORD>(modulePath.size());
    const DWORD copied = std::min(length, capacity - 1);
    std::copy(modulePath.begin(), modulePath.begin() + copied, buffer);
    buffer[copied] = 0;
    if (length >= capacity) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return capacity;
    }
    return length;
}

int SimDesktop::_wsplitpath_s(const char16_t* path, char16_t* drive, std::size_t driveCapacity, char16_t* directory,
                              std::size_t directoryCapacity, char16_t* fileName, std::size_t fileNameCapacity,
                              char16_t* extension, std::size_t extensionCapacity) {
    constexpr int kERANGE = 34;
    std::u16string rest = Text(path), d, dir, name, ext;
    if (rest.size() >= 2 && rest[1] == u':') {
        d = rest.substr(0, 2);
        rest = rest.substr(2);
    }
    const auto slash = rest.find_last_of(u"\\/");
    if (slash != std::u16string::npos) {
        dir = rest.substr(0, slash + 1);
        rest = rest.substr(slash + 1);
    }
    const auto dot = rest.find_last_of(u'.');
    name = rest.substr(0, dot);
    if (dot != std::u16string::npos) ext = rest.substr(dot);
    struct Part {
        const std::u16string& text;
        char16_t* out;
        std::size_t capacity;
    } parts[] = {{d, drive, driveCapacity}, {dir, directory, directoryCapacity}, {name, fileName, fileNameCapacity},
                 {ext, extension, extensionCapacity}};
    for (const Part& p : parts)
        if (p.out && p.text.size() + 1 > p.capacity) {
            for (const Part& q : parts)
                if (q.out && q.capacity) q.out[0] = 0;
            return kERANGE;
        }
    for (const Part& p : parts)
        if (p.out) std::copy(p.text.c_str(), p.text.c_str() + p.text.size() + 1, p.out);
    return 0;
}

void SimDesktop::GetLocalTime(SYSTEMTIME* time) { *time = localTime; }

void SimDesktop::Sleep(DWORD milliseconds) {
    Record("Sleep(" + std::to_string(milliseconds) + ")");
    if (onSleep) onSleep();
}

// ----- text conversion -----

int SimDesktop::WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wideText, int wideLength,
                                    char* buffer, int capacity, const char* defaultChar, BOOL* usedDefaultChar) {
    constexpr DWORD kErrInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS
    if (codePage != CP_UTF8) throw std::invalid_argument("WideCharToMultiByte: only UTF-8 is simulated");
    // UTF-8 has no default character, so asking for one is an error.
    if (!wideText || wideLength == 0 || wideLength < -1 || capacity < 0 || (!buffer && capacity != 0) ||
        static_cast<const void*>(wideText) == static_cast<const void*>(buffer) || defaultChar || usedDefaultChar) {
        lastError_ = 87;  // ERROR_INVALID_PARAMETER
        return 0;
    }
    if (flags & ~kErrInvalidChars) {
        lastError_ = 1004;  // ERROR_INVALID_FLAGS
        return 0;
    }
    // -1: up to and with the NUL.
    const std::size_t length =
        wideLength == -1 ? std::u16string::traits_type::length(wideText) + 1 : static_cast<std::size_t>(wideLength);

    // One character at a time, so that a cut falls between characters; no
    // allocation, as on Windows, so the per-press benchmark measures the logic.
    struct Encoded {
        unsigned char bytes[4];
        std::size_t size;
    };
    const auto encode = [&](std::size_t& i, bool& unpaired) {
        std::uint32_t c = wideText[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && wideText[i + 1] >= 0xDC00 && wideText[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wideText[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
            unpaired = true;
        }
        const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        static constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
        Encoded out{{static_cast<unsigned char>(kLead[extra] | (c >> (6 * extra)))}, 1};
        for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
            out.bytes[out.size++] = static_cast<unsigned char>(0x80 | ((c >> shift) & 0x3F));
        return out;
    };
    bool unpaired = false;
    std::size_t needed = 0;
    for (std::size_t i = 0; i < length; ++i) needed += encode(i, unpaired).size;
    if (unpaired && (flags & kErrInvalidChars)) {
        lastError_ = 1113;  // ERROR_NO_UNICODE_TRANSLATION
        return 0;
    }
    if (capacity == 0) return static_cast<int>(needed);

    // Without room for all of it, Windows still writes the whole characters
    // that fit before it fails; a caller must not take them for the result.
    std::size_t at = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const Encoded character = encode(i, unpaired);
        if (at + character.size > static_cast<std::size_t>(capacity)) break;
        std::copy(character.bytes, character.bytes + character.size, buffer + at);
        at += character.size;
    }
    if (at < needed) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    return static_cast<int>(at);
}

}  // namespace sim
