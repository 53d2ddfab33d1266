// Console stand-in until the main window exists: lists the stored profiles, marks the active one,
// and activates one by name (Gatewarden.exe NAME).
#include "diag/AppFolders.h"
#include "diag/LogService.h"
#include "profiles/ProfileList.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

void Print(const std::wstring& text)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (!WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                              nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                            nullptr);
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

// The list is the first of the program's own objects: it is built before the entry function runs.
ProfileList& g_profiles = TheProfileList();

} // namespace

int wmain(int argc, wchar_t** argv)
{
    EnsureAppFolder(L"Gatewarden");
    EnsureCommonAppFolder(L"Gatewarden");
    TheLogService().Start(L"\\Gatewarden\\logs\\", L"Gatewarden", LogFileNaming::SingleFile,
                          LogFolderScope::CurrentUser);
    LOG_EVENT(kLogEvent, L"Gatewarden Started");

    ProfileList& list = g_profiles;
    if (argc > 1)
        list.Activate(argv[1]);
    const ProxyProfile current = list.CurrentSettings();
    std::vector<std::wstring> names;
    list.ListNames(names);
    Print(L"Gatewarden: " + std::to_wstring(names.size()) + L" profiles in " + list.StorePath() + L"\n");
    for (const std::wstring& name : names) {
        const auto profile = list.Find(name);
        Print((name == current.Name ? L" * " : L"   ") + name + L"  " + (profile ? profile->ServerSummary() : L"") + L"\n");
    }
    return 0;
}
