/* Stand-in for the language library "VxMultiLang.dll" beside the fuzzing
 * harness: "VxTranslateStr" answers with whatever reply the harness set
 * last, or with its argument while none is set, as a library does for a
 * text it does not know. */
#include <windows.h>

static const char* s_pszReply;

__declspec(dllexport) void __cdecl FuzzSetLanguageReply(const char* reply)
{
    s_pszReply = reply;
}

__declspec(dllexport) const char* __cdecl VxTranslateStr(const char* text)
{
    return s_pszReply ? s_pszReply : text;
}
