#include <windows.h>

#include "TrayAgentApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CTrayAgentApp app;
    app.InitInstance();
    return 0;
}
