#include "app/StartupPhases.h"

#ifdef GW_STARTUP_PHASES
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

void NoteStartupPhase(const char* phase)
{
    FILETIME now, created, exited, kernel, user;
    GetSystemTimePreciseAsFileTime(&now);
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return;
    wchar_t path[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH - 32, path);
    if (length == 0)
        return;
    lstrcpyW(path + length, L"GatewardenStartup.txt");
    FILE* file = _wfopen(path, L"a");
    if (file == nullptr)
        return;
    std::fprintf(file, "%-24s %8.1f ms (processor %.1f ms)\n", phase,
                 static_cast<double>(Ticks(now) - Ticks(created)) / 1e4,
                 static_cast<double>(Ticks(kernel) + Ticks(user)) / 1e4);
    std::fclose(file);
}
#endif
