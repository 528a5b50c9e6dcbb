// The updater's information message: a beep, then a box with the caption
// "Vexa Kestrel", the information icon and an OK button.
#pragma once

#include <windows.h>

void ShowInformationBox(HWND owner, const wchar_t* text);
