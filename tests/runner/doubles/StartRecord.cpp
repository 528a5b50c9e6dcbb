#include "StartRecord.h"

#include <windows.h>

namespace
{
std::wstring ReadEnvironment(const wchar_t* name)
{
    wchar_t value[4096] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length > 0 && length < 4096 ? value : L"";
}

std::wstring GetProgramName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\');
    return name ? name + 1 : path;
}
}  // namespace

std::wstring GetArguments()
{
    const wchar_t* text = GetCommandLineW();
    if (*text == L'"')
    {
        ++text;
        while (*text && *text != L'"')
            ++text;
        if (*text)
            ++text;
    }
    else
    {
        while (*text && *text != L' ' && *text != L'\t')
            ++text;
    }
    while (*text == L' ' || *text == L'\t')
        ++text;
    return text;
}

void RecordStart()
{
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring line = GetProgramName() + L"|" + GetArguments() + L"|" + folder + L"|" +
                        ReadEnvironment(L"CURDIR") + L"\r\n";

    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                    nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes,
                        nullptr, nullptr);

    std::wstring recordFile = ReadEnvironment(L"KESTREL_RECORD_FILE");
    HANDLE file = CreateFileW(recordFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}
