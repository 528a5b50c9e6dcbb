#include "HistoryLogReader.h"

#include <cstring>

#include "ComPtr.h"
#include "HistoryLog.h"
#include "TraceLog.h"
#include "UniqueHandle.h"
#include "WideText.h"
#include "XmlDom.h"

namespace {

constexpr int kClearAttempts = 10;

// The opening bytes up to and including the sync flag.
constexpr char kOpeningPrefix[] = "\xFF\xFE<\0l\0o\0g\0s\0 \0s\0y\0n\0c\0=\0\"\0";
constexpr size_t kOpeningPrefixBytes = sizeof(kOpeningPrefix) - 1;
static_assert(kOpeningPrefixBytes == kSyncFlagOffset, "the flag follows the opening tag");

bool ReadRecord(IXMLDOMNode* node, HistoryRecord& record)
{
    for (const XmlAttribute& attribute : GetAttributes(node))
    {
        const wchar_t* value = attribute.strValue.c_str();
        if (attribute.strName == L"time")
            record.lTime = ParseLeadingInt(value);
        else if (attribute.strName == L"type")
            record.lType = ParseLeadingInt(value);
        else if (attribute.strName == L"status")
            record.lStatus = ParseLeadingInt(value);
        else if (attribute.strName == L"name")
            record.strName = attribute.strValue;
        else
            return false;
    }
    record.strText = GetNodeText(node);
    return true;
}

bool ToLocalTime(LONG time, SYSTEMTIME& local)
{
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(static_cast<LONGLONG>(time) * 10000000LL +
                                            116444736000000000LL);
    FILETIME utcFile = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME utc;
    return FileTimeToSystemTime(&utcFile, &utc) &&
           SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
}

// True while the file's sync flag says a writer is appending.
bool ReadSyncFlagUp(HANDLE file)
{
    char head[kOpeningPrefixBytes + 2] = {};
    DWORD read = 0;
    if (!ReadFile(file, head, sizeof(head), &read, nullptr) || read < kOpeningPrefixBytes + 1)
        return false;
    return memcmp(head, kOpeningPrefix, kOpeningPrefixBytes) == 0 &&
           head[kSyncFlagOffset] != '0';
}

}  // namespace

bool LoadHistoryRecords(const wchar_t* path, std::vector<HistoryRecord>& records)
{
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    records.clear();

    CComPtr<IXMLDOMDocument> doc;
    if (FAILED(CreateDomDocument(doc)))
    {
        TraceLog(L"Error co-creating IXMLDOMDocument");
        return true;
    }
    XmlLoadError error;
    if (!LoadDomDocument(doc.Get(), path, error))
    {
        TraceLog(L"XML Parsing Error 0x%.8X on line %d, position %d\r\n", error.lCode, error.lLine,
                 error.lPosition);
        TraceLog(L"Reason : %s\r\n", error.strReason.c_str());
        return true;
    }

    CComPtr<IXMLDOMElement> root;
    if (FAILED(doc->get_documentElement(root.Put())) || !root ||
        GetNodeName(root.Get()) != L"logs" || !NodeHasChildren(root.Get()))
        return true;

    for (const CComPtr<IXMLDOMNode>& child : GetChildNodes(root.Get()))
    {
        DOMNodeType nodeType = NODE_INVALID;
        if (FAILED(child->get_nodeType(&nodeType)) || nodeType != NODE_ELEMENT)
            continue;
        HistoryRecord record;
        if (ReadRecord(child.Get(), record))
            records.push_back(std::move(record));
    }
    return true;
}

std::wstring FormatHistoryDate(LONG time)
{
    SYSTEMTIME local = {};
    ToLocalTime(time, local);
    wchar_t text[16];
    FormatBounded(text, 16, L"%04d/%02d/%02d", local.wYear, local.wMonth, local.wDay);
    return text;
}

std::wstring FormatHistoryTime(LONG time)
{
    SYSTEMTIME local = {};
    ToLocalTime(time, local);
    wchar_t text[16];
    FormatBounded(text, 16, L"%02d:%02d:%02d", local.wHour, local.wMinute, local.wSecond);
    return text;
}

bool ClearHistoryLog(const wchar_t* path)
{
    for (int attempt = 0; attempt < kClearAttempts; ++attempt)
    {
        CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        if (!ReadSyncFlagUp(file.Get()))
            break;
        file.Reset();
        Sleep(0);
    }
    DeleteFileW(path);
    return true;
}
