#include "UpdateRunRules.h"

#include "PackageCheck.h"
#include "UnpackPackage.h"
#include "WideText.h"

const wchar_t kRomtoolItemName[] = L"Romtool";

namespace {

// Position of the item with this index number, or npos.
size_t FindItemIndex(const UpdateItemArray& items, LONG nIndex)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->nIndex == nIndex)
            return i;
    return static_cast<size_t>(-1);
}

}  // namespace

size_t ChooseNextItem(const UpdateItemArray& items)
{
    size_t chosen = 0;
    if (items[0]->bType == kItemTypeBios)
    {
        for (size_t i = 0; i < items.size(); ++i)
            if (EqualsNoCase(items[i]->szName, kRomtoolItemName))
            {
                chosen = i;
                break;
            }
    }

    std::vector<bool> visited(items.size(), false);
    visited[chosen] = true;
    for (bool bMoved = true; bMoved;)
    {
        bMoved = false;
        const UpdateItem& item = *items[chosen];
        for (int d = 0; d < kMaxDependence && item.anDependence[d] != 0; ++d)
        {
            size_t dependency = FindItemIndex(items, item.anDependence[d]);
            // Not in the run, or already chosen once: a cycle closes here.
            if (dependency == static_cast<size_t>(-1) || visited[dependency])
                continue;
            visited[dependency] = true;
            chosen = dependency;
            bMoved = true;
            break;
        }
    }
    return chosen;
}

std::wstring FormatRecordText(const std::wstring& text, const wchar_t* arg1, const wchar_t* arg2,
                              const wchar_t* arg3)
{
    const wchar_t* args[] = {arg1, arg2, arg3};
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'3' &&
            args[text[i + 1] - L'1'])
        {
            result += args[text[i + 1] - L'1'];
            ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}

UINT UnpackFailureMessageId(LONG lInstallError)
{
    switch (lInstallError)
    {
    case UNPACK_E_FORMAT: return 37;
    case UNPACK_E_FILE: return 38;
    case PACKAGE_E_CHANGED: return 44;
    default: return 0;
    }
}

UINT InstallRecordMessageId(bool bSucceeded, bool bInstalledVersionKnown)
{
    if (!bSucceeded)
        return 41;
    return bInstalledVersionKnown ? 39 : 40;
}

bool ItemNeedsRestart(BYTE bType, BOOL bReboot, bool bInstallerAskedRestart, BOOL bShutdownSeen)
{
    return bType == kItemTypeBios || bReboot || bInstallerAskedRestart || bShutdownSeen;
}

RunStep FirstRunStep(BOOL bPendingWorkFound, BOOL bPendingWorkItems)
{
    if (bPendingWorkItems)
        return StepResume;
    return bPendingWorkFound ? StepFinished : StepConnect;
}
