// Reads an update index (or the pending-work file, which has the same form)
// into update items.
#pragma once

#include <windows.h>

#include "UpdateItem.h"

enum class OsCheck
{
    Apply,  // the index: items must name the running system in "os"
    Skip,   // the pending-work file: its items were chosen on this system
};

struct IndexParseContext
{
    const wchar_t* pszModelName = L"";  // the root's name must match, any case
    const wchar_t* pszOSName = L"";     // as GetOSName gives it
    LANGID wUserLangId = 0;             // description language preferred
    OsCheck osCheck = OsCheck::Apply;
};

// Appends the document's applicable items to items (which is not emptied)
// and sets runMode when the root carries "opt". A missing file, a document
// that does not load, or a root for another model leaves both unchanged.
void ParseIndexFile(const wchar_t* path, const IndexParseContext& context,
                    UpdateItemArray& items, int& runMode);
