// The busy indicator of the update list: an animated hourglass on one row's
// icon and, during a download, a progress box beside its text. A thread of
// its own draws the frames, woken by a multimedia timer, so the animation
// keeps moving while the user interface thread works.
#include "UpdateTree.h"

#include <mmsystem.h>

#include <climits>

#include "ListArithmetic.h"

namespace {

constexpr int kFrameCount = 15;
constexpr UINT kTimerResolutionMs = 5;
constexpr DWORD kStopPollMs = 100;
constexpr LONG kRowNotShown = LONG_MIN;

LONG ReadShared(const volatile LONG& value)
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&value), 0, 0);
}

}  // namespace

bool CUpdateTree::IsIdle() const
{
    return ReadShared(m_bIdle) != 0;
}

int CUpdateTree::MeasureShownText(HTREEITEM hItem, int nLabelLeft) const
{
    const CColumnText* record = GetRecord(hItem);
    if (!record)
        return 0;
    HDC dc = GetDC(m_hWnd);
    LOGFONTW face = {};
    GetObjectW(GetTreeFont(), sizeof(face), &face);
    if (record->m_bBold)
        face.lfWeight = FW_BOLD;
    CGdiObject<HFONT> font(CreateFontIndirectW(&face));
    HGDIOBJ previous = SelectObject(dc, font.Get());
    auto measure = [dc](const std::wstring& text) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    // The text as the row shows it, cut to its column.
    int textLeft = RowTextStart(nLabelLeft, GetColumnWidth(0), m_nColumns) + 2;
    int width = measure(CutColumnText(record->GetColumn(0), GetColumnWidth(0) - textLeft, measure));
    SelectObject(dc, previous);
    ReleaseDC(m_hWnd, dc);
    return width;
}

void CUpdateTree::StartItemAnimation(HTREEITEM hItem, bool bWithProgress)
{
    if (!IsIdle())
        StopItemAnimation(true);
    InterlockedExchange(&m_bIdle, 0);
    m_hBusyItem = hItem;
    RECT label = {};
    const bool hasRect = GetLabelRect(hItem, label);
    m_rcBusyText = label;

    m_bWithProgress = bWithProgress;
    if (bWithProgress)
    {
        ProgressBox box = GetProgressBox(label, MeasureShownText(hItem, label.left));
        m_rcProgressFrame = box.rcFrame;
        m_rcProgressBar = box.rcBar;
        m_hbrFrame.Reset(CreateSolidBrush(RGB(0, 0, 0)));
        m_hbrBar.Reset(CreateSolidBrush(RGB(0, 0, 255)));
        InterlockedExchange(&m_nProgressTotal, 0);
        InterlockedExchange(&m_nProgressValue, 0);
    }
    else
    {
        m_hbrFrame.Reset();
        m_hbrBar.Reset();
    }

    InterlockedExchange(&m_nFrame, 0);
    if (hasRect && TreeView_GetImageList(m_hWnd, TVSIL_NORMAL))
        m_rcIcon = BusyIconCell(label, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    COLORREF back = TreeView_GetBkColor(m_hWnd);
    m_hbrBack.Reset(CreateSolidBrush(back == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_WINDOW)
                                                                       : back));
    InterlockedExchange(&m_nBusyTop, hasRect ? label.top : kRowNotShown);

    InterlockedExchange(&m_bStop, 0);
    // Cleared here, not by the thread: a stop right after this start must
    // wait for the thread even before it has run.
    InterlockedExchange(&m_bThreadEnded, 0);
    m_hFrameEvent.Reset(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    m_hAnimThread.Reset(CreateThread(nullptr, 0, AnimationThread, this, 0, nullptr));
    if (!m_hAnimThread)
        InterlockedExchange(&m_bThreadEnded, 1);
    if (m_nFramePeriod > 0 && m_hFrameEvent)
        m_uTimerId = timeSetEvent(m_nFramePeriod, kTimerResolutionMs,
                                  reinterpret_cast<LPTIMECALLBACK>(m_hFrameEvent.Get()), 0,
                                  TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CUpdateTree::SetItemProgress(int nTotal, int nValue)
{
    InterlockedExchange(&m_nProgressValue, nValue);
    InterlockedExchange(&m_nProgressTotal, nTotal);
}

void CUpdateTree::StopItemAnimation(bool bDeleteProgressBrushes)
{
    if (IsIdle())
        return;
    EndAnimationThread(true);
    if (bDeleteProgressBrushes)
    {
        m_hbrFrame.Reset();
        m_hbrBar.Reset();
    }
    m_hbrBack.Reset();
    m_hBusyItem = nullptr;
    InterlockedExchange(&m_bIdle, 1);
    // The row shows its own icon again.
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

// Stops the drawing thread and its timer. Keeping messages flowing, the
// calling thread dispatches its messages while it waits, so the window stays
// alive; a WM_QUIT met on the way is posted again afterwards.
void CUpdateTree::EndAnimationThread(bool bKeepMessagesFlowing)
{
    InterlockedExchange(&m_bStop, 1);
    bool quit = false;
    WPARAM quitCode = 0;
    while (ReadShared(m_bThreadEnded) == 0)
    {
        HANDLE thread = m_hAnimThread.Get();
        if (!bKeepMessagesFlowing || quit)
        {
            WaitForSingleObject(thread, kStopPollMs);
            continue;
        }
        MSG message;
        while (!quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == WM_QUIT)
            {
                quit = true;
                quitCode = message.wParam;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(1, &thread, FALSE, kStopPollMs, QS_ALLINPUT);
    }
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    // The timer goes before the event it sets.
    if (m_uTimerId)
        timeKillEvent(m_uTimerId);
    m_uTimerId = 0;
    if (m_hAnimThread)
        WaitForSingleObject(m_hAnimThread.Get(), INFINITE);
    m_hAnimThread.Reset();
    m_hFrameEvent.Reset();
}

DWORD WINAPI CUpdateTree::AnimationThread(void* pThis)
{
    static_cast<CUpdateTree*>(pThis)->RunAnimation();
    return 0;
}

void CUpdateTree::RunAnimation()
{
    m_bRowMovedSeen = false;
    while (ReadShared(m_bStop) == 0)
    {
        DWORD wait = WaitForSingleObject(m_hFrameEvent.Get(), kStopPollMs);
        if (ReadShared(m_bStop) != 0 || wait == WAIT_FAILED)
            break;
        if (wait == WAIT_OBJECT_0)
            DrawFrame();
    }
    InterlockedExchange(&m_bThreadEnded, 1);
}

bool CUpdateTree::BusyRowInPlace(LONG nTop) const
{
    return nTop != kRowNotShown && nTop == m_rcBusyText.top;
}

void CUpdateTree::PublishBusyRow()
{
    m_bPublishing = true;
    RECT label;
    InterlockedExchange(&m_nBusyTop, GetLabelRect(m_hBusyItem, label) ? label.top : kRowNotShown);
    m_bPublishing = false;
}

// On the drawing thread. While the row is away from where the animation
// started (the list was scrolled), nothing is drawn; on leaving, the control
// is repainted once, which takes the box and the hourglass off their old
// place and shows the row there with its own icon.
void CUpdateTree::DrawFrame()
{
    if (!BusyRowInPlace(ReadShared(m_nBusyTop)))
    {
        if (!m_bRowMovedSeen)
            InvalidateRect(m_hWnd, nullptr, FALSE);
        m_bRowMovedSeen = true;
        return;
    }
    m_bRowMovedSeen = false;
    LONG frame = (ReadShared(m_nFrame) + 1) % kFrameCount;
    InterlockedExchange(&m_nFrame, frame);
    HDC dc = GetDC(m_hWnd);
    DrawBusyIndicator(dc, frame);
    ReleaseDC(m_hWnd, dc);
}

void CUpdateTree::DrawBusyIndicator(HDC hdc, int nFrame) const
{
    DrawIconEx(hdc, m_rcIcon.left, m_rcIcon.top, m_hAniCursor.Get(), m_rcIcon.right - m_rcIcon.left,
               m_rcIcon.bottom - m_rcIcon.top, nFrame, m_hbrBack.Get(), DI_NORMAL);
    if (!m_bWithProgress)
        return;
    FrameRect(hdc, &m_rcProgressFrame, m_hbrFrame.Get());
    RECT bar = m_rcProgressBar;
    bar.right = bar.left + ProgressFill(ReadShared(m_nProgressTotal), ReadShared(m_nProgressValue));
    if (bar.right > bar.left)
        FillRect(hdc, &bar, m_hbrBar.Get());
}
