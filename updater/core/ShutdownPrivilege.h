// Rebooting needs the shutdown privilege enabled in the process token.
#pragma once

#include <windows.h>

// Enables "SeShutdownPrivilege" in the process token. The result is only
// informative: the restart goes ahead either way.
BOOL EnableShutdownPrivilege();
