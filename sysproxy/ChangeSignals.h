#pragma once
#include "base/UniqueHandle.h"
#include "sysproxy/AddressListChange.h"

#include <windows.h>

#include <memory>
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
// which WinINet keeps the connection settings, and the adapters' addresses (the IP helper's
// notice, or Winsock's where that one never comes). A pass that heard of neither need not ask
// WinINet nor the adapters, and a thread that waits on the notices need not wake for it at all.
// The first look reports both as changed, and so does every look at the settings when their
// notice could not be set up. Where the system gives no address notice at all, the table of IPv4
// addresses is compared with the last one every fourth pass instead, which costs a fraction of
// reading the adapters.
//
// The full passes, for what a notice might have missed, check cheaply too: the settings when the
// keys' last write times moved. Every tenth full pass also reports the settings whatever the keys
// say, and the addresses when the address table differs from the last one.
class ChangeSignals {
public:
    ChangeSignals();
    ~ChangeSignals();
    ChangeSignals(const ChangeSignals&) = delete;
    ChangeSignals& operator=(const ChangeSignals&) = delete;

    // What changed in the given number of passes since the last call; sets the notices up again
    // for the next.
    [[nodiscard]] SystemChanges Take(int passes = 1, bool fullPass = false);
    // The events that the system sets on a change, for a thread to wait on between passes.
    [[nodiscard]] std::vector<HANDLE> Notices() const;
    // How many passes from the last look until the address table is due for a comparison of its
    // own: never, while the system gives address notices.
    [[nodiscard]] int PassesUntilOwnLook() const;

private:
    [[nodiscard]] bool WatchSettings();
    [[nodiscard]] bool WatchAddresses();
    [[nodiscard]] bool AddressTableChanged();
    [[nodiscard]] bool SettingsKeysWritten();

    RegistryKey m_settingsKey;
    RegistryKey m_connectionsKey;
    KernelHandle m_settingsEvent;
    KernelHandle m_addressEvent;
    OVERLAPPED m_addressWait{};
    std::unique_ptr<AddressListChange> m_addressList;  // Winsock's notice, once the IP helper's failed
    bool m_settingsWatched = false;
    bool m_addressesWatched = false;
    bool m_first = true;
    int m_passesSinceProbe = 0;
    int m_fullPasses = 0;
    std::vector<std::pair<DWORD, DWORD>> m_addressTable;  // interface index, address
    std::vector<BYTE> m_tableBytes;  // kept, so that a comparison asks the system only once
    std::vector<FILETIME> m_keysWritten;
};
