// Downloads one URL to a local file with the download engine and prints the
// transfer time, for bench/download-bench.sh. The owner polls as the
// updater's wait loop does.
#include <windows.h>

#include <cstdio>

#include "HttpDownload.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
    {
        fwprintf(stderr, L"usage: download_bench URL LOCAL-PATH\n");
        return 2;
    }
    DeleteFileW(argv[2]);  // a file left over would be resumed
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    LONG status;
    {
        CHttpDownload download(argv[1], argv[2]);
        while (!IsFinalDownloadStatus(status = download.GetStatus()))
            Sleep(10);
    }
    QueryPerformanceCounter(&end);
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    printf("status=%08lX seconds=%.3f\n", static_cast<unsigned long>(status), seconds);
    return status == DL_COMPLETE ? 0 : 1;
}
