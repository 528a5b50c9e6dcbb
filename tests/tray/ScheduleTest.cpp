// The schedule ticks over a settings key of the test's own, with a scripted
// network and a counting launcher.
#include "ScheduleTick.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

constexpr DWORD kMinute = 60;
constexpr DWORD kDay = 86400;
constexpr DWORD kNow = 1700000000;  // any time well after 1970
constexpr DWORD kTick = 5 * kMinute;

// A settings key under HKCU that exists only for one test.
class CTestSettingsKey
{
public:
    CTestSettingsKey()
    {
        static int s_nCount = 0;
        m_path = L"Software\\VEXA Kestrel Tests\\Schedule-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++s_nCount);
        HKEY hKey = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &hKey, nullptr);
        RegCloseKey(hKey);
    }
    ~CTestSettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str()); }

    const wchar_t* Path() const { return m_path.c_str(); }
    void Remove() const { RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str()); RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str()); }

    void SetDword(const wchar_t* name, DWORD value) const
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, m_path.c_str(), name, REG_DWORD, &value, sizeof(value));
    }
    void SetString(const wchar_t* name, const wchar_t* value) const
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, m_path.c_str(), name, REG_SZ, value,
                        static_cast<DWORD>(wcslen(value) * sizeof(wchar_t)));
    }
    // -1 when the value is missing or not a REG_DWORD.
    LONGLONG GetDword(const wchar_t* name) const
    {
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, m_path.c_str(), name, RRF_RT_ANY, &type, &value,
                         &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return -1;
        return value;
    }

private:
    std::wstring m_path;
};

// A freshly started agent against the test key.
class CScheduleBench : public IScheduleHost
{
public:
    CScheduleBench() : m_store(HKEY_CURRENT_USER, m_key.Path()) {}

    bool IsNetworkReachable() override
    {
        ++m_nProbes;
        if (m_answers.empty())
            return true;
        bool bAnswer = m_answers.front();
        m_answers.pop_front();
        return bAnswer;
    }
    void Pause(DWORD nMilliseconds) override { m_nPausedMs += nMilliseconds; }
    void LaunchScheduledRun() override { ++m_nLaunches; }

    void Store(DWORD nFrequency, DWORD tLast) const
    {
        m_key.SetDword(L"Frequency", nFrequency);
        m_key.SetDword(L"LastUpdateTime", tLast);
    }
    LONGLONG StoredLast() const { return m_key.GetDword(L"LastUpdateTime"); }

    TickOutcome Tick(DWORD tNow) { return RunScheduleTick(m_store, m_state, tNow, *this); }

    CTestSettingsKey m_key;
    CScheduleStore m_store;
    ScheduleState m_state;
    std::deque<bool> m_answers;
    int m_nProbes = 0;
    int m_nLaunches = 0;
    DWORD m_nPausedMs = 0;
};

TEST(PeriodForFrequency, FollowsTheTableAfterTheFirstLaunch)
{
    const LONG expected[] = {0, 86400, 259200, 604800, 1209600, 2592000, 7776000};
    for (DWORD index = 0; index < 7; ++index)
    {
        EXPECT_EQ(PeriodForFrequency(index, false), expected[index]) << index;
        EXPECT_EQ(PeriodForFrequency(index, true), 590) << index;
    }
    EXPECT_EQ(PeriodForFrequency(7, false), 604800);
    EXPECT_EQ(PeriodForFrequency(9, false), 604800);
    EXPECT_EQ(PeriodForFrequency(0xFFFFFFFF, true), 590);
}

// One tick of an agent, on values stored before it.
struct FirstTickCase
{
    const char* name;
    DWORD nFrequency;
    DWORD tLast;
    bool bFirstLaunchPending;
    TickOutcome outcome;
    LONGLONG storedLastAfter;
};

TEST(ScheduleTick, DecidesOnTheStoredValues)
{
    const FirstTickCase cases[] = {
        {"first launch, never run, None", 0, 0, true, TickOutcome::Launched, kNow},
        {"first launch, never run, every third month", 6, 0, true, TickOutcome::Launched, kNow},
        {"first launch, never run, unknown frequency", 9, 0, true, TickOutcome::Launched, kNow},
        {"first launch, last run 9 minutes ago", 3, kNow - 9 * kMinute, true, TickOutcome::NotDue,
         kNow - 9 * kMinute},
        {"first launch, last run 590 s ago", 3, kNow - 590, true, TickOutcome::Launched, kNow},
        {"weekly, 6 days ago", 3, kNow - 6 * kDay, false, TickOutcome::NotDue, kNow - 6 * kDay},
        {"weekly, 7 days ago", 3, kNow - 7 * kDay, false, TickOutcome::Launched, kNow},
        {"daily, just under a day", 1, kNow - kDay + 1, false, TickOutcome::NotDue,
         kNow - kDay + 1},
        {"unknown frequency 9 is weekly", 9, kNow - 7 * kDay + 1, false, TickOutcome::NotDue,
         kNow - 7 * kDay + 1},
        {"None after the first launch", 0, kNow - 400 * kDay, false, TickOutcome::NoSchedule,
         kNow - 400 * kDay},
        {"reset to 0 after the first launch restarts the count", 1, 0, false,
         TickOutcome::CountStarted, kNow},
        {"clock set back before the last run", 1, kNow + kDay, false, TickOutcome::NotDue,
         kNow + kDay},
        {"clock set back, first launch", 1, kNow + 10 * kMinute, true, TickOutcome::NotDue,
         kNow + 10 * kMinute},
    };
    for (const FirstTickCase& c : cases)
    {
        CScheduleBench bench;
        bench.Store(c.nFrequency, c.tLast);
        bench.m_state.bFirstLaunchPending = c.bFirstLaunchPending;
        EXPECT_EQ(bench.Tick(kNow), c.outcome) << c.name;
        EXPECT_EQ(bench.m_nLaunches, c.outcome == TickOutcome::Launched ? 1 : 0) << c.name;
        EXPECT_EQ(bench.StoredLast(), c.storedLastAfter) << c.name;
        EXPECT_EQ(bench.m_key.GetDword(L"Frequency"), c.nFrequency) << c.name;
    }
}

TEST(ScheduleTick, NoneLaunchesOnceAfterStartThenNever)
{
    CScheduleBench bench;
    bench.Store(0, 0);
    EXPECT_EQ(bench.Tick(kNow), TickOutcome::Launched);
    for (DWORD t = kNow + kTick; t < kNow + 30 * kDay; t += kDay)
        EXPECT_EQ(bench.Tick(t), TickOutcome::NoSchedule);
    EXPECT_EQ(bench.m_nLaunches, 1);
    EXPECT_EQ(bench.StoredLast(), kNow);
}

TEST(ScheduleTick, RunTwoMinutesAgoWaitsOneTick)
{
    CScheduleBench bench;
    DWORD tStart = kNow;
    bench.Store(3, tStart - 2 * kMinute);
    EXPECT_EQ(bench.Tick(tStart + kTick), TickOutcome::NotDue);  // 7 minutes < 590 s
    EXPECT_EQ(bench.Tick(tStart + 2 * kTick), TickOutcome::Launched);
    EXPECT_EQ(bench.StoredLast(), tStart + 2 * kTick);
    // Then the weekly interval holds.
    EXPECT_EQ(bench.Tick(tStart + 2 * kTick + kTick), TickOutcome::NotDue);
    EXPECT_EQ(bench.Tick(tStart + 2 * kTick + 7 * kDay), TickOutcome::Launched);
    EXPECT_EQ(bench.m_nLaunches, 2);
}

TEST(ScheduleTick, WeeklyRunningForAnHourLaunchesOnlyAtSevenDays)
{
    CScheduleBench bench;
    bench.m_state.bFirstLaunchPending = false;
    DWORD tLast = kNow - 6 * kDay;
    bench.Store(3, tLast);
    for (DWORD t = kNow; t <= kNow + 3600; t += kTick)
        EXPECT_EQ(bench.Tick(t), TickOutcome::NotDue);
    EXPECT_EQ(bench.Tick(tLast + 7 * kDay + 17), TickOutcome::Launched);
    EXPECT_EQ(bench.StoredLast(), tLast + 7 * kDay + 17);
    EXPECT_EQ(bench.m_nLaunches, 1);
}

TEST(ScheduleTick, ResetToZeroAfterTheFirstLaunchCountsAgainFromTheNextTick)
{
    CScheduleBench bench;
    bench.Store(1, 0);
    EXPECT_EQ(bench.Tick(kNow), TickOutcome::Launched);
    bench.Store(1, 0);  // another program resets the time
    EXPECT_EQ(bench.Tick(kNow + kTick), TickOutcome::CountStarted);
    EXPECT_EQ(bench.StoredLast(), kNow + kTick);
    EXPECT_EQ(bench.Tick(kNow + kTick + kDay - 1), TickOutcome::NotDue);
    EXPECT_EQ(bench.Tick(kNow + kTick + kDay), TickOutcome::Launched);
    EXPECT_EQ(bench.m_nLaunches, 2);
}

TEST(ScheduleTick, NetworkDownTriesFiveTimesAndChangesNothing)
{
    CScheduleBench bench;
    bench.Store(3, 0);
    bench.m_answers = {false, false, false, false, false};
    EXPECT_EQ(bench.Tick(kNow), TickOutcome::NetworkDown);
    EXPECT_EQ(bench.m_nProbes, 5);
    EXPECT_EQ(bench.m_nPausedMs, 5u * 2000);
    EXPECT_EQ(bench.m_nLaunches, 0);
    EXPECT_EQ(bench.StoredLast(), 0);
    EXPECT_TRUE(bench.m_state.bFirstLaunchPending);

    // The next tick tries again; the network answers at the third attempt
    // and the time recorded is the tick's, read before probing.
    bench.m_nProbes = 0;
    bench.m_nPausedMs = 0;
    bench.m_answers = {false, false, true};
    EXPECT_EQ(bench.Tick(kNow + kTick), TickOutcome::Launched);
    EXPECT_EQ(bench.m_nProbes, 3);
    EXPECT_EQ(bench.m_nPausedMs, 2u * 2000);
    EXPECT_EQ(bench.StoredLast(), kNow + kTick);
}

TEST(ScheduleTick, MissingKeyLaunchesOnceThenOnlyTriesToRecord)
{
    CScheduleBench bench;
    bench.m_key.Remove();
    EXPECT_EQ(bench.Tick(kNow), TickOutcome::Launched);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(bench.Tick(kNow + i * kDay), TickOutcome::CountStarted);
    EXPECT_EQ(bench.m_nLaunches, 1);
    EXPECT_EQ(bench.StoredLast(), -1);  // the agent never creates the key
}

TEST(ScheduleTick, ValuesOfAnotherTypeCountAsMissing)
{
    CScheduleBench bench;
    bench.m_key.SetString(L"Frequency", L"0");
    bench.m_key.SetString(L"LastUpdateTime", L"1700000000");
    bench.m_state.bFirstLaunchPending = false;
    ReadSchedule(bench.m_store, bench.m_state);
    EXPECT_EQ(bench.m_state.nFrequency, 1u);
    EXPECT_EQ(bench.m_state.tLastUpdate, 0u);
    EXPECT_EQ(bench.m_state.nPeriod, 86400);
}

TEST(ScheduleTick, ChoosingAFrequencyWritesItAndLaunchesNothing)
{
    CScheduleBench bench;
    bench.Store(3, kNow - 100);
    ReadSchedule(bench.m_store, bench.m_state);
    bench.m_state.bFirstLaunchPending = false;
    ChooseFrequency(bench.m_store, bench.m_state, 5);
    EXPECT_EQ(bench.m_key.GetDword(L"Frequency"), 5);
    EXPECT_EQ(bench.StoredLast(), kNow - 100);
    EXPECT_EQ(bench.m_state.nPeriod, 2592000);
    EXPECT_EQ(bench.m_nLaunches, 0);
}

}  // namespace
