#include "diag/LogPage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace {

DWORD RunChild(const std::wstring& base, const wchar_t* mode)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program = self;
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"LogAtExitChild.exe";
    std::wstring commandLine = L"\"" + program + L"\" \"" + base + L"\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return GetLastError() + 1000;
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(LogServiceAtExit, FootIsWrittenWhenTheProcessEndsAndRowsNameTheirSourceLine)
{
    for (const wchar_t* mode : {L"quiet", L"busy"}) {
        SCOPED_TRACE(testing::Message() << "child " << testing::PrintToString(std::wstring(mode)));
        TempFolder temp;
        ASSERT_EQ(RunChild(temp.Path(), mode), 0u);
        const LogPage page = LogPage::Read(LogPage::UserFile(temp.Path()));
        EXPECT_TRUE(page.HasFoot);
        // Rows that came after the foot would be broken lines or would hide the foot.
        EXPECT_TRUE(page.BrokenLines.empty()) << page.BrokenLines.front();
        ASSERT_GE(page.Rows.size(), 3u);
        const char* expected[] = {"wide", "narrow", "thread"};
        for (std::size_t i = 0; i < page.Rows.size(); ++i) {
            const LogRow& row = page.Rows[i];
            char word[16] = {};
            int line = 0;
            ASSERT_EQ(std::sscanf(row.Message.c_str(), "%15s %d", word, &line), 2) << row.Message;
            if (i < 3)
                EXPECT_STREQ(word, expected[i]);
            else
                EXPECT_STREQ(word, "busy");
            EXPECT_EQ(row.Position, "LogAtExitChild.cpp:" + std::to_string(line));
        }
        EXPECT_EQ(page.Rows.size() > 3, std::wstring(mode) == L"busy");
    }
}

} // namespace
