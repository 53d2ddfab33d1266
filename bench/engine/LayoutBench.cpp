// Layout and painting of the main page with 1,000 profile rows in a real engine window at
// 1280x800: a full layout, then the small changes the program makes all the time, each
// painted, the active marker moved (every row's marker cell rewritten), and a paint of the whole
// window. Targets: full layout 7 ms; each small change, painted, 1 ms; the marker moved 20 ms;
// the whole viewport 5 ms.
#include "engine/HTMLayout.h"
#include "engine/platform/View.h"
#include "bench/engine/MainPage.h"

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

int g_rounds = 60;

struct Measured {
    std::vector<double> Wall;
    double Cpu = 0;
};

// Where a step's time goes: the change itself, styles and boxes, painting.
struct Parts {
    std::vector<double> Change, Update, Paint;
    std::chrono::steady_clock::time_point Mark = std::chrono::steady_clock::now();
    void Lap(std::vector<double>& into)
    {
        auto now = std::chrono::steady_clock::now();
        into.push_back(Milliseconds(now - Mark));
        Mark = now;
    }
    void Print() const
    {
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v.empty() ? 0.0 : v[v.size() / 2];
        };
        std::printf("%28s change %.3f, update %.3f, paint %.3f ms\n", "", median(Change), median(Update), median(Paint));
    }
};
Parts g_parts;

const char* g_only = nullptr;  // a part of the name: only those steps run

bool Wanted(const char* what)
{
    return g_only == nullptr || std::strstr(what, g_only) != nullptr;
}

Measured Run(const char* what, const std::function<void(int round)>& step)
{
    Measured measured;
    if (!Wanted(what))
        return measured;
    for (int round = 0; round < g_rounds; ++round) {
        double cpuStarted = ThreadMilliseconds();
        auto started = std::chrono::steady_clock::now();
        g_parts.Mark = started;
        step(round);
        measured.Wall.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
        measured.Cpu += ThreadMilliseconds() - cpuStarted;
    }
    return measured;
}

void Print(const char* what, const Measured& measured, double target)
{
    std::vector<double> times = measured.Wall;
    if (times.empty())
        return;
    std::sort(times.begin(), times.end());
    // Processor time is the steadier figure on a busy machine; Wine counts it in 10 ms ticks,
    // so it is only good as an average over the rounds.
    std::printf("%-28s best %6.3f ms, median %6.3f ms, processor %6.3f ms (target %.0f ms)%s\n", what, times.front(),
                times[times.size() / 2], measured.Cpu / static_cast<double>(times.size()), target,
                times[times.size() / 2] > target ? "  OVER" : "");
}

HELEMENT Nth(HWND window, const char* selector, int n)
{
    struct Search {
        int Left;
        HELEMENT Found;
    } search{n, nullptr};
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(window, &root);
    HTMLayoutSelectElements(
        root, selector,
        [](HELEMENT he, LPVOID param) -> BOOL {
            auto* s = static_cast<Search*>(param);
            if (s->Left-- > 0)
                return FALSE;
            s->Found = he;
            return TRUE;
        },
        &search);
    return search.Found;
}

// Paints what is invalid now, as the message loop would.
void Paint(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_only = argv[1];
    if (argc > 2)
        g_rounds = std::max(1, std::atoi(argv[2]));
    HWND window = CreateWindowExW(0, HTMLayoutClassNameW(), L"LayoutBench", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const std::string page = MainPage();
    if (!HTMLayoutLoadHtml(window, reinterpret_cast<LPCBYTE>(page.data()), static_cast<UINT>(page.size())))
        return 1;
    Engine::View& view = *Engine::View::ForWindow(window);
    Paint(window);

    Print("full layout", Run("full layout", [&](int) {
              // Every box from scratch: built from the styles and laid out.
              Engine::StyleChanges all;
              all.Full = true;
              view.Renderer().Layout().Apply(view.Page(), std::move(all));
              view.Renderer().Layout().Layout(1280, 800);
          }), 7);
    Paint(window);

    // A small change, then styles and boxes, then the paint, each timed on its own.
    auto smallChange = [&](const char* what, const std::function<void(int round)>& change) {
        g_parts = Parts();
        Print(what, Run(what, [&](int round) {
                  change(round);
                  g_parts.Lap(g_parts.Change);
                  view.UpdateNow();
                  g_parts.Lap(g_parts.Update);
                  Paint(window);
                  g_parts.Lap(g_parts.Paint);
              }), 1);
        if (Wanted(what))
            g_parts.Print();
    };

    HELEMENT cell = Nth(window, "tr[name='proxy_info'] > td", 20 * 6 + 1);
    smallChange("one row's text changed", [&](int round) {
        std::wstring text = L"Renamed profile " + std::to_wstring(round);
        HTMLayoutSetElementInnerText16(cell, text.c_str(), static_cast<UINT>(text.size()));
    });
    std::vector<HELEMENT> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back(Nth(window, "tr[name='proxy_info']", i));
    smallChange("current row moved by one", [&](int round) {
        HTMLayoutSetElementState(rows[static_cast<std::size_t>(round % 40)], 0, HL_STATE_CURRENT, FALSE);
        HTMLayoutSetElementState(rows[static_cast<std::size_t>((round + 1) % 40)], HL_STATE_CURRENT, 0, TRUE);
    });
    smallChange("hover across rows", [&](int round) {
        RECT row{};
        HTMLayoutGetElementLocation(rows[static_cast<std::size_t>(round % 40)], &row, HL_VIEW_RELATIVE | HL_BORDER_BOX);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(200, (row.top + row.bottom) / 2));
    });
    HELEMENT log = Nth(window, "table.log div.lines", 0);
    smallChange("status log line appended", [&](int round) {
        std::string line = "<div>12:00:" + std::to_string(round % 60) + " Proxy \"Profile " + std::to_string(round) +
                           "\" activated.</div>";
        HTMLayoutSetElementHtml(log, reinterpret_cast<LPCBYTE>(line.data()), static_cast<UINT>(line.size()),
                                HL_SIH_APPEND_AFTER_LAST);
    });

    // What the main view does when a profile is added: a row made apart, then appended.
    HELEMENT list = Nth(window, "table#proxy_list", 0);
    smallChange("row appended to the list", [&](int round) {
        HELEMENT row = nullptr;
        HTMLayoutCreateElement("tr", nullptr, &row);
        HTMLayoutSetAttributeByName(row, "name", L"proxy_info");
        for (int i = 0; i < 6; ++i) {
            HELEMENT cell = nullptr;
            std::wstring text = i == 1 ? L"Added profile " + std::to_wstring(round) : L"x";
            HTMLayoutCreateElement("td", text.c_str(), &cell);
            HTMLayoutInsertElement(cell, row, 0x7FFFFFFF);
            HTMLayout_UnuseElement(cell);
        }
        HTMLayoutInsertElement(row, list, 0x7FFFFFFF);
        HTMLayout_UnuseElement(row);
    });
    // What it does when a profile is activated: every row's marker cell emptied, one marked.
    std::vector<HELEMENT> markers;
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(window, &root);
    HTMLayoutSelectElements(
        root, "tr[name='proxy_info'] > td:first-child",
        [](HELEMENT he, LPVOID param) -> BOOL {
            static_cast<std::vector<HELEMENT>*>(param)->push_back(he);
            return FALSE;
        },
        &markers);
    Print("active marker moved", Run("active marker moved", [&](int round) {
              for (HELEMENT marker : markers)
                  HTMLayoutSetElementInnerText16(marker, L"", 0);
              const char marked[] = "<b>&raquo;</b>";
              HTMLayoutSetElementHtml(markers[static_cast<std::size_t>(round) % markers.size()],
                                      reinterpret_cast<LPCBYTE>(marked), sizeof(marked) - 1, HL_SIH_REPLACE_CONTENT);
              view.UpdateNow();
              Paint(window);
          }), 20);

    Print("whole viewport painted", Run("whole viewport painted", [&](int) {
              InvalidateRect(window, nullptr, FALSE);
              Paint(window);
          }), 5);
    DestroyWindow(window);
    return 0;
}
