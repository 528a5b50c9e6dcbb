#include "IndexTrust.h"

#include <gtest/gtest.h>

#include "HttpDownload.h"
#include "TestFiles.h"
#include "TraceCapture.h"

namespace {

TEST(IndexTrust, SignaturePolicy)
{
    struct Case
    {
        bool key;
        LONG status;
        SignatureCheck check;
        LONG result;
    };
    const Case cases[] = {
        {false, 0, SignatureCheck::NotChecked, DL_COMPLETE},
        {true, DL_COMPLETE, SignatureCheck::Valid, DL_COMPLETE},
        {true, DL_COMPLETE, SignatureCheck::Wrong, INDEX_E_SIGNATURE},
        {true, DL_COMPLETE, SignatureCheck::Malformed, INDEX_E_SIGNATURE},
        {true, DL_COMPLETE, SignatureCheck::BadKey, INDEX_E_SIGNATURE},
        {true, DL_COMPLETE, SignatureCheck::NotChecked, INDEX_E_SIGNATURE},
        {true, DL_E_HTTP_STATUS, SignatureCheck::NotChecked, INDEX_E_SIGNATURE},
        {true, DL_E_LOCAL_FILE, SignatureCheck::NotChecked, INDEX_E_SIGNATURE},
        {true, DL_E_REQUEST, SignatureCheck::NotChecked, DL_E_REQUEST},
        {true, DL_E_CANCELLED, SignatureCheck::NotChecked, DL_E_CANCELLED},
        {true, 0, SignatureCheck::NotChecked, DL_E_CANCELLED},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexStatus(JudgeIndexSignature(c.key, c.status, c.check)), HexStatus(c.result))
            << c.key << " " << HexStatus(c.status) << " " << static_cast<int>(c.check);
}

// An owner that fails the test when anything is downloaded or shown.
class CNoDownloadOwner : public IDownloadOwner
{
public:
    LONG ReadCancel() override { return 0; }
    HWND GetProgressWindow() override { return nullptr; }
    void SetStatusText(int, const wchar_t*) override { ADD_FAILURE() << "status line"; }
    std::wstring LoadText(UINT) override { return std::wstring(); }
    void AppendHistoryLog(BOOL, const wchar_t*, int, const wchar_t*) override
    {
        ADD_FAILURE() << "history record";
    }
};

TEST(IndexTrust, BuildWithoutKeyTakesTheIndexAndSaysSo)
{
    // The test program carries no key resource; nothing listens at this
    // address, so a download attempt would fail instead of passing.
    ASSERT_TRUE(GetSigningKey().empty());
    CTraceCapture trace;
    CNoDownloadOwner owner;
    DownloadLocation index{L"http://127.0.0.1:9/index.idx", L"Z:\\nonexistent\\index.idx"};
    EXPECT_EQ(CheckIndexSignature(owner, index), DL_COMPLETE);
    EXPECT_EQ(trace.Lines(), std::vector<std::wstring>{
        L"CheckIndexSignature - no signing key built in: unsigned indexes are accepted"});
}

}  // namespace
