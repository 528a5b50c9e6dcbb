#include "XmlDom.h"

#include "TraceLog.h"
#include "WideText.h"

namespace {

// MSXML has no import library in mingw-w64; these are the DOMDocument class
// and its IXMLDOMDocument interface.
constexpr CLSID kClsidDomDocument = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring Trimmed(const wchar_t* text)
{
    std::wstring value(text);
    TrimWhiteSpace(value.data());
    value.resize(wcslen(value.c_str()));
    return value;
}

}  // namespace

HRESULT CreateDomDocument(CComPtr<IXMLDOMDocument>& doc)
{
    HRESULT hr = CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER,
                                  kIidXmlDomDocument, doc.PutVoid());
    if (FAILED(hr))
        return hr;
    doc->put_async(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    return S_OK;
}

bool LoadDomDocument(IXMLDOMDocument* doc, const wchar_t* path, XmlLoadError& error)
{
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(path);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = doc->load(source, &loaded);
    VariantClear(&source);
    if (SUCCEEDED(hr) && loaded == VARIANT_TRUE)
        return true;

    error = XmlLoadError();
    error.lCode = hr;
    CComPtr<IXMLDOMParseError> parseError;
    if (SUCCEEDED(doc->get_parseError(parseError.Put())) && parseError)
    {
        parseError->get_errorCode(&error.lCode);
        parseError->get_line(&error.lLine);
        parseError->get_linepos(&error.lPosition);
        CBstr reason;
        if (SUCCEEDED(parseError->get_reason(reason.Put())))
            error.strReason = reason.Get();
    }
    return false;
}

bool LoadTracedDocument(const wchar_t* path, CComPtr<IXMLDOMDocument>& doc)
{
    if (FAILED(CreateDomDocument(doc)))
    {
        TraceLog(L"Error co-creating IXMLDOMDocument");
        return false;
    }
    XmlLoadError error;
    if (!LoadDomDocument(doc.Get(), path, error))
    {
        TraceLog(L"XML Parsing Error 0x%.8X on line %d, position %d\r\n", error.lCode, error.lLine,
                 error.lPosition);
        TraceLog(L"Reason : %s\r\n", error.strReason.c_str());
        return false;
    }
    return true;
}

std::wstring GetNodeName(IXMLDOMNode* node)
{
    CBstr name;
    if (FAILED(node->get_nodeName(name.Put())))
        return std::wstring();
    return name.Get();
}

std::wstring GetNodeText(IXMLDOMNode* node)
{
    CBstr text;
    if (FAILED(node->get_text(text.Put())))
        return std::wstring();
    return Trimmed(text.Get());
}

bool NodeHasChildren(IXMLDOMNode* node)
{
    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    return SUCCEEDED(node->hasChildNodes(&hasChildren)) && hasChildren == VARIANT_TRUE;
}

std::vector<CComPtr<IXMLDOMNode>> GetChildNodes(IXMLDOMNode* node)
{
    std::vector<CComPtr<IXMLDOMNode>> children;
    CComPtr<IXMLDOMNodeList> list;
    long count = 0;
    if (FAILED(node->get_childNodes(list.Put())) || !list || FAILED(list->get_length(&count)))
        return children;
    for (long i = 0; i < count; ++i)
    {
        CComPtr<IXMLDOMNode> child;
        if (SUCCEEDED(list->get_item(i, child.Put())) && child)
            children.push_back(std::move(child));
    }
    return children;
}

std::vector<XmlAttribute> GetAttributes(IXMLDOMNode* node)
{
    std::vector<XmlAttribute> attributes;
    CComPtr<IXMLDOMNamedNodeMap> map;
    long count = 0;
    if (FAILED(node->get_attributes(map.Put())) || !map || FAILED(map->get_length(&count)))
        return attributes;
    for (long i = 0; i < count; ++i)
    {
        CComPtr<IXMLDOMNode> attribute;
        if (FAILED(map->get_item(i, attribute.Put())) || !attribute)
            continue;
        CBstr value;
        attribute->get_text(value.Put());
        attributes.push_back({GetNodeName(attribute.Get()), value.Get()});
    }
    return attributes;
}
