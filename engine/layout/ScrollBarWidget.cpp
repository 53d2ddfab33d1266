#include "engine/layout/ScrollBarWidget.h"

#include "engine/dom/Element.h"
#include "engine/dom/Utf.h"

#include <algorithm>
#include <cwchar>

namespace Engine {

namespace {

int IntAttribute(const Element& element, std::string_view name)
{
    const std::wstring* text = element.FindAttribute(name);
    if (text == nullptr || text->empty())
        return 0;
    long value = std::wcstol(text->c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, -(1L << 30), 1L << 30));
}

// The last position at which a page still fits.
int Last(const ScrollBarWidget::Value& value)
{
    return std::max(value.Min, value.Max - value.Page);
}

} // namespace

bool ScrollBarWidget::Is(const Element& element)
{
    if (element.Tag() != "widget")
        return false;
    const std::wstring* type = element.FindAttribute("type");
    return type != nullptr && EqualsIgnoringAsciiCase(*type, L"vscrollbar");
}

ScrollBarWidget::Value ScrollBarWidget::Get(const Element& element)
{
    Value value{IntAttribute(element, "value"), IntAttribute(element, "min"), IntAttribute(element, "max"),
                IntAttribute(element, "page")};
    value.Max = std::max(value.Min, value.Max);
    value.Page = std::max(1, value.Page);
    value.Position = std::clamp(value.Position, value.Min, Last(value));
    return value;
}

void ScrollBarWidget::Set(Element& element, Value value)
{
    value.Max = std::max(value.Min, value.Max);
    value.Page = std::max(1, value.Page);
    value.Position = std::clamp(value.Position, value.Min, Last(value));
    const Value now = Get(element);
    if (element.FindAttribute("value") != nullptr && now.Position == value.Position && now.Min == value.Min &&
        now.Max == value.Max && now.Page == value.Page)
        return;
    element.SetAttribute("min", std::to_wstring(value.Min));
    element.SetAttribute("max", std::to_wstring(value.Max));
    element.SetAttribute("page", std::to_wstring(value.Page));
    element.SetAttribute("value", std::to_wstring(value.Position));
}

// As the system's bars: arrows as long as the bar is thick (half the bar at most), a thumb in
// proportion to the page, never shorter than the bar is thick.
ScrollBarWidget::Geometry ScrollBarWidget::Measure(const Value& value, int length, int thickness)
{
    Geometry geometry;
    geometry.Arrow = std::max(0, std::min(thickness, length / 2));
    const int track = std::max(0, length - 2 * geometry.Arrow);
    const int range = value.Max - value.Min;
    if (range <= value.Page || track <= 0)
        return geometry;
    geometry.ThumbLength = std::clamp(static_cast<int>(static_cast<long long>(track) * value.Page / range),
                                      std::min(track, thickness), track);
    const int steps = std::max(1, Last(value) - value.Min);
    geometry.ThumbAt = geometry.Arrow + static_cast<int>(static_cast<long long>(track - geometry.ThumbLength) *
                                                         (value.Position - value.Min) / steps);
    return geometry;
}

ScrollBarWidget::Part ScrollBarWidget::PartAt(const Value& value, int length, int thickness, int offset)
{
    const Geometry geometry = Measure(value, length, thickness);
    if (offset < 0 || offset >= length)
        return Part::None;
    if (offset < geometry.Arrow)
        return Part::Back;
    if (offset >= length - geometry.Arrow)
        return Part::Forward;
    if (geometry.ThumbLength == 0)
        return Part::None;
    if (offset < geometry.ThumbAt)
        return Part::PageBack;
    return offset < geometry.ThumbAt + geometry.ThumbLength ? Part::Thumb : Part::PageForward;
}

int ScrollBarWidget::PositionAt(const Value& value, int length, int thickness, int offset)
{
    const Geometry geometry = Measure(value, length, thickness);
    const int free = length - 2 * geometry.Arrow - geometry.ThumbLength;
    if (geometry.ThumbLength == 0 || free <= 0)
        return value.Position;
    const int along = std::clamp(offset - geometry.Arrow, 0, free);
    const int steps = Last(value) - value.Min;
    return value.Min + static_cast<int>((static_cast<long long>(along) * steps + free / 2) / free);
}

} // namespace Engine
