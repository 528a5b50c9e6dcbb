#include "InstallRunner.h"

#include <gtest/gtest.h>

#include "RunnerTestSupport.h"
#include "SharedSettings.h"
#include "TestFiles.h"
#include "TraceCapture.h"
#include "WideText.h"

namespace
{
constexpr LONG kItemIndex = 7;
const wchar_t kHoldEvent[] = L"KestrelRunnerTestHold";
const wchar_t kHotfixName[] = L"KestrelRunnerTestHotfix";
const wchar_t kHotfixKey[] = L"SOFTWARE\\Vexa\\Hotfix\\KestrelRunnerTestHotfix";
const wchar_t kFlashKey[] = L"SOFTWARE\\VEXA\\PELM60\\BIOSFLASH";
const wchar_t kRomtoolAppPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Romtool.exe";

class InstallRunnerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryW(m_program.File(L"Temp").c_str(), nullptr);
        m_strItemFolder = FormatItemFolder(m_program.Path().c_str(), kItemIndex);
        CreateDirectoryW(m_strItemFolder.c_str(), nullptr);
        m_strRecordFile = m_program.File(L"record.txt");
        SetEnvironmentVariableW(L"KESTREL_RECORD_FILE", m_strRecordFile.c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"KESTREL_RECORD_FILE", nullptr);
        SetEnvironmentVariableW(L"KESTREL_RECORD_HOLD", nullptr);
    }

    // Places the installer double in the item folder under the given name.
    void PlaceInstaller(const wchar_t* name)
    {
        std::wstring source = GetDoublesFolder() + L"\\runner_installer.exe";
        ASSERT_TRUE(CopyFileW(source.c_str(), ItemFile(name).c_str(), FALSE));
    }

    std::wstring ItemFile(const wchar_t* name) const { return m_strItemFolder + L"\\" + name; }

    static UpdateItem* MakeItem(BYTE type, const wchar_t* name)
    {
        UpdateItem* item = new UpdateItem;
        item->bType = type;
        lstrcpyW(item->szName, name);
        lstrcpyW(item->szVersion, L"1.2");
        item->nIndex = kItemIndex;
        return item;
    }

    // Installs and frees the item; the result of InstallItem.
    BOOL Install(UpdateItem* item)
    {
        BOOL result = m_runner.InstallItem(item);
        FreeUpdateItem(item);
        return result;
    }

    std::vector<StartRecord> Records() const { return ReadStartRecords(m_strRecordFile); }

    CTempFolder m_program;
    std::wstring m_strItemFolder;
    std::wstring m_strRecordFile;
    CFakeInstallHost m_host;
    CInstallRunner m_runner{m_host, m_program.Path(), 1};
};

TEST_F(InstallRunnerTest, SeparatorSplitsProgramAndParametersInTheItemFolder)
{
    PlaceInstaller(L"setup.exe");
    UpdateItem* item = MakeItem(kItemTypeDriver, L"Audio");
    lstrcpyW(item->szExecute, L"%CURDIR%\\setup.exe%%/s /v");
    CTraceCapture trace;

    ASSERT_TRUE(Install(item));

    std::vector<StartRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].strProgram, L"setup.exe");
    EXPECT_EQ(records[0].strArguments, L"/s /v");
    EXPECT_EQ(records[0].strFolder, m_strItemFolder);
    EXPECT_EQ(records[0].strCurDir, m_strItemFolder);
    std::wstring expected = L"RunAndWait - Directory: \"" + m_strItemFolder + L"\", File : \"" +
                            ItemFile(L"setup.exe") + L"\", Parameters : \"/s /v\"";
    EXPECT_EQ(trace.Lines(), (std::vector<std::wstring>{expected, L"RunAndWait - exit code 0"}));
}

TEST_F(InstallRunnerTest, TextWithoutSeparatorIsTheWholeProgram)
{
    PlaceInstaller(L"my setup.exe");
    PlaceInstaller(L"setup.exe");
    struct Case
    {
        const wchar_t* execute;
        BOOL installed;
    };
    const Case cases[] = {
        {L"%CURDIR%\\my setup.exe", TRUE},
        // Not cut at the blank into setup.exe and "/s": no such program.
        {L"%CURDIR%\\setup.exe /s", FALSE},
        {L"", FALSE},
        {L"%%/s", FALSE},
    };
    for (const Case& c : cases)
    {
        DeleteFileW(m_strRecordFile.c_str());
        UpdateItem* item = MakeItem(kItemTypeAP, L"Tool");
        lstrcpyW(item->szExecute, c.execute);
        EXPECT_EQ(Install(item), c.installed) << c.execute;
        std::vector<StartRecord> records = Records();
        ASSERT_EQ(records.size(), c.installed ? 1u : 0u) << c.execute;
        if (c.installed)
        {
            EXPECT_EQ(records[0].strProgram, L"my setup.exe");
            EXPECT_EQ(records[0].strArguments, L"");
        }
    }
}

TEST_F(InstallRunnerTest, HotfixCommandsRunInOrderThenTheMarkIsWritten)
{
    DeleteMachineKey(kHotfixKey);
    PlaceInstaller(L"setup.exe");
    UpdateItem* item = MakeItem(kItemTypeHotfix, kHotfixName);
    lstrcpyW(item->szPrePatch, L"%CURDIR%\\setup.exe%%pre");
    lstrcpyW(item->szUninstall, L"%CURDIR%\\setup.exe%%uninstall");
    lstrcpyW(item->szExecute, L"%CURDIR%\\setup.exe%%execute");
    lstrcpyW(item->szPostPatch, L"%CURDIR%\\setup.exe%%post");

    ASSERT_TRUE(Install(item));

    std::vector<std::wstring> order;
    for (const StartRecord& record : Records())
        order.push_back(record.strArguments);
    EXPECT_EQ(order, (std::vector<std::wstring>{L"pre", L"uninstall", L"execute", L"post"}));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(ReadMachineValue(kHotfixKey, L"Version", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(TextOf(bytes), L"1.2");
    DeleteMachineKey(kHotfixKey);
}

TEST_F(InstallRunnerTest, ExitCodesDecideTheItemAndItsRestart)
{
    struct Case
    {
        const wchar_t* exit;
        BOOL installed;
        bool restart;
    };
    const Case cases[] = {
        {L"exit=0", TRUE, false},
        {L"exit=1", FALSE, false},
        {L"exit=3010", TRUE, true},
        {L"exit=1641", TRUE, true},
        {L"exit=0", TRUE, false},  // an earlier item's restart is not carried over
    };
    PlaceInstaller(L"setup.exe");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Narrow(c.exit));
        UpdateItem* item = MakeItem(kItemTypeAP, L"Kestrel Runner Test");
        lstrcpyW(item->szExecute, (std::wstring(L"setup.exe%%") + c.exit).c_str());
        EXPECT_EQ(Install(item), c.installed);
        EXPECT_EQ(m_runner.IsRestartRequested(), c.restart);
    }
    // A failed command ends the item: the commands after it do not run.
    UpdateItem* item = MakeItem(kItemTypeAP, L"Kestrel Runner Test");
    lstrcpyW(item->szExecute, L"setup.exe%%exit=2");
    lstrcpyW(item->szPostPatch, L"setup.exe%%post");
    EXPECT_FALSE(Install(item));
    EXPECT_EQ(Records().back().strArguments, L"exit=2");
}

TEST_F(InstallRunnerTest, UninstallThatCannotStartFailsBeforeExecute)
{
    DeleteMachineKey(kHotfixKey);
    PlaceInstaller(L"setup.exe");
    UpdateItem* item = MakeItem(kItemTypeHotfix, kHotfixName);
    lstrcpyW(item->szPrePatch, L"%CURDIR%\\setup.exe%%pre");
    lstrcpyW(item->szUninstall, L"%CURDIR%\\missing.exe%%/u");
    lstrcpyW(item->szExecute, L"%CURDIR%\\setup.exe%%execute");
    CTraceCapture trace;

    EXPECT_FALSE(Install(item));

    std::vector<StartRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].strArguments, L"pre");
    EXPECT_EQ(trace.Lines().back(), L"RunAndWait - ShellExecuteEx function fail");
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(ReadMachineValue(kHotfixKey, L"Version", type, bytes));
}

// While the installer runs the window's messages keep flowing: the installer
// double ends only once the window has handled a message posted before.
TEST_F(InstallRunnerTest, MessagesFlowWhileTheProgramRuns)
{
    static HANDLE s_release = nullptr;
    s_release = CreateEventW(nullptr, TRUE, FALSE, kHoldEvent);
    ASSERT_NE(s_release, nullptr);
    WNDCLASSW wc = {};
    wc.lpszClassName = L"KestrelRunnerTestWindow";
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_APP)
            SetEvent(s_release);
        return DefWindowProcW(hwnd, msg, wp, lp);
    };
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PlaceInstaller(L"setup.exe");
    SetEnvironmentVariableW(L"KESTREL_RECORD_HOLD", kHoldEvent);
    PostMessageW(window, WM_APP, 0, 0);

    std::wstring command = ItemFile(L"setup.exe") + L"%%held";
    EXPECT_EQ(m_runner.RunAndWait(m_strItemFolder.c_str(), command.c_str()), 1);

    std::vector<StartRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].strArguments, L"held");
    DestroyWindow(window);
    CloseHandle(s_release);
}

class BiosFlashTest : public InstallRunnerTest
{
protected:
    static void SetUpTestSuite()
    {
        WriteMachineString(kRomtoolAppPath, L"", (GetDoublesFolder() + L"\\romtool\\Romtool.exe").c_str());
    }
    static void TearDownTestSuite() { DeleteMachineKey(kRomtoolAppPath); }

    // A BIOS item whose image file tells the utility double what to leave.
    UpdateItem* MakeBiosItem(const char* verdictOrder)
    {
        m_program.WriteBytes((L"Temp\\7\\" + std::wstring(kImageName)).c_str(), verdictOrder);
        UpdateItem* item = MakeItem(kItemTypeBios, L"BIOS");
        lstrcpyW(item->szExecute, kImageName);
        return item;
    }

    static constexpr const wchar_t* kImageName = L"Bios Image 0602.rom";
};

TEST_F(BiosFlashTest, OnlyAnErrorCodeOf530IsASuccess)
{
    struct Case
    {
        const char* order;
        BOOL flashed;
    };
    const Case cases[] = {
        {"dword 530", TRUE},
        {"dword 0", FALSE},
        {"none", FALSE},
        {"text 530", FALSE},
    };
    for (const Case& c : cases)
    {
        DeleteFileW(m_strRecordFile.c_str());
        // A verdict left by an earlier flash must not count.
        DWORD stale = kBiosFlashSucceeded;
        WriteMachineValue(kFlashKey, L"Error Code", REG_DWORD, &stale, sizeof(stale));

        EXPECT_EQ(Install(MakeBiosItem(c.order)), c.flashed) << c.order;

        std::vector<StartRecord> records = Records();
        ASSERT_EQ(records.size(), 1u) << c.order;
        wchar_t shortImage[MAX_PATH];
        ASSERT_NE(GetShortPathNameW(ItemFile(kImageName).c_str(), shortImage, MAX_PATH), 0u);
        ASSERT_EQ(wcschr(shortImage, L' '), nullptr);
        EXPECT_EQ(records[0].strProgram, L"Romtool.exe");
        EXPECT_EQ(records[0].strArguments, std::wstring(shortImage) + L" -NoRebootMsg");
        EXPECT_EQ(records[0].strFolder, m_program.Path());
    }
    DeleteMachineKey(kFlashKey);
}

TEST_F(BiosFlashTest, FailsWithoutImageOrUtility)
{
    UpdateItem* item = MakeItem(kItemTypeBios, L"BIOS");
    lstrcpyW(item->szExecute, L"missing.rom");
    EXPECT_FALSE(Install(item));

    DeleteMachineKey(kRomtoolAppPath);
    EXPECT_FALSE(Install(MakeBiosItem("dword 530")));
    EXPECT_TRUE(Records().empty());
    SetUpTestSuite();
}

TEST_F(InstallRunnerTest, ProductWithoutSetupFailsBeforeAnyHandOver)
{
    UpdateItem* item = MakeItem(kItemTypeAP, L"Vexa Kestrel");
    EXPECT_FALSE(Install(item));
    EXPECT_TRUE(m_host.aShownText.empty());
    EXPECT_TRUE(m_host.aSelfUpdateState.empty());
    EXPECT_FALSE(m_host.bSelfUpdateStarted);
}

TEST_F(InstallRunnerTest, ProductSetupIsStartedWithoutWaiting)
{
    struct Case
    {
        bool hasInstalledVersion;
        const wchar_t* lastVersion;
    };
    const Case cases[] = {{true, L"V2.0.1"}, {false, kUnknownProductVersion}};
    PlaceInstaller(L"setup.exe");
    for (const Case& c : cases)
    {
        DeleteFileW(m_strRecordFile.c_str());
        m_host = CFakeInstallHost();
        m_host.bHasInstalledVersion = c.hasInstalledVersion;
        WriteMachineString(kSharedSettingsKey, L"Path", L"C:\\Kestrel\\New");
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, kHoldEvent);
        SetEnvironmentVariableW(L"KESTREL_RECORD_HOLD", kHoldEvent);
        UpdateItem* item = MakeItem(kItemTypeAP, L"VEXA kestrel");
        lstrcpyW(item->szZipPath, L"/pub/VEXA/Kestrel/Kestrel21.zip");

        ASSERT_TRUE(m_runner.InstallItem(item));

        EXPECT_EQ(item, nullptr);  // freed by the runner
        EXPECT_TRUE(m_host.bSelfUpdateStarted);
        EXPECT_EQ(m_host.aShownText,
                  std::vector<std::wstring>{L"Program will be closed for a time to update itself."});
        ASSERT_EQ(m_host.aSelfUpdateState.size(), 1u);
        EXPECT_EQ(m_host.aSelfUpdateState[0].first, c.lastVersion);
        EXPECT_EQ(m_host.aSelfUpdateState[0].second, L"/pub/VEXA/Kestrel/Kestrel21.zip");
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(ReadMachineValue(kSharedSettingsKey, L"SelfUpdating", type, bytes));
        EXPECT_EQ(TextOf(bytes), c.lastVersion);
        ASSERT_TRUE(ReadMachineValue(kSharedSettingsKey, L"Source", type, bytes));
        EXPECT_EQ(TextOf(bytes), L"/pub/VEXA/Kestrel/Kestrel21.zip");
        EXPECT_FALSE(ReadMachineValue(kSharedSettingsKey, L"Path", type, bytes));
        // The setup is still held: the runner did not wait for it.
        EXPECT_TRUE(Records().empty());

        SetEvent(release);
        std::vector<StartRecord> records;
        for (int i = 0; i < 200 && records.empty(); ++i, Sleep(100))
            records = Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].strProgram, L"setup.exe");
        EXPECT_EQ(records[0].strArguments, L"-s");
        EXPECT_EQ(records[0].strFolder, m_strItemFolder);
        CloseHandle(release);
    }
    DeleteMachineKey(kSharedSettingsKey);
}

// Stands in for ExitWindowsEx: a real reboot request would end the session
// of every program in the prefix.
struct ExitWindowsCall
{
    UINT flags;
    DWORD reason;
    bool privilegeEnabled;
};
std::vector<ExitWindowsCall> s_exitCalls;

bool IsShutdownPrivilegeEnabled()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    LUID shutdown = {};
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown);
    BYTE buffer[4096];
    DWORD size = 0;
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof(buffer), &size))
    {
        auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer);
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
            if (privileges->Privileges[i].Luid.LowPart == shutdown.LowPart &&
                privileges->Privileges[i].Luid.HighPart == shutdown.HighPart)
                enabled = (privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    CloseHandle(token);
    return enabled;
}

void DisableShutdownPrivilege()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

BOOL WINAPI RecordExitWindows(UINT flags, DWORD reason)
{
    s_exitCalls.push_back({flags, reason, IsShutdownPrivilegeEnabled()});
    return TRUE;
}

TEST(RestartComputerTest, NoticeThenRebootWithThePrivilegeEnabled)
{
    struct Case
    {
        bool bios;
        const wchar_t* text;
    };
    const Case cases[] = {
        {true,
         L"After press OK, System will be rebooted to make your change to take effect.\n"
         L"Please remember to enter BIOS Setup screen and then load default BIOS setting!"},
        {false, L"After press OK, System will be rebooted to make your change to take effect."},
    };
    for (const Case& c : cases)
    {
        CFakeInstallHost host;
        CInstallRunner runner(host, L"C:\\Kestrel", 1, RecordExitWindows);
        s_exitCalls.clear();
        DisableShutdownPrivilege();
        ASSERT_FALSE(IsShutdownPrivilegeEnabled());

        runner.RestartComputer(c.bios);

        EXPECT_EQ(host.aShownText, std::vector<std::wstring>{c.text});
        ASSERT_EQ(s_exitCalls.size(), 1u);
        EXPECT_EQ(s_exitCalls[0].flags, static_cast<UINT>(EWX_REBOOT));
        EXPECT_EQ(s_exitCalls[0].reason, 0u);
        EXPECT_TRUE(s_exitCalls[0].privilegeEnabled);
        EXPECT_EQ(host.aDialogResult, std::vector<int>{0});
    }
}
}  // namespace
