#include "ProgramFolder.h"

#include <windows.h>

std::wstring GetProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    size_t slash = folder.rfind(L'\\');
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return folder;
}
