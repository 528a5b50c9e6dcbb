// Keeps a folder in use the way a running program does: holds it open
// without sharing it for deletion, so it cannot be renamed, until ended.
//   folderholder.exe FOLDER
#include <windows.h>

#include "Record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string folder = ParametersOfCommandLine();
    if (!folder.empty() && folder.front() == '"')
        folder = folder.substr(1, folder.size() - 2);
    HANDLE handle = CreateFileA(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 1;
    AppendRecord("holder", "holding " + folder);
    Sleep(INFINITE);
    return 0;
}
