#include "engine/dom/HtmlSerializer.h"

#include "engine/dom/CharacterReferences.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Text.h"
#include "engine/dom/Utf.h"

namespace Engine {

namespace {

bool IsRawText(const std::string& tag)
{
    return tag == "style" || tag == "script" || tag == "xmp";
}

void WriteEscaped(std::wstring_view text, bool attribute, std::wstring& out)
{
    for (wchar_t c : text) {
        std::string_view name = CharacterReferences::NameFor(static_cast<char16_t>(c));
        if (c == L'"' && attribute)
            name = "quot";
        if (c == L'>' && attribute)
            name = {};
        if (name.empty()) {
            out.push_back(c);
        } else {
            out.push_back(L'&');
            out.append(name.begin(), name.end());
            out.push_back(L';');
        }
    }
}

struct Step {
    const Node* NodeAt;
    bool Closing;
};

} // namespace

std::string HtmlSerializer::Serialize(const Element& element, HtmlScope scope)
{
    std::wstring out;
    std::vector<Step> pending;
    auto pushChildren = [&pending](const Element& parent) {
        for (auto it = parent.Nodes().rbegin(); it != parent.Nodes().rend(); ++it)
            pending.push_back({*it, false});
    };
    if (scope == HtmlScope::Outer)
        pending.push_back({&element, false});
    else
        pushChildren(element);
    while (!pending.empty()) {
        Step step = pending.back();
        pending.pop_back();
        if (!step.NodeAt->IsElement()) {
            const auto* parent = step.NodeAt->Parent();
            const std::wstring& data = static_cast<const Text*>(step.NodeAt)->Data();
            if (parent != nullptr && IsRawText(parent->Tag()))
                out += data;
            else
                WriteEscaped(data, false, out);
            continue;
        }
        const auto& current = *static_cast<const Element*>(step.NodeAt);
        if (step.Closing) {
            out += L"</";
            out.append(current.Tag().begin(), current.Tag().end());
            out += L'>';
            continue;
        }
        out += L'<';
        out.append(current.Tag().begin(), current.Tag().end());
        for (const Attribute& attribute : current.Attributes()) {
            out += L' ';
            out.append(attribute.Name.begin(), attribute.Name.end());
            out += L"=\"";
            WriteEscaped(attribute.Value, true, out);
            out += L'"';
        }
        out += L'>';
        if (HtmlTreeBuilder::IsVoid(current.Tag()))
            continue;
        pending.push_back({&current, true});
        pushChildren(current);
    }
    return WideToUtf8(out);
}

} // namespace Engine
