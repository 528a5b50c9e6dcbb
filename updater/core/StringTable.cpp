#include "StringTable.h"

#include "LanguageBinding.h"

std::wstring LoadTranslatedString(UINT nStringId)
{
    // LoadStringW with a zero length hands out the read-only text itself.
    const wchar_t* pText = nullptr;
    int cchText = LoadStringW(GetModuleHandleW(nullptr), nStringId,
                              reinterpret_cast<LPWSTR>(&pText), 0);
    if (cchText <= 0 || !pText)
        return std::wstring();
    return TranslateText(std::wstring(pText, cchText).c_str());
}
