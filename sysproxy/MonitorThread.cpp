#include "sysproxy/MonitorThread.h"

#include "profiles/ProfileList.h"
#include "sysproxy/MonitorPasses.h"

#include <objbase.h>

#include <cstdint>
#include <memory>

namespace {

class ComApartment {
public:
    ComApartment() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment()
    {
        if (m_initialised)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_initialised;
};

} // namespace

DWORD WINAPI MonitorThread(void* profileList)
{
    const std::unique_ptr<ProfileList> handle(static_cast<ProfileList*>(profileList));
    ProfileList& list = *handle;
    const ComApartment com;
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
    // A failure inside a pass ends tracking and auto-activation for the rest of the run, not
    // the program.
    try {
        MonitorPasses passes(list);
        std::uint64_t done = 0;
        while (!list.StopRequested() && passes.RunPass() != MonitorPasses::Outcome::Stopped)
            list.NoteMonitorPass(++done);
    } catch (...) {
    }
    return 0;
}
