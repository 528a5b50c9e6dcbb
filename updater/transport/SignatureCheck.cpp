#include "SignatureCheck.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "Sha256.h"
#include "UniqueHandle.h"

namespace {

// The key's DER bytes out of its PEM text.
bool DecodePem(const std::string& pem, std::vector<BYTE>& der)
{
    DWORD length = 0;
    if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &length, nullptr, nullptr))
        return false;
    der.resize(length);
    return CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()),
                                CRYPT_STRING_BASE64HEADER, der.data(), &length, nullptr,
                                nullptr) != FALSE;
}

bool ImportPublicKey(HCRYPTPROV provider, const std::string& pem, CCryptKey& key)
{
    std::vector<BYTE> der;
    if (!DecodePem(pem, der))
        return false;
    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD infoLength = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &info, &infoLength))
        return false;
    BOOL imported = CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, key.Put());
    LocalFree(info);
    return imported != FALSE;
}

DWORD KeyBits(HCRYPTKEY key)
{
    DWORD bits = 0;
    DWORD length = sizeof(bits);
    if (!CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &length, 0))
        return 0;
    return bits;
}

}  // namespace

std::string ReversedBytes(const std::string& bytes)
{
    return std::string(bytes.rbegin(), bytes.rend());
}

SignatureCheck VerifySignature(const std::string& publicKeyPem, const std::string& data,
                               const std::string& signature)
{
    CSha256 hash;
    if (!hash.Start())
        return SignatureCheck::NotChecked;
    CCryptKey key;
    if (!ImportPublicKey(hash.Provider(), publicKeyPem, key))
        return SignatureCheck::BadKey;
    const DWORD bits = KeyBits(key.Get());
    if (bits < kMinSigningKeyBits)
        return SignatureCheck::BadKey;
    if (signature.size() != bits / 8)
        return SignatureCheck::Malformed;
    if (!hash.Add(data.data(), data.size()))
        return SignatureCheck::NotChecked;
    const std::string reversed = ReversedBytes(signature);
    return CryptVerifySignatureW(hash.Hash(), reinterpret_cast<const BYTE*>(reversed.data()),
                                 static_cast<DWORD>(reversed.size()), key.Get(), nullptr, 0)
               ? SignatureCheck::Valid
               : SignatureCheck::Wrong;
}
