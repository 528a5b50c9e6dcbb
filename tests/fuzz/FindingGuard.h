// Watches each input as it runs. A fault (access violation, stack overflow
// and the like, seen by a vectored handler before any catch(...) of the
// product can swallow it), an input running past its time limit, or private
// memory past a bound ends the process: the input is saved first, and one
// line "FINDING kind target seed iteration file" goes to standard output.
// Exceptions that reach the harness and writes outside the scratch folder
// are reported the same way through ReportFinding.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int kFindingExitCode = 3;

struct FindingLimits
{
    DWORD dwInputTimeLimitMs = 10000;
    SIZE_T cbMemoryBound = 768u * 1024 * 1024;
};

void StartFindingGuard(const std::wstring& findingsFolder, const FindingLimits& limits);

// The input about to run, kept (not copied) until EndInput.
void BeginInput(const char* target, uint64_t seed, uint64_t iteration, const std::string& input);
void EndInput();

[[noreturn]] void ReportFinding(const char* kind);
