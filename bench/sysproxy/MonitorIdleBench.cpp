// The monitor thread's cost while nothing changes: CPU time per pass and per second of wall
// time. Run by hand under Wine:
//   wine build/bench/MonitorIdleBench.exe [seconds at the product period] [passes at 10 ms]
// The first run uses the product's 300 ms period and gives the share of one core; the second
// makes many passes quickly so that the cost of one pass rises above the clock's resolution.
// Wine's own WinINet spends far longer on a settings query than Windows does; to see the
// program's share apart from it, copy the exe into build/tests/bin, beside the WinINet
// stand-in, and run it there with WINEDLLOVERRIDES=wininet=n.
#include "sysproxy/ProfileList.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// CPU time (100 ns units) of the calling thread, for the pass hook.
std::uint64_t ThreadCpu()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return Ticks(kernel) + Ticks(user);
}

std::uint64_t ProcessCpu()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Ticks(kernel) + Ticks(user);
}

struct Sample {
    std::atomic<std::uint64_t> Passes{0};
    std::atomic<std::uint64_t> ThreadCpu{0};
};

struct Measure {
    std::uint64_t Passes;
    double ThreadCpuMs;
    double ProcessCpuMs;
    double WallMs;
};

Measure Run(const std::wstring& folder, DWORD periodMs, std::uint64_t warmupPasses, std::uint64_t passes)
{
    Sample sample;
    ProfileListOptions options;
    options.StorePath = folder + L"\\proxies.kpp";
    options.Monitoring.PeriodMs = periodMs;
    options.Monitoring.PassDone = [&sample](std::uint64_t done) {
        sample.ThreadCpu.store(ThreadCpu());
        sample.Passes.store(done);
    };
    auto list = std::make_unique<ProfileList>(options);

    // The first passes include the thread's start and COM's; the adapters are first read on pass 5.
    while (sample.Passes.load() < warmupPasses)
        Sleep(1);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    const std::uint64_t startPasses = sample.Passes.load();
    const std::uint64_t startThread = sample.ThreadCpu.load();
    const std::uint64_t startProcess = ProcessCpu();
    QueryPerformanceCounter(&start);
    while (sample.Passes.load() < startPasses + passes)
        Sleep(periodMs / 4 + 1);
    const std::uint64_t endPasses = sample.Passes.load();
    const std::uint64_t endThread = sample.ThreadCpu.load();
    const std::uint64_t endProcess = ProcessCpu();
    QueryPerformanceCounter(&end);
    list.reset();
    return {endPasses - startPasses, static_cast<double>(endThread - startThread) / 1e4,
            static_cast<double>(endProcess - startProcess) / 1e4,
            static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart)};
}

void Report(const char* what, const Measure& m)
{
    std::printf("%s: %llu passes in %.0f ms wall\n", what, static_cast<unsigned long long>(m.Passes), m.WallMs);
    std::printf("  monitor thread CPU %.1f ms: %.1f us per pass, %.4f%% of one core\n", m.ThreadCpuMs,
                m.ThreadCpuMs * 1000.0 / static_cast<double>(m.Passes), 100.0 * m.ThreadCpuMs / m.WallMs);
    std::printf("  whole process CPU %.1f ms: %.4f%% of one core\n", m.ProcessCpuMs,
                100.0 * m.ProcessCpuMs / m.WallMs);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int fastPasses = argc > 2 ? std::atoi(argv[2]) : 2000;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"gw-monitor-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);

    const DWORD productPeriod = MonitorOptions{}.PeriodMs;
    Report("product period", Run(folder, productPeriod, 6, static_cast<std::uint64_t>(seconds) * 1000 / productPeriod));
    const Measure fast = Run(folder, 10, 6, static_cast<std::uint64_t>(fastPasses));
    Report("10 ms period", fast);
    std::printf("  one pass's CPU at the product period: %.4f%% of one core\n",
                100.0 * fast.ThreadCpuMs / static_cast<double>(fast.Passes) / productPeriod);

    DeleteFileW((folder + L"\\proxies.kpp").c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
