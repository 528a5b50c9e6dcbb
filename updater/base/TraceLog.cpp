#include "TraceLog.h"

#include <windows.h>

#include "ProcessFlags.h"
#include "WideText.h"

static TraceObserver s_observer = nullptr;

void SetTraceObserver(TraceObserver observer)
{
    s_observer = observer;
}

void TraceLog(const wchar_t* format, ...)
{
    wchar_t line[kTraceLineUnits];
    va_list args;
    va_start(args, format);
    FormatBoundedV(line, kTraceLineUnits, format, args);
    va_end(args);
    if (!g_bDebugTrace)
        return;
    OutputDebugStringW(line);
    if (s_observer)
        s_observer(line);
}
