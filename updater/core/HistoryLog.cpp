#include "HistoryLog.h"

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
constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};

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

CFileHandle OpenForAppend(const wchar_t* path, bool& existed)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
    {
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
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

    // A file too short to hold the opening and closing lines (left empty by a
    // crash, say) holds no record; it is started again.
    LARGE_INTEGER size = {};
    if (existed && (!GetFileSizeEx(file.Get(), &size) ||
                    size.QuadPart < kOpeningBytes + kClosingLineBytes))
    {
        SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
        SetEndOfFile(file.Get());
        existed = false;
    }

    bool ok;
    if (existed)
    {
        ok = WriteSyncFlag(file.Get(), '1') &&
             SetFilePointer(file.Get(), -static_cast<LONG>(kClosingLineBytes), nullptr,
                            FILE_END) != INVALID_SET_FILE_POINTER;
    }
    else
    {
        ok = WriteBytes(file.Get(), kByteOrderMark, sizeof(kByteOrderMark)) &&
             WriteText(file.Get(), kOpeningLine);
    }
    ok = ok && WriteText(file.Get(), FormatHistoryRecord(CurrentUnixTime(), status, text, type, name)) &&
         WriteText(file.Get(), kClosingLine) && WriteSyncFlag(file.Get(), '0');
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
