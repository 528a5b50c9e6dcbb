#include "InstalledInventory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "TraceCapture.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kPrivateVersion[] = L"kta7501e157-4b4a-4850-b6ea-3bea55826ba9";
const wchar_t kPlayer[] = L"Kestrel Test Player";

// A key below HKEY_LOCAL_MACHINE made for one test and deleted with its
// subkeys afterwards.
class CTestKey
{
public:
    explicit CTestKey(std::wstring path) : m_path(std::move(path))
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_path.c_str());
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, m_key.Put(), nullptr),
                  ERROR_SUCCESS)
            << Narrow(m_path);
    }
    ~CTestKey()
    {
        m_key.Reset();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_path.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_path.c_str());
    }

    CTestKey& Set(const wchar_t* name, const std::wstring& text)
    {
        return SetRaw(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    CTestKey& SetDword(const wchar_t* name, DWORD value)
    {
        return SetRaw(name, REG_DWORD, &value, sizeof(value));
    }
    CTestKey& SetRaw(const wchar_t* name, DWORD type, const void* data, size_t bytes)
    {
        RegSetValueExW(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(bytes));
        return *this;
    }

    // A string value's text, or "missing".
    std::wstring Text(const wchar_t* name) const
    {
        wchar_t text[256] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                             &bytes) != ERROR_SUCCESS)
            return L"missing";
        return text;
    }

private:
    std::wstring m_path;
    CRegKey m_key;
};

std::wstring UninstallEntry(const wchar_t* name)
{
    return std::wstring(kUninstallKey) + L"\\" + name;
}

size_t CountOf(const std::vector<std::wstring>& names, const wchar_t* name)
{
    return std::count(names.begin(), names.end(), std::wstring(name));
}

const InstalledItem* FindInstalled(const InstalledItemArray& list, const wchar_t* name)
{
    for (const InstalledItem& installed : list)
    {
        if (std::wstring(installed.szName) == name)
            return &installed;
    }
    return nullptr;
}

std::wstring Version(CInstalledInventory& inventory, const wchar_t* name, BOOL* found = nullptr)
{
    wchar_t version[100] = L"unchanged";
    BOOL result = inventory.GetAPVersion(name, version, sizeof(version));
    if (found)
        *found = result;
    return version;
}

TEST(ApplicationInventory, ListsEveryEntryOfADisplayNameAndWritesVersionsIntoAll)
{
    CTestKey a(UninstallEntry(L"KestrelTest_A"));
    CTestKey b(UninstallEntry(L"KestrelTest_B"));
    a.Set(L"DisplayName", kPlayer).Set(L"DisplayVersion", L"1.0");
    b.Set(L"DisplayName", L"KESTREL TEST PLAYER");
    CInstalledInventory inventory;
    CTraceCapture trace;

    EXPECT_EQ(inventory.EnumerateInstalledAP(), 1);
    EXPECT_EQ(CountOf(inventory.m_aInstalledAP, kPlayer), 1u);
    EXPECT_EQ(CountOf(inventory.m_aInstalledAP, L"KESTREL TEST PLAYER"), 1u);
    EXPECT_TRUE(inventory.m_bAPInventoryFound);
    EXPECT_NE(std::find(trace.Lines().begin(), trace.Lines().end(),
                        L"EnumerateInstalledAP - Add Kestrel Test Player"),
              trace.Lines().end());
    wchar_t sizeLine[100];
    swprintf(sizeLine, 100, L"EnumerateInstalledAP - m_aInstalledAP.GetSize() %d",
             static_cast<int>(inventory.m_aInstalledAP.size()));
    EXPECT_EQ(trace.Lines().back(), sizeLine);

    // Only "DisplayVersion" so far.
    EXPECT_EQ(Version(inventory, L"kestrel test player"), L"1.0");

    EXPECT_TRUE(inventory.SetAPVersion(L"Kestrel test Player", L"2.0"));
    EXPECT_EQ(a.Text(kPrivateVersion), L"2.0");
    EXPECT_EQ(b.Text(kPrivateVersion), L"2.0");
    EXPECT_EQ(a.Text(L"DisplayVersion"), L"1.0");
    EXPECT_EQ(Version(inventory, kPlayer), L"2.0");

    EXPECT_FALSE(inventory.SetAPVersion(L"Kestrel Test Nobody", L"2.0"));
}

TEST(ApplicationInventory, DisplayNamesThatAreNotUsableStrings)
{
    CTestKey empty(UninstallEntry(L"KestrelTest_Empty"));
    CTestKey number(UninstallEntry(L"KestrelTest_Number"));
    CTestKey longest(UninstallEntry(L"KestrelTest_Longest"));
    CTestKey tooLong(UninstallEntry(L"KestrelTest_TooLong"));
    empty.Set(L"DisplayName", L"");
    number.SetDword(L"DisplayName", 7);
    const std::wstring name99 = L"Kestrel Test " + std::wstring(86, L'9');
    const std::wstring name100 = L"Kestrel Test " + std::wstring(87, L'0');
    longest.Set(L"DisplayName", name99);
    tooLong.Set(L"DisplayName", name100);
    CInstalledInventory inventory;

    inventory.EnumerateInstalledAP();

    EXPECT_EQ(CountOf(inventory.m_aInstalledAP, name99.c_str()), 1u);
    for (const std::wstring& name : inventory.m_aInstalledAP)
    {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(L"Kestrel Test 000"), std::wstring::npos);
    }
}

TEST(ApplicationInventory, VersionSources)
{
    CTestKey privateWins(UninstallEntry(L"KestrelTest_Private"));
    privateWins.Set(L"DisplayName", L"Kestrel Test Private")
        .Set(L"DisplayVersion", L"1.0")
        .Set(kPrivateVersion, L"3.0");
    CTestKey notAString(UninstallEntry(L"KestrelTest_Dword"));
    notAString.Set(L"DisplayName", L"Kestrel Test Dword")
        .Set(L"DisplayVersion", L"1.5")
        .SetDword(kPrivateVersion, 3);
    CTestKey ovo(UninstallEntry(L"KestrelTest_Ovo"));
    ovo.Set(L"DisplayName", L"Vexa Ovo Manager 2");
    CTestKey ovoLower(UninstallEntry(L"KestrelTest_OvoLower"));
    ovoLower.Set(L"DisplayName", L"vexa ovo manager");
    CTestKey tidy(UninstallEntry(L"KestrelTest_Tidy"));
    tidy.Set(L"DisplayName", L"Tidy Mode").Set(L"DisplayVersion", L"4.0");
    CInstalledInventory inventory;

    struct Case
    {
        const wchar_t* name;
        BOOL found;
        const wchar_t* version;
    };
    const Case cases[] = {
        {L"Kestrel Test Private", TRUE, L"3.0"},
        {L"Kestrel Test Dword", TRUE, L"1.5"},
        {L"Vexa Ovo Manager 2", TRUE, L""},
        {L"vexa ovo manager", FALSE, L"unchanged"},  // the tool names' case counts
        {L"Ovo Screen Setting Lite", TRUE, L""},      // no entry needed at all
        {L"Tidy Mode", TRUE, L"4.0"},
        {L"Kestrel Test Nobody", FALSE, L"unchanged"},
    };
    for (const Case& c : cases)
    {
        BOOL found = FALSE;
        EXPECT_EQ(Version(inventory, c.name, &found), c.version) << Narrow(c.name);
        EXPECT_EQ(found, c.found) << Narrow(c.name);
    }
}

TEST(HotfixInventory, ListsMarksWithAVersionString)
{
    const std::wstring hotfixKey = L"SOFTWARE\\Vexa\\Hotfix\\";
    CTestKey good(hotfixKey + L"KestrelTestKB1");
    CTestKey empty(hotfixKey + L"KestrelTestKB2");
    CTestKey number(hotfixKey + L"KestrelTestKB3");
    CTestKey none(hotfixKey + L"KestrelTestKB4");
    good.Set(L"Version", L"1.2");
    empty.Set(L"Version", L"");
    number.SetDword(L"Version", 5);
    CInstalledInventory inventory;
    inventory.m_aInstalledHotfix.resize(1);  // rebuilt, not appended to
    CTraceCapture trace;

    EXPECT_EQ(inventory.EnumerateInstalledHotfix(), 1);

    const InstalledItem* kb1 = FindInstalled(inventory.m_aInstalledHotfix, L"KestrelTestKB1");
    ASSERT_NE(kb1, nullptr);
    EXPECT_STREQ(kb1->szVersion, L"1.2");
    for (const InstalledItem& hotfix : inventory.m_aInstalledHotfix)
    {
        EXPECT_NE(hotfix.szName[0], L'\0');
        EXPECT_EQ(std::wstring(hotfix.szName).find(L"KestrelTestKB", 0) == 0,
                  std::wstring(hotfix.szName) == L"KestrelTestKB1");
    }
    EXPECT_NE(std::find(trace.Lines().begin(), trace.Lines().end(),
                        L"EnumerateInstalledHotfix - Add 1.2"),
              trace.Lines().end());

    UpdateItem item;
    item.bType = kItemTypeHotfix;
    wcscpy(item.szName, L"kestreltestkb1");
    EXPECT_EQ(inventory.GetInstalledHotfix(item), kb1);
    item.bType = kItemTypeAP;
    EXPECT_EQ(inventory.GetInstalledHotfix(item), nullptr);
}

TEST(DeviceInventory, SetupApiListsWineDevicesWithHardwareIds)
{
    CInstalledInventory inventory;
    EXPECT_EQ(inventory.EnumerateInstalledDevice(), 1);
    ASSERT_FALSE(inventory.m_aInstalledDevice.empty());
    for (const HardwareIdEntry& device : inventory.m_aInstalledDevice)
        EXPECT_NE(device.szHardwareId[0], L'\0');

    inventory.ClearInstalledDeviceArray();
    EXPECT_TRUE(inventory.m_aInstalledDevice.empty());
}

TEST(DeviceInventory, DriverKeyGivesVersionAndDate)
{
    const std::wstring classKey =
        L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6b3a0b6e-0000-4e55-9d3c-6b657374726c}";
    CTestKey dated(classKey + L"\\0000");
    CTestKey undated(classKey + L"\\0001");
    CTestKey shortDate(classKey + L"\\0002");
    const ULONGLONG march1st2009 = 128803392000000000ULL;  // 2009-03-01 00:00 UTC
    dated.Set(L"DriverVersion", L"6.1.7600.16385")
        .SetRaw(L"DriverDateData", REG_BINARY, &march1st2009, sizeof(march1st2009));
    undated.Set(L"DriverVersion", L"1.0");
    const DWORD fourBytes = 1;
    shortDate.SetRaw(L"DriverDateData", REG_BINARY, &fourBytes, sizeof(fourBytes));

    struct Case
    {
        const wchar_t* key;
        const wchar_t* version;
        const wchar_t* date;
    };
    const Case cases[] = {
        {L"{6b3a0b6e-0000-4e55-9d3c-6b657374726c}\\0000", L"6.1.7600.16385", L"03/01/2009"},
        {L"{6b3a0b6e-0000-4e55-9d3c-6b657374726c}\\0001", L"1.0", L""},
        {L"{6b3a0b6e-0000-4e55-9d3c-6b657374726c}\\0002", L"", L""},
        {L"{6b3a0b6e-0000-4e55-9d3c-6b657374726c}\\0009", L"", L""},
    };
    for (const Case& c : cases)
    {
        HardwareIdEntry entry;
        ReadDriverKey(c.key, entry);
        EXPECT_STREQ(entry.szVersion, c.version) << Narrow(c.key);
        EXPECT_STREQ(entry.szDate, c.date) << Narrow(c.key);
    }
}

TEST(DeviceInventory, DriverDateIsMonthDayYear)
{
    SYSTEMTIME date = {};
    date.wYear = 2008;
    date.wMonth = 12;
    date.wDay = 31;
    date.wHour = 23;
    FILETIME fileTime;
    ASSERT_TRUE(SystemTimeToFileTime(&date, &fileTime));
    wchar_t text[30] = {};
    FormatDriverDate(fileTime, text, 30);
    EXPECT_STREQ(text, L"12/31/2008");
}

}  // namespace
