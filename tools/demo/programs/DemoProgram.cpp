#include "DemoProgram.h"

#include "UniqueHandle.h"

namespace {

const wchar_t kLogFolder[] = L"C:\\Vexa Demo";
constexpr DWORD kSettingUnits = 1024;

}  // namespace

std::wstring GetOwnFolder()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::wstring ReadSetting(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[kSettingUnits] = {};
    GetPrivateProfileStringW(section, key, L"", value, kSettingUnits, file.c_str());
    return value;
}

void AppendInstallLog(const std::wstring& line)
{
    CreateDirectoryW(kLogFolder, nullptr);
    std::wstring path = std::wstring(kLogFolder) + L"\\install.log";
    CFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    std::wstring text = line + L"\r\n";
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
}

void ShowWorkWindow(const std::wstring& text, DWORD milliseconds)
{
    const int width = 360;
    const int height = 70;
    HWND window = CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, L"STATIC", text.c_str(),
        WS_POPUP | WS_CAPTION | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
        (GetSystemMetrics(SM_CXSCREEN) - width) / 2, GetSystemMetrics(SM_CYSCREEN) - height - 60,
        width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DWORD end = GetTickCount() + milliseconds;
    for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount())
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (window)
        DestroyWindow(window);
}
