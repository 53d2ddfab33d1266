#pragma once
#include "engine/dom/Document.h"
#include "engine/layout/Box.h"
#include "engine/gfx/TextMeasurer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace Engine {

// What layout asks of its window: images by URL (null while they have not arrived).
using ImageLookup = std::function<ImagePtr(Element& element, const std::wstring& url)>;

// The box tree of one document and its layout at a viewport size. It follows the element tree
// through the changes the document reports: styles that moved boxes lay out again only what
// they can reach; styles that only paint mark a repaint.
class LayoutTree {
public:
    LayoutTree(TextMeasurer& measurer, ImageLookup images);
    ~LayoutTree();
    LayoutTree(const LayoutTree&) = delete;
    LayoutTree& operator=(const LayoutTree&) = delete;

    // Takes over what the document's last style update changed.
    void Apply(Document& document, StyleChanges changes);
    // Lays out what needs it at this viewport size; true when anything moved.
    bool Layout(int width, int height);
    void ElementLeaving(Element& element);
    void Clear();

    [[nodiscard]] Box* Root() const { return m_root.get(); }
    [[nodiscard]] int ViewportWidth() const { return m_width; }
    [[nodiscard]] int ViewportHeight() const { return m_height; }
    [[nodiscard]] bool NeedsLayout() const { return m_root && m_root->NeedsLayout; }
    // The page area that changed since the last call (empty: nothing).
    [[nodiscard]] Rect TakeDamage();
    void AddDamage(const Rect& area);
    void Repaint(Element& element);

    // The deepest element under a point of the page, with the point relative to its border box.
    // Within a shown popup's box when one is given (the popup's own window), else in the page
    // without its shown popups.
    [[nodiscard]] Element* HitTest(Point page, Point& relative, const Box* within = nullptr) const;
    // Page rectangle of an element's border box (its inline pieces joined); false without a box.
    [[nodiscard]] bool PageRectOf(const Element& element, Rect& rect) const;
    // The page's narrowest width and its width without any line broken, margins included.
    [[nodiscard]] int MinWidth();
    [[nodiscard]] int MaxWidth();
    [[nodiscard]] int MinHeight(int width);
    // Moves a scroll container; false when it did not move.
    bool ScrollTo(Box& box, int x, int y);

    // The sticky boxes inside top (the root or a shown popup, not inside another popup), outer
    // ones first: they paint over the rest of their layer and are hit there first.
    [[nodiscard]] std::vector<const Box*> StickyBoxesIn(const Box& top) const;
    // How much of a scroller's view the sticky boxes stuck to its edges cover for a box inside
    // it, so that what scrolls into view does not end up under them.
    void StickyCover(const Box& scroller, const Box& target, int& top, int& bottom) const;

    // A shown popup goes next to its anchor (below it, or above where below has no room; 
    // placement 8 asks for above first); null takes it away.
    void SetPopupAnchor(Element& popup, Element* anchor, unsigned placement);
    [[nodiscard]] std::vector<Box*> ShownPopups() const;

    // Elements that may hold a window of their own (an iframe, an element whose type begins
    // with "sys-"): each one that gets a box is offered once through TakeWindowSlots and lays out
    // as before until SetWindowSize gives it a size (a window of that intrinsic size fills it) or
    // DeclineWindow makes it an ordinary element for good. A slot ends when its element leaves
    // the document.
    // The slots of that document still to ask about, each used once for the caller.
    [[nodiscard]] std::vector<Element*> TakeWindowSlots(const Document& document);
    // A new page: every slot ends.
    void ForgetWindowSlots();
    [[nodiscard]] bool HasWindowSlots() const { return !m_newWindowSlots.empty(); }
    void SetWindowSize(Element& element, int width, int height);
    void DeclineWindow(Element& element);

    // A text dump of the tree: "kind <tag#id> x,y wxh", children indented.
    [[nodiscard]] std::string Dump() const;
    [[nodiscard]] TextMeasurer& Measurer() const { return m_measurer; }
    // Boxes whose children were made since the tree was: the work changes cost, counted.
    [[nodiscard]] std::uint64_t ChildListsMade() const { return m_childListsMade; }
    [[nodiscard]] int ScrollbarSize() const { return m_scrollbar; }
    void SetScrollbarSize(int size) { m_scrollbar = size; }
    void SetDpi(int dpi) { m_dpi = dpi; }
    [[nodiscard]] int Dpi() const { return m_dpi; }

private:
    [[nodiscard]] std::pair<int, int> IntrinsicWidths();
    [[nodiscard]] BoxKind KindOf(const Element& element, const ComputedStyle& style) const;
    std::unique_ptr<Box> BuildBox(Element& element);
    void OfferWindowSlot(Element& element);
    void BuildChildren(Box& box, Element& element);
    void Destroy(Box& box);
    void Place(Box& box, int pageX, int pageY, std::vector<Rect>* damage, unsigned generation);
    void PlacePopups(std::vector<Rect>& damage);
    void PlaceSticky(std::vector<Rect>& damage);

    struct PopupAnchor {
        Element* Popup;
        Element* Anchor;
        unsigned Placement;
    };
    std::vector<PopupAnchor> m_popups;

    struct WindowSlot {
        bool Filled = false;  // settled as a window; otherwise asked or declined
        bool Settled = false;
        int Width = 0, Height = 0;
    };
    std::unordered_map<const Element*, WindowSlot> m_windowSlots;
    std::vector<Element*> m_newWindowSlots;  // used until taken

    TextMeasurer& m_measurer;
    ImageLookup m_images;
    std::unique_ptr<Box> m_root;
    std::vector<Box*> m_sticky;  // every box made with position: sticky, while it lives
    int m_width = 0;
    int m_height = 0;
    int m_scrollbar = 16;
    int m_dpi = 96;
    unsigned m_generation = 0;
    std::uint64_t m_childListsMade = 0;
    Rect m_damage;
};

} // namespace Engine
