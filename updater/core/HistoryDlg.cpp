#include "HistoryDlg.h"

#include <commctrl.h>

#include <vector>

#include "HistoryLogReader.h"
#include "JpegPicture.h"
#include "SkinResource.h"
#include "StringTable.h"
#include "resource.h"

namespace {

constexpr int kWindowWidth = 450;
constexpr int kWindowHeight = 300;
constexpr COLORREF kSelectionColour = RGB(139, 148, 91);
constexpr int kFailureImage = 7;  // status + 7: 7 failure, 8 success
constexpr int kTextUnits = 1024;

enum Column { kDateColumn, kTimeColumn, kItemColumn, kTextColumn };

void SetCell(HWND list, int item, int column, const std::wstring& text, int image)
{
    LVITEMW cell = {};
    // A cell without an image sets none, so the list keeps no room for one.
    cell.mask = image == I_IMAGENONE ? LVIF_TEXT : LVIF_TEXT | LVIF_IMAGE;
    cell.iItem = item;
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    cell.iImage = image;
    if (column == kDateColumn)
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&cell));
    else
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font)
{
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

}  // namespace

CHistoryDlg::CHistoryDlg(const wchar_t* pszSkinName, HWND hParent, const std::wstring& logPath)
    : CSkinDialog(IDD_HISTORY_DIALOG, hParent, pszSkinName), m_strLogPath(logPath)
{
    HDC screen = GetDC(nullptr);
    m_pBkBrush = CreateJpegPatternBrush(screen, IDR_HISTORY_BACKGROUND, 0, 0);
    ReleaseDC(nullptr, screen);
}

CHistoryDlg::~CHistoryDlg()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (m_hFont)
        DeleteObject(m_hFont);
}

BOOL CHistoryDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    SetWindowTextW(m_hWnd, L"Vexa Kestrel");
    ApplySkin();
    LoadList();
    return TRUE;
}

void CHistoryDlg::ApplySkin()
{
    SetWindowPos(m_hWnd, nullptr, 0, 0, kWindowWidth, kWindowHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    AddHoverButton(IDC_CLOSE_BUTTON, IDB_CLOSE, IDB_CLOSE_PRESSED, 0, IDB_CLOSE_HOVER, 421, 3);
    AddHoverButton(IDC_MINIMIZE_BUTTON, IDB_MINIMIZE, IDB_MINIMIZE_PRESSED, 0, IDB_MINIMIZE_HOVER,
                   400, 3);
    AddHoverButton(IDC_CLEAR_LOG, IDB_CLEAR, IDB_CLEAR_PRESSED, IDB_CLEAR_DISABLED, IDB_CLEAR_HOVER,
                   282, 264);
    AddHoverButton(IDCANCEL, IDB_CANCEL, IDB_CANCEL_PRESSED, IDB_CANCEL_DISABLED, IDB_CANCEL_HOVER,
                   364, 264);

    m_hList = GetDlgItem(m_hWnd, IDC_HISTORY_LIST);
    SetWindowPos(m_hList, nullptr, 18, 34, 412, 221, SWP_NOZORDER | SWP_NOACTIVATE);
    HIMAGELIST images = ImageList_LoadImageW(GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(IDB_IMAGE_STRIP), 16, 10,
                                             RGB(255, 255, 255), IMAGE_BITMAP, 0);
    SendMessageW(m_hList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    static const struct
    {
        UINT nStringId;
        int cxWidth;
    } s_aColumn[] = {
        {IDS_HISTORY_DATE, 80},
        {IDS_HISTORY_TIME, 55},
        {IDS_HISTORY_ITEM, 120},
        {IDS_HISTORY_DESCRIPTION, 300},
    };
    for (int i = 0; i < static_cast<int>(ARRAYSIZE(s_aColumn)); ++i)
    {
        std::wstring caption = LoadTranslatedString(s_aColumn[i].nStringId);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = s_aColumn[i].cxWidth;
        column.pszText = caption.data();
        SendMessageW(m_hList, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(m_hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES,
                 LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);

    m_hFont = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                          L"Arial");
    EnumChildWindows(m_hWnd, SetChildFont, reinterpret_cast<LPARAM>(m_hFont));

    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_HISTORY));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CHistoryDlg::LoadList()
{
    std::vector<HistoryRecord> records;
    if (!LoadHistoryRecords(m_strLogPath.c_str(), records))
        return;
    SendMessageW(m_hList, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const HistoryRecord& record : records)
    {
        SetCell(m_hList, row, kDateColumn, FormatHistoryDate(record.lTime),
                record.lStatus + kFailureImage);
        SetCell(m_hList, row, kTimeColumn, FormatHistoryTime(record.lTime), I_IMAGENONE);
        SetCell(m_hList, row, kItemColumn, record.strName,
                record.strName.empty() ? I_IMAGENONE : record.lType - 1);
        SetCell(m_hList, row, kTextColumn, record.strText, I_IMAGENONE);
        ++row;
    }
}

void CHistoryDlg::ClearLog()
{
    if (ClearHistoryLog(m_strLogPath.c_str()))
        SendMessageW(m_hList, LVM_DELETEALLITEMS, 0, 0);
}

BOOL CHistoryDlg::OnCommand(WORD id, WORD code)
{
    if (id == IDC_CLEAR_LOG)
    {
        ClearLog();
        return TRUE;
    }
    return CSkinDialog::OnCommand(id, code);
}

INT_PTR CHistoryDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == GetLogChangedMessage())
    {
        LoadList();
        return TRUE;
    }
    if (message == WM_NOTIFY)
    {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == IDC_HISTORY_LIST && header->code == NM_CUSTOMDRAW)
        {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT,
                              OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam)));
            return TRUE;
        }
    }
    return CSkinDialog::OnMessage(message, wParam, lParam);
}

LRESULT CHistoryDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage)
    {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
    {
        int item = static_cast<int>(draw.nmcd.dwItemSpec);
        if (!(SendMessageW(m_hList, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED))
            return CDRF_DODEFAULT;
        DrawSelectedRow(draw.nmcd.hdc, item);
        return CDRF_SKIPDEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

// Selected rows in the skin's colour, cell by cell with their images.
void CHistoryDlg::DrawSelectedRow(HDC dc, int item)
{
    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageW(m_hList, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&row));
    RECT fill = row;
    fill.left += 2;
    HBRUSH brush = CreateSolidBrush(kSelectionColour);
    FillRect(dc, &fill, brush);
    DeleteObject(brush);
    COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(SendMessageW(m_hList, LVM_GETIMAGELIST, LVSIL_SMALL, 0));

    int x = row.left;
    for (int column = 0;; ++column)
    {
        int width = static_cast<int>(SendMessageW(m_hList, LVM_GETCOLUMNWIDTH, column, 0));
        if (width == 0)
            break;
        int cellEnd = x + width;
        wchar_t text[kTextUnits] = {};
        LVITEMW cell = {};
        cell.mask = LVIF_TEXT | LVIF_IMAGE;
        cell.iItem = item;
        cell.iSubItem = column;
        cell.pszText = text;
        cell.cchTextMax = kTextUnits;
        cell.iImage = I_IMAGENONE;
        SendMessageW(m_hList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
        if (cell.iImage >= 0)
        {
            if (column == 0)
                x += 2;
            ImageList_Draw(images, cell.iImage, dc, x, row.top, ILD_TRANSPARENT | ILD_FOCUS);
            x += column == 0 ? 18 : 24;
        }
        else
        {
            x += 6;
        }
        RECT textRect = {x, row.top + 1, cellEnd, row.bottom};
        DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_NOPREFIX);
        x = cellEnd;
    }
    DrawFocusRect(dc, &fill);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
}
