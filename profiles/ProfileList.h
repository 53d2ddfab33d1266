#pragma once
#include "profiles/EventLock.h"
#include "profiles/ProfileStore.h"
#include "profiles/ProxyProfile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class MonitorStart { Start, DontStart };
enum class ConnectionImport { Import, Skip };

struct ProfileListOptions {
    std::wstring StorePath;  // empty: proxies.kpp in the user's Gatewarden folder
    DWORD MonitorPeriodMs = 300;
    // How long a store that another program holds is tried again, at the load and before a save.
    DWORD StoreRetryMs = 1500;
    MonitorStart Monitor = MonitorStart::Start;
    // Skip: neither the stored connections nor the first snapshot are read (store tests).
    ConnectionImport Import = ConnectionImport::Import;
    // Called by the monitor thread after each pass with the number of passes made so far, so
    // that tests can follow its schedule without sleeping.
    std::function<void(std::uint64_t passes)> MonitorPassDone;
};

// Whether a profile that the editor changed was the active one when the editor opened.
enum class EditedProfileWas { Active, Inactive };

// The one owner of every profile, ordered by name (ordinal UTF-16 order), with the snapshot of
// the system's LAN settings and the monitor thread. Lock order: settings lock before list lock.
// The monitor thread works through a handle of its own that shares the profiles, the snapshot
// and the locks with this one: a pass still inside a slow call when the list is destroyed (a
// WinINet call that hangs, a failure box) finds them alive when it returns, while the
// destruction itself stops the thread's posts and pass reports at once and never waits long.
class ProfileList {
public:
    ProfileList();
    explicit ProfileList(ProfileListOptions options);
    ~ProfileList();
    ProfileList(const ProfileList&) = delete;
    ProfileList& operator=(const ProfileList&) = delete;

    enum LoadResult { Loaded = 0, CannotOpen = 1, Corrupted = 2 };
    enum SaveResult { Saved = 0, CannotCreate = 1 };
    // A store that is there but could not be read (held by another program, damaged) is never
    // replaced unread: the next Save first keeps a copy of it beside it, and refuses while it
    // cannot. The reports go to the status panel and the log.
    LoadResult Load();
    SaveResult Save();
    // The red lines of the last load that found the store and could not read it; empty after a
    // good load or when there was no store. The main window shows them once its panel exists.
    [[nodiscard]] std::vector<std::wstring> LoadFailureReport();

    void Put(const ProxyProfile& profile);
    void PutUnlessSameSettings(const ProxyProfile& profile);
    // A copy: the stored profile may change or go once the lock is released.
    [[nodiscard]] std::optional<ProxyProfile> Find(const std::wstring& name);
    // An entry's id stays the same from its first Put to its Remove; 0 means none.
    [[nodiscard]] std::uint64_t FindId(const std::wstring& name);
    [[nodiscard]] std::optional<ProxyProfile> FindById(std::uint64_t id);
    void Remove(const std::wstring& name);
    // The empty-named entry is never shown and never applied.
    void Activate(const std::wstring& name);
    // The editor's OK: stores the edited profile in place of the old name under the settings
    // lock, and when the profile was active applies it and makes it the snapshot, so that the
    // monitor sees no change. A failure box is shown only after the lock is released.
    void StoreEdited(const std::wstring& oldName, const ProxyProfile& edited, EditedProfileWas was);
    // The first named profile with these settings: the empty-named entry never holds them.
    [[nodiscard]] std::wstring FindNameBySettings(const ProxyProfile& settings);
    void ListNames(std::vector<std::wstring>& names);
    // Copies of the named profiles in name order, under one lock: a table of thousands reads
    // them in one go rather than a lock for each.
    void ListProfiles(std::vector<ProxyProfile>& profiles);
    [[nodiscard]] std::size_t Count() const;
    [[nodiscard]] std::wstring UniqueUnnamedName();

    void SetNotifyWindow(HWND window);
    [[nodiscard]] HWND NotifyWindow() const;
    // Posts a profile message about the named profile, when a notify window is set.
    void PostProfileMessage(UINT message, const std::wstring& name);

    // The snapshot as a copy, taken under the settings lock; its Name is the active profile's.
    [[nodiscard]] ProxyProfile CurrentSettings();

    // The monitor thread leaves its loop at its next check; nothing waits for it.
    void RequestStop();
    [[nodiscard]] bool StopRequested() const;
    // Waits this long unless the list is being destroyed; true when it is.
    [[nodiscard]] bool WaitUnlessStopped(DWORD milliseconds) const;
    [[nodiscard]] DWORD MonitorPeriodMs() const;
    void NoteMonitorPass(std::uint64_t passes) const;
    [[nodiscard]] const std::wstring& StorePath() const;

    // The first named profile, in map order, whose rule is this adapter and address.
    [[nodiscard]] std::wstring FindNameByRule(const std::wstring& ndisName, const std::wstring& address);

private:
    // The only holders of the settings lock besides the list itself. Nothing they run while
    // holding it takes it again (EventLock refuses that rather than hang), and nothing of the
    // user interface runs under it.
    friend class MonitorPasses;
    friend void ImportConnections(ProfileList& list);

    struct Entry {
        ProxyProfile Profile;
        std::uint64_t Id = 0;
    };
    using Map = std::map<std::wstring, Entry>;
    struct Shared;
    enum class Role { Owner, MonitorHandle };

    ProfileList(std::shared_ptr<Shared> shared, Role role);
    [[nodiscard]] EventLock& SettingsLock();
    [[nodiscard]] ProxyProfile& Snapshot();
    void PutLocked(ProxyProfile profile);
    [[nodiscard]] StoreReadResult ReadStoreLocked();
    // Another program's hold on the store is tried again for StoreRetryMs.
    [[nodiscard]] StoreKeepResult KeepUnreadStoreLocked(std::wstring& keptAs);
    // Applies the named entry; gives the profile when WinINet refused it, for the failure box.
    [[nodiscard]] std::optional<ProxyProfile> ApplyStored(const std::wstring& name);

    std::shared_ptr<Shared> m_shared;
    Role m_role;
    HANDLE m_monitorThread = nullptr;
};

// The process-wide list, constructed before the entry function runs.
ProfileList& TheProfileList();
