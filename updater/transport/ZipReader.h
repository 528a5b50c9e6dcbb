// Reader of single-volume PKWARE zip archives: finds the end record, walks
// the central directory, checks each local header against its central
// record and delivers stored or deflated entry data with a running CRC-32.
// Format violations throw CZipException; file system failures throw
// std::system_error.
#pragma once

#include <windows.h>

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "UniqueHandle.h"
#include "ZipException.h"

// The current entry's central record, widened to u32, plus its time.
struct ZipEntryInfo
{
    DWORD dwVersionMadeBy = 0;
    DWORD dwVersionNeeded = 0;
    DWORD dwFlags = 0;
    DWORD dwMethod = 0;
    DWORD dwDosDateTime = 0;  // time in the low 16 bits, date in the high
    DWORD dwCrc32 = 0;
    DWORD dwCompressedSize = 0;
    DWORD dwUncompressedSize = 0;
    DWORD dwNameLength = 0;
    DWORD dwExtraLength = 0;
    DWORD dwCommentLength = 0;
    DWORD dwDiskStart = 0;
    DWORD dwInternalAttributes = 0;
    DWORD dwExternalAttributes = 0;
    FILETIME ftModified = {};  // the DOS stamp read as local time, in UTC
};

constexpr DWORD kZipBufferSize = 0x4000;

class CZipReader
{
public:
    CZipReader() = default;
    explicit CZipReader(const wchar_t* path);
    ~CZipReader();

    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    void Open(const wchar_t* path);
    void Close();

    void GoToFirstEntry();
    bool GoToNextEntry();

    // Copies the current record; name, extra field and comment are copied
    // up to their buffer sizes, NUL-terminated when shorter than the buffer.
    void GetCurrentEntryInfo(ZipEntryInfo* info, char* name = nullptr, DWORD nameSize = 0,
                             void* extra = nullptr, DWORD extraSize = 0, char* comment = nullptr,
                             DWORD commentSize = 0);

    void OpenCurrentEntry();
    DWORD ReadCurrentEntry(void* buffer, DWORD length);
    void CloseCurrentEntry();

    // Closes the extracted file and gives it the entry's times and attributes.
    static void UpdateEntryFileStatus(CFileHandle& file, const wchar_t* filePath,
                                      const ZipEntryInfo& info);

    bool m_bTrackAllocations = true;
    DWORD m_nEntries = 0;
    DWORD m_nCommentSize = 0;
    DWORD m_nPrefixBytes = 0;
    DWORD m_nCurrentEntry = 0;
    DWORD m_nCurrentEntryPos = 0;
    bool m_bCurrentEntryOK = false;
    DWORD m_nEndRecordPos = 0;
    DWORD m_nCentralDirSize = 0;
    DWORD m_nCentralDirOffset = 0;

private:
    struct OpenEntry
    {
        std::unique_ptr<BYTE[]> pInput{new BYTE[kZipBufferSize]};
        z_stream stream = {};
        DWORD dwDataPos = 0;  // next compressed byte, relative to the archive proper
        bool bStreamInitialised = false;
        DWORD dwLocalExtraPos = 0;
        DWORD dwLocalExtraSize = 0;
        DWORD dwCrc32 = 0;
        DWORD dwExpectedCrc32 = 0;
        DWORD dwCompressedLeft = 0;
        DWORD dwUncompressedLeft = 0;
        DWORD dwMethod = 0;
        DWORD dwPrefixBytes = 0;
    };

    [[noreturn]] void Fail(int code) const;
    bool IsOpen() const { return m_file.IsValid(); }
    void Seek(DWORD position);
    void ReadExact(void* buffer, DWORD length);  // a short read is a bad archive
    DWORD LocateEndRecord(DWORD fileSize);
    void ReadCurrentRecord(char* name, DWORD nameSize, void* extra, DWORD extraSize,
                           char* comment, DWORD commentSize);
    void CheckLocalHeader(OpenEntry& entry);
    void FreeOpenEntry();

    static voidpf Allocate(voidpf opaque, uInt items, uInt size);
    static void Free(voidpf opaque, voidpf block);

    CFileHandle m_file;
    std::wstring m_strPath;
    std::vector<void*> m_aAllocations;
    ZipEntryInfo m_info;
    DWORD m_nLocalHeaderOffset = 0;
    std::unique_ptr<OpenEntry> m_pOpenEntry;
};
