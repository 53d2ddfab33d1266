#pragma once
#include "profiles/EventLock.h"
#include "profiles/ProxyProfile.h"

// The system's LAN proxy settings as last seen, under the settings lock; its Name is the name of
// the first profile that holds them (the active profile), or empty. When both locks are needed the
// settings lock is taken before the list lock.
class SettingsSnapshot {
public:
    SettingsSnapshot() = default;
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

    // A copy, taken under the settings lock.
    [[nodiscard]] ProxyProfile Current()
    {
        EventLockGuard guard(m_lock);
        return m_settings;
    }

    // The snapshot while the settings lock is held: compared and replaced in one step. Nothing
    // done under it takes it again (EventLock refuses that rather than hang), and nothing of the
    // user interface runs under it.
    class Locked {
    public:
        explicit Locked(SettingsSnapshot& snapshot) : m_snapshot(snapshot), m_guard(snapshot.m_lock) {}
        [[nodiscard]] ProxyProfile& Settings() { return m_snapshot.m_settings; }
        void Release() { m_guard.Release(); }

    private:
        SettingsSnapshot& m_snapshot;
        EventLockGuard m_guard;
    };
    [[nodiscard]] Locked Lock() { return Locked(*this); }

private:
    ProxyProfile m_settings;
    EventLock m_lock;
};
