// Collects the updater's trace lines while it lives, with debug tracing on.
#pragma once

#include <string>
#include <vector>

class CTraceCapture
{
public:
    CTraceCapture();
    ~CTraceCapture();

    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    const std::vector<std::wstring>& Lines() const;
};
