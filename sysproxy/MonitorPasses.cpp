#include "sysproxy/MonitorPasses.h"

#include "profiles/ProfileMessages.h"
#include "sysproxy/ApplyProfile.h"
#include "sysproxy/MonitorState.h"
#include "sysproxy/SystemSettings.h"

#include <algorithm>
#include <utility>

namespace {

// Adapters are looked at on the fifth pass and then on every fourth.
constexpr int kPassesBetweenAdapterChecks = 3;

} // namespace

MonitorPasses::MonitorPasses(MonitorState& state, AdapterSource adapters, ChangeSource changes)
    : m_state(state), m_adapters(std::move(adapters)), m_changes(std::move(changes))
{
}

MonitorPasses::MonitorPasses(MonitorState& state, AdapterSource adapters, ChangeSignals& signals)
    : m_state(state), m_adapters(std::move(adapters)), m_signals(&signals)
{
}

MonitorPasses::Outcome MonitorPasses::RunPass()
{
    const DWORD period = m_state.PeriodMs();
    int passes = 1;
    if (m_signals != nullptr)
        passes = WaitForWork();
    else if (m_state.WaitUnlessStopped(period))
        passes = 0;
    if (passes == 0)
        return Outcome::Stopped;
    m_passes += static_cast<std::uint64_t>(passes);
    m_passesSinceFullPass += passes;
    const bool fullPass = m_passesSinceFullPass >= m_state.PassesPerFullPass();
    if (fullPass)
        m_passesSinceFullPass = 0;
    const SystemChanges changes = m_signals != nullptr ? m_signals->Take(passes, fullPass) : m_changes();
    // The system's notices check the full pass's settings cheaply themselves.
    const bool readSettingsAnyway = fullPass && m_signals == nullptr;
    m_passCounter += passes - 1;
    // The first reading only learns the addresses: it comes on its pass whether or not a notice
    // did. Later ones come on the pass after a notice, and on the full passes.
    const bool scheduled = m_passCounter > kPassesBetweenAdapterChecks;
    bool readAdapters = scheduled;
    if (m_adaptersRead && changes.AddressNotices)
        readAdapters = changes.Addresses || (fullPass && !changes.AddressesCompared);
    else if (m_adaptersRead)
        readAdapters = scheduled && (changes.Addresses || fullPass);
    bool activated = false;
    if (readAdapters) {
        m_adaptersRead = true;
        m_passCounter = 0;
        // Reading the adapters costs more than the rest of a pass: only the passes that look
        // at them read them.
        activated = CheckAdapters(m_adapters());
    }
    ++m_passCounter;
    // A notice taken on a pass that does not read the settings stays due for the next.
    const std::uint64_t revision = m_state.Profiles().Revision();
    m_settingsPending = m_settingsPending || changes.Settings || activated || revision != m_profilesRevision;
    m_profilesRevision = revision;
    if (activated) {
        // Gives the applied settings time to settle before the next pass reads them back.
        if (m_state.WaitUnlessStopped(period / 3))
            return Outcome::Stopped;
        return Outcome::ProfileActivated;
    }
    if (!m_settingsPending && !readSettingsAnyway)
        return Outcome::NothingChanged;
    m_settingsPending = false;
    TrackSettings();
    return Outcome::SettingsTracked;
}

int MonitorPasses::PassesUntilDue() const
{
    int due = m_settingsPending ? 1 : std::max(1, m_state.PassesPerFullPass() - m_passesSinceFullPass);
    // The first reading of the adapters comes on the fifth pass.
    if (!m_adaptersRead)
        due = std::min(due, std::max(1, kPassesBetweenAdapterChecks + 2 - m_passCounter));
    return std::min(due, m_signals->PassesUntilOwnLook());
}

int MonitorPasses::WaitForWork()
{
    const DWORD period = m_state.PeriodMs();
    std::vector<HANDLE> events{m_state.StopEvent(), m_state.Profiles().ArmChangeNotice()};
    for (HANDLE notice : m_signals->Notices())
        events.push_back(notice);
    // Armed first, read second: a change between the two is seen either way.
    const int due = m_state.Profiles().Revision() != m_profilesRevision ? 1 : PassesUntilDue();
    const ULONGLONG started = GetTickCount64();
    const ULONGLONG longest = static_cast<ULONGLONG>(due) * period;
    const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE,
                                               static_cast<DWORD>(std::min<ULONGLONG>(longest, INFINITE - 1)));
    if (woken == WAIT_OBJECT_0)
        return 0;
    if (woken == WAIT_TIMEOUT)
        return due;
    if (woken == WAIT_FAILED)
        return m_state.WaitUnlessStopped(period) ? 0 : 1;
    // A notice: the pass comes on the period's next beat, which also lets a writer that sets
    // several values finish first.
    const ULONGLONG elapsed = std::min(GetTickCount64() - started, longest);
    const ULONGLONG passes = period == 0 ? 1 : std::min<ULONGLONG>(elapsed / period + 1, due);
    const ULONGLONG beat = passes * period;
    if (beat > elapsed && m_state.WaitUnlessStopped(static_cast<DWORD>(beat - elapsed)))
        return 0;
    return static_cast<int>(passes);
}

bool MonitorPasses::CheckAdapters(const std::vector<Adapter>& adapters)
{
    bool activated = false;
    for (const Adapter& adapter : adapters) {
        // No profile takes part with an empty adapter name, and every profile without a rule
        // has one: an unnamed adapter must not match them all.
        if (adapter.Name.empty())
            continue;
        const std::wstring address = AdapterAddress(adapters, adapter.Name);
        const auto [last, seenFirst] = m_lastAddress.try_emplace(adapter.Name, address);
        if (seenFirst || last->second == address)
            continue;
        last->second = address;
        const std::wstring name = m_state.Profiles().FindNameByRule(adapter.Name, address);
        if (name.empty())
            continue;
        if (const auto refused = ApplyStored(m_state.Profiles(), name))
            m_state.ApplyFailed(*refused);
        m_state.Post(WM_PROFILE_ACTIVATED, name);
        activated = true;
    }
    return activated;
}

void MonitorPasses::TrackSettings()
{
    SettingsSnapshot::Locked locked = m_state.Snapshot().Lock();
    ProfileCollection& profiles = m_state.Profiles();
    ProxyProfile captured;
    // A failed query tells nothing about the system's settings, and neither does one that
    // reports nothing at all (no flags, no strings: what a failed query leaves behind). Neither
    // is a change, and neither is settings worth a profile of their own.
    if (!CaptureSystemSettings(captured) || captured.SameSettings(ProxyProfile()))
        return;
    ProxyProfile& snapshot = locked.Settings();
    if (captured.SameSettings(snapshot)) {
        // Unchanged settings that no profile holds any more: the user removed the active one.
        if (!profiles.FindNameBySettings(captured).empty())
            return;
        captured.Name = profiles.UniqueUnnamedName();
        profiles.Put(captured);
        // The snapshot names the active profile, and the removed one is gone.
        snapshot.Name = captured.Name;
        m_state.Post(WM_PROFILE_ADDED, captured.Name);
        m_state.Post(WM_PROFILE_ACTIVATED, captured.Name);
        return;
    }
    captured.Name = profiles.FindNameBySettings(captured);
    if (captured.Name.empty()) {
        captured.Name = profiles.UniqueUnnamedName();
        profiles.Put(captured);
        m_state.Post(WM_PROFILE_ADDED, captured.Name);
    }
    snapshot = captured;
    m_state.Post(WM_PROFILE_ACTIVATED, snapshot.Name);
}
