// Test program: binds the language library the way the programs do and
// writes what it got to a file (UTF-16): the mask in hex, then one
// translated text per line for each further argument.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "LanguageBinding.h"
#include "WideText.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    wchar_t szMask[16];
    FormatBounded(szMask, 16, L"0x%X", static_cast<unsigned>(LoadLanguageLibrary()));
    std::wstring strOut = szMask;
    for (int i = 2; i < argc; ++i)
        strOut += std::wstring(L"\n") + TranslateText(argv[i]);

    HANDLE hFile = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 3;
    DWORD cbWritten = 0;
    WriteFile(hFile, strOut.data(), static_cast<DWORD>(strOut.size() * sizeof(wchar_t)), &cbWritten,
              nullptr);
    CloseHandle(hFile);
    return 0;
}
