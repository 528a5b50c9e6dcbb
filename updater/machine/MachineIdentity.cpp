#include "MachineIdentity.h"

#include <cstring>
#include <vector>

#include "FirmwareTable.h"
#include "TraceLog.h"

namespace {

constexpr DWORD kBiosAreaAddress = 0xF0000;
constexpr DWORD kBiosAreaLength = 0xFFFF;
constexpr DWORD kModelNameLength = 0x3C;
constexpr DWORD kPageMask = 0xFFF;
constexpr DWORD kOnePage = 0x1000;
constexpr DWORD kTwoPages = 0x2000;
constexpr size_t kMaxStrings = 255;

constexpr BYTE kTypeBiosInformation = 0;
constexpr BYTE kTypeSystemInformation = 1;
constexpr BYTE kTypeBaseboardInformation = 2;
constexpr size_t kOffsetStringNumber = 0x05;  // BIOS Version / Product Name / Product
constexpr BYTE kFamilyStringNumber = 6;

struct StructureString
{
    const BYTE* pText;
    size_t cbText;
};

DWORD ReadU32(const BYTE* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

WORD ReadU16(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// ANSI code page to UTF-16, cut at kIdentityStringUnits characters.
std::wstring ToIdentityString(const BYTE* pText, size_t cbText)
{
    if (cbText == 0)
        return std::wstring();
    const char* pAnsi = reinterpret_cast<const char*>(pText);
    int cchWide = MultiByteToWideChar(CP_ACP, 0, pAnsi, static_cast<int>(cbText), nullptr, 0);
    std::wstring text(cchWide > 0 ? cchWide : 0, L'\0');
    if (cchWide > 0)
        MultiByteToWideChar(CP_ACP, 0, pAnsi, static_cast<int>(cbText), &text[0], cchWide);
    if (text.size() > kIdentityStringUnits)
        text.resize(kIdentityStringUnits);
    return text;
}

}  // namespace

void CMachineIdentity::WalkStructureTable(const BYTE* pStart, const BYTE* pEnd,
                                          NextStructureRule rule)
{
    const BYTE* pStructure = pStart;
    // The type and length bytes must lie inside the table.
    while (pStructure < pEnd && pEnd - pStructure >= 2)
    {
        const BYTE byType = pStructure[0];
        const BYTE cbFormatted = pStructure[1];
        const BYTE* pStringSet = pStructure + cbFormatted;
        if (pStringSet >= pEnd)
            break;

        StructureString aStrings[kMaxStrings];
        size_t cStrings = 0;
        const BYTE* pPos = pStringSet;
        while (pPos < pEnd && *pPos != 0)
        {
            const BYTE* pText = pPos;
            while (pPos < pEnd && *pPos != 0)
                ++pPos;
            if (cStrings < kMaxStrings)
                aStrings[cStrings++] = {pText, static_cast<size_t>(pPos - pText)};
            if (pPos < pEnd)
                ++pPos;
        }

        // String number 0, one beyond the strings, or a number byte outside
        // a formatted area too short to hold it, gives empty text.
        auto stringByNumber = [&](size_t nNumber) {
            if (nNumber == 0 || nNumber > cStrings)
                return std::wstring();
            return ToIdentityString(aStrings[nNumber - 1].pText, aStrings[nNumber - 1].cbText);
        };
        auto stringAtByte5 = [&]() {
            return cbFormatted > kOffsetStringNumber
                       ? stringByNumber(pStructure[kOffsetStringNumber])
                       : std::wstring();
        };

        if (byType == kTypeBiosInformation)
        {
            if (m_strBiosVersion.empty())
                m_strBiosVersion = stringAtByte5();
        }
        else if (byType == kTypeSystemInformation)
        {
            if (m_strModelName.empty())
            {
                m_strModelName = stringAtByte5();
                TraceLog(L"Model name: %s", m_strModelName.c_str());
            }
            if (m_strFamilyName.empty())
            {
                m_strFamilyName = stringByNumber(kFamilyStringNumber);
                TraceLog(L"Family name: %s", m_strFamilyName.c_str());
            }
        }
        else if (byType == kTypeBaseboardInformation && m_strProductName.empty())
        {
            m_strProductName = stringAtByte5();
            TraceLog(L"Product name: %s", m_strProductName.c_str());
            return;
        }

        if (rule == NextStructureRule::AfterStringSet)
        {
            // pPos stands on the NUL closing the string-set; without strings
            // it is the first of the two NULs.
            pStructure = pPos + (cStrings == 0 ? 2 : 1);
        }
        else
        {
            while (pPos < pEnd && *pPos == 0)
                ++pPos;
            pStructure = pPos;
        }
    }
}

void CMachineIdentity::WalkFirmwareTable(const BYTE* pRaw, size_t cbRaw)
{
    constexpr size_t kHeaderBytes = 8;
    if (!pRaw || cbRaw < kHeaderBytes)
        return;
    // A length field beyond what the call returned is not trusted.
    size_t cbTable = ReadU32(pRaw + 4);
    if (cbTable > cbRaw - kHeaderBytes)
        cbTable = cbRaw - kHeaderBytes;
    WalkStructureTable(pRaw + kHeaderBytes, pRaw + kHeaderBytes + cbTable,
                       NextStructureRule::AfterStringSet);
}

bool CMachineIdentity::ReadSMBIOSFromFirmware()
{
    if (!g_pfnGetSystemFirmwareTable)
        return false;
    UINT cbNeeded = g_pfnGetSystemFirmwareTable(kFirmwareProviderRSMB, 0, nullptr, 0);
    if (cbNeeded == 0)
        return true;
    std::vector<BYTE> raw(cbNeeded);
    UINT cbRead = g_pfnGetSystemFirmwareTable(kFirmwareProviderRSMB, 0, raw.data(), cbNeeded);
    if (cbRead > cbNeeded)
        cbRead = 0;
    WalkFirmwareTable(raw.data(), cbRead);
    return true;
}

int CMachineIdentity::GetModelName(IPhysicalMemory& memory)
{
    BYTE* pArea = memory.MapPhysicalMemory(kBiosAreaAddress, kBiosAreaLength);
    if (!pArea)
        return 0;

    // The table's model-name address at 0Eh must lie inside the mapping too.
    constexpr DWORD kTableBytes = 0x12;
    int nResult = 0;
    for (DWORD i = 0; i + kTableBytes <= kBiosAreaLength; ++i)
    {
        if (memcmp(pArea + i, "EXTF", 4) != 0)
            continue;
        if (static_cast<signed char>(pArea[i + 0x07]) < 2)
            break;
        BYTE* pName = memory.MapPhysicalMemory(ReadU32(pArea + i + 0x0E), kModelNameLength);
        if (pName)
        {
            size_t cbName = strnlen(reinterpret_cast<const char*>(pName), kModelNameLength);
            m_strModelName = ToIdentityString(pName, cbName);
            TraceLog(L"GetModelName - Model name: %s", m_strModelName.c_str());
            memory.UnmapPhysicalMemory(pName);
            nResult = 1;
        }
        break;
    }
    memory.UnmapPhysicalMemory(pArea);
    return nResult;
}

void CMachineIdentity::ReadDMIFromMemory(IPhysicalMemory& memory)
{
    BYTE* pArea = memory.MapPhysicalMemory(kBiosAreaAddress, kBiosAreaLength);
    if (!pArea)
        return;

    constexpr DWORD kEntryPointBytes = 0x0C;
    for (DWORD off = 0; off + kEntryPointBytes <= kBiosAreaLength; off += 0x10)
    {
        if (ReadU32(pArea + off) != 0x494D445F || pArea[off + 4] != 0x5F)
            continue;

        const DWORD dwTableAddress = ReadU32(pArea + off + 8);
        const DWORD cbTable = ReadU16(pArea + off + 6);
        const DWORD dwPageOffset = dwTableAddress & kPageMask;
        const DWORD cbMapped = cbTable + dwPageOffset < kOnePage ? kOnePage : kTwoPages;
        BYTE* pPage = memory.MapPhysicalMemory(dwTableAddress - dwPageOffset, cbMapped);
        if (pPage)
        {
            const BYTE* pStart = pPage + dwPageOffset;
            const BYTE* pEnd = cbTable + dwPageOffset > cbMapped ? pPage + cbMapped
                                                                 : pStart + cbTable;
            WalkStructureTable(pStart, pEnd, NextStructureRule::SkipNulBytes);
            memory.UnmapPhysicalMemory(pPage);
        }
        break;
    }
    memory.UnmapPhysicalMemory(pArea);
}
