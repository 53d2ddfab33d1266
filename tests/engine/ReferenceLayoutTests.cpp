// Layout against a real browser: the pages under reference/pages, laid out in an engine window of
// their viewport's size, give every element with an id the border box that headless Chromium gave
// it (reference/expected, written by tools/layout-reference.py), within the element's tolerance.
#include "EngineTestWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kReference = std::filesystem::path(ENGINE_TEST_DIR) / "reference";

struct ExpectedBox {
    std::string Id;
    RECT Box{};
    int Tolerance = 1;
};

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<ExpectedBox> ExpectedBoxes(const std::filesystem::path& path)
{
    std::vector<ExpectedBox> boxes;
    std::istringstream lines(ReadText(path));
    for (std::string line; std::getline(lines, line);) {
        ExpectedBox box;
        char id[128] = {};
        int x = 0, y = 0, width = 0, height = 0;
        if (line.empty() || line[0] == '#' ||
            std::sscanf(line.c_str(), "%127s %d %d %d %d %d", id, &x, &y, &width, &height, &box.Tolerance) != 6)
            continue;
        box.Id = id;
        box.Box = RECT{x, y, x + width, y + height};
        boxes.push_back(box);
    }
    return boxes;
}

SIZE ViewportOf(const std::string& html)
{
    SIZE size{400, 300};
    const std::string first = html.substr(0, html.find('\n'));
    if (const char* at = std::strstr(first.c_str(), "width="))
        std::sscanf(at, "width=%ld", &size.cx);
    if (const char* at = std::strstr(first.c_str(), "height="))
        std::sscanf(at, "height=%ld", &size.cy);
    return size;
}

// Where the engine puts each box of the page that Chromium measured, and where it differs.
std::vector<std::string> Disagreements(const std::filesystem::path& page)
{
    const std::string html = ReadText(page);
    const SIZE viewport = ViewportOf(html);
    EngineTestWindow window;
    SetWindowPos(window.Window(), nullptr, 0, 0, viewport.cx, viewport.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    std::vector<std::string> faults;
    if (!window.Load(html))
        return {"the page does not load"};
    const std::filesystem::path expected = kReference / "expected" / (page.stem().string() + ".txt");
    const std::vector<ExpectedBox> boxes = ExpectedBoxes(expected);
    if (boxes.empty())
        faults.push_back("no reference boxes in " + expected.string());
    for (const ExpectedBox& want : boxes) {
        const std::string selector = "[id='" + want.Id + "']";
        HELEMENT element = window.Find(selector.c_str());
        RECT got{};
        if (element == nullptr ||
            HTMLayoutGetElementLocation(element, &got, HL_VIEW_RELATIVE | HL_BORDER_BOX) != HLDOM_OK) {
            faults.push_back(want.Id + ": no box");
            continue;
        }
        const auto off = [&](LONG a, LONG b) { return std::abs(a - b) > want.Tolerance; };
        if (off(got.left, want.Box.left) || off(got.top, want.Box.top) || off(got.right, want.Box.right) ||
            off(got.bottom, want.Box.bottom)) {
            char line[256];
            std::snprintf(line, sizeof(line), "%s: engine %ld,%ld %ldx%ld, browser %ld,%ld %ldx%ld", want.Id.c_str(),
                          got.left, got.top, got.right - got.left, got.bottom - got.top, want.Box.left, want.Box.top,
                          want.Box.right - want.Box.left, want.Box.bottom - want.Box.top);
            faults.push_back(line);
        }
    }
    return faults;
}

TEST(ReferenceLayout, EveryPageAgreesWithTheBrowser)
{
    std::vector<std::filesystem::path> pages;
    for (const auto& entry : std::filesystem::directory_iterator(kReference / "pages")) {
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    }
    std::sort(pages.begin(), pages.end());
    ASSERT_GE(pages.size(), 40u) << "the reference pages are missing";
    for (const auto& page : pages) {
        for (const std::string& fault : Disagreements(page))
            ADD_FAILURE() << page.filename().string() << ": " << fault;
    }
}

} // namespace
