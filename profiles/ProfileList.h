#pragma once
#include "profiles/EventLock.h"
#include "profiles/ProxyProfile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum class MonitorStart { Start, DontStart };
enum class ConnectionImport { Import, Skip };

struct ProfileListOptions {
    std::wstring StorePath;  // empty: proxies.kpp in the user's Gatewarden folder
    DWORD MonitorPeriodMs = 300;
    MonitorStart Monitor = MonitorStart::Start;
    // Skip: neither the stored connections nor the first snapshot are read (store tests).
    ConnectionImport Import = ConnectionImport::Import;
    // Called by the monitor thread after each pass with the number of passes made so far, so
    // that tests can follow its schedule without sleeping.
    std::function<void(std::uint64_t passes)> MonitorPassDone;
};

// The one owner of every profile, ordered by name (ordinal UTF-16 order), with the snapshot of
// the system's LAN settings and the monitor thread. Lock order: settings lock before list lock.
class ProfileList {
public:
    ProfileList();
    explicit ProfileList(ProfileListOptions options);
    ~ProfileList();
    ProfileList(const ProfileList&) = delete;
    ProfileList& operator=(const ProfileList&) = delete;

    enum LoadResult { Loaded = 0, CannotOpen = 1, Corrupted = 2 };
    enum SaveResult { Saved = 0, CannotCreate = 1 };
    LoadResult Load();
    SaveResult Save();

    void Put(const ProxyProfile& profile);
    void PutUnlessSameSettings(const ProxyProfile& profile);
    // A copy: the stored profile may change or go once the lock is released.
    [[nodiscard]] std::optional<ProxyProfile> Find(const std::wstring& name);
    // An entry's id stays the same from its first Put to its Remove; 0 means none.
    [[nodiscard]] std::uint64_t FindId(const std::wstring& name);
    [[nodiscard]] std::optional<ProxyProfile> FindById(std::uint64_t id);
    void Remove(const std::wstring& name);
    void Activate(const std::wstring& name);
    [[nodiscard]] std::wstring FindNameBySettings(const ProxyProfile& settings);
    void ListNames(std::vector<std::wstring>& names);
    [[nodiscard]] std::size_t Count() const { return m_count.load(); }
    [[nodiscard]] std::wstring UniqueUnnamedName();

    void SetNotifyWindow(HWND window) { m_notifyWindow.store(window); }
    [[nodiscard]] HWND NotifyWindow() const { return m_notifyWindow.load(); }
    // Posts a profile message about the named profile, when a notify window is set.
    void PostProfileMessage(UINT message, const std::wstring& name);

    // The snapshot as a copy, taken under the settings lock; its Name is the active profile's.
    [[nodiscard]] ProxyProfile CurrentSettings();
    // The snapshot itself, for holders of the settings lock only.
    [[nodiscard]] ProxyProfile& Snapshot() { return m_snapshot; }
    [[nodiscard]] EventLock& SettingsLock() { return m_settingsLock; }
    [[nodiscard]] EventLock& ListLock() { return m_listLock; }

    [[nodiscard]] bool StopRequested() const { return m_stop.load(); }
    [[nodiscard]] DWORD MonitorPeriodMs() const { return m_options.MonitorPeriodMs; }
    void NoteMonitorPass(std::uint64_t passes) const
    {
        if (m_options.MonitorPassDone)
            m_options.MonitorPassDone(passes);
    }
    [[nodiscard]] const std::wstring& StorePath() const { return m_options.StorePath; }

    // The first stored profile, in map order, whose rule is this adapter and address.
    [[nodiscard]] std::wstring FindNameByRule(const std::wstring& ndisName, const std::wstring& address);

private:
    struct Entry {
        ProxyProfile Profile;
        std::uint64_t Id = 0;
    };
    using Map = std::map<std::wstring, Entry>;

    void PutLocked(ProxyProfile profile);
    LoadResult LoadLocked();

    ProfileListOptions m_options;
    Map m_profiles;
    EventLock m_listLock;
    std::atomic<std::size_t> m_count{0};
    std::uint64_t m_nextId = 1;
    ProxyProfile m_snapshot;
    std::atomic<bool> m_stop{false};
    HANDLE m_monitorThread = nullptr;
    std::atomic<HWND> m_notifyWindow{nullptr};
    EventLock m_settingsLock;
};

// The process-wide list, constructed before the entry function runs.
ProfileList& TheProfileList();
