#include "sysproxy/ChangeSignals.h"

#include "sysproxy/IpHelper.h"

namespace {

// WinINet keeps the LAN settings in values of this key and of its Connections subkey.
constexpr const wchar_t* kInternetSettingsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Whether an event was set, resetting it for the next notice.
bool Signalled(const KernelHandle& event)
{
    if (WaitForSingleObject(event.Get(), 0) != WAIT_OBJECT_0)
        return false;
    ResetEvent(event.Get());
    return true;
}

// Without the system's notice the address table is compared on every so many looks: four passes
// of 300 ms, the adapters' own schedule.
constexpr int kLooksPerProbe = 4;

} // namespace

ChangeSignals::ChangeSignals()
    : m_settingsEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_addressEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettingsKey, 0, nullptr, 0, KEY_NOTIFY, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        m_settingsKey.Reset(key);
    m_addressWait.hEvent = m_addressEvent.Get();
    m_settingsWatched = WatchSettings();
    m_addressesWatched = WatchAddresses();
}

ChangeSignals::~ChangeSignals()
{
    // The system writes into the OVERLAPPED when it ends the wait: let it finish before it goes.
    if (m_addressesWatched && IpHelper::CancelIPChangeNotify(&m_addressWait))
        WaitForSingleObject(m_addressEvent.Get(), 1000);
}

SystemChanges ChangeSignals::Take()
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
    else if (++m_looksSinceProbe < kLooksPerProbe)
        changes.Addresses = false;
    else {
        m_looksSinceProbe = 0;
        changes.Addresses = AddressTableChanged();
    }
    changes.AddressesCompared = !m_addressesWatched;
    if (m_first) {
        m_first = false;
        changes.Settings = true;
        changes.Addresses = true;
        if (!m_addressesWatched)
            static_cast<void>(AddressTableChanged());
    }
    // Either way, Addresses now says whether the adapters are worth reading.
    changes.AddressNotices = true;
    return changes;
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
    HANDLE notice = nullptr;
    if (IpHelper::NotifyAddrChange(&notice, &m_addressWait) != ERROR_IO_PENDING)
        return false;
    // The system hands back the handle it will complete the wait on. A wait pending on no
    // handle never completes (some systems only pretend to watch): the adapters are then read
    // on their own schedule instead.
    if (notice != nullptr && notice != INVALID_HANDLE_VALUE)
        return true;
    IpHelper::CancelIPChangeNotify(&m_addressWait);
    return false;
}

bool ChangeSignals::AddressTableChanged()
{
    // A failed reading tells nothing: say changed, so that the adapters are read themselves.
    ULONG size = 0;
    if (IpHelper::GetIpAddrTable(nullptr, &size) != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return true;
    std::vector<BYTE> bytes(size);
    auto* table = reinterpret_cast<PMIB_IPADDRTABLE>(bytes.data());
    if (IpHelper::GetIpAddrTable(table, &size) != NO_ERROR)
        return true;
    std::vector<std::pair<DWORD, DWORD>> addresses;
    addresses.reserve(table->dwNumEntries);
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        addresses.emplace_back(table->table[i].dwIndex, table->table[i].dwAddr);
    if (addresses == m_addressTable)
        return false;
    m_addressTable = std::move(addresses);
    return true;
}
