#include "IndexTrust.h"

#include <gtest/gtest.h>

#include "HttpDownload.h"
#include "TestFiles.h"

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

}  // namespace
