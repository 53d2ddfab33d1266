#include "engine/layout/TextPositions.h"

#include <algorithm>
#include <string_view>

namespace Engine {

bool TextPositions::PointOf(const Box& block, std::size_t index, TextMeasurer& measurer, Rect& caret)
{
    const LineItem* best = nullptr;
    for (const LineBox& line : block.Lines()) {
        for (const LineItem& item : line.Items) {
            if (item.Source == nullptr || item.Source->Kind != BoxKind::Text)
                continue;
            // The item that holds the index, or the last one before it (a line break's place).
            if (item.Start <= index)
                best = &item;
            if (item.Start <= index && index <= item.Start + item.Length) {
                const std::wstring& text = item.Source->TextData();
                std::size_t count = std::min(index - item.Start, text.size() - std::min<std::size_t>(item.Start, text.size()));
                int x = item.Area.X + measurer.Width(item.Source->RunsFont, std::wstring_view(text).substr(item.Start, count));
                caret = {x, item.Area.Y, 1, item.Area.Height};
                return true;
            }
        }
    }
    if (best != nullptr) {
        // After line breaks: the start of a line further down, one line height for each break
        // (empty lines have no items of their own).
        const std::wstring& text = best->Source->TextData();
        std::size_t end = std::min<std::size_t>(best->Start + best->Length, text.size());
        long breaks = std::count(text.begin() + static_cast<std::ptrdiff_t>(end),
                                 text.begin() + static_cast<std::ptrdiff_t>(std::min(index, text.size())), L'\n');
        int height = best->Area.Height;
        caret = breaks > 0 ? Rect{block.Used().ContentX(), best->Area.Y + static_cast<int>(breaks) * height, 1, height}
                           : Rect{best->Area.Right(), best->Area.Y, 1, height};
        return true;
    }
    if (block.Lines().empty())
        return false;
    caret = {block.Used().ContentX(), block.Lines().front().Area.Y, 1, block.Lines().front().Area.Height};
    return true;
}

std::size_t TextPositions::IndexAt(const Box& block, Point point, TextMeasurer& measurer)
{
    const LineBox* chosen = nullptr;
    for (const LineBox& line : block.Lines()) {
        if (chosen == nullptr || point.Y >= line.Area.Y)
            chosen = &line;
    }
    if (chosen == nullptr)
        return 0;
    std::size_t last = 0;
    for (const LineItem& item : chosen->Items) {
        if (item.Source == nullptr || item.Source->Kind != BoxKind::Text)
            continue;
        const std::wstring& text = item.Source->TextData();
        last = item.Start + item.Length;
        if (point.X >= item.Area.Right())
            continue;
        int before = item.Area.X;
        for (std::size_t i = 0; i < item.Length && item.Start + i < text.size(); ++i) {
            int after = item.Area.X + measurer.Width(item.Source->RunsFont, std::wstring_view(text).substr(item.Start, i + 1));
            if (point.X < (before + after) / 2)
                return item.Start + i;
            before = after;
        }
        return item.Start + item.Length;
    }
    // Past the end of the line: before its line break.
    for (const LineItem& item : chosen->Items) {
        if (item.Source != nullptr && item.Source->Kind == BoxKind::Text) {
            const std::wstring& text = item.Source->TextData();
            if (last > 0 && last <= text.size() && text[last - 1] == L'\n')
                --last;
            break;
        }
    }
    return last;
}

} // namespace Engine
