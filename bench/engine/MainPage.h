#pragma once
// The largest page the program shows, the main page with its profile rows, and the timing
// helpers the engine's benchmarks share.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>



inline constexpr int kRows = 1000;

inline const char* const kHead = R"(<html><head><style>
html { background: #175085; }
body { font: 10pt Verdana; margin: 0; }
table#toolbar { height: 24px; background-image: url(toolbar_bg.png); border-spacing: 0; }
button.command { behavior: command; padding: 2px; border: none; }
button.command:hover { background: #ffffff; }
button.command:disabled { opacity: 0.4; }
td#workarea { behavior: scroller; overflow: auto; height: 640px; }
table#proxy_list { behavior: grid; width: 100%; table-layout: fixed; }
table#proxy_list > tr:first-child { position: sticky; top: 0; }
table#proxy_list th { color: white; background: #175085; text-align: center; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
table#proxy_list td { text-align: center; font: 10pt Verdana; overflow: hidden; text-overflow: ellipsis; }
table#proxy_list th:nth-child(3) { width: 48px; }
table#proxy_list th:nth-child(4) { width: 26%; }
table#proxy_list th:nth-child(5) { width: 13%; }
table#proxy_list th:nth-child(6) { width: 25%; }
tr[name='proxy_info'] { background: #F4F3F9; }
tr[name='proxy_info'].odd { background: #C2DBF9; }
tr[name='proxy_info']:current { background: #bdbccc; color: white; }
table.separator { height: 4px; background: #303030; }
table.log { height: 100px; }
table.log div.lines { height: 100px; overflow: auto; }
table.log td { font: 7pt Tahoma; color: white; background: linear-gradient(#202020, #404040); }
table.log td + td + td { width: 100%; white-space: normal; }
</style></head>
<body leftmargin=0 topmargin=0>
<table name="toolbar" id="toolbar" width=100% cellspacing=0 cellpadding=0><tr>
<td width=24><button class="command" id="activate" name="activate" title="Activate proxy"><img src="activate.png"></button></td>
<td width=24><button class="command" id="add" name="add" title="Add proxy [Ctrl + N]"><img src="add.png"></button></td>
<td width=24><button class="command" id="edit" name="edit" title="Edit proxy [Enter]"><img src="edit.png"></button></td>
<td width=24><button class="command" id="remove" name="remove" title="Remove proxy [Del]"><img src="delete.png"></button></td>
<td>&nbsp;</td><td align=right><button class="command" id="help" name="help" title="Help"><img src="help.png"></button></td>
</tr></table>
<table width=100% cellspacing=0 cellpadding=0><tr><td name="workarea" id="workarea">
<table name="proxy_list" id="proxy_list" fixedrows=1 cellspacing=0>
<tr><th width=2></th><th>Name</th><th>Type</th><th>Proxy</th><th>Bypass</th><th>Auto Proxy URL</th></tr>
)";

inline const char* const kTail = R"(</table></td></tr></table>
<table class="separator" width=100%><tr><td></td></tr></table>
<table name="panel_log" id="panel_log" class="log" width=100% cellspacing=0 cellpadding=0><tr><td valign=top><div class="lines"></div></td></tr></table>
</body></html>)";

inline std::string MainPage()
{
    std::string page = kHead;
    for (int i = 0; i < kRows; ++i) {
        std::string n = std::to_string(i);
        page += std::string("<tr name=\"proxy_info\"") + (i % 2 ? " class=\"odd\"" : "") + "><td>" +
                (i == 0 ? "<b>&raquo;</b>" : " ") + "</td><td nowrap=\"1\">Profile " + n +
                "</td><td>Proxy</td><td nowrap=\"1\">proxy" + n + ".example.corp:8080</td><td nowrap=\"1\">*.corp;intranet...</td>"
                "<td nowrap=\"1\">http://wpad.example.corp/proxy.pac</td></tr>\n";
    }
    return page + kTail;
}

inline double Milliseconds(std::chrono::steady_clock::duration elapsed)
{
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// The thread's own processor time: on a shared machine the wall clock also counts the others.
inline double ThreadMilliseconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME time) { return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

inline void Report(const char* what, std::vector<double> times, double cpuMilliseconds)
{
    std::sort(times.begin(), times.end());
    std::printf("%-20s wall best %7.2f ms, median %7.2f ms; processor time %7.2f ms per round\n", what, times.front(),
                times[times.size() / 2], cpuMilliseconds / static_cast<double>(times.size()));
}
