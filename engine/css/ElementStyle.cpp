#include "engine/css/ElementStyle.h"

#include "engine/css/CssParser.h"
#include "engine/css/PresentationalHints.h"
#include "engine/css/Shorthands.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace Engine {

namespace {

// The parts made of the attributes, as Element::MadeFromAttributes bits.
enum MadeFromAttributes : unsigned { kInlineMade = 1, kHintsMade = 2 };

const std::vector<Declaration> kNoStyle;

RareStyle& RareOf(Element& element)
{
    std::shared_ptr<RareStyle>& slot = element.RareStyleSlot();
    if (!slot)
        slot = std::make_shared<RareStyle>();
    return *slot;
}

// Hint lists by their declarations, each property and value ended by a NUL, so that the elements
// with the same hints (every cell with nowrap) hold one list; bounded as the tags are.
SharedDeclarationList InternedHints(std::vector<Declaration> hints)
{
    constexpr std::size_t kMaxLists = 1024;
    static std::unordered_map<std::wstring, SharedDeclarationList> lists;
    std::wstring key;
    for (const Declaration& hint : hints) {
        key.append(hint.Property.begin(), hint.Property.end()).push_back(L'\0');
        key.append(hint.Value).push_back(hint.Important ? L'!' : L'\0');
    }
    auto found = lists.find(key);
    if (found != lists.end())
        return found->second;
    auto list = std::make_shared<const std::vector<Declaration>>(std::move(hints));
    if (lists.size() < kMaxLists)
        lists.emplace(std::move(key), list);
    return list;
}

} // namespace

const std::vector<Declaration>& ElementStyle::Inline(Element& element)
{
    if ((element.MadeFromAttributes() & kInlineMade) == 0) {
        const std::wstring* style = element.FindAttribute("style");
        if (style != nullptr)
            RareOf(element).Inline = CssParser::ParseDeclarations(*style);
        else if (RareStyle* rare = element.RareStyleData())
            rare->Inline.clear();
        element.SetMadeFromAttributes(element.MadeFromAttributes() | kInlineMade);
    }
    const RareStyle* rare = element.RareStyleData();
    return rare != nullptr ? rare->Inline : kNoStyle;
}

const std::vector<Declaration>& ElementStyle::Hints(Element& element)
{
    if ((element.MadeFromAttributes() & kHintsMade) == 0) {
        std::vector<Declaration> hints = PresentationalHints::For(element);
        element.SetHints(hints.empty() ? nullptr : InternedHints(std::move(hints)));
        element.SetMadeFromAttributes(element.MadeFromAttributes() | kHintsMade);
    }
    return element.Hints() ? *element.Hints() : kNoStyle;
}

const std::vector<Declaration>& ElementStyle::Runtime(const Element& element)
{
    const RareStyle* rare = element.RareStyleData();
    return rare != nullptr ? rare->Runtime : kNoStyle;
}

void ElementStyle::SetRuntime(Element& element, std::string_view property, const std::wstring* value)
{
    std::string lower(property);
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    RareStyle& rare = RareOf(element);
    auto found = std::find_if(rare.RuntimeWritten.begin(), rare.RuntimeWritten.end(),
                              [&](const Declaration& declaration) { return declaration.Property == lower; });
    if (value == nullptr) {
        if (found != rare.RuntimeWritten.end())
            rare.RuntimeWritten.erase(found);
    } else if (found != rare.RuntimeWritten.end()) {
        *found = Declaration{lower, *value, false};
    } else {
        rare.RuntimeWritten.push_back({lower, *value, false});
    }
    rare.Runtime = Shorthands::Expand(rare.RuntimeWritten);
    element.NoteChanged(ChangeKind::Attributes);
}

} // namespace Engine
