// Stand-in for the old package's uninstaller, reached through RunDll32 as
// "kestuninst.dll,Go ...": it records the arguments RunDll32 passes on.
#include <windows.h>

#include "Record.h"

extern "C" __declspec(dllexport) void CALLBACK Go(HWND, HINSTANCE, LPSTR commandLine, int)
{
    AppendRecord("uninstall", CurrentFolder() + "|" + commandLine);
}
