// The shipped Gatewarden.exe as a user starts it, side by side with the floor (AppFloor.exe, a bare
// window that looks the same from outside), the two alternating in one run: the time to a painted
// main window once the prefix is warm, how that time grows with the profiles in the store, its
// memory with an empty store and with 1,000 profiles, and its idle processor time with the window
// shown and hidden. Each figure is printed as the ratio to the floor, with its goal. Run by hand
// under Wine, with no other Gatewarden running:
//   wine build/bench/AppBench.exe [startup [rounds]|scaling [runs]|memory|idle [seconds]]
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
#include <cwchar>
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

std::wstring FloorPath()
{
    return ExeFolder() + L"\\AppFloor.exe";
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
    explicit RunningProgram(const std::wstring& path = ProgramPath(), double showTimeoutMs = kShowTimeoutMs)
        : m_started(Now()), m_showTimeout(showTimeoutMs)
    {
        std::wstring command = L"\"" + path + L"\"";
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
            if (showing.Painted >= 0 && ViewShowsPicture()) {
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
    // Whether the view on the display holds more than one colour: a painted page does, a window
    // that was only erased does not. Stops at the first pixel that differs, so that the check
    // costs little and the same for a large view as for a small one.
    [[nodiscard]] bool ViewShowsPicture() const
    {
        RECT box{};
        if (m_view == nullptr || !GetWindowRect(m_view, &box) || box.right <= box.left || box.bottom <= box.top)
            return false;
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
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        const auto* end = pixels + static_cast<std::size_t>(width) * height;
        const bool picture = std::find_if(pixels, end, [first = *pixels](std::uint32_t pixel) {
                                 return pixel != first;
                             }) != end;
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return picture;
    }

    // The floor and the program share the caption: the window is the one this process owns.
    [[nodiscard]] HWND FindOwnWindow() const
    {
        for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, kCaption); window != nullptr;
             window = FindWindowExW(nullptr, window, nullptr, kCaption)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == m_process.dwProcessId)
                return window;
        }
        return nullptr;
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

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Subject {
    const char* Name;
    std::wstring Path;
};

std::vector<Subject> FloorAndProgram()
{
    return {{"floor", FloorPath()}, {"Gatewarden", ProgramPath()}};
}

// Start-up to the painted view on screen, in rounds of five runs; each run starts the floor and then
// the program, so that both meet the same load of a shared machine. The first pair warms Wine's
// caches and is not counted.
bool Startup(int rounds)
{
    constexpr int kRunsPerRound = 5;
    constexpr double kGoal = 1.2;
    const std::vector<Subject> subjects = FloorAndProgram();
    std::vector<double> floorMedians, programMedians, ratios;
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> onScreen[2];
        std::vector<double> painted;
        for (int run = round == 0 ? -1 : 0; run < kRunsPerRound; ++run) {
            for (std::size_t i = 0; i < subjects.size(); ++i) {
                RunningProgram program(subjects[i].Path);
                const RunningProgram::Showing showing = program.WaitShown();
                if (showing.OnScreen < 0 || !program.TurnOff()) {
                    std::printf("start-up: %s failed (no painted window, or no clean exit)\n", subjects[i].Name);
                    return false;
                }
                std::printf("  %s%s: visible %.1f ms, painted %.1f ms, on screen %.1f ms\n", subjects[i].Name,
                            run < 0 ? " (warm-up)" : "", showing.Visible, showing.Painted, showing.OnScreen);
                if (run >= 0)
                    onScreen[i].push_back(showing.OnScreen);
            }
        }
        floorMedians.push_back(Median(onScreen[0]));
        programMedians.push_back(Median(onScreen[1]));
        ratios.push_back(programMedians.back() / floorMedians.back());
        std::printf("round %d: floor %.1f ms, Gatewarden %.1f ms, %.2fx the floor\n", round + 1, floorMedians.back(),
                    programMedians.back(), programMedians.back() / floorMedians.back());
    }
    const double floor = Median(floorMedians);
    const double program = Median(programMedians);
    std::printf("start-up to the painted view on screen, median of %d rounds of %d: floor %.1f ms, Gatewarden %.1f ms\n",
                rounds, kRunsPerRound, floor, program);
    // Each round's ratio is of runs side by side; the ratio of the medians may pair rounds that
    // met different loads.
    const double ratio = Median(ratios);
    std::printf("start-up goal: at most %.1fx the floor: %.2fx (median of the rounds' ratios) %s\n", kGoal, ratio,
                Verdict(ratio <= kGoal));
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
            RunningProgram program(ProgramPath(), kTimeoutMs);
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
        wall.push_back(Median(walls));
        cpu.push_back(Median(cpus));
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

// The largest committed private allocations, to tell where the megabytes over the floor go: a
// heap, a thread's stack, a bitmap's bits.
void PrintLargestAllocations(HANDLE process)
{
    std::vector<std::pair<std::uint64_t, const void*>> allocations;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State != MEM_COMMIT || region.Type != MEM_PRIVATE)
            continue;
        if (allocations.empty() || allocations.back().second != region.AllocationBase)
            allocations.emplace_back(0, region.AllocationBase);
        allocations.back().first += region.RegionSize;
    }
    std::sort(allocations.rbegin(), allocations.rend());
    for (std::size_t i = 0; i < allocations.size() && i < 6; ++i)
        std::printf("    %7.0f KB at %p\n", static_cast<double>(allocations[i].first) / 1024, allocations[i].second);
}

struct MemorySample {
    double WorkingSet = 0;
    double Private = 0;  // private bytes, or the committed private regions where Wine gives none
};

// The memory of the floor or the program, shown and settled, with a store of that many profiles.
bool SampleMemory(const Subject& subject, std::size_t count, MemorySample& sample)
{
    SavedStore store;
    if (!WriteStoreFile(store.Path(), SampleProfiles(count))) {
        std::printf("memory: cannot write the store %ls\n", store.Path().c_str());
        return false;
    }
    RunningProgram program(subject.Path);
    if (!program.WaitPainted()) {
        std::printf("memory: the main window of the %s did not show\n", subject.Name);
        return false;
    }
    Sleep(2000);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    const bool read = GetProcessMemoryInfo(program.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                           sizeof(counters));
    const std::uint64_t committed = CommittedPrivateBytes(program.Process());
    if (!read) {
        std::printf("memory: GetProcessMemoryInfo failed (error %lu)\n", GetLastError());
        return false;
    }
    constexpr double kMegabyte = 1024.0 * 1024.0;
    sample.WorkingSet = static_cast<double>(counters.WorkingSetSize) / kMegabyte;
    sample.Private = static_cast<double>(counters.PrivateUsage != 0 ? counters.PrivateUsage : committed) / kMegabyte;
    std::printf("  %s with %zu profiles: working set %.1f MB, private %.1f MB; the largest private allocations:\n",
                subject.Name, count, sample.WorkingSet, sample.Private);
    PrintLargestAllocations(program.Process());
    return program.TurnOff();
}

// The floor is what Wine and a bare window take; the program's share over it is what it holds
// itself, with an empty store and with 1,000 profiles.
bool Memory()
{
    constexpr double kGoalEmptyMb = 3;
    constexpr double kGoalFullMb = 10;
    const std::vector<Subject> subjects = FloorAndProgram();
    MemorySample floor, empty, full;
    if (!SampleMemory(subjects[0], 0, floor) || !SampleMemory(subjects[1], 0, empty) ||
        !SampleMemory(subjects[1], 1000, full))
        return false;
    std::printf("private memory, empty store: floor %.1f MB, Gatewarden %.1f MB (%.2fx, +%.1f MB; goal floor + %.0f MB) %s\n",
                floor.Private, empty.Private, empty.Private / floor.Private, empty.Private - floor.Private,
                kGoalEmptyMb, Verdict(empty.Private - floor.Private <= kGoalEmptyMb));
    std::printf("private memory, 1,000 profiles: floor %.1f MB, Gatewarden %.1f MB (%.2fx, +%.1f MB; goal floor + %.0f MB) %s\n",
                floor.Private, full.Private, full.Private / floor.Private, full.Private - floor.Private, kGoalFullMb,
                Verdict(full.Private - floor.Private <= kGoalFullMb));
    std::printf("working set: floor %.1f MB, empty store %.1f MB, 1,000 profiles %.1f MB\n", floor.WorkingSet,
                empty.WorkingSet, full.WorkingSet);
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

// Wine's own WinINet reads and writes the registry on every query; the tests' stand-in is the
// lighter one, so its goal is the tighter.
bool UsesWinInetStandIn()
{
    wchar_t overrides[512] = L"";
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
    return std::wstring(overrides).find(L"wininet=n") != std::wstring::npos;
}

// Nobody touches a window that sits idle: the pointer rests elsewhere. (Wine stands in for the
// leave notice that a view asks of TrackMouseEvent by looking at the pointer every 100 ms for as
// long as it rests over the view; Windows sends the notice without looking.)
void PointerAway()
{
    const POINT corners[] = {{GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}, {0, 0}};
    for (const POINT corner : corners) {
        SetCursorPos(corner.x, corner.y);
        wchar_t caption[64] = L"";
        GetWindowTextW(GetAncestor(WindowFromPoint(corner), GA_ROOT), caption, 64);
        if (std::wcscmp(caption, kCaption) != 0)
            return;
    }
}

// Idle share with the window shown and then hidden, of the floor and then of the program.
bool Idle(int seconds)
{
    const double goal = UsesWinInetStandIn() ? 0.05 : 0.1;
    std::printf("WinINet: %s\n", UsesWinInetStandIn() ? "the tests' stand-in" : "Wine's own");
    double shown[2] = {}, hidden[2] = {};
    const std::vector<Subject> subjects = FloorAndProgram();
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        RunningProgram program(subjects[i].Path);
        if (!program.WaitPainted()) {
            std::printf("idle: the main window of the %s did not show\n", subjects[i].Name);
            return false;
        }
        // Past the start-up's own tail: the monitor's first passes, the first reading of the
        // adapters on the fifth, the first full pass.
        PointerAway();
        Sleep(5000);
        std::printf(" %s, shown:\n", subjects[i].Name);
        shown[i] = IdleShare(program.ProcessId(), seconds);
        program.Command(Command::CloseToTray);
        Sleep(1000);
        std::printf(" %s, hidden:\n", subjects[i].Name);
        hidden[i] = IdleShare(program.ProcessId(), seconds);
        if (!program.TurnOff())
            return false;
    }
    std::printf("idle with the window shown, %d s: floor %.3f%%, Gatewarden %.3f%% of one core (goal: under %.2f%%) %s\n",
                seconds, shown[0], shown[1], goal, Verdict(shown[1] < goal));
    std::printf("idle with the window hidden, %d s: floor %.3f%%, Gatewarden %.3f%% of one core (goal: under %.2f%%) %s\n",
                seconds, hidden[0], hidden[1], goal, Verdict(hidden[1] < goal));
    return true;
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
        ok = Startup(!all && argc > 2 ? std::max(1, std::atoi(argv[2])) : 3) && ok;
    if (all || std::strcmp(part, "scaling") == 0)
        ok = Scaling(all || argc <= 2 ? 3 : std::max(1, std::atoi(argv[2]))) && ok;
    if (all || std::strcmp(part, "memory") == 0)
        ok = Memory() && ok;
    if (all || std::strcmp(part, "idle") == 0)
        ok = Idle(seconds) && ok;
    return ok ? 0 : 1;
}
