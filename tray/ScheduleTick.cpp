#include "ScheduleTick.h"

void ReadSchedule(const CScheduleStore& store, ScheduleState& state)
{
    store.Read(state.nFrequency, state.tLastUpdate);
    state.nPeriod = PeriodForFrequency(state.nFrequency, state.bFirstLaunchPending);
}

void WriteSchedule(const CScheduleStore& store, const ScheduleState& state)
{
    store.Write(state.nFrequency, state.tLastUpdate);
}

TickOutcome RunScheduleTick(const CScheduleStore& store, ScheduleState& state, DWORD tNow,
                            IScheduleHost& host)
{
    ReadSchedule(store, state);
    TickOutcome outcome = DecideScheduleTick(state, tNow, host);
    if (outcome == TickOutcome::Launched)
        host.LaunchScheduledRun();
    if (outcome == TickOutcome::Launched || outcome == TickOutcome::CountStarted)
        WriteSchedule(store, state);
    return outcome;
}

void ChooseFrequency(const CScheduleStore& store, ScheduleState& state, DWORD nFrequency)
{
    state.nFrequency = nFrequency;
    state.nPeriod = PeriodForFrequency(nFrequency, state.bFirstLaunchPending);
    WriteSchedule(store, state);
}
