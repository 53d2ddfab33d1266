// An HTML page: parsed, styled, laid out at a width from the input and painted; then a few edits
// from the input (states, attributes, text, removals, moves, new elements) and the same again at
// a second width. Nothing may crash or be left behind once the page is gone.
#include "FuzzPage.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// Inputs past this are turned away: a larger page only repeats what a smaller one reaches.
constexpr std::size_t kMaxInputBytes = 64 * 1024;
constexpr int kMaxEdits = 8;

constexpr std::array<const wchar_t*, 8> kStyles = {
    L"display:none", L"width:50%; padding:3px 7px", L"position:sticky; top:0", L"overflow:auto; height:20px",
    L"float:left; width:10px", L"display:table-cell", L"white-space:nowrap; text-overflow:ellipsis; overflow:hidden",
    L"font:bold 200px serif; border:9999px solid red"};
constexpr std::array<const char*, 8> kTags = {"div", "td", "tr", "table", "span", "input", "select", "img"};

void Edit(FuzzPage& page, FuzzedDataProvider& input)
{
    const std::vector<Engine::Element*> all = page.Elements();
    Engine::Element& target = *all[input.ConsumeIntegralInRange<std::size_t>(0, all.size() - 1)];
    Engine::Element& other = *all[input.ConsumeIntegralInRange<std::size_t>(0, all.size() - 1)];
    const auto value = input.ConsumeIntegral<std::uint16_t>();
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
        target.ChangeState(value, static_cast<unsigned>(value) >> 8);
        break;
    case 1:
        target.SetAttribute("class", value % 2 != 0 ? L"a" : L"b wide");
        break;
    case 2:
        target.SetAttribute("style", kStyles[value % kStyles.size()]);
        break;
    case 3:
        target.SetTextContent(std::wstring(value % 300, L'x'));
        break;
    case 4:
        if (target.Parent() != nullptr)
            target.Detach();
        break;
    case 5: {
        // The moves the boundary allows: never into itself, never the root, never past the cap.
        constexpr std::size_t kCap = Engine::HtmlTreeBuilder::kMaxDepth;
        const std::size_t depth = other.Depth() + 1;
        if (target.Contains(&other) || target.Parent() == nullptr || depth > kCap ||
            target.Height(kCap - depth) > kCap - depth)
            break;
        target.Use();
        target.Detach();
        other.InsertElementAt(&target, value % 4);
        target.Unuse();
        break;
    }
    case 6: {
        if (target.Depth() + 2 > Engine::HtmlTreeBuilder::kMaxDepth)
            break;
        auto* added = new Engine::Element(kTags[value % kTags.size()]);
        added->AppendNode(new Engine::Text(L"new"));
        target.InsertElementAt(added, value % 3);
        break;
    }
    default:
        target.RemoveAttribute(value % 2 != 0 ? "class" : "style");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInputBytes)
        return -1;
    const std::size_t liveBefore = Engine::Element::LiveCount();
    {
        FuzzedDataProvider input(data, size);
        const int width = input.ConsumeIntegralInRange(0, 3000);
        const int height = input.ConsumeIntegralInRange(0, 2000);
        const int secondWidth = input.ConsumeIntegralInRange(0, 3000);
        const int edits = input.ConsumeIntegralInRange(0, kMaxEdits);
        // The edits read their numbers from the end of the input, the page is the rest.
        std::vector<std::uint8_t> editBytes;
        for (int i = 0; i < edits * 10; ++i)
            editBytes.push_back(input.ConsumeIntegral<std::uint8_t>());
        const std::string html = input.ConsumeRemainingBytesAsString();

        FuzzPage page;
        page.Load(html);
        page.Render(width, height);
        FuzzedDataProvider editInput(editBytes.data(), editBytes.size());
        for (int i = 0; i < edits; ++i)
            Edit(page, editInput);
        page.Render(secondWidth, height);
    }
    FuzzCheck(Engine::Element::LiveCount() == liveBefore, "no element outlives its page");
    return 0;
}
