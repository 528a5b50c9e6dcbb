#include "FirmwareTable.h"

GetSystemFirmwareTableFn g_pfnGetSystemFirmwareTable = nullptr;

void ResolveFirmwareTableApi()
{
    g_pfnGetSystemFirmwareTable = nullptr;
    if (HMODULE hKernel = GetModuleHandleW(L"Kernel32.dll"))
        g_pfnGetSystemFirmwareTable = reinterpret_cast<GetSystemFirmwareTableFn>(
            reinterpret_cast<void*>(GetProcAddress(hKernel, "GetSystemFirmwareTable")));
}
