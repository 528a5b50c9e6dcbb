#include "PowerGuard.h"

#include <gtest/gtest.h>

namespace {

TEST(PowerGuardTest, FlashOnlyWhenNotOnBattery)
{
    const BYTE kBatteryFlags[] = {1, 2, 4, 8, 128, 255};
    struct Row
    {
        BYTE acLine;
        bool expected[6];  // per battery flag above
    };
    const Row rows[] = {
        {1, {true, true, true, true, true, true}},        // on AC power
        {0, {false, false, false, false, true, true}},    // on battery; none or unknown
        {255, {true, true, true, true, true, true}},      // line unknown
    };
    for (const Row& row : rows)
    {
        for (size_t i = 0; i < ARRAYSIZE(kBatteryFlags); ++i)
        {
            SYSTEM_POWER_STATUS status = {};
            status.ACLineStatus = row.acLine;
            status.BatteryFlag = kBatteryFlags[i];
            EXPECT_EQ(CanFlashBios(status), row.expected[i])
                << "AC " << int(row.acLine) << ", battery flag " << int(kBatteryFlags[i]);
        }
    }
}

}  // namespace
