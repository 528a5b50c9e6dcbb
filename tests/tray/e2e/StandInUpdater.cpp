// Stands in for Kestupdt.exe beside the agent: appends the parameters it
// was started with (everything after the program name) as one line to
// "launches.txt" in its own folder, and ends.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pszParameters, int)
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (wchar_t* pszSlash = wcsrchr(szPath, L'\\'))
        lstrcpyW(pszSlash + 1, L"launches.txt");

    char szLine[1024] = {};
    int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszParameters, -1, szLine, sizeof(szLine) - 2,
                                     nullptr, nullptr);
    nBytes = nBytes > 0 ? nBytes - 1 : 0;
    szLine[nBytes++] = '\n';

    HANDLE hFile = CreateFileW(szPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD nWritten = 0;
    WriteFile(hFile, szLine, nBytes, &nWritten, nullptr);
    CloseHandle(hFile);
    return 0;
}
