// The update list's arithmetic, apart from any window: horizontal scroll
// positions, the header's span, the busy row's icon cell and progress box,
// file sizes in kilobytes and the cutting of column texts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Scroll position the horizontal bar moves to for a request (SB_LINELEFT ...
// SB_RIGHT) at position nPos with the thumb at nThumb; nLimit is the bar's
// scroll limit and nPage the tree's visible width. -1 for a request that
// moves nothing (SB_ENDSCROLL).
int NextScrollPosition(int nRequest, int nPos, int nThumb, int nLimit, int nPage);

// Width of the header while the rows are scrolled: the list frame's width or
// the next multiple of the visible width above the columns' total width,
// whichever is larger, so the header never ends inside the visible part.
int ScrolledHeaderWidth(int nFrameWidth, int nVisibleWidth, int nTotalWidth);

// Where a row's column texts start: its label's left edge, but not right of
// column 0 when there are two or more columns.
int RowTextStart(int nLabelLeft, int nFirstColumnWidth, int nColumns);

// The icon cell of a row: left of its label, vertically centred.
RECT BusyIconCell(const RECT& rcLabel, int cxIcon, int cyIcon);

// The progress box right of a row's first-column text (nTextWidth pixels):
// at most 16 pixels high, centred on the row, 54 wide, with an inner bar of
// up to 50 pixels that starts empty.
constexpr int kProgressBarWidth = 50;
struct ProgressBox
{
    RECT rcFrame;
    RECT rcBar;
};
ProgressBox GetProgressBox(const RECT& rcLabel, int nTextWidth);

// Filled width of the bar for nValue of nTotal: 0 for no total, never more
// than the bar.
int ProgressFill(int nTotal, int nValue);

// A size in bytes as whole kilobytes with "," between groups of three digits
// ("1,024" for 1048576 bytes).
std::wstring FormatKilobytes(LONG nBytes);

// The text as a cell nWidth pixels wide shows it: unchanged when it fits
// into nWidth - 8 pixels, else cut so that it and "..." fit (a pair of
// surrogates goes as one character). measure gives a text's width.
using TextMeasure = std::function<int(const std::wstring&)>;
std::wstring CutColumnText(const std::wstring& text, int nWidth, const TextMeasure& measure);
