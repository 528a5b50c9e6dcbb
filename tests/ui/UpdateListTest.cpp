// The update list on the real main window: rows, painting, scrolling, the
// busy row, the status line and the selection rules driven by mouse clicks.
#include "UpdaterDlg.h"

#include <gtest/gtest.h>

#include <memory>

#include "ProcessFlags.h"
#include "TestFiles.h"
#include "WideText.h"
#include "WindowTestSupport.h"
#include "resource.h"

namespace {

constexpr COLORREF kSelection = RGB(139, 148, 91);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct ItemSpec
{
    BYTE type;
    const wchar_t* name;
    const wchar_t* title;
    const wchar_t* version;
    LONG size;
    LONG index;
    std::vector<LONG> dependence;
    const wchar_t* description;
};

class UpdateListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_bWinXPOrLater = TRUE;
        m_dialog = std::make_unique<CUpdaterDlg>(nullptr, 0, L"1.00", L"Pellar D22", L"MAINPANEL",
                                                 L"Pellar");
        m_hWindow = m_dialog->Create();
        ASSERT_NE(m_hWindow, nullptr);
        ShowWindow(m_hWindow, SW_SHOWNORMAL);
        SetForegroundWindow(m_hWindow);
        PumpMessages(200);
        m_hTree = Tree().GetSafeHwnd();
        ASSERT_NE(m_hTree, nullptr);
    }

    void TearDown() override
    {
        m_dialog.reset();
        PumpMessages(20);
    }

    CUpdateTree& Tree() { return m_dialog->m_wndUpdateTree; }

    UpdateItem* Add(const ItemSpec& spec)
    {
        auto* item = new UpdateItem();
        item->bType = spec.type;
        CopyBounded(item->szName, spec.name);
        CopyBounded(item->szTitle, spec.title);
        CopyBounded(item->szVersion, spec.version);
        CopyBounded(item->szDescription, spec.description);
        item->nSize = spec.size;
        item->nIndex = spec.index;
        for (size_t i = 0; i < spec.dependence.size(); ++i)
            item->anDependence[i] = spec.dependence[i];
        m_dialog->m_catalogue.m_aUpdateItem.push_back(item);
        return item;
    }

    // One item of each kind.
    void AddEveryKind()
    {
        Add({kItemTypeBios, L"BIOS", L"BIOS 1.20", L"1.20", 1048576, 1, {}, L"Firmware"});
        Add({kItemTypeDriver, L"Audio", L"Audio driver", L"6.0.1", 1234567890, 2, {}, L""});
        Add({kItemTypeAP, L"Player", L"Media player", L"3.1", 1000, 3, {}, L"Plays media"});
        Add({kItemTypeHotfix, L"KB123", L"Security hotfix", L"1", 524288, 4, {}, L""});
    }

    void Fill()
    {
        m_dialog->FillUpdateList();
        PumpMessages(100);
    }

    std::vector<HTREEITEM> Children(HTREEITEM parent)
    {
        std::vector<HTREEITEM> rows;
        for (HTREEITEM row = parent ? TreeView_GetChild(m_hTree, parent) : TreeView_GetRoot(m_hTree);
             row; row = TreeView_GetNextSibling(m_hTree, row))
            rows.push_back(row);
        return rows;
    }

    int Image(HTREEITEM row)
    {
        TVITEMW item = {};
        item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        item.hItem = row;
        TreeView_GetItem(m_hTree, &item);
        EXPECT_EQ(item.iImage, item.iSelectedImage);
        return item.iImage;
    }

    RECT Label(HTREEITEM row)
    {
        RECT rect = {};
        EXPECT_TRUE(TreeView_GetItemRect(m_hTree, row, &rect, TRUE));
        return rect;
    }

    // Where the tree's own hit test finds the row's check box.
    POINT StateIconPoint(HTREEITEM row)
    {
        RECT label = Label(row);
        for (int x = 0; x < label.left; ++x)
        {
            TVHITTESTINFO hit = {{x, (label.top + label.bottom) / 2}, 0, nullptr};
            TreeView_HitTest(m_hTree, &hit);
            if (hit.hItem == row && (hit.flags & TVHT_ONITEMSTATEICON))
                return {x + 4, hit.pt.y};
        }
        ADD_FAILURE() << "no check box on the row";
        return {0, 0};
    }

    // A real mouse click: the system's input, the tree's own hit test.
    void ClickAt(HWND window, POINT point)
    {
        ClientToScreen(window, &point);
        SetCursorPos(point.x, point.y);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        PumpMessages(150);
    }

    void ClickCheckBox(const UpdateItem* item) { ClickAt(m_hTree, StateIconPoint(item->hListRow)); }

    void ClickControl(int id)
    {
        HWND control = GetDlgItem(m_hWindow, id);
        RECT rect;
        GetClientRect(control, &rect);
        ClickAt(control, {rect.right / 2, rect.bottom / 2});
    }

    UINT State(const UpdateItem* item) { return Tree().GetCheckState(item->hListRow); }

    std::unique_ptr<CUpdaterDlg> m_dialog;
    HWND m_hWindow = nullptr;
    HWND m_hTree = nullptr;
};

// Pixels of a bitmap in a rectangle that have the colour.
int CountColour(HBITMAP bitmap, const RECT& rect, COLORREF colour)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            count += PixelAt(bitmap, x, y) == colour;
    return count;
}

// The longest run of the colour along row y.
int LongestRun(HBITMAP bitmap, int y, int left, int right, COLORREF colour)
{
    int best = 0;
    int run = 0;
    for (int x = left; x < right; ++x)
    {
        run = PixelAt(bitmap, x, y) == colour ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

std::vector<COLORREF> Pixels(HBITMAP bitmap, const RECT& rect)
{
    std::vector<COLORREF> pixels;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            pixels.push_back(PixelAt(bitmap, x, y));
    return pixels;
}

TEST_F(UpdateListTest, WindowStartShowsTheComputerAndTheColumns)
{
    std::vector<HTREEITEM> roots = Children(nullptr);
    ASSERT_EQ(roots.size(), 1u);
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = ARRAYSIZE(name);
    GetComputerNameW(name, &size);
    EXPECT_EQ(Tree().GetItemText(roots[0], 0), name);
    EXPECT_EQ(Image(roots[0]), 9);
    EXPECT_EQ(Tree().GetCheckState(roots[0]), kRowNoCheckBox);

    const struct
    {
        const wchar_t* caption;
        int width, alignment;
    } columns[] = {{L"Item", 160, kAlignLeft}, {L"Version", 100, kAlignRight},
                   {L"File Size (KB)", 120, kAlignRight}};
    HWND header = GetDlgItem(m_hWindow, IDC_LIST_HEADER);
    ASSERT_EQ(Header_GetItemCount(header), 3);
    for (int i = 0; i < 3; ++i)
    {
        wchar_t caption[64] = {};
        HDITEMW item = {};
        item.mask = HDI_TEXT;
        item.pszText = caption;
        item.cchTextMax = ARRAYSIZE(caption);
        Header_GetItem(header, i, &item);
        EXPECT_STREQ(caption, columns[i].caption);
        EXPECT_EQ(Tree().GetColumnWidth(i), columns[i].width);
        EXPECT_EQ(Tree().GetColumnAlignment(i), columns[i].alignment);
    }
    EXPECT_EQ(Tree().GetColumnWidth(3), 0);
    EXPECT_EQ(Tree().GetTotalWidth(), 380);

    // Header, tree and bar inside the frame at (132, 150), 397 x 161.
    const int cxEdge = GetSystemMetrics(SM_CXEDGE);
    const int cyEdge = GetSystemMetrics(SM_CYEDGE);
    RECT headerRect = ChildRect(m_hWindow, IDC_LIST_HEADER);
    RECT treeRect = ChildRect(m_hWindow, IDC_UPDATE_TREE);
    EXPECT_EQ(headerRect.left, 132 + cxEdge);
    EXPECT_EQ(headerRect.top, 150 + cyEdge);
    EXPECT_EQ(headerRect.right, 529 - cxEdge);
    EXPECT_EQ(treeRect.top, headerRect.bottom);
    EXPECT_EQ(treeRect.left, headerRect.left);
    EXPECT_EQ(treeRect.right, headerRect.right);
    // The columns fit: no scroll bar, the tree reaches the frame's bottom.
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_hWindow, IDC_LIST_SCROLL)));
    EXPECT_EQ(treeRect.bottom, 311 - cyEdge);
}

TEST_F(UpdateListTest, FillingGroupsTheItemsUnderTheirCategories)
{
    AddEveryKind();
    Fill();
    std::vector<HTREEITEM> roots = Children(nullptr);
    ASSERT_EQ(roots.size(), 3u);
    const wchar_t* categories[] = {L"BIOS", L"Drivers", L"Application"};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(Tree().GetItemText(roots[i], 0), categories[i]);
        EXPECT_EQ(Image(roots[i]), i);
        EXPECT_EQ(Tree().GetCheckState(roots[i]), kRowNoCheckBox);
        EXPECT_TRUE(TreeView_GetItemState(m_hTree, roots[i], TVIS_EXPANDED) & TVIS_EXPANDED);
    }
    const auto& items = m_dialog->m_catalogue.m_aUpdateItem;
    const HTREEITEM parents[] = {roots[0], roots[1], roots[2], roots[2]};
    const wchar_t* sizes[] = {L"1,024", L"1,205,632", L"0", L"512"};
    for (size_t i = 0; i < items.size(); ++i)
    {
        SCOPED_TRACE(i);
        HTREEITEM row = items[i]->hListRow;
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(TreeView_GetParent(m_hTree, row), parents[i]);
        EXPECT_EQ(Tree().GetItemText(row, 0), items[i]->szTitle);
        EXPECT_EQ(Tree().GetItemText(row, 1), items[i]->szVersion);
        EXPECT_EQ(Tree().GetItemText(row, 2), sizes[i]);
        EXPECT_EQ(Image(row), items[i]->bType + 2);
        EXPECT_EQ(State(items[i]), kRowUnchecked);
    }
    EXPECT_EQ(Children(roots[2]).size(), 2u);
    EXPECT_EQ(TreeView_GetFirstVisible(m_hTree), roots[0]);
    SaveScreenshot(m_hWindow, L"list-filled");

    // Resumed work shows no check boxes; refilling replaces every row.
    m_dialog->m_nRunStep = StepResume;
    Fill();
    EXPECT_EQ(Children(nullptr).size(), 3u);
    EXPECT_EQ(Tree().GetItemCount(), 7);
    for (const UpdateItem* item : items)
        EXPECT_EQ(State(item), kRowNoCheckBox);
    SaveScreenshot(m_hWindow, L"list-resumed");
}

TEST_F(UpdateListTest, SelectedRowIsFilledAcrossAllColumns)
{
    AddEveryKind();
    Fill();
    HTREEITEM row = m_dialog->m_catalogue.m_aUpdateItem[1]->hListRow;
    TreeView_SelectItem(m_hTree, row);
    PumpMessages(100);
    RECT label = Label(row);
    HBITMAP shown = PrintClient(m_hTree);
    int y = (label.top + label.bottom) / 2;
    // Past the texts, between the columns and to the last column's end; no
    // further.
    for (int x : {static_cast<int>(label.left) + 1, 165, 262, 300, Tree().GetTotalWidth() - 2})
        EXPECT_EQ(PixelAt(shown, x, y), kSelection) << x;
    EXPECT_EQ(PixelAt(shown, Tree().GetTotalWidth() + 2, y), kWhite);
    // The next row is not selected.
    EXPECT_EQ(PixelAt(shown, 300, label.bottom + 4), kWhite);
    DeleteObject(shown);
    SaveScreenshot(m_hWindow, L"list-selected-row");
}

TEST_F(UpdateListTest, TextsAtFullFieldCapacityAreCutInsideTheirCells)
{
    // Every text field filled to its capacity.
    UpdateItem* item = Add({kItemTypeDriver, L"", L"", L"", 0x7fffffff, 1, {}, L""});
    std::fill(std::begin(item->szName), std::end(item->szName), L'N');
    std::fill(std::begin(item->szTitle), std::end(item->szTitle), L'W');
    std::fill(std::begin(item->szVersion), std::end(item->szVersion), L'8');
    for (size_t i = 0; i < ARRAYSIZE(item->szDescription); ++i)
        item->szDescription[i] = i % 8 == 7 ? L' ' : L'd';
    Fill();
    HTREEITEM row = item->hListRow;
    EXPECT_EQ(Tree().GetItemText(row, 0), std::wstring(100, L'W'));
    EXPECT_EQ(Tree().GetItemText(row, 1), std::wstring(100, L'8'));
    EXPECT_EQ(Tree().GetItemText(row, 2), L"2,097,151");

    RECT label = Label(row);
    HBITMAP shown = PrintClient(m_hTree);
    // Each cut text ends 4 pixels or more before its cell's end; its cell
    // shows text up to there.
    auto inked = [&](int left, int right) {
        RECT cell = {left, label.top, right, label.bottom};
        return static_cast<int>(cell.right - cell.left) * (cell.bottom - cell.top) -
               CountColour(shown, cell, kWhite);
    };
    EXPECT_EQ(inked(156, 160), 0);
    EXPECT_EQ(inked(256, 260), 0);
    EXPECT_GT(inked(130, 156), 0);
    EXPECT_GT(inked(230, 256), 0);
    DeleteObject(shown);
    SaveScreenshot(m_hWindow, L"list-cut-texts");

    // The description tooltip shows the whole field, cut to 200 pixels' width.
    POINT over = {label.left + 30, (label.top + label.bottom) / 2};
    SendMessageW(m_hTree, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
    PumpMessages(100);
    HWND tip = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, ARRAYSIZE(name));
            if (IsWindowVisible(window) && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0)
                *reinterpret_cast<HWND*>(found) = window;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, nullptr);
    RECT tipRect;
    GetWindowRect(tip, &tipRect);
    EXPECT_LE(tipRect.right - tipRect.left, 220);
    POINT edge = {160, label.bottom};
    ClientToScreen(m_hTree, &edge);
    // Placed at that point, give or take the tip's border.
    EXPECT_NEAR(tipRect.left, edge.x, 2);
    EXPECT_NEAR(tipRect.top, edge.y, 2);
    SaveScreenshot(m_hWindow, L"list-description-tip");
    // Off the first column's text it goes.
    SendMessageW(m_hTree, WM_MOUSEMOVE, 0, MAKELPARAM(300, over.y));
    PumpMessages(50);
    EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(UpdateListTest, WideColumnsScrollWithTheHeaderAndNarrowOnesDoNot)
{
    AddEveryKind();
    Fill();
    HWND header = GetDlgItem(m_hWindow, IDC_LIST_HEADER);
    HWND bar = GetDlgItem(m_hWindow, IDC_LIST_SCROLL);
    const RECT headerLayout = ChildRect(m_hWindow, IDC_LIST_HEADER);
    const RECT treeLayout = ChildRect(m_hWindow, IDC_UPDATE_TREE);
    auto setFirstWidth = [&](int width) {
        HDITEMW item = {};
        item.mask = HDI_WIDTH;
        item.cxy = width;
        Header_SetItem(header, 0, &item);
        PumpMessages(100);
    };

    setFirstWidth(400);
    EXPECT_EQ(Tree().GetTotalWidth(), 620);
    ASSERT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(IsWindowEnabled(bar));
    RECT barRect = ChildRect(m_hWindow, IDC_LIST_SCROLL);
    EXPECT_EQ(barRect.left, treeLayout.left);
    EXPECT_EQ(barRect.top, ChildRect(m_hWindow, IDC_UPDATE_TREE).bottom);
    int visible = treeLayout.right - treeLayout.left;
    int low = 0;
    int high = 0;
    GetScrollRange(bar, SB_CTL, &low, &high);
    EXPECT_EQ(high, 620 - visible);

    // Dragging the thumb to 10 snaps to 12; the rows and the header move
    // together and the header shows only above the tree.
    SendMessageW(m_hWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), reinterpret_cast<LPARAM>(bar));
    PumpMessages(100);
    EXPECT_EQ(Tree().GetScrollOffset(), -12);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 12);
    EXPECT_EQ(ChildRect(m_hWindow, IDC_LIST_HEADER).left, headerLayout.left - 12);
    EXPECT_EQ(ChildRect(m_hWindow, IDC_UPDATE_TREE).left, treeLayout.left - 12);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(header, region), ERROR);
    RECT shownPart;
    GetRgnBox(region, &shownPart);
    EXPECT_EQ(shownPart.left, 12);
    EXPECT_EQ(shownPart.right, 12 + (headerLayout.right - headerLayout.left));
    SaveScreenshot(m_hWindow, L"list-scrolled");

    // A line right, the right end, a page left.
    SendMessageW(m_hWindow, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(Tree().GetScrollOffset(), -18);
    // Left of the frame the window shows its background and logo button all
    // the while, even before it repaints.
    HBITMAP before = CaptureWindow(m_hWindow);
    const RECT leftOfFrame = {0, headerLayout.top, 132, treeLayout.bottom};
    SendMessageW(m_hWindow, WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(Tree().GetScrollOffset(), -(high - 1));
    EXPECT_EQ(ChildRect(m_hWindow, IDC_LIST_HEADER).left, headerLayout.left - (high - 1));
    HBITMAP after = CaptureWindow(m_hWindow);
    EXPECT_EQ(Pixels(before, leftOfFrame), Pixels(after, leftOfFrame));
    DeleteObject(before);
    DeleteObject(after);
    PumpMessages(100);
    SaveScreenshot(m_hWindow, L"list-scrolled-right");
    SendMessageW(m_hWindow, WM_HSCROLL, SB_PAGELEFT, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(Tree().GetScrollOffset(), 0);
    SendMessageW(m_hWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(Tree().GetScrollOffset(), -36);

    // A check box scrolled left of its place is still hit where it shows.
    const UpdateItem* bios = m_dialog->m_catalogue.m_aUpdateItem[0];
    SendMessageW(m_hWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), reinterpret_cast<LPARAM>(bar));
    PumpMessages(100);
    EXPECT_EQ(Tree().GetScrollOffset(), -6);
    ClickCheckBox(bios);
    EXPECT_EQ(State(bios), kRowChecked);

    setFirstWidth(100);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(Tree().GetScrollOffset(), 0);
    RECT headerBack = ChildRect(m_hWindow, IDC_LIST_HEADER);
    EXPECT_EQ(headerBack.left, headerLayout.left);
    EXPECT_EQ(headerBack.right, headerLayout.right);
    EXPECT_EQ(GetWindowRgn(header, region), ERROR);  // no region: all of it shows
    EXPECT_EQ(ChildRect(m_hWindow, IDC_UPDATE_TREE).left, treeLayout.left);
    EXPECT_EQ(ChildRect(m_hWindow, IDC_UPDATE_TREE).bottom, treeLayout.bottom);
    DeleteObject(region);
    SaveScreenshot(m_hWindow, L"list-narrowed");
}

TEST_F(UpdateListTest, StatusLineComposesItsTexts)
{
    struct Case
    {
        int id;
        const wchar_t* text;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {IDS_PRESS_OK_TO_CONNECT, L"ignored", L"Press OK to connect to server."},
        {IDS_SERVER_UNREACHABLE, nullptr, L"Fail to connect to VEXA web server!"},
        {IDS_DOWNLOAD, L"Audio driver", L"Download Audio driver..."},
        {IDS_UNPACK, L"BIOS 1.20", L"Unpack BIOS 1.20..."},
        {IDS_UPDATE, nullptr, L"Update ..."},
        {IDS_COMPLETE_TO_UPDATE, L"Audio", L"Complete to update Audio"},
        {-1, L"Unable to find the file on the remote server!",
         L"Unable to find the file on the remote server!"},
        {-1, nullptr, L""},
    };
    for (const Case& c : cases)
    {
        m_dialog->SetStatusText(c.id, c.text);
        wchar_t shown[1100] = {};
        GetDlgItemTextW(m_hWindow, IDC_STATUS_TEXT, shown, ARRAYSIZE(shown));
        EXPECT_STREQ(shown, c.shown) << c.id;
    }
    // The composed line holds 1023 characters at most.
    std::wstring title(2000, L't');
    m_dialog->SetStatusText(IDS_DOWNLOAD, title.c_str());
    wchar_t shown[2100] = {};
    GetDlgItemTextW(m_hWindow, IDC_STATUS_TEXT, shown, ARRAYSIZE(shown));
    EXPECT_EQ(wcslen(shown), 1023u);
    EXPECT_EQ(std::wstring(shown).substr(0, 9), L"Download ");
}

TEST_F(UpdateListTest, CheckBoxClicksFollowTheSelectionRules)
{
    UpdateItem* bios = Add({kItemTypeBios, L"BIOS", L"BIOS 1.20", L"1.20", 4096, 1, {}, L""});
    UpdateItem* codec = Add({kItemTypeDriver, L"Codec", L"Codec", L"2", 4096, 7, {}, L""});
    UpdateItem* romtool = Add({kItemTypeAP, L"romtool", L"Romtool", L"5", 4096, 2, {}, L""});
    UpdateItem* player = Add({kItemTypeAP, L"Player", L"Player", L"3", 4096, 3, {7}, L""});
    UpdateItem* lonely = Add({kItemTypeHotfix, L"Fix", L"Fix", L"1", 4096, 4, {99}, L""});
    Fill();
    m_dialog->ShowCheckAllControls(true);
    PumpMessages(50);
    const std::vector<const UpdateItem*> all = {bios, codec, romtool, player, lonely};
    auto states = [&] {
        std::vector<UINT> result;
        for (const UpdateItem* item : all)
            result.push_back(State(item));
        return result;
    };
    using States = std::vector<UINT>;
    const UINT u = kRowUnchecked;
    const UINT c = kRowChecked;

    ClickCheckBox(bios);
    EXPECT_EQ(states(), (States{c, u, c, u, u}));
    ClickCheckBox(romtool);
    EXPECT_EQ(states(), (States{u, u, u, u, u}));
    ClickCheckBox(lonely);  // its dependency is not offered
    EXPECT_EQ(states(), (States{u, u, u, u, c}));
    ClickCheckBox(player);
    EXPECT_EQ(states(), (States{u, c, u, c, c}));
    ClickCheckBox(codec);  // the dependent stays checked
    EXPECT_EQ(states(), (States{u, u, u, c, c}));
    // Two quick clicks toggle twice, each with the rules.
    ClickCheckBox(bios);
    ClickCheckBox(bios);
    EXPECT_EQ(states(), (States{u, u, c, c, c}));
    // A category row has no check box to click.
    HTREEITEM biosRow = Children(nullptr)[0];
    RECT label = Label(biosRow);
    ClickAt(m_hTree, {label.left - 24, (label.top + label.bottom) / 2});
    EXPECT_EQ(Tree().GetCheckState(biosRow), kRowNoCheckBox);

    ClickControl(IDC_UNCHECK_ALL);
    EXPECT_EQ(states(), (States{u, u, u, u, u}));
    ClickControl(IDC_CHECK_ALL);
    EXPECT_EQ(states(), (States{c, c, c, c, c}));
    ClickControl(IDC_UNCHECK_ALL_LABEL);
    EXPECT_EQ(states(), (States{u, u, u, u, u}));
    ClickControl(IDC_CHECK_ALL_LABEL);
    EXPECT_EQ(states(), (States{c, c, c, c, c}));
    EXPECT_EQ(Tree().GetCheckState(biosRow), kRowNoCheckBox);
    SaveScreenshot(m_hWindow, L"list-checked");
}

// A window of the test's own that notes a message posted to it.
LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        *reinterpret_cast<bool*>(GetWindowLongPtrW(window, GWLP_USERDATA)) = true;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(UpdateListTest, BusyRowAnimatesShowsProgressAndStopsWithMessagesFlowing)
{
    for (int i = 0; i < 14; ++i)
    {
        std::wstring title = L"Driver " + std::to_wstring(i);
        Add({kItemTypeDriver, L"Driver", title.c_str(), L"1.0", 4096, i + 1, {}, L""});
    }
    Fill();
    ASSERT_TRUE(GetWindowLongPtrW(m_hTree, GWL_STYLE) & WS_VSCROLL);
    HTREEITEM row = m_dialog->m_catalogue.m_aUpdateItem[1]->hListRow;
    const RECT label = Label(row);
    Tree().StartItemAnimation(row, true);
    Tree().SetItemProgress(100, 37);
    EXPECT_FALSE(Tree().IsIdle());
    PumpMessages(400);

    // The hourglass turns in the row's icon cell.
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const int cy = GetSystemMetrics(SM_CYSMICON);
    const int iconTop = label.top + (label.bottom - label.top - cy) / 2;
    const RECT cell = {label.left - cx - 3, iconTop, label.left - 3, iconTop + cy};
    HBITMAP first = CaptureWindow(m_hTree);
    PumpMessages(300);
    HBITMAP second = CaptureWindow(m_hTree);
    EXPECT_NE(Pixels(first, cell), Pixels(second, cell));
    DeleteObject(first);

    // 37 of 100 fill 18 of the bar's 50 pixels, right of the row's text.
    const int middle = (label.top + label.bottom) / 2;
    EXPECT_EQ(LongestRun(second, middle, label.left, label.left + 200, kBlue), 18);
    DeleteObject(second);
    SaveScreenshot(m_hWindow, L"list-busy-row");
    RECT oldBar = {label.left, label.top, label.left + 200, label.bottom};

    // Scrolled a line, the box leaves its old place and shows nowhere; back
    // in place it shows again.
    SendMessageW(m_hTree, WM_VSCROLL, SB_LINEDOWN, 0);
    PumpMessages(400);
    ASSERT_NE(Label(row).top, label.top);
    HBITMAP scrolled = CaptureWindow(m_hTree);
    RECT client;
    GetClientRect(m_hTree, &client);
    EXPECT_EQ(CountColour(scrolled, oldBar, kBlue), 0);
    EXPECT_EQ(CountColour(scrolled, client, kBlue), 0);
    DeleteObject(scrolled);
    SaveScreenshot(m_hWindow, L"list-busy-row-scrolled");
    SendMessageW(m_hTree, WM_VSCROLL, SB_LINEUP, 0);
    PumpMessages(400);
    HBITMAP back = CaptureWindow(m_hTree);
    EXPECT_EQ(LongestRun(back, middle, label.left, label.left + 200, kBlue), 18);
    DeleteObject(back);

    // A total of 0 leaves the bar empty.
    Tree().SetItemProgress(0, 37);
    InvalidateRect(m_hTree, nullptr, FALSE);
    PumpMessages(300);
    HBITMAP empty = CaptureWindow(m_hTree);
    EXPECT_EQ(CountColour(empty, oldBar, kBlue), 0);
    DeleteObject(empty);

    // The stop keeps this thread's messages flowing until the drawing
    // thread has ended.
    WNDCLASSW sinkClass = {};
    sinkClass.lpfnWndProc = SinkProc;
    sinkClass.hInstance = GetModuleHandleW(nullptr);
    sinkClass.lpszClassName = L"KestrelListTestSink";
    RegisterClassW(&sinkClass);
    HWND sink = CreateWindowW(sinkClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              sinkClass.hInstance, nullptr);
    bool handled = false;
    SetWindowLongPtrW(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
    PostMessageW(sink, WM_APP, 0, 0);
    Tree().StopItemAnimation(true);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(Tree().IsIdle());
    DestroyWindow(sink);

    // Stopped, the row shows its own icon and no box.
    PumpMessages(100);
    HBITMAP idle = PrintClient(m_hTree);
    EXPECT_EQ(CountColour(idle, oldBar, kBlue), 0);
    DeleteObject(idle);
}

}  // namespace

namespace {

void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    PumpMessages(150);
}

TEST_F(UpdateListTest, KeysMoveTheSelectionAndSpaceChecksWithTheRules)
{
    UpdateItem* bios = Add({kItemTypeBios, L"BIOS", L"BIOS 1.20", L"1.20", 4096, 1, {}, L""});
    UpdateItem* romtool = Add({kItemTypeAP, L"Romtool", L"Romtool", L"5", 4096, 2, {}, L""});
    Fill();
    SetFocus(m_hTree);
    TreeView_SelectItem(m_hTree, Children(nullptr)[0]);
    PumpMessages(50);
    PressKey(VK_DOWN);
    EXPECT_EQ(TreeView_GetSelection(m_hTree), bios->hListRow);
    PressKey(VK_SPACE);
    EXPECT_EQ(State(bios), kRowChecked);
    EXPECT_EQ(State(romtool), kRowChecked);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    EXPECT_EQ(TreeView_GetSelection(m_hTree), romtool->hListRow);
    PressKey(VK_SPACE);
    EXPECT_EQ(State(romtool), kRowUnchecked);
    EXPECT_EQ(State(bios), kRowUnchecked);
    // A category row takes no check box from the space bar.
    PressKey(VK_UP);
    PressKey(VK_SPACE);
    EXPECT_EQ(Tree().GetCheckState(TreeView_GetSelection(m_hTree)), kRowNoCheckBox);
}

}  // namespace

namespace {

// Where the tree's own hit test finds the part of the row named by flag.
POINT PartOfRow(HWND tree, HTREEITEM row, UINT flag)
{
    RECT bounds = {};
    TreeView_GetItemRect(tree, row, &bounds, FALSE);
    for (int x = 0; x < bounds.right; ++x)
    {
        TVHITTESTINFO hit = {{x, (bounds.top + bounds.bottom) / 2}, 0, nullptr};
        TreeView_HitTest(tree, &hit);
        if (hit.hItem == row && (hit.flags & flag))
            return {x + 3, hit.pt.y};
    }
    ADD_FAILURE() << "no such part on the row";
    return {0, 0};
}

TEST_F(UpdateListTest, ExpandingAndCollapsingRelayTheScrollBar)
{
    for (int i = 0; i < 14; ++i)
        Add({kItemTypeDriver, L"Driver", L"Driver", L"1.0", 4096, i + 1, {}, L""});
    Fill();
    HWND bar = GetDlgItem(m_hWindow, IDC_LIST_SCROLL);
    HTREEITEM drivers = Children(nullptr)[1];
    auto hasVScroll = [&] { return (GetWindowLongPtrW(m_hTree, GWL_STYLE) & WS_VSCROLL) != 0; };
    // Beside the vertical bar the 380 pixels of columns do not fit.
    ASSERT_TRUE(hasVScroll());
    EXPECT_TRUE(IsWindowVisible(bar));

    // The expand button collapses the row: the vertical bar goes, and with
    // it the horizontal one.
    ClickAt(m_hTree, PartOfRow(m_hTree, drivers, TVHT_ONITEMBUTTON));
    PumpMessages(300);
    EXPECT_FALSE(TreeView_GetItemState(m_hTree, drivers, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(hasVScroll());
    EXPECT_FALSE(IsWindowVisible(bar));

    // A double click on the row's icon expands it again.
    POINT icon = PartOfRow(m_hTree, drivers, TVHT_ONITEMICON);
    ClickAt(m_hTree, icon);
    ClickAt(m_hTree, icon);
    PumpMessages(300);
    EXPECT_TRUE(TreeView_GetItemState(m_hTree, drivers, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(hasVScroll());
    EXPECT_TRUE(IsWindowVisible(bar));

    // Right of the first column a double click leaves the row as it is.
    RECT bounds = {};
    TreeView_GetItemRect(m_hTree, drivers, &bounds, FALSE);
    ClickAt(m_hTree, {250, (bounds.top + bounds.bottom) / 2});
    ClickAt(m_hTree, {250, (bounds.top + bounds.bottom) / 2});
    EXPECT_TRUE(TreeView_GetItemState(m_hTree, drivers, TVIS_EXPANDED) & TVIS_EXPANDED);
}

}  // namespace
