// Installed applications with their versions, the one-time import of the
// factory history file, and the product's own entry.
#include "InstalledInventory.h"

#include <string>

#include "TraceLog.h"
#include "UniqueHandle.h"
#include "WideText.h"
#include "XmlDom.h"

namespace {

const wchar_t kHistoryServerFolder[] = L"/pub/VEXA/Skylark/Patch/";
const wchar_t kProductEntryName[] = L"Vexa Kestrel";

// Name of the first file in folder matching pattern, or empty text.
std::wstring FindFirstMatch(const std::wstring& folder, const wchar_t* pattern)
{
    WIN32_FIND_DATAW found;
    CFindHandle find(FindFirstFileW((folder + L"\\" + pattern).c_str(), &found));
    return find ? std::wstring(found.cFileName) : std::wstring();
}

// The history file to import: a ".cab" already in the drivers folder, or the
// one a ".mrk" reference names, fetched from the server. Empty when neither
// gives one.
std::wstring FindHistoryFile(const std::wstring& driversFolder, const ServerFileDownload& download)
{
    std::wstring cabName = FindFirstMatch(driversFolder, L"5C17_Vexatron_*.cab");
    if (!cabName.empty())
        return driversFolder + L"\\" + cabName;

    std::wstring referenceName = FindFirstMatch(driversFolder, L"5C17_Vexatron_*.mrk");
    if (referenceName.empty())
    {
        TraceLog(L"hFind");
        return std::wstring();
    }
    // The extension is replaced whatever its case: a reference "X.MRK" must
    // not name itself as the file to download.
    cabName = referenceName.substr(0, referenceName.rfind(L'.')) + L".cab";
    std::wstring localPath = driversFolder + L"\\" + cabName;
    TraceLog(L"EnumerateInstalledItem - DownloadFile: %s", localPath.c_str());
    std::wstring serverPath = kHistoryServerFolder + cabName;
    if (download && download(serverPath.c_str(), localPath.c_str()) == kDownloadComplete)
        return localPath;
    return std::wstring();
}

void CreateMarkerFile(const wchar_t* path)
{
    CFileHandle marker(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::wstring GetDriversFolder()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, ARRAYSIZE(windows));
    return std::wstring(windows) + L"\\system32\\drivers";
}

BOOL CInstalledInventory::EnumerateInstalledItem(const wchar_t* modelName,
                                                 const wchar_t* productVersion,
                                                 const ServerFileDownload& download)
{
    const std::wstring driversFolder = GetDriversFolder();
    wchar_t markerPath[MAX_PATH];
    FormatBounded(markerPath, ARRAYSIZE(markerPath), L"%s\\5C17_Vexatron_%s.kta",
                  driversFolder.c_str(), modelName);
    TraceLog(L"EnumerateInstalledItem - sKTAFile: %s", markerPath);
    TraceLog(L"EnumerateInstalledItem - FindFirstFile...");

    for (const std::wstring& displayName : m_aInstalledAP)
    {
        InstalledItem installed;
        if (GetAPVersion(displayName.c_str(), installed.szVersion, sizeof(installed.szVersion)))
        {
            CopyBounded(installed.szName, displayName.c_str());
            m_aInstalledItem.push_back(installed);
            TraceLog(L"EnumerateInstalledItem - m_aInstalledItem.Add(pInstalledItem): %s",
                     installed.szName);
        }
        else
        {
            TraceLog(L"EnumerateInstalledItem - Get no version for %s", displayName.c_str());
        }
    }

    if (GetFileAttributesW(markerPath) == INVALID_FILE_ATTRIBUTES)
    {
        TraceLog(L"EnumerateInstalledItem - do once...");
        std::wstring historyFile = FindHistoryFile(driversFolder, download);
        TraceLog(L"EnumerateInstalledItem - sHistoryFile: %s", historyFile.c_str());
        if (!historyFile.empty())
        {
            ReadHistoryFile(historyFile.c_str());
            // The private value makes the imported versions survive the
            // marker: later runs read them back through GetAPVersion.
            for (const InstalledItem& installed : m_aInstalledItem)
            {
                SetAPVersion(installed.szName, installed.szVersion);
                TraceLog(L"EnumerateInstalledItem - SetAPVersion: %s, %s", installed.szName,
                         installed.szVersion);
            }
        }
        // Made even when nothing could be imported, so that the import is
        // not tried again.
        CreateMarkerFile(markerPath);
    }

    InstalledItem* product = nullptr;
    for (InstalledItem& installed : m_aInstalledItem)
    {
        if (EqualsNoCase(installed.szName, kProductEntryName))
        {
            product = &installed;
            break;
        }
    }
    if (!product)
    {
        m_aInstalledItem.emplace_back();
        product = &m_aInstalledItem.back();
        CopyBounded(product->szName, kProductEntryName);
    }
    CopyBounded(product->szVersion, productVersion);
    TraceLog(L"Vexa Kestrel Version : %s", product->szVersion);
    return 1;
}

void CInstalledInventory::ReadHistoryFile(const wchar_t* path)
{
    CComPtr<IXMLDOMDocument> document;
    if (!LoadTracedDocument(path, document))
        return;
    CComPtr<IXMLDOMElement> root;
    if (FAILED(document->get_documentElement(root.Put())) || !root ||
        GetNodeName(root.Get()) != L"product")
        return;

    for (const CComPtr<IXMLDOMNode>& entry : GetChildNodes(root.Get()))
    {
        if (!NodeHasChildren(entry.Get()))
            continue;
        InstalledItem installed;
        bool isDriver = false;
        for (const CComPtr<IXMLDOMNode>& child : GetChildNodes(entry.Get()))
        {
            const std::wstring name = GetNodeName(child.Get());
            if (EqualsNoCase(name.c_str(), L"name"))
                CopyBounded(installed.szName, GetNodeText(child.Get()).c_str());
            else if (EqualsNoCase(name.c_str(), L"version"))
                CopyBounded(installed.szVersion, GetNodeText(child.Get()).c_str());
            else if (EqualsNoCase(name.c_str(), L"hwid"))
                isDriver = true;
        }
        if (!isDriver)
            m_aInstalledItem.push_back(installed);
    }
}
