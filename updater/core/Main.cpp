// Entry point of Kestupdt: the application object does all the work.
#include <windows.h>

#include "FirmwareTable.h"
#include "UpdaterApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    ResolveFirmwareTableApi();
    CUpdaterApp app;
    app.InitInstance();
    return 0;
}
