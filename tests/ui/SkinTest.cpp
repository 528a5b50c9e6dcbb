#include "MainWindowSkin.h"

#include <gtest/gtest.h>

#include <vector>

#include "JpegPicture.h"
#include "ProcessFlags.h"
#include "SkinResource.h"
#include "TestFiles.h"
#include "WindowTestSupport.h"
#include "resource.h"

namespace {

constexpr LANGID kTraditionalChinese = 1028;
constexpr LANGID kSimplifiedChinese = 2052;
constexpr LANGID kEnglish = 1033;

// The main window's skin on dialog 102, recording the commands it runs.
class CTestMainDialog : public CMainSkinDialog
{
public:
    explicit CTestMainDialog(LANGID langId) : CMainSkinDialog(IDD_UPDATER_DIALOG, nullptr, L"MAINPANEL")
    {
        m_wSkinLangId = langId;
    }

    std::vector<WORD> m_aCommand;

protected:
    BOOL OnCommand(WORD id, WORD code) override
    {
        if (id == IDC_CHECK_ALL || id == IDC_UNCHECK_ALL)
        {
            m_aCommand.push_back(id);
            return TRUE;
        }
        return CMainSkinDialog::OnCommand(id, code);
    }
};

class SkinTest : public testing::Test
{
protected:
    void SetUp() override { g_bWinXPOrLater = TRUE; }

    // Shown only where a test looks at the screen: under Wine without a
    // window manager each hide waits about two seconds for the display.
    HWND Open(CTestMainDialog& dialog, bool show = false)
    {
        HWND window = dialog.Create();
        EXPECT_NE(window, nullptr);
        SetWindowTextW(GetDlgItem(window, IDC_MODEL_NAME), L"Pellar D22");
        SetWindowTextW(GetDlgItem(window, IDC_STATUS_TEXT), L"Press OK to connect to server.");
        if (show)
            ShowWindow(window, SW_SHOWNORMAL);
        PumpMessages(show ? 200 : 20);
        return window;
    }
};

RECT RegionBox(HWND window)
{
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    RECT box = {};
    EXPECT_EQ(GetWindowRgn(window, region), COMPLEXREGION);
    GetRgnBox(region, &box);
    DeleteObject(region);
    return box;
}

void ExpectRect(const RECT& rect, int x, int y, int width, int height)
{
    EXPECT_EQ(rect.left, x);
    EXPECT_EQ(rect.top, y);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

COLORREF FacePixel(UINT bitmapId, int x, int y)
{
    HBITMAP face = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId));
    COLORREF colour = PixelAt(face, x, y);
    DeleteObject(face);
    return colour;
}

COLORREF ButtonPixel(HWND button, int x, int y)
{
    HBITMAP shown = PrintClient(button);
    COLORREF colour = PixelAt(shown, x, y);
    DeleteObject(shown);
    return colour;
}

TEST_F(SkinTest, MainWindowOutlineSizeAndLayout)
{
    CTestMainDialog dialog(kEnglish);
    HWND window = Open(dialog, true);

    RECT box = RegionBox(window);
    ExpectRect(box, 0, 0, 555, 390);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 555);
    EXPECT_EQ(frame.bottom - frame.top, 391);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION);

    struct Placement
    {
        int id, x, y, width, height;
    };
    const Placement placements[] = {
        {8, 526, 3, 18, 18},           {1068, 505, 3, 18, 18},  {1067, 12, 148, 14, 196},
        {IDOK, 382, 353, 67, 23},      {IDCANCEL, 463, 353, 67, 23},
        {1002, 132, 150, 397, 161},    {1062, 134, 132, 266, 14}, {1061, 430, 6, 65, 13},
        {1001, 142, 322, 378, 13},
    };
    for (const Placement& p : placements)
    {
        SCOPED_TRACE(p.id);
        ExpectRect(ChildRect(window, p.id), p.x, p.y, p.width, p.height);
    }
    SaveScreenshot(window, L"main-window");
}

TEST_F(SkinTest, CheckAllPositionsFollowTheLanguage)
{
    struct Case
    {
        LANGID lang;
        int checkAllX, uncheckAllX, checkLabelX, checkLabelWidth, uncheckLabelX, uncheckLabelWidth;
    };
    const Case cases[] = {
        {kTraditionalChinese, 424, 479, 436, 25, 491, 38},
        {kSimplifiedChinese, 404, 470, 416, 50, 481, 48},
        {kEnglish, 388, 462, 400, 50, 474, 60},
        {0x0407, 388, 462, 400, 50, 474, 60},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.lang);
        CTestMainDialog dialog(c.lang);
        HWND window = Open(dialog);
        ExpectRect(ChildRect(window, IDC_CHECK_ALL), c.checkAllX, 133, 9, 9);
        ExpectRect(ChildRect(window, IDC_UNCHECK_ALL), c.uncheckAllX, 133, 9, 9);
        ExpectRect(ChildRect(window, IDC_CHECK_ALL_LABEL), c.checkLabelX, 132, c.checkLabelWidth, 11);
        ExpectRect(ChildRect(window, IDC_UNCHECK_ALL_LABEL), c.uncheckLabelX, 132,
                   c.uncheckLabelWidth, 11);
    }
}

// The labels are laid out for Arial's widths; a wider face (Wine's own
// substitute, without a metric-compatible font in the prefix) wraps them
// and the second word is cut away.
TEST_F(SkinTest, CheckAllLabelsFitOnOneLine)
{
    CTestMainDialog dialog(kEnglish);
    HWND window = Open(dialog, true);
    for (int id : {IDC_CHECK_ALL_LABEL, IDC_UNCHECK_ALL_LABEL})
    {
        SCOPED_TRACE(id);
        HWND label = GetDlgItem(window, id);
        wchar_t text[64] = {};
        GetWindowTextW(label, text, 64);
        ASSERT_NE(text[0], L'\0');
        RECT client;
        GetClientRect(label, &client);
        HDC hdc = GetDC(label);
        HGDIOBJ old = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(hdc, text, lstrlenW(text), &extent);
        SelectObject(hdc, old);
        ReleaseDC(label, hdc);
        EXPECT_LE(extent.cx, client.right - client.left) << Narrow(text);
    }
    SaveScreenshot(window, L"check-all-labels");
}

TEST_F(SkinTest, HoverFaceShowsUntilLeaveAndPressedFaceWins)
{
    CTestMainDialog dialog(kEnglish);
    HWND window = Open(dialog);
    HWND ok = GetDlgItem(window, IDOK);
    const int x = 5;
    const int y = 12;
    COLORREF normal = FacePixel(IDB_OK, x, y);
    COLORREF hover = FacePixel(IDB_OK_HOVER, x, y);
    COLORREF pressed = FacePixel(IDB_OK_PRESSED, x, y);
    COLORREF disabled = FacePixel(IDB_OK_DISABLED, x, y);
    ASSERT_NE(normal, hover);
    ASSERT_NE(hover, pressed);

    EXPECT_EQ(ButtonPixel(ok, x, y), normal);
    SendMessageW(ok, WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(ButtonPixel(ok, x, y), hover);
    SendMessageW(ok, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(ButtonPixel(ok, x, y), pressed);
    SendMessageW(ok, BM_SETSTATE, FALSE, 0);
    SendMessageW(ok, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ButtonPixel(ok, x, y), normal);
    EnableWindow(ok, FALSE);
    EXPECT_EQ(ButtonPixel(ok, x, y), disabled);
}

TEST_F(SkinTest, LabelsActAsPartOfTheirButtons)
{
    CTestMainDialog dialog(kEnglish);
    HWND window = Open(dialog);
    HWND label = GetDlgItem(window, IDC_CHECK_ALL_LABEL);
    HWND button = GetDlgItem(window, IDC_CHECK_ALL);
    HDC dc = GetDC(label);
    auto labelColour = [&] {
        SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(label));
        return GetTextColor(dc);
    };
    EXPECT_EQ(labelColour(), RGB(58, 64, 30));

    SendMessageW(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    PumpMessages(50);
    EXPECT_EQ(labelColour(), RGB(192, 73, 0));
    EXPECT_EQ(ButtonPixel(button, 0, 0), FacePixel(IDB_CHECK_ALL_HOVER, 0, 0));

    SendMessageW(label, WM_MOUSELEAVE, 0, 0);
    PumpMessages(50);
    EXPECT_EQ(labelColour(), RGB(58, 64, 30));
    EXPECT_EQ(ButtonPixel(button, 0, 0), FacePixel(IDB_CHECK_ALL, 0, 0));
    ReleaseDC(label, dc);

    // A click on a label runs its button's command.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_UNCHECK_ALL_LABEL, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_UNCHECK_ALL_LABEL)));
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CHECK_ALL_LABEL, STN_CLICKED),
                 reinterpret_cast<LPARAM>(label));
    PumpMessages(50);
    EXPECT_EQ(dialog.m_aCommand, (std::vector<WORD>{IDC_UNCHECK_ALL, IDC_CHECK_ALL}));
}

TEST_F(SkinTest, PressingTheBackgroundDragsTheWindow)
{
    CTestMainDialog dialog(kEnglish);
    HWND window = Open(dialog);
    // Plain texts let the press through to the background; buttons and the
    // two labels keep it.
    for (int id : {IDC_STATUS_TEXT, IDC_MODEL_NAME})
        EXPECT_EQ(SendMessageW(GetDlgItem(window, id), WM_NCHITTEST, 0, 0), HTTRANSPARENT) << id;
    for (int id : {IDC_CHECK_ALL_LABEL, IDC_UNCHECK_ALL_LABEL, IDOK, IDC_CHECK_ALL})
        EXPECT_NE(SendMessageW(GetDlgItem(window, id), WM_NCHITTEST, 0, 0), HTTRANSPARENT) << id;

    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
    MSG posted = {};
    ASSERT_TRUE(PeekMessageW(&posted, window, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
}

TEST_F(SkinTest, StaticTextsTakeTheirBrushAndColour)
{
    // Windows XP or later: each text its own brush cut from the background;
    // older systems: the whole-window brush for all.
    for (BOOL xpOrLater : {TRUE, FALSE})
    {
        SCOPED_TRACE(xpOrLater);
        g_bWinXPOrLater = xpOrLater;
        CTestMainDialog dialog(kEnglish);
        HWND window = Open(dialog);
        HWND status = GetDlgItem(window, IDC_STATUS_TEXT);
        HWND model = GetDlgItem(window, IDC_MODEL_NAME);
        HDC dc = GetDC(status);
        HBRUSH statusBrush = reinterpret_cast<HBRUSH>(
            SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(status)));
        EXPECT_EQ(GetTextColor(dc), RGB(46, 58, 20));
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        HBRUSH modelBrush = reinterpret_cast<HBRUSH>(
            SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(model)));
        EXPECT_EQ(GetTextColor(dc), RGB(98, 108, 48));
        SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, 1061)));
        EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
        ReleaseDC(status, dc);
        EXPECT_NE(statusBrush, nullptr);
        EXPECT_NE(modelBrush, nullptr);
        EXPECT_EQ(statusBrush != modelBrush, xpOrLater != FALSE);
    }
}

TEST(SkinResourceTest, OutlinesAreEightRectanglesWithSteppedCorners)
{
    struct Case
    {
        const wchar_t* name;
        LONG width, height;
    };
    for (const Case& c : {Case{L"MAINPANEL", 555, 390}, Case{L"LOGPANEL", 450, 300}})
    {
        SCOPED_TRACE(Narrow(c.name));
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC resource = FindResourceW(module, c.name, L"RGN");
        ASSERT_NE(resource, nullptr);
        const auto* data = static_cast<const RGNDATA*>(LockResource(LoadResource(module, resource)));
        EXPECT_EQ(data->rdh.dwSize, 32u);
        EXPECT_EQ(data->rdh.iType, static_cast<DWORD>(RDH_RECTANGLES));
        ASSERT_EQ(data->rdh.nCount, 8u);
        EXPECT_EQ(SizeofResource(module, resource), 32u + 8 * 16);
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        // Top corners: insets 5, 3, 2, 1 from the first row down.
        EXPECT_EQ(rects[0].left, 5);
        EXPECT_EQ(rects[1].left, 3);
        EXPECT_EQ(rects[2].left, 2);
        EXPECT_EQ(rects[3].left, 1);
        EXPECT_EQ(rects[4].left, 0);
        EXPECT_EQ(rects[4].right, c.width);
        EXPECT_EQ(rects[7].left, 5);
        EXPECT_EQ(rects[7].bottom, c.height);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(rects[i].left, c.width - rects[i].right) << i;  // symmetric
    }
}

TEST(JpegPictureTest, BackgroundsLoadInPixelsAtTheScreenDensity)
{
    // 555 x 391 pixels are 14684 x 10345 HIMETRIC at 96 DPI.
    EXPECT_EQ(HimetricToPixels(14684, 96), 555);
    EXPECT_EQ(HimetricToPixels(10345, 96), 391);
    EXPECT_EQ(HimetricToPixels(10345, 120), 489);

    HDC screen = GetDC(nullptr);
    HBITMAP main = LoadJpegResource(screen, IDR_MAIN_BACKGROUND, 0, 0);
    HBITMAP history = LoadJpegResource(screen, IDR_HISTORY_BACKGROUND, 0, 0);
    HBRUSH brush = CreateJpegPatternBrush(screen, IDR_HISTORY_BACKGROUND, 0, 0);
    EXPECT_EQ(LoadJpegResource(screen, 9999, 0, 0), nullptr);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(history, nullptr);
    EXPECT_NE(brush, nullptr);
    BITMAP info = {};
    GetObjectW(main, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 555);
    EXPECT_EQ(info.bmHeight, 391);
    GetObjectW(history, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 450);
    EXPECT_EQ(info.bmHeight, 300);
    // Upright: the title band (dark olive) is at the top, the light ground below.
    COLORREF top = PixelAt(main, 300, 10);
    COLORREF bottom = PixelAt(main, 300, 380);
    EXPECT_LT(GetGValue(top), 128);
    EXPECT_GT(GetGValue(bottom), 160);
    DeleteObject(main);
    DeleteObject(history);
    DeleteObject(brush);
}

}  // namespace
