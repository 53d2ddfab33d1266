#pragma once
#include "engine/css/ComputedStyle.h"
#include "engine/css/StyleSheet.h"
#include "engine/dom/Element.h"

#include <cstdint>
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
    // The element leaves the page (with its subtree): nothing may point at it any longer.
    virtual void ElementLeaving(Element& element) = 0;
    // Something changed that styles, boxes or pixels may follow.
    virtual void Changed() = 0;
    // The focus moved between these elements (either may be null).
    virtual void FocusMoved(Element* from, Element* to)
    {
        static_cast<void>(from);
        static_cast<void>(to);
    }
};

class StyleResolver;

// What the last style update changed, for layout to take over: each element is held (used)
// until layout has taken it.
struct StyleChanges {
    bool Full = false;                                   // every box anew
    std::vector<std::pair<Element*, StyleChange>> Styles;  // elements whose computed style changed
    std::vector<Element*> Rebuild;                       // elements whose children changed
    void Release();
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

    void MarkStyleDirty()
    {
        m_styleDirty = true;
        if (m_client != nullptr)
            m_client->Changed();
    }
    [[nodiscard]] bool StyleDirty() const { return m_styleDirty || !m_restyle.empty(); }
    void NoteChange(Element& element, ChangeKind kind);
    void NoteStateChange(Element& element, unsigned changedBits);
    // Runs the cascade when something changed since the last run, for the whole page or only
    // for the elements a change can reach, then asks the client for the behaviors that styles
    // newly name.
    void UpdateStyle();
    // What changed since layout last asked.
    [[nodiscard]] StyleChanges TakeChanges();
    // Elements styled since the document was made: the work changes cost, counted.
    [[nodiscard]] std::uint64_t ElementsStyled() const { return m_styled; }
    void SetDpi(int dpi);
    [[nodiscard]] int Dpi() const { return m_dpi; }

    [[nodiscard]] Element* FocusElement() const { return m_focus; }
    void SetFocusElement(Element* element) { m_focus = element; }
    // Whether the keyboard moved the focus last (the focus rectangle shows only then).
    [[nodiscard]] bool FocusByKeyboard() const { return m_focusByKeyboard; }
    void SetFocusByKeyboard(bool byKeyboard) { m_focusByKeyboard = byKeyboard; }
    [[nodiscard]] Element* CaptureElement() const { return m_capture; }
    void SetCaptureElement(Element* element) { m_capture = element; }

private:
    friend class Element;
    // An element leaves the document: nothing of the document may point at it any longer.
    void ForgetElement(Element& element);
    void CollectStyleSheets();
    void NoteBehaviors(Element& element);
    void RequestBehaviors();

    // The queues an element may wait in, as Element::m_queued bits.
    enum Queued : std::uint8_t { kQueuedRestyle = 1, kQueuedRebuild = 2, kQueuedRelayout = 4 };
    void QueueRestyle(Element& element);
    void RestyleQueued();
    void Restyle(const std::vector<Element*>& tops);
    // Lets the queued elements go, for a restyle of the whole page.
    void DropQueues();

    Element* m_root;
    std::unique_ptr<StyleResolver> m_resolver;
    std::vector<Element*> m_restyle;  // held
    struct BehaviorRequest {
        Element* Target;  // held
        std::string Name;
    };
    std::vector<BehaviorRequest> m_behaviorRequests;
    StyleChanges m_changes;
    int m_dpi = 96;
    std::uint64_t m_styled = 0;
    std::vector<std::unique_ptr<StyleSheet>> m_sheets;
    std::wstring m_media = L"screen";
    std::wstring m_baseUrl;
    DocumentClient* m_client = nullptr;
    bool m_styleDirty = true;
    Element* m_focus = nullptr;
    bool m_focusByKeyboard = false;
    Element* m_capture = nullptr;
};

} // namespace Engine
