// Stands in for the BIOS flashing utility "Romtool.exe": records how it was
// started, then leaves the verdict that the image file asks for under
// HKLM "SOFTWARE\VEXA\PELM60\BIOSFLASH": "dword N" writes `Error Code` as
// REG_DWORD N, "text T" writes it as REG_SZ T, "none" writes nothing.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "StartRecord.h"

namespace
{
std::string ReadImage(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[256];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

void WriteVerdict(const std::string& order)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VEXA\\PELM60\\BIOSFLASH", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (order.compare(0, 6, "dword ") == 0)
    {
        DWORD value = static_cast<DWORD>(std::strtoul(order.c_str() + 6, nullptr, 10));
        RegSetValueExW(key, L"Error Code", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    }
    else if (order.compare(0, 5, "text ") == 0)
    {
        std::wstring text(order.begin() + 5, order.end());
        RegSetValueExW(key, L"Error Code", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RecordStart();
    // The image is everything before the utility's " -NoRebootMsg".
    std::wstring arguments = GetArguments();
    size_t option = arguments.find(L" -NoRebootMsg");
    WriteVerdict(ReadImage(arguments.substr(0, option)));
    return 0;
}
