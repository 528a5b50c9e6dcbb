#include <gtest/gtest.h>

#include "HotfixMark.h"
#include "RunnerTestSupport.h"
#include "TestFiles.h"
#include "ServerSettings.h"
#include "WebSite.h"

namespace
{
const wchar_t kSharedKey[] = L"SOFTWARE\\Vexa\\Vexa Kestrel";

TEST(HotfixMarkTest, CreatesOrOverwritesTheVersionWithoutTerminator)
{
    const wchar_t* keyName = L"SOFTWARE\\Vexa\\Hotfix\\KestrelRunnerMark";
    DeleteMachineKey(keyName);
    for (const wchar_t* version : {L"1.0", L"10.2.7"})
    {
        EXPECT_EQ(MarkHotfixInstalled(L"KestrelRunnerMark", version), ERROR_SUCCESS);
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(ReadMachineValue(keyName, L"Version", type, bytes));
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(TextOf(bytes), version);
    }
    DeleteMachineKey(keyName);
}

TEST(WebSiteTest, SharedKeyValueOverridesTheDefault)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedKey, L"WebSite");
    EXPECT_EQ(GetMakerWebSite(), kDefaultWebSite);

    WriteMachineString(kSharedKey, L"WebSite", L"http://127.0.0.1:8765/vexa/");
    EXPECT_EQ(GetMakerWebSite(), L"http://127.0.0.1:8765/vexa/");

    // Empty or of another type: the default.
    WriteMachineString(kSharedKey, L"WebSite", L"");
    EXPECT_EQ(GetMakerWebSite(), kDefaultWebSite);
    DWORD number = 1;
    WriteMachineValue(kSharedKey, L"WebSite", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(GetMakerWebSite(), kDefaultWebSite);

    // Stored without terminator and filling the whole buffer: still ends.
    // (The text written is followed by a non-zero unit, or the registry
    // would count a terminator in.)
    std::wstring longest(1024, L'a');
    std::wstring source = longest + L'b';
    WriteMachineValue(kSharedKey, L"WebSite", REG_SZ, source.c_str(),
                      static_cast<DWORD>(longest.size() * sizeof(wchar_t)));
    EXPECT_EQ(GetMakerWebSite(), longest);
    // Too long for the buffer: the default.
    WriteMachineString(kSharedKey, L"WebSite", source.c_str());
    EXPECT_EQ(GetMakerWebSite(), kDefaultWebSite);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedKey, L"WebSite");
}

// The address is handed to the shell as it stands; a local program stands in
// for the browser so that nothing leaves the machine.
TEST(WebSiteTest, OpensTheConfiguredAddress)
{
    CTempFolder folder;
    std::wstring recordFile = folder.File(L"record.txt");
    SetEnvironmentVariableW(L"KESTREL_RECORD_FILE", recordFile.c_str());
    WriteMachineString(kSharedKey, L"WebSite",
                       (GetDoublesFolder() + L"\\runner_installer.exe").c_str());

    OpenWebSite(nullptr);

    std::vector<StartRecord> records;
    for (int i = 0; i < 200 && records.empty(); ++i, Sleep(100))
        records = ReadStartRecords(recordFile);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].strProgram, L"runner_installer.exe");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedKey, L"WebSite");
    SetEnvironmentVariableW(L"KESTREL_RECORD_FILE", nullptr);
}
}  // namespace
