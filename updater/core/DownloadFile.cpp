#include "DownloadFile.h"

#include <memory>

#include "HttpDownload.h"
#include "MessagePump.h"
#include "ServerLocation.h"
#include "TraceLog.h"
#include "UpdateItem.h"
#include "WideText.h"

namespace {

constexpr DWORD kPollWaitMs = 10;
constexpr DWORD kReconnectWaitMs = 3000;

void TraceStatus(LONG lStatus)
{
    TraceLog(L"DownloadFile : %08X\n", static_cast<unsigned>(lStatus));
    wchar_t* pszMessage = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(lStatus), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&pszMessage), 0, nullptr);
    if (pszMessage)
        TrimWhiteSpace(pszMessage);
    TraceLog(L"DownloadFile : %s\n", pszMessage ? pszMessage : L"");
    LocalFree(pszMessage);
}

}  // namespace

LONG DownloadFile(IDownloadOwner& owner, const wchar_t* pszUrl, const wchar_t* pszLocalPath,
                  BOOL bReportProgress)
{
    if (owner.ReadCancel() == 1)
        return 0;

    auto download = std::make_unique<CHttpDownload>(pszUrl, pszLocalPath);
    bool bAbortRequested = false;
    LONG lStatus;
    do
    {
        lStatus = download->GetStatus();
        HWND hWnd = owner.GetProgressWindow();
        if (bReportProgress && hWnd)
        {
            if (lStatus < 0)
                PostMessageW(hWnd, WM_DOWNLOAD_ERROR, static_cast<WPARAM>(lStatus), 0);
            else
                PostMessageW(hWnd, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(download->GetProgress()), 0);
        }
        DispatchWaitingMessages();
        if (!bAbortRequested && owner.ReadCancel() == 1)
        {
            download->Abort();
            bAbortRequested = true;
        }
        // A short wait keeps this thread from taking a core away from the
        // transfer; new messages end it at once.
        if (!IsFinalDownloadStatus(lStatus))
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollWaitMs, QS_ALLINPUT);
    } while (!IsFinalDownloadStatus(lStatus));

    TraceStatus(lStatus);
    return lStatus;
}

LONG DownloadPackage(IDownloadOwner& owner, UpdateItem& item)
{
    DownloadLocation location = GetPackageLocation(item);
    bool bConnectFailureRecorded = false;
    LONG lStatus;
    for (;;)
    {
        lStatus = DownloadFile(owner, location.strUrl.c_str(), location.strLocalPath.c_str(), TRUE);
        if (lStatus == DL_E_READ)
        {
            // Tried again at once; the part received is resumed.
            bConnectFailureRecorded = false;
        }
        else if (lStatus == DL_E_REQUEST)
        {
            // One record for a whole series of failed connections.
            if (!bConnectFailureRecorded)
            {
                owner.AppendHistoryLog(FALSE, owner.LoadText(kStringFailToConnect).c_str(), -1, nullptr);
                bConnectFailureRecorded = true;
            }
            owner.SetStatusText(kStringFailToConnect, nullptr);
            DispatchFor(kReconnectWaitMs, [&owner] { return owner.ReadCancel() == 1; });
            owner.SetStatusText(kStringDownload, item.szTitle);
        }
        else
            break;
        if (owner.ReadCancel() == 1)
            break;
    }

    if (lStatus == DL_COMPLETE)
    {
        CopyBounded(item.szPath, location.strLocalPath.c_str());
    }
    else if (lStatus == DL_E_CANCELLED)
    {
        owner.SetStatusText(kStringConnectionCancelled, nullptr);
    }
    else if (UINT nMessageId = PackageFailureMessageId(lStatus))
    {
        std::wstring text = owner.LoadText(nMessageId);
        owner.SetStatusText(-1, text.c_str());
        owner.AppendHistoryLog(FALSE, text.c_str(), item.bType, item.szTitle);
    }
    return lStatus;
}

UINT PackageFailureMessageId(LONG lStatus)
{
    switch (lStatus)
    {
    case DL_E_LOCAL_FILE:
        return kStringUnableToCreateLocalFile;
    case DL_E_WRITE:
        return kStringDiskFull;
    case DL_E_URL:
    case DL_E_HTTP_STATUS:
        return kStringFileNotOnServer;
    default:
        return 0;
    }
}

bool IsPackageKept(LONG lStatus)
{
    return lStatus == DL_COMPLETE || lStatus == DL_E_CANCELLED;
}
