#include "diag/LogService.h"

#include "diag/AppFolders.h"
#include "diag/LogText.h"

#include <cstdarg>

namespace {

const wchar_t* const kCantCreate = L"Cant create log file";
const wchar_t* const kNotStarted = L"Start log service before logging";
constexpr int kMaxAttempt = 1000;

class LockGuard {
public:
    explicit LockGuard(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
    ~LockGuard() { LeaveCriticalSection(&m_lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CRITICAL_SECTION& m_lock;
};

std::wstring UserName()
{
    wchar_t name[260] = {};
    DWORD size = 260;
    if (!GetUserNameW(name, &size))
        return {};
    return name;
}

std::wstring RowTime()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return FormatText(L"%02d/%02d/%0004d %02d:%02d:%02d", now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute,
                  now.wSecond);
}

HANDLE CreateLogFile(const std::wstring& name, LogFileNaming naming)
{
    if (naming == LogFileNaming::SingleFile)
        DeleteFileW(name.c_str());
    return CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

} // namespace

LogService::LogService()
{
    InitializeCriticalSection(&m_lock);
}

LogService::~LogService()
{
    Close();
    DeleteCriticalSection(&m_lock);
}

void LogService::Start(const std::wstring& folder, const std::wstring& title, LogFileNaming naming,
                       LogFolderScope scope)
{
    StartInFolder(scope == LogFolderScope::AllUsers ? GetCommonAppDataFolder() : GetAppDataFolder(), folder, title,
                  naming);
}

void LogService::StartInFolder(const std::wstring& base, const std::wstring& folder, const std::wstring& title,
                               LogFileNaming naming)
{
    LockGuard guard(m_lock);
    if (m_state != State::NotStarted)
        return;
    CreateDirectoryW((base + folder).c_str(), nullptr);

    SYSTEMTIME today;
    GetSystemTime(&today);
    const std::wstring stem = base + folder + UserName();
    const std::wstring dated = stem + FormatText(L"-%02d-%02d-%0004d", today.wDay, today.wMonth, today.wYear);
    std::wstring name = naming == LogFileNaming::SingleFile ? stem + L".htm" : dated + L".htm";
    for (int attempt = 0;; ++attempt) {
        m_file.Reset(CreateLogFile(name, naming));
        if (m_file)
            break;
        if (attempt >= kMaxAttempt)
            throw kCantCreate;
        if (naming == LogFileNaming::SingleFile)
            Sleep(1);
        else
            name = dated + L"_" + std::to_wstring(attempt) + L".htm";
    }
    m_fileName = name;

    Write(L"<html><head><title>" + title + L"</title></head><body>\n<b>" + title + L"</b> started on PC:<br>" +
          DescribeThisWindows() +
          L"<table>\n<tr><th>Time</th><th>Thread ID</th><th>Filename</th><th>Message</th></tr>\n");
    m_state = State::Open;
}

void LogService::Log(LogLevel level, const char* sourceFile, int line, const wchar_t* format, ...)
{
    if (m_state == State::NotStarted)
        throw kNotStarted;
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatLogMessage(format, args);
    va_end(args);
    WriteRow(level, sourceFile, line, message);
}

void LogService::Log(LogLevel level, const char* sourceFile, int line, const char* format, ...)
{
    if (m_state == State::NotStarted)
        throw kNotStarted;
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatLogMessage(WidenAnsi(format).c_str(), args);
    va_end(args);
    WriteRow(level, sourceFile, line, message);
}

bool LogService::TryLog(LogLevel level, const char* sourceFile, int line, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatLogMessage(format, args);
    va_end(args);
    return WriteRow(level, sourceFile, line, message);
}

bool LogService::TryLog(LogLevel level, const char* sourceFile, int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatLogMessage(WidenAnsi(format).c_str(), args);
    va_end(args);
    return WriteRow(level, sourceFile, line, message);
}

bool LogService::WriteRow(LogLevel level, const char* sourceFile, int line, const std::wstring& message)
{
    const std::wstring thread = FormatText(L"0x%X (%d)", GetCurrentThreadId(), GetCurrentThreadId());
    const std::wstring position = WidenAnsi(sourceFile) + L":" + std::to_wstring(line);
    LockGuard guard(m_lock);
    if (m_state != State::Open)
        return false;
    // The time is read under the lock so that the rows' times follow their order in the file.
    Write(std::wstring(L"<tr bgcolor=") + LogRowColour(level) + L"><th>" + RowTime() + L"</th><th>" + thread +
          L"</th><th>" + position + L"</th><th>" + message + L"</th></tr>\n");
    return true;
}

// One write call per piece: a row is never split between writers, and a failed write loses only
// that piece.
void LogService::Write(const std::wstring& text)
{
    const std::string bytes = ToLocaleBytes(text);
    DWORD written = 0;
    WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring LogService::GetFileName()
{
    LockGuard guard(m_lock);
    return m_fileName;
}

void LogService::Close()
{
    LockGuard guard(m_lock);
    if (m_state == State::Open)
        Write(L"\n</table>\n</body></html>");
    m_file.Reset();
    m_state = State::Closed;
}

LogService& TheLogService()
{
    // Never destroyed, so that a late row from another thread or another static's destructor
    // meets a live object instead of a dead one; the foot writer below ends the page.
    static LogService& service = *new LogService;
    return service;
}

namespace {

struct LogFootWriter {
    ~LogFootWriter() { TheLogService().Close(); }
} g_logFootWriter;

} // namespace
