// kwinprobe: looks at the windows and named objects of a running Wine
// session for the end-to-end tests.
//
//     kwinprobe.exe windows          visible top-level windows and their
//                                    controls, one JSON object per line
//     kwinprobe.exe mutex NAME       exit code 0 when the named mutex exists
//     kwinprobe.exe service NAME     exit code 0 when the service is installed
//     kwinprobe.exe list HWND ID     the column titles of the dialog's list
//                                    view ID, then its rows, one JSON array
//                                    of texts per line
//     kwinprobe.exe tree HWND ID     the rows of the dialog's tree view ID in
//                                    display order, one JSON object per line:
//                                    item, level, text, state (state image:
//                                    0 none, 1 unchecked, 2 checked),
//                                    expanded, check_box, the screen point
//                                    of its check box (null when not shown),
//                                    and texts, the update list's column
//                                    texts of the row
//     kwinprobe.exe click HWND ID    clicks the dialog's button ID
//     kwinprobe.exe close HWND       asks the window to close
//     kwinprobe.exe queryend HWND    asks the window whether the session may
//                                    end, as Windows does before a shut-down;
//                                    exit code 0 when it refused
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::string JsonString(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text)
    {
        if (c == L'"' || c == L'\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        else if (c < 0x20 || c >= 0x7F)
        {
            char escape[8];
            snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
        else
        {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[1024] = L"";
    // WM_GETTEXT reads controls of other processes too.
    SendMessageTimeoutW(hWnd, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring ClassName(HWND hWnd)
{
    wchar_t name[256] = L"";
    GetClassNameW(hWnd, name, ARRAYSIZE(name));
    return name;
}

BOOL CALLBACK PrintControl(HWND hChild, LPARAM lParam)
{
    std::string& controls = *reinterpret_cast<std::string*>(lParam);
    if (!controls.empty())
        controls += ",";
    controls += "{\"id\":" + std::to_string(GetDlgCtrlID(hChild)) +
                ",\"class\":" + JsonString(ClassName(hChild)) +
                ",\"text\":" + JsonString(WindowText(hChild)) +
                ",\"visible\":" + (IsWindowVisible(hChild) ? "true" : "false") + "}";
    return TRUE;
}

BOOL CALLBACK PrintWindow(HWND hWnd, LPARAM)
{
    if (!IsWindowVisible(hWnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    std::string controls;
    EnumChildWindows(hWnd, PrintControl, reinterpret_cast<LPARAM>(&controls));
    RECT rect = {};
    GetWindowRect(hWnd, &rect);
    printf("{\"hwnd\":%llu,\"pid\":%lu,\"class\":%s,\"title\":%s,\"rect\":[%ld,%ld,%ld,%ld],"
           "\"controls\":[%s]}\n",
           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hWnd)), pid,
           JsonString(ClassName(hWnd)).c_str(), JsonString(WindowText(hWnd)).c_str(), rect.left,
           rect.top, rect.right - rect.left, rect.bottom - rect.top, controls.c_str());
    return TRUE;
}

// Memory in the list's process: list-view and header messages carry
// pointers, which the system does not carry across processes.
class CRemoteBuffer
{
public:
    CRemoteBuffer(HWND hWnd, SIZE_T cb) : m_cb(cb)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        m_hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 pid);
        if (m_hProcess)
            m_pRemote = static_cast<BYTE*>(
                VirtualAllocEx(m_hProcess, nullptr, cb, MEM_COMMIT, PAGE_READWRITE));
    }
    ~CRemoteBuffer()
    {
        if (m_pRemote)
            VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
        if (m_hProcess)
            CloseHandle(m_hProcess);
    }
    bool IsValid() const { return m_pRemote != nullptr; }
    BYTE* Remote() const { return m_pRemote; }
    void Write(const void* pData, SIZE_T cb) { WriteProcessMemory(m_hProcess, m_pRemote, pData, cb, nullptr); }
    void Read(SIZE_T offset, void* pData, SIZE_T cb) { ReadProcessMemory(m_hProcess, m_pRemote + offset, pData, cb, nullptr); }

private:
    HANDLE m_hProcess = nullptr;
    BYTE* m_pRemote = nullptr;
    SIZE_T m_cb;
};

constexpr int kRemoteTextUnits = 1024;

std::wstring HeaderText(HWND hHeader, CRemoteBuffer& remote, int index)
{
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote.Remote() + sizeof(item));
    item.cchTextMax = kRemoteTextUnits;
    remote.Write(&item, sizeof(item));
    SendMessageW(hHeader, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(remote.Remote()));
    wchar_t text[kRemoteTextUnits] = L"";
    remote.Read(sizeof(item), text, sizeof(text));
    text[kRemoteTextUnits - 1] = L'\0';
    return text;
}

std::wstring ItemText(HWND hList, CRemoteBuffer& remote, int row, int column)
{
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote.Remote() + sizeof(item));
    item.cchTextMax = kRemoteTextUnits;
    remote.Write(&item, sizeof(item));
    SendMessageW(hList, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.Remote()));
    wchar_t text[kRemoteTextUnits] = L"";
    remote.Read(sizeof(item), text, sizeof(text));
    text[kRemoteTextUnits - 1] = L'\0';
    return text;
}

int PrintList(HWND hList)
{
    HWND hHeader = reinterpret_cast<HWND>(SendMessageW(hList, LVM_GETHEADER, 0, 0));
    CRemoteBuffer remote(hList, sizeof(LVITEMW) + sizeof(HDITEMW) + kRemoteTextUnits * sizeof(wchar_t));
    if (!hHeader || !remote.IsValid())
        return 1;
    const int columns = static_cast<int>(SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0));
    std::string line;
    for (int column = 0; column < columns; ++column)
        line += (column ? "," : "") + JsonString(HeaderText(hHeader, remote, column));
    printf("[%s]\n", line.c_str());
    const int rows = static_cast<int>(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row)
    {
        line.clear();
        for (int column = 0; column < columns; ++column)
            line += (column ? "," : "") + JsonString(ItemText(hList, remote, row, column));
        printf("[%s]\n", line.c_str());
    }
    fflush(stdout);
    return 0;
}

// The screen point in the middle of a row's state icon, found by hit tests
// along the row's middle left of its label; false when the row shows none.
bool FindStateIcon(HWND hTree, CRemoteBuffer& remote, HTREEITEM hItem, POINT& point)
{
    // TVM_GETITEMRECT takes the row in the rectangle's first bytes.
    RECT label = {};
    memcpy(&label, &hItem, sizeof(hItem));
    remote.Write(&label, sizeof(label));
    if (!SendMessageW(hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.Remote())))
        return false;
    remote.Read(0, &label, sizeof(label));
    const LONG y = (label.top + label.bottom) / 2;
    LONG first = -1;
    LONG last = -1;
    for (LONG x = 0; x < label.left; ++x)
    {
        TVHITTESTINFO hit = {};
        hit.pt = {x, y};
        remote.Write(&hit, sizeof(hit));
        SendMessageW(hTree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(remote.Remote()));
        remote.Read(0, &hit, sizeof(hit));
        if (hit.hItem == hItem && (hit.flags & TVHT_ONITEMSTATEICON))
        {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    if (first < 0)
        return false;
    point = {(first + last) / 2, y};
    ClientToScreen(hTree, &point);
    return true;
}

// The update list keeps each row's column texts in a record of its own
// process (the row's item data): its weight and colour, then the columns
// in a std::vector<std::wstring>. These mirror that layout as libstdc++
// lays it out (vector: first, last, end of storage; string: data pointer,
// length, 16 bytes of local buffer or capacity).
struct RemoteWString
{
    const wchar_t* pData;
    size_t nLength;
    BYTE abLocal[16];
};

struct RemoteColumnRecord
{
    bool bBold;
    COLORREF crText;
    const RemoteWString* pFirst;
    const RemoteWString* pLast;
    const RemoteWString* pEnd;
};

constexpr size_t kMaxRemoteColumns = 16;
constexpr size_t kMaxRemoteTextUnits = 4096;

std::string RemoteColumnTexts(HANDLE hProcess, LPARAM record)
{
    RemoteColumnRecord columns = {};
    if (!hProcess || !record ||
        !ReadProcessMemory(hProcess, reinterpret_cast<void*>(record), &columns, sizeof(columns),
                           nullptr))
        return "";
    size_t count = static_cast<size_t>(columns.pLast - columns.pFirst);
    std::string texts;
    for (size_t i = 0; i < count && i < kMaxRemoteColumns; ++i)
    {
        RemoteWString column = {};
        ReadProcessMemory(hProcess, columns.pFirst + i, &column, sizeof(column), nullptr);
        std::wstring text(column.nLength < kMaxRemoteTextUnits ? column.nLength : 0, L'\0');
        if (!text.empty())
            ReadProcessMemory(hProcess, column.pData, &text[0], text.size() * sizeof(wchar_t),
                              nullptr);
        texts += (i ? "," : "") + JsonString(text);
    }
    return texts;
}

int PrintTree(HWND hTree)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hTree, &pid);
    HANDLE hProcess = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    CRemoteBuffer remote(hTree, sizeof(TVITEMW) + kRemoteTextUnits * sizeof(wchar_t));
    if (!remote.IsValid())
        return 1;
    // Depth-first, in display order: children, then the next sibling, else
    // the next sibling of the nearest ancestor that has one.
    int level = 0;
    HTREEITEM hItem = TreeView_GetRoot(hTree);
    while (hItem)
    {
        TVITEMW item = {};
        item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
        item.hItem = hItem;
        item.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
        item.pszText = reinterpret_cast<wchar_t*>(remote.Remote() + sizeof(item));
        item.cchTextMax = kRemoteTextUnits;
        remote.Write(&item, sizeof(item));
        SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Remote()));
        remote.Read(0, &item, sizeof(item));
        wchar_t text[kRemoteTextUnits] = L"";
        remote.Read(sizeof(item), text, sizeof(text));
        text[kRemoteTextUnits - 1] = L'\0';

        POINT point = {};
        std::string checkBox = "null";
        if (FindStateIcon(hTree, remote, hItem, point))
            checkBox = "[" + std::to_string(point.x) + "," + std::to_string(point.y) + "]";
        printf("{\"item\":%llu,\"level\":%d,\"text\":%s,\"state\":%u,\"expanded\":%s,"
               "\"check_box\":%s,\"texts\":[%s]}\n",
               static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hItem)), level,
               JsonString(text).c_str(), (item.state & TVIS_STATEIMAGEMASK) >> 12,
               (item.state & TVIS_EXPANDED) ? "true" : "false", checkBox.c_str(),
               RemoteColumnTexts(hProcess, item.lParam).c_str());

        HTREEITEM hNext = TreeView_GetChild(hTree, hItem);
        if (hNext)
            ++level;
        for (HTREEITEM hUp = hItem; !hNext && hUp; --level)
        {
            hNext = TreeView_GetNextSibling(hTree, hUp);
            if (hNext)
                break;
            hUp = TreeView_GetParent(hTree, hUp);
        }
        hItem = hNext;
    }
    if (hProcess)
        CloseHandle(hProcess);
    fflush(stdout);
    return 0;
}

HWND ParseWindow(const wchar_t* text)
{
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoull(text, nullptr, 10)));
}

}  // namespace

int wmain()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    const std::wstring command = argv[1];
    if (command == L"windows")
    {
        EnumWindows(PrintWindow, 0);
        fflush(stdout);
        return 0;
    }
    if (command == L"mutex" && argc == 3)
    {
        HANDLE hMutex = OpenMutexW(SYNCHRONIZE, FALSE, argv[2]);
        if (!hMutex)
            return 1;
        CloseHandle(hMutex);
        return 0;
    }
    if (command == L"service" && argc == 3)
    {
        SC_HANDLE hManager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE hService = hManager ? OpenServiceW(hManager, argv[2], SERVICE_QUERY_STATUS) : nullptr;
        if (hService)
            CloseServiceHandle(hService);
        if (hManager)
            CloseServiceHandle(hManager);
        return hService ? 0 : 1;
    }
    if (command == L"list" && argc == 4)
    {
        HWND hList = GetDlgItem(ParseWindow(argv[2]), _wtoi(argv[3]));
        return hList ? PrintList(hList) : 1;
    }
    if (command == L"tree" && argc == 4)
    {
        HWND hTree = GetDlgItem(ParseWindow(argv[2]), _wtoi(argv[3]));
        return hTree ? PrintTree(hTree) : 1;
    }
    if (command == L"click" && argc == 4)
    {
        HWND hWnd = ParseWindow(argv[2]);
        int id = _wtoi(argv[3]);
        return PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(hWnd, id)))
                   ? 0
                   : 1;
    }
    if (command == L"close" && argc == 3)
        return PostMessageW(ParseWindow(argv[2]), WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == L"queryend" && argc == 3)
    {
        DWORD_PTR answer = TRUE;
        if (!SendMessageTimeoutW(ParseWindow(argv[2]), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL,
                                 60000, &answer))
            return 2;
        return answer ? 1 : 0;
    }
    return 2;
}
