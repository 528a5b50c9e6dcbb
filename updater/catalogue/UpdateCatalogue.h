// The offered items of one updater run and the index settings that go with
// them; the main window owns one for its whole life.
#pragma once

#include <windows.h>

#include "IndexParser.h"
#include "UpdateItem.h"

class CUpdateCatalogue
{
public:
    CUpdateCatalogue();
    ~CUpdateCatalogue();

    CUpdateCatalogue(const CUpdateCatalogue&) = delete;
    CUpdateCatalogue& operator=(const CUpdateCatalogue&) = delete;

    // Appends the items of the index (or pending-work file) at path that
    // apply to this machine; may set m_nRunMode from the root's "opt".
    void ParsingUpdateItem(const wchar_t* path, const wchar_t* modelName,
                           OsCheck osCheck = OsCheck::Apply);

    void ClearUpdateItemArray();

    UpdateItemArray m_aUpdateItem;
    int m_nRunMode = 0;
    LANGID m_wUserLangId;
};
