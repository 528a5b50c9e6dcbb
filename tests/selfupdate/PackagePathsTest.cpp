#include "PackagePaths.h"

#include <gtest/gtest.h>

TEST(PackagePathsTest, InstallationFolderAndTestName)
{
    struct Case
    {
        const char* path;
        const char* folder;
        const char* testName;
    };
    const Case cases[] = {
        {"C:\\P\\Kestrel\\Temp\\3\\", "C:\\P\\Kestrel", "C:\\P\\Kestrel1"},
        // The first "\Temp\" decides.
        {"C:\\A\\Temp\\B\\Temp\\7\\", "C:\\A", "C:\\A1"},
        // Case-sensitive, and no "\Temp\" at all: no folder.
        {"C:\\P\\Kestrel\\TEMP\\3\\", "", "1"},
        {"C:\\P\\Kestrel\\", "", "1"},
        {"", "", "1"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        std::string folder = InstallationFolderOf(c.path);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(InUseTestNameOf(folder), c.testName);
    }
}

TEST(PackagePathsTest, UninstallParameters)
{
    struct Case
    {
        const char* uninstallString;
        const char* logFile;
        const char* parameters;
    };
    const Case cases[] = {
        {"RunDll32 X.dll,Go -l0x9 ", "C:\\I\\{G}\\Setup.ilg",
         "X.dll,Go -l0x9 -f1\"C:\\I\\{G}\\remove.iss\" -s"},
        // Nothing between the uninstall string and the response file.
        {"RunDll32 X.dll,Go", "C:\\I\\Setup.ilg", "X.dll,Go-f1\"C:\\I\\remove.iss\" -s"},
        // A log file without a folder stays whole.
        {"RunDll32 X.dll,Go ", "Setup.ilg", "X.dll,Go -f1\"Setup.ilgremove.iss\" -s"},
        // Too short to hold "RunDll32 ": no parameters of its own, no overrun.
        {"RunDll32", "C:\\I\\Setup.ilg", "-f1\"C:\\I\\remove.iss\" -s"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.uninstallString);
        EXPECT_EQ(UninstallParametersOf(c.uninstallString, c.logFile), c.parameters);
    }
}

TEST(PackagePathsTest, UpdaterCommandFromRunValue)
{
    EXPECT_EQ(UpdaterCommandOf("C:\\Program Files\\Vexa Kestrel\\KTA.exe"),
              "\"C:\\Program Files\\Vexa Kestrel\\Kestupdt.exe\"");
    EXPECT_EQ(UpdaterCommandOf("\"C:\\Program Files\\Vexa Kestrel\\KTA.exe\""),
              "\"C:\\Program Files\\Vexa Kestrel\\Kestupdt.exe\"");
    EXPECT_EQ(UpdaterCommandOf("C:\\K\\KTA.exe /min"), "\"C:\\K\\Kestupdt.exe\"");
}
