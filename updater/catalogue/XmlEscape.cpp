#include "XmlEscape.h"

namespace {

bool IsHighSurrogate(wchar_t ch)
{
    return ch >= 0xD800 && ch <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t ch)
{
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

// The escaped form of one character (or surrogate pair) starting at text;
// count receives the number of characters of text it stands for.
std::wstring EscapeOne(const wchar_t* text, size_t& count)
{
    wchar_t ch = text[0];
    count = 1;
    switch (ch)
    {
    case L'&': return L"&amp;";
    case L'<': return L"&lt;";
    case L'>': return L"&gt;";
    case L'"': return L"&quot;";
    // Line breaks and tabs as references, so attribute values keep them too.
    case L'\t': return L"&#9;";
    case L'\n': return L"&#10;";
    case L'\r': return L"&#13;";
    }
    if (IsHighSurrogate(ch) && IsLowSurrogate(text[1]))
    {
        count = 2;
        return std::wstring(text, 2);
    }
    if (ch < 0x20 || IsHighSurrogate(ch) || IsLowSurrogate(ch) || ch == 0xFFFE || ch == 0xFFFF)
        return L"?";
    return std::wstring(1, ch);
}

}  // namespace

size_t AppendEscapedXml(std::wstring& out, const wchar_t* text, size_t budget)
{
    size_t taken = 0;
    size_t used = 0;
    while (text && text[taken])
    {
        size_t count = 0;
        std::wstring escaped = EscapeOne(text + taken, count);
        if (used + escaped.size() > budget)
            break;
        out += escaped;
        used += escaped.size();
        taken += count;
    }
    return taken;
}
