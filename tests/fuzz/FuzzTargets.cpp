#include "FuzzTargets.h"

#include <memory>
#include <vector>

#include "FormatEdits.h"
#include "FuzzSeeds.h"
#include "FindingGuard.h"
#include "GuardedBuffer.h"
#include "HistoryLogReader.h"
#include "HistoryLog.h"
#include "IndexParser.h"
#include "MachineIdentity.h"
#include "PendingWork.h"
#include "ProductList.h"
#include "UnpackPackage.h"
#include "UpdateCatalogue.h"

namespace {

void RunZip(const std::string& input, const CFuzzScratch& scratch)
{
    const volatile LONG cancel = 0;
    UnpackPackage(scratch.Write(L"package.zip", input).c_str(), &cancel);
}

void RunFirmwareTable(const std::string& input, const CFuzzScratch&)
{
    static CGuardedBuffer buffer(kDmiImageBytes * 4);
    CMachineIdentity identity;
    identity.WalkFirmwareTable(buffer.Place(input.data(), input.size()), input.size());
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
