// Wine always answers SPI_GETHIGHCONTRAST with "off" and ignores SPI_SETHIGHCONTRAST, so a
// program under Wine never sees a high-contrast theme. The program loads this stand-in anyway:
// when it does, the program's own calls of SystemParametersInfoW are routed through an answer
// that reads the switch where Windows keeps it (HKCU\Control Panel\Accessibility\HighContrast,
// value Flags, a decimal string) and passes every other question on unchanged. Tests and
// screenshots turn a theme on by writing that value and the colours under Control Panel\Colors,
// then telling the windows with WM_SETTINGCHANGE, as Windows' own switch does.
#include <windows.h>

#include <cwchar>
#include <cstring>

namespace {

using SystemParametersInfoProc = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersInfoProc g_system = nullptr;

bool HighContrastOn()
{
    wchar_t flags[32] = {};
    DWORD size = sizeof(flags);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags", RRF_RT_REG_SZ, nullptr,
                     flags, &size) != ERROR_SUCCESS)
        return false;
    return (std::wcstoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

BOOL WINAPI Answer(UINT action, UINT param, PVOID data, UINT flags)
{
    if (action != SPI_GETHIGHCONTRAST || data == nullptr)
        return g_system(action, param, data, flags);
    auto* contrast = static_cast<HIGHCONTRASTW*>(data);
    if (contrast->cbSize != sizeof(HIGHCONTRASTW))
        return FALSE;
    contrast->dwFlags = HCF_AVAILABLE | (HighContrastOn() ? HCF_HIGHCONTRASTON : 0u);
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

// Replaces the program's import of user32's SystemParametersInfoW with Answer.
void RouteProgramsCalls()
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (base == nullptr || user32 == nullptr)
        return;
    g_system = reinterpret_cast<SystemParametersInfoProc>(reinterpret_cast<void*>(GetProcAddress(user32, "SystemParametersInfoW")));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (g_system == nullptr || imports.VirtualAddress == 0)
        return;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), "user32.dll") != 0)
            continue;
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk); slot->u1.Function != 0; ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(g_system))
                continue;
            DWORD old = 0;
            if (VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &old)) {
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(&Answer);
                VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), old, &old);
            }
        }
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        RouteProgramsCalls();
    return TRUE;
}
