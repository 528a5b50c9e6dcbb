#include "HistoryDlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HistoryLogReader.h"
#include "TestFiles.h"
#include "WindowTestSupport.h"
#include "resource.h"

namespace {

std::string LogFile(const std::wstring& records)
{
    return "\xFF\xFE" + Utf16Bytes(L"<logs sync=\"0\">\r\n" + records + L"</logs>\r\n");
}

struct Row
{
    std::wstring date, time, item, text;
    int dateImage, itemImage;
};

std::wstring CellText(HWND list, int row, int column)
{
    wchar_t text[1024] = {};
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = text;
    cell.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
    return text;
}

int CellImage(HWND list, int row, int column)
{
    LVITEMW cell = {};
    cell.mask = LVIF_IMAGE;
    cell.iItem = row;
    cell.iSubItem = column;
    cell.iImage = I_IMAGENONE;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
    return cell.iImage;
}

std::vector<Row> ReadRows(HWND list)
{
    std::vector<Row> rows;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        rows.push_back({CellText(list, i, 0), CellText(list, i, 1), CellText(list, i, 2),
                        CellText(list, i, 3), CellImage(list, i, 0), CellImage(list, i, 2)});
    }
    return rows;
}

std::wstring ColumnTitle(HWND list, int column)
{
    wchar_t text[64] = {};
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT | LVCF_WIDTH;
    info.pszText = text;
    info.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    return std::wstring(text) + L"/" + std::to_wstring(info.cx);
}

class HistoryWindowTest : public testing::Test
{
protected:
    // Shown only where a test looks at the screen (hiding costs seconds
    // under Wine without a window manager).
    HWND Open(bool show = false)
    {
        m_dialog = std::make_unique<CHistoryDlg>(L"LOGPANEL", nullptr, LogPath());
        HWND window = m_dialog->Create();
        EXPECT_NE(window, nullptr);
        if (show)
            ShowWindow(window, SW_SHOWNORMAL);
        PumpMessages(show ? 200 : 20);
        m_list = GetDlgItem(window, IDC_HISTORY_LIST);
        return window;
    }

    std::wstring LogPath() const { return m_folder.File(L"log.xml"); }

    CTempFolder m_folder;
    std::unique_ptr<CHistoryDlg> m_dialog;
    HWND m_list = nullptr;
};

TEST_F(HistoryWindowTest, ListsRecordsSkippingUnknownAttributes)
{
    m_folder.WriteBytes(
        L"log.xml",
        LogFile(L"<log time=\"1262304000\" status=\"1\" type=\"1\" name=\"BIOS\"> Flashed </log>\r\n"
                L"<log time=\"1262307600\" status=\"1\" type=\"2\" name=\"X\" extra=\"1\"> hidden </log>\r\n"
                L"<log time=\"1262311200\" status=\"0\"> Fail to connect to VEXA web server! </log>\r\n"
                L"<log time=\"1262314800\" status=\"1\" type=\"4\" name=\"A &amp; B\"> 1 &lt; 2 </log>\r\n"));
    HWND window = Open();

    EXPECT_EQ(ColumnTitle(m_list, 0), L"Date/80");
    EXPECT_EQ(ColumnTitle(m_list, 1), L"Time/55");
    EXPECT_EQ(ColumnTitle(m_list, 2), L"Update Item/120");
    EXPECT_EQ(ColumnTitle(m_list, 3), L"Descrption/300");

    std::vector<Row> rows = ReadRows(m_list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].date, FormatHistoryDate(1262304000));
    EXPECT_EQ(rows[0].time, FormatHistoryTime(1262304000));
    EXPECT_EQ(rows[0].item, L"BIOS");
    EXPECT_EQ(rows[0].text, L"Flashed");
    EXPECT_EQ(rows[0].dateImage, 8);
    EXPECT_EQ(rows[0].itemImage, 0);
    EXPECT_EQ(rows[1].item, L"");
    EXPECT_EQ(rows[1].text, L"Fail to connect to VEXA web server!");
    EXPECT_EQ(rows[1].dateImage, 7);
    EXPECT_LT(rows[1].itemImage, 0);
    EXPECT_EQ(rows[2].item, L"A & B");
    EXPECT_EQ(rows[2].text, L"1 < 2");
    EXPECT_EQ(rows[2].itemImage, 3);

    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 450);
    EXPECT_EQ(frame.bottom - frame.top, 300);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(window, region), COMPLEXREGION);
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    EXPECT_EQ(box.right - box.left, 450);
    EXPECT_EQ(box.bottom - box.top, 300);
    RECT list = ChildRect(window, IDC_HISTORY_LIST);
    EXPECT_EQ(list.left, 18);
    EXPECT_EQ(list.top, 34);
    EXPECT_EQ(list.right - list.left, 412);
    EXPECT_EQ(list.bottom - list.top, 221);
}

TEST_F(HistoryWindowTest, SelectedRowIsDrawnInTheSkinColour)
{
    m_folder.WriteBytes(
        L"log.xml",
        LogFile(L"<log time=\"1262304000\" status=\"1\" type=\"1\" name=\"BIOS\"> Flashed </log>\r\n"
                L"<log time=\"1262311200\" status=\"0\" type=\"2\" name=\"Audio\"> Update failed! </log>\r\n"
                L"<log time=\"1262314800\" status=\"1\" type=\"3\" name=\"Tools\"> Complete to update </log>\r\n"));
    HWND window = Open(true);
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    InvalidateRect(m_list, nullptr, TRUE);
    PumpMessages(300);

    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageW(m_list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    HBITMAP shown = CaptureWindow(m_list);
    RECT listRect;
    GetWindowRect(m_list, &listRect);
    POINT origin = {0, 0};
    ClientToScreen(m_list, &origin);
    int dx = origin.x - listRect.left;
    int dy = origin.y - listRect.top;
    // Right of the texts, inside the selection; and the same spot on an
    // unselected row.
    EXPECT_EQ(PixelAt(shown, dx + 395, dy + row.top + 3), RGB(139, 148, 91));
    EXPECT_NE(PixelAt(shown, dx + 395, dy + row.top + 3 - (row.bottom - row.top)),
              RGB(139, 148, 91));
    DeleteObject(shown);
    SaveScreenshot(window, L"history-window");
}

TEST_F(HistoryWindowTest, RecordFromAnotherProcessAppearsAtOnce)
{
    m_folder.WriteBytes(L"log.xml", LogFile(L"<log time=\"1\" status=\"1\"> first </log>\r\n"));
    Open();
    ASSERT_EQ(ReadRows(m_list).size(), 1u);

    std::wstring command = L"\"" + TestProgramFolder() + L"append_history_log.exe\" \"" +
                           LogPath() + L"\" \"Complete to update\" \"Audio <HD>\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    // The writer's broadcast waits for this thread, so keep pumping.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 10000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1)
        PumpMessages(0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(exitCode, 0u);
    PumpMessages(50);

    std::vector<Row> rows = ReadRows(m_list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].item, L"Audio <HD>");
    EXPECT_EQ(rows[1].text, L"Complete to update");
    EXPECT_EQ(rows[1].itemImage, 1);
}

TEST_F(HistoryWindowTest, ClearDeletesTheFileAndTheRows)
{
    m_folder.WriteBytes(L"log.xml", LogFile(L"<log time=\"1\" status=\"1\"> first </log>\r\n"));
    HWND window = Open();
    ASSERT_EQ(ReadRows(m_list).size(), 1u);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CLEAR_LOG, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_CLEAR_LOG)));
    EXPECT_EQ(GetFileAttributesW(LogPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ReadRows(m_list).empty());

    // Without a file the next change notice leaves the list as it is.
    SendMessageW(window, GetLogChangedMessage(), 0, 0);
    EXPECT_TRUE(ReadRows(m_list).empty());
}

TEST_F(HistoryWindowTest, BrokenLogShowsNoRows)
{
    m_folder.WriteBytes(L"log.xml", LogFile(L"<log time=\"1\"> a & b </log>\r\n"));
    Open();
    EXPECT_TRUE(ReadRows(m_list).empty());
}

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == GetLogChangedMessage())
    {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(HistoryWindowTest, EveryAppendIsBroadcast)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = CountingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KestrelLogListener";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"KestrelLogListener", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int received = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));

    EXPECT_EQ(GetLogChangedMessage(), RegisterWindowMessageW(L"The Log of Vexa Kestrel"));
    AppendHistoryLog(LogPath().c_str(), 1, L"one", kHistoryNoItem, nullptr);
    AppendHistoryLog(LogPath().c_str(), 1, L"two", kHistoryNoItem, nullptr);
    EXPECT_EQ(received, 2);
    DestroyWindow(window);
}

}  // namespace
