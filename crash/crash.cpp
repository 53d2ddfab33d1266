#include "crash/crash.h"

#include "base/SystemLibrary.h"
#include "base/UniqueHandle.h"
#include "crash/CrashFiles.h"
#include "crash/CrashGuard.h"
#include "crash/CrashPage.h"
#include "diag/LogService.h"

#include <dbghelp.h>

#include <atomic>
#include <cwchar>

namespace {

// More than any process of ours loads; later modules are left out of the report, not the dump.
constexpr int kMaxModules = 512;
CrashModule g_modulePool[kMaxModules];
int g_moduleCount = 0;
CrashModule* g_moduleHead = nullptr;
CrashModule* g_moduleTail = nullptr;

CrashGuard g_guard;

void AppendModule(const MINIDUMP_MODULE_CALLBACK& module)
{
    if (g_moduleCount >= kMaxModules)
        return;
    CrashModule& entry = g_modulePool[g_moduleCount++];
    if (module.FullPath != nullptr) {
        std::wcsncpy(entry.FullPath, module.FullPath, MAX_PATH - 1);
        entry.FullPath[MAX_PATH - 1] = L'\0';
    }
    entry.BaseOfImage = module.BaseOfImage;
    entry.SizeOfImage = module.SizeOfImage;
    entry.VersionInfo = module.VersionInfo;
    entry.Next = nullptr;
    (g_moduleTail != nullptr ? g_moduleTail->Next : g_moduleHead) = &entry;
    g_moduleTail = &entry;
}

BOOL CALLBACK DumpCallback(PVOID, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT)
{
    if (input != nullptr && input->CallbackType == ModuleCallback)
        AppendModule(input->Module);
    return TRUE;
}

} // namespace

const CrashModule* CrashModuleList()
{
    return g_moduleHead;
}

void InstallCrashHandler()
{
    SetUnhandledExceptionFilter(CrashFilter);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers)
{
    switch (g_guard.Enter(GetCurrentThreadId())) {
    case CrashEntry::First: break;
    // The handler itself failed: what it has not written yet is lost; end now.
    case CrashEntry::Reentered: return EXCEPTION_EXECUTE_HANDLER;
    // The first crash ends the process once its user has answered; this thread waits for that.
    case CrashEntry::OtherThread: Sleep(INFINITE); return EXCEPTION_EXECUTE_HANDLER;
    }
    HandleCrash(pointers);
    return EXCEPTION_EXECUTE_HANDLER;
}

void HandleCrash(EXCEPTION_POINTERS* pointers)
{
    // The dump first: it needs no heap, and a crash often leaves the heap broken, so whatever
    // fails after it (the log's row, the report, the dialog) cannot cost the dump.
    const std::wstring dump = WriteCrashDump(pointers);
    TRY_LOG_EVENT(kLogCrash, L"Unhandled exception catched. Generating crash dump.");
    const std::wstring log = TheLogService().GetFileName();
    const std::wstring report = WriteCrashReport(pointers);
    OfferCrashReport(log, dump, report);
    TRY_LOG_EVENT(kLogCrash, L"Application terminated.");
}

namespace {

using MiniDumpWriter = decltype(&::MiniDumpWriteDump);
std::atomic<MiniDumpWriter> g_writeDump{nullptr};

MiniDumpWriter LoadDumpWriter()
{
    if (MiniDumpWriter writer = g_writeDump.load())
        return writer;
    HMODULE module = SystemLibrary::Load(L"dbghelp.dll");
    if (module == nullptr)
        return nullptr;
    MiniDumpWriter writer = nullptr;
    SystemLibrary::Find(module, "MiniDumpWriteDump", writer);
    g_writeDump.store(writer);
    return writer;
}

} // namespace

void PrepareCrashDumps()
{
    static_cast<void>(LoadDumpWriter());
}

std::wstring WriteCrashDump(EXCEPTION_POINTERS* pointers)
{
    wchar_t path[kCrashPathLength] = {};
    if (!CrashFilePath(L".dmp", path))
        return {};
    g_moduleCount = 0;
    g_moduleHead = g_moduleTail = nullptr;
    {
        // Closed however the writing went.
        const KernelHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const MiniDumpWriter writeDump = LoadDumpWriter();
        if (file && writeDump != nullptr) {
            MINIDUMP_EXCEPTION_INFORMATION exception{GetCurrentThreadId(), pointers, FALSE};
            MINIDUMP_CALLBACK_INFORMATION callback{DumpCallback, nullptr};
            writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                              pointers != nullptr ? &exception : nullptr, nullptr, &callback);
        }
    }
    return path;
}
