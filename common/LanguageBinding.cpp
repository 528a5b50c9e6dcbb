#include "LanguageBinding.h"

#include "WideText.h"

namespace {

using TranslateStrFn = const char*(__cdecl*)(const char*);
using TranslateStrFFn = DWORD(__cdecl*)(DWORD, DWORD, DWORD);

const char* __cdecl TranslateStrFallback(const char* text)
{
    return text;
}

DWORD __cdecl TranslateStrFFallback(DWORD, DWORD second, DWORD)
{
    return second;
}

constexpr size_t kWorkBytes = 512;
constexpr size_t kResultUnits = 512;

wchar_t s_szProgramFolder[MAX_PATH];
HMODULE s_hLibrary = nullptr;
TranslateStrFn s_pfnTranslateStr = nullptr;
TranslateStrFFn s_pfnTranslateStrF = nullptr;
FARPROC s_pfnGetLangPathName = nullptr;
FARPROC s_pfnGetLangName = nullptr;
char s_szWork[kWorkBytes];
wchar_t s_szResult[kResultUnits];

}  // namespace

DWORD LoadLanguageLibrary()
{
    GetModuleFileNameW(nullptr, s_szProgramFolder, MAX_PATH);
    if (wchar_t* lastSlash = wcsrchr(s_szProgramFolder, L'\\'))
        *lastSlash = L'\0';

    wchar_t path[MAX_PATH];
    FormatBounded(path, MAX_PATH, L"%s\\%s", s_szProgramFolder, L"VxMultiLang.dll");
    s_hLibrary = LoadLibraryW(path);
    if (s_hLibrary)
    {
        s_pfnTranslateStr = reinterpret_cast<TranslateStrFn>(
            reinterpret_cast<void*>(GetProcAddress(s_hLibrary, "VxTranslateStr")));
        s_pfnTranslateStrF = reinterpret_cast<TranslateStrFFn>(
            reinterpret_cast<void*>(GetProcAddress(s_hLibrary, "VxTranslateStrF")));
        s_pfnGetLangPathName = GetProcAddress(s_hLibrary, "VxGetLangPathName");
        s_pfnGetLangName = GetProcAddress(s_hLibrary, "VxGetLangName");
    }

    DWORD mask = s_hLibrary ? 0 : kLangLibraryMissing;
    if (!s_pfnTranslateStr)
    {
        mask |= kLangTranslateStrMissing;
        s_pfnTranslateStr = TranslateStrFallback;
    }
    if (!s_pfnTranslateStrF)
    {
        mask |= kLangTranslateStrFMissing;
        s_pfnTranslateStrF = TranslateStrFFallback;
    }
    if (!s_pfnGetLangPathName)
        mask |= kLangGetLangPathNameMissing;
    if (!s_pfnGetLangName)
        mask |= kLangGetLangNameMissing;
    return mask;
}

const wchar_t* TranslateText(const wchar_t* text)
{
    // The library speaks the ANSI code page. Both conversions are bounded by
    // the buffers, so an over-long text is cut rather than overrun.
    if (!text)
        text = L"";
    int count = lstrlenW(text);
    if (count > static_cast<int>(kWorkBytes) - 1)
        count = kWorkBytes - 1;
    int bytes = 0;
    while (count > 0 && (bytes = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr,
                                                     nullptr)) > static_cast<int>(kWorkBytes) - 1)
        --count;
    bytes = count > 0 ? WideCharToMultiByte(CP_ACP, 0, text, count, s_szWork, kWorkBytes - 1,
                                            nullptr, nullptr)
                      : 0;
    s_szWork[bytes] = '\0';

    TranslateStrFn translate = s_pfnTranslateStr ? s_pfnTranslateStr : TranslateStrFallback;
    const char* translated = translate(s_szWork);

    // At most 511 bytes, which never need more than 511 UTF-16 units.
    char bounded[kWorkBytes];
    lstrcpynA(bounded, translated ? translated : "", kWorkBytes);
    if (MultiByteToWideChar(CP_ACP, 0, bounded, -1, s_szResult, kResultUnits) == 0)
        s_szResult[0] = L'\0';
    return s_szResult;
}
