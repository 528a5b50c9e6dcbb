#include "UpdaterRestart.h"

#include <windows.h>

#include <string>

#include "PackagePaths.h"
#include "RegistryText.h"
#include "UniqueHandle.h"

bool RestartUpdater()
{
    CRegKey run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_QUERY_VALUE, run.Put()) != ERROR_SUCCESS)
        return false;
    std::string program;
    if (!ReadRegText(run.Get(), "Vexa Kestrel", 1024, program))
        return false;
    WinExec(UpdaterCommandOf(program).c_str(), SW_SHOW);
    return true;
}
