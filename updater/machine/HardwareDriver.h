// Control of the hardware-access kernel driver "kestupio": installed as a
// demand-start kernel service for the moment of identification, opened as a
// device, asked to map physical memory, and removed again.
#pragma once

#include <windows.h>

#include <cstddef>

#include "PhysicalMemory.h"
#include "UniqueHandle.h"

constexpr wchar_t kDriverServiceName[] = L"kestupio";
constexpr wchar_t kDriverDeviceName[] = L"\\\\.\\kestupio";
constexpr size_t kDriverImagePathUnits = 1024;

// Device requests (FILE_DEVICE_UNKNOWN, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr DWORD IOCTL_MAP_PHYSICAL_MEMORY = 0x00222828;    // in: u32 address, u32 length; out: u32 view
constexpr DWORD IOCTL_UNMAP_PHYSICAL_MEMORY = 0x0022282C;  // in: u32 view

// Sets g_bIsWow64 and returns it: whether the system is 64-bit Windows.
BOOL DetectSystem64Bit();

// The executable's folder, "SYS\" or "SYS64\" by g_bIsWow64, "kestupio.sys".
void BuildDriverImagePath(wchar_t* pszPath, size_t cchPath);

class CHardwareDriver : public IPhysicalMemory
{
public:
    CHardwareDriver() = default;
    CHardwareDriver(const CHardwareDriver&) = delete;
    CHardwareDriver& operator=(const CHardwareDriver&) = delete;

    // 1 when the service was installed and started (m_hDriver then holds the
    // device, or stays invalid when it would not open); 0 otherwise.
    int InitializeDriver();
    // Closes the device, stops and deletes the service; 1 when both the stop
    // and the deletion succeeded.
    int UninitializeDriver();
    // Deletes a service of the driver's name left by an earlier run.
    static int RemoveDriverService();

    BYTE* MapPhysicalMemory(DWORD dwPhysicalAddress, DWORD dwLength) override;
    void UnmapPhysicalMemory(BYTE* pView) override;

    bool IsDeviceOpen() const { return m_hDriver.IsValid(); }

protected:
    CFileHandle m_hDriver;
};
