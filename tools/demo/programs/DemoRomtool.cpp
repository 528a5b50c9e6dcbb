// The demo's BIOS flashing utility ("Romtool.exe"), started as
// "Romtool.exe IMAGE -NoRebootMsg". It "flashes" an image of the form
//
//     [BIOS]
//     Model=Pellar D22
//     Version=0601
//
// by writing what it flashed to the install log, and leaves its verdict
// where the updater reads it: `Error Code` 530 for a flashed image, 1 for an
// image it cannot read. The firmware itself changes when the demo restarts
// the machine.
#include <windows.h>

#include <string>

#include "DemoProgram.h"
#include "UniqueHandle.h"

namespace {

constexpr DWORD kFlashed = 530;
constexpr DWORD kBadImage = 1;
constexpr DWORD kWorkWindowMs = 3000;

// The image path: the arguments up to " -NoRebootMsg", without quotes.
std::wstring ImagePath(const wchar_t* arguments)
{
    std::wstring text = arguments;
    size_t option = text.find(L" -NoRebootMsg");
    if (option != std::wstring::npos)
        text.erase(option);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = text.substr(1, text.size() - 2);
    return text;
}

void WriteVerdict(DWORD code)
{
    CRegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VEXA\\PELM60\\BIOSFLASH", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key.Get(), L"Error Code", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&code),
                   sizeof(code));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    std::wstring image = ImagePath(arguments);
    std::wstring model = ReadSetting(image, L"BIOS", L"Model");
    std::wstring version = ReadSetting(image, L"BIOS", L"Version");
    if (model.empty() || version.empty())
    {
        AppendInstallLog(L"Romtool.exe: no BIOS image in " + image);
        WriteVerdict(kBadImage);
        return 1;
    }
    ShowWorkWindow(L"Romtool: flashing BIOS " + version + L"... Do not switch off.",
                   kWorkWindowMs);
    AppendInstallLog(L"Romtool.exe: BIOS " + version + L" for " + model + L" flashed from " +
                     image);
    WriteVerdict(kFlashed);
    return 0;
}
