/* A filter driver's control device that never completes a read, not even a cancelled one: the
 * misbehaving driver a client must survive (tests under Wine only, never shipped). A kernel-mode
 * driver for Wine's device host serving "\Device\QuillonKeyboardFilter" (and the device path
 * "\\.\QuillonKeyboardFilter" through its link). Reads pend without a cancel routine, so a
 * cancel cannot end them; writes complete at once. The held reads are completed only when the
 * driver unloads. One control tells a test how many reads it holds. */

#include <ntddk.h>

#include "tools/filterstandin/kernel/StuckReadDriver.h"

#define QUILLON_STUCK_READ_MAX 16

static PIRP g_Reads[QUILLON_STUCK_READ_MAX];
static ULONG g_ReadCount;
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

static NTSTATUS NTAPI fg_Succeed(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return fg_Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI fg_Read(PDEVICE_OBJECT device, PIRP irp)
{
    KIRQL irql;
    (void)device;
    KeAcquireSpinLock(&g_Lock, &irql);
    if (g_ReadCount == QUILLON_STUCK_READ_MAX)
    {
        KeReleaseSpinLock(&g_Lock, irql);
        return fg_Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    /* No cancel routine: the request stays with the driver whatever the client does. */
    IoMarkIrpPending(irp);
    g_Reads[g_ReadCount++] = irp;
    KeReleaseSpinLock(&g_Lock, irql);
    return STATUS_PENDING;
}

static NTSTATUS NTAPI fg_Write(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    (void)device;
    return fg_Complete(irp, STATUS_SUCCESS, stack->Parameters.Write.Length);
}

static NTSTATUS NTAPI fg_Control(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    KIRQL irql;
    (void)device;
    if (stack->Parameters.DeviceIoControl.IoControlCode != QUILLON_STUCK_READ_COUNT)
        return fg_Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(ULONG))
        return fg_Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    KeAcquireSpinLock(&g_Lock, &irql);
    *(ULONG*)irp->AssociatedIrp.SystemBuffer = g_ReadCount;
    KeReleaseSpinLock(&g_Lock, irql);
    return fg_Complete(irp, STATUS_SUCCESS, sizeof(ULONG));
}

static void NTAPI fg_Unload(PDRIVER_OBJECT driver)
{
    ULONG i;
    for (i = 0; i < g_ReadCount; ++i)
        fg_Complete(g_Reads[i], STATUS_CANCELLED, 0);
    g_ReadCount = 0;
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
    g_ReadCount = 0;
    RtlInitUnicodeString(&g_DeviceName, L"\\Device\\QuillonKeyboardFilter");
    RtlInitUnicodeString(&g_LinkName, L"\\DosDevices\\QuillonKeyboardFilter");
    status = IoCreateDevice(driver, 0, &g_DeviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    device->Flags |= DO_BUFFERED_IO;
    status = IoCreateSymbolicLink(&g_LinkName, &g_DeviceName);
    if (!NT_SUCCESS(status))
    {
        IoDeleteDevice(device);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = fg_Succeed;
    driver->MajorFunction[IRP_MJ_CLEANUP] = fg_Succeed;
    driver->MajorFunction[IRP_MJ_CLOSE] = fg_Succeed;
    driver->MajorFunction[IRP_MJ_READ] = fg_Read;
    driver->MajorFunction[IRP_MJ_WRITE] = fg_Write;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = fg_Control;
    driver->DriverUnload = fg_Unload;
    return STATUS_SUCCESS;
}
