// Kestself: finishes an update of the product itself. It takes no
// arguments and shows no window of its own.
#include <windows.h>

#include "SelfUpdateApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CSelfUpdateApp app;
    app.InitInstance();
    return 0;
}
