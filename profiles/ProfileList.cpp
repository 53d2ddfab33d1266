#include "profiles/ProfileList.h"

#include "app/StatusLog.h"
#include "diag/AppFolders.h"
#include "diag/LogService.h"
#include "diag/LogText.h"
#include "profiles/ProfileStore.h"
#include "sysproxy/ApplyProfile.h"
#include "sysproxy/MonitorThread.h"
#include "sysproxy/SystemSettings.h"

#include <mutex>

namespace {

// How long the destruction waits for the monitor thread to notice the stop. A thread still
// busy after it goes on with the shared state alone and ends at its next look at the stop flag.
constexpr DWORD kMonitorStopWaitMs = 500;
// After an edit of the active profile, gives the applied settings time to settle.
constexpr DWORD kEditSettleMs = 10;

// Between two tries of a store that another program holds.
constexpr DWORD kStoreRetryPauseMs = 100;

std::wstring DefaultStorePath()
{
    return GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
}

// A store that is there and was not read: its profiles live only in the file.
bool UnreadButThere(StoreReadResult read)
{
    return read != StoreReadResult::Read && read != StoreReadResult::Missing;
}

std::vector<std::wstring> LoadFailureLines(StoreReadResult read, const std::wstring& path)
{
    const wchar_t* why = L"Could not load proxies settings. Proxies DB file could not be read";
    if (read == StoreReadResult::UnknownHeader || read == StoreReadResult::TooLarge)
        why = L"Could not load proxies settings. Proxies DB file corrupted";
    else if (read == StoreReadResult::InUse)
        why = L"Could not load proxies settings. Proxies DB file is in use by another program";
    return {why, FormatText(L"%s is left as it is; a copy of it is kept before the proxies are saved", path.c_str())};
}

void ReportKept(StoreKeepResult kept, const std::wstring& path, const std::wstring& keptAs)
{
    std::wstring line;
    switch (kept) {
    case StoreKeepResult::Kept:
        line = FormatText(L"The proxies file that could not be read was kept as %s", keptAs.c_str());
        StatusLog::Info(line);
        TRY_LOG_EVENT(kLogEvent, L"%s", line.c_str());
        return;
    case StoreKeepResult::InUse:
        line = FormatText(L"%s is still in use by another program: it was not read, so it is not replaced", path.c_str());
        break;
    case StoreKeepResult::Failed:
        line = FormatText(L"%s was not read and no copy of it could be made, so it is not replaced", path.c_str());
        break;
    case StoreKeepResult::NothingThere: return;
    }
    StatusLog::Error(line);
    TRY_LOG_EVENT(kLogFailure, L"%s", line.c_str());
}

} // namespace

struct ProfileList::Shared {
    explicit Shared(ProfileListOptions options)
        : Options(std::move(options)), StopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~Shared()
    {
        if (StopEvent)
            CloseHandle(StopEvent);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    ProfileListOptions Options;
    Map Profiles;
    EventLock ListLock;
    std::atomic<std::size_t> Count{0};
    std::uint64_t NextId = 1;
    ProxyProfile Snapshot;
    EventLock SettingsLock;
    std::atomic<bool> Stop{false};
    HANDLE StopEvent;
    std::atomic<HWND> NotifyWindow{nullptr};
    // Under the list lock: the store is there unread and no copy of it is kept yet; what the
    // load that found it so reported.
    bool UnreadStore = false;
    std::vector<std::wstring> LoadFailure;
    // Held while a message is posted to the notify window or the pass hook runs, so that once
    // the owner has cleared both under it, nothing outside the list hears from the thread again.
    std::mutex OutsideLock;
};

ProfileList::ProfileList() : ProfileList(ProfileListOptions{}) {}

ProfileList::ProfileList(ProfileListOptions options)
    : m_shared(std::make_shared<Shared>(std::move(options))), m_role(Role::Owner)
{
    if (m_shared->Options.StorePath.empty())
        m_shared->Options.StorePath = DefaultStorePath();
    Load();
    if (m_shared->Options.Import == ConnectionImport::Import)
        ImportConnections(*this);
    if (m_shared->Options.Monitor == MonitorStart::Start) {
        std::unique_ptr<ProfileList> handle(new ProfileList(m_shared, Role::MonitorHandle));
        m_monitorThread = CreateThread(nullptr, 0, MonitorThread, handle.get(), 0, nullptr);
        if (m_monitorThread)
            handle.release();  // the thread's own from now on
    }
}

ProfileList::ProfileList(std::shared_ptr<Shared> shared, Role role) : m_shared(std::move(shared)), m_role(role) {}

ProfileList::~ProfileList()
{
    if (m_role != Role::Owner)
        return;
    Shared& shared = *m_shared;
    shared.Stop.store(true);
    SetEvent(shared.StopEvent);
    {
        const std::lock_guard outside(shared.OutsideLock);
        shared.NotifyWindow.store(nullptr);
        shared.Options.MonitorPassDone = nullptr;
    }
    if (m_monitorThread) {
        WaitForSingleObject(m_monitorThread, kMonitorStopWaitMs);
        CloseHandle(m_monitorThread);
    }
}

ProfileList::LoadResult ProfileList::Load()
{
    EventLockGuard guard(m_shared->ListLock);
    const StoreReadResult read = ReadStoreLocked();
    m_shared->UnreadStore = UnreadButThere(read);
    m_shared->LoadFailure = m_shared->UnreadStore ? LoadFailureLines(read, StorePath()) : std::vector<std::wstring>{};
    const std::vector<std::wstring> failure = m_shared->LoadFailure;
    guard.Release();
    if (read == StoreReadResult::Read)
        StatusLog::Info(L"Proxies loaded successfully");
    for (const std::wstring& line : failure) {
        StatusLog::Error(line);
        TRY_LOG_EVENT(kLogFailure, L"%s", line.c_str());
    }
    switch (read) {
    case StoreReadResult::Read: return Loaded;
    case StoreReadResult::UnknownHeader: case StoreReadResult::TooLarge: return Corrupted;
    default: return CannotOpen;
    }
}

StoreReadResult ProfileList::ReadStoreLocked()
{
    const auto clear = [this] {
        m_shared->Profiles.clear();
        m_shared->Count.store(0);
    };
    const auto take = [this](ProxyProfile&& record) { PutLocked(std::move(record)); };
    for (const DWORD start = GetTickCount();; Sleep(kStoreRetryPauseMs)) {
        clear();
        // Each record goes into the map as it is read: a file of a million records under one name
        // costs one entry, not a million.
        const StoreReadResult read = ReadStoreFile(m_shared->Options.StorePath, take);
        if (read == StoreReadResult::InUse && GetTickCount() - start < m_shared->Options.StoreRetryMs)
            continue;
        // Part of a store is not the store: nothing of it is kept.
        if (read != StoreReadResult::Read)
            clear();
        return read;
    }
}

std::vector<std::wstring> ProfileList::LoadFailureReport()
{
    EventLockGuard guard(m_shared->ListLock);
    return m_shared->LoadFailure;
}

StoreKeepResult ProfileList::KeepUnreadStoreLocked(std::wstring& keptAs)
{
    for (const DWORD start = GetTickCount();; Sleep(kStoreRetryPauseMs)) {
        const StoreKeepResult kept = KeepStoreAside(m_shared->Options.StorePath, keptAs);
        if (kept != StoreKeepResult::InUse || GetTickCount() - start >= m_shared->Options.StoreRetryMs)
            return kept;
    }
}

ProfileList::SaveResult ProfileList::Save()
{
    EventLockGuard guard(m_shared->ListLock);
    const std::wstring& path = m_shared->Options.StorePath;
    const auto slash = path.rfind(L'\\');
    if (slash != std::wstring::npos)
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    StoreKeepResult kept = StoreKeepResult::NothingThere;
    std::wstring keptAs;
    if (m_shared->UnreadStore) {
        kept = KeepUnreadStoreLocked(keptAs);
        m_shared->UnreadStore = kept != StoreKeepResult::Kept && kept != StoreKeepResult::NothingThere;
    }
    bool written = false;
    if (!m_shared->UnreadStore) {
        std::vector<ProxyProfile> records;
        records.reserve(m_shared->Profiles.size());
        for (const auto& [name, entry] : m_shared->Profiles)
            records.push_back(entry.Profile);
        written = WriteStoreFile(path, records);
    }
    guard.Release();
    ReportKept(kept, path, keptAs);
    return written ? Saved : CannotCreate;
}

void ProfileList::PutLocked(ProxyProfile profile)
{
    auto [where, added] = m_shared->Profiles.try_emplace(profile.Name);
    where->second.Profile = std::move(profile);
    if (added) {
        where->second.Id = m_shared->NextId++;
        m_shared->Count.store(m_shared->Profiles.size());
    }
}

void ProfileList::Put(const ProxyProfile& profile)
{
    EventLockGuard guard(m_shared->ListLock);
    PutLocked(profile);
}

void ProfileList::PutUnlessSameSettings(const ProxyProfile& profile)
{
    EventLockGuard guard(m_shared->ListLock);
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (entry.Profile.SameSettings(profile))
            return;
    }
    PutLocked(profile);
}

std::optional<ProxyProfile> ProfileList::Find(const std::wstring& name)
{
    EventLockGuard guard(m_shared->ListLock);
    const auto found = m_shared->Profiles.find(name);
    if (found == m_shared->Profiles.end())
        return std::nullopt;
    return found->second.Profile;
}

std::uint64_t ProfileList::FindId(const std::wstring& name)
{
    EventLockGuard guard(m_shared->ListLock);
    const auto found = m_shared->Profiles.find(name);
    return found == m_shared->Profiles.end() ? 0 : found->second.Id;
}

std::optional<ProxyProfile> ProfileList::FindById(std::uint64_t id)
{
    EventLockGuard guard(m_shared->ListLock);
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (entry.Id == id && id != 0)
            return entry.Profile;
    }
    return std::nullopt;
}

void ProfileList::Remove(const std::wstring& name)
{
    EventLockGuard guard(m_shared->ListLock);
    m_shared->Profiles.erase(name);
    m_shared->Count.store(m_shared->Profiles.size());
}

std::optional<ProxyProfile> ProfileList::ApplyStored(const std::wstring& name)
{
    // Activations stay one at a time, but the failure box runs a modal loop that may handle a
    // message needing this lock, so the caller shows it only after every lock is released.
    EventLockGuard guard(m_shared->ListLock);
    const auto found = m_shared->Profiles.find(name);
    if (name.empty() || found == m_shared->Profiles.end())
        return std::nullopt;
    if (ApplyProfile(found->second.Profile))
        return std::nullopt;
    return found->second.Profile;
}

void ProfileList::Activate(const std::wstring& name)
{
    if (const auto refused = ApplyStored(name))
        ShowApplyFailure(*refused);
}

void ProfileList::StoreEdited(const std::wstring& oldName, const ProxyProfile& edited, EditedProfileWas was)
{
    EventLockGuard settings(m_shared->SettingsLock);
    std::optional<ProxyProfile> refused;
    if (was == EditedProfileWas::Active) {
        Remove(oldName);
        Put(edited);
        refused = ApplyStored(edited.Name);
        m_shared->Snapshot = edited;
        Sleep(kEditSettleMs);
    } else {
        if (edited.Name != oldName)
            Remove(oldName);
        Put(edited);
    }
    settings.Release();
    if (refused)
        ShowApplyFailure(*refused);
}

std::wstring ProfileList::FindNameBySettings(const ProxyProfile& settings)
{
    EventLockGuard guard(m_shared->ListLock);
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (!name.empty() && entry.Profile.SameSettings(settings))
            return name;
    }
    return {};
}

std::wstring ProfileList::FindNameByRule(const std::wstring& ndisName, const std::wstring& address)
{
    EventLockGuard guard(m_shared->ListLock);
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (!name.empty() && entry.Profile.NdisName == ndisName && entry.Profile.AutoIp == address)
            return name;
    }
    return {};
}

void ProfileList::ListNames(std::vector<std::wstring>& names)
{
    names.clear();
    EventLockGuard guard(m_shared->ListLock);
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (!name.empty())
            names.push_back(name);
    }
}

void ProfileList::ListProfiles(std::vector<ProxyProfile>& profiles)
{
    profiles.clear();
    EventLockGuard guard(m_shared->ListLock);
    profiles.reserve(m_shared->Profiles.size());
    for (const auto& [name, entry] : m_shared->Profiles) {
        if (!name.empty())
            profiles.push_back(entry.Profile);
    }
}

std::size_t ProfileList::Count() const
{
    return m_shared->Count.load();
}

std::wstring ProfileList::UniqueUnnamedName()
{
    EventLockGuard guard(m_shared->ListLock);
    std::wstring name = L"Unnamed Proxy";
    for (unsigned number = 1; m_shared->Profiles.count(name) != 0; ++number)
        name = L"Unnamed Proxy " + std::to_wstring(number);
    return name;
}

void ProfileList::SetNotifyWindow(HWND window)
{
    m_shared->NotifyWindow.store(window);
}

HWND ProfileList::NotifyWindow() const
{
    return m_shared->NotifyWindow.load();
}

void ProfileList::PostProfileMessage(UINT message, const std::wstring& name)
{
    const std::uint64_t id = FindId(name);
    const std::lock_guard outside(m_shared->OutsideLock);
    if (const HWND window = m_shared->NotifyWindow.load())
        PostMessageW(window, message, static_cast<WPARAM>(id), 0);
}

ProxyProfile ProfileList::CurrentSettings()
{
    EventLockGuard guard(m_shared->SettingsLock);
    return m_shared->Snapshot;
}

EventLock& ProfileList::SettingsLock()
{
    return m_shared->SettingsLock;
}

ProxyProfile& ProfileList::Snapshot()
{
    return m_shared->Snapshot;
}

void ProfileList::RequestStop()
{
    m_shared->Stop.store(true);
    SetEvent(m_shared->StopEvent);
}

bool ProfileList::StopRequested() const
{
    return m_shared->Stop.load();
}

bool ProfileList::WaitUnlessStopped(DWORD milliseconds) const
{
    return WaitForSingleObject(m_shared->StopEvent, milliseconds) == WAIT_OBJECT_0;
}

DWORD ProfileList::MonitorPeriodMs() const
{
    return m_shared->Options.MonitorPeriodMs;
}

void ProfileList::NoteMonitorPass(std::uint64_t passes) const
{
    const std::lock_guard outside(m_shared->OutsideLock);
    if (m_shared->Options.MonitorPassDone)
        m_shared->Options.MonitorPassDone(passes);
}

const std::wstring& ProfileList::StorePath() const
{
    return m_shared->Options.StorePath;
}

ProfileList& TheProfileList()
{
    static ProfileList list;
    return list;
}
