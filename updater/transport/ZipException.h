// The zip reader's one failure type. It is thrown only inside the reader and
// caught by the unpacking worker; nothing outside transport sees it.
#pragma once

#include <string>

enum ZipCause : int
{
    kZipGeneric = 1,
    kZipStreamEnd = 2,
    kZipNeedDict = 3,
    kZipErrno = 4,
    kZipStreamError = 5,
    kZipDataError = 6,
    kZipMemError = 7,
    kZipBufError = 8,
    kZipVersionError = 9,
    kZipBadParam = 10,
    kZipBadArchive = 11,
    kZipBadCrc = 12,
};

// Internal result codes of the reader; zlib's own codes share the mapping.
constexpr int kZipCodeBadParam = -102;
constexpr int kZipCodeBadArchive = -103;
constexpr int kZipCodeBadCrc = -105;

class CZipException
{
public:
    CZipException(int cause, std::wstring archivePath)
        : m_nCause(cause), m_strFileName(std::move(archivePath))
    {
    }

    // Maps a zlib result or one of the reader's internal codes to a cause.
    static int CauseFromCode(int code);

    int m_nCause;
    std::wstring m_strFileName;  // empty when no archive was open
};
