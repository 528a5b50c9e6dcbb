#include "WideText.h"

#include <strsafe.h>

#include <cwchar>
#include <cwctype>

void FormatBoundedV(wchar_t* buf, size_t cap, const wchar_t* format, va_list args)
{
    if (cap == 0)
        return;
    // Cuts and terminates on overflow, which is exactly what is wanted.
    StringCchVPrintfW(buf, cap, format, args);
}

void FormatBounded(wchar_t* buf, size_t cap, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatBoundedV(buf, cap, format, args);
    va_end(args);
}

void CopyBounded(wchar_t* buf, size_t cap, const wchar_t* src)
{
    if (cap == 0)
        return;
    StringCchCopyW(buf, cap, src ? src : L"");
}

bool EqualsNoCase(const wchar_t* a, const wchar_t* b)
{
    return lstrcmpiW(a ? a : L"", b ? b : L"") == 0;
}

bool Contains(const wchar_t* text, const wchar_t* part)
{
    return text && part && wcsstr(text, part) != nullptr;
}

static bool IsWhiteSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

void TrimWhiteSpace(wchar_t* text)
{
    if (!text)
        return;
    size_t len = wcslen(text);
    while (len > 0 && IsWhiteSpace(text[len - 1]))
        text[--len] = L'\0';
    size_t start = 0;
    while (start < len && IsWhiteSpace(text[start]))
        ++start;
    if (start > 0)
        wmemmove(text, text + start, len - start + 1);
}

void TrimTrailingBlanks(wchar_t* text)
{
    if (!text)
        return;
    size_t len = wcslen(text);
    while (len > 0 && text[len - 1] == L' ')
        text[--len] = L'\0';
}

long ParseLeadingInt(const wchar_t* text)
{
    if (!text)
        return 0;
    while (iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-')
        negative = (*text++ == L'-');
    unsigned long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text)
        value = value * 10 + static_cast<unsigned long>(*text - L'0');
    return negative ? -static_cast<long>(value) : static_cast<long>(value);
}
