#pragma once
// The program's HTML log: one page per run, one table row per message.
//
// Every part of the program logs through LOG_EVENT, which adds the source file name (without its
// folders) and line to the row:
//     LOG_EVENT(kLogEvent, L"IE Cache was successfully cleaned");
//     LOG_EVENT(kLogFailure, "Failed to open %s", path.c_str());   // a narrow format: %s still takes a wide string
// The message follows the wvsprintf rules (no floating-point conversions) and is cut at 1024
// characters; it is written unescaped, so it may carry markup.
//
// Errors are thrown as wide-string pointers (const wchar_t*):
//     Start: "Cant create log file" after 1001 failed attempts;
//     Log:   "Start log service before logging" when Start has not succeeded.
// The crash handler must not fail because the log is missing: it uses TryLog (or TRY_LOG_EVENT),
// which never throws and returns false when the row was not written.
//
// The page foot is written when the process ends. Rows that still arrive after that (another
// thread, the destructor of another static object) are dropped; a page with rows after its foot
// would no longer be a table.
#include "base/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <string>

// A plain integer; the levels in use have names. Values without a colour give an empty bgcolor.
using LogLevel = int;
inline constexpr LogLevel kLogCrash = 0;    // the crash path only
inline constexpr LogLevel kLogFailure = 1;  // failures the user also sees in red in the status log
inline constexpr LogLevel kLogDetail = 2;   // nobody logs at this level yet
inline constexpr LogLevel kLogEvent = 3;    // normal events and successes

enum class LogFileNaming {
    SingleFile,  // <user>.htm, replaced by every run
    Dated,       // <user>-DD-MM-YYYY.htm, then _0, _1 ... when that name is taken
};

enum class LogFolderScope { CurrentUser, AllUsers };

class LogService {
public:
    LogService();
    ~LogService();
    LogService(const LogService&) = delete;
    LogService& operator=(const LogService&) = delete;

    // folder is put between the application-data folder and the file name, so it begins and ends
    // with a backslash ("\\Gatewarden\\logs\\"); only its last level is created. Meant to be
    // called once; later calls leave the open log as it is.
    void Start(const std::wstring& folder, const std::wstring& title, LogFileNaming naming, LogFolderScope scope);
    // The same below a given base folder instead of the application-data folder (for tests).
    void StartInFolder(const std::wstring& base, const std::wstring& folder, const std::wstring& title,
                       LogFileNaming naming);

    void Log(LogLevel level, const char* sourceFile, int line, const wchar_t* format, ...);
    void Log(LogLevel level, const char* sourceFile, int line, const char* format, ...);
    bool TryLog(LogLevel level, const char* sourceFile, int line, const wchar_t* format, ...);
    bool TryLog(LogLevel level, const char* sourceFile, int line, const char* format, ...);

    // Full path of the open log; empty before Start succeeds.
    [[nodiscard]] std::wstring GetFileName();

    // Writes the page foot and closes the file. Runs by itself when the process ends; later rows
    // are dropped.
    void Close();

private:
    enum class State { NotStarted, Open, Closed };

    bool WriteRow(LogLevel level, const char* sourceFile, int line, const std::wstring& message);
    void Write(const std::wstring& text);

    CRITICAL_SECTION m_lock;
    KernelHandle m_file;
    std::wstring m_fileName;
    std::atomic<State> m_state = State::NotStarted;
};

// The one log of the process. Usable from any thread and at any time, static destruction included.
[[nodiscard]] LogService& TheLogService();

// __FILE__ without its folders, at compile time.
consteval const char* LogSourceName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

#define LOG_EVENT(level, format, ...) \
    TheLogService().Log((level), LogSourceName(__FILE__), __LINE__, (format) __VA_OPT__(, ) __VA_ARGS__)
#define TRY_LOG_EVENT(level, format, ...) \
    TheLogService().TryLog((level), LogSourceName(__FILE__), __LINE__, (format) __VA_OPT__(, ) __VA_ARGS__)
