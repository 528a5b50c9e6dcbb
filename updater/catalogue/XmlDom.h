// Thin helpers over the platform's MSXML DOM document (DOMDocument through
// COM), for the index, the pending-work file and the history log.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "ComPtr.h"

struct XmlLoadError
{
    long lCode = 0;
    long lLine = 0;
    long lPosition = 0;
    std::wstring strReason;
};

// Creates a document that loads synchronously and neither validates nor
// resolves external references.
HRESULT CreateDomDocument(CComPtr<IXMLDOMDocument>& doc);

// Loads the file at path; on failure fills error from the reader's parse error.
bool LoadDomDocument(IXMLDOMDocument* doc, const wchar_t* path, XmlLoadError& error);

// Creates a document and loads path into it, tracing why when either fails
// ("Error co-creating IXMLDOMDocument", or the reader's parse error).
bool LoadTracedDocument(const wchar_t* path, CComPtr<IXMLDOMDocument>& doc);

std::wstring GetNodeName(IXMLDOMNode* node);

// Text content with leading and trailing white space removed.
std::wstring GetNodeText(IXMLDOMNode* node);

bool NodeHasChildren(IXMLDOMNode* node);

std::vector<CComPtr<IXMLDOMNode>> GetChildNodes(IXMLDOMNode* node);

struct XmlAttribute
{
    std::wstring strName;
    std::wstring strValue;
};

// Attributes in document order.
std::vector<XmlAttribute> GetAttributes(IXMLDOMNode* node);
