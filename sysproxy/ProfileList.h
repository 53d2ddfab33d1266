#pragma once
#include "profiles/ProfileCollection.h"
#include "profiles/ProfileNotifier.h"
#include "profiles/ProfileStore.h"
#include "sysproxy/MonitorState.h"
#include "sysproxy/MonitorThread.h"
#include "sysproxy/SettingsSnapshot.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

class StatusSink;

enum class MonitorStart { Start, DontStart };
enum class ConnectionImport { Import, Skip };

struct ProfileListOptions {
    std::wstring StorePath;  // empty: proxies.kpp in the user's Gatewarden folder
    // How long a store that another program holds is tried again, at the load and before a save.
    DWORD StoreRetryMs = 1500;
    MonitorStart Monitor = MonitorStart::Start;
    // Skip: neither the stored connections nor the first snapshot are read (store tests).
    ConnectionImport Import = ConnectionImport::Import;
    MonitorOptions Monitoring;
    // Hears the store's reports; none: they are only logged.
    StatusSink* Status = nullptr;
};

// Whether a profile that the editor changed was the active one when the editor opened.
enum class EditedProfileWas { Active, Inactive };

// The program's profiles and what keeps them in step with the system, made in this order: the
// collection loaded from its store, the system's stored connections taken in with the first
// snapshot, then the monitor thread, which its destruction stops first. Lock order: settings lock
// before list lock.
class ProfileList {
public:
    explicit ProfileList(ProfileListOptions options = {});
    ~ProfileList();
    ProfileList(const ProfileList&) = delete;
    ProfileList& operator=(const ProfileList&) = delete;

    [[nodiscard]] ProfileCollection& Profiles() { return *m_profiles; }
    [[nodiscard]] ProfileStore& Store() { return m_store; }
    [[nodiscard]] SettingsSnapshot& Snapshot() { return *m_snapshot; }
    [[nodiscard]] ProfileNotifier& Notifier() { return *m_notifier; }

    // Applies the named profile; gives it when WinINet refused it, for the caller's failure box.
    [[nodiscard]] std::optional<ProxyProfile> Activate(const std::wstring& name);
    // The editor's OK: stores the edited profile in place of the old name under the settings
    // lock, and when the profile was active applies it and makes it the snapshot, so that the
    // monitor sees no change. Gives the profile when WinINet refused it, with every lock released.
    [[nodiscard]] std::optional<ProxyProfile> StoreEdited(const std::wstring& oldName, const ProxyProfile& edited,
                                                          EditedProfileWas was);

    // The monitor thread leaves its loop at its next check; nothing waits for it.
    void RequestStop();

private:
    std::shared_ptr<ProfileCollection> m_profiles;
    std::shared_ptr<SettingsSnapshot> m_snapshot;
    std::shared_ptr<ProfileNotifier> m_notifier;
    ProfileStore m_store;
    std::unique_ptr<MonitorThread> m_monitor;
};
