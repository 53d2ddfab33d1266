#pragma once
#include "engine/css/StyleSheet.h"
#include "engine/dom/Element.h"

#include <memory>
#include <string>
#include <vector>

namespace Engine {

// What a document asks of whoever shows it.
class DocumentClient {
public:
    virtual ~DocumentClient() = default;
    // A "behavior" style names this behavior for the element for the first time.
    virtual void BehaviorNamed(Element& element, const std::string& name) = 0;
};

// One page: its element tree (the html element at the root), its style sheets and the elements
// that hold the focus and the mouse capture.
class Document {
public:
    static constexpr std::size_t kMaxSourceBytes = 32u << 20;

    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Replaces the whole content with the parsed page; false when the source is too large.
    [[nodiscard]] bool Load(std::string_view utf8);

    [[nodiscard]] Element& Root() { return *m_root; }
    [[nodiscard]] const std::vector<std::unique_ptr<StyleSheet>>& StyleSheets() const { return m_sheets; }
    void AddStyleSheet(StyleSheet sheet);

    void SetMediaType(std::wstring media);
    [[nodiscard]] const std::wstring& MediaType() const { return m_media; }
    void SetBaseUrl(std::wstring url) { m_baseUrl = std::move(url); }
    [[nodiscard]] const std::wstring& BaseUrl() const { return m_baseUrl; }

    void SetClient(DocumentClient* client) { m_client = client; }
    [[nodiscard]] DocumentClient* Client() const { return m_client; }

    void MarkStyleDirty() { m_styleDirty = true; }
    [[nodiscard]] bool StyleDirty() const { return m_styleDirty; }
    // Runs the cascade when something changed since the last run, then asks the client for
    // the behaviors that styles newly name.
    void UpdateStyle();

    [[nodiscard]] Element* FocusElement() const { return m_focus; }
    void SetFocusElement(Element* element) { m_focus = element; }
    [[nodiscard]] Element* CaptureElement() const { return m_capture; }
    void SetCaptureElement(Element* element) { m_capture = element; }

private:
    friend class Element;
    // An element leaves the document: nothing of the document may point at it any longer.
    void ForgetElement(Element& element);
    void CollectStyleSheets();
    void RequestBehaviors();

    Element* m_root;
    std::vector<std::unique_ptr<StyleSheet>> m_sheets;
    std::wstring m_media = L"screen";
    std::wstring m_baseUrl;
    DocumentClient* m_client = nullptr;
    bool m_styleDirty = true;
    Element* m_focus = nullptr;
    Element* m_capture = nullptr;
};

} // namespace Engine
