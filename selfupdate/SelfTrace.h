// The self-updater's diagnostic lines. Nobody collects them: the sink
// discards every line, so the steps keep their markers at no cost.
#pragma once

inline void SelfTrace(const char* /*format*/, ...) {}
