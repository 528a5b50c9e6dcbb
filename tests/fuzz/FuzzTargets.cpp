#include "FuzzTargets.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "FormatEdits.h"
#include "FuzzSeeds.h"
#include "FindingGuard.h"
#include "FirmwareTable.h"
#include "GuardedBuffer.h"
#include "HistoryLogReader.h"
#include "HistoryLog.h"
#include "IndexParser.h"
#include "LanguageBinding.h"
#include "MachineIdentity.h"
#include "PendingWork.h"
#include "ProductList.h"
#include "UnpackPackage.h"
#include "UpdateCatalogue.h"

namespace {

constexpr size_t kLanguageMaxInput = 8192;

void RunZip(const std::string& input, const CFuzzScratch& scratch)
{
    const volatile LONG cancel = 0;
    UnpackPackage(scratch.Write(L"package.zip", input).c_str(), &cancel);
}

// The system call's stand-in: the input is the table, and its first byte
// (which the walk ignores) says how far the table grows or shrinks between
// the call that asks its size and the call that reads it.
std::string g_strFirmwareTable;

UINT WINAPI FuzzFirmwareTable(DWORD dwProvider, DWORD dwTableId, PVOID pBuffer, DWORD cbBuffer)
{
    if (dwProvider != kFirmwareProviderRSMB || dwTableId != 0 || g_strFirmwareTable.empty())
        return 0;
    if (!pBuffer)
        return static_cast<UINT>(g_strFirmwareTable.size());
    const int change = static_cast<signed char>(g_strFirmwareTable[0]);
    const int size = static_cast<int>(g_strFirmwareTable.size());
    g_strFirmwareTable.resize(std::max(0, size + change));
    if (g_strFirmwareTable.size() <= cbBuffer)
        memcpy(pBuffer, g_strFirmwareTable.data(), g_strFirmwareTable.size());
    return static_cast<UINT>(g_strFirmwareTable.size());
}

std::wstring IdentityText(const CMachineIdentity& identity)
{
    return identity.m_strBiosVersion + L"|" + identity.m_strModelName + L"|" +
           identity.m_strFamilyName + L"|" + identity.m_strProductName;
}

void RunFirmwareTable(const std::string& input, const CFuzzScratch&)
{
    // Through the system call as the updater reads it, then the same bytes
    // walked again ending at a guard page: the product's own buffer has no
    // guard, so a read past its end shows in the second walk, and both
    // walks must agree.
    g_strFirmwareTable = input;
    g_pfnGetSystemFirmwareTable = FuzzFirmwareTable;
    CMachineIdentity throughCall;
    throughCall.ReadSMBIOSFromFirmware();
    const std::string walked =
        g_strFirmwareTable.size() <= input.size() ? g_strFirmwareTable : std::string();

    static CGuardedBuffer buffer(kDmiImageBytes * 4);
    CMachineIdentity guarded;
    guarded.WalkFirmwareTable(buffer.Place(walked.data(), walked.size()), walked.size());
    if (IdentityText(guarded) != IdentityText(throughCall))
        ReportFinding("identity-differs");
}

// Physical memory holding only the input, at the BIOS area. Every view is
// exactly the bytes asked for, ending at a guard page.
class CGuardedMemory : public IPhysicalMemory
{
public:
    explicit CGuardedMemory(const std::string& image) : m_image(image)
    {
        m_image.resize(kDmiImageBytes);
    }
    ~CGuardedMemory()
    {
        if (m_nOutstanding)
            ReportFinding("view-not-released");
    }

    BYTE* MapPhysicalMemory(DWORD dwAddress, DWORD dwLength) override
    {
        if (dwAddress < kDmiImageAddress || dwAddress - kDmiImageAddress > m_image.size() ||
            m_image.size() - (dwAddress - kDmiImageAddress) < dwLength || m_nOutstanding >= kViews)
            return nullptr;
        return Slot(m_nOutstanding++).Place(m_image.data() + (dwAddress - kDmiImageAddress),
                                            dwLength);
    }
    void UnmapPhysicalMemory(BYTE* pView) override
    {
        if (pView)
            --m_nOutstanding;
    }

private:
    static constexpr int kViews = 4;
    static CGuardedBuffer& Slot(int n)
    {
        static std::unique_ptr<CGuardedBuffer> slots[kViews];
        if (!slots[n])
            slots[n] = std::make_unique<CGuardedBuffer>(kDmiImageBytes);
        return *slots[n];
    }

    std::string m_image;  // the whole area, zeros after the input
    int m_nOutstanding = 0;
};

void RunDmiImage(const std::string& input, const CFuzzScratch&)
{
    // As the updater does when the firmware table cannot be read.
    CGuardedMemory memory(input);
    CMachineIdentity identity;
    identity.GetModelName(memory);
    identity.ReadDMIFromMemory(memory);
}

void RunIndex(const std::string& input, const CFuzzScratch& scratch)
{
    CUpdateCatalogue catalogue;
    catalogue.m_wUserLangId = 1033;
    IndexParseContext context;
    context.pszModelName = L"P1";
    context.pszOSName = L"Win7";
    context.wUserLangId = catalogue.m_wUserLangId;
    ParseIndexFile(scratch.Write(L"index.xml", input).c_str(), context, catalogue.m_aUpdateItem,
                   catalogue.m_nRunMode);
}

void RunPendingWork(const std::string& input, const CFuzzScratch& scratch)
{
    scratch.Write(L"process.xml", input);
    CUpdateCatalogue catalogue;
    BOOL found = FALSE;
    LoadPendingWork(scratch.Folder().c_str(), L"P1", catalogue, found);
}

void RunHistoryLog(const std::string& input, const CFuzzScratch& scratch)
{
    const std::wstring path = scratch.Write(kHistoryLogName, input);
    std::vector<HistoryRecord> records;
    LoadHistoryRecords(path.c_str(), records);
    AppendHistoryLog(path.c_str(), TRUE, L"Installed", 2, L"Audio Driver");
    records.clear();
    LoadHistoryRecords(path.c_str(), records);
}

void RunProductList(const std::string& input, const CFuzzScratch& scratch)
{
    if (input.empty())
        return;
    const bool encrypted = input[0] & 1;
    scratch.Write(encrypted ? L"P1.fbk" : L"P1.raw", input.substr(1));
    RecordInstalledPackage(scratch.Folder().c_str(), L"P1", L"C:\\K\\Temp\\2\\B.zip");
}

// The texts coming back from the language library: the stand-in library
// beside the harness answers with the input's reply, which ends at a guard
// page, as does the text handed over.
void RunLanguageText(const std::string& input, const CFuzzScratch&)
{
    using SetReplyFn = void(__cdecl*)(const char*);
    static const DWORD mask = LoadLanguageLibrary();
    static const SetReplyFn setReply = reinterpret_cast<SetReplyFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"VxMultiLang.dll"), "FuzzSetLanguageReply")));
    if ((mask & (kLangLibraryMissing | kLangTranslateStrMissing)) || !setReply)
        ReportFinding("language-library-not-bound");

    const LanguageParts parts = SplitLanguageInput(input);
    static CGuardedBuffer textBuffer(kLanguageMaxInput);
    static CGuardedBuffer replyBuffer(kLanguageMaxInput);
    const auto* placedText = reinterpret_cast<const wchar_t*>(
        textBuffer.Place(parts.strText.c_str(), (parts.strText.size() + 1) * sizeof(wchar_t)));
    const std::string& reply = parts.strReply;
    setReply(reply.empty() ? nullptr
                           : reinterpret_cast<const char*>(
                                 replyBuffer.Place(reply.c_str(), reply.size() + 1)));
    const wchar_t* translated = TranslateText(placedText);
    setReply(nullptr);
    if (wcsnlen(translated, 512) == 512)
        ReportFinding("unterminated-text");
}

}  // namespace

const std::vector<FuzzTarget>& FuzzTargets()
{
    static const std::vector<FuzzTarget> targets = {
        {"zip", ZipSeeds, EditZipField, 256 * 1024, true, RunZip},
        {"smbios", FirmwareTableSeeds, EditFirmwareTable, kDmiImageBytes * 4, false, RunFirmwareTable},
        {"dmi", DmiImageSeeds, EditDmiImage, kDmiImageBytes - 1, false, RunDmiImage},
        {"index", IndexSeeds, EditXml, 1024 * 1024, true, RunIndex},
        {"pending", PendingWorkSeeds, EditXml, 1024 * 1024, true, RunPendingWork},
        {"history", HistoryLogSeeds, EditXml, 1024 * 1024, true, RunHistoryLog},
        {"productlist", ProductListSeeds, EditXml, 256 * 1024, true, RunProductList},
        {"language", LanguageTextSeeds, EditLanguageText, kLanguageMaxInput - 4, false,
         RunLanguageText},
    };
    return targets;
}

const FuzzTarget* FindFuzzTarget(const std::string& name)
{
    for (const FuzzTarget& target : FuzzTargets())
    {
        if (name == target.pszName)
            return &target;
    }
    return nullptr;
}
