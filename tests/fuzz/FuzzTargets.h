// The readers of outside bytes, each driven as the product drives it.
#pragma once

#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "Mutations.h"

struct FuzzTarget
{
    const char* pszName;
    std::vector<std::string> (*pfnSeeds)();
    FormatEdit pfnFormatEdit;
    size_t cbMaxInput;
    bool bWritesFiles;  // the scratch folder is checked and emptied after each input
    // One input; files go in scratch, which the caller empties afterwards.
    void (*pfnRun)(const std::string& input, const CFuzzScratch& scratch);
};

const std::vector<FuzzTarget>& FuzzTargets();
const FuzzTarget* FindFuzzTarget(const std::string& name);
