#include "UpdateCatalogue.h"

#include "OsName.h"

CUpdateCatalogue::CUpdateCatalogue() : m_wUserLangId(GetUserDefaultLangID()) {}

CUpdateCatalogue::~CUpdateCatalogue()
{
    ClearUpdateItemArray();
}

void CUpdateCatalogue::ParsingUpdateItem(const wchar_t* path, const wchar_t* modelName,
                                         OsCheck osCheck)
{
    IndexParseContext context;
    context.pszModelName = modelName;
    context.pszOSName = GetOSName();
    context.wUserLangId = m_wUserLangId;
    context.osCheck = osCheck;
    ParseIndexFile(path, context, m_aUpdateItem, m_nRunMode);
}

void CUpdateCatalogue::ClearUpdateItemArray()
{
    ::ClearUpdateItemArray(m_aUpdateItem);
}
