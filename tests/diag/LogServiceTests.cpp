#include "diag/LogService.h"
#include "diag/LogText.h"

#include "diag/LogPage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <thread>

namespace {

std::string Ascii(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The log's path without ".htm", in either naming.
std::wstring Stem(const TempFolder& temp, LogFileNaming naming)
{
    std::wstring stem = LogPage::UserFile(temp.Path());
    stem.resize(stem.size() - 4);
    if (naming == LogFileNaming::SingleFile)
        return stem;
    SYSTEMTIME today;
    GetSystemTime(&today);
    wchar_t date[32];
    wsprintfW(date, L"-%02d-%02d-%04d", today.wDay, today.wMonth, today.wYear);
    return stem + date;
}

// Held open without sharing, as another process that has the file open keeps it.
struct LockedFile {
    explicit LockedFile(const std::wstring& path)
        : Handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~LockedFile() { CloseHandle(Handle); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    HANDLE Handle;
};

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::uint64_t RowTicks(const std::string& cell)
{
    SYSTEMTIME time = {};
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(cell.c_str(), "%2d/%2d/%4d %2d:%2d:%2d", &month, &day, &year, &hour, &minute, &second) != 6)
        return 0;
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wYear = static_cast<WORD>(year);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    FILETIME file = {};
    SystemTimeToFileTime(&time, &file);
    return Ticks(file);
}

std::uint64_t NowTicks()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

std::string ThreadCell(DWORD id)
{
    char cell[64];
    std::snprintf(cell, sizeof(cell), "0x%lX (%lu)", static_cast<unsigned long>(id), static_cast<unsigned long>(id));
    return cell;
}

TEST(LogServiceStart, WritesThePageHeadIntoTheUsersFileBelowTheBaseFolder)
{
    TempFolder temp;
    {
        LogService log;
        log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
        EXPECT_EQ(log.GetFileName(), LogPage::UserFile(temp.Path()));
    }
    const LogPage page = LogPage::Read(LogPage::UserFile(temp.Path()));
    EXPECT_EQ(page.Head, "<html><head><title>Gatewarden</title></head><body>\n<b>Gatewarden</b> started on PC:<br>" +
                             Ascii(DescribeThisWindows()) + LogPage::kTableHead);
    EXPECT_TRUE(page.Rows.empty());
    EXPECT_TRUE(page.BrokenLines.empty());
    EXPECT_TRUE(page.HasFoot);
}

TEST(LogServiceStart, SingleFileReplacesThePreviousRunsLog)
{
    TempFolder temp;
    for (const wchar_t* run : {L"first run", L"second run"}) {
        LogService log;
        log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
        log.Log(kLogEvent, "Run.cpp", 1, run);
    }
    const LogPage page = LogPage::Read(LogPage::UserFile(temp.Path()));
    ASSERT_EQ(page.Rows.size(), 1u);
    EXPECT_EQ(page.Rows[0].Message, "second run");
    EXPECT_EQ(page.Head.find("Gatewarden</b>"), page.Head.rfind("Gatewarden</b>"));
}

TEST(LogServiceStart, TakesTheNextFreeNameWhileEarlierOnesAreLocked)
{
    struct Case {
        LogFileNaming Naming;
        int Locked;  // the dated name, then _0, _1 ... held open by someone else
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
    std::map<LogFileNaming, std::vector<std::unique_ptr<LockedFile>>> locks;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "locked " << c.Locked
                                        << (c.Naming == LogFileNaming::Dated ? " dated" : " single"));
        const std::wstring stem = Stem(temp, c.Naming);
        for (int i = static_cast<int>(locks[c.Naming].size()); i < c.Locked; ++i) {
            const std::wstring suffix = i == 0 ? L"" : L"_" + std::to_wstring(i - 1);
            locks[c.Naming].push_back(std::make_unique<LockedFile>(stem + suffix + L".htm"));
            ASSERT_NE(locks[c.Naming].back()->Handle, INVALID_HANDLE_VALUE);
        }
        LogService log;
        if (!c.Expected) {
            try {
                log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", c.Naming);
                ADD_FAILURE() << "Start opened " << testing::PrintToString(log.GetFileName());
            } catch (const wchar_t* error) {
                EXPECT_STREQ(error, L"Cant create log file");
            }
            EXPECT_EQ(log.GetFileName(), L"");
            EXPECT_FALSE(log.TryLog(kLogEvent, "Start.cpp", 1, L"after a failed start"));
            continue;
        }
        log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", c.Naming);
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
    TempFolder temp;
    LogService log;
    log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    const std::uint64_t before = NowTicks();
    for (const Case& c : cases)
        log.Log(c.Level, "MainDlg.cpp", 100 + c.Level, L"%s", c.Message);
    const std::uint64_t after = NowTicks();
    log.Close();

    const LogPage page = LogPage::Read(log.GetFileName());
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
        EXPECT_GE(RowTicks(row.Time) + 10'000'000, before) << row.Time;  // the cell drops the fraction of a second
        EXPECT_LE(RowTicks(row.Time), after) << row.Time;
    }
}

TEST(LogServiceRows, FormatByTheWvsprintfRulesForWideAndNarrowFormats)
{
    TempFolder temp;
    LogService log;
    log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    log.Log(kLogEvent, "F.cpp", 1, L"%d %u %x %X %05d|%-4d|%4d", -5, 7u, 255, 255, 42, 3, 9);
    log.Log(kLogEvent, "F.cpp", 2, "%d %u %x %X %05d|%-4d|%4d", -5, 7u, 255, 255, 42, 3, 9);
    log.Log(kLogEvent, "F.cpp", 3, L"%s/%ls/%hs/%S/%c/%%", L"wide", L"long", "short", "upper", L'z');
    // A narrow format is widened first: its %s takes a wide string too.
    log.Log(kLogEvent, "F.cpp", 4, "%s/%ls/%hs/%S/%c/%%", L"wide", L"long", "short", "upper", L'z');
    log.Log(kLogEvent, "F.cpp", 5, L"%lu %li %I64d %.3s", 4000000000ul, -1l, 1234567890123ll, L"abcdef");
    log.Log(kLogEvent, "F.cpp", 6, "no arguments at all");
    log.Close();

    const std::vector<std::string> expected = {
        "-5 7 ff FF 00042|3   |   9", "-5 7 ff FF 00042|3   |   9", "wide/long/short/upper/z/%",
        "wide/long/short/upper/z/%", "4000000000 -1 1234567890123 abc", "no arguments at all"};
    const LogPage page = LogPage::Read(log.GetFileName());
    ASSERT_EQ(page.Rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(page.Rows[i].Message, expected[i]) << "row " << i + 1;
}

TEST(LogServiceRows, MessageIsCutAt1024Characters)
{
    const std::size_t lengths[] = {1, 1023, 1024, 1025, 2000};
    TempFolder temp;
    LogService log;
    log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    std::vector<std::string> expected;
    for (const std::size_t length : lengths) {
        std::wstring text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(static_cast<wchar_t>(L'a' + i % 26));
        const std::string cut = Ascii(text.substr(0, 1024));
        log.Log(kLogEvent, "Cut.cpp", 1, L"%s", text.c_str());  // long through an argument
        log.Log(kLogEvent, "Cut.cpp", 2, text.c_str());         // long in the format itself
        log.Log(kLogEvent, "Cut.cpp", 3, Ascii(text).c_str());  // and in a narrow one
        expected.insert(expected.end(), {cut, cut, cut});
    }
    log.Close();
    const LogPage page = LogPage::Read(log.GetFileName());
    ASSERT_EQ(page.Rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(page.Rows[i].Message.size(), expected[i].size()) << "row " << i + 1;
        EXPECT_EQ(page.Rows[i].Message, expected[i]) << "row " << i + 1;
    }
}

TEST(LogServiceLifecycle, LogBeforeStartThrowsAndTryLogReportsFalse)
{
    LogService log;
    try {
        log.Log(kLogEvent, "Early.cpp", 1, L"too early");
        ADD_FAILURE() << "no error";
    } catch (const wchar_t* error) {
        EXPECT_STREQ(error, L"Start log service before logging");
    }
    try {
        log.Log(kLogEvent, "Early.cpp", 2, "too early, narrow");
        ADD_FAILURE() << "no error";
    } catch (const wchar_t* error) {
        EXPECT_STREQ(error, L"Start log service before logging");
    }
    EXPECT_FALSE(log.TryLog(kLogCrash, "Early.cpp", 3, L"crash before start"));
    EXPECT_FALSE(log.TryLog(kLogCrash, "Early.cpp", 4, "crash before start"));
    EXPECT_EQ(log.GetFileName(), L"");
}

TEST(LogServiceLifecycle, CloseWritesTheFootOnceAndLaterRowsAreDropped)
{
    TempFolder temp;
    std::wstring file;
    {
        LogService log;
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
    EXPECT_EQ(bytes.find(LogPage::kFoot), bytes.size() - std::string(LogPage::kFoot).size());
    EXPECT_EQ(GetFileAttributesW((temp.Path() + L"\\other").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(LogServiceConcurrency, ThreadsLoggingAtOnceNeverInterleaveRows)
{
    constexpr int kThreads = 8;
    constexpr int kRows = 300;
    TempFolder temp;
    LogService log;
    log.StartInFolder(temp.Path(), L"\\logs\\", L"Gatewarden", LogFileNaming::SingleFile);
    // Long rows, so that a row split between writers could not hide inside one small write.
    const std::wstring padding(900, L'x');
    std::vector<std::thread> threads;
    std::vector<DWORD> ids(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ids[t] = GetCurrentThreadId();
            for (int r = 0; r < kRows; ++r)
                log.Log(kLogEvent, "Threads.cpp", t, L"%d %d %s", t, r, padding.c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    log.Close();

    const LogPage page = LogPage::Read(log.GetFileName());
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
        EXPECT_GE(RowTicks(row.Time), lastTime);
        lastTime = RowTicks(row.Time);
    }
}

} // namespace
