#include "TestDownloadOwner.h"

#include <gtest/gtest.h>

#include "DownloadFile.h"

namespace {

constexpr wchar_t kClassName[] = L"KestrelTestDownloadOwner";

const wchar_t* EnglishText(UINT nStringId)
{
    switch (nStringId)
    {
    case kStringDownload:
        return L"Download";
    case kStringUnableToCreateLocalFile:
        return L"Unable to create local file!";
    case kStringConnectionCancelled:
        return L"Connection has been cancelled!";
    case kStringFailToConnect:
        return L"Fail to connect to VEXA web server!";
    case kStringFileNotOnServer:
        return L"Unable to find the file on the remote server!";
    case kStringDiskFull:
        return L"Downloading abort due to insufficient disk free space!";
    default:
        ADD_FAILURE() << "unexpected string id " << nStringId;
        return L"";
    }
}

}  // namespace

CTestDownloadOwner::CTestDownloadOwner()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    m_hWnd = CreateWindowExW(0, kClassName, L"Vexa Kestrel", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                             nullptr, wc.hInstance, this);
    EXPECT_NE(m_hWnd, nullptr);
}

CTestDownloadOwner::~CTestDownloadOwner()
{
    DestroyWindow(m_hWnd);
}

LONG CTestDownloadOwner::ReadCancel()
{
    return InterlockedCompareExchange(&m_lCancel, 0, 0);
}

void CTestDownloadOwner::SetStatusText(int nStringId, const wchar_t* pszText)
{
    // As the main window shows them: "Download <title>...", or the string
    // alone, or the text as given.
    std::wstring line;
    if (nStringId == static_cast<int>(kStringDownload))
        line = std::wstring(EnglishText(kStringDownload)) + L" " + pszText + L"...";
    else if (nStringId > 0)
        line = EnglishText(nStringId);
    else
        line = pszText;
    m_aStatusLine.push_back(line);
    if (m_onEvent)
        m_onEvent(*this);
}

std::wstring CTestDownloadOwner::LoadText(UINT nStringId)
{
    return EnglishText(nStringId);
}

void CTestDownloadOwner::AppendHistoryLog(BOOL bStatus, const wchar_t* pszText, int nType, const wchar_t* pszName)
{
    m_aHistory.push_back({bStatus, pszText, nType, pszName ? pszName : L""});
}

LRESULT CALLBACK CTestDownloadOwner::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE)
    {
        auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
    }
    auto* pOwner = reinterpret_cast<CTestDownloadOwner*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pOwner && (uMsg == WM_DOWNLOAD_PROGRESS || uMsg == WM_DOWNLOAD_ERROR))
    {
        (uMsg == WM_DOWNLOAD_PROGRESS ? pOwner->m_aProgress : pOwner->m_aError).push_back(wParam);
        if (pOwner->m_onEvent)
            pOwner->m_onEvent(*pOwner);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
