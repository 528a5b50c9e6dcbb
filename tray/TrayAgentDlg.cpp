#include "TrayAgentDlg.h"

#include <ctime>

#include "GradientMenu.h"
#include "LanguageBinding.h"
#include "NetworkProbe.h"
#include "ScheduleTick.h"
#include "TrayResources.h"
#include "UniqueHandle.h"
#include "UpdaterLauncher.h"
#include "WideText.h"

namespace {

constexpr wchar_t kProductName[] = L"Vexa Kestrel";
constexpr wchar_t kTaskbarCreated[] = L"TaskbarCreated";
constexpr wchar_t kPendingWorkFile[] = L"process.xml";

constexpr int kMenuBandWidth = 24;
constexpr int kMenuCell = 30;
constexpr COLORREF kBandTop = RGB(65, 78, 23);
constexpr COLORREF kBandBottom = RGB(168, 184, 78);
constexpr COLORREF kCaptionColour = RGB(255, 255, 255);
constexpr UINT kSchedulePosition = 1;

#ifndef _WIN64
static_assert(NOTIFYICONDATAW_V2_SIZE == 936, "the shell 5 record of the 32-bit program");
#endif

// Kept for the life of the process: the shell broadcasts it after a restart.
UINT s_nTaskbarCreated = 0;

HINSTANCE ModuleInstance()
{
    return GetModuleHandleW(nullptr);
}

// The menu's texts in English, passed through the language library.
const struct
{
    UINT nId;
    const wchar_t* pszText;
} kMenuTexts[] = {
    {ID_TRAY_UPDATE, L"Update"},
    {ID_TRAY_HISTORY, L"History"},
    {ID_TRAY_EXIT, L"Exit"},
    {ID_FREQUENCY_NONE, L"None"},
    {ID_FREQUENCY_DAILY, L"Daily"},
    {ID_FREQUENCY_THIRD_DAY, L"Every third day"},
    {ID_FREQUENCY_WEEKLY, L"Weekly"},
    {ID_FREQUENCY_SECOND_WEEK, L"Every second week"},
    {ID_FREQUENCY_MONTHLY, L"Monthly"},
    {ID_FREQUENCY_THIRD_MONTH, L"Every third month"},
};

const struct
{
    UINT nId;
    bool bByPosition;
    UINT nBitmap;
} kMenuBitmaps[] = {
    {ID_TRAY_UPDATE, false, IDB_MENU_UPDATE},
    {kSchedulePosition, true, IDB_MENU_SCHEDULE},
    {ID_TRAY_HISTORY, false, IDB_MENU_HISTORY},
    {ID_TRAY_EXIT, false, IDB_MENU_EXIT},
};

bool PendingWorkExists()
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (wchar_t* pszSlash = wcsrchr(szPath, L'\\'))
        pszSlash[1] = L'\0';
    wchar_t szFile[MAX_PATH];
    FormatBounded(szFile, MAX_PATH, L"%s%s", szPath, kPendingWorkFile);
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW(szFile, &data));
    return find.IsValid();
}

}  // namespace

CTrayAgentDlg::CTrayAgentDlg()
{
    m_schedule.nFrequency = 0;
    m_schedule.bFirstLaunchPending = true;
}

void CTrayAgentDlg::RunModal()
{
    m_hWnd = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_TRAY_AGENT), nullptr,
                                DialogProc, reinterpret_cast<LPARAM>(this));
    if (!m_hWnd)
        return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (!IsDialogMessageW(m_hWnd, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DestroyWindow();
}

INT_PTR CALLBACK CTrayAgentDlg::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_INITDIALOG)
    {
        auto* pDlg = reinterpret_cast<CTrayAgentDlg*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
        return pDlg->OnInitDialog();
    }
    auto* pDlg = reinterpret_cast<CTrayAgentDlg*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!pDlg)
        return FALSE;
    LRESULT nResult = 0;
    if (!pDlg->WindowProc(nMsg, wParam, lParam, nResult))
        return pDlg->BaseDialogProc(nMsg, wParam) ? TRUE : FALSE;
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, nResult);
    return TRUE;
}

bool CTrayAgentDlg::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& nResult)
{
    if (nMsg == WM_TRAY_NOTIFY)
    {
        nResult = OnTrayNotify(wParam, lParam);
        return true;
    }
    if (s_nTaskbarCreated != 0 && nMsg == s_nTaskbarCreated)
        AddTrayIcon();
    // Every message but the tray callback goes on to the base handling,
    // also a command or a tick acted on here.
    if (nMsg == WM_COMMAND)
        OnCommand(LOWORD(wParam));
    if (nMsg == WM_TIMER && wParam == m_nTimerId && m_nTimerId != 0)
        OnScheduleTimer();
    return false;
}

bool CTrayAgentDlg::BaseDialogProc(UINT nMsg, WPARAM wParam)
{
    if (nMsg != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL))
        return false;
    PostQuitMessage(0);
    return true;
}

BOOL CTrayAgentDlg::OnInitDialog()
{
    SetWindowTextW(m_hWnd, kProductName);
    m_hIcon = LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(IDI_TRAY_AGENT));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    AddTrayIcon();
    s_nTaskbarCreated = RegisterWindowMessageW(kTaskbarCreated);
    ReadSchedule();
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);

    // The updater left work to finish after a restart.
    if (PendingWorkExists())
        LaunchUpdater(m_hWnd, nullptr);

    StartScheduleTimer();
    return TRUE;
}

void CTrayAgentDlg::AddTrayIcon()
{
    m_nid = {};
    // The shell 5 layout (936 bytes in the 32-bit program).
    m_nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = kTrayIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
    m_nid.hIcon = m_hIcon;
    CopyBounded(m_nid.szTip, kProductName);
    Shell_NotifyIconW(NIM_ADD, &m_nid);
}

LRESULT CTrayAgentDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != kTrayIconId)
        return 0;
    switch (LOWORD(lParam))
    {
    case WM_RBUTTONUP:
        ShowTrayMenu();
        break;
    case WM_LBUTTONDBLCLK:
        SetForegroundWindow(m_hWnd);
        SendMessageW(m_hWnd, WM_COMMAND, ID_TRAY_UPDATE, 0);
        break;
    }
    return 1;
}

void CTrayAgentDlg::ShowTrayMenu()
{
    CMenuHandle menuResource(LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    HMENU hPopup = GetSubMenu(menuResource.Get(), 0);
    if (!hPopup)
        return;
    HMENU hSchedule = GetSubMenu(hPopup, kSchedulePosition);

    CGradientMenu menu(kMenuBandWidth, false);
    menu.Attach(hPopup);
    menu.m_crBandTop = kBandTop;
    menu.m_crBandBottom = kBandBottom;
    menu.m_crCaption = kCaptionColour;
    menu.m_strCaption = kProductName;

    // Texts first: replacing an item's text keeps its bitmaps either way.
    for (const auto& text : kMenuTexts)
    {
        std::wstring translated = TranslateText(text.pszText);
        ModifyMenuW(hPopup, text.nId, MF_BYCOMMAND | MF_STRING, text.nId, translated.c_str());
    }
    std::wstring schedule = TranslateText(L"Schdule");
    ModifyMenuW(hPopup, kSchedulePosition, MF_BYPOSITION | MF_STRING | MF_POPUP,
                reinterpret_cast<UINT_PTR>(hSchedule), schedule.c_str());

    CGdiObject<HBITMAP> bitmaps[std::size(kMenuBitmaps)];
    for (size_t i = 0; i < std::size(kMenuBitmaps); ++i)
    {
        bitmaps[i].Reset(LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(kMenuBitmaps[i].nBitmap)));
        SetMenuItemBitmaps(hPopup, kMenuBitmaps[i].nId,
                           kMenuBitmaps[i].bByPosition ? MF_BYPOSITION : MF_BYCOMMAND,
                           bitmaps[i].Get(), bitmaps[i].Get());
    }

    if (m_schedule.nFrequency < kFrequencyCount)
        CheckMenuItem(hSchedule, m_schedule.nFrequency, MF_BYPOSITION | MF_CHECKED);

    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(m_hWnd);
    menu.TrackPopupMenu(0, pt.x, pt.y, m_hWnd, nullptr, kMenuCell, kMenuCell);
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
    menu.Detach();
}

void CTrayAgentDlg::OnCommand(UINT nId)
{
    if (nId >= ID_FREQUENCY_NONE && nId <= ID_FREQUENCY_THIRD_MONTH)
    {
        ChooseFrequency(m_store, m_schedule, nId - ID_FREQUENCY_NONE);
        return;
    }
    switch (nId)
    {
    case ID_TRAY_UPDATE:
        LaunchUpdater(m_hWnd, nullptr);
        break;
    case ID_TRAY_HISTORY:
        LaunchUpdater(m_hWnd, kHistoryParameters);
        break;
    case ID_TRAY_EXIT:
        ConfirmExit();
        break;
    }
}

void CTrayAgentDlg::ConfirmExit()
{
    wchar_t szQuestion[512] = {};
    LoadStringW(ModuleInstance(), IDS_CONFIRM_EXIT, szQuestion, 512);
    std::wstring question = TranslateText(szQuestion);
    if (MessageBoxW(m_hWnd, question.c_str(), kProductName, MB_YESNO | MB_ICONQUESTION) == IDYES)
        PostQuitMessage(0);
}

void CTrayAgentDlg::ReadSchedule()
{
    ::ReadSchedule(m_store, m_schedule);
}

void CTrayAgentDlg::StartScheduleTimer()
{
    m_nTimerId = SetTimer(m_hWnd, kScheduleTimerId, kScheduleTickMs, nullptr);
}

void CTrayAgentDlg::OnScheduleTimer()
{
    // Stopped for the tick's length, so a long probe never overlaps the next tick.
    KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
    RunScheduleTick(m_store, m_schedule, static_cast<DWORD>(time(nullptr)), *this);
    StartScheduleTimer();
}

bool CTrayAgentDlg::IsNetworkReachable()
{
    return ::IsNetworkReachable();
}

void CTrayAgentDlg::Pause(DWORD nMilliseconds)
{
    Sleep(nMilliseconds);
}

void CTrayAgentDlg::LaunchScheduledRun()
{
    LaunchUpdater(m_hWnd, kScheduledRunParameters);
}

void CTrayAgentDlg::DestroyWindow()
{
    Shell_NotifyIconW(NIM_DELETE, &m_nid);
    if (m_nTimerId != 0)
    {
        KillTimer(m_hWnd, m_nTimerId);
        m_nTimerId = 0;
    }
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}
