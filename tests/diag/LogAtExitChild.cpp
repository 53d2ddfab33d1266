// Started by the log tests: starts the process-wide log below the folder it is given, logs
// through the macros and ends, so that the test sees what the end of a process leaves in the file.
//   LogAtExitChild <base folder> quiet   rows from two threads, then a normal end
//   LogAtExitChild <base folder> busy    the same, with a thread still logging while the process ends
#include "diag/LogService.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <thread>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    const std::wstring base = argv[1];
    const bool busy = std::wstring(argv[2]) == L"busy";
    LocalFree(argv);

    if (TRY_LOG_EVENT(kLogCrash, L"before start"))
        return 3;
    TheLogService().StartInFolder(base, L"\\logs\\", L"Child", LogFileNaming::SingleFile);
    LOG_EVENT(kLogEvent, L"wide %d", __LINE__);
    LOG_EVENT(kLogFailure, "narrow %d", __LINE__);
    std::thread([] { LOG_EVENT(kLogCrash, L"thread %d", __LINE__); }).join();
    if (busy) {
        std::thread([] {
            for (;;)
                LOG_EVENT(kLogEvent, L"busy %d", __LINE__);
        }).detach();
        Sleep(50);
    }
    return 0;
}
