// The main window's update list and status line: the list's creation inside
// frame 1002, filling it from the offered items, Check All and UnCheck All,
// the selection rules of a check-box click, and the status texts.
#include "UpdaterDlg.h"

#include "ListArithmetic.h"
#include "SelectionRules.h"
#include "StringTable.h"
#include "WideText.h"
#include "resource.h"

namespace {

constexpr int kComputerImage = 9;
constexpr int kBiosImage = 0;
constexpr int kDriversImage = 1;
constexpr int kApplicationImage = 2;
constexpr int kVersionColumn = 1;
constexpr int kSizeColumn = 2;

struct ListColumn
{
    UINT nCaptionId;
    int nAlignment;
    int nWidth;
};

constexpr ListColumn kListColumns[] = {
    {IDS_COLUMN_ITEM, kAlignLeft, 160},
    {IDS_COLUMN_VERSION, kAlignRight, 100},
    {IDS_COLUMN_FILE_SIZE, kAlignRight, 120},
};

const int kCheckAllControls[] = {IDC_CHECK_ALL, IDC_UNCHECK_ALL, IDC_CHECK_ALL_LABEL,
                                 IDC_UNCHECK_ALL_LABEL};

}  // namespace

void CUpdaterDlg::CreateUpdateList()
{
    RECT frame;
    GetWindowRect(GetDlgItem(m_hWnd, IDC_LIST_FRAME), &frame);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&frame), 2);
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!m_wndUpdateTree.Create(m_hWnd, frame, GetSmallFont(), dialogFont))
        return;
    for (int column = 0; column < static_cast<int>(ARRAYSIZE(kListColumns)); ++column)
    {
        const ListColumn& spec = kListColumns[column];
        m_wndUpdateTree.InsertColumn(column, LoadTranslatedString(spec.nCaptionId).c_str(),
                                     spec.nAlignment, spec.nWidth);
    }
    m_wndUpdateTree.SetDescriptionSource([this](HTREEITEM hRow) {
        const UpdateItem* item = FindItemByRow(hRow);
        return item ? FieldText(item->szDescription) : std::wstring();
    });

    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = ARRAYSIZE(name);
    if (!GetComputerNameW(name, &size))
        name[0] = L'\0';
    HTREEITEM root = m_wndUpdateTree.AddItem(name, kComputerImage, kComputerImage, TVI_ROOT);
    m_wndUpdateTree.SetCheckState(root, kRowNoCheckBox);
}

void CUpdaterDlg::SetStatusText(int nStringId, const wchar_t* pszText)
{
    const wchar_t* text = pszText ? pszText : L"";
    switch (nStringId)
    {
    case IDS_UPDATE_COMPLETED:
    case IDS_PRESS_OK_TO_CONNECT:
    case IDS_CHECK_ITEMS:
    case IDS_NO_NEED_TO_UPDATE:
    case IDS_CANNOT_CREATE_LOCAL_FILE:
    case IDS_PARSING_UPDATE_INFO:
    case IDS_INSTALL_ROMTOOL:
    case IDS_CONNECTION_CANCELLED:
    case IDS_SERVER_UNREACHABLE:
        CopyBounded(m_szStatusText, LoadTranslatedString(nStringId).c_str());
        break;
    case IDS_DOWNLOAD:
    case IDS_UPDATE:
    case IDS_UNPACK:
        FormatBounded(m_szStatusText, ARRAYSIZE(m_szStatusText), L"%s %s...",
                      LoadTranslatedString(nStringId).c_str(), text);
        break;
    case IDS_COMPLETE_TO_UPDATE:
        FormatBounded(m_szStatusText, ARRAYSIZE(m_szStatusText), L"%s %s",
                      LoadTranslatedString(nStringId).c_str(), text);
        break;
    default:
        CopyBounded(m_szStatusText, text);
        break;
    }
    SetDlgItemTextW(m_hWnd, IDC_STATUS_TEXT, m_szStatusText);
}

HTREEITEM CUpdaterDlg::AddCategoryRow(UINT nStringId, int nImage)
{
    HTREEITEM row = m_wndUpdateTree.AddItem(LoadTranslatedString(nStringId).c_str(), nImage, nImage,
                                            TVI_ROOT);
    m_wndUpdateTree.SetCheckState(row, kRowNoCheckBox);
    return row;
}

void CUpdaterDlg::FillUpdateList()
{
    m_wndUpdateTree.DeleteAllItems();
    m_hBiosRow = AddCategoryRow(IDS_CATEGORY_BIOS, kBiosImage);
    m_hDriversRow = AddCategoryRow(IDS_CATEGORY_DRIVERS, kDriversImage);
    m_hApplicationRow = AddCategoryRow(IDS_CATEGORY_APPLICATION, kApplicationImage);

    for (UpdateItem* item : m_catalogue.m_aUpdateItem)
    {
        HTREEITEM parent = item->bType == kItemTypeBios     ? m_hBiosRow
                           : item->bType == kItemTypeDriver ? m_hDriversRow
                                                            : m_hApplicationRow;
        int image = item->bType + 2;
        HTREEITEM row =
            m_wndUpdateTree.AddItem(FieldText(item->szTitle).c_str(), image, image, parent);
        m_wndUpdateTree.SetItemText(row, kVersionColumn, FieldText(item->szVersion).c_str());
        m_wndUpdateTree.SetItemText(row, kSizeColumn, FormatKilobytes(item->nSize).c_str());
        item->hListRow = row;
        // Resumed work was chosen before the restart: nothing to choose.
        m_wndUpdateTree.SetCheckState(row, m_nRunStep == StepResume ? kRowNoCheckBox
                                                                    : kRowUnchecked);
    }

    for (HTREEITEM category : {m_hBiosRow, m_hDriversRow, m_hApplicationRow})
    {
        if (TreeView_GetChild(m_wndUpdateTree.GetSafeHwnd(), category))
            m_wndUpdateTree.Expand(category, TVE_EXPAND);
    }
    m_wndUpdateTree.EnsureVisible(m_hBiosRow);
}

void CUpdaterDlg::ShowCheckAllControls(bool bShow)
{
    for (int id : kCheckAllControls)
        ShowWindow(GetDlgItem(m_hWnd, id), bShow ? SW_SHOW : SW_HIDE);
}

void CUpdaterDlg::CheckAllItems(bool bCheck)
{
    for (UpdateItem* item : m_catalogue.m_aUpdateItem)
    {
        // Rows without a check box (resumed work) keep none.
        if (item->hListRow && m_wndUpdateTree.GetCheckState(item->hListRow) != kRowNoCheckBox)
            m_wndUpdateTree.SetCheckState(item->hListRow, bCheck ? kRowChecked : kRowUnchecked);
    }
}

void CUpdaterDlg::HideDescriptionTip()
{
    m_wndUpdateTree.HideDescriptionTip();
}

BOOL CUpdaterDlg::OnListCommand(WORD id, WORD)
{
    switch (id)
    {
    case IDC_CHECK_ALL:
        CheckAllItems(true);
        return TRUE;
    case IDC_UNCHECK_ALL:
        CheckAllItems(false);
        return TRUE;
    default:
        return FALSE;  // the labels post their clicks through the skin
    }
}

UpdateItem* CUpdaterDlg::FindItemByRow(HTREEITEM hRow) const
{
    if (!hRow)
        return nullptr;
    for (UpdateItem* item : m_catalogue.m_aUpdateItem)
    {
        if (item->hListRow == hRow)
            return item;
    }
    return nullptr;
}

void CUpdaterDlg::ApplySelectionRules(HTREEITEM hRow)
{
    UpdateItem* clicked = FindItemByRow(hRow);
    if (!clicked)
        return;
    UINT state = m_wndUpdateTree.GetCheckState(hRow);
    if (state == kRowNoCheckBox)
        return;
    for (const SelectionChange& change :
         GetSelectionChanges(m_catalogue.m_aUpdateItem, *clicked, state == kRowUnchecked))
    {
        HTREEITEM row = change.pItem->hListRow;
        if (row && m_wndUpdateTree.GetCheckState(row) != kRowNoCheckBox)
            m_wndUpdateTree.SetCheckState(row, change.bCheck ? kRowChecked : kRowUnchecked);
    }
}

bool CUpdaterDlg::OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_HSCROLL &&
        reinterpret_cast<HWND>(lParam) == m_wndUpdateTree.GetScrollBar() && lParam)
    {
        m_wndUpdateTree.OnHScroll(LOWORD(wParam), HIWORD(wParam));
        result = TRUE;
        return true;
    }
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_LIST_HEADER &&
        (header->code == HDN_ITEMCHANGEDW || header->code == HDN_ITEMCHANGEDA))
    {
        m_wndUpdateTree.OnHeaderItemChanged();
    }
    else if (header->idFrom == IDC_UPDATE_TREE && header->code == NM_CLICK)
    {
        UINT flags = 0;
        HTREEITEM row = m_wndUpdateTree.GetLastHit(&flags);
        if (flags & TVHT_ONITEMSTATEICON)
            ApplySelectionRules(row);
        m_wndUpdateTree.OnClick();
    }
    else if (header->idFrom == IDC_UPDATE_TREE && header->code == TVN_KEYDOWN &&
             reinterpret_cast<const NMTVKEYDOWN*>(lParam)->wVKey == VK_SPACE)
    {
        // The space bar toggles the selected row's check box like a click.
        ApplySelectionRules(TreeView_GetSelection(m_wndUpdateTree.GetSafeHwnd()));
    }
    else
    {
        return false;
    }
    // The tree goes on with its own handling (it toggles the row).
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
    result = TRUE;
    return true;
}
