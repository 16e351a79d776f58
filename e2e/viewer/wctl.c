/*
 * wctl.exe: arranges and pokes windows for the end-to-end tests.
 *
 *   wctl find CLASS              top-level windows of CLASS, top of the z-order first:
 *                                one "0x.." per line; exit 1 when there is none
 *   wctl wait CLASS [SECONDS]    the same, once at least one exists
 *   wctl wait-gone HWND [SECONDS]
 *   wctl foreground HWND         raises HWND to the top of the z-order and makes it
 *                                the foreground window; waits until it holds
 *   wctl front HWND              to the top of the z-order without activating it
 *   wctl bottom HWND             to the bottom of the z-order without activating it
 *   wctl fg                      the foreground window: "0x.. CLASS" or "none"
 *   wctl zorder                  every visible top-level window, top first: "0x.. CLASS"
 *   wctl post HWND MSG W L       PostMessageW; MSG may be "keyhook" for the
 *                                registered "TVTest KeyHook" message, or the
 *                                name of any other registered message
 *                                ("TaskbarCreated"); HWND 0xffff broadcasts
 *   wctl send HWND MSG W L       SendMessageTimeoutW (5 s), prints the result
 *   wctl close HWND              posts WM_CLOSE
 *   wctl click X Y               a left click at screen point X,Y through the input
 *                                stream (SendInput: move there, press, release, each
 *                                injected on its own); prints "X Y 0x.. CLASS", the
 *                                point and the window that was under it beforehand
 *   wctl click-window HWND       the same at the centre of HWND's client area
 *   wctl cursor                  the cursor position: "X Y"
 *   wctl children HWND           the child windows of HWND, top first: "0x.. CLASS"
 *   wctl rect HWND               the window's rectangle on the screen and whether it is
 *                                visible: "LEFT TOP RIGHT BOTTOM 0|1"
 *   wctl closebox HWND           a screen point on the close box of HWND's caption,
 *                                as the window's own hit test reports it: "X Y"
 *   wctl pid HWND                the process id of the program that owns HWND
 *   wctl item HWND ID            the dialog HWND's control of that id: "0x.."
 *   wctl text HWND               the window's text (WM_GETTEXT), in UTF-8
 *   wctl iconic HWND             whether the window is minimised (IsIconic): "1" or "0"
 *   wctl lbtext HWND             the selected item of a list box (LB_GETTEXT), in UTF-8;
 *                                "none" when none is selected
 *   wctl key VK...               taps each virtual key through the input stream
 *                                (SendInput, press and release)
 *   wctl ping HWND [MS]          SendMessageTimeoutW of WM_NULL, answered within MS
 *                                (default 1000): prints the milliseconds it took
 *   wctl modifiers               the system-wide state of Shift and Ctrl
 *                                (GetAsyncKeyState): "shift=0|1 ctrl=0|1"
 *   wctl hold PATH               opens the file with no sharing and keeps it open
 *                                (in serve mode, until "unhold" or the end)
 *   wctl watch PATH              opens the file as a program showing it live does
 *                                (Get-Content -Wait, a tail tool): to read, sharing
 *                                reading and writing but not deleting; kept open
 *                                as "hold" keeps it
 *   wctl unhold                  closes the file "hold" or "watch" opened
 *   wctl kill PID                TerminateProcess of that process, exit code 9
 *   wctl balloons                the notification area's balloons on screen (visible
 *                                top-level tooltips of the balloon style), one
 *                                "0x.. X,Y WxH" per line
 *   wctl now                     the QueryPerformanceCounter clock in microseconds
 *   wctl sleep MS
 *   wctl serve                   "ready", then one command per stdin line; each
 *                                answer ends with a line "ok" or "error: ..."
 *
 * Numbers take C notation (0x.. hexadecimal, else decimal). Serve mode exists
 * because starting a Wine process costs a few hundred milliseconds; a test
 * keeps one wctl running and talks to it.
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <io.h>
#include <fcntl.h>

static char last_error[256];

static int fail( const char *fmt, ... )
{
    va_list args;
    va_start( args, fmt );
    vsnprintf( last_error, sizeof(last_error), fmt, args );
    va_end( args );
    return 0;
}

static unsigned long long number( const char *s ) { return strtoull( s, NULL, 0 ); }
static HWND window_arg( const char *s ) { return (HWND)(ULONG_PTR)number( s ); }

static unsigned long long now_us( void )
{
    LARGE_INTEGER c, f;
    QueryPerformanceFrequency( &f );
    QueryPerformanceCounter( &c );
    return (unsigned long long)(c.QuadPart / f.QuadPart) * 1000000ull +
           (unsigned long long)(c.QuadPart % f.QuadPart) * 1000000ull / f.QuadPart;
}

static void class_of( HWND hwnd, char *out, int len )
{
    WCHAR name[256];
    if (!GetClassNameW( hwnd, name, 256 )) name[0] = 0;
    WideCharToMultiByte( CP_UTF8, 0, name, -1, out, len, NULL, NULL );
}

/* Walks the top-level z-order from the top (GetTopWindow(NULL) and
 * GW_HWNDNEXT): the same order Korvanta's search follows. */
static int list_windows( const char *want, int only_visible )
{
    HWND hwnd;
    int found = 0;
    char name[512];

    for (hwnd = GetTopWindow( NULL ); hwnd; hwnd = GetWindow( hwnd, GW_HWNDNEXT ))
    {
        class_of( hwnd, name, sizeof(name) );
        if (want && strcmp( name, want )) continue;
        if (only_visible && !IsWindowVisible( hwnd )) continue;
        if (want) printf( "0x%llx\n", (unsigned long long)(ULONG_PTR)hwnd );
        else printf( "0x%llx %s\n", (unsigned long long)(ULONG_PTR)hwnd, name );
        found++;
    }
    return found;
}

static int cmd_balloons( void )
{
    HWND hwnd;
    char name[512];
    RECT rect;

    for (hwnd = GetTopWindow( NULL ); hwnd; hwnd = GetWindow( hwnd, GW_HWNDNEXT ))
    {
        class_of( hwnd, name, sizeof(name) );
        if (strcmp( name, "tooltips_class32" ) || !IsWindowVisible( hwnd )) continue;
        if (!(GetWindowLongW( hwnd, GWL_STYLE ) & 0x40 /* TTS_BALLOON */)) continue;
        GetWindowRect( hwnd, &rect );
        printf( "0x%llx %ld,%ld %ldx%ld\n", (unsigned long long)(ULONG_PTR)hwnd, rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top );
    }
    return 1;
}

static int cmd_foreground( HWND hwnd )
{
    int i;
    if (!IsWindow( hwnd )) return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    /* Windows raises a window that comes to the foreground; Wine without a
     * window manager only activates it, so the tests raise it themselves to
     * get the z-order a desktop would have */
    SetWindowPos( hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE );
    for (i = 0; i < 100; i++)
    {
        if (i % 10 == 0) SetForegroundWindow( hwnd );
        if (GetForegroundWindow() == hwnd) return 1;
        Sleep( 20 );
    }
    return fail( "0x%llx did not come to the foreground", (unsigned long long)(ULONG_PTR)hwnd );
}

static int cmd_fg( void )
{
    HWND hwnd = GetForegroundWindow();
    char name[512];
    if (!hwnd) printf( "none\n" );
    else
    {
        class_of( hwnd, name, sizeof(name) );
        printf( "0x%llx %s\n", (unsigned long long)(ULONG_PTR)hwnd, name );
    }
    return 1;
}

/* Absolute mouse coordinates run from 0 to 65535 over the primary monitor;
 * the system maps them back to pixels as coordinate * width / 65536, rounded
 * down, so rounding up here lands on the pixel asked for. */
static LONG normalised( int pixel, int extent )
{
    long long n = ((long long)pixel * 65536 + extent - 1) / extent;
    return n > 65535 ? 65535 : n < 0 ? 0 : (LONG)n;
}

static int cmd_click( int x, int y )
{
    INPUT input;
    POINT point = {x, y};
    HWND under = WindowFromPoint( point );
    char name[512];
    DWORD buttons[] = {MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    int i;

    class_of( under, name, sizeof(name) );
    /* one SendInput call per event, as three separate hardware events would
     * come: a low-level hook sees each one before any window does, and the
     * call returns only once the hooks have answered for it */
    for (i = 0; i < 3; i++)
    {
        memset( &input, 0, sizeof(input) );
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = buttons[i];
        if (buttons[i] & MOUSEEVENTF_ABSOLUTE)
        {
            input.mi.dx = normalised( x, GetSystemMetrics( SM_CXSCREEN ) );
            input.mi.dy = normalised( y, GetSystemMetrics( SM_CYSCREEN ) );
        }
        if (SendInput( 1, &input, sizeof(input) ) != 1) return fail( "SendInput: %lu", GetLastError() );
    }
    printf( "%d %d 0x%llx %s\n", x, y, (unsigned long long)(ULONG_PTR)under, name );
    return 1;
}

static int cmd_click_window( HWND hwnd )
{
    RECT client;
    POINT centre;
    if (!IsWindow( hwnd ) || !GetClientRect( hwnd, &client ))
        return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    centre.x = client.right / 2;
    centre.y = client.bottom / 2;
    ClientToScreen( hwnd, &centre );
    return cmd_click( centre.x, centre.y );
}

static int cmd_children( HWND parent )
{
    HWND hwnd;
    char name[512];

    if (!IsWindow( parent )) return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)parent );
    for (hwnd = GetWindow( parent, GW_CHILD ); hwnd; hwnd = GetWindow( hwnd, GW_HWNDNEXT ))
    {
        class_of( hwnd, name, sizeof(name) );
        printf( "0x%llx %s\n", (unsigned long long)(ULONG_PTR)hwnd, name );
    }
    return 1;
}

static int cmd_rect( HWND hwnd )
{
    RECT rect;
    if (!IsWindow( hwnd ) || !GetWindowRect( hwnd, &rect ))
        return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    printf( "%ld %ld %ld %ld %d\n", rect.left, rect.top, rect.right, rect.bottom, IsWindowVisible( hwnd ) ? 1 : 0 );
    return 1;
}

static int print_utf8( const WCHAR *text )
{
    char out[4096];
    if (!WideCharToMultiByte( CP_UTF8, 0, text, -1, out, sizeof(out), NULL, NULL )) return fail( "text too long" );
    printf( "%s\n", out );
    return 1;
}

/* Both asked of the window's own thread, which copies the text across. */
static int cmd_text( HWND hwnd )
{
    WCHAR text[1024];
    DWORD_PTR length = 0;
    if (!IsWindow( hwnd )) return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    if (!SendMessageTimeoutW( hwnd, WM_GETTEXT, ARRAYSIZE(text), (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &length ))
        return fail( "no answer" );
    text[length < ARRAYSIZE(text) ? length : ARRAYSIZE(text) - 1] = 0;
    return print_utf8( text );
}

static int cmd_lbtext( HWND hwnd )
{
    WCHAR text[1024];
    DWORD_PTR selected = 0, length = 0;
    if (!SendMessageTimeoutW( hwnd, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selected ))
        return fail( "no answer" );
    if ((LONG_PTR)selected < 0) { printf( "none\n" ); return 1; }
    if (!SendMessageTimeoutW( hwnd, LB_GETTEXTLEN, selected, 0, SMTO_ABORTIFHUNG, 5000, &length ) ||
        length >= ARRAYSIZE(text))
        return fail( "no text" );
    if (!SendMessageTimeoutW( hwnd, LB_GETTEXT, selected, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &length ))
        return fail( "no answer" );
    text[length] = 0;
    return print_utf8( text );
}

/* The close box is drawn by whoever draws the frame (Wine itself when no
 * window manager runs), so its place is asked of the window: along the middle
 * of the caption, from the right, the points whose WM_NCHITTEST is HTCLOSE;
 * the middle of that run. */
static int cmd_closebox( HWND hwnd )
{
    RECT rect;
    int caption = GetSystemMetrics( SM_CYCAPTION ), y, x, first = -1, last = -1;
    DWORD_PTR hit;

    if (!IsWindow( hwnd ) || !GetWindowRect( hwnd, &rect ))
        return fail( "no window 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    for (y = rect.top + 1; y < rect.top + 2 * caption && first < 0; y++)
        for (x = rect.right - 1; x > rect.left && x > rect.right - 4 * caption; x--)
        {
            if (!SendMessageTimeoutW( hwnd, WM_NCHITTEST, 0, MAKELPARAM( x, y ), SMTO_ABORTIFHUNG, 2000, &hit ))
                return fail( "WM_NCHITTEST: %lu", GetLastError() );
            if (hit == HTCLOSE) { if (first < 0) first = x; last = x; }
            else if (first >= 0) break;
        }
    if (first < 0) return fail( "no close box on 0x%llx", (unsigned long long)(ULONG_PTR)hwnd );
    /* the run was found on its first row: go down to the middle of the box */
    printf( "%d %d\n", (first + last) / 2, y - 1 + (first - last) / 2 );
    return 1;
}

static int cmd_key( int count, char **vks )
{
    INPUT input;
    int i, up;

    for (i = 0; i < count; i++)
        for (up = 0; up < 2; up++)
        {
            memset( &input, 0, sizeof(input) );
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = (WORD)number( vks[i] );
            input.ki.wScan = (WORD)MapVirtualKeyW( input.ki.wVk, 0 );
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            if (SendInput( 1, &input, sizeof(input) ) != 1) return fail( "SendInput: %lu", GetLastError() );
        }
    return 1;
}

static HANDLE held_file = INVALID_HANDLE_VALUE;

static int cmd_ping( HWND hwnd, DWORD ms )
{
    unsigned long long t0 = now_us();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW( hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, ms, &result ))
        return fail( "no answer within %lu ms: %lu", ms, GetLastError() );
    printf( "%llu\n", (now_us() - t0) / 1000 );
    return 1;
}

static int cmd_hold( const char *path, DWORD access, DWORD sharing )
{
    if (held_file != INVALID_HANDLE_VALUE) return fail( "already holding a file" );
    held_file = CreateFileA( path, access, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL );
    return held_file != INVALID_HANDLE_VALUE ? 1 : fail( "CreateFile %s: %lu", path, GetLastError() );
}

static int cmd_kill( DWORD pid )
{
    HANDLE process = OpenProcess( PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid );
    int ok;
    if (!process) return fail( "OpenProcess %lu: %lu", pid, GetLastError() );
    ok = TerminateProcess( process, 9 ) && WaitForSingleObject( process, 10000 ) == WAIT_OBJECT_0;
    if (!ok) fail( "TerminateProcess %lu: %lu", pid, GetLastError() );
    CloseHandle( process );
    return ok;
}

static UINT message_arg( const char *s )
{
    if (!strcmp( s, "keyhook" )) return RegisterWindowMessageW( L"TVTest KeyHook" );
    if (s[0] < '0' || s[0] > '9') return RegisterWindowMessageA( s );
    return (UINT)number( s );
}

static int run( int argc, char **argv )
{
    const char *cmd = argv[0];
    double seconds;
    int i;

    last_error[0] = 0;
    if (!strcmp( cmd, "find" ) && argc == 2)
        return list_windows( argv[1], 0 ) ? 1 : fail( "none" );
    if (!strcmp( cmd, "wait" ) && argc >= 2)
    {
        seconds = argc > 2 ? atof( argv[2] ) : 30;
        for (i = 0; i < seconds * 20; i++)
        {
            if (list_windows( argv[1], 0 )) return 1;
            Sleep( 50 );
        }
        return fail( "no window of class %s", argv[1] );
    }
    if (!strcmp( cmd, "wait-gone" ) && argc >= 2)
    {
        seconds = argc > 2 ? atof( argv[2] ) : 30;
        for (i = 0; i < seconds * 20; i++)
        {
            if (!IsWindow( window_arg( argv[1] ) )) return 1;
            Sleep( 50 );
        }
        return fail( "window still there" );
    }
    if (!strcmp( cmd, "foreground" ) && argc == 2) return cmd_foreground( window_arg( argv[1] ) );
    if (!strcmp( cmd, "front" ) && argc == 2)
        return SetWindowPos( window_arg( argv[1] ), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE )
                   ? 1 : fail( "SetWindowPos: %lu", GetLastError() );
    if (!strcmp( cmd, "bottom" ) && argc == 2)
        return SetWindowPos( window_arg( argv[1] ), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE )
                   ? 1 : fail( "SetWindowPos: %lu", GetLastError() );
    if (!strcmp( cmd, "fg" ) && argc == 1) return cmd_fg();
    if (!strcmp( cmd, "zorder" ) && argc == 1) { list_windows( NULL, 1 ); return 1; }
    if (!strcmp( cmd, "post" ) && argc == 5)
        return PostMessageW( window_arg( argv[1] ), message_arg( argv[2] ), (WPARAM)number( argv[3] ),
                             (LPARAM)number( argv[4] ) )
                   ? 1 : fail( "PostMessageW: %lu", GetLastError() );
    if (!strcmp( cmd, "send" ) && argc == 5)
    {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW( window_arg( argv[1] ), message_arg( argv[2] ), (WPARAM)number( argv[3] ),
                                  (LPARAM)number( argv[4] ), SMTO_ABORTIFHUNG, 5000, &result ))
            return fail( "SendMessageTimeoutW: %lu", GetLastError() );
        printf( "0x%llx\n", (unsigned long long)result );
        return 1;
    }
    if (!strcmp( cmd, "close" ) && argc == 2)
        return PostMessageW( window_arg( argv[1] ), WM_CLOSE, 0, 0 ) ? 1 : fail( "PostMessageW: %lu", GetLastError() );
    if (!strcmp( cmd, "click" ) && argc == 3) return cmd_click( (int)number( argv[1] ), (int)number( argv[2] ) );
    if (!strcmp( cmd, "click-window" ) && argc == 2) return cmd_click_window( window_arg( argv[1] ) );
    if (!strcmp( cmd, "cursor" ) && argc == 1)
    {
        POINT p;
        if (!GetCursorPos( &p )) return fail( "GetCursorPos: %lu", GetLastError() );
        printf( "%ld %ld\n", p.x, p.y );
        return 1;
    }
    if (!strcmp( cmd, "children" ) && argc == 2) return cmd_children( window_arg( argv[1] ) );
    if (!strcmp( cmd, "rect" ) && argc == 2) return cmd_rect( window_arg( argv[1] ) );
    if (!strcmp( cmd, "closebox" ) && argc == 2) return cmd_closebox( window_arg( argv[1] ) );
    if (!strcmp( cmd, "pid" ) && argc == 2)
    {
        DWORD pid = 0;
        if (!GetWindowThreadProcessId( window_arg( argv[1] ), &pid )) return fail( "no window %s", argv[1] );
        printf( "%lu\n", pid );
        return 1;
    }
    if (!strcmp( cmd, "key" ) && argc >= 2) return cmd_key( argc - 1, argv + 1 );
    if (!strcmp( cmd, "item" ) && argc == 3)
    {
        HWND item = GetDlgItem( window_arg( argv[1] ), (int)number( argv[2] ) );
        if (!item) return fail( "no control %s", argv[2] );
        printf( "0x%llx\n", (unsigned long long)(ULONG_PTR)item );
        return 1;
    }
    if (!strcmp( cmd, "text" ) && argc == 2) return cmd_text( window_arg( argv[1] ) );
    if (!strcmp( cmd, "iconic" ) && argc == 2)
    {
        printf( "%d\n", IsIconic( window_arg( argv[1] ) ) ? 1 : 0 );
        return 1;
    }
    if (!strcmp( cmd, "lbtext" ) && argc == 2) return cmd_lbtext( window_arg( argv[1] ) );
    if (!strcmp( cmd, "ping" ) && argc >= 2)
        return cmd_ping( window_arg( argv[1] ), argc > 2 ? (DWORD)number( argv[2] ) : 1000 );
    if (!strcmp( cmd, "modifiers" ) && argc == 1)
    {
        printf( "shift=%d ctrl=%d\n", (GetAsyncKeyState( VK_SHIFT ) & 0x8000) ? 1 : 0,
                (GetAsyncKeyState( VK_CONTROL ) & 0x8000) ? 1 : 0 );
        return 1;
    }
    if (!strcmp( cmd, "hold" ) && argc == 2) return cmd_hold( argv[1], GENERIC_READ | GENERIC_WRITE, 0 );
    if (!strcmp( cmd, "watch" ) && argc == 2)
        return cmd_hold( argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE );
    if (!strcmp( cmd, "unhold" ) && argc == 1)
    {
        if (held_file == INVALID_HANDLE_VALUE) return fail( "no file held" );
        CloseHandle( held_file );
        held_file = INVALID_HANDLE_VALUE;
        return 1;
    }
    if (!strcmp( cmd, "kill" ) && argc == 2) return cmd_kill( (DWORD)number( argv[1] ) );
    if (!strcmp( cmd, "balloons" ) && argc == 1) return cmd_balloons();
    if (!strcmp( cmd, "now" ) && argc == 1) { printf( "%llu\n", now_us() ); return 1; }
    if (!strcmp( cmd, "sleep" ) && argc == 2) { Sleep( (DWORD)number( argv[1] ) ); return 1; }
    return fail( "bad command '%s' (%d arguments)", cmd, argc - 1 );
}

static int serve( void )
{
    char line[1024];

    printf( "ready\n" );
    while (fgets( line, sizeof(line), stdin ))
    {
        char *argv[16], *p = line;
        int argc = 0;

        /* words split at blanks; a class name with blanks comes in double quotes */
        while (*p && argc < 16)
        {
            while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
            if (!*p) break;
            if (*p == '"')
            {
                argv[argc++] = ++p;
                while (*p && *p != '"') p++;
            }
            else
            {
                argv[argc++] = p;
                while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') p++;
            }
            if (*p) *p++ = 0;
        }
        if (!argc || argv[0][0] == '#') continue;
        if (!strcmp( argv[0], "quit" )) break;
        if (run( argc, argv )) printf( "ok\n" );
        else printf( "error: %s\n", last_error );
    }
    return 1;
}

int main( int argc, char **argv )
{
    int ok;

    _setmode( _fileno( stdout ), _O_BINARY );
    setvbuf( stdout, NULL, _IONBF, 0 );
    if (argc < 2)
    {
        fprintf( stderr, "usage: wctl find|wait CLASS | wait-gone HWND | foreground|front|bottom|close HWND |"
                         " fg | zorder | post|send HWND MSG W L | click X Y | click-window HWND | cursor |"
                         " children|pid|rect|closebox HWND | key VK... | ping HWND [MS] | modifiers | hold|watch PATH | unhold | kill PID | now | sleep MS | serve\n" );
        return 2;
    }
    if (!strcmp( argv[1], "serve" )) return serve() ? 0 : 1;
    ok = run( argc - 1, argv + 1 );
    if (!ok) fprintf( stderr, "wctl: %s\n", last_error );
    return ok ? 0 : 1;
}
