// The shipped Gatewarden.exe as a user starts it: the time to a painted main window once the
// prefix is warm, how that time grows with the profiles in the store, its memory with a store of
// 1,000 profiles, and its idle processor time with the window shown and hidden. Run by hand under
// Wine, with no other Gatewarden running:
//   wine build/bench/AppBench.exe [startup|scaling [runs]|memory|idle [seconds]]
// It starts the Gatewarden.exe beside it if there is one, else build/bin's. The user's store is
// put back as it was at the end.
#include "diag/AppFolders.h"
#include "profiles/StoreFile.h"
#include "support/TempFolder.h"
#include "views/Commands.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kCaption = L"Gatewarden v2.2";
constexpr const wchar_t* kViewClass = L"GatewardenHtmlHost";
constexpr double kShowTimeoutMs = 30000;

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

std::wstring ProgramPath()
{
    const std::wstring beside = ExeFolder() + L"\\Gatewarden.exe";
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        return beside;
    return ExeFolder() + L"\\..\\bin\\Gatewarden.exe";
}

// Gatewarden.exe started as the shell starts it; turned off with its menu code, or killed when
// a measure gives up on it.
class RunningProgram {
public:
    explicit RunningProgram(double showTimeoutMs = kShowTimeoutMs) : m_started(Now()), m_showTimeout(showTimeoutMs)
    {
        std::wstring command = L"\"" + ProgramPath() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process))
            std::printf("cannot start %ls (error %lu)\n", command.c_str(), GetLastError());
    }
    ~RunningProgram()
    {
        if (m_process.hProcess == nullptr)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    [[nodiscard]] HANDLE Process() const { return m_process.hProcess; }
    [[nodiscard]] DWORD ProcessId() const { return m_process.dwProcessId; }

    // Milliseconds from CreateProcess to each step of the first showing; negative where a step
    // did not come in time.
    struct Showing {
        double Visible = -1;   // the main window is visible
        double Painted = -1;   // ...and its view has no update region left: WM_PAINT was handled
        double OnScreen = -1;  // ...and the view's pixels on the display are not blank
    };

    [[nodiscard]] Showing WaitShown()
    {
        Showing showing;
        while (Now() - m_started < m_showTimeout && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            if (m_window == nullptr)
                m_window = FindOwnWindow();
            if (m_window != nullptr && showing.Visible < 0 && IsWindowVisible(m_window))
                showing.Visible = Now() - m_started;
            if (showing.Visible >= 0 && showing.Painted < 0) {
                m_view = FindWindowExW(m_window, nullptr, kViewClass, nullptr);
                if (m_view != nullptr && IsWindowVisible(m_view) && !GetUpdateRect(m_view, nullptr, FALSE))
                    showing.Painted = Now() - m_started;
            }
            // Wine copies a window's drawing to the display a few milliseconds after its paint.
            if (showing.Painted >= 0 && ViewColours() > 1) {
                showing.OnScreen = Now() - m_started;
                break;
            }
            Sleep(1);
        }
        return showing;
    }

    [[nodiscard]] bool WaitPainted() { return WaitShown().OnScreen >= 0; }

    void Command(WPARAM id) const { PostMessageW(m_window, WM_COMMAND, id, 0); }

    // Turns the program off with its menu code and waits for its exit; false when it did not
    // end with that code in time.
    bool TurnOff()
    {
        Command(::Command::TurnOff);
        if (WaitForSingleObject(m_process.hProcess, 15000) != WAIT_OBJECT_0)
            return false;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        if (code != ::Command::TurnOff)
            std::printf("  exit code 0x%lX, expected 0x%X\n", code, static_cast<unsigned>(::Command::TurnOff));
        return code == ::Command::TurnOff;
    }

private:
    // The number of colours of the view on the display: a painted page has many, a window that
    // was only erased has one.
    [[nodiscard]] std::size_t ViewColours() const
    {
        RECT box{};
        if (m_view == nullptr || !GetWindowRect(m_view, &box) || box.right <= box.left || box.bottom <= box.top)
            return 0;
        const int width = box.right - box.left;
        const int height = box.bottom - box.top;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
        SelectObject(memory, old);
        std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                          static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(width) * height);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        std::sort(pixels.begin(), pixels.end());
        return static_cast<std::size_t>(std::unique(pixels.begin(), pixels.end()) - pixels.begin());
    }

    [[nodiscard]] HWND FindOwnWindow() const
    {
        HWND window = FindWindowW(nullptr, kCaption);
        DWORD owner = 0;
        if (window != nullptr)
            GetWindowThreadProcessId(window, &owner);
        return owner == m_process.dwProcessId ? window : nullptr;
    }

    double m_started;
    double m_showTimeout;
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
    HWND m_view = nullptr;
};

// The user's store, taken aside while a measure writes its own and put back at the end.
class SavedStore {
public:
    SavedStore() : m_path(GetAppDataFolder() + L"\\Gatewarden\\proxies.kpp")
    {
        EnsureAppFolder(L"Gatewarden");
        m_existed = GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (m_existed)
            m_bytes = TempFolder::ReadBytes(m_path);
    }
    ~SavedStore()
    {
        if (m_existed)
            TempFolder::WriteBytes(m_path, m_bytes);
        else
            DeleteFileW(m_path.c_str());
    }
    SavedStore(const SavedStore&) = delete;
    SavedStore& operator=(const SavedStore&) = delete;

    [[nodiscard]] const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    std::string m_bytes;
    bool m_existed = false;
};

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Kernel and user time of every thread of the process, in 100 ns units. Wine answers
// GetProcessTimes for another process with zeros, but reads each thread's times from the system.
std::uint64_t ProcessCpuTicks(DWORD processId)
{
    std::uint64_t total = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr)
            continue;
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user))
            total += Ticks(kernel) + Ticks(user);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

const char* Verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void PrintSpread(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms, max %.1f ms\n", what, times[times.size() / 2], times.back());
}

bool Startup()
{
    constexpr int kRuns = 5;
    std::vector<double> visible, painted, onScreen;
    for (int run = 0; run <= kRuns; ++run) {
        RunningProgram program;
        const RunningProgram::Showing showing = program.WaitShown();
        if (showing.OnScreen < 0 || !program.TurnOff()) {
            std::printf("start-up: run %d failed (no painted window, or no clean exit)\n", run);
            return false;
        }
        std::printf("  %s: visible %.1f ms, painted %.1f ms, on screen %.1f ms\n", run == 0 ? "warm-up" : "run",
                    showing.Visible, showing.Painted, showing.OnScreen);
        if (run == 0)
            continue;
        visible.push_back(showing.Visible);
        painted.push_back(showing.Painted);
        onScreen.push_back(showing.OnScreen);
    }
    PrintSpread("start-up to the main window visible", visible);
    PrintSpread("start-up to its view painted (WM_PAINT handled)", painted);
    PrintSpread("start-up to the painted view on screen", onScreen);
    const double worst = *std::max_element(onScreen.begin(), onScreen.end());
    std::printf("start-up target: under 300 ms to a painted main window, every run: %s\n", Verdict(worst < 300.0));
    return true;
}

std::vector<ProxyProfile> SampleProfiles(std::size_t count)
{
    std::vector<ProxyProfile> profiles(count);
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        ProxyProfile& profile = profiles[i];
        const std::wstring n = std::to_wstring(i);
        profile.Name = L"Office proxy " + n;
        profile.BuildServerString({L"proxy" + n + L".example.com:3128", L"", L"", L"", L""});
        profile.ProxyBypass = L"*.example.com;10.*;<local>";
        profile.AutoConfigUrl = L"http://wpad.example.com/proxy" + n + L".pac";
        profile.ConnectionFlags = kProxyTypeDirect | kProxyTypeProxy;
    }
    return profiles;
}

// Start-up to a painted window with 4, 1,000 and 5,000 profiles in the store, in one run, each as a
// ratio to the start with 4: filling the list must cost the same per profile however long it is.
// Both the wall time and the program's processor time up to then, the steadier figure on a busy
// machine. The store is written anew before every start, since a start may add the system's own
// settings to it. A start gets ten minutes, so that even a slow one gives a figure.
bool Scaling(int runs)
{
    constexpr std::size_t kCounts[] = {4, 1000, 5000};
    constexpr double kTimeoutMs = 600000;
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    SavedStore store;
    std::vector<double> wall, cpu;  // medians, by count
    bool complete = true;
    for (std::size_t count : kCounts) {
        const std::vector<ProxyProfile> profiles = SampleProfiles(count);
        std::vector<double> walls, cpus;
        // The first start of all warms Wine's caches and is not counted.
        for (int run = wall.empty() ? -1 : 0; run < runs && complete; ++run) {
            if (!WriteStoreFile(store.Path(), profiles)) {
                std::printf("scaling: cannot write the store %ls\n", store.Path().c_str());
                return false;
            }
            RunningProgram program(kTimeoutMs);
            const double onScreen = program.WaitShown().OnScreen;
            const double processor = static_cast<double>(ProcessCpuTicks(program.ProcessId())) / 1e4;
            if (onScreen < 0 || !program.TurnOff()) {
                std::printf("  %zu profiles: no painted window within %.0f s, or no clean exit\n", count, kTimeoutMs / 1000);
                complete = false;
                break;
            }
            std::printf("  %zu profiles%s: on screen %.1f ms, processor %.1f ms\n", count, run < 0 ? " (warm-up)" : "",
                        onScreen, processor);
            if (run >= 0) {
                walls.push_back(onScreen);
                cpus.push_back(processor);
            }
        }
        if (!complete)
            break;
        wall.push_back(median(walls));
        cpu.push_back(median(cpus));
    }
    for (std::size_t i = 0; i < wall.size(); ++i)
        std::printf("start-up with %zu profiles: median %.1f ms (%.2fx the start with %zu), processor %.1f ms (%.2fx)\n",
                    kCounts[i], wall[i], wall[i] / wall[0], kCounts[0], cpu[i], cpu[i] / cpu[0]);
    if (!complete)
        return false;
    std::printf("scaling target: 1,000 profiles within 1.5x the start with 4: wall %s, processor %s\n",
                Verdict(wall[1] / wall[0] <= 1.5), Verdict(cpu[1] / cpu[0] <= 1.5));
    // Linear growth: each profile beyond the first few costs the same up to 5,000 as up to 1,000.
    // Only the processor time is steady enough to tell: the wall clock of a shared machine moves
    // by more than a thousand profiles cost.
    auto perProfile = [&](std::size_t i) { return (cpu[i] - cpu[0]) / static_cast<double>(kCounts[i] - kCounts[0]); };
    std::printf("processor time per profile: %.3f ms up to 1,000, %.3f ms up to 5,000\n", perProfile(1), perProfile(2));
    std::printf("scaling target: linear, the processor time per profile up to 5,000 within 1.5x that up to 1,000: %s\n",
                Verdict(perProfile(2) <= perProfile(1) * 1.5));
    return true;
}

// Committed private memory, region by region: what Windows counts as private bytes. Wine
// leaves PrivateUsage at 0 for another process, so this is the figure to read there.
std::uint64_t CommittedPrivateBytes(HANDLE process)
{
    std::uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

struct MemorySample {
    double WorkingSet = 0;
    double Private = 0;  // private bytes, or the committed private regions where Wine gives none
};

// The program's memory, shown and settled, with a store of that many profiles.
bool SampleMemory(std::size_t count, MemorySample& sample)
{
    SavedStore store;
    if (!WriteStoreFile(store.Path(), SampleProfiles(count))) {
        std::printf("memory: cannot write the store %ls\n", store.Path().c_str());
        return false;
    }
    RunningProgram program;
    if (!program.WaitPainted()) {
        std::printf("memory: the main window did not show\n");
        return false;
    }
    Sleep(2000);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    const bool read = GetProcessMemoryInfo(program.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                           sizeof(counters));
    const std::uint64_t committed = CommittedPrivateBytes(program.Process());
    const bool off = program.TurnOff();
    if (!read) {
        std::printf("memory: GetProcessMemoryInfo failed (error %lu)\n", GetLastError());
        return false;
    }
    constexpr double kMegabyte = 1024.0 * 1024.0;
    sample.WorkingSet = static_cast<double>(counters.WorkingSetSize) / kMegabyte;
    sample.Private = static_cast<double>(counters.PrivateUsage != 0 ? counters.PrivateUsage : committed) / kMegabyte;
    std::printf("memory with %zu profiles: working set %.1f MB, private %.1f MB\n", count, sample.WorkingSet,
                sample.Private);
    return off;
}

// With 1,000 profiles; an empty store gives the floor that Wine and the bare program take, so
// that the share of the profiles shows apart.
bool Memory()
{
    MemorySample empty;
    MemorySample full;
    if (!SampleMemory(0, empty) || !SampleMemory(1000, full))
        return false;
    std::printf("memory for 1,000 profiles over an empty store: working set +%.1f MB, private +%.1f MB\n",
                full.WorkingSet - empty.WorkingSet, full.Private - empty.Private);
    std::printf("memory target: under 20 MB: working set %s, private %s\n", Verdict(full.WorkingSet < 20.0),
                Verdict(full.Private < 20.0));
    return true;
}

// The process's share of one core over the given wall time, in percent.
double IdleShare(DWORD process, int seconds)
{
    const std::uint64_t cpuBefore = ProcessCpuTicks(process);
    const double started = Now();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double cpuMs = static_cast<double>(ProcessCpuTicks(process) - cpuBefore) / 1e4;
    const double wallMs = Now() - started;
    std::printf("  %.1f ms of processor time in %.0f ms\n", cpuMs, wallMs);
    return 100.0 * cpuMs / wallMs;
}

bool Idle(int seconds)
{
    RunningProgram program;
    if (!program.WaitPainted()) {
        std::printf("idle: the main window did not show\n");
        return false;
    }
    Sleep(2000);
    const double shown = IdleShare(program.ProcessId(), seconds);
    std::printf("idle with the window shown, %d s: %.3f%% of one core (target: under 0.3%%) %s\n", seconds, shown,
                Verdict(shown < 0.3));
    program.Command(Command::CloseToTray);
    Sleep(1000);
    const double hidden = IdleShare(program.ProcessId(), seconds);
    std::printf("idle with the window hidden, %d s: %.3f%% of one core (target: under 0.2%%) %s\n", seconds, hidden,
                Verdict(hidden < 0.2));
    return program.TurnOff();
}

} // namespace

int main(int argc, char** argv)
{
    const char* part = argc > 1 ? argv[1] : "all";
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const bool all = std::strcmp(part, "all") == 0;
    if (FindWindowW(nullptr, kCaption) != nullptr) {
        std::printf("a Gatewarden is running already: turn it off first\n");
        return 2;
    }
    std::printf("program: %ls\n", ProgramPath().c_str());
    bool ok = true;
    if (all || std::strcmp(part, "startup") == 0)
        ok = Startup() && ok;
    if (all || std::strcmp(part, "scaling") == 0)
        ok = Scaling(all || argc <= 2 ? 3 : std::max(1, std::atoi(argv[2]))) && ok;
    if (all || std::strcmp(part, "memory") == 0)
        ok = Memory() && ok;
    if (all || std::strcmp(part, "idle") == 0)
        ok = Idle(seconds) && ok;
    return ok ? 0 : 1;
}
