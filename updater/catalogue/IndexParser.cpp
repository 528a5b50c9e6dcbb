#include "IndexParser.h"

#include <cwchar>

#include "TraceLog.h"
#include "WideText.h"
#include "XmlDom.h"

namespace {

constexpr LANGID kLangEnglishUS = 1033;

bool FileExists(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BYTE ParseItemType(const wchar_t* text, BYTE current)
{
    struct TypeName
    {
        const wchar_t* name;
        UpdateItemType type;
    };
    static constexpr TypeName kTypes[] = {
        {L"BIOS", kItemTypeBios},
        {L"driver", kItemTypeDriver},
        {L"AP", kItemTypeAP},
        {L"Hotfix", kItemTypeHotfix},
    };
    for (const TypeName& t : kTypes)
    {
        if (EqualsNoCase(text, t.name))
            return t.type;
    }
    return current;
}

// Pieces up to the first comma standing at the second character or later;
// a comma at the start (or none) makes the rest one piece.
void ParseDependence(const wchar_t* text, LONG (&dependence)[kMaxDependence])
{
    for (LONG& entry : dependence)
        entry = 0;
    const wchar_t* rest = text;
    int count = 0;
    while (*rest && count < kMaxDependence)
    {
        const wchar_t* comma = wcschr(rest, L',');
        dependence[count++] = ParseLeadingInt(rest);
        rest = (comma && comma > rest) ? comma + 1 : rest + wcslen(rest);
    }
}

// True when one comma-separated piece equals osName exactly.
bool OsListNames(const std::wstring& osList, const wchar_t* osName)
{
    size_t start = 0;
    for (;;)
    {
        size_t comma = osList.find(L',', start);
        size_t end = comma == std::wstring::npos ? osList.size() : comma;
        if (osList.compare(start, end - start, osName) == 0)
            return true;
        if (comma == std::wstring::npos)
            return false;
        start = comma + 1;
    }
}

void ApplyHardwareId(IXMLDOMNode* node, const std::wstring& text, UpdateItem& item)
{
    HardwareIdEntry entry;
    CopyBounded(entry.szHardwareId, text.c_str());
    for (const XmlAttribute& attribute : GetAttributes(node))
    {
        if (EqualsNoCase(attribute.strName.c_str(), L"version"))
            CopyBounded(entry.szVersion, attribute.strValue.c_str());
        else if (EqualsNoCase(attribute.strName.c_str(), L"date"))
            CopyBounded(entry.szDate, attribute.strValue.c_str());
    }
    item.aHardwareId.push_back(entry);
}

// A description in the user's language always wins; an English one is taken
// only while the item has none. Without a language id the element is
// ignored; without a title the item's name stands in for it.
void ApplyDescription(IXMLDOMNode* node, const std::wstring& text, LANGID userLangId,
                      UpdateItem& item)
{
    std::vector<XmlAttribute> attributes = GetAttributes(node);
    if (attributes.empty())
        return;
    long langId = ParseLeadingInt(attributes[0].strValue.c_str());
    bool take = langId == userLangId || (langId == kLangEnglishUS && item.szDescription[0] == L'\0');
    if (!take)
        return;
    const wchar_t* title = attributes.size() >= 2 ? attributes[1].strValue.c_str() : item.szName;
    CopyBounded(item.szTitle, title);
    CopyBounded(item.szDescription, text.c_str());
}

// Fills item from one child element; returns the "os" value through osList.
void ApplyElement(IXMLDOMNode* node, const IndexParseContext& context, UpdateItem& item,
                  std::wstring& osList)
{
    const std::wstring name = GetNodeName(node);
    const std::wstring text = GetNodeText(node);
    const wchar_t* n = name.c_str();
    const wchar_t* value = text.c_str();

    struct TextField
    {
        const wchar_t* element;
        WCHAR* field;
        size_t capacity;
    };
    const TextField textFields[] = {
        {L"version", item.szVersion, ARRAYSIZE(item.szVersion)},
        {L"zip-path", item.szZipPath, ARRAYSIZE(item.szZipPath)},
        {L"path", item.szPath, ARRAYSIZE(item.szPath)},
        {L"execute", item.szExecute, ARRAYSIZE(item.szExecute)},
        {L"uninstall", item.szUninstall, ARRAYSIZE(item.szUninstall)},
        {L"pre-patch", item.szPrePatch, ARRAYSIZE(item.szPrePatch)},
        {L"post-patch", item.szPostPatch, ARRAYSIZE(item.szPostPatch)},
    };
    for (const TextField& f : textFields)
    {
        if (EqualsNoCase(n, f.element))
        {
            CopyBounded(f.field, f.capacity, value);
            return;
        }
    }

    if (EqualsNoCase(n, L"type"))
        item.bType = ParseItemType(value, item.bType);
    else if (EqualsNoCase(n, L"hwid"))
        ApplyHardwareId(node, text, item);
    else if (EqualsNoCase(n, L"os"))
        osList = text;
    else if (EqualsNoCase(n, L"size"))
        item.nSize = ParseLeadingInt(value);
    else if (EqualsNoCase(n, L"sha256"))
    {
        CopyBounded(item.szSha256, value);
        item.bSha256 = TRUE;
    }
    else if (EqualsNoCase(n, L"index"))
        item.nIndex = ParseLeadingInt(value);
    else if (EqualsNoCase(n, L"reboot"))
        item.bReboot = ParseLeadingInt(value) == 1;
    else if (EqualsNoCase(n, L"downgradable"))
        item.bDowngradable = ParseLeadingInt(value) == 1;
    else if (EqualsNoCase(n, L"dependence"))
        ParseDependence(value, item.anDependence);
    else if (EqualsNoCase(n, L"description"))
        ApplyDescription(node, text, context.wUserLangId, item);
}

UpdateItem* ParseItem(IXMLDOMNode* element, const IndexParseContext& context)
{
    auto* item = new UpdateItem;
    std::vector<XmlAttribute> attributes = GetAttributes(element);
    if (!attributes.empty())
        CopyBounded(item->szName, attributes[0].strValue.c_str());
    TraceLog(L"ParsingUpdateItem - Add Item %s", item->szName);

    // Without an "os" element the list is the single empty piece.
    std::wstring osList;
    for (const CComPtr<IXMLDOMNode>& child : GetChildNodes(element))
        ApplyElement(child.Get(), context, *item, osList);

    if (context.osCheck == OsCheck::Apply && !OsListNames(osList, context.pszOSName))
    {
        FreeUpdateItem(item);
        return nullptr;
    }
    return item;
}

// The root must be "product" (case counts) whose first attribute is "name"
// (any case) naming this model. "opt" counts only as the second of exactly two.
bool AcceptRoot(IXMLDOMElement* root, const IndexParseContext& context, int& runMode)
{
    if (GetNodeName(root) != L"product")
        return false;
    std::vector<XmlAttribute> attributes = GetAttributes(root);
    if (attributes.empty() || !EqualsNoCase(attributes[0].strName.c_str(), L"name") ||
        !EqualsNoCase(attributes[0].strValue.c_str(), context.pszModelName))
        return false;
    if (attributes.size() == 2 && EqualsNoCase(attributes[1].strName.c_str(), L"opt"))
        runMode = ParseLeadingInt(attributes[1].strValue.c_str());
    return true;
}

}  // namespace

void ParseIndexFile(const wchar_t* path, const IndexParseContext& context,
                    UpdateItemArray& items, int& runMode)
{
    if (!FileExists(path))
        return;

    CComPtr<IXMLDOMDocument> document;
    if (!LoadTracedDocument(path, document))
        return;

    CComPtr<IXMLDOMElement> root;
    if (FAILED(document->get_documentElement(root.Put())) || !root)
        return;
    if (!AcceptRoot(root.Get(), context, runMode))
        return;

    for (const CComPtr<IXMLDOMNode>& child : GetChildNodes(root.Get()))
    {
        if (!NodeHasChildren(child.Get()))
            continue;
        if (UpdateItem* item = ParseItem(child.Get(), context))
            items.push_back(item);
    }
}
