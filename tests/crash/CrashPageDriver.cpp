// Crashes the program built with its hidden crash commands, fills in the crash page as a user
// would and sends the report; prints the paths of the log, the dump and the report, one a line.
//   CrashPageDriver <temp folder> <address> <what the user was doing>
#include "app/GatewardenProgram.h"

#include <cstdio>
#include <cstring>

namespace {


std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::strlen(text));
}

int Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Fail("usage: CrashPageDriver <temp folder> <address> <what the user was doing>");
    const std::wstring temp = Widen(argv[1]);
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    Gatewarden program(L"", L"", L"crash\\Gatewarden.exe");
    if (program.Main() == nullptr)
        return Fail("the program's window did not show");
    program.Command(Command::CrashHere);
    HWND dialog = program.WaitForWindow(nullptr, L"Gatewardencrash", 3 * kLimitMs);
    HWND page = dialog ? GetWindow(dialog, GW_CHILD) : nullptr;
    if (page == nullptr)
        return Fail("the crash page did not show");
    // The address input has the focus first; Tab moves on to the text area and then to Send.
    Gatewarden::Type(Widen(argv[2]), page);
    program.Key(VK_TAB, page);
    Gatewarden::Type(Widen(argv[3]), page);
    program.Key(VK_TAB, page);
    program.Key(VK_RETURN, page);
    const DWORD code = program.ExitCode(30000);
    if (code != EXCEPTION_ACCESS_VIOLATION) {
        std::fprintf(stderr, "the program ended with 0x%lx\n", code);
        return 1;
    }
    wchar_t user[260] = {};
    DWORD size = 260;
    GetUserNameW(user, &size);
    for (const std::wstring& path : {GetAppDataFolder() + L"\\Gatewarden\\logs\\" + user + L".htm",
                                     temp + L"\\Gatewarden.exe.dmp", temp + L"\\Gatewarden.exe.xml"})
        std::printf("%ls\n", path.c_str());
    return 0;
}
