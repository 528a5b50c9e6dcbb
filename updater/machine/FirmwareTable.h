// GetSystemFirmwareTable, looked up by name once per process: systems that
// lack it are identified through the hardware-access driver instead.
#pragma once

#include <windows.h>

using GetSystemFirmwareTableFn = UINT(WINAPI*)(DWORD dwProvider, DWORD dwTableId, PVOID pBuffer,
                                               DWORD cbBuffer);

constexpr DWORD kFirmwareProviderRSMB = 0x52534D42;  // 'RSMB'

// Null when the system lacks the function. Tests may replace it.
extern GetSystemFirmwareTableFn g_pfnGetSystemFirmwareTable;

void ResolveFirmwareTableApi();
