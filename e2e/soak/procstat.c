/*
 * procstat.exe: what a running Windows process holds, as the system's process
 * list reports it, for the soak run's before-and-after figures.
 *
 *   procstat PID|IMAGE...     one line for each process whose id is PID or
 *                             whose image name is IMAGE (case-blind):
 *
 *   pid=N image=NAME inuse=N table=N threads=N gdi=N user=N phc=N private=N
 *       types=TYPE:N,... tids=N,N,...
 *
 * inuse is the number of open handles of the process, counted in the
 * system's handle list (NtQuerySystemInformation(SystemHandleInformation)),
 * and types the same by object type: by name where this program holds a
 * handle of that type itself and can ask its name, else by the type's
 * number. table and threads come from the process list
 * (SystemProcessInformation), the one every process-viewing tool reads; under
 * Wine 8 its handle count is not the handles in use but the size of the
 * process's handle table, which starts at 64 entries and doubles when full,
 * so it moves only with a large leak. Wine 8 answers nothing for another
 * process through the documented calls: GetProcessHandleCount (phc) and
 * GetProcessMemoryInfo (private, PrivateUsage in bytes) report success with
 * 0, and GetGuiResources (gdi, user) answers 0. They are printed as the
 * system gives them, so that a reader sees what was and was not answered;
 * tids lists the process's thread ids, so that a thread that came and stayed
 * can be named. Exit code 1 when no process matched.
 */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winternl.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#ifndef STATUS_INFO_LENGTH_MISMATCH
#define STATUS_INFO_LENGTH_MISMATCH ((NTSTATUS)0xC0000004L)
#endif
#ifndef STATUS_BUFFER_TOO_SMALL
#define STATUS_BUFFER_TOO_SMALL ((NTSTATUS)0xC0000023L)
#endif

/* A system list, grown until it fits: it changes between the size query and
 * the read, so the buffer is given room to spare. */
static BYTE *system_list( SYSTEM_INFORMATION_CLASS what )
{
    ULONG size = 1 << 16, needed = 0;
    BYTE *buffer;
    NTSTATUS status;

    for (;;)
    {
        if (!(buffer = malloc( size ))) return NULL;
        needed = 0;
        status = NtQuerySystemInformation( what, buffer, size, &needed );
        if (status != STATUS_INFO_LENGTH_MISMATCH && status != STATUS_BUFFER_TOO_SMALL) break;
        free( buffer );
        if (size >= (1u << 28)) return NULL;
        size = (needed > size ? needed : size * 2) + (1 << 14);
    }
    if (status < 0)
    {
        fprintf( stderr, "procstat: NtQuerySystemInformation(%d): 0x%08lx\n", (int)what, (unsigned long)status );
        free( buffer );
        return NULL;
    }
    return buffer;
}

static const SYSTEM_HANDLE_INFORMATION *handles;
/* type names by type number, learnt from this program's own handles */
static char type_name[256][32];

typedef NTSTATUS (WINAPI *open_object_fn)( HANDLE *, ACCESS_MASK, OBJECT_ATTRIBUTES * );

static void open_named( const char *function, const WCHAR *name )
{
    open_object_fn open = (open_object_fn)(void *)GetProcAddress( GetModuleHandleW( L"ntdll.dll" ), function );
    UNICODE_STRING string;
    OBJECT_ATTRIBUTES attributes;
    HANDLE handle;

    if (!open) return;
    RtlInitUnicodeString( &string, name );
    InitializeObjectAttributes( &attributes, &string, 0, NULL, NULL );
    open( &handle, 1 /* query */, &attributes );
}

/* Handles of the common types, held until the program ends, so that their
 * type names can be learnt from this program's own handles: the numbers
 * behind the names are the system's own and differ between versions. */
static void hold_one_of_each_type( void )
{
    HANDLE thread;
    CreateEventW( NULL, FALSE, FALSE, NULL );
    CreateMutexW( NULL, FALSE, NULL );
    CreateSemaphoreW( NULL, 0, 1, NULL );
    CreateWaitableTimerW( NULL, FALSE, NULL );
    CreateFileMappingW( INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 4096, NULL );
    CreateIoCompletionPort( INVALID_HANDLE_VALUE, NULL, 0, 1 );
    OpenProcess( PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId() );
    DuplicateHandle( GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                     DUPLICATE_SAME_ACCESS );
    open_named( "NtOpenDirectoryObject", L"\\BaseNamedObjects" );
    open_named( "NtOpenSymbolicLinkObject", L"\\??\\C:" );
}

static void learn_type_names( void )
{
    DWORD self = GetCurrentProcessId();
    ULONG_PTR buffer[512 / sizeof(ULONG_PTR)];
    PUBLIC_OBJECT_TYPE_INFORMATION *info = (PUBLIC_OBJECT_TYPE_INFORMATION *)buffer;
    ULONG i, done;

    if (!handles) return;
    for (i = 0; i < handles->Count; i++)
    {
        const SYSTEM_HANDLE_ENTRY *h = &handles->Handle[i];
        char *name = type_name[h->ObjectType];
        if (h->OwnerPid != self || name[0]) continue;
        if (NtQueryObject( (HANDLE)(ULONG_PTR)h->HandleValue, ObjectTypeInformation, info, sizeof(buffer), &done ) < 0)
            continue;
        WideCharToMultiByte( CP_UTF8, 0, info->TypeName.Buffer, info->TypeName.Length / sizeof(WCHAR), name, 31,
                             NULL, NULL );
    }
}

/* The handles PID holds, in all and by type; -1 when the list is not there */
static long handles_of( DWORD pid, char *types, size_t size )
{
    unsigned count[256] = {0};
    long total = 0;
    ULONG i;
    int t, n = 0;

    types[0] = 0;
    if (!handles) return -1;
    for (i = 0; i < handles->Count; i++)
        if (handles->Handle[i].OwnerPid == pid)
        {
            count[handles->Handle[i].ObjectType]++;
            total++;
        }
    for (t = 0; t < 256; t++)
    {
        if (!count[t]) continue;
        if (type_name[t][0]) n += snprintf( types + n, size - n, "%s%s:%u", n ? "," : "", type_name[t], count[t] );
        else n += snprintf( types + n, size - n, "%s%d:%u", n ? "," : "", t, count[t] );
        if (n >= (int)size) break;
    }
    return total;
}

static int matches( const SYSTEM_PROCESS_INFORMATION *p, const char *want )
{
    char *end;
    unsigned long pid = strtoul( want, &end, 0 );
    WCHAR name[MAX_PATH];
    int len;

    if (*want && !*end) return (ULONG_PTR)p->UniqueProcessId == pid;
    if (!p->ImageName.Buffer) return 0;
    len = p->ImageName.Length / sizeof(WCHAR);
    if (len >= MAX_PATH) len = MAX_PATH - 1;
    memcpy( name, p->ImageName.Buffer, len * sizeof(WCHAR) );
    name[len] = 0;
    {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar( CP_ACP, 0, want, -1, wide, MAX_PATH );
        return !_wcsicmp( name, wide );
    }
}

static void print_process( const SYSTEM_PROCESS_INFORMATION *p )
{
    DWORD pid = (DWORD)(ULONG_PTR)p->UniqueProcessId;
    const SYSTEM_THREAD_INFORMATION *threads = (const SYSTEM_THREAD_INFORMATION *)(p + 1);
    DWORD gdi = 0, user = 0, phc = 0;
    SIZE_T private_bytes = 0;
    PROCESS_MEMORY_COUNTERS_EX memory;
    HANDLE process;
    char name[MAX_PATH * 3] = "", types[1024];
    long inuse = handles_of( pid, types, sizeof(types) );
    ULONG i;

    if (p->ImageName.Buffer)
        WideCharToMultiByte( CP_UTF8, 0, p->ImageName.Buffer, p->ImageName.Length / sizeof(WCHAR), name,
                             sizeof(name) - 1, NULL, NULL );
    process = OpenProcess( PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid );
    if (process)
    {
        gdi = GetGuiResources( process, GR_GDIOBJECTS );
        user = GetGuiResources( process, GR_USEROBJECTS );
        if (!GetProcessHandleCount( process, &phc )) phc = 0;
        memset( &memory, 0, sizeof(memory) );
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo( process, (PROCESS_MEMORY_COUNTERS *)&memory, sizeof(memory) ))
            private_bytes = memory.PrivateUsage;
        CloseHandle( process );
    }
    printf( "pid=%lu image=%s inuse=%ld table=%lu threads=%lu gdi=%lu user=%lu phc=%lu private=%llu types=%s tids=",
            pid, name, inuse, p->HandleCount, p->NumberOfThreads, gdi, user, phc, (unsigned long long)private_bytes,
            types[0] ? types : "-" );
    /* the thread records follow the process's own; one that names another
     * process means the layout is not the one expected, and none is shown */
    for (i = 0; i < p->NumberOfThreads; i++)
        if ((DWORD)(ULONG_PTR)threads[i].ClientId.UniqueProcess != pid) break;
    if (i == p->NumberOfThreads)
        for (i = 0; i < p->NumberOfThreads; i++)
            printf( "%s%lu", i ? "," : "", (unsigned long)(ULONG_PTR)threads[i].ClientId.UniqueThread );
    printf( "\n" );
}

int main( int argc, char **argv )
{
    BYTE *list;
    const SYSTEM_PROCESS_INFORMATION *p;
    int found = 0, i;

    if (argc < 2)
    {
        fprintf( stderr, "usage: procstat PID|IMAGE...\n" );
        return 2;
    }
    hold_one_of_each_type();
    if (!(list = system_list( SystemProcessInformation ))) return 1;
    handles = (const SYSTEM_HANDLE_INFORMATION *)system_list( SystemHandleInformation );
    learn_type_names();
    for (p = (const SYSTEM_PROCESS_INFORMATION *)list;;
         p = (const SYSTEM_PROCESS_INFORMATION *)((const BYTE *)p + p->NextEntryOffset))
    {
        for (i = 1; i < argc; i++)
            if (matches( p, argv[i] ))
            {
                print_process( p );
                found++;
                break;
            }
        if (!p->NextEntryOffset) break;
    }
    free( list );
    free( (void *)handles );
    fflush( stdout );
    return found ? 0 : 1;
}
