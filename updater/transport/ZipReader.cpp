#include "ZipReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

constexpr DWORD kEndRecordSignature = 0x06054B50;
constexpr DWORD kCentralSignature = 0x02014B50;
constexpr DWORD kLocalSignature = 0x04034B50;
constexpr DWORD kEndRecordSize = 22;
constexpr DWORD kCentralRecordSize = 46;
constexpr DWORD kLocalHeaderSize = 30;
constexpr DWORD kEndSearchSpan = 0xFFFF;
constexpr DWORD kEndSearchStep = 1024;
constexpr DWORD kEndSearchWindow = kEndSearchStep + 4;  // overlap catches a split signature
constexpr DWORD kFlagDataDescriptor = 0x0008;
constexpr DWORD kMethodStored = 0;
constexpr DWORD kMethodDeflated = 8;

DWORD U16(const BYTE* p)
{
    return p[0] | (p[1] << 8);
}

DWORD U32(const BYTE* p)
{
    return U16(p) | (U16(p + 2) << 16);
}

[[noreturn]] void ThrowLastError(const char* what)
{
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// The DOS stamp is local time; the system decides daylight saving for that date.
FILETIME DosStampToFileTime(DWORD dosDateTime)
{
    const DWORD time = dosDateTime & 0xFFFF;
    const DWORD date = dosDateTime >> 16;
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>((date >> 9) + 1980);
    local.wMonth = static_cast<WORD>((date >> 5) & 0x0F);
    local.wDay = static_cast<WORD>(date & 0x1F);
    local.wHour = static_cast<WORD>(time >> 11);
    local.wMinute = static_cast<WORD>((time >> 5) & 0x3F);
    local.wSecond = static_cast<WORD>((time & 0x1F) * 2);
    SYSTEMTIME utc;
    FILETIME result = {};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &result))
        result = FILETIME();
    return result;
}

}  // namespace

CZipReader::CZipReader(const wchar_t* path)
{
    Open(path);
}

CZipReader::~CZipReader()
{
    FreeOpenEntry();
    m_file.Reset();
    for (void* block : m_aAllocations)
        std::free(block);
}

void CZipReader::Fail(int code) const
{
    throw CZipException(CZipException::CauseFromCode(code), m_strPath);
}

void CZipReader::Open(const wchar_t* path)
{
    if (IsOpen())
        return;
    m_file.Reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!IsOpen())
        ThrowLastError("CZipReader::Open");
    m_strPath = path;

    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file.Get(), &size))
        ThrowLastError("CZipReader::Open");
    if (size.QuadPart > 0xFFFFFFFFLL)
        Fail(kZipCodeBadArchive);
    m_nEndRecordPos = LocateEndRecord(static_cast<DWORD>(size.QuadPart));

    BYTE record[kEndRecordSize];
    Seek(m_nEndRecordPos);
    ReadExact(record, sizeof(record));
    const DWORD thisDisk = U16(record + 4);
    const DWORD centralDisk = U16(record + 6);
    const DWORD entriesOnDisk = U16(record + 8);
    m_nEntries = U16(record + 10);
    m_nCentralDirSize = U32(record + 12);
    m_nCentralDirOffset = U32(record + 16);
    m_nCommentSize = U16(record + 20);
    const ULONGLONG centralEnd = ULONGLONG(m_nCentralDirOffset) + m_nCentralDirSize;
    if (thisDisk != 0 || centralDisk != 0 || entriesOnDisk != m_nEntries ||
        m_nEndRecordPos < centralEnd)
        Fail(kZipCodeBadArchive);
    m_nPrefixBytes = m_nEndRecordPos - static_cast<DWORD>(centralEnd);

    GoToFirstEntry();
}

DWORD CZipReader::LocateEndRecord(DWORD fileSize)
{
    const DWORD span = std::min(fileSize, kEndSearchSpan);
    BYTE window[kEndSearchWindow];
    DWORD back = 4;
    while (back < span)
    {
        back = std::min(back + kEndSearchStep, span);
        const DWORD start = fileSize - back;
        const DWORD length = std::min(kEndSearchWindow, fileSize - start);
        Seek(start);
        ReadExact(window, length);
        for (DWORD i = length - 3; i-- > 0;)
        {
            if (U32(window + i) == kEndRecordSignature)
            {
                if (start + i == 0)
                    Fail(kZipCodeBadArchive);
                return start + i;
            }
        }
    }
    Fail(kZipCodeBadArchive);
}

void CZipReader::Close()
{
    if (m_pOpenEntry)
        CloseCurrentEntry();
    m_file.Reset();
    m_bCurrentEntryOK = false;
}

void CZipReader::Seek(DWORD position)
{
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN))
        ThrowLastError("CZipReader::Seek");
}

void CZipReader::ReadExact(void* buffer, DWORD length)
{
    DWORD read = 0;
    if (!ReadFile(m_file.Get(), buffer, length, &read, nullptr))
        ThrowLastError("CZipReader::Read");
    if (read != length)
        Fail(kZipCodeBadArchive);
}

void CZipReader::GoToFirstEntry()
{
    if (!IsOpen())
        Fail(kZipCodeBadParam);
    m_nCurrentEntry = 0;
    m_nCurrentEntryPos = m_nCentralDirOffset;
    ReadCurrentRecord(nullptr, 0, nullptr, 0, nullptr, 0);
    m_bCurrentEntryOK = true;
}

bool CZipReader::GoToNextEntry()
{
    if (!m_bCurrentEntryOK || m_nCurrentEntry + 1 >= m_nEntries)
        return false;
    const ULONGLONG next = ULONGLONG(m_nCurrentEntryPos) + kCentralRecordSize +
                           m_info.dwNameLength + m_info.dwExtraLength + m_info.dwCommentLength;
    if (next > 0xFFFFFFFFULL)
        Fail(kZipCodeBadArchive);
    ++m_nCurrentEntry;
    m_nCurrentEntryPos = static_cast<DWORD>(next);
    m_bCurrentEntryOK = false;
    ReadCurrentRecord(nullptr, 0, nullptr, 0, nullptr, 0);
    m_bCurrentEntryOK = true;
    return true;
}

void CZipReader::ReadCurrentRecord(char* name, DWORD nameSize, void* extra, DWORD extraSize,
                                   char* comment, DWORD commentSize)
{
    const ULONGLONG position = ULONGLONG(m_nCurrentEntryPos) + m_nPrefixBytes;
    if (position > 0xFFFFFFFFULL)
        Fail(kZipCodeBadArchive);
    Seek(static_cast<DWORD>(position));

    BYTE record[kCentralRecordSize];
    ReadExact(record, sizeof(record));
    if (U32(record) != kCentralSignature)
        Fail(kZipCodeBadArchive);
    ZipEntryInfo info;
    info.dwVersionMadeBy = U16(record + 4);
    info.dwVersionNeeded = U16(record + 6);
    info.dwFlags = U16(record + 8);
    info.dwMethod = U16(record + 10);
    info.dwDosDateTime = U32(record + 12);
    info.dwCrc32 = U32(record + 16);
    info.dwCompressedSize = U32(record + 20);
    info.dwUncompressedSize = U32(record + 24);
    info.dwNameLength = U16(record + 28);
    info.dwExtraLength = U16(record + 30);
    info.dwCommentLength = U16(record + 32);
    info.dwDiskStart = U16(record + 34);
    info.dwInternalAttributes = U16(record + 36);
    info.dwExternalAttributes = U32(record + 38);
    info.ftModified = DosStampToFileTime(info.dwDosDateTime);
    m_info = info;
    m_nLocalHeaderOffset = U32(record + 42);

    // Each part is read into its buffer when one is given, else skipped.
    struct Part
    {
        void* buffer;
        DWORD size;
        DWORD length;
    };
    const Part parts[] = {
        {name, nameSize, info.dwNameLength},
        {extra, extraSize, info.dwExtraLength},
        {comment, commentSize, info.dwCommentLength},
    };
    DWORD skipped = 0;
    for (const Part& part : parts)
    {
        if (!part.buffer || part.size == 0)
        {
            skipped += part.length;
            continue;
        }
        if (skipped)
        {
            LARGE_INTEGER by;
            by.QuadPart = skipped;
            SetFilePointerEx(m_file.Get(), by, nullptr, FILE_CURRENT);
            skipped = 0;
        }
        const DWORD copied = std::min(part.size, part.length);
        ReadExact(part.buffer, copied);
        if (copied < part.size)
            static_cast<char*>(part.buffer)[copied] = '\0';
        skipped += part.length - copied;
    }
}

void CZipReader::GetCurrentEntryInfo(ZipEntryInfo* info, char* name, DWORD nameSize,
                                     void* extra, DWORD extraSize, char* comment,
                                     DWORD commentSize)
{
    if (!m_bCurrentEntryOK)
        Fail(kZipCodeBadParam);
    if (name || extra || comment)
        ReadCurrentRecord(name, nameSize, extra, extraSize, comment, commentSize);
    if (info)
        *info = m_info;
}

void CZipReader::CheckLocalHeader(OpenEntry& entry)
{
    const ULONGLONG position = ULONGLONG(m_nPrefixBytes) + m_nLocalHeaderOffset;
    if (position > 0xFFFFFFFFULL)
        Fail(kZipCodeBadArchive);
    Seek(static_cast<DWORD>(position));
    BYTE header[kLocalHeaderSize];
    ReadExact(header, sizeof(header));

    const DWORD flags = U16(header + 6);
    const DWORD method = U16(header + 8);
    const bool sizesLater = (flags & kFlagDataDescriptor) != 0;
    if (U32(header) != kLocalSignature)
        Fail(kZipCodeBadArchive);
    if (method != m_info.dwMethod || (method != kMethodStored && method != kMethodDeflated))
        Fail(kZipCodeBadArchive);
    if (!sizesLater && (U32(header + 14) != m_info.dwCrc32 ||
                        U32(header + 18) != m_info.dwCompressedSize ||
                        U32(header + 22) != m_info.dwUncompressedSize))
        Fail(kZipCodeBadArchive);
    const DWORD nameLength = U16(header + 26);
    const DWORD extraLength = U16(header + 28);
    if (nameLength != m_info.dwNameLength)
        Fail(kZipCodeBadArchive);

    const ULONGLONG dataPos =
        ULONGLONG(m_nLocalHeaderOffset) + kLocalHeaderSize + nameLength + extraLength;
    if (dataPos + m_nPrefixBytes > 0xFFFFFFFFULL)
        Fail(kZipCodeBadArchive);
    entry.dwLocalExtraPos = m_nLocalHeaderOffset + kLocalHeaderSize + nameLength;
    entry.dwLocalExtraSize = extraLength;
    entry.dwDataPos = static_cast<DWORD>(dataPos);
}

void CZipReader::OpenCurrentEntry()
{
    if (!m_bCurrentEntryOK)
        Fail(kZipCodeBadParam);
    if (m_pOpenEntry)
        CloseCurrentEntry();

    auto entry = std::make_unique<OpenEntry>();
    CheckLocalHeader(*entry);
    entry->dwExpectedCrc32 = m_info.dwCrc32;
    entry->dwCompressedLeft = m_info.dwCompressedSize;
    entry->dwUncompressedLeft = m_info.dwUncompressedSize;
    entry->dwMethod = m_info.dwMethod;
    entry->dwPrefixBytes = m_nPrefixBytes;
    entry->dwCrc32 = crc32(0, nullptr, 0);
    m_pOpenEntry = std::move(entry);

    if (m_pOpenEntry->dwMethod == kMethodDeflated)
    {
        z_stream& stream = m_pOpenEntry->stream;
        stream.zalloc = &CZipReader::Allocate;
        stream.zfree = &CZipReader::Free;
        stream.opaque = this;
        // Raw deflate: zip entries carry no zlib header.
        int result = inflateInit2_(&stream, -MAX_WBITS, ZLIB_VERSION, sizeof(z_stream));
        if (result != Z_OK)
            Fail(result);
        m_pOpenEntry->bStreamInitialised = true;
    }
}

DWORD CZipReader::ReadCurrentEntry(void* buffer, DWORD length)
{
    if (!m_pOpenEntry)
        Fail(kZipCodeBadParam);
    if (!buffer || length == 0)
        return 0;

    OpenEntry& entry = *m_pOpenEntry;
    z_stream& stream = entry.stream;
    stream.next_out = static_cast<Bytef*>(buffer);
    stream.avail_out = std::min(length, entry.dwUncompressedLeft);
    DWORD delivered = 0;

    while (stream.avail_out > 0)
    {
        if (stream.avail_in == 0 && entry.dwCompressedLeft > 0)
        {
            const DWORD chunk = std::min(entry.dwCompressedLeft, kZipBufferSize);
            Seek(entry.dwPrefixBytes + entry.dwDataPos);
            ReadExact(entry.pInput.get(), chunk);
            entry.dwDataPos += chunk;
            entry.dwCompressedLeft -= chunk;
            stream.next_in = entry.pInput.get();
            stream.avail_in = chunk;
        }

        Bytef* const out = stream.next_out;
        DWORD produced = 0;
        int result = Z_OK;
        if (entry.dwMethod == kMethodStored)
        {
            produced = std::min(stream.avail_out, stream.avail_in);
            if (produced == 0)
                Fail(kZipCodeBadArchive);  // data ends before the stated size
            std::memcpy(out, stream.next_in, produced);
            stream.next_in += produced;
            stream.avail_in -= produced;
            stream.next_out += produced;
            stream.avail_out -= produced;
        }
        else
        {
            const uInt spaceBefore = stream.avail_out;
            result = inflate(&stream, Z_SYNC_FLUSH);
            produced = spaceBefore - stream.avail_out;
        }

        entry.dwCrc32 = crc32(entry.dwCrc32, out, produced);
        entry.dwUncompressedLeft -= produced;
        delivered += produced;

        if (result == Z_STREAM_END)
        {
            // A stream that ends short of the stated size is a truncated file.
            if (entry.dwUncompressedLeft > 0)
                Fail(kZipCodeBadArchive);
            return delivered;
        }
        // Raw inflation never asks for a dictionary; going on would only spin.
        if (result != Z_OK)
            Fail(result);
    }
    return delivered;
}

void CZipReader::CloseCurrentEntry()
{
    if (!m_pOpenEntry)
        Fail(kZipCodeBadParam);
    // The state stays after a mismatch; destruction frees it.
    if (m_pOpenEntry->dwUncompressedLeft == 0 &&
        m_pOpenEntry->dwCrc32 != m_pOpenEntry->dwExpectedCrc32)
        Fail(kZipCodeBadCrc);
    FreeOpenEntry();
}

void CZipReader::FreeOpenEntry()
{
    if (m_pOpenEntry && m_pOpenEntry->bStreamInitialised)
        inflateEnd(&m_pOpenEntry->stream);
    m_pOpenEntry.reset();
}

void CZipReader::UpdateEntryFileStatus(CFileHandle& file, const wchar_t* filePath,
                                       const ZipEntryInfo& info)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const bool hasStamp = info.ftModified.dwLowDateTime || info.ftModified.dwHighDateTime;
    SetFileTime(file.Get(), &now, &now, hasStamp ? &info.ftModified : nullptr);
    file.Reset();
    SetFileAttributesW(filePath, info.dwExternalAttributes);
}

voidpf CZipReader::Allocate(voidpf opaque, uInt items, uInt size)
{
    if (size != 0 && items > SIZE_MAX / size)
        return nullptr;
    void* block = std::malloc(size_t(items) * size);
    auto* reader = static_cast<CZipReader*>(opaque);
    if (!block || !reader->m_bTrackAllocations)
        return block;
    // Nothing may be thrown through zlib's C frames.
    try
    {
        reader->m_aAllocations.push_back(block);
    }
    catch (...)
    {
        std::free(block);
        return nullptr;
    }
    return block;
}

void CZipReader::Free(voidpf opaque, voidpf block)
{
    auto* reader = static_cast<CZipReader*>(opaque);
    auto found = std::find(reader->m_aAllocations.begin(), reader->m_aAllocations.end(), block);
    if (found != reader->m_aAllocations.end())
        reader->m_aAllocations.erase(found);
    std::free(block);
}
