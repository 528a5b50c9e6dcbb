#include "ListArithmetic.h"

#include <algorithm>

namespace {

constexpr int kLineStep = 6;
constexpr int kProgressBoxHeight = 16;
constexpr int kProgressBoxWidth = kProgressBarWidth + 4;
constexpr int kTextMargin = 8;
constexpr wchar_t kEllipsis[] = L"...";

bool IsLowSurrogate(wchar_t ch)
{
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

bool IsHighSurrogate(wchar_t ch)
{
    return ch >= 0xD800 && ch <= 0xDBFF;
}

void RemoveLastCharacter(std::wstring& text)
{
    size_t size = text.size();
    if (size >= 2 && IsLowSurrogate(text[size - 1]) && IsHighSurrogate(text[size - 2]))
        text.resize(size - 2);
    else if (size > 0)
        text.resize(size - 1);
}

}  // namespace

int NextScrollPosition(int nRequest, int nPos, int nThumb, int nLimit, int nPage)
{
    int nLast = std::max(0, nLimit - 1);
    switch (nRequest)
    {
    case SB_LINELEFT: return nPos >= kLineStep + 1 ? nPos - kLineStep : 0;
    case SB_LINERIGHT: return std::min(nPos + kLineStep, nLast);
    case SB_PAGELEFT: return std::max(nPos - nPage, 0);
    case SB_PAGERIGHT: return std::min(nPos + nPage, nLast);
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        // The thumb snaps to the next multiple of a line step.
        return nThumb <= 0 ? 0 : std::min(kLineStep * (nThumb / kLineStep + 1), nLast);
    case SB_LEFT: return 0;
    case SB_RIGHT: return nLast;
    default: return -1;
    }
}

int ScrolledHeaderWidth(int nFrameWidth, int nVisibleWidth, int nTotalWidth)
{
    if (nVisibleWidth <= 0)
        return nFrameWidth;
    return std::max(nFrameWidth, nVisibleWidth * (nTotalWidth / nVisibleWidth + 1));
}

int RowTextStart(int nLabelLeft, int nFirstColumnWidth, int nColumns)
{
    return nColumns >= 2 ? std::min(nLabelLeft, nFirstColumnWidth) : nLabelLeft;
}

RECT BusyIconCell(const RECT& rcLabel, int cxIcon, int cyIcon)
{
    int left = rcLabel.left - cxIcon - 3;
    int top = rcLabel.top + (rcLabel.bottom - rcLabel.top - cyIcon) / 2;
    return {left, top, left + cxIcon, top + cyIcon};
}

ProgressBox GetProgressBox(const RECT& rcLabel, int nTextWidth)
{
    int height = rcLabel.bottom - rcLabel.top;
    int margin = std::max(0, (height - kProgressBoxHeight) / 2);
    ProgressBox box;
    box.rcFrame.left = rcLabel.left + nTextWidth + 2;
    box.rcFrame.top = rcLabel.top + margin;
    // An odd row height leaves the box one pixel short of the row's centre
    // rather than taller than 16 pixels.
    box.rcFrame.bottom = box.rcFrame.top + std::min(height, kProgressBoxHeight);
    box.rcFrame.right = box.rcFrame.left + kProgressBoxWidth;
    box.rcBar = {box.rcFrame.left + 2, box.rcFrame.top + 2, box.rcFrame.left + 2,
                 box.rcFrame.bottom - 2};
    return box;
}

int ProgressFill(int nTotal, int nValue)
{
    if (nTotal <= 0 || nValue <= 0)
        return 0;
    long long fill = static_cast<long long>(nValue) * kProgressBarWidth / nTotal;
    return static_cast<int>(std::min<long long>(fill, kProgressBarWidth));
}

std::wstring FormatKilobytes(LONG nBytes)
{
    std::wstring digits = std::to_wstring(std::max<LONG>(nBytes, 0) / 1024);
    std::wstring text;
    for (size_t i = 0; i < digits.size(); ++i)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += L',';
        text += digits[i];
    }
    return text;
}

std::wstring CutColumnText(const std::wstring& text, int nWidth, const TextMeasure& measure)
{
    int available = nWidth - kTextMargin;
    if (measure(text) <= available)
        return text;
    std::wstring cut = text;
    while (!cut.empty() && measure(cut + kEllipsis) > available)
        RemoveLastCharacter(cut);
    return cut + kEllipsis;
}
