// Times the package hasher on one file: "hash_bench.exe FILE". Prints the
// digest and the milliseconds spent inside the call, so the Wine start-up
// is not counted.
#include <windows.h>

#include <cstdio>

#include "Sha256.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: hash_bench FILE\n");
        return 2;
    }
    Sha256Digest digest;
    ULONGLONG bytes = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool hashed = HashFileSha256(argv[1], digest, bytes);
    QueryPerformanceCounter(&end);
    if (!hashed)
    {
        std::fprintf(stderr, "the file could not be hashed\n");
        return 1;
    }
    const double ms = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("sha256=");
    for (BYTE b : digest)
        std::printf("%02x", b);
    std::printf(" bytes=%llu ms=%.1f\n", bytes, ms);
    return 0;
}
