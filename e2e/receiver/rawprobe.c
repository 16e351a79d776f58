/*
 * rawprobe.exe: listens the way Korvanta does (raw input, consumer page 0x0C,
 * consumer control 0x01) and prints every WM_INPUT, so the virtual devices can
 * be checked without Korvanta itself.
 *
 *   rawprobe [seconds] [--visible]
 *
 * Output, one line each, flushed at once:
 *   ready
 *   arrival <vid>:<pid> <device name>            (WM_INPUT_DEVICE_CHANGE)
 *   input <vid>:<pid> sink=<0|1> len=<n> count=<n> [usages=<hex,...> [hidp=<status>]] bytes=<hex ...>
 *
 * usages= is given for every device but the receiver: the consumer usages
 * that hid.dll's HidP_GetUsages finds in the report with the device's own
 * preparsed data (empty when none is held); hidp= follows when that call or
 * the ones before it did not succeed, preparsed-error= when the preparsed
 * data could not be had.
 *
 * The window stays hidden unless --visible is given: with RIDEV_INPUTSINK the
 * input still arrives while another window has the focus.
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <hidsdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <io.h>
#include <fcntl.h>

#include "kvshared.h"

static void describe_device( HANDLE device, char *out, size_t out_len )
{
    RID_DEVICE_INFO info;
    UINT size = sizeof(info);

    info.cbSize = sizeof(info);
    if (GetRawInputDeviceInfoW( device, RIDI_DEVICEINFO, &info, &size ) == (UINT)-1 || info.dwType != RIM_TYPEHID)
        snprintf( out, out_len, "????:????" );
    else
        snprintf( out, out_len, "%04lX:%04lX", info.hid.dwVendorId, info.hid.dwProductId );
}

/* Writes " usages=..." (and " hidp=..." on failure) for one report, as
 * HidP_GetUsages reads it on the consumer page; returns the length. */
static int describe_usages( HANDLE device, const BYTE *report, ULONG len, char *out, size_t out_len )
{
    static BYTE preparsed[8192];
    UINT size = sizeof(preparsed);
    PHIDP_PREPARSED_DATA data = (PHIDP_PREPARSED_DATA)preparsed;
    USAGE usages[64];
    ULONG count = 0, i;
    NTSTATUS status;
    HIDP_CAPS caps;
    int pos;

    if (GetRawInputDeviceInfoW( device, RIDI_PREPARSEDDATA, preparsed, &size ) == (UINT)-1)
        return snprintf( out, out_len, " usages= preparsed-error=%lu", GetLastError() );
    if ((status = HidP_GetCaps( data, &caps )) == HIDP_STATUS_SUCCESS)
    {
        count = HidP_MaxUsageListLength( HidP_Input, HID_USAGE_PAGE_CONSUMER, data );
        if (count > ARRAYSIZE(usages)) count = ARRAYSIZE(usages);
        status = HidP_GetUsages( HidP_Input, HID_USAGE_PAGE_CONSUMER, 0, usages, &count, data,
                                 (PCHAR)report, len );
    }
    if (status != HIDP_STATUS_SUCCESS) count = 0;
    pos = snprintf( out, out_len, " usages=" );
    for (i = 0; i < count && pos < (int)out_len - 8; i++)
        pos += snprintf( out + pos, out_len - pos, i ? ",%04X" : "%04X", usages[i] );
    if (status != HIDP_STATUS_SUCCESS && pos < (int)out_len - 16)
        pos += snprintf( out + pos, out_len - pos, " hidp=%08lX", (unsigned long)status );
    return pos;
}

static void on_input( WPARAM wparam, LPARAM lparam )
{
    static BYTE buffer[4096];
    RAWINPUT *raw = (RAWINPUT *)buffer;
    UINT size = sizeof(buffer), i, j;
    char line[8192], dev[32], receiver[32];
    int pos;

    if (GetRawInputData( (HRAWINPUT)lparam, RID_INPUT, raw, &size, sizeof(RAWINPUTHEADER) ) == (UINT)-1) return;
    if (raw->header.dwType != RIM_TYPEHID) return;

    describe_device( raw->header.hDevice, dev, sizeof(dev) );
    snprintf( receiver, sizeof(receiver), "%04X:%04X", KV_RECEIVER_VID, KV_RECEIVER_PID );
    for (j = 0; j < raw->data.hid.dwCount; j++)
    {
        const BYTE *report = raw->data.hid.bRawData + j * raw->data.hid.dwSizeHid;
        pos = snprintf( line, sizeof(line), "input %s sink=%d len=%lu count=%lu", dev,
                        GET_RAWINPUT_CODE_WPARAM( wparam ) == RIM_INPUTSINK, raw->data.hid.dwSizeHid,
                        raw->data.hid.dwCount );
        if (strcmp( dev, receiver ))
            pos += describe_usages( raw->header.hDevice, report, raw->data.hid.dwSizeHid,
                                    line + pos, sizeof(line) - pos );
        pos += snprintf( line + pos, sizeof(line) - pos, " bytes=" );
        for (i = 0; i < raw->data.hid.dwSizeHid && pos < (int)sizeof(line) - 4; i++)
            pos += snprintf( line + pos, sizeof(line) - pos, i ? " %02X" : "%02X", report[i] );
        printf( "%s\n", line );
    }
    fflush( stdout );
}

static LRESULT CALLBACK wndproc( HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam )
{
    switch (msg)
    {
    case WM_INPUT:
        on_input( wparam, lparam );
        return DefWindowProcW( hwnd, msg, wparam, lparam );
    case WM_INPUT_DEVICE_CHANGE:
        if (wparam == GIDC_ARRIVAL)
        {
            WCHAR name[256];
            UINT len = 256;
            char dev[32];
            describe_device( (HANDLE)lparam, dev, sizeof(dev) );
            if (GetRawInputDeviceInfoW( (HANDLE)lparam, RIDI_DEVICENAME, name, &len ) == (UINT)-1) name[0] = 0;
            printf( "arrival %s %ls\n", dev, name );
            fflush( stdout );
        }
        return 0;
    case WM_TIMER:
        PostQuitMessage( 0 );
        return 0;
    case WM_DESTROY:
        PostQuitMessage( 0 );
        return 0;
    }
    return DefWindowProcW( hwnd, msg, wparam, lparam );
}

int main( int argc, char **argv )
{
    WNDCLASSW cls = {0};
    RAWINPUTDEVICE rid;
    double seconds = 0;
    int visible = 0, i;
    HWND hwnd;
    MSG msg;

    /* plain "\n" line ends: the output is read by shell scripts on the Unix side */
    _setmode( _fileno( stdout ), _O_BINARY );
    for (i = 1; i < argc; i++)
    {
        if (!strcmp( argv[i], "--visible" )) visible = 1;
        else seconds = atof( argv[i] );
    }

    cls.lpfnWndProc = wndproc;
    cls.hInstance = GetModuleHandleW( NULL );
    cls.lpszClassName = L"KvRawProbe";
    RegisterClassW( &cls );
    hwnd = CreateWindowExW( 0, cls.lpszClassName, L"rawprobe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            NULL, NULL, cls.hInstance, NULL );
    if (!hwnd)
    {
        fprintf( stderr, "rawprobe: CreateWindow failed %lu\n", GetLastError() );
        return 1;
    }
    if (visible)
    {
        ShowWindow( hwnd, SW_SHOWNORMAL );
        SetForegroundWindow( hwnd );
    }

    rid.usUsagePage = 0x0C;
    rid.usUsage = 0x01;
    rid.dwFlags = RIDEV_INPUTSINK | RIDEV_DEVNOTIFY;
    rid.hwndTarget = hwnd;
    if (!RegisterRawInputDevices( &rid, 1, sizeof(rid) ))
    {
        fprintf( stderr, "rawprobe: RegisterRawInputDevices failed %lu\n", GetLastError() );
        return 1;
    }
    if (seconds > 0) SetTimer( hwnd, 1, (UINT)(seconds * 1000), NULL );

    printf( "ready\n" );
    fflush( stdout );
    while (GetMessageW( &msg, NULL, 0, 0 ) > 0)
    {
        TranslateMessage( &msg );
        DispatchMessageW( &msg );
    }
    return 0;
}
