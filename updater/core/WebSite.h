// The maker's web site behind the main window's web-site button.
#pragma once

#include <windows.h>

// Opens GetMakerWebSite's address with the shell's "open" verb, shown
// normally.
void OpenWebSite(HWND owner);
