#include "Sha256.h"

#include <vector>

namespace {

constexpr DWORD kReadBytes = 1 << 20;

}  // namespace

bool CSha256::Start()
{
    m_hash.Reset();
    if (!m_provider &&
        !CryptAcquireContextW(m_provider.Put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return false;
    return CryptCreateHash(m_provider.Get(), CALG_SHA_256, 0, 0, m_hash.Put()) != FALSE;
}

bool CSha256::Add(const void* data, size_t bytes)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    while (bytes > 0)
    {
        DWORD step = bytes > kReadBytes ? kReadBytes : static_cast<DWORD>(bytes);
        if (!CryptHashData(m_hash.Get(), p, step, 0))
            return false;
        p += step;
        bytes -= step;
    }
    return true;
}

bool CSha256::Finish(Sha256Digest& digest)
{
    DWORD length = static_cast<DWORD>(digest.size());
    return CryptGetHashParam(m_hash.Get(), HP_HASHVAL, digest.data(), &length, 0) &&
           length == digest.size();
}

bool HashFileSha256(const wchar_t* path, Sha256Digest& digest, ULONGLONG& bytes)
{
    bytes = 0;
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    CSha256 hash;
    if (!file || !hash.Start())
        return false;
    std::vector<BYTE> buffer(kReadBytes);
    for (;;)
    {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer.data(), kReadBytes, &read, nullptr))
            return false;
        if (read == 0)
            break;
        if (!hash.Add(buffer.data(), read))
            return false;
        bytes += read;
    }
    return hash.Finish(digest);
}
