#include "sysproxy/MonitorState.h"

MonitorState::MonitorState(std::shared_ptr<ProfileCollection> profiles, std::shared_ptr<SettingsSnapshot> snapshot,
                           std::shared_ptr<ProfileNotifier> notifier, MonitorOptions options)
    : m_profiles(std::move(profiles)), m_snapshot(std::move(snapshot)), m_notifier(std::move(notifier)),
      m_periodMs(options.PeriodMs), m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_passDone(std::move(options.PassDone)), m_applyFailed(std::move(options.ApplyFailed))
{
}

void MonitorState::RequestStop()
{
    m_stop.store(true);
    SetEvent(m_stopEvent.Get());
}

void MonitorState::Stop()
{
    RequestStop();
    const std::lock_guard outside(m_outsideLock);
    m_silenced = true;
    m_passDone = nullptr;
    m_applyFailed = nullptr;
}

bool MonitorState::WaitUnlessStopped(DWORD milliseconds) const
{
    return WaitForSingleObject(m_stopEvent.Get(), milliseconds) == WAIT_OBJECT_0;
}

void MonitorState::Post(UINT message, const std::wstring& name)
{
    // The id is read before the lock: a save that holds the list lock must not hold up Stop.
    const std::uint64_t id = m_profiles->FindId(name);
    const std::lock_guard outside(m_outsideLock);
    if (!m_silenced)
        m_notifier->Post(message, id);
}

void MonitorState::NotePass(std::uint64_t passes)
{
    const std::lock_guard outside(m_outsideLock);
    if (m_passDone)
        m_passDone(passes);
}

void MonitorState::ApplyFailed(const ProxyProfile& refused)
{
    std::function<void(const ProxyProfile&)> tell;
    {
        const std::lock_guard outside(m_outsideLock);
        tell = m_applyFailed;
    }
    // The box's modal loop runs outside the lock: Stop must never wait for the user.
    if (tell)
        tell(refused);
}
