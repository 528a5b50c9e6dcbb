#include "StartupRules.h"

#include <gtest/gtest.h>

#include "ProcessFlags.h"
#include "TraceCapture.h"

namespace {

TEST(StartupRules, CommandLineSwitches)
{
    struct Case
    {
        const wchar_t* pszCommandLine;
        int nRunMode;
        BYTE bDebug;
        BYTE bScheduled;
        std::vector<std::wstring> traces;
    };
    const Case cases[] = {
        {L"Kestupdt.exe", 0, 0, 0, {}},
        {L"Kestupdt.exe /schedule /t", 1, 1, 1, {L"Debug mode.", L"ScheduleUp mode."}},
        {L"Kestupdt.exe /H /T", 2, 0, 0, {L"History mode."}},
        {L"\"C:\\Vexa\\Kestupdt.exe\" /h", 2, 0, 0, {L"History mode."}},
        {L"Kestupdt.exe /SCHEDULE", 0, 0, 1, {L"ScheduleUp mode."}},
    };
    for (const Case& c : cases)
    {
        // Traces are seen only when debug mode is on, so capture with it on
        // and compare what the parser decided separately.
        CTraceCapture capture;
        g_bDebugTrace = 0;
        g_bScheduled = 0;
        EXPECT_EQ(ParseCommandLine(c.pszCommandLine), c.nRunMode) << c.pszCommandLine;
        EXPECT_EQ(g_bDebugTrace, c.bDebug) << c.pszCommandLine;
        EXPECT_EQ(g_bScheduled, c.bScheduled) << c.pszCommandLine;
        std::vector<std::wstring> expected;
        for (const std::wstring& line : c.traces)
            if (c.bDebug)
                expected.push_back(line);
        EXPECT_EQ(capture.Lines(), expected) << c.pszCommandLine;
    }
    g_bScheduled = 0;
}

TEST(StartupRules, PlaceholderModelNamesFollowTheBoard)
{
    struct Case
    {
        const wchar_t* pszModel;
        const wchar_t* pszProduct;
        const wchar_t* pszResult;
    };
    const Case cases[] = {
        {L"System product name", L"Q7KM2-RTS", L"Pellar D22"},
        {L"SYSTEM PRODUCT NAME", L"q7kl2-rts", L"Pellar D20"},
        {L"", L"Q7KL2-RTS", L"Pellar D20"},
        {L"", L"Q9XX1", L""},
        {L"System product name", L"Q9XX1", L"System product name"},
        {L"Pellar N10", L"Q7KM2-RTS", L"Pellar N10"},
    };
    for (const Case& c : cases)
    {
        std::wstring model = c.pszModel;
        SubstituteModelName(model, c.pszProduct);
        EXPECT_EQ(model, c.pszResult) << c.pszModel << L" / " << c.pszProduct;
    }
}

}  // namespace
