#include "ProcessFlags.h"

BYTE g_bScheduled = 0;
BYTE g_bDebugTrace = 0;
BOOL g_bWinXPOrLater = FALSE;
BOOL g_bIsWow64 = FALSE;
