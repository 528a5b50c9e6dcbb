#include "SignatureCheck.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"

namespace {

// Made at build time by `openssl dgst -sha256 -sign` (CMakeLists.txt).
std::string Fixture(const wchar_t* name)
{
    std::wstring path = L"Z:" KESTREL_SIGNATURE_FIXTURES L"/";
    path += name;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    std::string bytes = ReadFileBytes(path);
    EXPECT_FALSE(bytes.empty()) << Narrow(path);
    return bytes;
}

class SignatureCheckTest : public testing::Test
{
protected:
    const std::string m_key = Fixture(L"test-signing-key.pub.pem");
    const std::string m_index = Fixture(L"signed.idx");
    const std::string m_signature = Fixture(L"signed.idx.sig");
};

TEST_F(SignatureCheckTest, OpensslSignatureVerifies)
{
    ASSERT_EQ(m_signature.size(), 256u);
    EXPECT_EQ(VerifySignature(m_key, m_index, m_signature), SignatureCheck::Valid);
}

TEST_F(SignatureCheckTest, EveryOtherSignatureIsRejected)
{
    std::string changed = m_index;
    changed[changed.size() / 2] ^= 1;
    std::string flipped = m_signature;
    flipped[100] ^= 0x80;
    struct Case
    {
        const char* what;
        std::string data;
        std::string signature;
        SignatureCheck check;
    };
    const Case cases[] = {
        {"a changed byte of the index", changed, m_signature, SignatureCheck::Wrong},
        {"a changed byte of the signature", m_index, flipped, SignatureCheck::Wrong},
        {"the second key's signature", m_index, Fixture(L"other-key.sig"), SignatureCheck::Wrong},
        {"another file's signature", m_index, Fixture(L"other-file.sig"), SignatureCheck::Wrong},
        // CryptoAPI reads the blob reversed: openssl's order as it is fails.
        {"bytes not reversed", m_index, ReversedBytes(m_signature), SignatureCheck::Wrong},
        {"truncated", m_index, m_signature.substr(0, 255), SignatureCheck::Malformed},
        {"one byte more", m_index, m_signature + '\0', SignatureCheck::Malformed},
        {"empty", m_index, "", SignatureCheck::Malformed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerifySignature(m_key, c.data, c.signature), c.check) << c.what;
}

TEST_F(SignatureCheckTest, WeakOrBrokenKeysVerifyNothing)
{
    std::string broken = m_key;
    broken[40] = '*';
    EXPECT_EQ(VerifySignature(Fixture(L"short-key.pub.pem"), m_index, Fixture(L"short-key.sig")),
              SignatureCheck::BadKey);
    EXPECT_EQ(VerifySignature(broken, m_index, m_signature), SignatureCheck::BadKey);
    EXPECT_EQ(VerifySignature("", m_index, m_signature), SignatureCheck::BadKey);
}

}  // namespace
