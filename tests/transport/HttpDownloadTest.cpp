#include "HttpDownload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TestFiles.h"
#include "TestServer.h"

namespace {

// What the owner saw while polling one download to its end.
struct Outcome
{
    LONG status = DL_IDLE;
    std::vector<LONG> statuses;  // every change seen, in order
    std::vector<LONG> progress;  // every change seen, in order
};

// Polls the download to its final status, pumping this thread's messages as
// the updater's owner does, and calls onPoll on every round.
Outcome Follow(CHttpDownload& download, const std::function<void(CHttpDownload&)>& onPoll = {})
{
    Outcome outcome;
    for (;;)
    {
        LONG status = download.GetStatus();
        LONG progress = download.GetProgress();
        if (outcome.statuses.empty() || outcome.statuses.back() != status)
            outcome.statuses.push_back(status);
        if (outcome.progress.empty() || outcome.progress.back() != progress)
            outcome.progress.push_back(progress);
        if (IsFinalDownloadStatus(status))
        {
            outcome.status = status;
            return outcome;
        }
        if (onPoll)
            onPoll(download);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    }
}

Outcome Download(const std::wstring& url, const std::wstring& local)
{
    CHttpDownload download(url.c_str(), local.c_str());
    return Follow(download);
}

class HttpDownloadTest : public testing::Test
{
protected:
    std::wstring Local(const wchar_t* name = L"file.bin") const { return m_folder.File(name); }

    CTempFolder m_folder;
};

TEST_F(HttpDownloadTest, FreshDownloadWritesTheWholeBody)
{
    std::string body = MakeContent(300 * 1024);
    PutServedFile(L"pub/fresh.zip", body);

    Outcome outcome = Download(ServerUrl(L"pub/fresh.zip"), Local());

    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_COMPLETE));
    EXPECT_EQ(outcome.progress.back(), 100);
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
    // One request, as the engine makes it: the program's name as agent and
    // any type accepted.
    std::vector<std::string> requests = ServerRequests();
    ASSERT_FALSE(requests.empty());
    const std::string& request = requests.back();
    EXPECT_NE(request.find("\"path\": \"/pub/fresh.zip\""), std::string::npos) << request;
    EXPECT_NE(request.find("\"User-Agent\": \"download_tests\""), std::string::npos) << request;
    EXPECT_NE(request.find("\"Accept\": \"*/*\""), std::string::npos) << request;
}

TEST_F(HttpDownloadTest, StatusStepsAndProgressRiseToComplete)
{
    std::string body = MakeContent(64 * 1024);
    PutServedFile(L"pub/steps.zip", body);

    Outcome outcome = Download(ServerUrl(L"_fault/drip=4096:10/pub/steps.zip"), Local());

    ASSERT_EQ(HexStatus(outcome.status), HexStatus(DL_COMPLETE));
    // Steps only move forward once answered: ..., 3 or 4, 4, 5.
    ASSERT_GE(outcome.statuses.size(), 2u);
    EXPECT_EQ(outcome.statuses[outcome.statuses.size() - 2], DL_RECEIVING);
    for (size_t i = 1; i < outcome.statuses.size(); ++i)
    {
        if (outcome.statuses[i - 1] >= DL_ANSWERED)
        {
            EXPECT_GT(outcome.statuses[i], outcome.statuses[i - 1]);
        }
    }
    // Progress went through values between 0 and 100, never backwards.
    EXPECT_GE(outcome.progress.size(), 4u);
    for (size_t i = 1; i < outcome.progress.size(); ++i)
        EXPECT_GT(outcome.progress[i], outcome.progress[i - 1]);
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, ResumeAppendsOnlyWhatIsMissing)
{
    std::string body = MakeContent(200 * 1024);
    PutServedFile(L"pub/resume.zip", body);
    // The part on disk differs from the body on purpose: had the engine
    // written the first bytes again, they would show.
    const size_t kOnDisk = 70001;
    m_folder.WriteBytes(L"file.bin", std::string(kOnDisk, 'X'));

    Outcome outcome = Download(ServerUrl(L"pub/resume.zip"), Local());

    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == std::string(kOnDisk, 'X') + body.substr(kOnDisk));
}

TEST_F(HttpDownloadTest, ResumeOfACompleteFileKeepsIt)
{
    std::string body = MakeContent(10000);
    PutServedFile(L"pub/whole.zip", body);
    m_folder.WriteBytes(L"file.bin", body);

    EXPECT_EQ(HexStatus(Download(ServerUrl(L"pub/whole.zip"), Local()).status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, LocalFileLongerThanTheBodyIsWrittenAgain)
{
    std::string body = MakeContent(5000);
    PutServedFile(L"pub/short.zip", body);
    m_folder.WriteBytes(L"file.bin", std::string(9000, 'X'));

    EXPECT_EQ(HexStatus(Download(ServerUrl(L"pub/short.zip"), Local()).status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, UrlWithoutSchemeIsTriedWithHttp)
{
    std::string body = MakeContent(1000);
    PutServedFile(L"pub/noscheme.zip", body);
    std::wstring url = ServerUrl(L"pub/noscheme.zip").substr(wcslen(L"http://"));

    EXPECT_EQ(HexStatus(Download(url, Local()).status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, HttpsUrlDownloadsOverTls)
{
    std::string body = MakeContent(50000);
    PutServedFile(L"pub/tls.zip", body);
    CTrustedTlsCertificate trusted;

    EXPECT_EQ(HexStatus(Download(TlsServerUrl(L"pub/tls.zip"), Local()).status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, ErrorsFoundBeforeTheWorkerAreFinalAtOnce)
{
    // A URL that parses neither as given nor with "http://" in front.
    CHttpDownload badUrl(L"http://:80/x", Local().c_str());
    EXPECT_EQ(HexStatus(badUrl.GetStatus()), HexStatus(DL_E_URL));
    EXPECT_FALSE(PathExists(Local()));

    std::wstring missingFolder = m_folder.File(L"missing\\file.bin");
    CHttpDownload badFile(ServerUrl(L"pub/any.zip").c_str(), missingFolder.c_str());
    EXPECT_EQ(HexStatus(badFile.GetStatus()), HexStatus(DL_E_LOCAL_FILE));
}

// How each kind of failing server ends, and whether a file is left.
struct FailureCase
{
    const char* name;
    const wchar_t* path;  // below the server, or a full URL
    LONG status;
    bool fileLeft;
};

TEST_F(HttpDownloadTest, FailingServersEndWithTheirCode)
{
    PutServedFile(L"pub/fail.zip", MakeContent(100 * 1024));
    const FailureCase cases[] = {
        {"nothing listening", nullptr, DL_E_REQUEST, true},
        {"404", L"pub/missing.zip", DL_E_HTTP_STATUS, true},
        {"500", L"_fault/status=500/pub/fail.zip", DL_E_HTTP_STATUS, true},
        {"no Content-Length", L"_fault/nolength/pub/fail.zip", DL_E_CANCELLED, false},
        {"body cut short", L"_fault/cut=30000/pub/fail.zip", DL_E_CANCELLED, false},
    };
    for (const FailureCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::wstring local = Local();
        DeleteFileW(local.c_str());
        std::wstring url = c.path ? ServerUrl(c.path) : ClosedPortUrl(L"pub/fail.zip");
        EXPECT_EQ(HexStatus(Download(url, local).status), HexStatus(c.status));
        EXPECT_EQ(PathExists(local), c.fileLeft);
    }
}

TEST_F(HttpDownloadTest, ConnectionResetMidBodyLeavesNoWrongBytes)
{
    std::string body = MakeContent(100 * 1024);
    PutServedFile(L"pub/reset.zip", body);

    Outcome outcome = Download(ServerUrl(L"_fault/reset=30000/pub/reset.zip"), Local());

    // A failing read keeps the part received for a later resume; a read that
    // merely ends early counts as incomplete and leaves nothing.
    if (outcome.status == DL_E_READ)
    {
        std::string part = ReadFileBytes(Local());
        EXPECT_LE(part.size(), 30000u);
        EXPECT_TRUE(part == body.substr(0, part.size()));
    }
    else
    {
        EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_E_CANCELLED));
        EXPECT_FALSE(PathExists(Local()));
    }
}

TEST_F(HttpDownloadTest, RedirectIsFollowed)
{
    std::string body = MakeContent(20000);
    PutServedFile(L"pub/moved.zip", body);

    EXPECT_EQ(HexStatus(Download(ServerUrl(L"_fault/redirect/pub/moved.zip"), Local()).status),
              HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
}

TEST_F(HttpDownloadTest, AbortDuringTheBodyStopsWritingAndLeavesNoFile)
{
    std::string body = MakeContent(400 * 1024);
    PutServedFile(L"pub/slow.zip", body);
    std::wstring local = Local();
    LONG progressAtAbort = -1;

    CHttpDownload download(ServerUrl(L"_fault/drip=4096:20/pub/slow.zip").c_str(), local.c_str());
    Outcome outcome = Follow(download, [&](CHttpDownload& d) {
        if (progressAtAbort < 0 && d.GetProgress() >= 5)
        {
            progressAtAbort = d.GetProgress();
            d.Abort();
        }
    });

    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_E_CANCELLED));
    EXPECT_FALSE(PathExists(local));
    EXPECT_LT(outcome.progress.back(), 50);
}

TEST_F(HttpDownloadTest, FullDiskEndsWithWriteErrorAndNoFile)
{
    // The Temp folder beside the program is a 2 MiB file system.
    PutServedFile(L"pub/big.zip", MakeContent(3 * 1024 * 1024));
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring local = program;
    local = local.substr(0, local.rfind(L'\\')) + L"\\Temp\\big.zip";

    Outcome outcome = Download(ServerUrl(L"pub/big.zip"), local);

    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_E_WRITE));
    EXPECT_FALSE(PathExists(local));
}

// Finds the authentication dialog that WinINet shows for this process and
// answers it: with credentials (OK), or without (Cancel).
class CAuthDialogAnswer
{
public:
    CAuthDialogAnswer(const wchar_t* user, const wchar_t* password)
        : m_user(user ? user : L""), m_password(password ? password : L""), m_bAccept(user != nullptr)
    {
        m_thread = std::thread([this] { Answer(); });
    }
    ~CAuthDialogAnswer()
    {
        m_stop = true;
        m_thread.join();
    }
    bool Seen() const { return m_seen; }

private:
    void Answer()
    {
        for (int i = 0; i < 1000 && !m_stop; ++i)
        {
            HWND dialog = FindDialog();
            if (dialog)
            {
                m_seen = true;
                if (m_bAccept)
                    FillCredentials(dialog);
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(m_bAccept ? IDOK : IDCANCEL, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    }

    static HWND FindDialog()
    {
        HWND found = nullptr;
        EnumWindows(
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(hWnd, &pid);
                wchar_t cls[16] = {};
                GetClassNameW(hWnd, cls, 16);
                if (pid == GetCurrentProcessId() && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(hWnd))
                {
                    *reinterpret_cast<HWND*>(lParam) = hWnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    // The first edit takes the user name, the second the password.
    void FillCredentials(HWND dialog)
    {
        std::vector<HWND> edits;
        EnumChildWindows(
            dialog,
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                wchar_t cls[16] = {};
                GetClassNameW(hWnd, cls, 16);
                if (_wcsicmp(cls, L"Edit") == 0)
                    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&edits));
        if (edits.size() >= 2)
        {
            SendMessageW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_user.c_str()));
            SendMessageW(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_password.c_str()));
        }
    }

    std::wstring m_user;
    std::wstring m_password;
    bool m_bAccept;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_seen{false};
    std::thread m_thread;
};

class AuthenticationTest : public HttpDownloadTest
{
protected:
    void SetUp() override
    {
        m_owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
        SetDownloadDialogOwner(m_owner);
    }
    void TearDown() override
    {
        SetDownloadDialogOwner(nullptr);
        DestroyWindow(m_owner);
    }

    HWND m_owner = nullptr;
};

TEST_F(AuthenticationTest, DismissedDialogEndsCancelledWithoutFile)
{
    PutServedFile(L"pub/secret.zip", MakeContent(10000));
    CAuthDialogAnswer answer(nullptr, nullptr);

    Outcome outcome = Download(ServerUrl(L"_fault/auth=kestrel:pass/pub/secret.zip"), Local());

    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_E_CANCELLED));
    EXPECT_FALSE(PathExists(Local()));
}

TEST_F(AuthenticationTest, CredentialsFromTheDialogAreSentAgain)
{
    std::string body = MakeContent(10000);
    PutServedFile(L"pub/secret.zip", body);
    CAuthDialogAnswer answer(L"kestrel", L"pass");

    Outcome outcome = Download(ServerUrl(L"_fault/auth=kestrel:pass/pub/secret.zip"), Local());

    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(HexStatus(outcome.status), HexStatus(DL_COMPLETE));
    EXPECT_TRUE(ReadFileBytes(Local()) == body);
    std::vector<std::string> requests = ServerRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(requests.back().find("\"Authorization\": \"Basic a2VzdHJlbDpwYXNz\""), std::string::npos)
        << requests.back();
}

}  // namespace
