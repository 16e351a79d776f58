/*
 * kvreceiver.exe: installs the virtual HID devices served by kvhid.sys and
 * pushes input reports into them, so Korvanta can be driven end to end under
 * Wine without real hardware.
 *
 *   kvreceiver install [inf]          install receiver, foreign device and other remote
 *   kvreceiver wait [seconds] [receiver|foreign|other]   wait until all (or that one) are usable
 *   kvreceiver list                   show HID and raw-input devices
 *   kvreceiver press <code> [count] [interval-ms]
 *   kvreceiver tap <code> [count] [interval-ms]    press + release each time
 *   kvreceiver release
 *   kvreceiver foreign <code> [count] [interval-ms]
 *   kvreceiver send <hex bytes>       receiver, report as delivered (id first)
 *   kvreceiver fsend <hex bytes>      same, to the foreign device
 *   kvreceiver other [usage [usage]]  other remote: one report holding these
 *                                     consumer usages; none = all released
 *   kvreceiver play <file>            every code listed in file (hex, blank-separated),
 *                                     one report each, back to back
 *   kvreceiver unplug receiver|foreign|other   removes that device, as if pulled out
 *   kvreceiver plug receiver|foreign|other [inf]   creates it again and installs the driver
 *   kvreceiver sleep <ms>
 *   kvreceiver serve                  one command per stdin line, "ok" after each
 *
 * Codes and bytes are hexadecimal. The "delivered" report is what an
 * application sees in RAWHID.bRawData: byte 0 is the report id the HID stack
 * adds (always 0 here), the button code is byte 6. The other remote's
 * delivered report is 00 then two 16-bit usages, low byte first.
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>
#include <setupapi.h>
#include <newdev.h>
#include <hidsdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <io.h>
#include <fcntl.h>

#include "kvshared.h"

#ifndef INSTALLFLAG_FORCE
#define INSTALLFLAG_FORCE 0x00000001
#endif

static const GUID class_hidclass = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};

struct target
{
    const char *name;
    USHORT vid, pid;
    HANDLE handle;
};

static struct target receiver = {"receiver", KV_RECEIVER_VID, KV_RECEIVER_PID, INVALID_HANDLE_VALUE};
static struct target foreign = {"foreign", KV_FOREIGN_VID, KV_FOREIGN_PID, INVALID_HANDLE_VALUE};
static struct target other = {"other", KV_OTHER_VID, KV_OTHER_PID, INVALID_HANDLE_VALUE};

static char last_error[256];

static int fail( const char *fmt, ... )
{
    va_list args;
    va_start( args, fmt );
    vsnprintf( last_error, sizeof(last_error), fmt, args );
    va_end( args );
    return 0;
}

/* ---- installation ---------------------------------------------------- */

static int create_root_device( USHORT vid, USHORT pid )
{
    SP_DEVINFO_DATA device = {sizeof(device)};
    WCHAR instance[64], hwids[64];
    HDEVINFO set;
    int ok = 1;

    /* The device id part ("VID_xxxx&PID_yyyy") becomes the HID device's id
     * too, so the raw-input device name looks like a USB device's. */
    swprintf( instance, 64, L"ROOT\\VID_%04X&PID_%04X\\0000", vid, pid );
    memset( hwids, 0, sizeof(hwids) );
    wcscpy( hwids, KV_HARDWARE_ID_W );

    set = SetupDiCreateDeviceInfoList( &class_hidclass, NULL );
    if (set == INVALID_HANDLE_VALUE) return fail( "SetupDiCreateDeviceInfoList: %lu", GetLastError() );

    if (!SetupDiCreateDeviceInfoW( set, instance, &class_hidclass, NULL, NULL, 0, &device ))
    {
        if (GetLastError() == ERROR_DEVINST_ALREADY_EXISTS)
            printf( "device %ls already present\n", instance );
        else ok = fail( "SetupDiCreateDeviceInfoW %ls: %lu", instance, GetLastError() );
    }
    else if (!SetupDiSetDeviceRegistryPropertyW( set, &device, SPDRP_HARDWAREID, (BYTE *)hwids,
                                                 (wcslen( hwids ) + 2) * sizeof(WCHAR) ))
        ok = fail( "SPDRP_HARDWAREID: %lu", GetLastError() );
    else if (!SetupDiCallClassInstaller( DIF_REGISTERDEVICE, set, &device ))
        ok = fail( "DIF_REGISTERDEVICE: %lu", GetLastError() );
    else printf( "created %ls\n", instance );

    SetupDiDestroyDeviceInfoList( set );
    return ok;
}

/* The INF given, or kvhid.inf next to this program. */
static int inf_path( const char *inf_arg, WCHAR *inf )
{
    WCHAR *slash;

    if (inf_arg)
    {
        WCHAR tmp[MAX_PATH];
        MultiByteToWideChar( CP_ACP, 0, inf_arg, -1, tmp, MAX_PATH );
        GetFullPathNameW( tmp, MAX_PATH, inf, NULL );
    }
    else
    {
        /* default: kvhid.inf and kvhid.sys sit next to this program */
        GetModuleFileNameW( NULL, inf, MAX_PATH );
        if ((slash = wcsrchr( inf, '\\' ))) slash[1] = 0;
        wcscat( inf, L"kvhid.inf" );
    }
    if (GetFileAttributesW( inf ) == INVALID_FILE_ATTRIBUTES) return fail( "no INF at %ls", inf );
    return 1;
}

static int cmd_install( const char *inf_arg )
{
    WCHAR inf[MAX_PATH];
    BOOL reboot = FALSE;

    if (!inf_path( inf_arg, inf )) return 0;
    if (!create_root_device( receiver.vid, receiver.pid )) return 0;
    if (!create_root_device( foreign.vid, foreign.pid )) return 0;
    if (!create_root_device( other.vid, other.pid )) return 0;

    if (!UpdateDriverForPlugAndPlayDevicesW( NULL, KV_HARDWARE_ID_W, inf, INSTALLFLAG_FORCE, &reboot ))
        return fail( "UpdateDriverForPlugAndPlayDevicesW: %lu", GetLastError() );
    printf( "driver installed from %ls\n", inf );
    return 1;
}

static struct target *target_arg( const char *name );

/* Unplugging removes the root device; Wine's setupapi then asks the driver's
 * service to enumerate its root devices again, which sends the device stack
 * IRP_MN_REMOVE_DEVICE and takes the HID and raw-input devices away, as
 * pulling out a USB receiver does. */
static int cmd_unplug( const char *which )
{
    SP_DEVINFO_DATA device = {sizeof(device)};
    struct target *t = target_arg( which );
    WCHAR instance[64];
    HDEVINFO set;
    int ok = 1;

    if (!t) return fail( "unplug receiver|foreign|other" );
    swprintf( instance, 64, L"ROOT\\VID_%04X&PID_%04X\\0000", t->vid, t->pid );
    set = SetupDiCreateDeviceInfoList( &class_hidclass, NULL );
    if (set == INVALID_HANDLE_VALUE) return fail( "SetupDiCreateDeviceInfoList: %lu", GetLastError() );
    if (!SetupDiOpenDeviceInfoW( set, instance, NULL, 0, &device ))
        ok = fail( "no device %ls: %lu", instance, GetLastError() );
    else if (!SetupDiCallClassInstaller( DIF_REMOVE, set, &device ))
        ok = fail( "DIF_REMOVE %ls: %lu", instance, GetLastError() );
    SetupDiDestroyDeviceInfoList( set );
    if (t->handle != INVALID_HANDLE_VALUE)
    {
        CloseHandle( t->handle );
        t->handle = INVALID_HANDLE_VALUE;
    }
    return ok;
}

/* Plugging in creates the root device again and installs the driver on it;
 * the installation starts it, as a newly attached receiver would be. */
static int cmd_plug( const char *which, const char *inf_arg )
{
    struct target *t = target_arg( which );
    WCHAR inf[MAX_PATH];
    BOOL reboot = FALSE;

    if (!t) return fail( "plug receiver|foreign|other [inf]" );
    if (!inf_path( inf_arg, inf )) return 0;
    if (!create_root_device( t->vid, t->pid )) return 0;
    if (!UpdateDriverForPlugAndPlayDevicesW( NULL, KV_HARDWARE_ID_W, inf, INSTALLFLAG_FORCE, &reboot ))
        return fail( "UpdateDriverForPlugAndPlayDevicesW: %lu", GetLastError() );
    return 1;
}

/* ---- discovery --------------------------------------------------------- */

/* Opens the HID device with the given vendor/product; prints it if verbose. */
static HANDLE open_hid( USHORT vid, USHORT pid, int verbose )
{
    SP_DEVICE_INTERFACE_DATA iface = {sizeof(iface)};
    SP_DEVICE_INTERFACE_DETAIL_DATA_W *detail;
    HANDLE found = INVALID_HANDLE_VALUE;
    char buffer[sizeof(*detail) + MAX_PATH * sizeof(WCHAR) * 2];
    HDEVINFO set;
    GUID guid;
    DWORD i;

    HidD_GetHidGuid( &guid );
    set = SetupDiGetClassDevsW( &guid, NULL, NULL, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT );
    if (set == INVALID_HANDLE_VALUE) return found;

    detail = (SP_DEVICE_INTERFACE_DETAIL_DATA_W *)buffer;
    for (i = 0; SetupDiEnumDeviceInterfaces( set, NULL, &guid, i, &iface ); i++)
    {
        HIDD_ATTRIBUTES attr = {sizeof(attr)};
        HANDLE handle;

        detail->cbSize = sizeof(*detail);
        if (!SetupDiGetDeviceInterfaceDetailW( set, &iface, detail, sizeof(buffer), NULL, NULL )) continue;
        handle = CreateFileW( detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL );
        if (handle == INVALID_HANDLE_VALUE) continue;
        if (!HidD_GetAttributes( handle, &attr )) attr.VendorID = attr.ProductID = 0;
        if (verbose) printf( "hid %04X:%04X %ls\n", attr.VendorID, attr.ProductID, detail->DevicePath );
        if (found == INVALID_HANDLE_VALUE && attr.VendorID == vid && attr.ProductID == pid) found = handle;
        else CloseHandle( handle );
    }
    SetupDiDestroyDeviceInfoList( set );
    return found;
}

/* Counts raw-input HID devices with the given vendor/product. */
static int rawinput_has( USHORT vid, USHORT pid, int verbose )
{
    RAWINPUTDEVICELIST list[64];
    UINT count = 64, i, n;
    int hits = 0;

    n = GetRawInputDeviceList( list, &count, sizeof(list[0]) );
    if (n == (UINT)-1) return 0;
    for (i = 0; i < n; i++)
    {
        RID_DEVICE_INFO info;
        UINT size = sizeof(info);
        WCHAR name[256];
        UINT name_len = 256;

        if (list[i].dwType != RIM_TYPEHID) continue;
        info.cbSize = sizeof(info);
        if (GetRawInputDeviceInfoW( list[i].hDevice, RIDI_DEVICEINFO, &info, &size ) == (UINT)-1) continue;
        if (verbose)
        {
            if (GetRawInputDeviceInfoW( list[i].hDevice, RIDI_DEVICENAME, name, &name_len ) == (UINT)-1) name[0] = 0;
            printf( "raw %04lX:%04lX page %04X usage %04X %ls\n", info.hid.dwVendorId, info.hid.dwProductId,
                    info.hid.usUsagePage, info.hid.usUsage, name );
        }
        if (info.hid.dwVendorId == vid && info.hid.dwProductId == pid && info.hid.usUsagePage == 0x0C &&
            info.hid.usUsage == 0x01)
            hits++;
    }
    return hits;
}

static int cmd_list(void)
{
    HANDLE h = open_hid( 0xffff, 0xffff, 1 );
    if (h != INVALID_HANDLE_VALUE) CloseHandle( h );
    rawinput_has( 0, 0, 1 );
    return 1;
}

/* wait: all devices, or only the one named */
static int cmd_wait( double seconds, const char *which )
{
    DWORD start = GetTickCount(), elapsed;
    struct target *only = target_arg( which );

    if (which && !only) return fail( "wait [seconds] [receiver|foreign|other]" );
    for (;;)
    {
        int hid_ok = 1, raw_ok = 1;
        struct target *t[3] = {&receiver, &foreign, &other};
        int i;

        for (i = 0; i < 3; i++)
        {
            if (only && t[i] != only) continue;
            HANDLE h = open_hid( t[i]->vid, t[i]->pid, 0 );
            if (h == INVALID_HANDLE_VALUE) hid_ok = 0;
            else CloseHandle( h );
            if (!rawinput_has( t[i]->vid, t[i]->pid, 0 )) raw_ok = 0;
        }
        elapsed = GetTickCount() - start;
        if (hid_ok && raw_ok)
        {
            printf( "devices ready after %lu ms\n", elapsed );
            return 1;
        }
        if (elapsed > seconds * 1000)
            return fail( "devices not ready after %lu ms (hid %s, rawinput %s)", elapsed,
                         hid_ok ? "ok" : "missing", raw_ok ? "ok" : "missing" );
        Sleep( 100 );
    }
}

/* ---- feeding ------------------------------------------------------------ */

static int push( struct target *t, const BYTE *report, DWORD len )
{
    DWORD done;
    int attempt;

    for (attempt = 0; attempt < 2; attempt++)
    {
        if (t->handle == INVALID_HANDLE_VALUE)
            t->handle = open_hid( t->vid, t->pid, 0 );
        if (t->handle == INVALID_HANDLE_VALUE)
            return fail( "%s device %04X:%04X not found", t->name, t->vid, t->pid );
        if (DeviceIoControl( t->handle, KV_IOCTL_PUSH_REPORT, (void *)report, len, NULL, 0, &done, NULL ))
            return 1;
        /* the driver's queue is full: hidclass has not come back for the
         * earlier reports yet. Wait for it (up to 5 s) rather than drop one. */
        if (GetLastError() == ERROR_BUSY)
        {
            DWORD start = GetTickCount();
            do
            {
                Sleep( 1 );
                if (DeviceIoControl( t->handle, KV_IOCTL_PUSH_REPORT, (void *)report, len, NULL, 0, &done, NULL ))
                    return 1;
            } while (GetLastError() == ERROR_BUSY && GetTickCount() - start < 5000);
            if (GetLastError() == ERROR_BUSY) return fail( "%s: queue still full after 5 s", t->name );
        }
        /* the device may have been re-created: reopen once */
        CloseHandle( t->handle );
        t->handle = INVALID_HANDLE_VALUE;
    }
    return fail( "push to %s failed: %lu", t->name, GetLastError() );
}

static int push_code( struct target *t, BYTE code )
{
    BYTE report[KV_REPORT_LEN] = {0};
    report[KV_CODE_INDEX] = code;
    return push( t, report, sizeof(report) );
}

static int parse_hex( const char *s, unsigned long max, unsigned long *value )
{
    char *end;
    if (!s || !*s) return 0;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s += 2;
    *value = strtoul( s, &end, 16 );
    return !*end && *value <= max;
}

static int parse_dec( const char *s, unsigned long def, unsigned long *value )
{
    char *end;
    if (!s) { *value = def; return 1; }
    *value = strtoul( s, &end, 10 );
    return !*end;
}

/* press/tap/foreign: <code> [count] [interval-ms] */
static int cmd_codes( struct target *t, int argc, char **argv, int with_release )
{
    unsigned long code, count, interval, i;

    if (!parse_hex( argv[0], 0xff, &code )) return fail( "bad code '%s'", argc ? argv[0] : "" );
    if (!parse_dec( argc > 1 ? argv[1] : NULL, 1, &count )) return fail( "bad count" );
    if (!parse_dec( argc > 2 ? argv[2] : NULL, 100, &interval )) return fail( "bad interval" );

    for (i = 0; i < count; i++)
    {
        if (i) Sleep( interval );
        if (!push_code( t, (BYTE)code )) return 0;
        if (with_release)
        {
            Sleep( interval / 2 );
            if (!push_code( t, 0 )) return 0;
        }
    }
    return 1;
}

/* send/fsend: the report as delivered, report id byte first */
static int cmd_send( struct target *t, int argc, char **argv )
{
    BYTE bytes[64];
    unsigned long v;
    int i, n = 0;

    for (i = 0; i < argc; i++)
    {
        const char *p = argv[i];
        /* accept "00 11 22" as well as "001122" */
        while (*p)
        {
            char pair[3] = {p[0], p[1], 0};
            if (!p[1] || !parse_hex( pair, 0xff, &v )) return fail( "bad hex '%s'", argv[i] );
            if (n == sizeof(bytes)) return fail( "too many bytes" );
            bytes[n++] = (BYTE)v;
            p += 2;
        }
    }
    if (n < 2) return fail( "need the report id byte and at least one data byte" );
    if (bytes[0] != 0) return fail( "report id must be 00: the device declares no report ids" );
    if (n - 1 > KV_REPORT_LEN) return fail( "at most %d data bytes after the report id", KV_REPORT_LEN );
    return push( t, bytes + 1, n - 1 );
}

/* other: up to KV_OTHER_USAGES consumer usages held at once, in the order
 * given; missing ones are 0 (empty slot), so no usage releases them all */
static int cmd_usages( struct target *t, int argc, char **argv )
{
    BYTE report[KV_OTHER_REPORT_LEN] = {0};
    unsigned long usage;
    int i;

    if (argc > KV_OTHER_USAGES) return fail( "at most %d usages", KV_OTHER_USAGES );
    for (i = 0; i < argc; i++)
    {
        if (!parse_hex( argv[i], 0xffff, &usage )) return fail( "bad usage '%s'", argv[i] );
        report[2 * i] = (BYTE)usage;
        report[2 * i + 1] = (BYTE)(usage >> 8);
    }
    return push( t, report, sizeof(report) );
}

/* play: the codes in a text file (hex, separated by blanks or line ends),
 * one report each, as fast as the driver takes them; prints the count and
 * how long it took */
static int cmd_play( const char *path )
{
    char word[16];
    unsigned long code, n = 0;
    LARGE_INTEGER f, t0, t1;
    FILE *file;

    if (!path || !(file = fopen( path, "r" ))) return fail( "cannot open '%s'", path ? path : "" );
    QueryPerformanceFrequency( &f );
    QueryPerformanceCounter( &t0 );
    while (fscanf( file, "%15s", word ) == 1)
    {
        if (!parse_hex( word, 0xff, &code )) { fclose( file ); return fail( "bad code '%s' after %lu", word, n ); }
        if (!push_code( &receiver, (BYTE)code )) { fclose( file ); return 0; }
        n++;
    }
    fclose( file );
    QueryPerformanceCounter( &t1 );
    printf( "played %lu reports in %lu ms\n", n, (unsigned long)((t1.QuadPart - t0.QuadPart) * 1000 / f.QuadPart) );
    return 1;
}

static struct target *target_arg( const char *name )
{
    if (name && !strcmp( name, "receiver" )) return &receiver;
    if (name && !strcmp( name, "foreign" )) return &foreign;
    if (name && !strcmp( name, "other" )) return &other;
    return NULL;
}

/* ---- command dispatch ----------------------------------------------------- */

static int run( int argc, char **argv )
{
    const char *cmd = argv[0];
    unsigned long ms;

    last_error[0] = 0;
    if (!strcmp( cmd, "install" )) return cmd_install( argc > 1 ? argv[1] : NULL );
    if (!strcmp( cmd, "wait" )) return cmd_wait( argc > 1 ? atof( argv[1] ) : 20.0, argc > 2 ? argv[2] : NULL );
    if (!strcmp( cmd, "list" )) return cmd_list();
    if (!strcmp( cmd, "press" ) && argc > 1) return cmd_codes( &receiver, argc - 1, argv + 1, 0 );
    if (!strcmp( cmd, "tap" ) && argc > 1) return cmd_codes( &receiver, argc - 1, argv + 1, 1 );
    if (!strcmp( cmd, "release" )) return push_code( &receiver, 0 );
    if (!strcmp( cmd, "foreign" ) && argc > 1) return cmd_codes( &foreign, argc - 1, argv + 1, 0 );
    if (!strcmp( cmd, "ftap" ) && argc > 1) return cmd_codes( &foreign, argc - 1, argv + 1, 1 );
    if (!strcmp( cmd, "frelease" )) return push_code( &foreign, 0 );
    if (!strcmp( cmd, "send" )) return cmd_send( &receiver, argc - 1, argv + 1 );
    if (!strcmp( cmd, "fsend" )) return cmd_send( &foreign, argc - 1, argv + 1 );
    if (!strcmp( cmd, "other" )) return cmd_usages( &other, argc - 1, argv + 1 );
    if (!strcmp( cmd, "play" )) return cmd_play( argc > 1 ? argv[1] : NULL );
    if (!strcmp( cmd, "unplug" )) return cmd_unplug( argc > 1 ? argv[1] : NULL );
    if (!strcmp( cmd, "plug" )) return cmd_plug( argc > 1 ? argv[1] : NULL, argc > 2 ? argv[2] : NULL );
    if (!strcmp( cmd, "sleep" ) && argc > 1 && parse_dec( argv[1], 0, &ms )) { Sleep( ms ); return 1; }
    return fail( "unknown command '%s'", cmd );
}

static int cmd_serve(void)
{
    char line[1024];

    printf( "ready\n" );
    fflush( stdout );
    while (fgets( line, sizeof(line), stdin ))
    {
        char *argv[80], *tok;
        int argc = 0;

        for (tok = strtok( line, " \t\r\n" ); tok && argc < 80; tok = strtok( NULL, " \t\r\n" ))
            argv[argc++] = tok;
        if (!argc || argv[0][0] == '#') continue;
        if (!strcmp( argv[0], "quit" ) || !strcmp( argv[0], "exit" )) break;
        if (!strcmp( argv[0], "serve" )) printf( "error: already serving\n" );
        else if (run( argc, argv )) printf( "ok\n" );
        else printf( "error: %s\n", last_error );
        fflush( stdout );
    }
    return 1;
}

int main( int argc, char **argv )
{
    int ok;

    /* plain "\n" line ends: the output is read by shell scripts on the Unix side */
    _setmode( _fileno( stdout ), _O_BINARY );
    setvbuf( stdout, NULL, _IONBF, 0 );
    if (argc < 2)
    {
        fprintf( stderr, "usage: kvreceiver install [inf] | wait [s] | list | press <hex> [n] [ms] |"
                 " tap <hex> [n] [ms] | release | foreign <hex> [n] [ms] | ftap <hex> [n] [ms] |"
                 " frelease | send <hex..> | fsend <hex..> | other [usage [usage]] | play <file> |"
                 " unplug receiver|foreign|other | plug receiver|foreign|other [inf] | sleep <ms> | serve\n" );
        return 2;
    }
    if (!strcmp( argv[1], "serve" )) return cmd_serve() ? 0 : 1;
    ok = run( argc - 1, argv + 1 );
    if (!ok) fprintf( stderr, "kvreceiver: %s\n", last_error );
    return ok ? 0 : 1;
}
