#pragma once
#include "base/UniqueHandle.h"
#include "profiles/ProfileCollection.h"
#include "profiles/ProfileNotifier.h"
#include "sysproxy/SettingsSnapshot.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

struct MonitorOptions {
    DWORD PeriodMs = 300;
    // Passes read what no notice said had changed on every so many passes (three seconds).
    int PassesPerFullPass = 10;
    // Called by the monitor thread after each pass it wakes for, with the number of periods since
    // it started (the passes it slept through count), so that tests can follow its schedule
    // without sleeping.
    std::function<void(std::uint64_t passes)> PassDone;
    // Tells the user that an auto-activation was refused; called on the monitor thread, which
    // holds no lock then.
    std::function<void(const ProxyProfile& refused)> ApplyFailed;
};

// What the monitor thread works on: the profiles, the snapshot and the notify window, shared with
// the owner that started the thread, so that a pass still inside a slow call when the owner goes
// (a WinINet call that hangs, a failure box) finds them alive when it returns. Stop ends the
// thread's posts and reports at once; the thread itself ends at its next look at the stop flag.
class MonitorState {
public:
    MonitorState(std::shared_ptr<ProfileCollection> profiles, std::shared_ptr<SettingsSnapshot> snapshot,
                 std::shared_ptr<ProfileNotifier> notifier, MonitorOptions options);
    MonitorState(const MonitorState&) = delete;
    MonitorState& operator=(const MonitorState&) = delete;

    [[nodiscard]] ProfileCollection& Profiles() { return *m_profiles; }
    [[nodiscard]] SettingsSnapshot& Snapshot() { return *m_snapshot; }
    [[nodiscard]] DWORD PeriodMs() const { return m_periodMs; }
    [[nodiscard]] int PassesPerFullPass() const { return m_passesPerFullPass; }

    // The thread leaves its loop at its next check; nothing waits for it.
    void RequestStop();
    // As RequestStop, and nothing is posted or reported once it returns.
    void Stop();
    [[nodiscard]] bool StopRequested() const { return m_stop.load(); }
    // Waits this long unless a stop was asked for; true when it was.
    [[nodiscard]] bool WaitUnlessStopped(DWORD milliseconds) const;
    // Set once a stop was asked for, for a wait on other events besides.
    [[nodiscard]] HANDLE StopEvent() const { return m_stopEvent.Get(); }

    void Post(UINT message, const std::wstring& name);
    void NotePass(std::uint64_t passes);
    void ApplyFailed(const ProxyProfile& refused);

private:
    std::shared_ptr<ProfileCollection> m_profiles;
    std::shared_ptr<SettingsSnapshot> m_snapshot;
    std::shared_ptr<ProfileNotifier> m_notifier;
    const DWORD m_periodMs;
    const int m_passesPerFullPass;
    std::atomic<bool> m_stop{false};
    KernelHandle m_stopEvent;
    // Held while the thread posts or reports, so that once Stop has taken it nobody outside hears
    // from the thread again.
    std::mutex m_outsideLock;
    bool m_silenced = false;
    std::function<void(std::uint64_t)> m_passDone;
    std::function<void(const ProxyProfile&)> m_applyFailed;
};
