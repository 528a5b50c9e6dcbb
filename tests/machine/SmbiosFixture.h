// Hand-packed SMBIOS structures and physical-memory images for the
// identity readers' tests.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "PhysicalMemory.h"

// One structure: type, a formatted area of cbFormatted bytes whose byte 05h
// holds nStringAt5, then the string-set (two NULs when there are none).
std::string SmbiosStructure(BYTE byType, BYTE nStringAt5, const std::vector<std::string>& strings,
                            BYTE cbFormatted = 8);

// The 'RSMB' form: 8-byte header with the table length, then the table.
std::string FirmwareTable(const std::string& table);

// Physical memory made of regions; every map must fall inside one region.
// Counts what is still mapped so tests can see every view released.
class CMemoryImage : public IPhysicalMemory
{
public:
    void Place(DWORD dwAddress, const std::string& bytes);
    // A region of dwLength zero bytes at dwAddress, to be written with Put.
    void Reserve(DWORD dwAddress, DWORD dwLength);
    void Put(DWORD dwAddress, const std::string& bytes);

    BYTE* MapPhysicalMemory(DWORD dwAddress, DWORD dwLength) override;
    void UnmapPhysicalMemory(BYTE* pView) override;

    int m_nOutstanding = 0;
    std::vector<std::pair<DWORD, DWORD>> m_aMapRequest;

private:
    std::map<DWORD, std::vector<BYTE>> m_regions;
};

// A BIOS area image at F0000h with a "_DMI_" entry point at nAnchorOffset
// pointing to dwTableAddress for wTableLength bytes.
std::string DmiEntryPoint(DWORD dwTableAddress, WORD wTableLength);
// An "EXTF" table whose model-name pointer is dwNameAddress.
std::string ExtfTable(signed char chRevision, DWORD dwNameAddress);
