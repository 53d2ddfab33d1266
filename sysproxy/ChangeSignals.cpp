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
    if (m_first) {
        m_first = false;
        changes.Settings = true;
        changes.Addresses = true;
    }
    changes.AddressNotices = m_addressesWatched;
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
