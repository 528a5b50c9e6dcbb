// The schedule's arithmetic and the decision taken at each timer tick, kept
// apart from the registry, the clock and the network so that every rule can
// be checked without waiting for days.
#pragma once

#include <windows.h>

// Frequency indexes 0..6; the menu command of index k is kFirstFrequencyCommand + k.
constexpr DWORD kFrequencyCount = 7;
constexpr DWORD kDefaultFrequency = 1;  // Daily, when nothing usable is stored

// The first scheduled launch after the agent starts comes 590 seconds after
// the last recorded run, whatever the frequency; afterwards the table holds.
// 0 means "never".
LONG PeriodForFrequency(DWORD nFrequency, bool bFirstLaunchPending);

struct ScheduleState
{
    DWORD nFrequency = kDefaultFrequency;
    LONG nPeriod = 0;
    DWORD tLastUpdate = 0;
    bool bFirstLaunchPending = true;
};

// What a tick reaches outside itself: the network probe, the pause between
// attempts and the start of the updater. The tray agent answers with the
// real things, tests with scripted ones.
class IScheduleHost
{
public:
    virtual bool IsNetworkReachable() = 0;
    virtual void Pause(DWORD nMilliseconds) = 0;
    virtual void LaunchScheduledRun() = 0;

protected:
    ~IScheduleHost() = default;
};

enum class TickOutcome
{
    NoSchedule,    // period 0: nothing to do
    CountStarted,  // last time was 0 after the first launch: record now, launch nothing
    NotDue,
    NetworkDown,   // due, but no probe attempt found the network; nothing changes
    Launched,      // start the updater with " /SCHEDULE"
};

constexpr int kProbeAttempts = 5;
constexpr DWORD kProbePauseMs = 2000;

// The decision of one tick on freshly read values (nPeriod computed): probes
// when due and updates tLastUpdate and bFirstLaunchPending as the tick
// demands. Starts nothing and writes nothing itself.
TickOutcome DecideScheduleTick(ScheduleState& state, DWORD tNow, IScheduleHost& host);
