/* A stand-in for the keyboard backlight driver, for tests under Wine only (never shipped): a
 * kernel-mode driver hosted by Wine's device host. It serves "\Device\StartupDiskDriver" (and
 * "\\.\StartupDiskDriver" through its link), keeps a level from 0 to 15 and answers the two
 * controls of the real device. Two more controls let a test set the starting level and read
 * back the level with the set requests received since. */

#include <ntddk.h>

#include "tools/backlightstandin/BacklightStandIn.h"

static UCHAR g_Level;
static UCHAR g_Requests[QUILLON_BACKLIGHT_MAX_REQUESTS];
static ULONG g_RequestCount;
static KSPIN_LOCK g_Lock;
static UNICODE_STRING g_DeviceName;
static UNICODE_STRING g_LinkName;

static NTSTATUS fg_Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI fg_CreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return fg_Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI fg_Control(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;
    KIRQL irql;
    ULONG i;
    (void)device;
    KeAcquireSpinLock(&g_Lock, &irql);
    switch (code)
    {
        case QUILLON_BACKLIGHT_READ_LEVEL:
            if (outputLength < 1)
                status = STATUS_BUFFER_TOO_SMALL;
            else
            {
                buffer[0] = g_Level;
                information = 1;
            }
            break;
        case QUILLON_BACKLIGHT_SET_LEVEL:
            if (inputLength < 1)
                status = STATUS_INVALID_PARAMETER;
            else
            {
                if (g_RequestCount < QUILLON_BACKLIGHT_MAX_REQUESTS)
                    g_Requests[g_RequestCount++] = buffer[0];
                g_Level = buffer[0] > 15 ? 15 : buffer[0];
            }
            break;
        case QUILLON_BACKLIGHT_TEST_RESET:
            if (inputLength < 1)
                status = STATUS_INVALID_PARAMETER;
            else
            {
                g_Level = buffer[0] > 15 ? 15 : buffer[0];
                g_RequestCount = 0;
            }
            break;
        case QUILLON_BACKLIGHT_TEST_READ:
            /* The level, the number of set requests, then the requests. */
            if (outputLength < 2 + g_RequestCount)
                status = STATUS_BUFFER_TOO_SMALL;
            else
            {
                buffer[0] = g_Level;
                buffer[1] = (UCHAR)g_RequestCount;
                for (i = 0; i < g_RequestCount; ++i)
                    buffer[2 + i] = g_Requests[i];
                information = 2 + g_RequestCount;
            }
            break;
        default:
            status = STATUS_INVALID_DEVICE_REQUEST;
            break;
    }
    KeReleaseSpinLock(&g_Lock, irql);
    return fg_Complete(irp, status, information);
}

static void NTAPI fg_Unload(PDRIVER_OBJECT driver)
{
    IoDeleteSymbolicLink(&g_LinkName);
    if (driver->DeviceObject)
        IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;
    (void)registryPath;
    KeInitializeSpinLock(&g_Lock);
    g_Level = 0;
    g_RequestCount = 0;
    RtlInitUnicodeString(&g_DeviceName, L"\\Device\\StartupDiskDriver");
    RtlInitUnicodeString(&g_LinkName, L"\\DosDevices\\StartupDiskDriver");
    status = IoCreateDevice(driver, 0, &g_DeviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    status = IoCreateSymbolicLink(&g_LinkName, &g_DeviceName);
    if (!NT_SUCCESS(status))
    {
        IoDeleteDevice(device);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = fg_CreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = fg_CreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = fg_Control;
    driver->DriverUnload = fg_Unload;
    return STATUS_SUCCESS;
}
