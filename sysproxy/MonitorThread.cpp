#include "sysproxy/MonitorThread.h"

#include "sysproxy/MonitorPasses.h"

#include <objbase.h>

#include <cstdint>

namespace {

// How long the destruction waits for the thread to notice the stop.
constexpr DWORD kStopWaitMs = 500;

} // namespace

MonitorThread::MonitorThread(std::shared_ptr<MonitorState> state) : m_state(std::move(state))
{
    auto shared = std::make_unique<std::shared_ptr<MonitorState>>(m_state);
    m_thread.Reset(CreateThread(nullptr, 0, Run, shared.get(), 0, nullptr));
    if (m_thread)
        static_cast<void>(shared.release());  // the thread's own from now on
}

MonitorThread::~MonitorThread()
{
    m_state->Stop();
    if (m_thread)
        WaitForSingleObject(m_thread.Get(), kStopWaitMs);
}

DWORD WINAPI MonitorThread::Run(void* state)
{
    const std::unique_ptr<std::shared_ptr<MonitorState>> owned(static_cast<std::shared_ptr<MonitorState>*>(state));
    MonitorState& shared = **owned;
    const ComScope com;
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
    // A failure inside a pass ends tracking and auto-activation for the rest of the run, not
    // the program.
    try {
        MonitorPasses passes(shared);
        std::uint64_t done = 0;
        while (!shared.StopRequested() && passes.RunPass() != MonitorPasses::Outcome::Stopped)
            shared.NotePass(++done);
    } catch (...) {
    }
    return 0;
}
