#include "InformationBox.h"

void ShowInformationBox(HWND owner, const wchar_t* text)
{
    MessageBeep(0);
    MessageBoxW(owner, text, L"Vexa Kestrel", MB_OK | MB_ICONINFORMATION);
}
