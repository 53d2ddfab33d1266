#include "diag/LogService.h"
#include "diag/LogText.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

namespace {

struct LogRow {
    std::string Colour, Time, Thread, Position, Message;
};

// A log file read back into its head, rows and foot, with every line that is not a whole row.
struct LogPage {
    std::string Head;
    std::vector<LogRow> Rows;
    std::vector<std::string> BrokenLines;
    bool HasFoot = false;

    static constexpr const char* kTableHead =
        "<table>\n<tr><th>Time</th><th>Thread ID</th><th>Filename</th><th>Message</th></tr>\n";
    static constexpr const char* kFoot = "\n</table>\n</body></html>";

    static LogPage Read(const std::wstring& path)
    {
        LogPage page;
        std::string body = TempFolder::ReadBytes(path);
        const std::size_t headEnd = body.find(kTableHead);
        if (headEnd == std::string::npos) {
            page.BrokenLines.push_back(body);
            return page;
        }
        page.Head = body.substr(0, headEnd + std::strlen(kTableHead));
        body.erase(0, page.Head.size());
        page.HasFoot = body.ends_with(kFoot);
        if (page.HasFoot)
            body.erase(body.size() - std::strlen(kFoot));
        for (std::size_t start = 0, end = 0; start < body.size(); start = end == std::string::npos ? end : end + 1) {
            end = body.find('\n', start);
            const std::string line = body.substr(start, end == std::string::npos ? end : end - start);
            LogRow row;
            if (end != std::string::npos && ParseRow(line, row))
                page.Rows.push_back(row);
            else
                page.BrokenLines.push_back(line);
        }
        return page;
    }

private:
    // <tr bgcolor=C><th>T</th><th>I</th><th>P</th><th>M</th></tr>, where only M may hold markup.
    static bool ParseRow(const std::string& line, LogRow& row)
    {
        const std::string open = "<tr bgcolor=", close = "</th></tr>";
        if (!line.starts_with(open) || !line.ends_with(close))
            return false;
        const std::string cells = line.substr(open.size(), line.size() - open.size() - close.size());
        std::size_t at = 0;
        const std::pair<const char*, std::string*> leading[] = {
            {"><th>", &row.Colour}, {"</th><th>", &row.Time}, {"</th><th>", &row.Thread}, {"</th><th>", &row.Position}};
        for (const auto& [until, out] : leading) {
            const std::size_t end = cells.find(until, at);
            if (end == std::string::npos)
                return false;
            *out = cells.substr(at, end - at);
            at = end + std::strlen(until);
        }
        row.Message = cells.substr(at);
        return true;
    }
};

std::string Ascii(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Where a single-file log started below base with the folder "\\logs\\" is.
std::wstring UserFile(const std::wstring& base)
{
    wchar_t name[260] = {};
    DWORD size = 260;
    GetUserNameW(name, &size);
    return base + L"\\logs\\" + name + L".htm";
}

// The log's path without ".htm", in either naming.
std::wstring Stem(const TempFolder& temp, LogFileNaming naming)
{
    std::wstring stem = UserFile(temp.Path());
    stem.resize(stem.size() - 4);
    SYSTEMTIME today;
    GetSystemTime(&today);
    wchar_t date[32];
    wsprintfW(date, L"-%02d-%02d-%04d", today.wDay, today.wMonth, today.wYear);
    return naming == LogFileNaming::SingleFile ? stem : stem + date;
}

// A time as YYYYMMDDhhmmss, to the second as the rows give it; a time cell ("MM/DD/YYYY hh:mm:ss")
// that is not one gives 0.
std::uint64_t Seconds(const SYSTEMTIME& t)
{
    return ((((t.wYear * 100ull + t.wMonth) * 100 + t.wDay) * 100 + t.wHour) * 100 + t.wMinute) * 100 + t.wSecond;
}
std::uint64_t Seconds(const std::string& cell)
{
    SYSTEMTIME t = {};
    return std::sscanf(cell.c_str(), "%2hu/%2hu/%4hu %2hu:%2hu:%2hu", &t.wMonth, &t.wDay, &t.wYear, &t.wHour,
                       &t.wMinute, &t.wSecond) == 6
               ? Seconds(t)
               : 0;
}
std::uint64_t NowSeconds()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return Seconds(now);
}

std::string ThreadCell(DWORD id)
{
    char cell[64];
    std::snprintf(cell, sizeof(cell), "0x%lX (%lu)", static_cast<unsigned long>(id), static_cast<unsigned long>(id));
    return cell;
}

// The error the service threw from the call; empty when it threw none.
template <class Call>
std::wstring ErrorOf(Call call)
{
    try {
        call();
    } catch (const wchar_t* error) {
        return error;
    }
    return L"";
}

// The page of a single-file log that got these rows, read back after Close.
template <class Logging>
LogPage LogAndRead(Logging logging)
{
    TempFolder temp;
    LogService log;
    log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    logging(log);
    log.Close();
    return LogPage::Read(log.GetFileName());
}

TEST(LogServiceStart, WritesThePageHeadIntoTheUsersFileReplacingThePreviousRunsLog)
{
    TempFolder temp;
    for (const wchar_t* run : {L"first run", L"second run"}) {
        LogService log;
        log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
        EXPECT_EQ(log.GetFileName(), UserFile(temp.Path()));
        log.Log(kLogEvent, "Run.cpp", 1, run);
    }
    const LogPage page = LogPage::Read(UserFile(temp.Path()));
    EXPECT_EQ(page.Head, "<html><head><title>Gatewarden</title></head><body>\n<b>Gatewarden</b> started on PC:<br>" +
                             Ascii(DescribeThisWindows()) + LogPage::kTableHead);
    ASSERT_EQ(page.Rows.size(), 1u);
    EXPECT_EQ(page.Rows[0].Message, "second run");
    EXPECT_TRUE(page.BrokenLines.empty());
    EXPECT_TRUE(page.HasFoot);
}

TEST(LogServiceStart, TakesTheNextFreeNameWhileEarlierOnesAreLocked)
{
    struct Case {
        LogFileNaming Naming;
        int Locked;               // the dated name, then _0, _1 ... held open by someone else
        const wchar_t* Expected;  // suffix of the name opened, or null when Start must give up
    };
    // Each case keeps the locks of the one before and adds its own.
    const Case cases[] = {
        {LogFileNaming::Dated, 0, L".htm"},         {LogFileNaming::Dated, 1, L"_0.htm"},
        {LogFileNaming::Dated, 2, L"_1.htm"},       {LogFileNaming::Dated, 3, L"_2.htm"},
        {LogFileNaming::Dated, 1000, L"_999.htm"},  {LogFileNaming::Dated, 1001, nullptr},
        {LogFileNaming::SingleFile, 1, nullptr},
    };
    TempFolder temp;
    CreateDirectoryW((temp.Path() + L"\\logs").c_str(), nullptr);
    // Held open without sharing, as another process that has the file open keeps it.
    std::map<LogFileNaming, std::vector<std::unique_ptr<void, decltype(&CloseHandle)>>> locks;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "locked " << c.Locked
                                        << (c.Naming == LogFileNaming::Dated ? " dated" : " single"));
        const std::wstring stem = Stem(temp, c.Naming);
        for (int i = static_cast<int>(locks[c.Naming].size()); i < c.Locked; ++i) {
            const std::wstring path = stem + (i == 0 ? L"" : L"_" + std::to_wstring(i - 1)) + L".htm";
            locks[c.Naming].emplace_back(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                                         &CloseHandle);
            ASSERT_NE(locks[c.Naming].back().get(), INVALID_HANDLE_VALUE);
        }
        LogService log;
        const std::wstring error = ErrorOf([&] { log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", c.Naming); });
        if (!c.Expected) {
            EXPECT_EQ(error, L"Cant create log file");
            EXPECT_EQ(log.GetFileName(), L"");
            EXPECT_FALSE(log.TryLog(kLogEvent, "Start.cpp", 1, L"after a failed start"));
            continue;
        }
        EXPECT_EQ(error, L"");
        EXPECT_EQ(log.GetFileName(), stem + c.Expected);
        log.Log(kLogEvent, "Start.cpp", 1, L"opened");
        log.Close();
        EXPECT_EQ(LogPage::Read(stem + c.Expected).Rows.size(), 1u);
    }
}

TEST(LogServiceRows, CarryColourTimeThreadPositionAndTheMessageUnescaped)
{
    struct Case {
        LogLevel Level;
        const char* Colour;
        const wchar_t* Message;
    };
    const Case cases[] = {
        {kLogCrash, "#FF6666", L"Unhandled exception"},   {kLogFailure, "#9966FF", L"Failed to cleanup IE Cache"},
        {kLogDetail, "#00CCFF", L"detail"},               {kLogEvent, "#eeeeee", L"a < b && <i>c</i> &amp;"},
        {7, "", L"level seven"},                          {-1, "", L"level minus one"},
    };
    std::uint64_t before = 0, after = 0;
    const LogPage page = LogAndRead([&](LogService& log) {
        before = NowSeconds();
        for (const Case& c : cases)
            log.Log(c.Level, "MainDlg.cpp", 100 + c.Level, L"%s", c.Message);
        after = NowSeconds();
    });
    EXPECT_TRUE(page.BrokenLines.empty());
    ASSERT_EQ(page.Rows.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "level " << cases[i].Level);
        const LogRow& row = page.Rows[i];
        EXPECT_EQ(row.Colour, cases[i].Colour);
        EXPECT_EQ(row.Message, Ascii(cases[i].Message));
        EXPECT_EQ(row.Position, "MainDlg.cpp:" + std::to_string(100 + cases[i].Level));
        EXPECT_EQ(row.Thread, ThreadCell(GetCurrentThreadId()));
        EXPECT_EQ(row.Time.size(), 19u) << row.Time;
        EXPECT_GE(Seconds(row.Time), before) << row.Time;
        EXPECT_LE(Seconds(row.Time), after) << row.Time;
    }
}

TEST(LogServiceRows, FormatByTheWvsprintfRulesForWideAndNarrowFormats)
{
    const LogPage page = LogAndRead([](LogService& log) {
        log.Log(kLogEvent, "F.cpp", 1, L"%d %u %x %X %05d|%-4d|%4d", -5, 7u, 255, 255, 42, 3, 9);
        log.Log(kLogEvent, "F.cpp", 2, "%d %u %x %X %05d|%-4d|%4d", -5, 7u, 255, 255, 42, 3, 9);
        log.Log(kLogEvent, "F.cpp", 3, L"%s/%ls/%hs/%S/%c/%%", L"wide", L"long", "short", "upper", L'z');
        // A narrow format is widened first: its %s takes a wide string too.
        log.Log(kLogEvent, "F.cpp", 4, "%s/%ls/%hs/%S/%c/%%", L"wide", L"long", "short", "upper", L'z');
        log.Log(kLogEvent, "F.cpp", 5, L"%lu %li %I64d %.3s", 4000000000ul, -1l, 1234567890123ll, L"abcdef");
        log.Log(kLogEvent, "F.cpp", 6, "no arguments at all");
    });
    const std::vector<std::string> expected = {
        "-5 7 ff FF 00042|3   |   9", "-5 7 ff FF 00042|3   |   9", "wide/long/short/upper/z/%",
        "wide/long/short/upper/z/%", "4000000000 -1 1234567890123 abc", "no arguments at all"};
    ASSERT_EQ(page.Rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(page.Rows[i].Message, expected[i]) << "row " << i + 1;
}

TEST(LogServiceRows, MessageIsCutAt1024Characters)
{
    std::vector<std::string> expected;
    const LogPage page = LogAndRead([&](LogService& log) {
        for (const std::size_t length : {1, 1023, 1024, 1025, 2000}) {
            std::wstring text;
            for (std::size_t i = 0; i < length; ++i)
                text.push_back(static_cast<wchar_t>(L'a' + i % 26));
            log.Log(kLogEvent, "Cut.cpp", 1, L"%s", text.c_str());  // long through an argument
            log.Log(kLogEvent, "Cut.cpp", 2, text.c_str());         // long in the format itself
            log.Log(kLogEvent, "Cut.cpp", 3, Ascii(text).c_str());  // and in a narrow one
            expected.insert(expected.end(), 3, Ascii(text.substr(0, 1024)));
        }
    });
    ASSERT_EQ(page.Rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(page.Rows[i].Message, expected[i]) << "row " << i + 1;
}

// Before Start, Log throws; after Close, rows are dropped. TryLog tells which.
TEST(LogServiceLifecycle, RowsAreWrittenOnlyBetweenStartAndCloseWhichWritesTheFootOnce)
{
    TempFolder temp;
    std::wstring file;
    {
        LogService log;
        EXPECT_EQ(ErrorOf([&] { log.Log(kLogEvent, "Early.cpp", 1, L"too early"); }), L"Start log service before logging");
        EXPECT_EQ(ErrorOf([&] { log.Log(kLogEvent, "Early.cpp", 2, "too early, narrow"); }),
                  L"Start log service before logging");
        EXPECT_FALSE(log.TryLog(kLogCrash, "Early.cpp", 3, L"crash before start"));
        EXPECT_FALSE(log.TryLog(kLogCrash, "Early.cpp", 4, "crash before start"));
        EXPECT_EQ(log.GetFileName(), L"");
        log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
        EXPECT_TRUE(log.TryLog(kLogEvent, "Close.cpp", 1, L"before"));
        log.StartInFolder(temp.Path(), L"\\other\\", L"Again", LogFileNaming::Dated);  // ignored
        file = log.GetFileName();
        log.Close();
        EXPECT_FALSE(log.TryLog(kLogEvent, "Close.cpp", 2, L"after"));
        EXPECT_NO_THROW(log.Log(kLogEvent, "Close.cpp", 3, L"after"));
    }
    const std::string bytes = TempFolder::ReadBytes(file);
    const LogPage page = LogPage::Read(file);
    ASSERT_EQ(page.Rows.size(), 1u);
    EXPECT_EQ(page.Rows[0].Message, "before");
    EXPECT_TRUE(page.HasFoot);
    EXPECT_EQ(bytes.find(LogPage::kFoot), bytes.size() - std::strlen(LogPage::kFoot));
    EXPECT_EQ(GetFileAttributesW((temp.Path() + L"\\other").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(LogServiceConcurrency, ThreadsLoggingAtOnceNeverInterleaveRows)
{
    constexpr int kThreads = 8;
    constexpr int kRows = 300;
    // Long rows, so that a row split between writers could not hide inside one small write.
    const std::wstring padding(900, L'x');
    std::vector<DWORD> ids(kThreads);
    const LogPage page = LogAndRead([&](LogService& log) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                ids[t] = GetCurrentThreadId();
                for (int r = 0; r < kRows; ++r)
                    log.Log(kLogEvent, "Threads.cpp", t, L"%d %d %s", t, r, padding.c_str());
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    });
    EXPECT_TRUE(page.BrokenLines.empty()) << page.BrokenLines.size() << " broken lines";
    EXPECT_TRUE(page.HasFoot);
    ASSERT_EQ(page.Rows.size(), static_cast<std::size_t>(kThreads * kRows));
    std::map<int, int> nextRow;
    std::uint64_t lastTime = 0;
    for (const LogRow& row : page.Rows) {
        int t = -1, r = -1;
        ASSERT_EQ(std::sscanf(row.Message.c_str(), "%d %d", &t, &r), 2) << row.Message.substr(0, 40);
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(r, nextRow[t]++) << "thread " << t;
        EXPECT_EQ(row.Message, std::to_string(t) + " " + std::to_string(r) + " " + Ascii(padding));
        EXPECT_EQ(row.Thread, ThreadCell(ids[t]));
        EXPECT_EQ(row.Position, "Threads.cpp:" + std::to_string(t));
        EXPECT_GE(Seconds(row.Time), lastTime);
        lastTime = Seconds(row.Time);
    }
}

// The log of a process of its own (LogAtExitChild), whose log has to outlive its main function.
TEST(LogServiceAtExit, FootIsWrittenWhenTheProcessEndsAndRowsNameTheirSourceLine)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program = self;
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"LogAtExitChild.exe";
    for (const wchar_t* mode : {L"quiet", L"busy"}) {
        SCOPED_TRACE(testing::Message() << "child " << testing::PrintToString(std::wstring(mode)));
        TempFolder temp;
        std::wstring commandLine = L"\"" + program + L"\" \"" + temp.Path() + L"\" " + mode;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process))
            << GetLastError();
        DWORD code = 1;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_EQ(code, 0u);

        const LogPage page = LogPage::Read(UserFile(temp.Path()));
        EXPECT_TRUE(page.HasFoot);
        // Rows that came after the foot would be broken lines or would hide the foot.
        EXPECT_TRUE(page.BrokenLines.empty()) << page.BrokenLines.front();
        ASSERT_GE(page.Rows.size(), 3u);
        const char* expected[] = {"wide", "narrow", "thread"};
        for (std::size_t i = 0; i < page.Rows.size(); ++i) {
            char word[16] = {};
            int line = 0;
            ASSERT_EQ(std::sscanf(page.Rows[i].Message.c_str(), "%15s %d", word, &line), 2) << page.Rows[i].Message;
            EXPECT_STREQ(word, i < 3 ? expected[i] : "busy");
            EXPECT_EQ(page.Rows[i].Position, "LogAtExitChild.cpp:" + std::to_string(line));
        }
        EXPECT_EQ(page.Rows.size() > 3, std::wstring(mode) == L"busy");
    }
}

} // namespace
