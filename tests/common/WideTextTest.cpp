#include "WideText.h"

#include <gtest/gtest.h>

#include <string>

TEST(WideText, FormatBoundedCutsToCapacityAndTerminates)
{
    wchar_t buf[8];
    wmemset(buf, L'#', 8);
    FormatBounded(buf, 8, L"%s-%d", L"abcdef", 42);
    EXPECT_STREQ(buf, L"abcdef-");

    FormatBounded(buf, 8, L"%s:%.4X", L"a", 0xBEEFu);
    EXPECT_STREQ(buf, L"a:BEEF");
}

TEST(WideText, CopyBoundedCutsAndTreatsNullAsEmpty)
{
    wchar_t buf[4] = L"xyz";
    CopyBounded(buf, L"abcdef");
    EXPECT_STREQ(buf, L"abc");
    CopyBounded(buf, nullptr);
    EXPECT_STREQ(buf, L"");
}

TEST(WideText, TrimmingKeepsInnerText)
{
    struct Case
    {
        const wchar_t* input;
        const wchar_t* whiteSpaceTrimmed;
        const wchar_t* blanksTrimmed;
    };
    const Case cases[] = {
        {L"  a b \r\n", L"a b", L"  a b \r\n"},
        {L"System product name ", L"System product name", L"System product name"},
        {L"\t\t", L"", L"\t\t"},
        {L"   ", L"", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases)
    {
        std::wstring a = c.input, b = c.input;
        TrimWhiteSpace(a.data());
        TrimTrailingBlanks(b.data());
        EXPECT_STREQ(a.c_str(), c.whiteSpaceTrimmed) << c.input;
        EXPECT_STREQ(b.c_str(), c.blanksTrimmed) << c.input;
    }
}

TEST(WideText, CaseInsensitiveCompare)
{
    EXPECT_TRUE(EqualsNoCase(L"Q7KM2-RTS", L"q7km2-rts"));
    EXPECT_TRUE(EqualsNoCase(nullptr, L""));
    EXPECT_FALSE(EqualsNoCase(L"Win7", L"Win7(64)"));
}

TEST(WideText, LeadingIntegerReadsUpToTheFirstOtherCharacter)
{
    struct Case
    {
        const wchar_t* text;
        long value;
    };
    const Case cases[] = {
        {L"42", 42}, {L"-7", -7}, {L"+3", 3}, {L"12abc", 12}, {L" 5", 5},
        {L"abc", 0}, {L"", 0},   {L",5", 0}, {L"1.9", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLeadingInt(c.text), c.value) << c.text;
}
