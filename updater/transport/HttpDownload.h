// One HTTP download on a worker thread of its own. Construction starts it;
// the owner polls the status and progress, may ask it once to abort, and
// destroys the object after a final status. A local file that already holds
// N bytes is resumed: the first N bytes of the body are skipped and the rest
// is appended.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "UniqueHandle.h"

constexpr LONG DL_IDLE = 0;
constexpr LONG DL_CONNECTING = 1;
constexpr LONG DL_CONNECTED = 2;
constexpr LONG DL_ANSWERED = 3;
constexpr LONG DL_RECEIVING = 4;
constexpr LONG DL_COMPLETE = 5;
constexpr LONG DL_E_URL = static_cast<LONG>(0x80000001);
constexpr LONG DL_E_THREAD = static_cast<LONG>(0x80000002);
constexpr LONG DL_E_OPEN = static_cast<LONG>(0x80000003);
constexpr LONG DL_E_CONNECT = static_cast<LONG>(0x80000004);
constexpr LONG DL_E_CALLBACK = static_cast<LONG>(0x80000005);
constexpr LONG DL_E_REQUEST = static_cast<LONG>(0x80000006);
constexpr LONG DL_E_HTTP_STATUS = static_cast<LONG>(0x80000007);
constexpr LONG DL_E_CANCELLED = static_cast<LONG>(0x80000008);
constexpr LONG DL_E_READ = static_cast<LONG>(0x80000009);
constexpr LONG DL_E_LOCAL_FILE = static_cast<LONG>(0x80000010);
constexpr LONG DL_E_WRITE = static_cast<LONG>(0x80000011);

// Complete, or failed for good; anything else is still under way.
inline bool IsFinalDownloadStatus(LONG lStatus)
{
    return lStatus == DL_COMPLETE || lStatus < 0;
}

// The window that owns the authentication dialog a server can ask for; the
// main window sets itself here when it is created.
void SetDownloadDialogOwner(HWND hWnd);

class CHttpDownload
{
public:
    CHttpDownload(const wchar_t* pszUrl, const wchar_t* pszLocalPath);
    // Waits for the worker without a time limit, then closes the request,
    // connection and root handles in that order, and the local file.
    ~CHttpDownload();

    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    LONG GetStatus() const;
    LONG GetProgress() const;  // percent of the file present locally
    void Abort();

private:
    static DWORD WINAPI WorkerEntry(LPVOID pParam);
    static void CALLBACK StatusCallback(HINTERNET hInternet, DWORD_PTR dwContext,
                                        DWORD dwInternetStatus, LPVOID pInfo, DWORD dwInfoLength);

    bool OpenLocalFile();
    void StartWorker();
    void Run();
    LONG Transfer();
    LONG AwaitAcceptedAnswer();
    void DiscardResponseBody();
    ULONGLONG QueryContentLength();
    LONG SkipResumedBytes(ULONGLONG nTotal, ULONGLONG& nWritten);
    LONG ReceiveBody(ULONGLONG nTotal, ULONGLONG nWritten);
    void UpdateProgress(ULONGLONG nWritten, ULONGLONG nTotal);
    bool IsAbortRequested() const;
    void SetStatus(LONG lStatus);
    void DeleteLocalFile();

    volatile LONG m_lAbort = 0;
    volatile LONG m_lStatus = DL_IDLE;
    volatile LONG m_lProgress = 0;

    std::wstring m_strServer;
    std::wstring m_strObject;
    std::wstring m_strLocalPath;
    INTERNET_PORT m_nPort = 0;
    DWORD m_dwServiceType = 0;
    DWORD m_dwRequestFlags = 0;

    HINTERNET m_hInternet = nullptr;
    HINTERNET m_hConnect = nullptr;
    HINTERNET m_hRequest = nullptr;
    CFileHandle m_file;
    LONGLONG m_nResumeOffset = 0;
    CHandle m_hThread;
};
