// The tray agent's application object: one instance per session, one
// hidden window for its whole life.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"

class CTrayAgentApp
{
public:
    // Does all the agent's work; returns FALSE when it ends (at once for a
    // second instance).
    BOOL InitInstance();

private:
    CHandle m_hMutex;
};
