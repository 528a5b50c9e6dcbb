#include "HardwareDriver.h"

#include <cstdio>

#include "ProcessFlags.h"
#include "TraceLog.h"
#include "WideText.h"

BOOL DetectSystem64Bit()
{
#if defined(_WIN64)
    // A 64-bit process runs on 64-bit Windows only; IsWow64Process answers
    // FALSE for it, so asking would call the system 32-bit.
    g_bIsWow64 = TRUE;
#else
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    g_bIsWow64 = FALSE;
    if (HMODULE hKernel = GetModuleHandleW(L"kernel32"))
    {
        auto pfnIsWow64Process = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(hKernel, "IsWow64Process")));
        BOOL bWow64 = FALSE;
        if (pfnIsWow64Process && pfnIsWow64Process(GetCurrentProcess(), &bWow64))
            g_bIsWow64 = bWow64;
    }
#endif
    return g_bIsWow64;
}

void BuildDriverImagePath(wchar_t* pszPath, size_t cchPath)
{
    wchar_t szModule[kDriverImagePathUnits] = L"";
    GetModuleFileNameW(nullptr, szModule, kDriverImagePathUnits);
    if (wchar_t* pLastSlash = wcsrchr(szModule, L'\\'))
        pLastSlash[1] = L'\0';
    FormatBounded(pszPath, cchPath, L"%s%s%s%s", szModule, g_bIsWow64 ? L"SYS64\\" : L"SYS\\",
                  kDriverServiceName, L".sys");
}

int CHardwareDriver::RemoveDriverService()
{
    CServiceHandle hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!hManager)
        return 0;
    CServiceHandle hService(OpenServiceW(hManager.Get(), kDriverServiceName, DELETE));
    if (!hService)
    {
        printf("OpenService failed (%d)\n", static_cast<int>(GetLastError()));
        return 0;
    }
    if (!DeleteService(hService.Get()))
    {
        printf("DeleteService failed (%d)\n", static_cast<int>(GetLastError()));
        return 0;
    }
    printf("DeleteService succeeded\n");
    return 1;
}

int CHardwareDriver::InitializeDriver()
{
    RemoveDriverService();

    CServiceHandle hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!hManager)
        return 0;

    if (DetectSystem64Bit())
        TraceLog(L"InitializeDriver - 64bit OS..");

    wchar_t szImagePath[kDriverImagePathUnits];
    BuildDriverImagePath(szImagePath, kDriverImagePathUnits);
    CServiceHandle hCreated(CreateServiceW(hManager.Get(), kDriverServiceName, kDriverServiceName,
                                           SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, szImagePath,
                                           nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!hCreated && GetLastError() != ERROR_SERVICE_EXISTS)
    {
        TraceLog(L"Unable to install kernel mode driver");
        return 0;
    }
    hCreated.Reset();

    CServiceHandle hService(OpenServiceW(hManager.Get(), kDriverServiceName, SERVICE_ALL_ACCESS));
    if (!hService)
    {
        TraceLog(L"Unable to open kernel mode driver");
        return 0;
    }

    bool bStarted = StartServiceW(hService.Get(), 0, nullptr) != FALSE;
    if (!bStarted && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
    {
        TraceLog(L"Unable to start kernel mode driver %s", szImagePath);
        return 0;
    }

    m_hDriver.Reset(CreateFileW(kDriverDeviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_hDriver)
        TraceLog(L"Unable to open Kernel Mode Driver");

    // A driver found already running belongs to someone else's run: the
    // device is not kept.
    if (!bStarted)
    {
        m_hDriver.Reset();
        return 0;
    }
    return 1;
}

int CHardwareDriver::UninitializeDriver()
{
    m_hDriver.Reset();

    CServiceHandle hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!hManager)
        return 0;
    CServiceHandle hService(OpenServiceW(hManager.Get(), kDriverServiceName, SERVICE_ALL_ACCESS));
    if (!hService)
        return 0;
    SERVICE_STATUS status = {};
    if (!ControlService(hService.Get(), SERVICE_CONTROL_STOP, &status))
        return 0;
    return DeleteService(hService.Get()) ? 1 : 0;
}

BYTE* CHardwareDriver::MapPhysicalMemory(DWORD dwPhysicalAddress, DWORD dwLength)
{
    if (!m_hDriver)
        return nullptr;
    DWORD adwRequest[2] = {dwPhysicalAddress, dwLength};
    DWORD dwView = 0;
    DWORD dwReturned = 0;
    if (!DeviceIoControl(m_hDriver.Get(), IOCTL_MAP_PHYSICAL_MEMORY, adwRequest, sizeof(adwRequest),
                         &dwView, sizeof(dwView), &dwReturned, nullptr))
        return nullptr;
    // The driver answers with a 32-bit address in this process.
    return reinterpret_cast<BYTE*>(static_cast<ULONG_PTR>(dwView));
}

void CHardwareDriver::UnmapPhysicalMemory(BYTE* pView)
{
    if (!pView || !m_hDriver)
        return;
    DWORD dwView = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pView));
    DWORD dwReturned = 0;
    DeviceIoControl(m_hDriver.Get(), IOCTL_UNMAP_PHYSICAL_MEMORY, &dwView, sizeof(dwView), nullptr,
                    0, &dwReturned, nullptr);
}
