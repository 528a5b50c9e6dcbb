// Whether the machine's own network answers, asked before a scheduled run:
// an echo to the default gateways (and, from Windows 2000 on, the WINS and
// DHCP servers), or the system's connection state on Windows 9x.
#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <functional>

// Sends one echo to an address; true when it answered.
using AddressPing = std::function<bool(const char* pszAddress)>;

// An echo through a fresh CIcmpPinger.
bool PingWithIcmp(const char* pszAddress);

bool IsNetworkReachable();

// Windows NT 4: the gateways of every network card's TCP/IP service, read
// from the registry below hRoot (the network cards under SOFTWARE, their
// services under SYSTEM, as HKEY_LOCAL_MACHINE holds them).
bool ProbeRegistryGateways(HKEY hRoot, const AddressPing& ping);

// Windows 2000 and later: for each adapter in order its gateways, its WINS
// servers when it has WINS and its DHCP server when DHCP is on.
bool ProbeAdapterAddresses(const IP_ADAPTER_INFO* pAdapters, const AddressPing& ping);
// The same over the system's adapter list.
bool ProbeAdapterAddresses(const AddressPing& ping);
