// Parsing and styling the largest page the program shows: the main page with 1,000 profiles.
#include "engine/HTMLayout.h"
#include "engine/css/DocumentStyle.h"
#include "engine/dom/Document.h"
#include "engine/input/FormControls.h"
#include "bench/engine/MainPage.h"

namespace {
constexpr int kRounds = 100;
} // namespace

int main()
{
    const std::string page = MainPage();
    std::printf("main page with %d rows: %zu bytes\n", kRows, page.size());
    std::vector<double> parse;
    std::vector<double> style;
    std::vector<double> total;
    std::vector<double> cpuParse;
    std::vector<double> cpuStyle;
    for (int round = 0; round < kRounds; ++round) {
        Engine::Document document;
        double cpuStarted = ThreadMilliseconds();
        auto started = std::chrono::steady_clock::now();
        if (!document.Load(page))
            return 1;
        Engine::FormControls::PrepareTree(document.Root());
        auto parsed = std::chrono::steady_clock::now();
        double cpuParsed = ThreadMilliseconds();
        Engine::DocumentStyle(document).Update();
        auto styled = std::chrono::steady_clock::now();
        cpuParse.push_back(cpuParsed - cpuStarted);
        cpuStyle.push_back(ThreadMilliseconds() - cpuParsed);
        parse.push_back(Milliseconds(parsed - started));
        style.push_back(Milliseconds(styled - parsed));
        total.push_back(Milliseconds(styled - started));
    }
    double parseCpu = 0;
    double styleCpu = 0;
    for (std::size_t i = 0; i < cpuParse.size(); ++i) {
        parseCpu += cpuParse[i];
        styleCpu += cpuStyle[i];
    }
    Report("parse", parse, parseCpu);
    Report("style", style, styleCpu);
    Report("parse and style", total, parseCpu + styleCpu);

    // The same through the boundary, as the program loads it into a new window.
    std::vector<double> load;
    double loadCpu = 0;
    for (int round = 0; round < kRounds; ++round) {
        HWND window = CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        auto started = std::chrono::steady_clock::now();
        double cpuStarted = ThreadMilliseconds();
        if (!HTMLayoutLoadHtml(window, reinterpret_cast<LPCBYTE>(page.data()), static_cast<UINT>(page.size())))
            return 1;
        loadCpu += ThreadMilliseconds() - cpuStarted;
        load.push_back(Milliseconds(std::chrono::steady_clock::now() - started));
        DestroyWindow(window);
    }
    Report("HTMLayoutLoadHtml", load, loadCpu);
    return 0;
}
