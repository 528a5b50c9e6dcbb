// What the machine has installed: present devices with their drivers,
// applications from the Uninstall key (with versions from the key, the
// updater's private value and the one-time factory history import), and the
// hotfixes the installation runner marked. The filter compares offered items
// against these lists.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "UpdateItem.h"

// Name and version of an installed application or hotfix.
struct InstalledItem
{
    WCHAR szName[100] = {};
    WCHAR szVersion[100] = {};
};

using InstalledItemArray = std::vector<InstalledItem>;

// Fetches a file of the update server (a server-relative path such as
// "/pub/VEXA/Skylark/Patch/x.cab") to localPath; returns the final download
// status, 5 when the file is complete. The update run supplies it.
using ServerFileDownload =
    std::function<DWORD(const wchar_t* serverPath, const wchar_t* localPath)>;

constexpr DWORD kDownloadComplete = 5;

// Display names are kept only up to this many characters (plus NUL).
constexpr size_t kDisplayNameChars = 100;

class CInstalledInventory
{
public:
    // Devices: every present device that has a hardware id, with the version
    // and date of its driver. Returns 0 when the enumeration ends with an
    // error other than the end of the list, else 1.
    BOOL EnumerateInstalledDevice();
    void ClearInstalledDeviceArray();

    // Display names from the Uninstall key, appended in enumeration order.
    BOOL EnumerateInstalledAP();
    void ClearInstalledAPArray();

    // Appends every installed application whose version is known, runs the
    // factory history import once per model, and ends with the product's own
    // entry "Vexa Kestrel" carrying productVersion.
    BOOL EnumerateInstalledItem(const wchar_t* modelName, const wchar_t* productVersion,
                                const ServerFileDownload& download);
    void ClearInstalledItemArray();

    // Rebuilds the hotfix list from "SOFTWARE\Vexa\Hotfix" when that key opens.
    BOOL EnumerateInstalledHotfix();

    // First installed application (type 3 items only) or hotfix (type 4 only)
    // of the item's name, any case; null when there is none.
    const InstalledItem* GetInstalledItem(const UpdateItem& item) const;
    const InstalledItem* GetInstalledHotfix(const UpdateItem& item) const;

    // Version of the application with this display name: the updater's
    // private value, else "DisplayVersion"; a few of the maker's tools count
    // as installed without any version.
    BOOL GetAPVersion(const wchar_t* displayName, wchar_t* buffer, DWORD bufferBytes) const;

    // Writes the private version value into every Uninstall entry of this
    // display name; TRUE when at least one was written.
    BOOL SetAPVersion(const wchar_t* displayName, const wchar_t* version) const;

    // Appends the application entries of a factory history file.
    void ReadHistoryFile(const wchar_t* path);

    std::vector<HardwareIdEntry> m_aInstalledDevice;
    std::vector<std::wstring> m_aInstalledAP;
    InstalledItemArray m_aInstalledItem;
    InstalledItemArray m_aInstalledHotfix;
    BOOL m_bAPInventoryFound = FALSE;
};

// Reads "DriverVersion" and "DriverDateData" of the driver class key
// driverKeyName (below "SYSTEM\CurrentControlSet\Control\Class") into entry;
// a missing key or value leaves its field as it was.
void ReadDriverKey(const wchar_t* driverKeyName, HardwareIdEntry& entry);

// A driver date file time as month/day/year, "%02d/%02d/%04d".
void FormatDriverDate(const FILETIME& fileTime, wchar_t* buffer, size_t capacity);

// The Windows directory's "system32\drivers" folder, without a trailing "\".
std::wstring GetDriversFolder();
