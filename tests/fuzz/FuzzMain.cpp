// The fuzzing harness: one process that loops over mutated inputs for one
// target (or, with --smoke, every target briefly) and stops at the first
// finding. Usage:
//   fuzz_tests TARGET [--seconds N] [--runs N] [--seed N]
//              [--seeds TARGET=FOLDER]... [--findings FOLDER]
//   fuzz_tests --smoke [--seconds N] [--seeds TARGET=FOLDER]... [--findings FOLDER]
//   fuzz_tests TARGET --replay FILE
// Exit code 0: nothing found; 3: a finding (its input saved); 2: bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Coverage.h"
#include "FindingGuard.h"
#include "FuzzRandom.h"
#include "FuzzTargets.h"
#include "UniqueHandle.h"

namespace {

// Kept mutants stay well inside the harness's memory bound.
constexpr size_t kCorpusBytes = 64u * 1024 * 1024;

struct Options
{
    std::string strTarget;
    bool bSmoke = false;
    double dSeconds = 3;
    uint64_t nRuns = 0;  // 0: no limit; else stop at this many or at the time, the first
    uint64_t nSeed = 1;
    std::map<std::string, std::wstring> seedFolders;  // more seeds for a target
    std::wstring strFindings = L"fuzz-findings";
    std::wstring strReplay;
};

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; *text; ++text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--smoke")
            options.bSmoke = true;
        else if (arg.rfind("--", 0) != 0)
            options.strTarget = arg;
        else if (!value)
            return false;
        else if (arg == "--seconds")
            options.dSeconds = atof(argv[++i]);
        else if (arg == "--runs")
            options.nRuns = strtoull(argv[++i], nullptr, 10);
        else if (arg == "--seed")
            options.nSeed = strtoull(argv[++i], nullptr, 10);
        else if (arg == "--seeds" && strchr(value, '='))
        {
            const std::string pair = argv[++i];
            options.seedFolders[pair.substr(0, pair.find('='))] =
                Widen(pair.substr(pair.find('=') + 1).c_str());
        }
        else if (arg == "--findings")
            options.strFindings = Widen(argv[++i]);
        else if (arg == "--replay")
            options.strReplay = Widen(argv[++i]);
        else
            return false;
    }
    return options.bSmoke || FindFuzzTarget(options.strTarget);
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::string bytes;
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    char chunk[65536];
    DWORD read = 0;
    while (file && ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    return bytes;
}

// The target's own seeds and every file of the seed folder.
std::vector<std::string> LoadCorpus(const FuzzTarget& target, const std::wstring& folder)
{
    std::vector<std::string> corpus = target.pfnSeeds();
    if (folder.empty())
        return corpus;
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    while (find)
    {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            corpus.push_back(ReadWholeFile(folder + L"\\" + data.cFileName));
        if (!FindNextFileW(find.Get(), &data))
            break;
    }
    return corpus;
}

void RunOne(const FuzzTarget& target, const std::string& input, const CFuzzScratch& scratch,
            uint64_t seed, uint64_t iteration)
{
    BeginInput(target.pszName, seed, iteration, input);
    try
    {
        target.pfnRun(input, scratch);
    }
    catch (...)
    {
        ReportFinding("exception");
    }
    if (target.bWritesFiles && scratch.WroteOutside())
        ReportFinding("outside-write");
    EndInput();
    if (target.bWritesFiles)
        scratch.Empty();
}

void Fuzz(const FuzzTarget& target, const Options& options, const CFuzzScratch& scratch)
{
    const auto folder = options.seedFolders.find(target.pszName);
    std::vector<std::string> corpus =
        LoadCorpus(target, folder == options.seedFolders.end() ? std::wstring() : folder->second);
    const size_t seedCount = corpus.size();
    size_t corpusBytes = 0;
    for (const std::string& seed : corpus)
        corpusBytes += seed.size();
    CFuzzRandom random(options.nSeed);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    double elapsed = 0;
    uint64_t iteration = 0;
    std::string input;
    for (;; ++iteration)
    {
        // Every 64 inputs: the clock, so that its cost stays out of the rate.
        if (iteration % 64 == 0)
        {
            QueryPerformanceCounter(&now);
            elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
        }
        if ((options.nRuns && iteration >= options.nRuns) || elapsed >= options.dSeconds)
            break;
        // Seeds as they are first, then mutants: mostly of a seed, sometimes
        // of the previous mutant, so that edits pile up.
        if (iteration < seedCount)
            input = corpus[iteration];
        else
        {
            if (!random.OneIn(4))
                input = corpus[random.Below(corpus.size())];
            MutateInput(input, corpus, target.pfnFormatEdit, target.cbMaxInput, random);
        }
        BeginInputCoverage();
        RunOne(target, input, scratch, options.nSeed, iteration);
        // A mutant that reached new code is kept to be mutated further.
        if (MergeInputCoverage() && iteration >= seedCount &&
            corpusBytes + input.size() <= kCorpusBytes)
        {
            corpus.push_back(input);
            corpusBytes += input.size();
        }
    }
    QueryPerformanceCounter(&now);
    elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
    printf("%-12s inputs %llu seconds %.1f rate %.0f/s seed %llu edges %zu corpus %zu "
           "findings 0\n",
           target.pszName, static_cast<unsigned long long>(iteration), elapsed,
           elapsed > 0 ? iteration / elapsed : 0.0, static_cast<unsigned long long>(options.nSeed),
           CoveredEdges(), corpus.size());
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
    {
        fprintf(stderr, "usage: fuzz_tests TARGET|--smoke [--seconds N] [--runs N] [--seed N] "
                        "[--seeds TARGET=FOLDER] [--findings FOLDER] [--replay FILE]\n");
        return 2;
    }
    CoInitialize(nullptr);  // as the updater does at start-up
    // No error boxes from the system: a finding must end the run, not wait.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    StartFindingGuard(options.strFindings, FindingLimits());
    CFuzzScratch scratch;
    if (!options.strReplay.empty())
    {
        RunOne(*FindFuzzTarget(options.strTarget), ReadWholeFile(options.strReplay), scratch, 0, 0);
        printf("%s replay: no finding\n", options.strTarget.c_str());
    }
    else if (options.bSmoke)
    {
        for (const FuzzTarget& target : FuzzTargets())
            Fuzz(target, options, scratch);
    }
    else
    {
        Fuzz(*FindFuzzTarget(options.strTarget), options, scratch);
    }
    CoUninitialize();
    return 0;
}
