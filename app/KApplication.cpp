// The process's entry and exit: the program-wide objects, the single-instance rule, the log,
// COM, the main window and its message loop.
#include "app/MainDlg.h"
#include "app/MessageLoop.h"
#include "app/StartupPhases.h"
#include "app/TheProfileList.h"
#include "app/WindowModule.h"
#include "base/UniqueHandle.h"
#include "crash/crash.h"
#include "diag/AppFolders.h"
#include "diag/LogPlaces.h"
#include "diag/LogService.h"

#include <objbase.h>
#include <windows.h>

namespace {

// Built before the entry function runs. The profile list is not: it reads the store and the
// system's settings, which only the one instance that runs may touch.
WindowModule& g_module = TheWindowModule();

int Run(int showCommand)
{
    MessageLoop loop;
    g_module.AddMessageLoop(&loop);
    int exitCode = 0;
    {
        MainDlg mainWindow;
        NoteStartupPhase("main window object");
        if (mainWindow.Create() == nullptr) {
            g_module.RemoveMessageLoop();
            return 0;
        }
        NoteStartupPhase("window created");
        ShowWindow(mainWindow.Window(), showCommand);
        NoteStartupPhase("shown");
        // The first picture before anything else the loop would do first.
        RedrawWindow(mainWindow.Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        NoteStartupPhase("first paint");
        mainWindow.AfterFirstPaint();
        exitCode = loop.Run();
        g_module.RemoveMessageLoop();
        // A quit that did not come from ShutDown leaves the window: end it the same way.
        if (mainWindow.Window() != nullptr)
            mainWindow.ShutDown(123);
    }
    return exitCode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    NoteStartupPhase("entry");
    // Held for the life of the process; the system closes it at exit.
    CreateMutexW(nullptr, TRUE, L"KELM_Gatewarden_app_mutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    InstallCrashHandler();
    EnsureAppFolder(L"Gatewarden");
    EnsureCommonAppFolder(L"Gatewarden");
    TheLogService().Start(L"\\Gatewarden\\logs\\", L"Gatewarden", LogFileNaming::SingleFile,
                          LogFolderScope::CurrentUser);
    TheLogService().Log(kLogEvent, kStartedPlace.Source, kStartedPlace.Line, L"Gatewarden Started");
    NoteStartupPhase("log started");
    // Loads the store (the monitor thread starts once the window is on screen); a crash or a store
    // it cannot read is now logged.
    static_cast<void>(TheProfileList());
    NoteStartupPhase("store loaded");
    // Accessibility clients may ask for the window's objects as soon as it shows.
    const ComScope com(COINIT_MULTITHREADED);
    static_cast<void>(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
    g_module.Init(instance);
    NoteStartupPhase("COM and controls");
    const int exitCode = Run(showCommand);
    g_module.Term();
    return exitCode;
}
