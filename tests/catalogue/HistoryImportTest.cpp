#include "InstalledInventory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "TraceCapture.h"
#include "UniqueHandle.h"

namespace {

const wchar_t kUninstallEntry[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KestrelTest_History";
const wchar_t kPrivateVersion[] = L"kta7501e157-4b4a-4850-b6ea-3bea55826ba9";
const wchar_t kModel[] = L"KTEST1";

const char kHistoryXml[] =
    "<?xml version='1.0'?>\r\n"
    "<product name='KTEST1'>\r\n"
    " <item name='x'><name> Kestrel Test Viewer </name><version> 0.9 </version></item>\r\n"
    " <item><NAME>Factory Tool</NAME><Version>1.2</Version><other>ignored</other></item>\r\n"
    " <item><name>Audio Driver</name><version>5.0</version><hwid>PCI\\VEN_1</hwid></item>\r\n"
    " <item><name>No Version</name></item>\r\n"
    " <empty/>\r\n"
    "</product>\r\n";

struct DownloadCall
{
    std::wstring serverPath;
    std::wstring localPath;
};

// Works in the prefix's own drivers folder, which holds the factory files;
// every file of the import is removed before and after each test.
class HistoryImportTest : public testing::Test
{
protected:
    HistoryImportTest() : m_folder(GetDriversFolder())
    {
        RemoveImportFiles();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallEntry);
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallEntry, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, m_entry.Put(), nullptr);
        const wchar_t name[] = L"Kestrel Test Viewer";
        RegSetValueExW(m_entry.Get(), L"DisplayName", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(name), sizeof(name));
        const wchar_t version[] = L"1.0";
        RegSetValueExW(m_entry.Get(), L"DisplayVersion", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(version), sizeof(version));
    }

    ~HistoryImportTest() override
    {
        RemoveImportFiles();
        m_entry.Reset();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallEntry);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallEntry);
    }

    void RemoveImportFiles()
    {
        WIN32_FIND_DATAW found;
        CFindHandle find(FindFirstFileW((m_folder + L"\\5C17_Vexatron_*").c_str(), &found));
        if (!find)
            return;
        do
            DeleteFileW((m_folder + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(find.Get(), &found));
    }

    std::wstring Path(const wchar_t* name) const { return m_folder + L"\\" + name; }

    void Place(const wchar_t* name, const std::string& bytes) const
    {
        CFileHandle file(CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    bool Exists(const wchar_t* name) const
    {
        return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring PrivateVersion() const
    {
        wchar_t value[100] = {};
        DWORD bytes = sizeof(value) - sizeof(wchar_t);
        if (RegQueryValueExW(m_entry.Get(), kPrivateVersion, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS)
            return L"missing";
        return value;
    }

    // A download that records its calls and answers with status, writing
    // body to the local path when it reports completion.
    ServerFileDownload Download(DWORD status, const std::string& body = std::string())
    {
        return [this, status, body](const wchar_t* serverPath, const wchar_t* localPath) {
            m_downloads.push_back({serverPath, localPath});
            if (status == kDownloadComplete)
            {
                CFileHandle file(CreateFileW(localPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
                DWORD written = 0;
                WriteFile(file.Get(), body.data(), static_cast<DWORD>(body.size()), &written,
                          nullptr);
            }
            return status;
        };
    }

    static std::vector<std::wstring> Entries(const CInstalledInventory& inventory)
    {
        std::vector<std::wstring> entries;
        for (const InstalledItem& installed : inventory.m_aInstalledItem)
            entries.push_back(std::wstring(installed.szName) + L"=" + installed.szVersion);
        return entries;
    }

    std::wstring m_folder;
    CRegKey m_entry;
    std::vector<DownloadCall> m_downloads;
};

using Lines = std::vector<std::wstring>;

TEST_F(HistoryImportTest, CabInTheDriversFolderIsImportedOnce)
{
    Place(L"5C17_Vexatron_FACTORY.cab", kHistoryXml);
    Place(L"5C17_Vexatron_FACTORY.mrk", "");
    CInstalledInventory inventory;
    inventory.m_aInstalledAP = {L"Kestrel Test Viewer"};
    CTraceCapture trace;

    EXPECT_EQ(inventory.EnumerateInstalledItem(kModel, L"V2.1", Download(kDownloadComplete)), 1);

    EXPECT_TRUE(m_downloads.empty());
    EXPECT_EQ(Entries(inventory), (Lines{L"Kestrel Test Viewer=1.0", L"Kestrel Test Viewer=0.9",
                                         L"Factory Tool=1.2", L"No Version=",
                                         L"Vexa Kestrel=V2.1"}));
    // Every entry's version was written in list order, so the factory's
    // version is the one stored.
    EXPECT_EQ(PrivateVersion(), L"0.9");
    EXPECT_TRUE(Exists(L"5C17_Vexatron_KTEST1.kta"));
    EXPECT_EQ(ReadFileBytes(Path(L"5C17_Vexatron_KTEST1.kta")), "");

    const std::wstring marker = Path(L"5C17_Vexatron_KTEST1.kta");
    const std::wstring cab = Path(L"5C17_Vexatron_FACTORY.cab");
    EXPECT_EQ(trace.Lines(),
              (Lines{
                  L"EnumerateInstalledItem - sKTAFile: " + marker,
                  L"EnumerateInstalledItem - FindFirstFile...",
                  L"EnumerateInstalledItem - m_aInstalledItem.Add(pInstalledItem): Kestrel Test Viewer",
                  L"EnumerateInstalledItem - do once...",
                  L"EnumerateInstalledItem - sHistoryFile: " + cab,
                  L"EnumerateInstalledItem - SetAPVersion: Kestrel Test Viewer, 1.0",
                  L"EnumerateInstalledItem - SetAPVersion: Kestrel Test Viewer, 0.9",
                  L"EnumerateInstalledItem - SetAPVersion: Factory Tool, 1.2",
                  L"EnumerateInstalledItem - SetAPVersion: No Version, ",
                  L"Vexa Kestrel Version : V2.1",
              }));

    // The marker stops a second import; the private value now wins.
    CInstalledInventory next;
    next.m_aInstalledAP = {L"Kestrel Test Viewer"};
    next.EnumerateInstalledItem(kModel, L"V2.1", Download(kDownloadComplete));
    EXPECT_EQ(Entries(next), (Lines{L"Kestrel Test Viewer=0.9", L"Vexa Kestrel=V2.1"}));
}

TEST_F(HistoryImportTest, ReferenceWithoutAServerStillSetsTheMarker)
{
    Place(L"5C17_Vexatron_PATCH01.mrk", "");
    CInstalledInventory inventory;
    CTraceCapture trace;

    inventory.EnumerateInstalledItem(kModel, L"V2.1", Download(0x80000006));

    ASSERT_EQ(m_downloads.size(), 1u);
    EXPECT_EQ(m_downloads[0].serverPath, L"/pub/VEXA/Skylark/Patch/5C17_Vexatron_PATCH01.cab");
    EXPECT_EQ(m_downloads[0].localPath, Path(L"5C17_Vexatron_PATCH01.cab"));
    EXPECT_TRUE(Exists(L"5C17_Vexatron_KTEST1.kta"));
    EXPECT_EQ(Entries(inventory), (Lines{L"Vexa Kestrel=V2.1"}));
    EXPECT_EQ(trace.Lines().at(3), L"EnumerateInstalledItem - DownloadFile: " +
                                       Path(L"5C17_Vexatron_PATCH01.cab"));
    EXPECT_EQ(trace.Lines().at(4), L"EnumerateInstalledItem - sHistoryFile: ");

    CInstalledInventory next;
    next.EnumerateInstalledItem(kModel, L"V2.1", Download(0x80000006));
    EXPECT_EQ(m_downloads.size(), 1u);

    // The marker is per model: another model tries once more.
    next.EnumerateInstalledItem(L"KTEST2", L"V2.1", Download(0x80000006));
    EXPECT_EQ(m_downloads.size(), 2u);
    EXPECT_TRUE(Exists(L"5C17_Vexatron_KTEST2.kta"));
}

TEST_F(HistoryImportTest, UpperCaseReferenceNamesTheCabNotItself)
{
    Place(L"5C17_Vexatron_PATCH03.MRK", "reference");
    CInstalledInventory inventory;

    inventory.EnumerateInstalledItem(kModel, L"V2.1", Download(0x80000007));

    ASSERT_EQ(m_downloads.size(), 1u);
    EXPECT_EQ(m_downloads[0].serverPath, L"/pub/VEXA/Skylark/Patch/5C17_Vexatron_PATCH03.cab");
    EXPECT_EQ(m_downloads[0].localPath, Path(L"5C17_Vexatron_PATCH03.cab"));
    EXPECT_EQ(ReadFileBytes(Path(L"5C17_Vexatron_PATCH03.MRK")), "reference");
}

TEST_F(HistoryImportTest, ReferencedHistoryIsDownloadedAndImported)
{
    Place(L"5C17_Vexatron_PATCH02.mrk", "");
    CInstalledInventory inventory;

    inventory.EnumerateInstalledItem(kModel, L"V2.1", Download(kDownloadComplete, kHistoryXml));

    ASSERT_EQ(m_downloads.size(), 1u);
    EXPECT_EQ(Entries(inventory), (Lines{L"Kestrel Test Viewer=0.9", L"Factory Tool=1.2",
                                         L"No Version=", L"Vexa Kestrel=V2.1"}));
    EXPECT_EQ(PrivateVersion(), L"0.9");
}

TEST_F(HistoryImportTest, NoHistoryFileAtAll)
{
    CInstalledInventory inventory;
    CTraceCapture trace;

    inventory.EnumerateInstalledItem(kModel, L"V0.0", Download(kDownloadComplete));

    EXPECT_TRUE(m_downloads.empty());
    EXPECT_TRUE(Exists(L"5C17_Vexatron_KTEST1.kta"));
    EXPECT_EQ(trace.Lines().at(3), L"hFind");
    EXPECT_EQ(trace.Lines().at(4), L"EnumerateInstalledItem - sHistoryFile: ");
    EXPECT_EQ(Entries(inventory), (Lines{L"Vexa Kestrel=V0.0"}));
}

TEST_F(HistoryImportTest, ProductEntryIsUpdatedNotRepeated)
{
    Place(L"5C17_Vexatron_KTEST1.kta", "keep");
    CInstalledInventory inventory;
    inventory.m_aInstalledItem.resize(1);
    wcscpy(inventory.m_aInstalledItem[0].szName, L"VEXA KESTREL");
    wcscpy(inventory.m_aInstalledItem[0].szVersion, L"V1.0");
    inventory.m_aInstalledAP = {L"Kestrel Test Nothing"};
    CTraceCapture trace;

    inventory.EnumerateInstalledItem(kModel, L"V2.1", Download(kDownloadComplete));

    EXPECT_EQ(Entries(inventory), (Lines{L"VEXA KESTREL=V2.1"}));
    EXPECT_EQ(ReadFileBytes(Path(L"5C17_Vexatron_KTEST1.kta")), "keep");
    EXPECT_EQ(trace.Lines(), (Lines{
                                 L"EnumerateInstalledItem - sKTAFile: " +
                                     Path(L"5C17_Vexatron_KTEST1.kta"),
                                 L"EnumerateInstalledItem - FindFirstFile...",
                                 L"EnumerateInstalledItem - Get no version for Kestrel Test Nothing",
                                 L"Vexa Kestrel Version : V2.1",
                             }));
}

TEST_F(HistoryImportTest, UnreadableHistoryAddsNothing)
{
    struct Case
    {
        const char* bytes;
        const char* firstTrace;  // null: no trace expected
    };
    const Case cases[] = {
        {"<product><item><name>A</name>", "XML Parsing Error 0x"},
        {"<Product><item><name>A</name><version>1</version></item></Product>", nullptr},
    };
    for (const Case& c : cases)
    {
        CTempFolder folder;
        std::wstring path = folder.WriteBytes(L"history.cab", c.bytes);
        CInstalledInventory inventory;
        CTraceCapture trace;
        inventory.ReadHistoryFile(path.c_str());
        EXPECT_TRUE(inventory.m_aInstalledItem.empty()) << c.bytes;
        if (c.firstTrace)
        {
            ASSERT_EQ(trace.Lines().size(), 2u) << c.bytes;
            EXPECT_EQ(trace.Lines()[0].rfind(Widen(c.firstTrace), 0), 0u) << c.bytes;
            EXPECT_EQ(trace.Lines()[1].rfind(L"Reason : ", 0), 0u) << c.bytes;
        }
        else
        {
            EXPECT_TRUE(trace.Lines().empty()) << c.bytes;
        }
    }
}

}  // namespace
