// Times UnpackPackage on one archive: "unpack_bench.exe PACKAGE.zip".
// Prints the result code and the milliseconds spent inside the call, so the
// Wine start-up is not counted.
#include <windows.h>

#include <cstdio>

#include "UnpackPackage.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: unpack_bench PACKAGE.zip\n");
        return 2;
    }
    volatile LONG cancel = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONG result = UnpackPackage(argv[1], &cancel);
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("result=0x%08lX ms=%.1f\n", static_cast<unsigned long>(result), ms);
    return result == 0 ? 0 : 1;
}
