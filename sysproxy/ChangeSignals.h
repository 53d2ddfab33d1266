#pragma once
#include "base/UniqueHandle.h"

#include <windows.h>

#include <utility>
#include <vector>

// What the system signalled since the last look.
struct SystemChanges {
    bool Settings = true;   // something under WinINet's connection settings in the registry
    bool Addresses = true;  // an adapter's address
    // Whether Addresses comes from the system's notice: without one the adapters are read on
    // a fixed schedule; with one, on the pass after the notice.
    bool AddressNotices = false;
    // Whether Addresses came from comparing the address table on this very look: then it needs
    // no safety net of its own.
    bool AddressesCompared = false;
};

// The system's own change notices for what the monitor's passes read: the registry key under
// which WinINet keeps the connection settings, and the adapters' addresses. A pass that heard of
// neither need not ask WinINet nor the adapters. The first look reports both as changed, and so
// does every look at the settings when their notice could not be set up. Where the system gives
// no address notice (some systems accept the wait and never end it), every fourth look compares
// the table of IPv4 addresses with the last one instead, which costs a fraction of reading the
// adapters.
class ChangeSignals {
public:
    ChangeSignals();
    ~ChangeSignals();
    ChangeSignals(const ChangeSignals&) = delete;
    ChangeSignals& operator=(const ChangeSignals&) = delete;

    // What changed since the last call; sets the notices up again for the next.
    [[nodiscard]] SystemChanges Take();

private:
    [[nodiscard]] bool WatchSettings();
    [[nodiscard]] bool WatchAddresses();
    [[nodiscard]] bool AddressTableChanged();

    RegistryKey m_settingsKey;
    KernelHandle m_settingsEvent;
    KernelHandle m_addressEvent;
    OVERLAPPED m_addressWait{};
    bool m_settingsWatched = false;
    bool m_addressesWatched = false;
    bool m_first = true;
    int m_looksSinceProbe = 0;
    std::vector<std::pair<DWORD, DWORD>> m_addressTable;  // interface index, address
};
