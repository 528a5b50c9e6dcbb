#include "ScheduleRules.h"

namespace {

constexpr LONG kFirstLaunchPeriod = 590;
constexpr LONG kDay = 86400;
constexpr LONG kPeriods[kFrequencyCount] = {0, kDay, 3 * kDay, 7 * kDay, 14 * kDay, 30 * kDay,
                                            90 * kDay};
constexpr LONG kUnknownFrequencyPeriod = 7 * kDay;

}  // namespace

LONG PeriodForFrequency(DWORD nFrequency, bool bFirstLaunchPending)
{
    if (bFirstLaunchPending)
        return kFirstLaunchPeriod;
    return nFrequency < kFrequencyCount ? kPeriods[nFrequency] : kUnknownFrequencyPeriod;
}

TickOutcome DecideScheduleTick(ScheduleState& state, DWORD tNow, IScheduleHost& host)
{
    if (state.nPeriod == 0)
        return TickOutcome::NoSchedule;

    if (state.tLastUpdate == 0 && !state.bFirstLaunchPending)
    {
        state.tLastUpdate = tNow;
        return TickOutcome::CountStarted;
    }

    // Signed, so a clock set back before the last run waits rather than
    // counting as an enormous elapsed time.
    LONG nElapsed = static_cast<LONG>(tNow - state.tLastUpdate);
    if (nElapsed < state.nPeriod)
        return TickOutcome::NotDue;

    bool bReachable = false;
    for (int attempt = 0; attempt < kProbeAttempts && !bReachable; ++attempt)
    {
        bReachable = host.IsNetworkReachable();
        if (!bReachable)
            host.Pause(kProbePauseMs);
    }
    if (!bReachable)
        return TickOutcome::NetworkDown;

    state.bFirstLaunchPending = false;
    state.tLastUpdate = tNow;
    return TickOutcome::Launched;
}
