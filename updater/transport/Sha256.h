// SHA-256 through CryptoAPI's AES provider: the packages' hashes and the
// index's signature are checked with it.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "UniqueHandle.h"

using Sha256Digest = std::array<BYTE, 32>;

class CSha256
{
public:
    // Acquires the provider and starts a hash; false when the platform
    // offers no SHA-256.
    bool Start();
    bool Add(const void* data, size_t bytes);
    // The digest of everything added; the hash cannot take more afterwards.
    bool Finish(Sha256Digest& digest);

    HCRYPTPROV Provider() const { return m_provider.Get(); }
    HCRYPTHASH Hash() const { return m_hash.Get(); }

private:
    CCryptContext m_provider;
    CCryptHash m_hash;
};

// The digest and the length of a whole file; false when the file cannot be
// read or the platform cannot hash.
bool HashFileSha256(const wchar_t* path, Sha256Digest& digest, ULONGLONG& bytes);
