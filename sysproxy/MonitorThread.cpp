#include "sysproxy/MonitorThread.h"

#include "sysproxy/MonitorPasses.h"

#include <objbase.h>


namespace {

// How long the destruction waits for the thread to notice the stop.
constexpr DWORD kStopWaitMs = 500;
// The passes call WinINet, COM and the IP helper and nothing deeper: a quarter of the two
// megabytes the program's threads get by default, which some systems commit whole.
constexpr SIZE_T kStackBytes = 512 * 1024;

} // namespace

MonitorThread::MonitorThread(std::shared_ptr<MonitorState> state) : m_state(std::move(state))
{
    auto shared = std::make_unique<std::shared_ptr<MonitorState>>(m_state);
    m_thread.Reset(CreateThread(nullptr, kStackBytes, Run, shared.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
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
        ChangeSignals signals;
        MonitorPasses passes(shared, ReadAdapters, signals);
        while (!shared.StopRequested() && passes.RunPass() != MonitorPasses::Outcome::Stopped)
            shared.NotePass(passes.Passes());
    } catch (...) {
    }
    return 0;
}
