#include "ProgramFolder.h"

#include <algorithm>

namespace {

// The longest path the system hands out, in UTF-16 units.
constexpr DWORD kLongestPathUnits = 32768;

}  // namespace

std::wstring GetProgramFolder()
{
    return GetProgramFolder(GetModuleFileNameW);
}

std::wstring GetProgramFolder(ModuleFileNameFunction pfnModuleFileName)
{
    // The path may be longer than MAX_PATH; the buffer grows until it fits.
    std::wstring path;
    for (DWORD units = MAX_PATH;; units = std::min(units * 2, kLongestPathUnits))
    {
        path.resize(units);
        DWORD length = pfnModuleFileName(nullptr, &path[0], units);
        if (length == 0)
            break;
        if (length < units)
        {
            path.resize(length);
            size_t slash = path.rfind(L'\\');
            if (slash != std::wstring::npos)
                return path.substr(0, slash + 1);
            break;
        }
        if (units == kLongestPathUnits)
            break;
    }
    // Never an empty folder, which would make every file name relative to
    // the current directory: without its own path the process cannot go on.
    FatalAppExitW(0, L"The program's folder cannot be determined.");
    return std::wstring();
}
