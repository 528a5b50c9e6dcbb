#include "ListArithmetic.h"

#include <gtest/gtest.h>

#include "ColumnText.h"
#include "TestFiles.h"

namespace {

TEST(ColumnTextTest, ColumnsAreReadAndReplacedByNumber)
{
    CColumnText one(L"BIOS 1.20");
    one.SetColumn(2, L"x");
    EXPECT_EQ(one.GetColumn(0), L"BIOS 1.20");
    EXPECT_EQ(one.GetColumn(1), L"");
    EXPECT_EQ(one.GetColumn(2), L"x");

    CColumnText three(L"Audio driver");
    three.SetColumn(1, L"6.0.1");
    three.SetColumn(2, L"1,024");
    EXPECT_EQ(three.GetColumn(3), L"");
    EXPECT_EQ(three.GetColumn(-1), L"");
    // Replacing the middle column keeps both neighbours.
    three.SetColumn(1, L"6.0.2");
    EXPECT_EQ(three.GetColumn(0), L"Audio driver");
    EXPECT_EQ(three.GetColumn(1), L"6.0.2");
    EXPECT_EQ(three.GetColumn(2), L"1,024");

    // Any character, the question mark too, stays inside its column.
    CColumnText asking(L"Ready? Set? Go");
    asking.SetColumn(1, L"1.0?");
    EXPECT_EQ(asking.GetColumn(0), L"Ready? Set? Go");
    EXPECT_EQ(asking.GetColumn(1), L"1.0?");
    EXPECT_EQ(asking.GetColumn(2), L"");
}

TEST(ListArithmeticTest, ColumnTextsAreCutToTheirCellWithAnEllipsis)
{
    // Every character 5 pixels wide: "..." takes 15.
    TextMeasure measure = [](const std::wstring& text) { return static_cast<int>(text.size()) * 5; };
    const std::wstring surrogatePair = L"\xD83D\xDE00";
    struct Case
    {
        std::wstring text;
        int width;
        std::wstring shown;
    };
    const Case cases[] = {
        {L"Audio", 33, L"Audio"},           // 25 fits into 33 - 8
        {L"Audio!", 33, L"Au..."},          // 30 does not: "Au..." is 25 of 25
        {L"Audio driver", 60, L"Audio d..."},  // 50 of 52
        {L"", 10, L""},
        {L"Audio", 12, L"..."},             // nothing fits beside the ellipsis
        {L"ab" + surrogatePair + L"cdef", 42, L"ab..."},  // the pair goes whole
        {L"ab" + surrogatePair + L"cdef", 44, L"ab" + surrogatePair + L"..."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Narrow(c.text.c_str()) + " in " + std::to_string(c.width));
        EXPECT_EQ(CutColumnText(c.text, c.width, measure), c.shown);
    }
    // Any cut text and its ellipsis fit, for every width.
    const std::wstring title(99, L'W');
    for (int width = 23; width < 600; ++width)
        EXPECT_LE(measure(CutColumnText(title, width, measure)), width - 8) << width;
}

TEST(ListArithmeticTest, ScrollRequestsMoveByTheTable)
{
    // The bar's limit is 200; the tree shows 150 pixels.
    const int limit = 200;
    const int page = 150;
    struct Case
    {
        int request, pos, thumb, expected;
    };
    const Case cases[] = {
        {SB_LINELEFT, 50, 0, 44},    {SB_LINELEFT, 7, 0, 1},     {SB_LINELEFT, 6, 0, 0},
        {SB_LINELEFT, 0, 0, 0},      {SB_LINERIGHT, 50, 0, 56},  {SB_LINERIGHT, 195, 0, 199},
        {SB_PAGELEFT, 170, 0, 20},   {SB_PAGELEFT, 100, 0, 0},   {SB_PAGERIGHT, 20, 0, 170},
        {SB_PAGERIGHT, 60, 0, 199},  {SB_THUMBTRACK, 0, 0, 0},   {SB_THUMBTRACK, 10, 1, 6},
        {SB_THUMBTRACK, 10, 6, 12},  {SB_THUMBTRACK, 10, 11, 12}, {SB_THUMBPOSITION, 10, 13, 18},
        {SB_THUMBTRACK, 10, 197, 198}, {SB_THUMBTRACK, 10, 198, 199}, {SB_LEFT, 120, 0, 0},     {SB_RIGHT, 12, 0, 199},
        {SB_ENDSCROLL, 50, 0, -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "request " << c.request << " at " << c.pos << " thumb "
                                        << c.thumb);
        EXPECT_EQ(NextScrollPosition(c.request, c.pos, c.thumb, limit, page), c.expected);
    }
    // A bar without room never goes below 0.
    EXPECT_EQ(NextScrollPosition(SB_RIGHT, 0, 0, 0, page), 0);
    EXPECT_EQ(NextScrollPosition(SB_LINERIGHT, 0, 0, 0, page), 0);
}

TEST(ListArithmeticTest, ScrolledHeaderReachesPastTheVisibleRows)
{
    EXPECT_EQ(ScrolledHeaderWidth(397, 376, 380), 752);  // next multiple above the total
    EXPECT_EQ(ScrolledHeaderWidth(397, 376, 752), 1128);
    EXPECT_EQ(ScrolledHeaderWidth(397, 150, 160), 397);  // never shorter than the frame
    EXPECT_EQ(ScrolledHeaderWidth(397, 0, 500), 397);
}

TEST(ListArithmeticTest, RowTextsStartAtTheLabelButNotPastTheFirstColumn)
{
    EXPECT_EQ(RowTextStart(40, 160, 3), 40);
    EXPECT_EQ(RowTextStart(200, 160, 3), 160);
    EXPECT_EQ(RowTextStart(200, 160, 1), 200);
}

TEST(ListArithmeticTest, ProgressBoxIsCentredOnTheRowRightOfItsText)
{
    struct Case
    {
        int rowHeight, boxTop, boxHeight;
    };
    // Rows start at y 36; label from x 40; the text is 70 pixels wide.
    for (const Case& c : {Case{18, 37, 16}, Case{14, 36, 14}, Case{17, 36, 16}, Case{24, 40, 16}})
    {
        SCOPED_TRACE(c.rowHeight);
        ProgressBox box = GetProgressBox({40, 36, 44, 36 + c.rowHeight}, 70);
        EXPECT_EQ(box.rcFrame.left, 112);
        EXPECT_EQ(box.rcFrame.right - box.rcFrame.left, 54);
        EXPECT_EQ(box.rcFrame.top, c.boxTop);
        EXPECT_EQ(box.rcFrame.bottom - box.rcFrame.top, c.boxHeight);
        // The bar lies 2 pixels inside the box and starts empty.
        EXPECT_EQ(box.rcBar.left, 114);
        EXPECT_EQ(box.rcBar.right, 114);
        EXPECT_EQ(box.rcBar.top, c.boxTop + 2);
        EXPECT_EQ(box.rcBar.bottom, c.boxTop + c.boxHeight - 2);
        EXPECT_EQ(box.rcBar.left + kProgressBarWidth, box.rcFrame.right - 2);
    }
}

TEST(ListArithmeticTest, ProgressFillsItsShareOfFiftyPixels)
{
    EXPECT_EQ(ProgressFill(100, 37), 18);
    EXPECT_EQ(ProgressFill(100, 100), 50);
    EXPECT_EQ(ProgressFill(100, 1), 0);
    EXPECT_EQ(ProgressFill(0, 37), 0);
    EXPECT_EQ(ProgressFill(-5, 37), 0);
    EXPECT_EQ(ProgressFill(100, -3), 0);
    EXPECT_EQ(ProgressFill(100, 250), 50);  // never out of the box
    EXPECT_EQ(ProgressFill(0x7fffffff, 0x7ffffffe), 49);
}

TEST(ListArithmeticTest, BusyIconCellLiesLeftOfTheLabel)
{
    RECT cell = BusyIconCell({60, 18, 63, 36}, 16, 16);
    EXPECT_EQ(cell.left, 41);
    EXPECT_EQ(cell.top, 19);
    EXPECT_EQ(cell.right, 57);
    EXPECT_EQ(cell.bottom, 35);
}

TEST(ListArithmeticTest, SizesShowAsKilobytesInGroupsOfThree)
{
    struct Case
    {
        LONG bytes;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {1048576, L"1,024"},    {1000, L"0"},          {1234567890, L"1,205,632"},
        {0, L"0"},              {1023, L"0"},          {1024, L"1"},
        {1024 * 999, L"999"},   {1024 * 1000, L"1,000"}, {0x7fffffff, L"2,097,151"},
        {-4096, L"0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatKilobytes(c.bytes), c.shown) << c.bytes;
}

}  // namespace
