#include "sysproxy/ChangeSignals.h"

#include "sysproxy/IpHelper.h"

#include <algorithm>
#include <limits>

namespace {

// WinINet keeps the LAN settings in values of this key and of its Connections subkey.
constexpr const wchar_t* kInternetSettingsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const wchar_t* kConnectionsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
// Every so many full passes compare the address table and ask WinINet itself, whatever the notices
// and the keys say: half a minute.
constexpr int kFullPassesPerReading = 10;

// Whether an event was set, resetting it for the next notice.
bool Signalled(const KernelHandle& event)
{
    if (WaitForSingleObject(event.Get(), 0) != WAIT_OBJECT_0)
        return false;
    ResetEvent(event.Get());
    return true;
}

// Without the system's notice the address table is compared on every so many passes: four passes
// of 300 ms, the adapters' own schedule.
constexpr int kPassesPerProbe = 4;

} // namespace

ChangeSignals::ChangeSignals()
    : m_settingsEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_addressEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettingsKey, 0, nullptr, 0, KEY_NOTIFY | KEY_QUERY_VALUE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS)
        m_settingsKey.Reset(key);
    m_addressWait.hEvent = m_addressEvent.Get();
    m_settingsWatched = WatchSettings();
    m_addressesWatched = WatchAddresses();
}

ChangeSignals::~ChangeSignals()
{
    // The system writes into the OVERLAPPED when it ends the wait: let it finish before it goes.
    if (m_addressesWatched && !m_addressList && IpHelper::CancelIPChangeNotify(&m_addressWait))
        WaitForSingleObject(m_addressEvent.Get(), 1000);
}

SystemChanges ChangeSignals::Take(int passes, bool fullPass)
{
    SystemChanges changes;
    if (m_settingsWatched && Signalled(m_settingsEvent))
        m_settingsWatched = WatchSettings();
    else if (m_settingsWatched)
        changes.Settings = false;
    if (m_addressesWatched && Signalled(m_addressEvent))
        m_addressesWatched = WatchAddresses();
    else if (m_addressesWatched)
        changes.Addresses = false;
    else if ((m_passesSinceProbe += passes) < kPassesPerProbe)
        changes.Addresses = false;
    else {
        m_passesSinceProbe = 0;
        changes.Addresses = AddressTableChanged();
    }
    // The full pass's own checks: the settings keys' write times each time; now and then, at
    // a cost, the address table and WinINet itself.
    const bool thorough = fullPass && ++m_fullPasses % kFullPassesPerReading == 0;
    if (thorough && m_addressesWatched && !changes.Addresses)
        changes.Addresses = AddressTableChanged();
    if (fullPass && !changes.Settings)
        changes.Settings = SettingsKeysWritten() || thorough;
    changes.AddressesCompared = true;
    if (m_first) {
        m_first = false;
        changes.Settings = true;
        changes.Addresses = true;
        static_cast<void>(AddressTableChanged());
        static_cast<void>(SettingsKeysWritten());
    }
    // Either way, Addresses now says whether the adapters are worth reading.
    changes.AddressNotices = true;
    return changes;
}

std::vector<HANDLE> ChangeSignals::Notices() const
{
    std::vector<HANDLE> notices;
    if (m_settingsWatched)
        notices.push_back(m_settingsEvent.Get());
    if (m_addressesWatched)
        notices.push_back(m_addressEvent.Get());
    return notices;
}

int ChangeSignals::PassesUntilOwnLook() const
{
    if (m_first)
        return 1;
    if (m_addressesWatched)
        return std::numeric_limits<int>::max();
    return std::max(1, kPassesPerProbe - m_passesSinceProbe);
}

bool ChangeSignals::WatchSettings()
{
    if (!m_settingsKey || !m_settingsEvent)
        return false;
    return RegNotifyChangeKeyValue(m_settingsKey.Get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                   m_settingsEvent.Get(), TRUE) == ERROR_SUCCESS;
}

bool ChangeSignals::WatchAddresses()
{
    if (!m_addressEvent)
        return false;
    if (m_addressList)
        return m_addressList->Watch();
    HANDLE notice = nullptr;
    if (IpHelper::NotifyAddrChange(&notice, &m_addressWait) != ERROR_IO_PENDING)
        return false;
    // The system hands back the handle it will complete the wait on. A wait pending on no
    // handle never completes (some systems only pretend to watch): Winsock's notice is asked
    // for instead, and failing that the adapters are read on their own schedule.
    if (notice != nullptr && notice != INVALID_HANDLE_VALUE)
        return true;
    static_cast<void>(IpHelper::CancelIPChangeNotify(&m_addressWait));
    m_addressList = std::make_unique<AddressListChange>(m_addressEvent.Get());
    return m_addressList->Watch();
}

bool ChangeSignals::SettingsKeysWritten()
{
    if (!m_connectionsKey) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
            m_connectionsKey.Reset(key);
    }
    std::vector<FILETIME> written;
    for (const RegistryKey* key : {&m_settingsKey, &m_connectionsKey}) {
        FILETIME time{};
        if (*key)
            static_cast<void>(RegQueryInfoKeyW(key->Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, &time));
        written.push_back(time);
    }
    const auto same = [](const FILETIME& a, const FILETIME& b) {
        return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
    };
    const bool changed = !std::equal(written.begin(), written.end(), m_keysWritten.begin(), m_keysWritten.end(), same);
    m_keysWritten = std::move(written);
    return changed;
}

bool ChangeSignals::AddressTableChanged()
{
    // A failed reading tells nothing: say changed, so that the adapters are read themselves.
    if (m_tableBytes.size() < sizeof(MIB_IPADDRTABLE))
        m_tableBytes.resize(sizeof(MIB_IPADDRTABLE) + 7 * sizeof(MIB_IPADDRROW));
    auto size = static_cast<ULONG>(m_tableBytes.size());
    DWORD result = IpHelper::GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(m_tableBytes.data()), &size);
    if (result == ERROR_INSUFFICIENT_BUFFER && size > m_tableBytes.size()) {
        m_tableBytes.resize(size);
        result = IpHelper::GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(m_tableBytes.data()), &size);
    }
    if (result != NO_ERROR)
        return true;
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(m_tableBytes.data());
    std::vector<std::pair<DWORD, DWORD>> addresses;
    addresses.reserve(table->dwNumEntries);
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        addresses.emplace_back(table->table[i].dwIndex, table->table[i].dwAddr);
    if (addresses == m_addressTable)
        return false;
    m_addressTable = std::move(addresses);
    return true;
}
