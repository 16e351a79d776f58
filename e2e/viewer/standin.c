/*
 * standin.exe: a stand-in for a television viewer window, so that Korvanta's
 * deliveries can be watched from the receiving side.
 *
 *   standin CLASS LOGFILE [--channel visible|hidden] [--owner-of HWND]
 *           [--title TEXT] [--topmost] [--foreground] [--no-hook] [--rawinput]
 *           [--pos X Y] [--fullscreen] [--picture] [--die-on-vk VK] [--die-on-raw CODE] [--tray] [--hung]
 *
 * CLASS is registered as given ("TVTest Window", "TVTest Fullscreen",
 * "TVH264 Window", "mAgicTVWindow" or anything else) and one top-level window
 * of it is shown. --channel adds a child window of class
 * "TVTest Channel Display", shown or hidden. --owner-of makes the new window
 * an owned pop-up of HWND (GetParent then reports HWND). --foreground brings
 * the window to the foreground and gives it the keyboard focus once created.
 * --rawinput registers the window for consumer-control raw input in the
 * background, as Korvanta does, and logs each report. --pos puts the window's
 * top-left corner at X,Y on the screen (default 60,60), so that windows can
 * sit side by side for a mouse click; --fullscreen makes it a pop-up window
 * that covers the whole screen, as a viewer's full-screen window does. --picture fills the client area with a
 * child window of class "Stand-in Picture", as a viewer's video area would;
 * a click in the middle of the client area then lands on that child.
 * --die-on-vk makes the process end at once (TerminateProcess, exit code 9)
 * when its low-level keyboard hook sees an event of virtual key VK, so that
 * it vanishes in the middle of what Korvanta is doing; --die-on-raw does the
 * same when a raw-input report with CODE arrives (with --rawinput).
 * --hung stops reading the window's messages once it is up, so that the
 * system soon counts the window as not responding (IsHungAppWindow; Wine
 * after 5 s); it implies --no-hook, since a hook on a thread that reads no
 * messages would hold up every key on the desktop.
 * --tray makes the window a notification area (give the class
 * "Shell_TrayWnd", which Shell_NotifyIconW looks for): it logs each icon
 * request that reaches it as WM_COPYDATA and, once it is up, broadcasts
 * "TaskbarCreated", as the shell does when its notification area restarts.
 *
 * Every line appended to LOGFILE starts with a monotonic timestamp in
 * microseconds (QueryPerformanceCounter, which Wine takes from one system
 * clock, so stamps of different processes compare) and is written with one
 * WriteFile call, so a reader never sees half a line:
 *
 *   T start hwnd=0x.. class=.. pid=N channel=visible:0x..|hidden:0x..|none:0x0
 *       keyhook=0x.. hook=0|1 picture=0x..|0x0 cwd="..." (the working folder)
 *   T keyhook hwnd=0x.. w=0x.. l=0x.. mtime=MS
 *   T keydown|keyup|syskeydown|syskeyup win=main|channel vk=0x.. l=0x..
 *       src=posted|input shift=0|1 ctrl=0|1 ashift=0|1 actrl=0|1 mtime=MS
 *   T activate wa=0|1|2 other=0x..        (WM_ACTIVATE)
 *   T activateapp on=0|1                  (WM_ACTIVATEAPP)
 *   T setfocus win=main|channel
 *   T lbuttondown|lbuttonup win=main|channel|picture x=N y=N mtime=MS
 *   T ll down|up vk=0x.. scan=0x.. inj=0|1 time=MS extra=0x.. flags=0x..
 *   T rawinput dev=VID:PID code=0x..     (--rawinput only)
 *   T close
 *   T dying vk=0x..|code=0x..             (--die-on-vk, --die-on-raw)
 *   T hung                                (--hung)
 *   T trayicon op=N owner=0x.. id=N flags=0x.. cb=0x..   (--tray; op is NIM_*)
 *   T traytip op=N tip="..."                              (--tray, with NIF_TIP)
 *   T trayballoon flags=0x.. title="..." text="..."       (--tray, with NIF_INFO; UTF-8)
 *
 * shift/ctrl are GetKeyState at the moment the key message is handled (the
 * state this thread has synchronised); ashift/actrl are GetAsyncKeyState,
 * the system-wide state at the same moment. mtime is GetMessageTime(): for a
 * posted message the tick count (ms) when it was posted, for input the time of
 * the event, so pauses on the sender's side can be told from delays in
 * handling here.
 *
 * src: a keyboard message that came through the input stream always carries a
 * repeat count of at least 1 in bits 0-15 of lParam; Korvanta posts WM_KEYDOWN
 * with lParam 0, and nobody else posts keys here. So a repeat count of 0 marks
 * a posted key. (GetMessageExtraInfo cannot tell the two apart: it reports the
 * last input message, not the one being handled.)
 *
 * "ll" lines come from a WH_KEYBOARD_LL hook: every key event on the system,
 * with its injected flag and its own time stamp, before any window sees it.
 * --no-hook leaves it out, for a second viewer whose log need not repeat them.
 *
 * The hwnd is also printed on stdout: "hwnd=0x..".
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static HANDLE log_file = INVALID_HANDLE_VALUE;
static LARGE_INTEGER qpc_freq;
static UINT keyhook_msg;
static HWND main_window, channel_window, picture_window;
static HHOOK ll_hook;
static int die_on_vk = -1, die_on_raw = -1;


static unsigned long long now_us( void )
{
    LARGE_INTEGER c;
    QueryPerformanceCounter( &c );
    return (unsigned long long)(c.QuadPart / qpc_freq.QuadPart) * 1000000ull +
           (unsigned long long)(c.QuadPart % qpc_freq.QuadPart) * 1000000ull / qpc_freq.QuadPart;
}

static void log_line( const char *fmt, ... )
{
    char line[2048];
    int n;
    DWORD done;
    va_list args;

    n = snprintf( line, sizeof(line), "%llu ", now_us() );
    va_start( args, fmt );
    n += vsnprintf( line + n, sizeof(line) - n - 1, fmt, args );
    va_end( args );
    if (n > (int)sizeof(line) - 2) n = sizeof(line) - 2;
    line[n++] = '\n';
    /* the file was opened for appending only, so each write lands at the end
     * even when several viewers share one log */
    WriteFile( log_file, line, n, &done, NULL );
}

static const char *window_name( HWND hwnd )
{
    return hwnd == channel_window ? "channel" : hwnd == picture_window ? "picture" : "main";
}

static int down( int vk ) { return (GetKeyState( vk ) & 0x8000) ? 1 : 0; }
static int async_down( int vk ) { return (GetAsyncKeyState( vk ) & 0x8000) ? 1 : 0; }

static void log_key( HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam )
{
    const char *what = msg == WM_KEYDOWN ? "keydown" : msg == WM_KEYUP ? "keyup" :
                       msg == WM_SYSKEYDOWN ? "syskeydown" : "syskeyup";
    log_line( "%s win=%s vk=0x%02x l=0x%lx src=%s shift=%d ctrl=%d ashift=%d actrl=%d mtime=%ld", what,
              window_name( hwnd ), (unsigned)wparam, (unsigned long)lparam,
              (lparam & 0xffff) ? "input" : "posted", down( VK_SHIFT ), down( VK_CONTROL ),
              async_down( VK_SHIFT ), async_down( VK_CONTROL ), GetMessageTime() );
}

/* Left-button messages, for the lock-on pick: the press that Korvanta's mouse
 * hook swallows must never show up here, while its release still does. */
static void log_button( HWND hwnd, UINT msg, LPARAM lparam )
{
    log_line( "%s win=%s x=%d y=%d mtime=%ld", msg == WM_LBUTTONDOWN ? "lbuttondown" : "lbuttonup",
              window_name( hwnd ), (short)LOWORD( lparam ), (short)HIWORD( lparam ), GetMessageTime() );
}

static LRESULT CALLBACK ll_keyboard( int code, WPARAM wparam, LPARAM lparam )
{
    if (code == HC_ACTION)
    {
        const KBDLLHOOKSTRUCT *k = (const KBDLLHOOKSTRUCT *)lparam;
        log_line( "ll %s vk=0x%02lx scan=0x%02lx inj=%d time=%lu extra=0x%llx flags=0x%lx",
                  (k->flags & LLKHF_UP) ? "up" : "down", k->vkCode, k->scanCode,
                  (k->flags & LLKHF_INJECTED) ? 1 : 0, k->time, (unsigned long long)k->dwExtraInfo, k->flags );
        if ((int)k->vkCode == die_on_vk)
        {
            log_line( "dying vk=0x%02x", die_on_vk );
            TerminateProcess( GetCurrentProcess(), 9 );
        }
    }
    return CallNextHookEx( ll_hook, code, wparam, lparam );
}

/* --rawinput: the consumer-control reports as a bare listener gets them, for
 * the benchmark's measure of the HID stack alone */
static void log_raw_input( LPARAM lparam )
{
    static BYTE buffer[1024];
    RAWINPUT *raw = (RAWINPUT *)buffer;
    UINT size = sizeof(buffer);
    RID_DEVICE_INFO info;
    UINT info_size = sizeof(info);
    unsigned code = 0x100;

    if (GetRawInputData( (HRAWINPUT)lparam, RID_INPUT, raw, &size, sizeof(RAWINPUTHEADER) ) == (UINT)-1) return;
    if (raw->header.dwType != RIM_TYPEHID) return;
    info.cbSize = sizeof(info);
    if (GetRawInputDeviceInfoW( raw->header.hDevice, RIDI_DEVICEINFO, &info, &info_size ) == (UINT)-1) return;
    if (raw->data.hid.dwCount && raw->data.hid.dwSizeHid > 6)
        code = raw->data.hid.bRawData[(raw->data.hid.dwCount - 1) * raw->data.hid.dwSizeHid + 6];
    log_line( "rawinput dev=%04lX:%04lX code=0x%02x", info.hid.dwVendorId, info.hid.dwProductId, code );
    if ((int)code == die_on_raw)
    {
        log_line( "dying code=0x%02x", code );
        TerminateProcess( GetCurrentProcess(), 9 );
    }
}

/* The record Wine 8's Shell_NotifyIconW sends the notification area in
 * WM_COPYDATA (dwData = NIM_ADD, NIM_MODIFY, ...): the owner window as a
 * 32-bit value, then the fields of NOTIFYICONDATA from the id on, the same
 * for 32-bit and 64-bit senders; the icon's bits follow. */
struct tray_request
{
    LONG owner;
    UINT id;
    UINT flags;
    UINT callback;
    WCHAR tip[128];
    DWORD state;
    DWORD state_mask;
    WCHAR info[256];
    UINT timeout;
    WCHAR info_title[64];
    DWORD info_flags;
};

/* UTF-8 of a text that may fill its field without a terminator; a quote
 * or a line break in it would end the log's field, so it shows as '?'. */
static const char *field_utf8( const WCHAR *text, int capacity, char *out, int out_size )
{
    int length = 0, n, i;
    while (length < capacity && text[length]) length++;
    n = WideCharToMultiByte( CP_UTF8, 0, text, length, out, out_size - 1, NULL, NULL );
    if (n < 0) n = 0;
    out[n] = 0;
    for (i = 0; i < n; i++) if (out[i] == '"' || out[i] == '\n' || out[i] == '\r') out[i] = '?';
    return out;
}

static void log_tray_request( const COPYDATASTRUCT *data )
{
    const struct tray_request *r = data->lpData;
    char title[256], text[800], tip[400];
    if (data->cbData < offsetof( struct tray_request, tip )) return;
    log_line( "trayicon op=%lu owner=0x%lx id=%u flags=0x%x cb=0x%x", (unsigned long)data->dwData,
              (unsigned long)r->owner, r->id, r->flags, r->callback );
    if (data->cbData < sizeof(*r)) return;
    if (r->flags & NIF_TIP)
        log_line( "traytip op=%lu tip=\"%s\"", (unsigned long)data->dwData,
                  field_utf8( r->tip, 128, tip, sizeof(tip) ) );
    if (r->flags & NIF_INFO)
        log_line( "trayballoon flags=0x%lx title=\"%s\" text=\"%s\"", (unsigned long)r->info_flags,
                  field_utf8( r->info_title, 64, title, sizeof(title) ),
                  field_utf8( r->info, 256, text, sizeof(text) ) );
}

static LRESULT CALLBACK channel_proc( HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam )
{
    switch (msg)
    {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
        log_key( hwnd, msg, wparam, lparam );
        return 0;
    case WM_SETFOCUS:
        log_line( "setfocus win=channel" );
        return 0;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
        log_button( hwnd, msg, lparam );
        return 0;
    }
    return DefWindowProcW( hwnd, msg, wparam, lparam );
}

static LRESULT CALLBACK picture_proc( HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam )
{
    switch (msg)
    {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
        log_key( hwnd, msg, wparam, lparam );
        return 0;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
        log_button( hwnd, msg, lparam );
        return 0;
    }
    return DefWindowProcW( hwnd, msg, wparam, lparam );
}

static LRESULT CALLBACK main_proc( HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam )
{
    if (msg == keyhook_msg && keyhook_msg)
    {
        log_line( "keyhook hwnd=0x%llx w=0x%llx l=0x%llx mtime=%ld", (unsigned long long)(ULONG_PTR)hwnd,
                  (unsigned long long)wparam, (unsigned long long)lparam, GetMessageTime() );
        return 0;
    }
    switch (msg)
    {
    case WM_INPUT:
        log_raw_input( lparam );
        break;
    case WM_COPYDATA:
        log_tray_request( (const COPYDATASTRUCT *)lparam );
        return TRUE;
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
        log_key( hwnd, msg, wparam, lparam );
        /* no DefWindowProc for system keys: F10/Alt must not open a menu */
        return 0;
    case WM_ACTIVATE:
        log_line( "activate wa=%u other=0x%llx", (unsigned)LOWORD( wparam ), (unsigned long long)(ULONG_PTR)lparam );
        break;
    case WM_ACTIVATEAPP:
        log_line( "activateapp on=%d", wparam ? 1 : 0 );
        break;
    case WM_SETFOCUS:
        log_line( "setfocus win=main" );
        break;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
        log_button( hwnd, msg, lparam );
        break;
    case WM_CLOSE:
        log_line( "close" );
        DestroyWindow( hwnd );
        return 0;
    case WM_DESTROY:
        PostQuitMessage( 0 );
        return 0;
    }
    return DefWindowProcW( hwnd, msg, wparam, lparam );
}

static void usage( void )
{
    fprintf( stderr, "usage: standin CLASS LOGFILE [--channel visible|hidden] [--owner-of HWND]"
                     " [--title TEXT] [--topmost] [--foreground] [--no-hook] [--rawinput]"
                     " [--pos X Y] [--picture] [--die-on-vk VK] [--die-on-raw CODE] [--tray] [--hung]\n" );
    exit( 2 );
}

int wmain( int argc, wchar_t **argv )
{
    const wchar_t *class_name, *log_path, *title = L"stand-in viewer";
    int channel = 0, channel_visible = 0, topmost = 0, foreground = 0, hook = 1, rawinput = 0, picture = 0, tray = 0, hung = 0, i;
    int fullscreen = 0;
    int x = 60, y = 60;
    HWND owner = NULL;
    WNDCLASSW wc;
    MSG msg;

    if (argc < 3) usage();
    class_name = argv[1];
    log_path = argv[2];
    for (i = 3; i < argc; i++)
    {
        if (!wcscmp( argv[i], L"--channel" ) && i + 1 < argc)
        {
            channel = 1;
            channel_visible = !wcscmp( argv[++i], L"visible" );
        }
        else if (!wcscmp( argv[i], L"--owner-of" ) && i + 1 < argc)
            owner = (HWND)(ULONG_PTR)wcstoull( argv[++i], NULL, 0 );
        else if (!wcscmp( argv[i], L"--title" ) && i + 1 < argc) title = argv[++i];
        else if (!wcscmp( argv[i], L"--topmost" )) topmost = 1;
        else if (!wcscmp( argv[i], L"--fullscreen" )) fullscreen = 1;
        else if (!wcscmp( argv[i], L"--foreground" )) foreground = 1;
        else if (!wcscmp( argv[i], L"--no-hook" )) hook = 0;
        else if (!wcscmp( argv[i], L"--rawinput" )) rawinput = 1;
        else if (!wcscmp( argv[i], L"--picture" )) picture = 1;
        else if (!wcscmp( argv[i], L"--tray" )) tray = 1;
        else if (!wcscmp( argv[i], L"--hung" )) hung = 1;
        else if (!wcscmp( argv[i], L"--die-on-vk" ) && i + 1 < argc) die_on_vk = (int)wcstol( argv[++i], NULL, 0 );
        else if (!wcscmp( argv[i], L"--die-on-raw" ) && i + 1 < argc) die_on_raw = (int)wcstol( argv[++i], NULL, 0 );
        else if (!wcscmp( argv[i], L"--pos" ) && i + 2 < argc)
        {
            x = (int)wcstol( argv[i + 1], NULL, 0 );
            y = (int)wcstol( argv[i + 2], NULL, 0 );
            i += 2;
        }
        else usage();
    }

    if (hung) hook = 0;
    QueryPerformanceFrequency( &qpc_freq );
    log_file = CreateFileW( log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL );
    if (log_file == INVALID_HANDLE_VALUE)
    {
        fprintf( stderr, "standin: cannot open log %ls: %lu\n", log_path, GetLastError() );
        return 1;
    }

    /* the number comes from the system, as Korvanta gets it: both processes
     * registering the same name must agree on it */
    keyhook_msg = RegisterWindowMessageW( L"TVTest KeyHook" );

    memset( &wc, 0, sizeof(wc) );
    wc.lpfnWndProc = main_proc;
    wc.hInstance = GetModuleHandleW( NULL );
    wc.hCursor = LoadCursorW( NULL, (LPCWSTR)IDC_ARROW );
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = class_name;
    if (!RegisterClassW( &wc ))
    {
        fprintf( stderr, "standin: cannot register class: %lu\n", GetLastError() );
        return 1;
    }
    wc.lpfnWndProc = channel_proc;
    wc.hbrBackground = (HBRUSH)(COLOR_HIGHLIGHT + 1);
    wc.lpszClassName = L"TVTest Channel Display";
    if (channel && wcscmp( class_name, wc.lpszClassName ) && !RegisterClassW( &wc ))
    {
        fprintf( stderr, "standin: cannot register channel class: %lu\n", GetLastError() );
        return 1;
    }

    if (fullscreen)
        main_window = CreateWindowExW( topmost ? WS_EX_TOPMOST : 0, class_name, title, WS_POPUP | WS_VISIBLE, 0, 0,
                                       GetSystemMetrics( SM_CXSCREEN ), GetSystemMetrics( SM_CYSCREEN ), owner, NULL,
                                       wc.hInstance, NULL );
    else
        main_window = CreateWindowExW( topmost ? WS_EX_TOPMOST : 0, class_name, title,
                                       (owner ? WS_POPUP | WS_CAPTION : WS_OVERLAPPEDWINDOW) | WS_VISIBLE,
                                       x, y, 400, 300, owner, NULL, wc.hInstance, NULL );
    if (!main_window)
    {
        fprintf( stderr, "standin: cannot create window: %lu\n", GetLastError() );
        return 1;
    }
    if (channel)
        channel_window = CreateWindowExW( 0, L"TVTest Channel Display", L"", WS_CHILD | (channel_visible ? WS_VISIBLE : 0),
                                          10, 10, 120, 40, main_window, NULL, wc.hInstance, NULL );
    if (picture)
    {
        RECT client;
        wc.lpfnWndProc = picture_proc;
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOWTEXT + 1);
        wc.lpszClassName = L"Stand-in Picture";
        if (!RegisterClassW( &wc ))
        {
            fprintf( stderr, "standin: cannot register picture class: %lu\n", GetLastError() );
            return 1;
        }
        GetClientRect( main_window, &client );
        /* below the channel display in the child z-order, so the display
         * stays on top where the two overlap */
        picture_window = CreateWindowExW( 0, L"Stand-in Picture", L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                          client.bottom, main_window, NULL, wc.hInstance, NULL );
        if (channel_window)
            SetWindowPos( picture_window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE );
    }
    if (hook) ll_hook = SetWindowsHookExW( WH_KEYBOARD_LL, ll_keyboard, wc.hInstance, 0 );
    if (rawinput)
    {
        RAWINPUTDEVICE device = {0x0C, 0x01, RIDEV_INPUTSINK, main_window};
        RegisterRawInputDevices( &device, 1, sizeof(device) );
    }
    UpdateWindow( main_window );
    if (foreground)
    {
        SetForegroundWindow( main_window );
        SetFocus( main_window );
    }

    {
        WCHAR folder[MAX_PATH] = L"";
        char cwd[3 * MAX_PATH];
        GetCurrentDirectoryW( MAX_PATH, folder );
        log_line( "start hwnd=0x%llx class=%ls pid=%lu channel=%s0x%llx keyhook=0x%x hook=%d picture=0x%llx cwd=\"%s\"",
                  (unsigned long long)(ULONG_PTR)main_window, class_name, GetCurrentProcessId(),
                  channel_window ? (channel_visible ? "visible:" : "hidden:") : "none:",
                  (unsigned long long)(ULONG_PTR)channel_window, keyhook_msg, ll_hook ? 1 : 0,
                  (unsigned long long)(ULONG_PTR)picture_window, field_utf8( folder, MAX_PATH, cwd, sizeof(cwd) ) );
    }
    printf( "hwnd=0x%llx\n", (unsigned long long)(ULONG_PTR)main_window );
    fflush( stdout );
    if (tray) PostMessageW( HWND_BROADCAST, RegisterWindowMessageW( L"TaskbarCreated" ), 0, 0 );
    if (hung)
    {
        log_line( "hung" );
        for (;;) Sleep( INFINITE );
    }

    while (GetMessageW( &msg, NULL, 0, 0 ) > 0)
    {
        TranslateMessage( &msg );
        DispatchMessageW( &msg );
    }
    if (ll_hook) UnhookWindowsHookEx( ll_hook );
    CloseHandle( log_file );
    return 0;
}
