/*
 * kvhid.sys: a virtual HID minidriver for Wine that stands in for a USB
 * remote-control receiver (or any other consumer-control device).
 *
 * Each root-enumerated device instance becomes one HID device. Its
 * vendor/product come from its device id ("ROOT\VID_04BB&PID_0F0E\0000"),
 * so the same driver serves the receiver and any foreign device the tests
 * need; the other remote (KV_OTHER_VID/PID) gets a descriptor and report
 * length of its own, every other device the receiver's. Input is not
 * generated here: hidclass keeps one IOCTL_HID_READ_REPORT outstanding, and
 * the feeder completes it with KV_IOCTL_PUSH_REPORT sent to the opened HID
 * device.
 *
 * Only ntoskrnl, hal and hidclass may be imported: Wine loads a .sys that
 * imports user-mode DLLs as an ordinary library instead of a driver.
 */

#include <stdarg.h>

#include "ntstatus.h"
#define WIN32_NO_STATUS
#include "windef.h"
#include "winbase.h"
#include "winternl.h"
#include "winioctl.h"
#include "ddk/wdm.h"
#include "ddk/hidport.h"
#include "ddk/hidtypes.h"

#include "kvshared.h"

#define KV_QUEUE_LEN 64
#define KV_MAX_DEVICES 16

struct kv_device
{
    DEVICE_OBJECT *fdo;
    KSPIN_LOCK lock;
    IRP *pending_read;
    BOOL removed;
    USHORT vid, pid;
    const BYTE *descriptor;
    ULONG descriptor_len;
    ULONG report_len;    /* bytes per report, at most KV_REPORT_LEN */
    /* reports pushed while no read was outstanding, oldest first */
    BYTE queue[KV_QUEUE_LEN][KV_REPORT_LEN];
    ULONG queue_head, queue_count;
    BYTE last_report[KV_REPORT_LEN];
};

/* Consumer page, consumer control application collection, one 8-byte input
 * report without report id: an array of eight consumer usages, the way a
 * receiver reports which button is held. */
static const BYTE report_descriptor[] =
{
    0x05, 0x0C,        /* Usage Page (Consumer) */
    0x09, 0x01,        /* Usage (Consumer Control) */
    0xA1, 0x01,        /* Collection (Application) */
    0x15, 0x00,        /*   Logical Minimum (0) */
    0x26, 0xFF, 0x00,  /*   Logical Maximum (255) */
    0x19, 0x00,        /*   Usage Minimum (0) */
    0x2A, 0xFF, 0x00,  /*   Usage Maximum (255) */
    0x75, 0x08,        /*   Report Size (8) */
    0x95, KV_REPORT_LEN, /* Report Count */
    0x81, 0x00,        /*   Input (Data, Array, Absolute) */
    0xC0,              /* End Collection */
};

/* The other remote: the same page and collection, one 4-byte input report
 * without report id holding an array of two 16-bit consumer usages, as PC
 * media remotes report them. Logical minimum 1 makes an empty slot (0) no
 * usage at all. */
static const BYTE other_report_descriptor[] =
{
    0x05, 0x0C,        /* Usage Page (Consumer) */
    0x09, 0x01,        /* Usage (Consumer Control) */
    0xA1, 0x01,        /* Collection (Application) */
    0x15, 0x01,        /*   Logical Minimum (1) */
    0x26, 0x9C, 0x02,  /*   Logical Maximum (0x029C) */
    0x19, 0x01,        /*   Usage Minimum (1) */
    0x2A, 0x9C, 0x02,  /*   Usage Maximum (0x029C) */
    0x75, 0x10,        /*   Report Size (16) */
    0x95, KV_OTHER_USAGES, /* Report Count */
    0x81, 0x00,        /*   Input (Data, Array, Absolute) */
    0xC0,              /* End Collection */
};

static NTSTATUS (WINAPI *hidclass_device_control)( DEVICE_OBJECT *device, IRP *irp );

/* The FDOs this driver serves; lets a private request arriving on a HID
 * child device be mapped back to its parent without trusting the pointer. */
static KSPIN_LOCK devices_lock;
static struct kv_device *devices[KV_MAX_DEVICES];

static struct kv_device *impl_from_fdo( DEVICE_OBJECT *fdo )
{
    HID_DEVICE_EXTENSION *ext = fdo->DeviceExtension;
    return ext->MiniDeviceExtension;
}

static struct kv_device *find_device( DEVICE_OBJECT *device )
{
    struct kv_device *found = NULL;
    DEVICE_OBJECT *parent = NULL;
    KIRQL irql;
    ULONG i;

    /* hidclass creates the HID child with this driver object too; its
     * extension starts with the parent FDO. Only a pointer that matches a
     * known FDO is accepted, so nothing is dereferenced on a guess. */
    if (device->DeviceExtension) parent = *(DEVICE_OBJECT **)device->DeviceExtension;

    KeAcquireSpinLock( &devices_lock, &irql );
    for (i = 0; i < KV_MAX_DEVICES && !found; i++)
    {
        if (!devices[i]) continue;
        if (devices[i]->fdo == device || devices[i]->fdo == parent) found = devices[i];
    }
    KeReleaseSpinLock( &devices_lock, irql );
    return found;
}

static void register_device( struct kv_device *impl, BOOL add )
{
    KIRQL irql;
    ULONG i;

    KeAcquireSpinLock( &devices_lock, &irql );
    for (i = 0; i < KV_MAX_DEVICES; i++)
    {
        if (add && !devices[i]) { devices[i] = impl; break; }
        if (!add && devices[i] == impl) { devices[i] = NULL; break; }
    }
    KeReleaseSpinLock( &devices_lock, irql );
}

static int hex_digit( WCHAR c )
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Finds "<key>XXXX" (case-insensitive) in id and parses the 4 hex digits. */
static BOOL parse_id_field( const WCHAR *id, const WCHAR *key, USHORT *value )
{
    ULONG key_len = wcslen( key ), i;
    const WCHAR *p;

    for (p = id; *p; p++)
    {
        USHORT v = 0;
        if (_wcsnicmp( p, key, key_len )) continue;
        for (i = 0; i < 4; i++)
        {
            int d = hex_digit( p[key_len + i] );
            if (d < 0) break;
            v = (v << 4) | d;
        }
        if (i == 4)
        {
            *value = v;
            return TRUE;
        }
    }
    return FALSE;
}

/* Asks the root bus for the device id the instance was created with. */
static NTSTATUS query_device_id( DEVICE_OBJECT *pdo, WCHAR **id )
{
    IO_STACK_LOCATION *stack;
    IO_STATUS_BLOCK io;
    KEVENT event;
    IRP *irp;

    KeInitializeEvent( &event, NotificationEvent, FALSE );
    if (!(irp = IoBuildSynchronousFsdRequest( IRP_MJ_PNP, pdo, NULL, 0, NULL, &event, &io )))
        return STATUS_NO_MEMORY;
    stack = IoGetNextIrpStackLocation( irp );
    stack->MinorFunction = IRP_MN_QUERY_ID;
    stack->Parameters.QueryId.IdType = BusQueryDeviceID;
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    if (IoCallDriver( pdo, irp ) == STATUS_PENDING)
        KeWaitForSingleObject( &event, Executive, KernelMode, FALSE, NULL );
    if (io.Status) return io.Status;
    *id = (WCHAR *)io.Information;
    return STATUS_SUCCESS;
}

static NTSTATUS complete( IRP *irp, NTSTATUS status, ULONG_PTR information )
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest( irp, IO_NO_INCREMENT );
    return status;
}

/* Takes a queued report, or parks the read until one is pushed. */
static NTSTATUS read_report( struct kv_device *impl, IRP *irp, ULONG out_len )
{
    BYTE report[KV_REPORT_LEN];
    BOOL have_report = FALSE;
    NTSTATUS status = STATUS_PENDING;
    KIRQL irql;

    if (out_len < impl->report_len) return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );

    KeAcquireSpinLock( &impl->lock, &irql );
    if (impl->removed) status = STATUS_DELETE_PENDING;
    else if (impl->queue_count)
    {
        memcpy( report, impl->queue[impl->queue_head], impl->report_len );
        impl->queue_head = (impl->queue_head + 1) % KV_QUEUE_LEN;
        impl->queue_count--;
        have_report = TRUE;
    }
    else if (impl->pending_read) status = STATUS_DEVICE_BUSY;
    else
    {
        IoMarkIrpPending( irp );
        impl->pending_read = irp;
    }
    KeReleaseSpinLock( &impl->lock, irql );

    if (have_report)
    {
        memcpy( irp->UserBuffer, report, impl->report_len );
        return complete( irp, STATUS_SUCCESS, impl->report_len );
    }
    if (status != STATUS_PENDING) return complete( irp, status, 0 );
    return STATUS_PENDING;
}

static NTSTATUS push_report( struct kv_device *impl, const BYTE *data, ULONG len )
{
    BYTE report[KV_REPORT_LEN] = {0};
    NTSTATUS status = STATUS_SUCCESS;
    IRP *read = NULL;
    KIRQL irql;

    if (!len || len > impl->report_len) return STATUS_INVALID_PARAMETER;
    memcpy( report, data, len );

    KeAcquireSpinLock( &impl->lock, &irql );
    memcpy( impl->last_report, report, KV_REPORT_LEN );
    if (impl->removed) status = STATUS_DELETE_PENDING;
    else if (impl->pending_read)
    {
        read = impl->pending_read;
        impl->pending_read = NULL;
    }
    else if (impl->queue_count == KV_QUEUE_LEN) status = STATUS_DEVICE_BUSY;
    else
    {
        memcpy( impl->queue[(impl->queue_head + impl->queue_count) % KV_QUEUE_LEN], report, KV_REPORT_LEN );
        impl->queue_count++;
    }
    KeReleaseSpinLock( &impl->lock, irql );

    if (read)
    {
        memcpy( read->UserBuffer, report, impl->report_len );
        complete( read, STATUS_SUCCESS, impl->report_len );
    }
    return status;
}

/* Fails the parked read so hidclass's reader thread can exit on removal. */
static void cancel_pending_read( struct kv_device *impl )
{
    IRP *read;
    KIRQL irql;

    KeAcquireSpinLock( &impl->lock, &irql );
    impl->removed = TRUE;
    read = impl->pending_read;
    impl->pending_read = NULL;
    KeReleaseSpinLock( &impl->lock, irql );

    if (read) complete( read, STATUS_DELETE_PENDING, 0 );
}

static NTSTATUS copy_string( IRP *irp, ULONG out_len, const WCHAR *str )
{
    ULONG size = (wcslen( str ) + 1) * sizeof(WCHAR);
    if (out_len < size) return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );
    memcpy( irp->UserBuffer, str, size );
    return complete( irp, STATUS_SUCCESS, size );
}

static NTSTATUS WINAPI driver_internal_ioctl( DEVICE_OBJECT *device, IRP *irp )
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation( irp );
    ULONG out_len = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    struct kv_device *impl = impl_from_fdo( device );

    switch (code)
    {
    case IOCTL_HID_GET_DEVICE_DESCRIPTOR:
    {
        HID_DESCRIPTOR *desc = irp->UserBuffer;
        if (out_len < sizeof(*desc)) return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );
        memset( desc, 0, sizeof(*desc) );
        desc->bLength = sizeof(*desc);
        desc->bDescriptorType = HID_HID_DESCRIPTOR_TYPE;
        desc->bcdHID = 0x0110;
        desc->bCountry = 0;
        desc->bNumDescriptors = 1;
        desc->DescriptorList[0].bReportType = HID_REPORT_DESCRIPTOR_TYPE;
        desc->DescriptorList[0].wReportLength = impl->descriptor_len;
        return complete( irp, STATUS_SUCCESS, sizeof(*desc) );
    }

    case IOCTL_HID_GET_REPORT_DESCRIPTOR:
        if (out_len < impl->descriptor_len) return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );
        memcpy( irp->UserBuffer, impl->descriptor, impl->descriptor_len );
        return complete( irp, STATUS_SUCCESS, impl->descriptor_len );

    case IOCTL_HID_GET_DEVICE_ATTRIBUTES:
    {
        HID_DEVICE_ATTRIBUTES *attr = irp->UserBuffer;
        if (out_len < sizeof(*attr)) return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );
        memset( attr, 0, sizeof(*attr) );
        attr->Size = sizeof(*attr);
        attr->VendorID = impl->vid;
        attr->ProductID = impl->pid;
        attr->VersionNumber = 0x0100;
        return complete( irp, STATUS_SUCCESS, sizeof(*attr) );
    }

    case IOCTL_HID_GET_STRING:
    {
        ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xffff;
        WCHAR buffer[64];
        static const WCHAR hex[] = L"0123456789ABCDEF";
        ULONG i;

        switch (id)
        {
        case HID_STRING_ID_IMANUFACTURER:
            return copy_string( irp, out_len, L"Korvanta test rig" );
        case HID_STRING_ID_IPRODUCT:
            if (impl->vid == KV_RECEIVER_VID && impl->pid == KV_RECEIVER_PID)
                return copy_string( irp, out_len, L"Virtual remote-control receiver" );
            if (impl->vid == KV_OTHER_VID && impl->pid == KV_OTHER_PID)
                return copy_string( irp, out_len, L"Virtual media remote" );
            return copy_string( irp, out_len, L"Virtual media keys" );
        case HID_STRING_ID_ISERIALNUMBER:
            memcpy( buffer, L"KV-", 3 * sizeof(WCHAR) );
            for (i = 0; i < 4; i++) buffer[3 + i] = hex[(impl->vid >> (12 - 4 * i)) & 0xf];
            buffer[7] = '-';
            for (i = 0; i < 4; i++) buffer[8 + i] = hex[(impl->pid >> (12 - 4 * i)) & 0xf];
            buffer[12] = 0;
            return copy_string( irp, out_len, buffer );
        }
        return complete( irp, STATUS_INVALID_PARAMETER, 0 );
    }

    case IOCTL_HID_READ_REPORT:
        return read_report( impl, irp, out_len );

    case IOCTL_HID_GET_INPUT_REPORT:
    {
        HID_XFER_PACKET *packet = irp->UserBuffer;
        KIRQL irql;
        if (out_len < sizeof(*packet) || packet->reportBufferLen < impl->report_len)
            return complete( irp, STATUS_BUFFER_TOO_SMALL, 0 );
        KeAcquireSpinLock( &impl->lock, &irql );
        memcpy( packet->reportBuffer, impl->last_report, impl->report_len );
        KeReleaseSpinLock( &impl->lock, irql );
        return complete( irp, STATUS_SUCCESS, impl->report_len );
    }

    case IOCTL_HID_ACTIVATE_DEVICE:
    case IOCTL_HID_DEACTIVATE_DEVICE:
    case IOCTL_HID_SEND_IDLE_NOTIFICATION_REQUEST:
        return complete( irp, STATUS_SUCCESS, 0 );
    }

    return complete( irp, STATUS_NOT_SUPPORTED, 0 );
}

static NTSTATUS WINAPI driver_device_control( DEVICE_OBJECT *device, IRP *irp )
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation( irp );
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    struct kv_device *impl;

    if (code == KV_IOCTL_PUSH_REPORT)
    {
        if (!(impl = find_device( device ))) return complete( irp, STATUS_INVALID_DEVICE_REQUEST, 0 );
        return complete( irp, push_report( impl, irp->AssociatedIrp.SystemBuffer,
                                           stack->Parameters.DeviceIoControl.InputBufferLength ), 0 );
    }
    return hidclass_device_control( device, irp );
}

static NTSTATUS WINAPI driver_pnp( DEVICE_OBJECT *device, IRP *irp )
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation( irp );
    HID_DEVICE_EXTENSION *ext = device->DeviceExtension;
    struct kv_device *impl = ext->MiniDeviceExtension;

    switch (stack->MinorFunction)
    {
    case IRP_MN_START_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_SURPRISE_REMOVAL:
        cancel_pending_read( impl );
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_REMOVE_DEVICE:
        cancel_pending_read( impl );
        register_device( impl, FALSE );
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    }

    IoSkipCurrentIrpStackLocation( irp );
    return IoCallDriver( ext->NextDeviceObject, irp );
}

static NTSTATUS WINAPI driver_add_device( DRIVER_OBJECT *driver, DEVICE_OBJECT *fdo )
{
    HID_DEVICE_EXTENSION *ext = fdo->DeviceExtension;
    struct kv_device *impl = ext->MiniDeviceExtension;
    WCHAR *id = NULL;

    memset( impl, 0, sizeof(*impl) );
    impl->fdo = fdo;
    KeInitializeSpinLock( &impl->lock );
    impl->vid = KV_RECEIVER_VID;
    impl->pid = KV_RECEIVER_PID;

    if (!query_device_id( ext->PhysicalDeviceObject, &id ) && id)
    {
        parse_id_field( id, L"VID_", &impl->vid );
        parse_id_field( id, L"PID_", &impl->pid );
        ExFreePool( id );
    }

    if (impl->vid == KV_OTHER_VID && impl->pid == KV_OTHER_PID)
    {
        impl->descriptor = other_report_descriptor;
        impl->descriptor_len = sizeof(other_report_descriptor);
        impl->report_len = KV_OTHER_REPORT_LEN;
    }
    else
    {
        impl->descriptor = report_descriptor;
        impl->descriptor_len = sizeof(report_descriptor);
        impl->report_len = KV_REPORT_LEN;
    }

    register_device( impl, TRUE );
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS WINAPI DriverEntry( DRIVER_OBJECT *driver, UNICODE_STRING *registry )
{
    HID_MINIDRIVER_REGISTRATION params;
    NTSTATUS status;

    KeInitializeSpinLock( &devices_lock );

    driver->DriverExtension->AddDevice = driver_add_device;
    driver->MajorFunction[IRP_MJ_PNP] = driver_pnp;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = driver_internal_ioctl;

    memset( &params, 0, sizeof(params) );
    params.Revision = HID_REVISION;
    params.DriverObject = driver;
    params.DeviceExtensionSize = sizeof(struct kv_device);
    params.RegistryPath = registry;
    params.DevicesArePolled = FALSE;
    if ((status = HidRegisterMinidriver( &params ))) return status;

    /* hidclass installed its own handlers; the push request is taken out
     * before it, everything else still goes to hidclass. */
    hidclass_device_control = driver->MajorFunction[IRP_MJ_DEVICE_CONTROL];
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = driver_device_control;
    return STATUS_SUCCESS;
}
