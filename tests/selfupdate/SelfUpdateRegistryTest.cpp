// The self-updater's registry work against the real registry, redirected to
// a scratch key of its own.
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "MachineKeyRedirect.h"
#include "PreviousPackage.h"
#include "SelfUpdateApp.h"
#include "TestDoubles.h"
#include "TestFiles.h"
#include "UpdaterRestart.h"

namespace {

constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string UninstallEntry(const char* name)
{
    return std::string(kUninstall) + "\\" + name;
}

class PreviousPackageTest : public testing::Test
{
protected:
    void AddEntry(const char* name, const char* displayName, const char* uninstallString,
                  const char* logFile)
    {
        std::string key = UninstallEntry(name);
        if (displayName)
            CMachineKeyRedirect::SetText(key.c_str(), "DisplayName", displayName);
        if (uninstallString)
            CMachineKeyRedirect::SetText(key.c_str(), "UninstallString", uninstallString);
        if (logFile)
            CMachineKeyRedirect::SetText(key.c_str(), "LogFile", logFile);
    }

    CMachineKeyRedirect m_machine;
    std::string m_file;
    std::string m_parameters;
};

TEST_F(PreviousPackageTest, BuildsTheSilentUninstallOfTheProduct)
{
    AddEntry("A Tool", "A Tool", "RunDll32 other.dll,Go ", "C:\\O\\Setup.ilg");
    AddEntry("{G}", "VEXA KESTREL", "RunDll32 X.dll,Go -l0x9 ", "C:\\I\\{G}\\Setup.ilg");

    ASSERT_TRUE(FindPreviousPackage(m_file, m_parameters));
    EXPECT_EQ(m_file, "RunDll32");
    EXPECT_EQ(m_parameters, "X.dll,Go -l0x9 -f1\"C:\\I\\{G}\\remove.iss\" -s");
}

TEST_F(PreviousPackageTest, IncompleteEntriesDoNotCount)
{
    // Each entry names the product but lacks a part of the command.
    AddEntry("1", "Vexa Kestrel", nullptr, "C:\\I\\Setup.ilg");
    AddEntry("2", "Vexa Kestrel", "RunDll32 X.dll,Go ", nullptr);
    AddEntry("3", "Vexa Kestrel Tools", "RunDll32 X.dll,Go ", "C:\\I\\Setup.ilg");
    CMachineKeyRedirect::SetText(UninstallEntry("4").c_str(), "DisplayName", "Vexa Kestrel");
    CMachineKeyRedirect::SetText(UninstallEntry("4").c_str(), "UninstallString",
                                 "RunDll32 X.dll,Go ", REG_EXPAND_SZ);
    CMachineKeyRedirect::SetText(UninstallEntry("4").c_str(), "LogFile", "C:\\I\\Setup.ilg");

    EXPECT_FALSE(FindPreviousPackage(m_file, m_parameters));
}

TEST_F(PreviousPackageTest, TakesTheFirstCompleteEntryAfterIncompleteOnes)
{
    AddEntry("1", "vexa kestrel", "RunDll32 Old.dll,Go ", nullptr);
    AddEntry("2", "vexa kestrel", "RunDll32 New.dll,Go ", "C:\\N\\Setup.ilg");
    AddEntry("3", "vexa kestrel", "RunDll32 Later.dll,Go ", "C:\\L\\Setup.ilg");

    ASSERT_TRUE(FindPreviousPackage(m_file, m_parameters));
    EXPECT_EQ(m_parameters, "New.dll,Go -f1\"C:\\N\\remove.iss\" -s");
}

TEST_F(PreviousPackageTest, NoUninstallKeyFindsNothing)
{
    EXPECT_FALSE(FindPreviousPackage(m_file, m_parameters));
}

class SavedSettingsTest : public testing::Test
{
protected:
    void WriteHandOver(DWORD mode)
    {
        CMachineKeyRedirect::SetText(kSettingsKeyPath, "SelfUpdating", "V2.1");
        CMachineKeyRedirect::SetText(kSettingsKeyPath, "Source", "/pkg/Kestrel220.zip");
        CMachineKeyRedirect::SetText(kSettingsKeyPath, "Path", "C:\\P\\Kestrel\\Temp\\3\\");
        CMachineKeyRedirect::SetDword(kSettingsKeyPath, "Frequency", 4);
        CMachineKeyRedirect::SetDword(kSettingsKeyPath, "LastUpdateTime", 1700000000);
        CMachineKeyRedirect::SetDword(kSettingsKeyPath, "Mode", mode);
    }

    // What the new package's setup leaves: the key without values.
    void RecreateEmptyKey()
    {
        HKEY key = nullptr;
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    CMachineKeyRedirect m_machine;
    CSelfUpdateApp m_app;
};

TEST_F(SavedSettingsTest, ReadsEveryValue)
{
    WriteHandOver(1);
    ASSERT_TRUE(m_app.ReadSavedSettings());
    EXPECT_EQ(m_app.m_strSelfUpdating, "V2.1");
    EXPECT_EQ(m_app.m_strSource, "/pkg/Kestrel220.zip");
    EXPECT_EQ(m_app.m_strPath, "C:\\P\\Kestrel\\Temp\\3\\");
    EXPECT_EQ(m_app.m_dwFrequency, 4u);
    EXPECT_EQ(m_app.m_dwLastUpdateTime, 1700000000u);
    EXPECT_EQ(m_app.m_dwMode, 1u);
}

TEST_F(SavedSettingsTest, MissingValuesAndMissingKey)
{
    EXPECT_FALSE(m_app.ReadSavedSettings());
    EXPECT_EQ(m_app.m_dwFrequency, 0u);
    EXPECT_TRUE(m_app.m_strPath.empty());

    CMachineKeyRedirect::SetText(kSettingsKeyPath, "Other", "x");
    ASSERT_TRUE(m_app.ReadSavedSettings());
    EXPECT_EQ(m_app.m_dwFrequency, 3u);
    EXPECT_EQ(m_app.m_dwLastUpdateTime, 0u);
    EXPECT_EQ(m_app.m_dwMode, 0u);
    EXPECT_TRUE(m_app.m_strSelfUpdating.empty());
    EXPECT_TRUE(m_app.m_strSource.empty());
    EXPECT_TRUE(m_app.m_strPath.empty());
}

TEST_F(SavedSettingsTest, TextsWithoutTerminatorOrTooLong)
{
    // The updater writes its texts without a terminating zero.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vexa\\Vexa Kestrel", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t version[] = L"V2.1";
    RegSetValueExW(key, L"SelfUpdating", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   4 * sizeof(wchar_t));
    RegCloseKey(key);
    // A text longer than its buffer (1024 bytes with the zero) reads as missing.
    CMachineKeyRedirect::SetText(kSettingsKeyPath, "Source", std::string(1024, 's'));

    ASSERT_TRUE(m_app.ReadSavedSettings());
    EXPECT_EQ(m_app.m_strSelfUpdating, "V2.1");
    EXPECT_EQ(m_app.m_strSource, "");

    CMachineKeyRedirect::SetText(kSettingsKeyPath, "Source", std::string(1023, 's'));
    CMachineKeyRedirect::SetText(kSettingsKeyPath, "SelfUpdating", std::string(100, 'V'));
    ASSERT_TRUE(m_app.ReadSavedSettings());
    EXPECT_EQ(m_app.m_strSource, std::string(1023, 's'));
    EXPECT_EQ(m_app.m_strSelfUpdating, "");
}

TEST_F(SavedSettingsTest, RestoreWritesTheSavedValuesBack)
{
    struct Case
    {
        DWORD mode;
        bool modeWritten;
    };
    for (const Case& c : {Case{0, false}, Case{1, true}, Case{2, false}})
    {
        SCOPED_TRACE(c.mode);
        WriteHandOver(c.mode);
        ASSERT_TRUE(m_app.ReadSavedSettings());
        RecreateEmptyKey();
        CMachineKeyRedirect::SetText(kSettingsKeyPath, "Path", "C:\\New\\Temp\\9\\");

        m_app.RestoreSettings();

        EXPECT_EQ(CMachineKeyRedirect::GetDword(kSettingsKeyPath, "LastUpdateTime"), 1700000000u);
        EXPECT_EQ(CMachineKeyRedirect::GetDword(kSettingsKeyPath, "Frequency"), 4u);
        EXPECT_EQ(CMachineKeyRedirect::GetText(kSettingsKeyPath, "SelfUpdating"), "V2.1");
        EXPECT_EQ(CMachineKeyRedirect::GetText(kSettingsKeyPath, "Source"), "/pkg/Kestrel220.zip");
        EXPECT_EQ(CMachineKeyRedirect::HasValue(kSettingsKeyPath, "Mode"), c.modeWritten);
        EXPECT_FALSE(CMachineKeyRedirect::HasValue(kSettingsKeyPath, "Path"));
    }
}

// The updater's addresses live in the same key: carried over when set,
// left out (so the updater keeps its defaults) when not.
TEST_F(SavedSettingsTest, RestoreCarriesTheUpdatersAddressesOver)
{
    for (bool set : {true, false})
    {
        SCOPED_TRACE(set);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        WriteHandOver(0);
        if (set)
        {
            CMachineKeyRedirect::SetText(kSettingsKeyPath, "Server", "http://127.0.0.1:8080");
            CMachineKeyRedirect::SetText(kSettingsKeyPath, "WebSite", "http://127.0.0.1:8081/");
        }
        ASSERT_TRUE(m_app.ReadSavedSettings());
        RecreateEmptyKey();

        m_app.RestoreSettings();

        EXPECT_EQ(CMachineKeyRedirect::HasValue(kSettingsKeyPath, "Server"), set);
        EXPECT_EQ(CMachineKeyRedirect::HasValue(kSettingsKeyPath, "WebSite"), set);
        if (set)
        {
            EXPECT_EQ(CMachineKeyRedirect::GetText(kSettingsKeyPath, "Server"), "http://127.0.0.1:8080");
            EXPECT_EQ(CMachineKeyRedirect::GetText(kSettingsKeyPath, "WebSite"), "http://127.0.0.1:8081/");
        }
    }
}

TEST_F(SavedSettingsTest, RestoreNeedsTheKeyToExistAgain)
{
    WriteHandOver(1);
    ASSERT_TRUE(m_app.ReadSavedSettings());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);

    m_app.RestoreSettings();
    EXPECT_FALSE(CMachineKeyRedirect::HasKey(kSettingsKeyPath));
}

TEST(UpdaterRestartTest, StartsTheUpdaterBesideTheRunValuesProgram)
{
    CMachineKeyRedirect machine;
    CTempFolder records;
    CRecordFolder recordFolder(Narrow(records.Path()));
    const char* run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

    EXPECT_FALSE(RestartUpdater());

    CMachineKeyRedirect::SetText(run, "Vexa Kestrel", DoublePath("KTA.exe"));
    ASSERT_TRUE(RestartUpdater());
    for (int i = 0; i < 50 && recordFolder.Lines("updater").empty(); ++i)
        Sleep(100);
    EXPECT_EQ(recordFolder.Lines("updater").size(), 1u);
}

}  // namespace
