// Stand-in for the product package's "setup.exe" and for the updater: it
// records its parameters and working folder. As setup it also creates the
// shared settings key anew with a version subkey, as the real setup does.
// "--hold" keeps it running until it is terminated.
#include <windows.h>

#include <string>

#include "Record.h"

#ifndef RECORD_NAME
#error RECORD_NAME names the record file
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string parameters = ParametersOfCommandLine();
#ifdef RECREATE_SETTINGS_KEY
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vexa\\Vexa Kestrel\\2.2.0", 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
#endif
    AppendRecord(RECORD_NAME, CurrentFolder() + "|" + parameters);
    if (parameters.find("--hold") != std::string::npos)
        Sleep(INFINITE);
    return 0;
}
