// Starting and waiting for installers, and finding the starter.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "ParentProcess.h"
#include "RunProcess.h"
#include "TestDoubles.h"
#include "TestFiles.h"

namespace {

// Every process of the prefix as the system lists it.
std::vector<PROCESSENTRY32W> ListProcesses()
{
    std::vector<PROCESSENTRY32W> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    return processes;
}

class RunProcessTest : public testing::Test
{
protected:
    CTempFolder m_records;
    CRecordFolder m_recordFolder{Narrow(m_records.Path())};
    std::string m_doubles = TestProgramFolder() + "doubles";
};

TEST_F(RunProcessTest, PassesParametersAndFolderAndWaitsForTheEnd)
{
    EXPECT_TRUE(RunProcessAndWait(m_doubles.c_str(), "setup.exe", "-f1\"C:\\K\\setup.iss\" -s"));
    // The stand-in wrote its record before it ended.
    std::vector<std::string> lines = m_recordFolder.Lines("setup");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], m_doubles + "|-f1\"C:\\K\\setup.iss\" -s");
}

TEST_F(RunProcessTest, TerminatesAProgramThatOutlastsTheRounds)
{
    // A message left in the queue is drained while the program runs.
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);

    EXPECT_FALSE(RunProcessAndWait(m_doubles.c_str(), "Kestupdt.exe", "--hold", 1));

    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    // The held program is gone: a process snapshot no longer lists it.
    ASSERT_EQ(m_recordFolder.Lines("updater").size(), 1u);
    for (const PROCESSENTRY32W& process : ListProcesses())
        EXPECT_NE(lstrcmpiW(process.szExeFile, L"Kestupdt.exe"), 0);
}

TEST_F(RunProcessTest, AProgramThatCannotStartCountsAsDone)
{
    EXPECT_TRUE(RunProcessAndWait(m_doubles.c_str(), "missing.exe", "-s"));
}

TEST(ParentProcessTest, NamesTheProcessThatStartedThisOne)
{
    // The test program starts itself again, running only this case, and
    // tells the copy which id to expect.
    char expected[16] = "";
    if (GetEnvironmentVariableA("KESTREL_EXPECTED_PARENT", expected, sizeof(expected)))
    {
        EXPECT_EQ(GetParentProcessId(), std::strtoul(expected, nullptr, 10));
        return;
    }
    SetEnvironmentVariableA("KESTREL_EXPECTED_PARENT",
                            std::to_string(GetCurrentProcessId()).c_str());
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine =
        std::string("\"") + self + "\" --gtest_filter=ParentProcessTest.NamesTheProcessThatStartedThisOne";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessA(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &child);
    SetEnvironmentVariableA("KESTREL_EXPECTED_PARENT", nullptr);
    ASSERT_TRUE(started);
    WaitForSingleObject(child.hProcess, 30000);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
