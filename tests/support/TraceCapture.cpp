#include "TraceCapture.h"

#include "ProcessFlags.h"
#include "TraceLog.h"

static std::vector<std::wstring> s_lines;

static void Record(const wchar_t* line)
{
    s_lines.push_back(line);
}

CTraceCapture::CTraceCapture()
{
    s_lines.clear();
    g_bDebugTrace = 1;
    SetTraceObserver(Record);
}

CTraceCapture::~CTraceCapture()
{
    SetTraceObserver(nullptr);
    g_bDebugTrace = 0;
}

const std::vector<std::wstring>& CTraceCapture::Lines() const
{
    return s_lines;
}
