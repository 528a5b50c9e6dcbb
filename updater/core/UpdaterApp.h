// The updater's application object: picks the run mode, keeps one instance
// per mode, identifies the machine through the hardware-access driver and
// shows the main window or the history window.
#pragma once

#include <windows.h>

#include "HardwareDriver.h"
#include "MachineIdentity.h"

class CUpdaterApp : public CHardwareDriver, public CMachineIdentity
{
public:
    // The whole start-up; returns FALSE in every case, so the process ends
    // when its one window closes.
    BOOL InitInstance();

    int m_nRunMode = 0;

private:
    BOOL RunInstance();
    void GetDMIInfo();
};
