#pragma once
#include "sysproxy/Adapters.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class MonitorState;

// The monitor thread's passes: the adapter check that auto-activates profiles and the tracking
// of the system's settings against the snapshot. The thread owns one and runs it until
// a stop is asked for; tests run passes one by one.
class MonitorPasses {
public:
    using AdapterSource = std::function<std::vector<Adapter>()>;
    enum class Outcome { SettingsTracked, ProfileActivated, Stopped };

    // The pause before each pass is the state's period; after an activation a third of it more.
    // A stop ends either pause at once (Stopped).
    explicit MonitorPasses(MonitorState& state, AdapterSource adapters = ReadAdapters);

    Outcome RunPass();

private:
    [[nodiscard]] bool CheckAdapters(const std::vector<Adapter>& adapters);
    void TrackSettings();

    MonitorState& m_state;
    AdapterSource m_adapters;
    std::map<std::wstring, std::wstring> m_lastAddress;  // only grows: absent adapters keep theirs
    int m_passCounter = 0;
};
