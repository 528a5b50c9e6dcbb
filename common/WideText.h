// UTF-16 text helpers bounded by the fixed buffer sizes the programs use.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>

// printf-style formatting into buf (cap units including the terminator);
// longer output is cut to cap - 1 characters. %s takes a wide string.
void FormatBounded(wchar_t* buf, size_t cap, const wchar_t* format, ...);
void FormatBoundedV(wchar_t* buf, size_t cap, const wchar_t* format, va_list args);

// Copies src into buf (cap units including the terminator), cutting it to
// cap - 1 characters. A null src gives empty text.
void CopyBounded(wchar_t* buf, size_t cap, const wchar_t* src);

template <size_t N>
void CopyBounded(wchar_t (&buf)[N], const wchar_t* src)
{
    CopyBounded(buf, N, src);
}

// Case-insensitive equality as the system compares names.
bool EqualsNoCase(const wchar_t* a, const wchar_t* b);

// True when b occurs in a.
bool Contains(const wchar_t* text, const wchar_t* part);

// Removes leading and trailing white space (blank, tab, CR, LF) in place.
void TrimWhiteSpace(wchar_t* text);

// Removes trailing blanks (" " only) in place.
void TrimTrailingBlanks(wchar_t* text);

// Reads a leading decimal number: optional white space and sign, then digits
// up to the first other character. Text without a leading number gives 0.
long ParseLeadingInt(const wchar_t* text);
