#include "profiles/ProfileList.h"

#include "app/StatusLog.h"
#include "diag/AppFolders.h"
#include "profiles/ProfileStore.h"
#include "sysproxy/ApplyProfile.h"
#include "sysproxy/MonitorThread.h"
#include "sysproxy/SystemSettings.h"

namespace {

constexpr DWORD kMonitorStopWaitMs = 5000;

std::wstring DefaultStorePath()
{
    return GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
}

} // namespace

ProfileList::ProfileList() : ProfileList(ProfileListOptions{}) {}

ProfileList::ProfileList(ProfileListOptions options) : m_options(std::move(options))
{
    if (m_options.StorePath.empty())
        m_options.StorePath = DefaultStorePath();
    Load();
    if (m_options.Import == ConnectionImport::Import)
        ImportConnections(*this);
    if (m_options.Monitor == MonitorStart::Start)
        m_monitorThread = CreateThread(nullptr, 0, MonitorThread, this, 0, nullptr);
}

ProfileList::~ProfileList()
{
    m_notifyWindow.store(nullptr);
    m_stop.store(true);
    if (m_monitorThread) {
        // The thread reads this list: it must be gone before the list is.
        WaitForSingleObject(m_monitorThread, m_options.MonitorPeriodMs + kMonitorStopWaitMs);
        CloseHandle(m_monitorThread);
    }
}

ProfileList::LoadResult ProfileList::Load()
{
    EventLockGuard guard(m_listLock);
    const LoadResult result = LoadLocked();
    guard.Release();
    if (result == Corrupted)
        StatusLog::Error(L"Could not load proxies settings. Proxies DB file corrupted");
    else if (result == Loaded)
        StatusLog::Info(L"Proxies loaded successfully");
    return result;
}

ProfileList::LoadResult ProfileList::LoadLocked()
{
    m_profiles.clear();
    m_count.store(0);
    // Each record goes into the map as it is read: a file of a million records under one name
    // costs one entry, not a million.
    const StoreReadResult read =
        ReadStoreFile(m_options.StorePath, [this](ProxyProfile&& record) { PutLocked(std::move(record)); });
    if (read == StoreReadResult::CannotOpen)
        return CannotOpen;
    return read == StoreReadResult::Read ? Loaded : Corrupted;
}

ProfileList::SaveResult ProfileList::Save()
{
    EventLockGuard guard(m_listLock);
    const std::wstring& path = m_options.StorePath;
    const auto slash = path.rfind(L'\\');
    if (slash != std::wstring::npos)
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    std::vector<ProxyProfile> records;
    records.reserve(m_profiles.size());
    for (const auto& [name, entry] : m_profiles)
        records.push_back(entry.Profile);
    return WriteStoreFile(path, records) ? Saved : CannotCreate;
}

void ProfileList::PutLocked(ProxyProfile profile)
{
    auto [where, added] = m_profiles.try_emplace(profile.Name);
    where->second.Profile = std::move(profile);
    if (added) {
        where->second.Id = m_nextId++;
        m_count.store(m_profiles.size());
    }
}

void ProfileList::Put(const ProxyProfile& profile)
{
    EventLockGuard guard(m_listLock);
    PutLocked(profile);
}

void ProfileList::PutUnlessSameSettings(const ProxyProfile& profile)
{
    EventLockGuard guard(m_listLock);
    for (const auto& [name, entry] : m_profiles) {
        if (entry.Profile.SameSettings(profile))
            return;
    }
    PutLocked(profile);
}

std::optional<ProxyProfile> ProfileList::Find(const std::wstring& name)
{
    EventLockGuard guard(m_listLock);
    const auto found = m_profiles.find(name);
    if (found == m_profiles.end())
        return std::nullopt;
    return found->second.Profile;
}

std::uint64_t ProfileList::FindId(const std::wstring& name)
{
    EventLockGuard guard(m_listLock);
    const auto found = m_profiles.find(name);
    return found == m_profiles.end() ? 0 : found->second.Id;
}

std::optional<ProxyProfile> ProfileList::FindById(std::uint64_t id)
{
    EventLockGuard guard(m_listLock);
    for (const auto& [name, entry] : m_profiles) {
        if (entry.Id == id && id != 0)
            return entry.Profile;
    }
    return std::nullopt;
}

void ProfileList::Remove(const std::wstring& name)
{
    EventLockGuard guard(m_listLock);
    m_profiles.erase(name);
    m_count.store(m_profiles.size());
}

void ProfileList::Activate(const std::wstring& name)
{
    EventLockGuard guard(m_listLock);
    const auto found = m_profiles.find(name);
    if (found == m_profiles.end())
        return;
    const ProxyProfile profile = found->second.Profile;
    // Activations stay one at a time, but the failure box runs a modal loop that may handle a
    // message needing this lock, so it is shown only after the lock is released.
    const bool written = ApplyProfile(profile);
    guard.Release();
    if (!written)
        ShowApplyFailure(profile);
}

std::wstring ProfileList::FindNameBySettings(const ProxyProfile& settings)
{
    EventLockGuard guard(m_listLock);
    for (const auto& [name, entry] : m_profiles) {
        if (entry.Profile.SameSettings(settings))
            return name;
    }
    return {};
}

std::wstring ProfileList::FindNameByRule(const std::wstring& ndisName, const std::wstring& address)
{
    EventLockGuard guard(m_listLock);
    for (const auto& [name, entry] : m_profiles) {
        if (entry.Profile.NdisName == ndisName && entry.Profile.AutoIp == address)
            return name;
    }
    return {};
}

void ProfileList::ListNames(std::vector<std::wstring>& names)
{
    names.clear();
    EventLockGuard guard(m_listLock);
    for (const auto& [name, entry] : m_profiles) {
        if (!name.empty())
            names.push_back(name);
    }
}

std::wstring ProfileList::UniqueUnnamedName()
{
    EventLockGuard guard(m_listLock);
    std::wstring name = L"Unnamed Proxy";
    for (unsigned number = 1; m_profiles.count(name) != 0; ++number)
        name = L"Unnamed Proxy " + std::to_wstring(number);
    return name;
}

void ProfileList::PostProfileMessage(UINT message, const std::wstring& name)
{
    const HWND window = m_notifyWindow.load();
    if (window)
        PostMessageW(window, message, static_cast<WPARAM>(FindId(name)), 0);
}

ProxyProfile ProfileList::CurrentSettings()
{
    EventLockGuard guard(m_settingsLock);
    return m_snapshot;
}

ProfileList& TheProfileList()
{
    static ProfileList list;
    return list;
}
