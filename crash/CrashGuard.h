#pragma once
// Lets one crash through the handler. A second exception on the thread that is handling the
// first (the handler itself failed) must not run the handler again; one on another thread must
// not start a second dialog while the first is up.
#include <windows.h>

#include <atomic>

enum class CrashEntry { First, Reentered, OtherThread };

class CrashGuard {
public:
    [[nodiscard]] CrashEntry Enter(DWORD thread)
    {
        DWORD owner = 0;
        if (m_owner.compare_exchange_strong(owner, thread))
            return CrashEntry::First;
        return owner == thread ? CrashEntry::Reentered : CrashEntry::OtherThread;
    }

private:
    std::atomic<DWORD> m_owner{0};
};
