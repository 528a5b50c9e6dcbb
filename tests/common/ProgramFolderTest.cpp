#include "ProgramFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring s_modulePath;

// GetModuleFileNameW as the system answers: a buffer too small gets the
// path cut to its size with a terminator, and the size as the length.
DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR path, DWORD units)
{
    DWORD length = static_cast<DWORD>(s_modulePath.size());
    if (length < units)
    {
        lstrcpyW(path, s_modulePath.c_str());
        return length;
    }
    s_modulePath.copy(path, units - 1);
    path[units - 1] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return units;
}

// Executable paths around and far beyond MAX_PATH give their whole folder,
// never an empty one (which would put "Temp" below the current directory).
TEST(ProgramFolder, LongPathsGiveTheirWholeFolder)
{
    for (size_t length : {size_t(20), size_t(MAX_PATH - 1), size_t(MAX_PATH), size_t(MAX_PATH + 1),
                          size_t(1000), size_t(32000)})
    {
        SCOPED_TRACE(length);
        const std::wstring name = L"\\Kestupdt.exe";
        std::wstring folder = L"C:\\" + std::wstring(length - 3 - name.size(), L'k');
        s_modulePath = folder + name;
        ASSERT_EQ(s_modulePath.size(), length);
        EXPECT_EQ(GetProgramFolder(FakeModuleFileName), folder + L"\\");
    }
    EXPECT_EQ(GetProgramFolder().back(), L'\\');
}

}  // namespace
