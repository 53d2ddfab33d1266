#pragma once
// The program's last resort: an exception that no handler of any thread caught ends here. The
// filter writes a minidump and an XML report into TEMP, logs, offers to mail both with the log,
// and lets the system end the process without its own error dialog.
#include <windows.h>

#include <string>

// One module the dump writer reported, copied: the writer's own record lives only during its call.
struct CrashModule {
    wchar_t FullPath[MAX_PATH];
    ULONG64 BaseOfImage;
    ULONG SizeOfImage;
    VS_FIXEDFILEINFO VersionInfo;
    CrashModule* Next;
};

// The modules of the one dump this process writes, in the order the dump writer reported them;
// null until then. Entries come from a fixed pool, so a crash with a broken heap still gets them.
[[nodiscard]] const CrashModule* CrashModuleList();

void InstallCrashHandler();
// Loads the dump writer (dbghelp.dll) ahead of any crash, once the program's window is up: loading
// a library inside the crash filter may meet a broken heap or a held loader lock. A crash before
// this call still tries to load it then.
void PrepareCrashDumps();
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers);
void HandleCrash(EXCEPTION_POINTERS* pointers);

// "<TEMP>\<exe file name>.dmp"; written even when the dump could not be.
std::wstring WriteCrashDump(EXCEPTION_POINTERS* pointers);
// "<TEMP>\<exe file name>.xml", or empty when the document could not be built. Reads the module
// list of the dump written before it.
std::wstring WriteCrashReport(EXCEPTION_POINTERS* pointers);
