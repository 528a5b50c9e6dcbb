#include "Coverage.h"

#include <cstdint>

namespace {

constexpr uint32_t kMapBits = 16;
constexpr uint32_t kMapSize = 1u << kMapBits;

// Written from whatever thread runs product code; a lost update costs at
// most one edge of one input.
uint8_t g_thisInput[kMapSize];
uint32_t g_touched[kMapSize];
volatile uint32_t g_touchedCount = 0;
uint32_t g_previous = 0;
uint8_t g_seen[kMapSize];
size_t g_seenCount = 0;

}  // namespace

// Called by the compiler's instrumentation at every basic block: the pair of
// this block and the one before marks an edge.
extern "C" void __sanitizer_cov_trace_pc()
{
    const uint64_t pc = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    const uint32_t location =
        static_cast<uint32_t>((pc * 0x9E3779B97F4A7C15ull) >> (64 - kMapBits));
    const uint32_t edge = location ^ g_previous;
    g_previous = location >> 1;
    if (g_thisInput[edge])
        return;
    g_thisInput[edge] = 1;
    const uint32_t count = g_touchedCount;
    if (count < kMapSize)
    {
        g_touched[count] = edge;
        g_touchedCount = count + 1;
    }
}

void BeginInputCoverage()
{
    const uint32_t count = g_touchedCount < kMapSize ? g_touchedCount : kMapSize;
    for (uint32_t i = 0; i < count; ++i)
        g_thisInput[g_touched[i]] = 0;
    g_touchedCount = 0;
    g_previous = 0;
}

bool MergeInputCoverage()
{
    bool found = false;
    const uint32_t count = g_touchedCount < kMapSize ? g_touchedCount : kMapSize;
    for (uint32_t i = 0; i < count; ++i)
    {
        uint8_t& seen = g_seen[g_touched[i]];
        if (!seen)
        {
            seen = 1;
            ++g_seenCount;
            found = true;
        }
    }
    return found;
}

size_t CoveredEdges()
{
    return g_seenCount;
}
