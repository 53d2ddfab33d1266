// Load and save of a store of 10,000 profiles, as the profile list does them; then the load of
// a store of nothing but empty records at the largest size read (target: under 3 s and 100 MB
// above the memory in use before it) and the refusal of a 300 MB one (target: under 10 ms).
#include "profiles/ProfileCollection.h"
#include "profiles/ProfileStore.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kProfiles = 10000;
constexpr int kRounds = 10;

double Milliseconds(std::chrono::steady_clock::duration elapsed)
{
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// A header, then zero bytes up to the size: millions of empty records under the empty name.
bool WriteZeroStore(const std::wstring& path, std::uint64_t size)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, "KPP\x17z1.10", 9, &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return sized;
}

void HugeStoreLoad(ProfileCollection& profiles, ProfileStore& store, std::uint64_t size)
{
    if (!WriteZeroStore(store.Path(), size))
        return;
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    const auto started = std::chrono::steady_clock::now();
    const ProfileStore::LoadResult result = store.Load();
    const double elapsed = Milliseconds(std::chrono::steady_clock::now() - started);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    constexpr double kMegabyte = 1024.0 * 1024.0;
    std::printf("store of %.0f MB of empty records: %s, %zu entries, %.0f ms, peak private %+.1f MB, peak working set "
                "%+.1f MB\n",
                static_cast<double>(size) / kMegabyte, result == ProfileStore::Loaded ? "loaded" : "refused", profiles.Count(),
                elapsed, (static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(before.PagefileUsage)) / kMegabyte,
                (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize)) / kMegabyte);
    DeleteFileW(store.Path().c_str());
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"gw-store-bench.kpp";
    DeleteFileW(path.c_str());
    ProfileCollection profiles;
    ProfileStore store(profiles, path, 1500, nullptr);
    // First, while the process is still small, so that its peak is the load's.
    HugeStoreLoad(profiles, store, kMaxStoreBytes);
    HugeStoreLoad(profiles, store, 300ull * 1024 * 1024);
    for (int i = 0; i < kProfiles; ++i) {
        ProxyProfile profile;
        profile.Name = L"Profile " + std::to_wstring(i);
        profile.BuildServerString({L"proxy" + std::to_wstring(i) + L".example.corp:8080", L"", L"", L"", L""});
        profile.ProxyBypass = L"*.corp;intranet;<local>";
        profile.AutoConfigUrl = L"http://wpad.example.corp/proxy.pac";
        profile.NdisName = L"Intel(R) Ethernet Connection";
        profile.AutoIp = L"10.0." + std::to_wstring(i / 256) + L"." + std::to_wstring(i % 256);
        profile.ConnectionFlags = 0x3;
        profiles.Put(profile);
    }

    std::vector<double> saves;
    std::vector<double> loads;
    for (int round = 0; round < kRounds; ++round) {
        auto started = std::chrono::steady_clock::now();
        if (store.Save() != ProfileStore::Saved)
            return 1;
        saves.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
        started = std::chrono::steady_clock::now();
        if (store.Load() != ProfileStore::Loaded)
            return 1;
        loads.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
    }
    std::sort(saves.begin(), saves.end());
    std::sort(loads.begin(), loads.end());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    std::printf("store of %d profiles, %lu bytes\n", kProfiles, data.nFileSizeLow);
    std::printf("save: median %.2f ms, best %.2f ms, worst %.2f ms\n", saves[kRounds / 2], saves.front(), saves.back());
    std::printf("load: median %.2f ms, best %.2f ms, worst %.2f ms\n", loads[kRounds / 2], loads.front(), loads.back());
    DeleteFileW(path.c_str());
    return 0;
}
