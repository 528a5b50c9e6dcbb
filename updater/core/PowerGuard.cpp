#include "PowerGuard.h"

namespace {

constexpr BYTE kACOffline = 0;
constexpr BYTE kNoSystemBattery = 128;  // also set in 255, "unknown"

}  // namespace

bool CanFlashBios(const SYSTEM_POWER_STATUS& status)
{
    if (status.BatteryFlag & kNoSystemBattery)
        return true;
    return status.ACLineStatus != kACOffline;
}

bool CanFlashBiosNow()
{
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status))
        return true;  // nothing known about the power: as on a desktop
    return CanFlashBios(status);
}
