#include "HistoryLog.h"

#include <iterator>

#include "ProgramFolder.h"
#include "UniqueHandle.h"
#include "XmlEscape.h"

namespace {

// Another process may be appending at the same moment; it holds the file for
// a few milliseconds, so waiting up to about two seconds loses no record.
constexpr int kOpenAttempts = 100;
constexpr DWORD kOpenRetryPauseMs = 20;

constexpr wchar_t kOpeningLine[] = L"<logs sync=\"1\">\r\n";
constexpr wchar_t kClosingLine[] = L"</logs>\r\n";
constexpr wchar_t kRecordLineEnd[] = L"</log>\r\n";
constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};

constexpr DWORD UnitBytes(size_t units)
{
    return static_cast<DWORD>(units * sizeof(wchar_t));
}
constexpr DWORD kOpeningBytes = sizeof(kByteOrderMark) + UnitBytes(std::size(kOpeningLine) - 1);
constexpr DWORD kClosingLineBytes = UnitBytes(std::size(kClosingLine) - 1);
static_assert(kOpeningBytes == 36 && kClosingLineBytes == 18, "the file's fixed lines");
// A cut line is shorter than a whole one, so the last whole record line of a
// cut log ends within this many bytes of the file's end.
constexpr DWORD kTailBytes = UnitBytes(kMaxHistoryLineChars + std::size(kClosingLine));

DWORD CurrentUnixTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    constexpr ULONGLONG kTicksTo1970 = 116444736000000000ULL;
    return static_cast<DWORD>((ticks.QuadPart - kTicksTo1970) / 10000000ULL);
}

bool WriteBytes(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool WriteText(HANDLE file, const std::wstring& text)
{
    return WriteBytes(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

bool WriteSyncFlag(HANDLE file, char flag)
{
    return SetFilePointer(file, kSyncFlagOffset, nullptr, FILE_BEGIN) == kSyncFlagOffset &&
           WriteBytes(file, &flag, 1);
}

bool MoveTo(HANDLE file, LONGLONG offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != FALSE;
}

// The UTF-16 text of bytes [offset, offset + bytes); empty when unreadable.
std::wstring ReadText(HANDLE file, LONGLONG offset, DWORD bytes)
{
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    if (!MoveTo(file, offset) || !ReadFile(file, &text[0], UnitBytes(text.size()), &read, nullptr) ||
        read != UnitBytes(text.size()))
        return std::wstring();
    return text;
}

bool HasWholeOpening(HANDLE file)
{
    std::wstring opening = ReadText(file, 0, kOpeningBytes);
    if (opening.size() != kOpeningBytes / sizeof(wchar_t))
        return false;
    // The flag, after the byte order mark and `<logs sync="`, may read either way.
    opening[kSyncFlagOffset / sizeof(wchar_t)] = L'1';
    return opening == std::wstring(1, L'\xFEFF') + kOpeningLine;
}

// Where the next record goes in an existing file of the given size: before
// the closing line of a whole log, after the last whole record line of a
// cut one, or 0 when not even the opening line is whole.
LONGLONG FindAppendOffset(HANDLE file, LONGLONG size)
{
    if (size < kOpeningBytes || !HasWholeOpening(file))
        return 0;
    LONGLONG closing = size - kClosingLineBytes;
    if (closing >= kOpeningBytes && closing % sizeof(wchar_t) == 0 &&
        ReadText(file, closing, kClosingLineBytes) == kClosingLine)
        return closing;
    LONGLONG tail = size > kOpeningBytes + kTailBytes ? (size - kTailBytes) & ~1LL : kOpeningBytes;
    std::wstring text = ReadText(file, tail, static_cast<DWORD>(size - tail));
    size_t lineEnd = text.rfind(kRecordLineEnd);
    if (lineEnd == std::wstring::npos)
        return tail;
    return tail + UnitBytes(lineEnd + std::size(kRecordLineEnd) - 1);
}

CFileHandle OpenForAppend(const wchar_t* path, bool& existed)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
    {
        CFileHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD error = GetLastError();
        if (file)
        {
            existed = error == ERROR_ALREADY_EXISTS;
            return file;
        }
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
            break;
        Sleep(kOpenRetryPauseMs);
    }
    return CFileHandle();
}

}  // namespace

std::wstring GetHistoryLogPath()
{
    return GetProgramFolder() + kHistoryLogName;
}

std::wstring FormatHistoryRecord(DWORD time, BOOL status, const wchar_t* text, int type,
                                 const wchar_t* name)
{
    std::wstring head = L"<log time=\"" + std::to_wstring(static_cast<LONG>(time)) +
                        L"\" status=\"" + (status ? L"1" : L"0") + L"\"";
    bool fullForm = type != kHistoryNoItem;
    if (fullForm)
        head += L" type=\"" + std::to_wstring(type) + L"\" name=\"";
    const std::wstring headEnd = fullForm ? L"\">" : L">";
    const std::wstring tail = L" </log>\r\n";

    size_t fixed = head.size() + headEnd.size() + 1 + tail.size();
    std::wstring line = head;
    if (fullForm)
        AppendEscapedXml(line, name, kMaxHistoryLineChars - fixed);
    line += headEnd;
    line += L' ';
    AppendEscapedXml(line, text, kMaxHistoryLineChars - (line.size() + tail.size()));
    line += tail;
    return line;
}

bool AppendHistoryLog(const wchar_t* logPath, BOOL status, const wchar_t* text, int type,
                      const wchar_t* name)
{
    bool existed = false;
    CFileHandle file = OpenForAppend(logPath, existed);
    if (!file)
        return false;

    LONGLONG offset = 0;
    LARGE_INTEGER size = {};
    if (existed && GetFileSizeEx(file.Get(), &size))
        offset = FindAppendOffset(file.Get(), size.QuadPart);

    bool ok;
    if (offset > 0)
    {
        ok = WriteSyncFlag(file.Get(), '1') && MoveTo(file.Get(), offset);
    }
    else
    {
        ok = MoveTo(file.Get(), 0) &&
             WriteBytes(file.Get(), kByteOrderMark, sizeof(kByteOrderMark)) &&
             WriteText(file.Get(), kOpeningLine);
    }
    // The end is set after the closing line: a cut line may have been longer
    // than what replaces it.
    ok = ok && WriteText(file.Get(), FormatHistoryRecord(CurrentUnixTime(), status, text, type, name)) &&
         WriteText(file.Get(), kClosingLine) && SetEndOfFile(file.Get());
    // Lowered even after a failed write, so that Clear does not wait for a
    // writer that is gone.
    ok = WriteSyncFlag(file.Get(), '0') && ok;
    FlushFileBuffers(file.Get());
    file.Reset();

    SendMessageW(HWND_BROADCAST, GetLogChangedMessage(), 0, 0);
    return ok;
}

bool AppendHistoryLog(BOOL status, const wchar_t* text, int type, const wchar_t* name)
{
    return AppendHistoryLog(GetHistoryLogPath().c_str(), status, text, type, name);
}

UINT GetLogChangedMessage()
{
    static const UINT message = RegisterWindowMessageW(kLogChangedMessageName);
    return message;
}
