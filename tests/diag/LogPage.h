#pragma once
// Reads a log file back into its head, rows and foot, noting every line that is not a whole row.
#include <windows.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"

struct LogRow {
    std::string Colour, Time, Thread, Position, Message;
};

struct LogPage {
    std::string Head;
    std::vector<LogRow> Rows;
    std::vector<std::string> BrokenLines;
    bool HasFoot = false;

    static constexpr const char* kTableHead =
        "<table>\n<tr><th>Time</th><th>Thread ID</th><th>Filename</th><th>Message</th></tr>\n";
    static constexpr const char* kFoot = "\n</table>\n</body></html>";

    // Where a single-file log started below base with the folder "\\logs\\" is.
    static std::wstring UserFile(const std::wstring& base)
    {
        wchar_t name[260] = {};
        DWORD size = 260;
        GetUserNameW(name, &size);
        return base + L"\\logs\\" + name + L".htm";
    }

    static LogPage Read(const std::wstring& path)
    {
        LogPage page;
        std::string body = TempFolder::ReadBytes(path);
        const std::size_t headEnd = body.find(kTableHead);
        if (headEnd == std::string::npos) {
            page.BrokenLines.push_back(body);
            return page;
        }
        page.Head = body.substr(0, headEnd + std::string(kTableHead).size());
        body.erase(0, page.Head.size());
        page.HasFoot = body.ends_with(kFoot);
        if (page.HasFoot)
            body.erase(body.size() - std::string(kFoot).size());
        for (std::size_t start = 0; start < body.size();) {
            const std::size_t end = body.find('\n', start);
            const std::string line = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
            LogRow row;
            if (end != std::string::npos && ParseRow(line, row))
                page.Rows.push_back(row);
            else
                page.BrokenLines.push_back(line);
            start = end == std::string::npos ? body.size() : end + 1;
        }
        return page;
    }

private:
    // <tr bgcolor=C><th>T</th><th>I</th><th>P</th><th>M</th></tr>, where only M may hold markup.
    static bool ParseRow(const std::string& line, LogRow& row)
    {
        const std::string open = "<tr bgcolor=", close = "</th></tr>", next = "</th><th>";
        if (!line.starts_with(open) || !line.ends_with(close))
            return false;
        std::size_t at = open.size();
        const auto cell = [&](const std::string& until, std::string& out) {
            const std::size_t end = line.find(until, at);
            if (end == std::string::npos)
                return false;
            out = line.substr(at, end - at);
            at = end + until.size();
            return true;
        };
        if (!cell("><th>", row.Colour) || !cell(next, row.Time) || !cell(next, row.Thread) ||
            !cell(next, row.Position))
            return false;
        row.Message = line.substr(at, line.size() - close.size() - at);
        return true;
    }
};
