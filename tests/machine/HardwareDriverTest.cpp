#include "HardwareDriver.h"

#include <gtest/gtest.h>

#include <string>

#include "ProcessFlags.h"
#include "TraceCapture.h"

namespace {

// Counters kept by the tests' stand-in driver.
constexpr DWORD IOCTL_QUERY_REQUESTS = 0x0022283C;
struct RequestCounters
{
    DWORD dwMapCount;
    DWORD dwLastMapAddress;
    DWORD dwLastMapLength;
    DWORD dwUnmapCount;
    DWORD dwLastUnmapAddress;
};

class CProbedDriver : public CHardwareDriver
{
public:
    RequestCounters Query()
    {
        RequestCounters counters = {};
        DWORD dwReturned = 0;
        EXPECT_TRUE(DeviceIoControl(m_hDriver.Get(), IOCTL_QUERY_REQUESTS, nullptr, 0, &counters,
                                    sizeof(counters), &dwReturned, nullptr));
        return counters;
    }
};

bool ServiceExists()
{
    CServiceHandle hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    CServiceHandle hService(OpenServiceW(hManager.Get(), kDriverServiceName, SERVICE_QUERY_STATUS));
    return hService.IsValid();
}

std::wstring ModuleFolder()
{
    wchar_t szPath[MAX_PATH];
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    *(wcsrchr(szPath, L'\\') + 1) = L'\0';
    return szPath;
}

TEST(DriverImagePath, FolderFollowsTheSystemBitness)
{
    BOOL bSaved = g_bIsWow64;
    wchar_t szPath[kDriverImagePathUnits];
    g_bIsWow64 = TRUE;
    BuildDriverImagePath(szPath, kDriverImagePathUnits);
    EXPECT_EQ(std::wstring(szPath), ModuleFolder() + L"SYS64\\kestupio.sys");
    g_bIsWow64 = FALSE;
    BuildDriverImagePath(szPath, kDriverImagePathUnits);
    EXPECT_EQ(std::wstring(szPath), ModuleFolder() + L"SYS\\kestupio.sys");
    g_bIsWow64 = bSaved;
}

TEST(DriverImagePath, A64BitBuildCountsAs64BitWindows)
{
    // The tests run as 64-bit programs, for which IsWow64Process says FALSE.
    g_bIsWow64 = FALSE;
    EXPECT_TRUE(DetectSystem64Bit());
    EXPECT_TRUE(g_bIsWow64);
}

// Installs, starts, opens, asks, stops and deletes the stand-in driver that
// the build places in SYS64\ beside this test program.
TEST(HardwareDriver, RunsThroughTheServiceManager)
{
    CTraceCapture capture;
    CProbedDriver driver;
    ASSERT_EQ(driver.InitializeDriver(), 1);
    ASSERT_TRUE(driver.IsDeviceOpen());
    EXPECT_TRUE(ServiceExists());
    EXPECT_EQ(capture.Lines(), std::vector<std::wstring>{L"InitializeDriver - 64bit OS.."});

    // The stand-in can hand out no view: the request arrives and fails.
    EXPECT_EQ(driver.MapPhysicalMemory(0xF0000, 0xFFFF), nullptr);
    driver.UnmapPhysicalMemory(nullptr);
    driver.UnmapPhysicalMemory(reinterpret_cast<BYTE*>(0x12345678));
    RequestCounters counters = driver.Query();
    EXPECT_EQ(counters.dwMapCount, 1u);
    EXPECT_EQ(counters.dwLastMapAddress, 0xF0000u);
    EXPECT_EQ(counters.dwLastMapLength, 0xFFFFu);
    EXPECT_EQ(counters.dwUnmapCount, 1u) << "a null view is not sent";
    EXPECT_EQ(counters.dwLastUnmapAddress, 0x12345678u);

    EXPECT_EQ(driver.UninitializeDriver(), 1);
    EXPECT_FALSE(driver.IsDeviceOpen());
    EXPECT_FALSE(ServiceExists());
    EXPECT_EQ(driver.MapPhysicalMemory(0xF0000, 0xFFFF), nullptr);
    EXPECT_EQ(driver.UninitializeDriver(), 0) << "nothing left to stop";
}

TEST(HardwareDriver, LeftOverServiceIsReplaced)
{
    // A service of the same name pointing nowhere, as an aborted run leaves.
    {
        CServiceHandle hManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        CServiceHandle hService(CreateServiceW(
            hManager.Get(), kDriverServiceName, kDriverServiceName, SERVICE_ALL_ACCESS,
            SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
            L"C:\\nowhere\\kestupio.sys", nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(hService.IsValid());
    }
    CHardwareDriver driver;
    EXPECT_EQ(driver.InitializeDriver(), 1);
    EXPECT_TRUE(driver.IsDeviceOpen());
    EXPECT_EQ(driver.UninitializeDriver(), 1);
    EXPECT_EQ(CHardwareDriver::RemoveDriverService(), 0);
}

}  // namespace
