// The updater's diagnostic line: formatted into 256 UTF-16 units and passed
// to the debugger output only while debug tracing (/T) is on.
#pragma once

#include <cstddef>

constexpr size_t kTraceLineUnits = 256;

void TraceLog(const wchar_t* format, ...);

// Tests observe trace lines through this hook; the product never sets it.
using TraceObserver = void (*)(const wchar_t* line);
void SetTraceObserver(TraceObserver observer);
