#include "OsName.h"

#include <gtest/gtest.h>

TEST(OsName, EveryKnownVersionOnBothEditions)
{
    struct Case
    {
        DWORD major, minor;
        const wchar_t* name32;
        const wchar_t* name64;
    };
    const Case cases[] = {
        {5, 0, L"Win2K", L"Win2K"},     {5, 1, L"WinXP", L"WinXP(64)"},
        {5, 2, L"Win2003", L"Win2003(64)"}, {6, 0, L"Vista", L"Vista(64)"},
        {6, 1, L"Win7", L"Win7(64)"},   {6, 2, L"Win8", L"Win8(64)"},
        {6, 3, L"", L""},               {4, 0, L"", L""},
        {10, 0, L"", L""},
    };
    for (const Case& c : cases)
    {
        EXPECT_STREQ(GetOSName(c.major, c.minor, FALSE), c.name32) << c.major << "." << c.minor;
        EXPECT_STREQ(GetOSName(c.major, c.minor, TRUE), c.name64) << c.major << "." << c.minor;
    }
}
