#include "sysproxy/ProfileList.h"

#include "sysproxy/ApplyProfile.h"
#include "sysproxy/SystemSettings.h"

namespace {

// After an edit of the active profile, gives the applied settings time to settle.
constexpr DWORD kEditSettleMs = 10;

} // namespace

ProfileList::ProfileList(ProfileListOptions options)
    : m_profiles(std::make_shared<ProfileCollection>()), m_snapshot(std::make_shared<SettingsSnapshot>()),
      m_notifier(std::make_shared<ProfileNotifier>(*m_profiles)),
      m_store(*m_profiles, options.StorePath, options.StoreRetryMs, options.Status)
{
    static_cast<void>(m_store.Load());
    if (options.Import == ConnectionImport::Import)
        ImportConnections(*m_profiles, *m_snapshot);
    if (options.Monitor == MonitorStart::Start)
        m_monitor = std::make_unique<MonitorThread>(
            std::make_shared<MonitorState>(m_profiles, m_snapshot, m_notifier, std::move(options.Monitoring)));
}

ProfileList::~ProfileList()
{
    m_monitor.reset();
    m_notifier->SetWindow(nullptr);
}

std::optional<ProxyProfile> ProfileList::Activate(const std::wstring& name)
{
    return ApplyStored(*m_profiles, name);
}

std::optional<ProxyProfile> ProfileList::StoreEdited(const std::wstring& oldName, const ProxyProfile& edited,
                                                     EditedProfileWas was)
{
    SettingsSnapshot::Locked snapshot = m_snapshot->Lock();
    std::optional<ProxyProfile> refused;
    if (was == EditedProfileWas::Active) {
        m_profiles->Remove(oldName);
        m_profiles->Put(edited);
        refused = ApplyStored(*m_profiles, edited.Name);
        snapshot.Settings() = edited;
        Sleep(kEditSettleMs);
    } else {
        if (edited.Name != oldName)
            m_profiles->Remove(oldName);
        m_profiles->Put(edited);
    }
    return refused;
}

void ProfileList::RequestStop()
{
    if (m_monitor)
        m_monitor->RequestStop();
}
