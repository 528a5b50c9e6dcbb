#include "SharedSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "UniqueHandle.h"
#include "UpdateItem.h"

namespace {

// Creates the shared key as the product's installer would, and removes it.
class SharedKey : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSharedSettingsKey);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedSettingsKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, m_key.Put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        m_key.Reset();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSharedSettingsKey);
    }

    void PutString(const wchar_t* name, const std::wstring& text)
    {
        RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    }
    void PutDword(const wchar_t* name, DWORD value)
    {
        RegSetValueExW(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    }
    // The stored bytes and type, or type REG_NONE when the value is missing.
    // The buffer is exactly as long as the data, so that no terminator can
    // be added on the way out.
    std::pair<DWORD, std::string> Raw(const wchar_t* name)
    {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {REG_NONE, std::string()};
        std::string data(size, '\0');
        if (size && RegQueryValueExW(m_key.Get(), name, nullptr, &type,
                                     reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
            return {REG_NONE, std::string()};
        data.resize(size);
        return {type, data};
    }
    // A string value as stored. The writer passes the characters without
    // their terminator; the system itself stores the zero that follows them
    // in memory (NT does the same), except for an empty text.
    static std::string StoredText(const std::wstring& text)
    {
        return std::string(reinterpret_cast<const char*>(text.c_str()), text.size() * 2) +
               std::string(text.empty() ? 0 : 2, '\0');
    }

    CRegKey m_key;
    CSharedSettings m_settings;
};

TEST_F(SharedKey, SelfUpdatingFormsDecideWhetherAHandOverIsPending)
{
    struct Case
    {
        const wchar_t* pszValue;
        BOOL bPending;
    };
    for (const Case& c : {Case{L"V2.1", TRUE}, Case{L"V9", TRUE}, Case{L"2.1", FALSE},
                          Case{L"Vx", FALSE}, Case{L"", FALSE}, Case{L"V", FALSE}})
    {
        PutString(L"SelfUpdating", c.pszValue);
        wchar_t szLast[100] = L"";
        wchar_t szSource[512] = L"";
        wchar_t szPath[512] = L"";
        int nRunMode = 0;
        EXPECT_EQ(m_settings.ReadSelfUpdateState(szLast, 100, szSource, 512, szPath, 512, nRunMode),
                  c.bPending)
            << c.pszValue;
        EXPECT_EQ(std::wstring(szLast), c.bPending ? c.pszValue : L"") << c.pszValue;
        EXPECT_EQ(nRunMode, 0);
    }

    // Another type does not count either.
    PutDword(L"SelfUpdating", 0x56);
    wchar_t szLast[100] = L"", szSource[512] = L"", szPath[512] = L"";
    int nRunMode = 0;
    EXPECT_FALSE(m_settings.ReadSelfUpdateState(szLast, 100, szSource, 512, szPath, 512, nRunMode));
}

TEST_F(SharedKey, ReadSelfUpdateStateReadsSourceAndPathAndConsumesMode)
{
    PutString(L"SelfUpdating", L"V2.0.1");
    PutString(L"Source", L"/Kestrel/V210.zip");
    PutString(L"Path", L"C:\\Temp\\Kestrel");
    PutDword(L"Mode", 1);
    wchar_t szLast[100] = L"", szSource[512] = L"", szPath[512] = L"";
    int nRunMode = 0;
    EXPECT_TRUE(m_settings.ReadSelfUpdateState(szLast, 100, szSource, 512, szPath, 512, nRunMode));
    EXPECT_EQ(std::wstring(szLast), L"V2.0.1");
    EXPECT_EQ(std::wstring(szSource), L"/Kestrel/V210.zip");
    EXPECT_EQ(std::wstring(szPath), L"C:\\Temp\\Kestrel");
    EXPECT_EQ(nRunMode, 1);
    EXPECT_EQ(Raw(L"Mode").first, static_cast<DWORD>(REG_NONE)) << "Mode is deleted";

    // Mode of another value is deleted too, without raising the run mode.
    PutDword(L"Mode", 2);
    nRunMode = 0;
    m_settings.ReadSelfUpdateState(szLast, 100, szSource, 512, szPath, 512, nRunMode);
    EXPECT_EQ(nRunMode, 0);
    EXPECT_EQ(Raw(L"Mode").first, static_cast<DWORD>(REG_NONE));
}

TEST_F(SharedKey, WriteSelfUpdateStateWritesWithoutTerminatorAndDeletesPath)
{
    PutString(L"Path", L"C:\\Temp\\Kestrel");
    m_settings.WriteSelfUpdateState(L"V2.0", L"/Kestrel/V210.zip", 1);
    EXPECT_EQ(Raw(L"SelfUpdating"), (std::pair<DWORD, std::string>(REG_SZ, StoredText(L"V2.0"))));
    EXPECT_EQ(Raw(L"Source"),
              (std::pair<DWORD, std::string>(REG_SZ, StoredText(L"/Kestrel/V210.zip"))));
    EXPECT_EQ(Raw(L"Mode"), (std::pair<DWORD, std::string>(REG_DWORD, std::string("\1\0\0\0", 4))));
    EXPECT_EQ(Raw(L"Path").first, static_cast<DWORD>(REG_NONE));

    // The clearing call at every start: empty values, no Mode.
    RegDeleteValueW(m_key.Get(), L"Mode");
    m_settings.WriteSelfUpdateState(L"", L"", 1);
    EXPECT_EQ(Raw(L"SelfUpdating"), (std::pair<DWORD, std::string>(REG_SZ, std::string())));
    EXPECT_EQ(Raw(L"Source"), (std::pair<DWORD, std::string>(REG_SZ, std::string())));
    EXPECT_EQ(Raw(L"Mode").first, static_cast<DWORD>(REG_NONE));

    // A normal run hands over without Mode.
    m_settings.WriteSelfUpdateState(L"V2.0", L"/Kestrel/V210.zip", 0);
    EXPECT_EQ(Raw(L"Mode").first, static_cast<DWORD>(REG_NONE));
}

TEST_F(SharedKey, BiosPendingRoundTrip)
{
    UpdateItem item;
    wcscpy(item.szVersion, L"0602");
    wcscpy(item.szZipPath, L"/Pellar/BIOS/0602.zip");
    m_settings.WriteBiosPending(&item, L"0501");
    EXPECT_EQ(Raw(L"BIOS"), (std::pair<DWORD, std::string>(REG_SZ, StoredText(L"0501%0602"))));

    wchar_t szOld[100] = L"", szNew[100] = L"", szSrc[512] = L"";
    EXPECT_TRUE(m_settings.ReadBiosPending(szOld, 100, szNew, 100, szSrc, 512));
    EXPECT_EQ(std::wstring(szOld), L"0501");
    EXPECT_EQ(std::wstring(szNew), L"0602");
    EXPECT_EQ(std::wstring(szSrc), L"/Pellar/BIOS/0602.zip");

    m_settings.WriteBiosPending(nullptr, L"0602");
    EXPECT_EQ(Raw(L"BIOS"), (std::pair<DWORD, std::string>(REG_SZ, std::string())));
    EXPECT_EQ(Raw(L"BIOSSrc").first, static_cast<DWORD>(REG_NONE));
    szOld[0] = szNew[0] = szSrc[0] = L'\0';
    EXPECT_FALSE(m_settings.ReadBiosPending(szOld, 100, szNew, 100, szSrc, 512));
}

TEST_F(SharedKey, BiosValueWithoutPercentIsNotPendingAndIsCutAt99)
{
    PutString(L"BIOS", L"0501");
    wchar_t szOld[100] = L"", szNew[100] = L"", szSrc[512] = L"";
    EXPECT_FALSE(m_settings.ReadBiosPending(szOld, 100, szNew, 100, szSrc, 512));

    UpdateItem item;
    std::wstring longVersion(150, L'9');
    wcscpy(item.szVersion, longVersion.c_str());
    m_settings.WriteBiosPending(&item, L"0501");
    EXPECT_EQ(Raw(L"BIOS").second, StoredText(L"0501%" + longVersion.substr(0, 94)));
}

TEST_F(SharedKey, ProductVersionIsTheGreatestSubkeyName)
{
    wchar_t szVersion[64] = L"untouched";
    m_settings.GetProductVersion(szVersion, 64);
    EXPECT_EQ(std::wstring(szVersion), L"V0.0");

    for (const wchar_t* name : {L"2.0.1", L"2.0.10", L"1.9"})
    {
        CRegKey sub;
        RegCreateKeyExW(m_key.Get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Put(),
                        nullptr);
    }
    m_settings.GetProductVersion(szVersion, 64);
    EXPECT_EQ(std::wstring(szVersion), L"V2.0.10");
}

TEST_F(SharedKey, LastUpdateTimeIsNow)
{
    DWORD before = static_cast<DWORD>(time(nullptr));
    EXPECT_EQ(m_settings.WriteLastUpdateTime(), ERROR_SUCCESS);
    DWORD value = 0;
    ASSERT_TRUE(CSharedSettings::ReadDword(L"LastUpdateTime", value));
    EXPECT_GE(value, before);
    EXPECT_LE(value, before + 5);
}

TEST_F(SharedKey, LongerValueThanTheBufferIsNotRead)
{
    PutString(L"BIOS", std::wstring(120, L'1') + L"%2");  // 244 bytes > 200
    wchar_t szOld[100] = L"", szNew[100] = L"", szSrc[512] = L"";
    EXPECT_FALSE(m_settings.ReadBiosPending(szOld, 100, szNew, 100, szSrc, 512));
}

TEST(SharedKeyMissing, EveryOperationDoesNothing)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSharedSettingsKey);
    CSharedSettings settings;
    EXPECT_NE(settings.WriteLastUpdateTime(), ERROR_SUCCESS);
    wchar_t szA[100] = L"a", szB[512] = L"b", szC[512] = L"c";
    int nRunMode = 0;
    EXPECT_FALSE(settings.ReadSelfUpdateState(szA, 100, szB, 512, szC, 512, nRunMode));
    EXPECT_FALSE(settings.ReadBiosPending(szA, 100, szA, 100, szB, 512));
    settings.WriteSelfUpdateState(L"V1.0", L"src", 1);
    settings.WriteBiosPending(nullptr, L"0501");
    wchar_t szVersion[16] = L"untouched";
    settings.GetProductVersion(szVersion, 16);
    EXPECT_EQ(std::wstring(szVersion), L"untouched");
    EXPECT_EQ(std::wstring(szA) + szB + szC, L"abc");
    CRegKey key;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedSettingsKey, 0, KEY_READ, key.Put()),
              ERROR_SUCCESS)
        << "nothing creates the key";
}

}  // namespace
