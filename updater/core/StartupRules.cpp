#include "StartupRules.h"

#include <windows.h>

#include "ProcessFlags.h"
#include "TraceLog.h"
#include "WideText.h"

int ParseCommandLine(const wchar_t* pszCommandLine)
{
    std::wstring strUpper = pszCommandLine ? pszCommandLine : L"";
    if (!strUpper.empty())
        CharUpperW(&strUpper[0]);

    int nRunMode = kRunModeNormal;
    if (Contains(strUpper.c_str(), L"/H"))
    {
        nRunMode = kRunModeHistory;
        TraceLog(L"History mode.");
    }
    else if (Contains(strUpper.c_str(), L"/T"))
    {
        nRunMode = kRunModeDebug;
        g_bDebugTrace = 1;
        TraceLog(L"Debug mode.");
    }
    if (Contains(strUpper.c_str(), L"/SCHEDULE"))
    {
        g_bScheduled = 1;
        TraceLog(L"ScheduleUp mode.");
    }
    return nRunMode;
}

bool SubstituteModelName(std::wstring& strModelName, const std::wstring& strProductName)
{
    struct BoardModel
    {
        const wchar_t* pszProductName;
        const wchar_t* pszModelName;
    };
    static const BoardModel s_aBoardModel[] = {
        {L"Q7KM2-RTS", L"Pellar D22"},
        {L"Q7KL2-RTS", L"Pellar D20"},
    };

    if (!strModelName.empty() && !EqualsNoCase(strModelName.c_str(), L"System product name"))
        return false;
    for (const BoardModel& row : s_aBoardModel)
    {
        if (EqualsNoCase(strProductName.c_str(), row.pszProductName))
        {
            strModelName = row.pszModelName;
            TraceLog(L"Change system name to %s.", row.pszModelName);
            return true;
        }
    }
    return false;
}
