// Popup placement near the screen's edges and the band's colour stripes.
#include "MenuGeometry.h"

#include <gtest/gtest.h>

namespace {

const RECT kScreen = {0, 0, 1024, 768};
constexpr int kW = 150;
constexpr int kH = 200;

struct PlaceCase
{
    const char* name;
    int x, y;
    POINT expected;
};

TEST(PlacePopup, AtTheCursorFlipsAwayFromTheEdges)
{
    const PlaceCase cases[] = {
        {"top-left corner grows right and down", 5, 5, {5, 5}},
        {"middle grows right and down", 500, 300, {500, 300}},
        {"top-right corner opens to the left", 1020, 5, {870, 5}},
        {"bottom-left corner opens above", 5, 760, {5, 560}},
        {"bottom-right corner opens left and above", 1020, 760, {870, 560}},
        {"touching the right edge counts as not fitting", 874, 100, {724, 100}},
        {"one pixel short of the right edge fits", 873, 100, {873, 100}},
        {"low in the middle opens above", 100, 700, {100, 500}},
    };
    for (const PlaceCase& c : cases)
    {
        POINT pt = PlacePopup(kScreen, c.x, c.y, nullptr, kW, kH);
        EXPECT_EQ(pt.x, c.expected.x) << c.name;
        EXPECT_EQ(pt.y, c.expected.y) << c.name;
    }
    // A popup larger than the screen has no alternative.
    POINT pt = PlacePopup(kScreen, 10, 10, nullptr, 2000, 2000);
    EXPECT_EQ(pt.x, 10);
    EXPECT_EQ(pt.y, 10);
}

struct SubmenuCase
{
    const char* name;
    RECT item;
    int w, h;
    POINT expected;
};

TEST(PlacePopup, SubmenuBesideItsItem)
{
    const SubmenuCase cases[] = {
        {"right of the item, tops aligned", {100, 100, 250, 130}, kW, kH, {250, 100}},
        {"right, bottoms aligned near the screen bottom", {100, 700, 250, 730}, kW, kH, {250, 530}},
        {"left of the item when the right is full", {800, 100, 950, 130}, kW, kH, {650, 100}},
        {"left, bottoms aligned in the bottom-right corner", {800, 700, 950, 730}, kW, kH,
         {650, 530}},
        // Fits to neither side: on the roomier side, pulled onto the screen.
        {"wider than both sides, roomier left", {500, 100, 950, 130}, 520, kH, {0, 100}},
        {"wider than both sides, roomier right", {50, 100, 450, 130}, 620, kH, {404, 100}},
        {"taller than the screen", {100, 100, 250, 130}, kW, 900, {250, 0}},
    };
    for (const SubmenuCase& c : cases)
    {
        POINT pt = PlacePopup(kScreen, 0, 0, &c.item, c.w, c.h);
        EXPECT_EQ(pt.x, c.expected.x) << c.name;
        EXPECT_EQ(pt.y, c.expected.y) << c.name;
    }
}

TEST(GradientStripes, RunFromTheBottomColourToTheTopColour)
{
    const COLORREF top = RGB(65, 78, 23);
    const COLORREF bottom = RGB(168, 184, 78);

    // 100 pixels: one-pixel stripes, bottom first.
    auto stripes = GradientStripes({0, 0, 24, 100}, top, bottom);
    ASSERT_EQ(stripes.size(), 100u);
    EXPECT_EQ(stripes[0].nTop, 99);
    EXPECT_EQ(stripes[0].nHeight, 1);
    // Channel moved by |top - bottom| * 1 / 100: 103/100 -> 1, 106/100 -> 1, 55/100 -> 0.
    EXPECT_EQ(stripes[0].crFill, RGB(167, 183, 78));
    EXPECT_EQ(stripes[49].crFill, RGB(168 - 51, 184 - 53, 78 - 27));
    EXPECT_EQ(stripes[99].nTop, 0);
    EXPECT_EQ(stripes[99].crFill, top);

    // 301 pixels: stripes of 2, the last reaching past the top is clipped
    // and ends exactly at the top colour.
    stripes = GradientStripes({0, 10, 24, 311}, top, bottom);
    ASSERT_EQ(stripes.size(), 151u);
    EXPECT_EQ(stripes[0].nTop, 309);
    EXPECT_EQ(stripes[0].nHeight, 2);
    EXPECT_EQ(stripes.back().nTop, 10);
    EXPECT_EQ(stripes.back().nHeight, 1);
    EXPECT_EQ(stripes.back().crFill, top);
    int nCovered = 0;
    for (const GradientStripe& s : stripes)
        nCovered += s.nHeight;
    EXPECT_EQ(nCovered, 301);

    EXPECT_TRUE(GradientStripes({0, 0, 24, 0}, top, bottom).empty());
}

TEST(SubmenuArrow, PointsRightInsideTheShrunkSquare)
{
    // Check size 15: square from 200 - 11 = 189 to 204, inset 4, half 3.
    ArrowShape arrow = SubmenuArrow({0, 0, 200, 30}, 15);
    EXPECT_EQ(arrow.aCorner[0].x, 193);
    EXPECT_EQ(arrow.aCorner[0].y, 11);
    EXPECT_EQ(arrow.aCorner[1].x, 196);
    EXPECT_EQ(arrow.aCorner[1].y, 14);
    EXPECT_EQ(arrow.aCorner[2].x, 193);
    EXPECT_EQ(arrow.aCorner[2].y, 17);
}

}  // namespace
