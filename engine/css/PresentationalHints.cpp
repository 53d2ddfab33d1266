#include "engine/css/PresentationalHints.h"

#include "engine/css/Shorthands.h"
#include "engine/dom/Element.h"

namespace Engine {

namespace {

bool IsDigits(const std::wstring& value)
{
    if (value.empty())
        return false;
    for (wchar_t c : value) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

// "100" means pixels; "100%" and anything else are kept as written.
std::wstring Length(const std::wstring& value)
{
    return IsDigits(value) ? value + L"px" : value;
}

void Add(std::vector<Declaration>& out, const char* property, std::wstring value)
{
    out.push_back({property, std::move(value), false});
}

// A table's border attribute in pixels, as HTML reads it: present but not a number means 1.
int BorderAttribute(const std::wstring& value)
{
    std::size_t digits = 0;
    while (digits < value.size() && digits < 6 && value[digits] >= L'0' && value[digits] <= L'9')
        ++digits;
    return digits == 0 ? 1 : std::stoi(value.substr(0, digits));
}

} // namespace

std::vector<Declaration> PresentationalHints::For(const Element& element)
{
    std::vector<Declaration> hints;
    const std::string& tag = element.Tag();
    if (element.Attributes().empty() && tag != "td" && tag != "th")
        return hints;
    if (const std::wstring* color = element.FindAttribute("bgcolor"))
        Add(hints, "background-color", *color);
    if (tag != "input" && tag != "option") {
        if (const std::wstring* width = element.FindAttribute("width"))
            Add(hints, "width", Length(*width));
        if (const std::wstring* height = element.FindAttribute("height"))
            Add(hints, "height", Length(*height));
    }
    if (const std::wstring* align = element.FindAttribute("align")) {
        if (tag == "img")
            Add(hints, "float", *align);
        else if (tag != "table")
            Add(hints, "text-align", *align);
    }
    if (const std::wstring* valign = element.FindAttribute("valign"))
        Add(hints, "vertical-align", *valign);
    else if ((tag == "td" || tag == "th") && element.Parent() != nullptr && element.Parent()->Tag() == "tr")
        if (const std::wstring* rowAlign = element.Parent()->FindAttribute("valign"))
            Add(hints, "vertical-align", *rowAlign);
    if (element.HasAttribute("nowrap"))
        Add(hints, "white-space", L"nowrap");
    if (tag == "table") {
        // HTML's rendering rules: the attribute's width, outset, and 1 px inset borders on the cells.
        if (const std::wstring* border = element.FindAttribute("border")) {
            Add(hints, "border-width", std::to_wstring(BorderAttribute(*border)) + L"px");
            Add(hints, "border-style", L"outset");
            Add(hints, "border-color", L"gray");
        }
        if (const std::wstring* spacing = element.FindAttribute("cellspacing"))
            Add(hints, "border-spacing", Length(*spacing));
    }
    if (tag == "td" || tag == "th") {
        const Element* table = element.Parent();
        while (table != nullptr && table->Tag() != "table")
            table = table->Parent();
        if (table != nullptr) {
            if (const std::wstring* border = table->FindAttribute("border"); border != nullptr && BorderAttribute(*border) > 0) {
                Add(hints, "border-width", L"1px");
                Add(hints, "border-style", L"inset");
                Add(hints, "border-color", L"gray");
            }
            if (const std::wstring* padding = table->FindAttribute("cellpadding"))
                Add(hints, "padding", Length(*padding));
        }
    }
    if (tag == "body") {
        static constexpr const char* kMargins[4][2] = {{"leftmargin", "margin-left"},
                                                       {"topmargin", "margin-top"},
                                                       {"rightmargin", "margin-right"},
                                                       {"bottommargin", "margin-bottom"}};
        for (const auto& margin : kMargins) {
            if (const std::wstring* value = element.FindAttribute(margin[0]))
                Add(hints, margin[1], Length(*value));
        }
    }
    if (tag == "font") {
        if (const std::wstring* color = element.FindAttribute("color"))
            Add(hints, "color", *color);
        if (const std::wstring* face = element.FindAttribute("face"))
            Add(hints, "font-family", *face);
    }
    return Shorthands::Expand(std::move(hints));
}

} // namespace Engine
