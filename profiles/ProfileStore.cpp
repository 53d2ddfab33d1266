#include "profiles/ProfileStore.h"

#include "base/StatusSink.h"
#include "diag/AppFolders.h"
#include "diag/LogService.h"
#include "diag/LogText.h"

namespace {

// Between two tries of a store that another program holds.
constexpr DWORD kRetryPauseMs = 100;

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

} // namespace

ProfileStore::ProfileStore(ProfileCollection& profiles, std::wstring path, DWORD retryMs, StatusSink* status)
    : m_profiles(profiles), m_path(std::move(path)), m_retryMs(retryMs), m_status(status)
{
    if (m_path.empty())
        m_path = GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp";
}

void ProfileStore::Info(const std::wstring& line) const
{
    if (m_status != nullptr)
        m_status->Info(line);
    TRY_LOG_EVENT(kLogEvent, L"%s", line.c_str());
}

void ProfileStore::Error(const std::wstring& line) const
{
    if (m_status != nullptr)
        m_status->Error(line);
    TRY_LOG_EVENT(kLogFailure, L"%s", line.c_str());
}

ProfileStore::LoadResult ProfileStore::Load()
{
    ProfileCollection::Locked profiles = m_profiles.Lock();
    const StoreReadResult read = Read(profiles);
    std::vector<std::wstring> failure;
    {
        const std::lock_guard state(m_stateLock);
        m_unreadStore = UnreadButThere(read);
        m_loadFailure = m_unreadStore ? LoadFailureLines(read, m_path) : std::vector<std::wstring>{};
        failure = m_loadFailure;
    }
    profiles.Release();
    if (read == StoreReadResult::Read && m_status != nullptr)
        m_status->Info(L"Proxies loaded successfully");
    for (const std::wstring& line : failure)
        Error(line);
    switch (read) {
    case StoreReadResult::Read: return Loaded;
    case StoreReadResult::UnknownHeader: case StoreReadResult::TooLarge: return Corrupted;
    default: return CannotOpen;
    }
}

StoreReadResult ProfileStore::Read(ProfileCollection::Locked& profiles)
{
    const auto take = [&profiles](ProxyProfile&& record) { profiles.Put(std::move(record)); };
    for (const DWORD start = GetTickCount();; Sleep(kRetryPauseMs)) {
        profiles.Clear();
        // Each record goes into the collection as it is read: a file of a million records under
        // one name costs one entry, not a million.
        const StoreReadResult read = ReadStoreFile(m_path, take);
        if (read == StoreReadResult::InUse && GetTickCount() - start < m_retryMs)
            continue;
        // Part of a store is not the store: nothing of it is kept.
        if (read != StoreReadResult::Read)
            profiles.Clear();
        return read;
    }
}

std::vector<std::wstring> ProfileStore::LoadFailureReport()
{
    const std::lock_guard state(m_stateLock);
    return m_loadFailure;
}

StoreKeepResult ProfileStore::KeepUnreadStore(std::wstring& keptAs)
{
    for (const DWORD start = GetTickCount();; Sleep(kRetryPauseMs)) {
        const StoreKeepResult kept = KeepStoreAside(m_path, keptAs);
        if (kept != StoreKeepResult::InUse || GetTickCount() - start >= m_retryMs)
            return kept;
    }
}

ProfileStore::SaveResult ProfileStore::Save()
{
    ProfileCollection::Locked profiles = m_profiles.Lock();
    const auto slash = m_path.rfind(L'\\');
    if (slash != std::wstring::npos)
        CreateDirectoryW(m_path.substr(0, slash).c_str(), nullptr);
    StoreKeepResult kept = StoreKeepResult::NothingThere;
    std::wstring keptAs;
    bool unread = false;
    {
        const std::lock_guard state(m_stateLock);
        if (m_unreadStore) {
            kept = KeepUnreadStore(keptAs);
            m_unreadStore = kept != StoreKeepResult::Kept && kept != StoreKeepResult::NothingThere;
        }
        unread = m_unreadStore;
    }
    const bool written = !unread && WriteStoreFile(m_path, profiles.Records());
    profiles.Release();
    switch (kept) {
    case StoreKeepResult::Kept:
        Info(FormatText(L"The proxies file that could not be read was kept as %s", keptAs.c_str()));
        break;
    case StoreKeepResult::InUse:
        Error(FormatText(L"%s is still in use by another program: it was not read, so it is not replaced", m_path.c_str()));
        break;
    case StoreKeepResult::Failed:
        Error(FormatText(L"%s was not read and no copy of it could be made, so it is not replaced", m_path.c_str()));
        break;
    case StoreKeepResult::NothingThere: break;
    }
    return written ? Saved : CannotCreate;
}

void ProfileStore::SaveOrReport()
{
    if (Save() == Saved)
        return;
    if (m_status != nullptr)
        m_status->Error(L"Could not save the proxies settings");
    TRY_LOG_EVENT(kLogFailure, L"Could not save the proxies settings to %s", m_path.c_str());
}
