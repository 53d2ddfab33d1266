#pragma once
#include "sysproxy/Adapters.h"
#include "sysproxy/ChangeSignals.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class MonitorState;

// The monitor thread's passes: the adapter check that auto-activates profiles and the tracking
// of the system's settings against the snapshot. The thread owns one and runs it until
// a stop is asked for; tests run passes one by one.
//
// A pass in which nothing changed costs next to nothing: the settings are read only when the
// system signalled a change under WinINet's key, the profiles changed or an activation just
// wrote them, and the adapters only on the pass after the system's notice of an address (where
// there are no such notices, on their own schedule); every few seconds one pass reads both
// anyway, for the changes that come with no notice. Passes keep their period, but with the
// system's notices (ChangeSignals) the thread sleeps through the passes that would find nothing:
// it wakes for a notice, a change of the profiles or a look that is due, and makes the pass on
// the period's next beat.
class MonitorPasses {
public:
    using AdapterSource = std::function<std::vector<Adapter>()>;
    // What changed since the last pass; by default everything, every pass.
    using ChangeSource = std::function<SystemChanges()>;
    enum class Outcome { SettingsTracked, ProfileActivated, NothingChanged, Stopped };

    // The pause before each pass is the state's period; after an activation a third of it more.
    // A stop ends either pause at once (Stopped).
    explicit MonitorPasses(MonitorState& state, AdapterSource adapters = ReadAdapters,
                           ChangeSource changes = [] { return SystemChanges{}; });
    // Passes that wait on the system's notices and sleep through the passes with nothing to do.
    MonitorPasses(MonitorState& state, AdapterSource adapters, ChangeSignals& signals);

    Outcome RunPass();
    // Every period since the first, the ones slept through included.
    [[nodiscard]] std::uint64_t Passes() const { return m_passes; }

private:
    // Waits until the next pass that has something to do; its number of periods, or 0 on a stop.
    [[nodiscard]] int WaitForWork();
    [[nodiscard]] int PassesUntilDue() const;
    [[nodiscard]] bool CheckAdapters(const std::vector<Adapter>& adapters);
    void TrackSettings();

    MonitorState& m_state;
    AdapterSource m_adapters;
    ChangeSource m_changes;
    ChangeSignals* m_signals = nullptr;
    std::uint64_t m_passes = 0;
    std::map<std::wstring, std::wstring> m_lastAddress;  // only grows: absent adapters keep theirs
    int m_passCounter = 0;
    int m_passesSinceFullPass = 0;
    bool m_adaptersRead = false;
    bool m_settingsPending = true;
    std::uint64_t m_profilesRevision = 0;
};
