// The schedule timer's tick over the stored values: read them fresh, decide,
// start the updater and record the time.
#pragma once

#include "ScheduleRules.h"
#include "ScheduleStore.h"

// Stored frequency and time into state, with the period recomputed.
void ReadSchedule(const CScheduleStore& store, ScheduleState& state);
void WriteSchedule(const CScheduleStore& store, const ScheduleState& state);

// Reads, decides, launches through the host when due and the network
// answered, and writes back what the decision changed.
TickOutcome RunScheduleTick(const CScheduleStore& store, ScheduleState& state, DWORD tNow,
                            IScheduleHost& host);

// A frequency chosen in the menu: stored at once, launches nothing.
void ChooseFrequency(const CScheduleStore& store, ScheduleState& state, DWORD nFrequency);
