#include "TraceLog.h"

#include <gtest/gtest.h>

#include <string>

#include "ProcessFlags.h"
#include "TraceCapture.h"

TEST(TraceLog, WritesOnlyInDebugMode)
{
    std::wstring seen;
    {
        CTraceCapture capture;
        g_bDebugTrace = 0;
        TraceLog(L"hidden %d", 1);
        g_bDebugTrace = 1;
        TraceLog(L"GetInstalledItem - compare %s : %s", L"1.0", L"2.0");
        ASSERT_EQ(capture.Lines().size(), 1u);
        seen = capture.Lines()[0];
    }
    EXPECT_EQ(seen, L"GetInstalledItem - compare 1.0 : 2.0");
}

TEST(TraceLog, LineIsCutTo255Characters)
{
    CTraceCapture capture;
    std::wstring longText(400, L'x');
    TraceLog(L"Change URL to %s", longText.c_str());
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0].size(), kTraceLineUnits - 1);
    EXPECT_EQ(capture.Lines()[0].substr(0, 14), L"Change URL to ");
}
