#include "PackageEntryName.h"

#include <cwchar>
#include <string>

#include "WideText.h"

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// Windows drops trailing dots and blanks from a name, so "..", ". ." and
// "... " all climb or alias; "." alone only names the folder itself.
bool IsDotsOnly(const std::wstring& segment)
{
    if (segment == L".")
        return false;
    return !segment.empty() && segment.find_first_not_of(L". ") == std::wstring::npos;
}

// The device names open a device in every folder, with any extension.
bool IsReservedDeviceName(const std::wstring& segment)
{
    std::wstring base = segment.substr(0, segment.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                            L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* name : kNames)
    {
        if (EqualsNoCase(base.c_str(), name))
            return true;
    }
    if (base.size() == 4 && base[3] >= L'1' && base[3] <= L'9')
    {
        std::wstring stem = base.substr(0, 3);
        return EqualsNoCase(stem.c_str(), L"COM") || EqualsNoCase(stem.c_str(), L"LPT");
    }
    return false;
}

}  // namespace

bool IsSafeEntryName(const wchar_t* name)
{
    if (!name || !*name || IsSeparator(name[0]) || wcschr(name, L':'))
        return false;
    const wchar_t* start = name;
    for (const wchar_t* p = name;; ++p)
    {
        if (*p && !IsSeparator(*p))
            continue;
        const std::wstring segment(start, p);
        if (IsDotsOnly(segment) || IsReservedDeviceName(segment))
            return false;
        if (!*p)
            return true;
        start = p + 1;
    }
}
