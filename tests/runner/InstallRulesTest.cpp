#include "InstallRules.h"

#include <gtest/gtest.h>

TEST(InstallRulesTest, SplitsAtTheFirstSeparatorOnly)
{
    struct Case
    {
        const wchar_t* text;
        const wchar_t* program;
        const wchar_t* parameters;
    };
    const Case cases[] = {
        {L"C:\\K\\Temp\\3\\setup.exe%%/s /v", L"C:\\K\\Temp\\3\\setup.exe", L"/s /v"},
        // Blanks do not split: the whole text is the program.
        {L"C:\\Program Files\\K\\setup.exe /s", L"C:\\Program Files\\K\\setup.exe /s", L""},
        {L"a.exe%%b%%c", L"a.exe", L"b%%c"},
        {L"a.exe%%", L"a.exe", L""},
        {L"%%-s", L"", L"-s"},
        {L"a.exe%b", L"a.exe%b", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases)
    {
        CommandParts parts = SplitCommandLine(c.text);
        EXPECT_EQ(parts.strProgram, c.program) << c.text;
        EXPECT_EQ(parts.strParameters, c.parameters) << c.text;
    }
}

TEST(InstallRulesTest, ExitCodeVerdicts)
{
    struct Case
    {
        DWORD exitCode;
        ExitVerdict verdict;
    };
    const Case cases[] = {
        {0, ExitVerdict::Succeeded},
        {3010, ExitVerdict::SucceededRestartRequired},
        {1641, ExitVerdict::SucceededRestartRequired},
        {1, ExitVerdict::Failed},
        {3, ExitVerdict::Failed},
        {1602, ExitVerdict::Failed},  // cancelled by the user
        {3011, ExitVerdict::Failed},
        {0xC0000005, ExitVerdict::Failed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeExitCode(c.exitCode), c.verdict) << c.exitCode;
}

TEST(InstallRulesTest, ExpandsVariablesAndKeepsTheSeparator)
{
    SetEnvironmentVariableW(L"CURDIR", L"C:\\Kest\\Temp\\7");
    SetEnvironmentVariableW(L"KESTREL_LONG", std::wstring(1100, L'x').c_str());
    struct Case
    {
        const wchar_t* command;
        bool expanded;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"%CURDIR%\\setup.exe%%/s /v", true, L"C:\\Kest\\Temp\\7\\setup.exe%%/s /v"},
        {L"%CURDIR%\\a.exe%%%CURDIR%\\b.inf", true, L"C:\\Kest\\Temp\\7\\a.exe%%C:\\Kest\\Temp\\7\\b.inf"},
        {L"%KESTREL_UNSET_NAME%\\a.exe", true, L"%KESTREL_UNSET_NAME%\\a.exe"},
        // A command that does not fit the 1024 units is not started cut.
        {L"%KESTREL_LONG%", false, L""},
    };
    for (const Case& c : cases)
    {
        wchar_t buf[kExpandedCommandUnits];
        EXPECT_EQ(ExpandCommandLine(c.command, buf), c.expanded) << c.command;
        EXPECT_STREQ(buf, c.text) << c.command;
    }
    SetEnvironmentVariableW(L"KESTREL_LONG", nullptr);
}

TEST(InstallRulesTest, ItemFolderIsTheIndexBelowTemp)
{
    EXPECT_EQ(FormatItemFolder(L"C:\\Program Files\\Vexa\\Kestrel", 12),
              L"C:\\Program Files\\Vexa\\Kestrel\\Temp\\12");
    EXPECT_EQ(FormatItemFolder(L"D:\\", 3), L"D:\\Temp\\3");
}

TEST(InstallRulesTest, BiosParametersAndRebootText)
{
    EXPECT_EQ(FormatBiosParameters(L"C:\\KESTRE~1\\Temp\\1\\BIOSIM~1.ROM"),
              L"C:\\KESTRE~1\\Temp\\1\\BIOSIM~1.ROM -NoRebootMsg");
    EXPECT_EQ(ComposeRebootText(L"Reboot now.", L"Load defaults!"), L"Reboot now.\nLoad defaults!");
    EXPECT_EQ(ComposeRebootText(L"Reboot now.", nullptr), L"Reboot now.");
}

TEST(InstallRulesTest, OnlyADwordOf530IsAFlashSuccess)
{
    struct Case
    {
        LSTATUS status;
        DWORD type;
        DWORD size;
        DWORD value;
        bool succeeded;
    };
    const Case cases[] = {
        {ERROR_SUCCESS, REG_DWORD, 4, 530, true},
        {ERROR_SUCCESS, REG_DWORD, 4, 0, false},
        {ERROR_SUCCESS, REG_DWORD, 4, 531, false},
        {ERROR_FILE_NOT_FOUND, REG_NONE, 4, 0, false},
        {ERROR_MORE_DATA, REG_SZ, 4, 530, false},
        {ERROR_SUCCESS, REG_SZ, 4, 530, false},
        {ERROR_SUCCESS, REG_BINARY, 4, 530, false},
        {ERROR_SUCCESS, REG_DWORD, 2, 530, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsBiosFlashSucceeded(c.status, c.type, c.size, c.value), c.succeeded)
            << c.status << " " << c.type << " " << c.size << " " << c.value;
}

TEST(InstallRulesTest, HotfixKeyIsBoundedTo255Characters)
{
    EXPECT_EQ(FormatHotfixKey(L"KB958644"), L"SOFTWARE\\Vexa\\Hotfix\\KB958644");
    std::wstring key = FormatHotfixKey(std::wstring(300, L'n').c_str());
    EXPECT_EQ(key.size(), 255u);
    EXPECT_EQ(key.compare(0, 22, L"SOFTWARE\\Vexa\\Hotfix\\n"), 0);
}
