#include "engine/dom/Document.h"

#include "engine/css/CssParser.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Utf.h"

#include <algorithm>
#include <cwctype>

namespace Engine {

Document::Document() : m_root(new Element("html"))
{
    m_root->m_document = this;
    m_root->Use();
}

Document::~Document()
{
    m_root->SetDocumentForTree(nullptr);
    m_root->Unuse();
}

bool Document::Load(std::string_view utf8)
{
    if (utf8.size() > kMaxSourceBytes)
        return false;
    m_root->RemoveAllNodes();
    m_root->m_attributes.clear();
    m_sheets.clear();
    HtmlTreeBuilder::BuildDocument(*m_root, Utf8ToWide(utf8));
    CollectStyleSheets();
    m_styleDirty = true;
    return true;
}

void Document::AddStyleSheet(StyleSheet sheet)
{
    m_sheets.push_back(std::make_unique<StyleSheet>(std::move(sheet)));
    m_styleDirty = true;
}

void Document::SetMediaType(std::wstring media)
{
    for (wchar_t& c : media)
        c = static_cast<wchar_t>(std::towlower(c));
    m_media = std::move(media);
    m_styleDirty = true;
}

void Document::CollectStyleSheets()
{
    std::vector<Element*> pending{m_root};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (element->Tag() == "style") {
            StyleSheet sheet = CssParser::ParseStyleSheet(element->TextContent());
            if (const std::wstring* media = element->FindAttribute("media")) {
                // A media attribute applies to every rule of the sheet that has none of its own.
                StyleSheet scoped = CssParser::ParseStyleSheet(L"@media " + *media + L"{" + element->TextContent() + L"}");
                sheet = std::move(scoped);
            }
            AddStyleSheet(std::move(sheet));
            continue;
        }
        element->PushChildrenReversed(pending);
    }
}

void Document::UpdateStyle()
{
    if (!m_styleDirty)
        return;
    m_styleDirty = false;
    std::vector<const StyleSheet*> sheets;
    for (const auto& sheet : m_sheets)
        sheets.push_back(sheet.get());
    StyleResolver resolver(sheets, m_media);
    resolver.ApplyToTree(*m_root);
    RequestBehaviors();
}

void Document::RequestBehaviors()
{
    if (m_client == nullptr)
        return;
    struct Request {
        Element* Target;
        std::string Name;
    };
    std::vector<Request> requests;
    std::vector<Element*> pending{m_root};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (const std::wstring* behavior = StyleResolver::Lookup(*element, "behavior")) {
            std::size_t at = 0;
            while (at < behavior->size()) {
                while (at < behavior->size() && ((*behavior)[at] == L' ' || (*behavior)[at] == L','))
                    ++at;
                std::size_t end = at;
                while (end < behavior->size() && (*behavior)[end] != L' ' && (*behavior)[end] != L',')
                    ++end;
                if (end > at) {
                    std::string name = WideToUtf8(behavior->substr(at, end - at));
                    auto& asked = element->RequestedBehaviors();
                    if (std::find(asked.begin(), asked.end(), name) == asked.end()) {
                        asked.push_back(name);
                        element->Use();
                        requests.push_back({element, std::move(name)});
                    }
                }
                at = end;
            }
        }
        element->PushChildrenReversed(pending);
    }
    // The client may change the tree while it answers: each element is held until then.
    for (Request& request : requests) {
        if (request.Target->OwnerDocument() == this)
            m_client->BehaviorNamed(*request.Target, request.Name);
        request.Target->Unuse();
    }
}

void Document::ForgetElement(Element& element)
{
    if (m_focus == &element)
        m_focus = nullptr;
    if (m_capture == &element)
        m_capture = nullptr;
}

} // namespace Engine
