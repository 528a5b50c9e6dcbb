// The probe's address walks over fixture adapter lists and registry trees.
// Only 127.0.0.1 ever answers; the recording pinger sends nothing, and the
// real pinger is aimed at loopback alone.
#include "IcmpPinger.h"
#include "NetworkProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

// Records every address it is asked to ping; 127.0.0.1 answers.
struct CRecordingPing
{
    std::vector<std::string> sent;
    AddressPing Function()
    {
        return [this](const char* pszAddress) {
            sent.push_back(pszAddress);
            return std::strcmp(pszAddress, "127.0.0.1") == 0;
        };
    }
};

// An adapter list built from address lists; the entries live in deques so
// that their addresses stay put while the chains point at them.
class CAdapterList
{
public:
    struct Addresses
    {
        Addresses(std::vector<const char*> g, bool w = false, std::vector<const char*> pw = {},
             std::vector<const char*> sw = {}, bool d = false, std::vector<const char*> ds = {})
            : gateways(g), bHaveWins(w), primaryWins(pw), secondaryWins(sw), bDhcp(d), dhcp(ds)
        {
        }
        std::vector<const char*> gateways;
        bool bHaveWins;
        std::vector<const char*> primaryWins;
        std::vector<const char*> secondaryWins;
        bool bDhcp;
        std::vector<const char*> dhcp;
    };

    explicit CAdapterList(const std::vector<Addresses>& adapters)
    {
        for (const Addresses& addresses : adapters)
        {
            IP_ADAPTER_INFO& adapter = m_adapters.emplace_back();
            std::memset(&adapter, 0, sizeof(adapter));
            Chain(adapter.GatewayList, addresses.gateways);
            adapter.HaveWins = addresses.bHaveWins;
            Chain(adapter.PrimaryWinsServer, addresses.primaryWins);
            Chain(adapter.SecondaryWinsServer, addresses.secondaryWins);
            adapter.DhcpEnabled = addresses.bDhcp;
            Chain(adapter.DhcpServer, addresses.dhcp);
        }
        for (size_t i = 0; i + 1 < m_adapters.size(); ++i)
            m_adapters[i].Next = &m_adapters[i + 1];
    }

    const IP_ADAPTER_INFO* Head() const { return m_adapters.empty() ? nullptr : &m_adapters[0]; }

private:
    // The first address sits in the adapter itself, as in the system's list;
    // an empty list is one empty string.
    void Chain(IP_ADDR_STRING& head, const std::vector<const char*>& addresses)
    {
        IP_ADDR_STRING* pLast = &head;
        for (size_t i = 0; i < addresses.size(); ++i)
        {
            IP_ADDR_STRING* pEntry = &head;
            if (i > 0)
            {
                pEntry = &m_extra.emplace_back();
                std::memset(pEntry, 0, sizeof(*pEntry));
                pLast->Next = pEntry;
            }
            std::strncpy(pEntry->IpAddress.String, addresses[i], 15);
            pLast = pEntry;
        }
    }

    std::deque<IP_ADAPTER_INFO> m_adapters;
    std::deque<IP_ADDR_STRING> m_extra;
};

using Sent = std::vector<std::string>;

struct WalkCase
{
    const char* name;
    std::vector<CAdapterList::Addresses> adapters;
    bool bReachable;
    Sent sent;
};

TEST(ProbeAdapterAddresses, WalksTheListsInOrder)
{
    const WalkCase cases[] = {
        {"no adapter", {}, false, {}},
        {"gateway answers", {{{"127.0.0.1"}}}, true, {"127.0.0.1"}},
        {"second of two gateways answers",
         {{{"192.0.2.1", "127.0.0.1"}}},
         true,
         {"192.0.2.1", "127.0.0.1"}},
        {"zero gateway skipped without sending",
         {{{"0.0.0.0", "127.0.0.1"}}},
         true,
         {"127.0.0.1"}},
        {"empty gateway and nothing else", {{{""}}}, false, {}},
        {"gateways before WINS before DHCP",
         {{{"192.0.2.1"}, true, {"192.0.2.2"}, {"192.0.2.3"}, true, {"127.0.0.1"}}},
         true,
         {"192.0.2.1", "192.0.2.2", "192.0.2.3", "127.0.0.1"}},
        {"WINS ignored without HaveWins",
         {{{"0.0.0.0"}, false, {"127.0.0.1"}, {"127.0.0.1"}, false, {}}},
         false,
         {}},
        {"DHCP ignored without DhcpEnabled",
         {{{""}, false, {}, {}, false, {"127.0.0.1"}}},
         false,
         {}},
        {"no gateway but DHCP server answers",
         {{{"0.0.0.0"}, false, {}, {}, true, {"127.0.0.1"}}},
         true,
         {"127.0.0.1"}},
        {"secondary WINS answers",
         {{{}, true, {"0.0.0.0"}, {"127.0.0.1"}, true, {"192.0.2.9"}}},
         true,
         {"127.0.0.1"}},
        {"second adapter answers, first stops nothing",
         {{{"192.0.2.1"}, false, {}, {}, true, {"192.0.2.2"}}, {{"127.0.0.1", "192.0.2.5"}}},
         true,
         {"192.0.2.1", "192.0.2.2", "127.0.0.1"}},
        {"nothing answers",
         {{{"192.0.2.1"}, true, {"192.0.2.2"}, {}, true, {"192.0.2.3"}}, {{"192.0.2.4"}}},
         false,
         {"192.0.2.1", "192.0.2.2", "192.0.2.3", "192.0.2.4"}},
    };
    for (const WalkCase& c : cases)
    {
        CAdapterList list(c.adapters);
        CRecordingPing ping;
        EXPECT_EQ(ProbeAdapterAddresses(list.Head(), ping.Function()), c.bReachable) << c.name;
        EXPECT_EQ(ping.sent, c.sent) << c.name;
    }
}

// A Windows NT 4 network configuration below a test key of HKCU.
class CNt4Registry
{
public:
    CNt4Registry()
    {
        m_path = L"Software\\VEXA Kestrel Tests\\Nt4-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++s_nCount);
        RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &m_hRoot, nullptr);
    }
    ~CNt4Registry()
    {
        RegCloseKey(m_hRoot);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
    }

    HKEY Root() const { return m_hRoot; }

    void AddCard(const wchar_t* card, const wchar_t* service) const
    {
        std::wstring key = std::wstring(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\") + card;
        RegSetKeyValueW(m_hRoot, key.c_str(), L"ServiceName", REG_SZ, service,
                        static_cast<DWORD>(wcslen(service) * sizeof(wchar_t)));
    }

    // Multi-strings given with '|' between the addresses.
    void AddTcpip(const wchar_t* service, int nEnableDhcp, const wchar_t* dhcpGateways,
                  const wchar_t* staticGateways) const
    {
        std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\") + service +
                           L"\\Parameters\\Tcpip";
        HKEY hKey = nullptr;
        RegCreateKeyExW(m_hRoot, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
        if (nEnableDhcp >= 0)
        {
            DWORD value = static_cast<DWORD>(nEnableDhcp);
            RegSetValueExW(hKey, L"EnableDHCP", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                           sizeof(value));
        }
        SetMultiString(hKey, L"DhcpDefaultGateway", dhcpGateways);
        SetMultiString(hKey, L"DefaultGateway", staticGateways);
        RegCloseKey(hKey);
    }

private:
    static void SetMultiString(HKEY hKey, const wchar_t* name, const wchar_t* joined)
    {
        if (!joined)
            return;
        std::wstring multi = joined;
        for (wchar_t& c : multi)
            if (c == L'|')
                c = L'\0';
        multi.append(2, L'\0');
        RegSetValueExW(hKey, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                       static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    }

    static inline int s_nCount = 0;
    std::wstring m_path;
    HKEY m_hRoot = nullptr;
};

TEST(ProbeRegistryGateways, ReadsTheGatewayThatDhcpSelects)
{
    struct Case
    {
        const char* name;
        int nEnableDhcp;  // -1: value missing
        bool bReachable;
        Sent sent;
    };
    const Case cases[] = {
        {"DHCP on: DHCP gateways", 1, true, {"192.0.2.7", "127.0.0.1"}},
        {"DHCP off: static gateways", 0, false, {"192.0.2.8"}},
        {"EnableDHCP missing counts as off", -1, false, {"192.0.2.8"}},
    };
    for (const Case& c : cases)
    {
        CNt4Registry nt4;
        nt4.AddCard(L"1", L"El90x1");
        nt4.AddTcpip(L"El90x1", c.nEnableDhcp, L"192.0.2.7|127.0.0.1", L"0.0.0.0|192.0.2.8");
        CRecordingPing ping;
        EXPECT_EQ(ProbeRegistryGateways(nt4.Root(), ping.Function()), c.bReachable) << c.name;
        EXPECT_EQ(ping.sent, c.sent) << c.name;
    }
}

TEST(ProbeRegistryGateways, WalksCardsInOrderAndSkipsBrokenOnes)
{
    CNt4Registry nt4;
    nt4.AddCard(L"1", L"NoTcpip");     // service without TCP/IP parameters
    nt4.AddCard(L"2", L"Wrong");       // gateway of the wrong type
    nt4.AddCard(L"3", L"Static");
    nt4.AddCard(L"4", L"Later");
    nt4.AddTcpip(L"Wrong", 0, nullptr, nullptr);
    RegSetKeyValueW(nt4.Root(), L"SYSTEM\\CurrentControlSet\\Services\\Wrong\\Parameters\\Tcpip",
                    L"DefaultGateway", REG_SZ, L"127.0.0.1", 20);
    nt4.AddTcpip(L"Static", 0, L"192.0.2.1", L"127.0.0.1");
    nt4.AddTcpip(L"Later", 0, nullptr, L"192.0.2.2");
    CRecordingPing ping;
    EXPECT_TRUE(ProbeRegistryGateways(nt4.Root(), ping.Function()));
    EXPECT_EQ(ping.sent, Sent({"127.0.0.1"}));
}

TEST(ProbeRegistryGateways, FalseWithoutNetworkCards)
{
    CNt4Registry nt4;
    CRecordingPing ping;
    EXPECT_FALSE(ProbeRegistryGateways(nt4.Root(), ping.Function()));
    nt4.AddTcpip(L"Orphan", 0, nullptr, L"127.0.0.1");  // no card names it
    EXPECT_FALSE(ProbeRegistryGateways(nt4.Root(), ping.Function()));
    EXPECT_TRUE(ping.sent.empty());
}

TEST(ProbeRegistryGateways, KeepsTenServicesOfUpToNineteenCharacters)
{
    CNt4Registry nt4;
    nt4.AddCard(L"0", L"ThisServiceNameIsTooLong");
    for (int i = 1; i <= 11; ++i)
    {
        std::wstring service = L"Svc" + std::to_wstring(i);
        std::wstring card = std::to_wstring(i);
        nt4.AddCard(card.c_str(), service.c_str());
        nt4.AddTcpip(service.c_str(), 0, nullptr, L"192.0.2.1");
    }
    nt4.AddTcpip(L"ThisServiceNameIsTooLong", 0, nullptr, L"127.0.0.1");
    CRecordingPing ping;
    EXPECT_FALSE(ProbeRegistryGateways(nt4.Root(), ping.Function()));
    EXPECT_EQ(ping.sent.size(), 10u);
}

// The real echo, aimed only at loopback (the tests run in a namespace that
// has nothing else).
TEST(CIcmpPinger, LoopbackAnswersAndZeroAddressesAreNotSent)
{
    CIcmpPinger pinger;
    EXPECT_GE(pinger.Ping("127.0.0.1"), 0);
    EXPECT_EQ(pinger.Ping("0.0.0.0"), -1);
    EXPECT_EQ(pinger.Ping(""), -1);
    EXPECT_TRUE(PingWithIcmp("127.0.0.1"));

    CAdapterList list({{{"0.0.0.0", "127.0.0.1"}}});
    EXPECT_TRUE(ProbeAdapterAddresses(list.Head(), PingWithIcmp));
}

TEST(IsNetworkReachable, FindsNoGatewayInALoopbackOnlyNamespace)
{
    EXPECT_FALSE(IsNetworkReachable());
}

}  // namespace
