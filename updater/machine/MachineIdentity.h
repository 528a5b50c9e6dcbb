// The machine's identity as the firmware's SMBIOS tables give it: BIOS
// version, model (system product) name, family name and base board product.
// Read either through GetSystemFirmwareTable or, where the system lacks it,
// from physical memory through the hardware-access driver.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "PhysicalMemory.h"

// Strings taken from the tables are cut at this many characters.
constexpr size_t kIdentityStringUnits = 60;

// Where the next structure starts once a structure's strings are read.
enum class NextStructureRule
{
    // Right after the NUL that closes the string-set (two NULs when there
    // are no strings): the firmware-table walk.
    AfterStringSet,
    // At the first non-NUL byte after the strings: the DMI walk.
    SkipNulBytes,
};

class CMachineIdentity
{
public:
    // False only when the system lacks GetSystemFirmwareTable.
    bool ReadSMBIOSFromFirmware();
    // 1 when the maker's EXTF table supplied the model name.
    int GetModelName(IPhysicalMemory& memory);
    void ReadDMIFromMemory(IPhysicalMemory& memory);

    // The raw 'RSMB' table: a header of 8 bytes (flag, versions, u32 length
    // of the table data), then the structures.
    void WalkFirmwareTable(const BYTE* pRaw, size_t cbRaw);
    // The structure walk shared by both readers; fields are set only while
    // still empty, and a base board structure ends the walk.
    void WalkStructureTable(const BYTE* pStart, const BYTE* pEnd, NextStructureRule rule);

    std::wstring m_strBiosVersion;
    std::wstring m_strModelName;
    std::wstring m_strProductName;
    std::wstring m_strFamilyName;
};
