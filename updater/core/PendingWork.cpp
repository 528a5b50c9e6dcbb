#include "PendingWork.h"

#include <cwchar>

#include "ProtectedDirectory.h"
#include "UniqueHandle.h"
#include "WideText.h"
#include "XmlEscape.h"

namespace {

constexpr size_t kLineUnits = 1024;
constexpr size_t kMaxLineChars = kLineUnits - 1;
constexpr wchar_t kCrLf[] = L"\r\n";
constexpr wchar_t kPendingWorkName[] = L"process.xml";
constexpr wchar_t kPendingWorkTemporary[] = L"process.xml.tmp";
constexpr DWORD kSettleMilliseconds = 1000;

// Escaped so the index parser reads back exactly what was written, in at
// most room characters.
std::wstring EscapeMarkup(const wchar_t* text, size_t room)
{
    std::wstring escaped;
    AppendEscapedXml(escaped, text, room);
    return escaped;
}

size_t RoomLeft(const wchar_t* fixedPart)
{
    const size_t used = wcslen(fixedPart);
    return used < kMaxLineChars ? kMaxLineChars - used : 0;
}

class CPendingWorkText
{
public:
    // One line, formatted into 1024 units as the file's format demands.
    void Line(const wchar_t* format, ...)
    {
        wchar_t line[kLineUnits];
        va_list args;
        va_start(args, format);
        FormatBoundedV(line, kLineUnits, format, args);
        va_end(args);
        m_text += line;
    }

    // A line of one element whose format takes the text, then the line end.
    void TextLine(const wchar_t* format, const wchar_t* value)
    {
        wchar_t fixed[kLineUnits];
        FormatBounded(fixed, kLineUnits, format, L"", kCrLf);
        Line(format, EscapeMarkup(value, RoomLeft(fixed)).c_str(), kCrLf);
    }

    void OptionalTextLine(const wchar_t* format, const wchar_t* value)
    {
        if (value[0])
            TextLine(format, value);
    }

    std::wstring m_text;
};

const wchar_t* TypeLineFormat(BYTE type)
{
    switch (type)
    {
    case kItemTypeDriver: return L"<type> driver </type>%s";
    case kItemTypeAP: return L"<type> AP </type>%s";
    case kItemTypeBios: return L"<type> BIOS </type>%s";
    case kItemTypeHotfix: return L"<type> Hotfix </type>%s";
    default: return nullptr;
    }
}

std::wstring DependenceList(const UpdateItem& item)
{
    std::wstring list;
    for (LONG index : item.anDependence)
    {
        if (index == 0)
            break;
        if (!list.empty())
            list += L',';
        list += std::to_wstring(index);
    }
    return list;
}

void FormatItem(CPendingWorkText& text, const UpdateItem& item, LANGID userLangId)
{
    const wchar_t* itemFormat = L"%s<item name=\"%s\">%s";
    wchar_t fixed[kLineUnits];
    FormatBounded(fixed, kLineUnits, itemFormat, kCrLf, L"", kCrLf);
    text.Line(itemFormat, kCrLf, EscapeMarkup(item.szName, RoomLeft(fixed)).c_str(), kCrLf);

    // Title and description share one line; the title is served first.
    const wchar_t* descriptionFormat = L"<description l_id=\"%d\" title=\"%s\">%s</description>%s";
    FormatBounded(fixed, kLineUnits, descriptionFormat, userLangId, L"", L"", kCrLf);
    const std::wstring title = EscapeMarkup(item.szTitle, RoomLeft(fixed));
    const std::wstring description =
        EscapeMarkup(item.szDescription, RoomLeft(fixed) - title.size());
    text.Line(descriptionFormat, userLangId, title.c_str(), description.c_str(), kCrLf);

    if (const wchar_t* typeFormat = TypeLineFormat(item.bType))
        text.Line(typeFormat, kCrLf);
    text.TextLine(L"<version> %s </version>%s", item.szVersion);
    text.Line(L"<size> %d </size>%s", item.nSize, kCrLf);
    // Carried as given, so that a resumed package is checked as the index
    // asked, a malformed hash included.
    if (item.bSha256)
        text.TextLine(L"<sha256> %s </sha256>%s", item.szSha256);
    text.TextLine(L"<zip-path> %s </zip-path>%s", item.szZipPath);
    text.TextLine(L"<path> %s </path>%s", item.szPath);
    text.OptionalTextLine(L"<execute> %s </execute>%s", item.szExecute);
    text.OptionalTextLine(L"<uninstall> %s </uninstall>%s", item.szUninstall);
    text.Line(L"<index> %d </index>%s", item.nIndex, kCrLf);
    const std::wstring dependence = DependenceList(item);
    if (!dependence.empty())
        text.Line(L"<dependence> %s </dependence>%s", dependence.c_str(), kCrLf);
    if (item.bReboot)
        text.Line(L"<reboot> 1 </reboot>%s", kCrLf);
    if (item.bDowngradable)
        text.Line(L"<downgradable> 1 </downgradable>%s", kCrLf);
    text.OptionalTextLine(L"<pre-patch> %s </pre-patch>%s", item.szPrePatch);
    text.OptionalTextLine(L"<post-patch> %s </post-patch>%s", item.szPostPatch);
    text.Line(L"</item>%s", kCrLf);
}

std::wstring InFolder(const wchar_t* folder, const wchar_t* name)
{
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + name;
}

bool WriteWhole(HANDLE file, const void* data, DWORD bytes)
{
    DWORD written = 0;
    return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

}  // namespace

std::wstring FormatPendingWork(const wchar_t* modelName, int runMode, LANGID userLangId,
                               const UpdateItemArray& items)
{
    CPendingWorkText text;
    const wchar_t* productFormat = L"<product name=\"%s\" opt=\"%d\">%s";
    wchar_t fixed[kLineUnits];
    FormatBounded(fixed, kLineUnits, productFormat, L"", runMode, kCrLf);
    text.Line(productFormat, EscapeMarkup(modelName, RoomLeft(fixed)).c_str(), runMode, kCrLf);
    for (const UpdateItem* item : items)
        FormatItem(text, *item, userLangId);
    text.Line(L"%s</product>%s", kCrLf, kCrLf);
    return text.m_text;
}

bool WritePendingWork(const wchar_t* programFolder, const wchar_t* modelName,
                      const CUpdateCatalogue& catalogue)
{
    const std::wstring text = FormatPendingWork(modelName, catalogue.m_nRunMode,
                                                catalogue.m_wUserLangId, catalogue.m_aUpdateItem);
    const std::wstring path = InFolder(programFolder, kPendingWorkName);
    const std::wstring temporary = InFolder(programFolder, kPendingWorkTemporary);

    // The new text goes to a file of its own first, so that the file the
    // tray agent looks for is always whole.
    CFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    static const BYTE kByteOrderMark[] = {0xFF, 0xFE};
    const bool written =
        WriteWhole(file.Get(), kByteOrderMark, sizeof(kByteOrderMark)) &&
        WriteWhole(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t))) &&
        FlushFileBuffers(file.Get());
    file.Reset();
    if (!written || !MoveFileExW(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileW(temporary.c_str());
        return false;
    }
    Sleep(kSettleMilliseconds);
    return true;
}

BOOL LoadPendingWork(const wchar_t* programFolder, const wchar_t* modelName,
                     CUpdateCatalogue& catalogue, BOOL& found)
{
    const std::wstring path = InFolder(programFolder, kPendingWorkName);
    WIN32_FIND_DATAW data;
    CFindHandle search(FindFirstFileW(path.c_str(), &data));
    found = search ? TRUE : FALSE;
    if (!found)
        return FALSE;
    catalogue.ParsingUpdateItem(path.c_str(), modelName, OsCheck::Skip);
    return catalogue.m_aUpdateItem.empty() ? FALSE : TRUE;
}

void CleanTempFiles(const wchar_t* programFolder, int index)
{
    const std::wstring temp = InFolder(programFolder, L"Temp");
    if (index == -1)
    {
        RemoveProtectedDirectory(temp.c_str());
        DeleteFileW(InFolder(programFolder, kPendingWorkName).c_str());
        DeleteFileW(InFolder(programFolder, kPendingWorkTemporary).c_str());
        return;
    }
    wchar_t folder[32];
    FormatBounded(folder, ARRAYSIZE(folder), L"\\%d", index);
    RemoveProtectedDirectory((temp + folder).c_str());
}
