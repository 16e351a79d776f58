/*
 * kvlatency.exe: the sending half of the latency benchmark. It stamps each
 * send with QueryPerformanceCounter (microseconds; one clock for every
 * process under Wine), so that the stand-in viewer's receipt stamps can be
 * set against them.
 *
 *   kvlatency keys CODE COUNT INTERVAL_MS
 *       COUNT presses of CODE on the virtual receiver, each followed by a
 *       release half an interval later, so every press passes the repeat
 *       filter; prints "push SEQ T_US" just before each press report goes in.
 *   kvlatency post HWND COUNT INTERVAL_MS
 *       COUNT "TVTest KeyHook" messages posted straight to HWND, wParam
 *       0x1000 + SEQ and lParam 0 (Korvanta's lParam always has bit 0 set, so
 *       the two kinds cannot be mixed up); prints "post SEQ T_US" just before
 *       each PostMessageW.
 *
 * Both run in this one process, so the baseline pays the same costs of
 * being a separate program that the receiver path does.
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>
#include <setupapi.h>
#include <hidsdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <io.h>
#include <fcntl.h>

#include "kvshared.h"

static LARGE_INTEGER freq;

static unsigned long long now_us( void )
{
    LARGE_INTEGER c;
    QueryPerformanceCounter( &c );
    return (unsigned long long)(c.QuadPart / freq.QuadPart) * 1000000ull +
           (unsigned long long)(c.QuadPart % freq.QuadPart) * 1000000ull / freq.QuadPart;
}

/* The receiver's HID device, found through HID enumeration as the feeder finds it. */
static HANDLE open_receiver( void )
{
    SP_DEVICE_INTERFACE_DATA iface;
    SP_DEVICE_INTERFACE_DETAIL_DATA_W *detail;
    char buffer[sizeof(*detail) + MAX_PATH * sizeof(WCHAR) * 2];
    HANDLE found = INVALID_HANDLE_VALUE;
    HDEVINFO set;
    GUID guid;
    DWORD i;

    iface.cbSize = sizeof(iface);
    HidD_GetHidGuid( &guid );
    set = SetupDiGetClassDevsW( &guid, NULL, NULL, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT );
    if (set == INVALID_HANDLE_VALUE) return found;
    detail = (SP_DEVICE_INTERFACE_DETAIL_DATA_W *)buffer;
    for (i = 0; found == INVALID_HANDLE_VALUE && SetupDiEnumDeviceInterfaces( set, NULL, &guid, i, &iface ); i++)
    {
        HIDD_ATTRIBUTES attr;
        HANDLE handle;

        attr.Size = sizeof(attr);
        detail->cbSize = sizeof(*detail);
        if (!SetupDiGetDeviceInterfaceDetailW( set, &iface, detail, sizeof(buffer), NULL, NULL )) continue;
        handle = CreateFileW( detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL );
        if (handle == INVALID_HANDLE_VALUE) continue;
        if (HidD_GetAttributes( handle, &attr ) && attr.VendorID == KV_RECEIVER_VID && attr.ProductID == KV_RECEIVER_PID)
            found = handle;
        else CloseHandle( handle );
    }
    SetupDiDestroyDeviceInfoList( set );
    return found;
}

static int push( HANDLE device, BYTE code )
{
    BYTE report[KV_REPORT_LEN] = {0};
    DWORD done;
    report[KV_CODE_INDEX] = code;
    return DeviceIoControl( device, KV_IOCTL_PUSH_REPORT, report, sizeof(report), NULL, 0, &done, NULL );
}

static int keys( BYTE code, int count, DWORD interval )
{
    HANDLE device = open_receiver();
    int i;

    if (device == INVALID_HANDLE_VALUE)
    {
        fprintf( stderr, "kvlatency: receiver not found\n" );
        return 1;
    }
    for (i = 1; i <= count; i++)
    {
        unsigned long long t = now_us();
        if (!push( device, code )) { fprintf( stderr, "kvlatency: push failed: %lu\n", GetLastError() ); return 1; }
        printf( "push %d %llu\n", i, t );
        Sleep( interval / 2 );
        if (!push( device, 0 )) { fprintf( stderr, "kvlatency: push failed: %lu\n", GetLastError() ); return 1; }
        Sleep( interval - interval / 2 );
    }
    CloseHandle( device );
    return 0;
}

static int post( HWND target, int count, DWORD interval )
{
    UINT message = RegisterWindowMessageW( L"TVTest KeyHook" );
    int i;

    for (i = 1; i <= count; i++)
    {
        unsigned long long t = now_us();
        if (!PostMessageW( target, message, 0x1000 + i, 0 ))
        {
            fprintf( stderr, "kvlatency: PostMessageW failed: %lu\n", GetLastError() );
            return 1;
        }
        printf( "post %d %llu\n", i, t );
        Sleep( interval );
    }
    return 0;
}

int main( int argc, char **argv )
{
    QueryPerformanceFrequency( &freq );
    _setmode( _fileno( stdout ), _O_BINARY );
    setvbuf( stdout, NULL, _IOFBF, 1 << 16 );
    if (argc == 5 && !strcmp( argv[1], "keys" ))
        return keys( (BYTE)strtoul( argv[2], NULL, 16 ), atoi( argv[3] ), (DWORD)atoi( argv[4] ) );
    if (argc == 5 && !strcmp( argv[1], "post" ))
        return post( (HWND)(ULONG_PTR)strtoull( argv[2], NULL, 0 ), atoi( argv[3] ), (DWORD)atoi( argv[4] ) );
    fprintf( stderr, "usage: kvlatency keys CODE COUNT INTERVAL_MS | post HWND COUNT INTERVAL_MS\n" );
    return 2;
}
