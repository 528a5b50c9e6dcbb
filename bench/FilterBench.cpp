// Times the four removal passes on generated catalogues and compares them
// with the literal passes: same remaining items, same installed entries and,
// on the smaller sizes, the same trace lines in the same order.
//
//   filter_bench [--literal-max N] [--trace-max N] [sizes...]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "ApplicabilityFilter.h"
#include "LiteralFilter.h"
#include "ProcessFlags.h"
#include "TraceLog.h"
#include "WideText.h"

namespace {

constexpr size_t kDevices = 150;
constexpr size_t kInstalledAP = 120;
constexpr size_t kVersionedAP = 100;
constexpr size_t kInstalledHotfix = 40;
const wchar_t kCurrentBios[] = L"0602";

struct Scenario
{
    UpdateItemArray items;
    CInstalledInventory inventory;
    ~Scenario() { ClearUpdateItemArray(items); }
};

class CGenerator
{
public:
    explicit CGenerator(unsigned seed) : m_random(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool Chance(int percent) { return Below(100) < percent; }

    std::wstring Version(int parts)
    {
        std::wstring text = std::to_wstring(Below(10));
        for (int i = 1; i < parts; ++i)
            text += L"." + std::to_wstring(Below(i == 1 ? 20 : 3000));
        return text;
    }

    std::wstring Date()
    {
        wchar_t text[30];
        FormatBounded(text, 30, L"%02d/%02d/%04d", 1 + Below(12), 1 + Below(28), 2005 + Below(8));
        return text;
    }

private:
    std::mt19937 m_random;
};

HardwareIdEntry Entry(const std::wstring& id, const std::wstring& version, const std::wstring& date)
{
    HardwareIdEntry entry;
    CopyBounded(entry.szHardwareId, id.c_str());
    CopyBounded(entry.szVersion, version.c_str());
    CopyBounded(entry.szDate, date.c_str());
    return entry;
}

// A machine with 150 devices of a dozen vendors, 120 installed applications
// (100 with a known version), 40 hotfixes; and an index of n items: 2 % BIOS
// images, 45 % drivers with one to four hardware ids (most for devices the
// machine has), 38 % applications, 15 % hotfixes, a quarter of them
// namesakes of an earlier item and 3 % downgradable.
void Generate(size_t n, unsigned seed, Scenario& s)
{
    CGenerator g(seed);
    wchar_t text[128];

    std::vector<std::wstring> devicePatterns;
    for (size_t d = 0; d < kDevices; ++d)
    {
        FormatBounded(text, 128, L"PCI\\VEN_%04X&DEV_%04X", 0x1000 + g.Below(12) * 0x111,
                      g.Below(0x10000));
        devicePatterns.push_back(text);
        std::wstring id = std::wstring(text) + L"&SUBSYS_" + std::to_wstring(g.Below(100000)) +
                          L"&REV_0" + std::to_wstring(g.Below(10));
        s.inventory.m_aInstalledDevice.push_back(Entry(id, g.Version(4), g.Date()));
    }
    for (size_t a = 0; a < kInstalledAP; ++a)
    {
        FormatBounded(text, 128, L"Application %d", static_cast<int>(a));
        s.inventory.m_aInstalledAP.push_back(text);
        if (a < kVersionedAP)
        {
            InstalledItem installed;
            CopyBounded(installed.szName, text);
            CopyBounded(installed.szVersion, g.Version(3).c_str());
            s.inventory.m_aInstalledItem.push_back(installed);
        }
    }
    InstalledItem product;
    CopyBounded(product.szName, L"Vexa Kestrel");
    CopyBounded(product.szVersion, L"V2.1");
    s.inventory.m_aInstalledItem.push_back(product);
    for (size_t h = 0; h < kInstalledHotfix; ++h)
    {
        InstalledItem hotfix;
        FormatBounded(hotfix.szName, 100, L"KB%06d", static_cast<int>(h));
        CopyBounded(hotfix.szVersion, g.Version(2).c_str());
        s.inventory.m_aInstalledHotfix.push_back(hotfix);
    }

    int fresh[5] = {};
    for (size_t i = 0; i < n; ++i)
    {
        auto* item = new UpdateItem;
        int roll = g.Below(100);
        item->bType = roll < 2 ? kItemTypeBios : roll < 47 ? kItemTypeDriver
                                             : roll < 85 ? kItemTypeAP
                                                         : kItemTypeHotfix;
        item->nIndex = static_cast<LONG>(i);
        item->bDowngradable = g.Chance(3);

        // A namesake takes the name of an earlier item of its type,
        // sometimes in another case.
        std::vector<size_t> sameType;
        if (g.Chance(25))
        {
            for (size_t back = s.items.size(); back-- > 0 && sameType.size() < 8;)
            {
                if (s.items[back]->bType == item->bType && g.Chance(10))
                    sameType.push_back(back);
            }
        }
        if (!sameType.empty())
        {
            size_t model = sameType[g.Below(static_cast<int>(sameType.size()))];
            CopyBounded(item->szName, s.items[model]->szName);
            if (g.Chance(20))
                CharUpperW(item->szName);
        }
        else
        {
            int& next = fresh[item->bType];
            switch (item->bType)
            {
            case kItemTypeBios: FormatBounded(item->szName, 100, L"BIOS %d", next++); break;
            case kItemTypeDriver: FormatBounded(item->szName, 100, L"Driver %d", next++); break;
            // Fresh application names start with the installed ones.
            case kItemTypeAP:
                FormatBounded(item->szName, 100, g.Chance(50) ? L"Application %d" : L"Romtool %d",
                              next++);
                break;
            default: FormatBounded(item->szName, 100, L"KB%06d", next++); break;
            }
        }

        if (item->bType == kItemTypeBios)
            FormatBounded(item->szVersion, 100, L"0%d%02d", 5 + g.Below(2), g.Below(10));
        else if (item->bType != kItemTypeDriver)
            CopyBounded(item->szVersion, g.Version(item->bType == kItemTypeHotfix ? 2 : 3).c_str());
        else
        {
            for (int e = 1 + g.Below(4); e > 0; --e)
            {
                int kind = g.Below(100);
                if (kind < 60)
                    FormatBounded(text, 128, L"%s", devicePatterns[g.Below(kDevices)].c_str());
                else if (kind < 70)
                    FormatBounded(text, 128, L"ven_%04x", 0x1000 + g.Below(12) * 0x111);
                else
                    FormatBounded(text, 128, L"USB\\VID_%04X&PID_%04X", g.Below(0x10000),
                                  g.Below(0x10000));
                item->aHardwareId.push_back(Entry(text, g.Version(4), g.Date()));
            }
        }
        s.items.push_back(item);
    }
}

void Copy(const Scenario& from, Scenario& to)
{
    for (const UpdateItem* item : from.items)
        to.items.push_back(new UpdateItem(*item));
    to.inventory.m_aInstalledDevice = from.inventory.m_aInstalledDevice;
    to.inventory.m_aInstalledAP = from.inventory.m_aInstalledAP;
    to.inventory.m_aInstalledItem = from.inventory.m_aInstalledItem;
    to.inventory.m_aInstalledHotfix = from.inventory.m_aInstalledHotfix;
}

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Timing
{
    double pass[4] = {};
    double Total() const { return pass[0] + pass[1] + pass[2] + pass[3]; }
};

Timing RunFast(Scenario& s)
{
    Timing t;
    CApplicabilityFilter filter(s.items, s.inventory, kCurrentBios);
    double start = Now();
    filter.RemoveRedundantDriver();
    t.pass[0] = Now() - start;
    start = Now();
    filter.RemoveRedundantAP();
    t.pass[1] = Now() - start;
    start = Now();
    filter.RemoveRedundantItem();
    t.pass[2] = Now() - start;
    start = Now();
    filter.RemoveUpdatelessItem();
    t.pass[3] = Now() - start;
    return t;
}

Timing RunLiteral(Scenario& s)
{
    Timing t;
    double start = Now();
    LiteralRemoveRedundantDriver(s.items, s.inventory);
    t.pass[0] = Now() - start;
    start = Now();
    LiteralRemoveRedundantAP(s.items, s.inventory);
    t.pass[1] = Now() - start;
    start = Now();
    LiteralRemoveRedundantItem(s.items);
    t.pass[2] = Now() - start;
    start = Now();
    LiteralRemoveUpdatelessItem(s.items, s.inventory, kCurrentBios);
    t.pass[3] = Now() - start;
    return t;
}

bool SameOutcome(const Scenario& a, const Scenario& b)
{
    if (a.items.size() != b.items.size() ||
        a.inventory.m_aInstalledItem.size() != b.inventory.m_aInstalledItem.size())
        return false;
    for (size_t i = 0; i < a.items.size(); ++i)
    {
        if (a.items[i]->nIndex != b.items[i]->nIndex)
            return false;
    }
    for (size_t i = 0; i < a.inventory.m_aInstalledItem.size(); ++i)
    {
        if (wcscmp(a.inventory.m_aInstalledItem[i].szName, b.inventory.m_aInstalledItem[i].szName))
            return false;
    }
    return true;
}

std::vector<std::wstring> s_traceLines;
void RecordTrace(const wchar_t* line)
{
    s_traceLines.push_back(line);
}

template <typename Run>
std::vector<std::wstring> TraceOf(const Scenario& original, Run run)
{
    Scenario s;
    Copy(original, s);
    s_traceLines.clear();
    g_bDebugTrace = 1;
    SetTraceObserver(RecordTrace);
    run(s);
    SetTraceObserver(nullptr);
    g_bDebugTrace = 0;
    return std::move(s_traceLines);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    size_t literalMax = 2000;
    size_t traceMax = 1000;
    std::vector<size_t> sizes;
    for (int i = 1; i < argc; ++i)
    {
        if (!wcscmp(argv[i], L"--literal-max") && i + 1 < argc)
            literalMax = wcstoul(argv[++i], nullptr, 10);
        else if (!wcscmp(argv[i], L"--trace-max") && i + 1 < argc)
            traceMax = wcstoul(argv[++i], nullptr, 10);
        else
            sizes.push_back(wcstoul(argv[i], nullptr, 10));
    }
    if (sizes.empty())
        sizes = {250, 500, 1000, 2000, 10000, 100000};

    std::printf("%8s %8s | %10s %10s %10s %10s %10s %12s | %10s %9s %6s %6s\n", "items", "left",
                "driver ms", "ap ms", "names ms", "newer ms", "total ms", "ns/(n log n)",
                "literal ms", "ratio", "same", "trace");
    for (size_t n : sizes)
    {
        Scenario original;
        Generate(n, 20091201u + static_cast<unsigned>(n), original);

        // Median of several runs of the product's passes; more of them for
        // the small sizes, whose few milliseconds the shared machine's
        // scheduling would otherwise drown.
        std::vector<Timing> runs;
        Scenario fast;
        const int repeats = n < 10000 ? 15 : 3;
        for (int r = 0; r < repeats; ++r)
        {
            Scenario s;
            Copy(original, s);
            runs.push_back(RunFast(s));
            if (r == 0)
                Copy(s, fast);
        }
        std::sort(runs.begin(), runs.end(),
                  [](const Timing& a, const Timing& b) { return a.Total() < b.Total(); });
        const Timing& t = runs[runs.size() / 2];
        const double items = static_cast<double>(n);
        const double perNLogN = t.Total() * 1e9 / (items * std::log2(items));

        char literalMs[32] = "-", ratio[32] = "-", same[8] = "-", trace[8] = "-";
        if (n <= literalMax)
        {
            Scenario literal;
            Copy(original, literal);
            Timing lt = RunLiteral(literal);
            std::snprintf(literalMs, sizeof(literalMs), "%.1f", lt.Total() * 1e3);
            std::snprintf(ratio, sizeof(ratio), "%.0fx", lt.Total() / t.Total());
            std::snprintf(same, sizeof(same), "%s", SameOutcome(fast, literal) ? "yes" : "NO");
        }
        if (n <= traceMax)
        {
            auto fastTrace = TraceOf(original, [](Scenario& s) { RunFast(s); });
            auto literalTrace = TraceOf(original, [](Scenario& s) { RunLiteral(s); });
            std::snprintf(trace, sizeof(trace), "%s", fastTrace == literalTrace ? "yes" : "NO");
        }
        std::printf("%8zu %8zu | %10.2f %10.2f %10.2f %10.2f %10.2f %12.1f | %10s %9s %6s %6s\n", n,
                    fast.items.size(), t.pass[0] * 1e3, t.pass[1] * 1e3, t.pass[2] * 1e3,
                    t.pass[3] * 1e3, t.Total() * 1e3, perNLogN, literalMs, ratio, same, trace);
        std::fflush(stdout);
    }
    return 0;
}
