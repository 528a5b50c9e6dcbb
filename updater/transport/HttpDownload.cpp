#include "HttpDownload.h"

#include <cwchar>

#include "DownloadUrl.h"

namespace {

constexpr DWORD kReadPiece = 4096;
constexpr DWORD kDiscardPiece = 4095;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kAuthDialogFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                   FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                   FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

HWND s_hDialogOwner = nullptr;

// The agent string: the program's file name without its extension.
std::wstring GetApplicationName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\');
    std::wstring result = name ? name + 1 : path;
    size_t dot = result.rfind(L'.');
    if (dot != std::wstring::npos)
        result.resize(dot);
    return result;
}

// A header value as text (a buffer of 32 bytes), or false when missing.
bool QueryHeaderText(HINTERNET hRequest, DWORD dwInfoLevel, wchar_t (&text)[16])
{
    DWORD cb = sizeof(text);
    text[0] = L'\0';
    return HttpQueryInfoW(hRequest, dwInfoLevel, text, &cb, nullptr) != FALSE;
}

}  // namespace

void SetDownloadDialogOwner(HWND hWnd)
{
    s_hDialogOwner = hWnd;
}

CHttpDownload::CHttpDownload(const wchar_t* pszUrl, const wchar_t* pszLocalPath)
    : m_strLocalPath(pszLocalPath ? pszLocalPath : L"")
{
    DownloadUrl url;
    if (!ParseDownloadUrl(pszUrl, url) &&
        !ParseDownloadUrl((std::wstring(L"http://") + (pszUrl ? pszUrl : L"")).c_str(), url))
    {
        m_lStatus = DL_E_URL;
        return;
    }
    m_strServer = url.strServer;
    m_strObject = url.strObject;
    m_nPort = url.nPort;
    m_dwServiceType = url.dwServiceType;
    m_dwRequestFlags = kRequestFlags | (url.bSecure ? INTERNET_FLAG_SECURE : 0);

    // Opened before the worker starts, so a path that cannot be created is
    // reported at once.
    if (!OpenLocalFile())
    {
        m_lStatus = DL_E_LOCAL_FILE;
        return;
    }
    StartWorker();
}

CHttpDownload::~CHttpDownload()
{
    if (m_hThread)
    {
        WaitForSingleObject(m_hThread.Get(), INFINITE);
        m_hThread.Reset();
    }
    if (m_hRequest)
        InternetCloseHandle(m_hRequest);
    if (m_hConnect)
        InternetCloseHandle(m_hConnect);
    if (m_hInternet)
    {
        // No notification may reach this object once it is gone.
        InternetSetStatusCallbackW(m_hInternet, nullptr);
        InternetCloseHandle(m_hInternet);
    }
    m_file.Reset();
}

LONG CHttpDownload::GetStatus() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&m_lStatus), 0, 0);
}

LONG CHttpDownload::GetProgress() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&m_lProgress), 0, 0);
}

void CHttpDownload::Abort()
{
    InterlockedExchange(&m_lAbort, 1);
}

bool CHttpDownload::OpenLocalFile()
{
    // Created when missing, kept as it is when present: its bytes are the
    // part already downloaded.
    m_file.Reset(CreateFileW(m_strLocalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
        return false;
    LARGE_INTEGER zero = {};
    LARGE_INTEGER end = {};
    if (!SetFilePointerEx(m_file.Get(), zero, &end, FILE_END))
    {
        m_file.Reset();
        return false;
    }
    m_nResumeOffset = end.QuadPart;
    return true;
}

void CHttpDownload::StartWorker()
{
    m_hThread.Reset(CreateThread(nullptr, 0, WorkerEntry, this, CREATE_SUSPENDED, nullptr));
    if (!m_hThread)
    {
        m_lStatus = DL_E_THREAD;
        return;
    }
    SetStatus(DL_CONNECTING);
    ResumeThread(m_hThread.Get());
}

DWORD WINAPI CHttpDownload::WorkerEntry(LPVOID pParam)
{
    static_cast<CHttpDownload*>(pParam)->Run();
    return 0;
}

void CALLBACK CHttpDownload::StatusCallback(HINTERNET, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                            LPVOID, DWORD)
{
    auto* pDownload = reinterpret_cast<CHttpDownload*>(dwContext);
    if (!pDownload)
        return;
    if (dwInternetStatus == INTERNET_STATUS_CONNECTING_TO_SERVER)
        pDownload->SetStatus(DL_CONNECTING);
    else if (dwInternetStatus == INTERNET_STATUS_CONNECTED_TO_SERVER)
        pDownload->SetStatus(DL_CONNECTED);
}

void CHttpDownload::Run()
{
    LONG lStatus = Transfer();
    // A cancelled or broken transfer leaves no file behind. A failing read
    // call keeps the part received, so that a later download resumes.
    if (lStatus == DL_E_CANCELLED || lStatus == DL_E_WRITE)
        DeleteLocalFile();
    SetStatus(lStatus);
}

LONG CHttpDownload::Transfer()
{
    m_hInternet = InternetOpenW(GetApplicationName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                nullptr, nullptr, 0);
    if (!m_hInternet)
        return DL_E_OPEN;
    if (IsAbortRequested())
        return DL_E_CANCELLED;

    if (InternetSetStatusCallbackW(m_hInternet, StatusCallback) == INTERNET_INVALID_STATUS_CALLBACK)
        return DL_E_CALLBACK;
    if (IsAbortRequested())
        return DL_E_CANCELLED;

    auto context = reinterpret_cast<DWORD_PTR>(this);
    m_hConnect = InternetConnectW(m_hInternet, m_strServer.c_str(), m_nPort, nullptr, nullptr,
                                  m_dwServiceType, 0, context);
    if (!m_hConnect)
        return DL_E_CONNECT;
    if (IsAbortRequested())
        return DL_E_CANCELLED;

    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    m_hRequest = HttpOpenRequestW(m_hConnect, nullptr, m_strObject.c_str(), nullptr, nullptr,
                                  acceptTypes, m_dwRequestFlags, context);
    if (!m_hRequest)
        return DL_E_REQUEST;
    if (IsAbortRequested())
        return DL_E_CANCELLED;
    if (!HttpSendRequestW(m_hRequest, nullptr, 0, nullptr, 0))
        return DL_E_REQUEST;

    LONG lAnswer = AwaitAcceptedAnswer();
    if (lAnswer != DL_ANSWERED)
        return lAnswer;
    SetStatus(DL_ANSWERED);
    ULONGLONG nTotal = QueryContentLength();

    SetStatus(DL_RECEIVING);
    ULONGLONG nWritten = 0;
    LONG lSkip = SkipResumedBytes(nTotal, nWritten);
    if (lSkip != DL_RECEIVING)
        return lSkip;
    return ReceiveBody(nTotal, nWritten);
}

// Reads the status code until the server accepts the request (200) or the
// user dismisses the authentication dialog. Returns DL_ANSWERED to go on
// with the response, or a final failure.
LONG CHttpDownload::AwaitAcceptedAnswer()
{
    for (;;)
    {
        wchar_t text[16];
        if (!QueryHeaderText(m_hRequest, HTTP_QUERY_STATUS_CODE, text))
            return DL_E_HTTP_STATUS;
        long lCode = wcstol(text, nullptr, 10);
        if (lCode == HTTP_STATUS_OK)
            return DL_ANSWERED;
        if (lCode != HTTP_STATUS_DENIED && lCode != HTTP_STATUS_PROXY_AUTH_REQ)
            return DL_E_HTTP_STATUS;

        // The rejected response must be read to its end before the dialog
        // can retry on the same connection.
        DiscardResponseBody();
        DWORD dwResult = InternetErrorDlg(s_hDialogOwner, m_hRequest, ERROR_INTERNET_INCORRECT_PASSWORD,
                                          kAuthDialogFlags, nullptr);
        if (dwResult != ERROR_INTERNET_FORCE_RETRY)
            return DL_ANSWERED;
        if (!HttpSendRequestW(m_hRequest, nullptr, 0, nullptr, 0))
            return DL_E_REQUEST;
    }
}

void CHttpDownload::DiscardResponseBody()
{
    char piece[kDiscardPiece];
    DWORD dwRead = 0;
    while (InternetReadFile(m_hRequest, piece, kDiscardPiece, &dwRead) && dwRead > 0)
    {
    }
}

// The announced body length; 0 stands for a missing length.
ULONGLONG CHttpDownload::QueryContentLength()
{
    wchar_t text[16];
    if (!QueryHeaderText(m_hRequest, HTTP_QUERY_CONTENT_LENGTH, text))
        return 0;
    return _wcstoui64(text, nullptr, 10);
}

// Skips the bytes the local file already holds by reading and discarding
// them: moving WinINet's read position is not available everywhere. When
// the body is known to be shorter than the file, the file is emptied and
// written from the start instead. Returns DL_RECEIVING to go on.
LONG CHttpDownload::SkipResumedBytes(ULONGLONG nTotal, ULONGLONG& nWritten)
{
    nWritten = 0;
    auto nOffset = static_cast<ULONGLONG>(m_nResumeOffset);
    if (nOffset == 0)
        return DL_RECEIVING;
    if (nTotal != 0 && nOffset > nTotal)
    {
        LARGE_INTEGER zero = {};
        if (!SetFilePointerEx(m_file.Get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get()))
            return DL_E_WRITE;
        return DL_RECEIVING;
    }

    char piece[kReadPiece];
    while (nWritten < nOffset)
    {
        if (IsAbortRequested())
            return DL_E_CANCELLED;
        ULONGLONG nLeft = nOffset - nWritten;
        DWORD dwWant = nLeft < kReadPiece ? static_cast<DWORD>(nLeft) : kReadPiece;
        DWORD dwRead = 0;
        if (!InternetReadFile(m_hRequest, piece, dwWant, &dwRead))
            return DL_E_READ;
        // The body ended inside the part already on disk: nothing of it can
        // be trusted to follow on, and the bytes read are gone.
        if (dwRead == 0)
            return DL_E_CANCELLED;
        nWritten += dwRead;
    }
    return DL_RECEIVING;
}

LONG CHttpDownload::ReceiveBody(ULONGLONG nTotal, ULONGLONG nWritten)
{
    UpdateProgress(nWritten, nTotal);
    char piece[kReadPiece];
    for (;;)
    {
        DWORD dwRead = 0;
        if (!InternetReadFile(m_hRequest, piece, kReadPiece, &dwRead))
            return DL_E_READ;
        if (dwRead > 0 && !IsAbortRequested())
        {
            DWORD dwWritten = 0;
            if (!WriteFile(m_file.Get(), piece, dwRead, &dwWritten, nullptr) || dwWritten != dwRead)
                return DL_E_WRITE;
            nWritten += dwRead;
            UpdateProgress(nWritten, nTotal);
        }
        if (dwRead == 0 || IsAbortRequested())
            break;
    }
    m_file.Reset();
    if (!IsAbortRequested() && nWritten == nTotal)
    {
        InterlockedExchange(&m_lProgress, 100);
        return DL_COMPLETE;
    }
    return DL_E_CANCELLED;
}

void CHttpDownload::UpdateProgress(ULONGLONG nWritten, ULONGLONG nTotal)
{
    if (nTotal == 0)
        return;
    InterlockedExchange(&m_lProgress, static_cast<LONG>(nWritten * 100 / nTotal));
}

bool CHttpDownload::IsAbortRequested() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&m_lAbort), 0, 0) == 1;
}

void CHttpDownload::SetStatus(LONG lStatus)
{
    InterlockedExchange(&m_lStatus, lStatus);
}

void CHttpDownload::DeleteLocalFile()
{
    m_file.Reset();
    DeleteFileW(m_strLocalPath.c_str());
}
