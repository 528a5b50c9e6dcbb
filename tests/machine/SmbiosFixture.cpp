#include "SmbiosFixture.h"

#include <gtest/gtest.h>

namespace {

std::string U32(DWORD v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

std::string U16(WORD v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
}

}  // namespace

std::string SmbiosStructure(BYTE byType, BYTE nStringAt5, const std::vector<std::string>& strings,
                            BYTE cbFormatted)
{
    std::string bytes(cbFormatted, '\0');
    bytes[0] = static_cast<char>(byType);
    bytes[1] = static_cast<char>(cbFormatted);
    bytes[2] = 0x34;  // handle
    bytes[4] = 1;
    if (cbFormatted > 5)
        bytes[5] = static_cast<char>(nStringAt5);
    for (const std::string& text : strings)
        bytes += text + '\0';
    bytes += '\0';
    if (strings.empty())
        bytes += '\0';
    return bytes;
}

std::string FirmwareTable(const std::string& table)
{
    return std::string{0, 2, 7, 0} + U32(static_cast<DWORD>(table.size())) + table;
}

std::string DmiEntryPoint(DWORD dwTableAddress, WORD wTableLength)
{
    return std::string("_DMI_") + '\x00' + U16(wTableLength) + U32(dwTableAddress) + U16(3) +
           '\x21' + '\0';
}

std::string ExtfTable(signed char chRevision, DWORD dwNameAddress)
{
    std::string bytes = "EXTF";
    bytes += std::string(3, '\x11');
    bytes += static_cast<char>(chRevision);
    bytes += std::string(6, '\x22');
    bytes += U32(dwNameAddress);
    return bytes;
}

void CMemoryImage::Place(DWORD dwAddress, const std::string& bytes)
{
    m_regions[dwAddress].assign(bytes.begin(), bytes.end());
}

void CMemoryImage::Reserve(DWORD dwAddress, DWORD dwLength)
{
    m_regions[dwAddress].assign(dwLength, 0);
}

void CMemoryImage::Put(DWORD dwAddress, const std::string& bytes)
{
    for (auto& [base, region] : m_regions)
    {
        if (dwAddress >= base && dwAddress + bytes.size() <= base + region.size())
        {
            std::copy(bytes.begin(), bytes.end(), region.begin() + (dwAddress - base));
            return;
        }
    }
    ADD_FAILURE() << "no region holds " << std::hex << dwAddress;
}

BYTE* CMemoryImage::MapPhysicalMemory(DWORD dwAddress, DWORD dwLength)
{
    m_aMapRequest.emplace_back(dwAddress, dwLength);
    for (auto& [base, region] : m_regions)
    {
        if (dwAddress >= base && dwAddress + dwLength <= base + region.size())
        {
            ++m_nOutstanding;
            return region.data() + (dwAddress - base);
        }
    }
    return nullptr;
}

void CMemoryImage::UnmapPhysicalMemory(BYTE* pView)
{
    if (pView)
        --m_nOutstanding;
}
