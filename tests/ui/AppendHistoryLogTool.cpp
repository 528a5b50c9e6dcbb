// Stands in for an updater run in another process: appends one driver
// record to the log named on the command line and broadcasts the change.
#include <windows.h>

#include "HistoryLog.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    return AppendHistoryLog(argv[1], TRUE, argv[2], 2, argv[3]) ? 0 : 1;
}
