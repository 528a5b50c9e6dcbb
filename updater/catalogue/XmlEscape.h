// Escaping of text written into the product's own XML files, so that any
// title or message reads back exactly through the platform's XML parser.
#pragma once

#include <cstddef>
#include <string>

// Appends text to out with markup characters escaped, taking at most budget
// characters of out. A character whose escaped form does not fit ends the
// text there; an escape or a surrogate pair is never split. Characters that
// XML cannot carry at all (other control characters, unpaired surrogates)
// are written as "?". Returns the number of characters of text taken.
size_t AppendEscapedXml(std::wstring& out, const wchar_t* text, size_t budget);
