// Load and save of a store of 10,000 profiles, as the profile list does them.
#include "profiles/ProfileList.h"

#include <windows.h>

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

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    ProfileListOptions options;
    options.StorePath = std::wstring(temp) + L"gw-store-bench.kpp";
    options.Monitor = MonitorStart::DontStart;
    options.Import = ConnectionImport::Skip;
    DeleteFileW(options.StorePath.c_str());
    ProfileList list(options);
    for (int i = 0; i < kProfiles; ++i) {
        ProxyProfile profile;
        profile.Name = L"Profile " + std::to_wstring(i);
        profile.BuildServerString({L"proxy" + std::to_wstring(i) + L".example.corp:8080", L"", L"", L"", L""});
        profile.ProxyBypass = L"*.corp;intranet;<local>";
        profile.AutoConfigUrl = L"http://wpad.example.corp/proxy.pac";
        profile.NdisName = L"Intel(R) Ethernet Connection";
        profile.AutoIp = L"10.0." + std::to_wstring(i / 256) + L"." + std::to_wstring(i % 256);
        profile.ConnectionFlags = 0x3;
        list.Put(profile);
    }

    std::vector<double> saves;
    std::vector<double> loads;
    for (int round = 0; round < kRounds; ++round) {
        auto started = std::chrono::steady_clock::now();
        if (list.Save() != ProfileList::Saved)
            return 1;
        saves.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
        started = std::chrono::steady_clock::now();
        if (list.Load() != ProfileList::Loaded)
            return 1;
        loads.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
    }
    std::sort(saves.begin(), saves.end());
    std::sort(loads.begin(), loads.end());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(options.StorePath.c_str(), GetFileExInfoStandard, &data);
    std::printf("store of %d profiles, %lu bytes\n", kProfiles, data.nFileSizeLow);
    std::printf("save: median %.2f ms, best %.2f ms, worst %.2f ms\n", saves[kRounds / 2], saves.front(), saves.back());
    std::printf("load: median %.2f ms, best %.2f ms, worst %.2f ms\n", loads[kRounds / 2], loads.front(), loads.back());
    DeleteFileW(options.StorePath.c_str());
    return 0;
}
