#pragma once
#include "engine/dom/Element.h"
#include "engine/dom/StyleChange.h"

#include <cstdint>
#include <functional>
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
    // The element's children or attributes changed, or some of its state bits: told after the
    // change, for those who announce changes (accessibility tools) rather than draw them.
    virtual void ElementChanged(Element& element, ChangeKind kind)
    {
        static_cast<void>(element);
        static_cast<void>(kind);
    }
    virtual void StateChanged(Element& element, unsigned changedBits)
    {
        static_cast<void>(element);
        static_cast<void>(changedBits);
    }
};

// What the last style update changed, for layout to take over: each element is held (used)
// until layout has taken it.
struct StyleChanges {
    bool Full = false;                                   // every box anew
    std::vector<std::pair<Element*, StyleChange>> Styles;  // elements whose computed style changed
    std::vector<Element*> Rebuild;                       // elements whose children changed
    void Release();
};

// Elements to style again, each held until the batch goes.
class RestyleBatch {
public:
    RestyleBatch() = default;
    ~RestyleBatch();
    RestyleBatch(RestyleBatch&& other) noexcept = default;
    RestyleBatch& operator=(RestyleBatch&&) = delete;
    RestyleBatch(const RestyleBatch&) = delete;
    RestyleBatch& operator=(const RestyleBatch&) = delete;

    // In document order of their queueing; none lies below another.
    std::vector<Element*> Tops;

private:
    friend class Document;
    std::vector<Element*> m_held;
};

// One page: its element tree (the html element at the root), the elements that hold the focus
// and the mouse capture, and what changed since the styling layer (css/DocumentStyle) last
// styled it: elements queued once each, however many changes reach them.
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
    // Counts the pages loaded, so that whoever keeps something of a page can tell a new one.
    [[nodiscard]] unsigned Loads() const { return m_loads; }

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
    // What changed since layout last asked.
    [[nodiscard]] StyleChanges TakeChanges();

    // For the styling layer. A restyle of the whole page drops the queues and tells layout that
    // every box is new; otherwise the queued elements come as a batch, widened by the later
    // siblings of those for which reachesLaterSiblings says so (selectors with + and ~).
    [[nodiscard]] bool WholePageDirty() const { return m_styleDirty; }
    void BeginWholeRestyle();
    [[nodiscard]] bool WholeRestyle() const { return m_changes.Full; }
    [[nodiscard]] RestyleBatch TakeRestyleBatch(const std::function<bool(const Element&)>& reachesLaterSiblings);
    // A styled element's boxes must follow its new style.
    void NoteStyleChanged(Element& element, StyleChange change);
    // The state bits that some selector tests: a change of the others restyles nothing.
    void SetStatesTested(unsigned bits) { m_statesTested = bits; }

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
    // The queues an element may wait in, as Element::m_queued bits.
    enum Queued : std::uint8_t { kQueuedRestyle = 1, kQueuedRebuild = 2, kQueuedRelayout = 4 };
    void QueueRestyle(Element& element);
    // Lets the queued elements go, for a restyle of the whole page.
    void DropQueues();

    Element* m_root;
    std::vector<Element*> m_restyle;  // held
    StyleChanges m_changes;
    unsigned m_statesTested = ~0u;
    unsigned m_loads = 0;
    std::wstring m_baseUrl;
    DocumentClient* m_client = nullptr;
    bool m_styleDirty = true;
    Element* m_focus = nullptr;
    bool m_focusByKeyboard = false;
    Element* m_capture = nullptr;
};

} // namespace Engine
