#include "engine/layout/LayoutTree.h"

#include "engine/css/StyleBuilder.h"
#include "engine/dom/Element.h"
#include "engine/dom/Text.h"
#include "engine/dom/Utf.h"
#include "engine/layout/ControlBox.h"
#include "engine/layout/LayoutContext.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <queue>
#include <tuple>
#include <unordered_set>

namespace Engine {

namespace {

// Floats and absolutely positioned boxes leave the line: they are blocks among blocks (9.7).
bool LeavesFlow(const ComputedStyle& style)
{
    return style.Box.IsFloat() || style.Box.Place == Position::Absolute || style.Box.Place == Position::Fixed;
}

bool IsInlineLevel(const Box& box)
{
    if (box.Kind != BoxKind::Text && box.Style && LeavesFlow(box.S()))
        return false;
    switch (box.Kind) {
    case BoxKind::Text: case BoxKind::Inline: case BoxKind::LineBreak: case BoxKind::Replaced: return true;
    case BoxKind::Block: case BoxKind::Table: {
        Display show = box.S().Box.Show;
        return show == Display::InlineBlock || show == Display::InlineTable;
    }
    default: return false;
    }
}

bool IsWhitespaceText(const Box& box)
{
    if (box.Kind != BoxKind::Text)
        return false;
    WhiteSpace space = box.S().Inherited.Space;
    if (space == WhiteSpace::Pre || space == WhiteSpace::PreWrap)
        return false;
    const std::wstring& text = box.TextData();
    return std::all_of(text.begin(), text.end(),
                       [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; });
}

StylePtr AnonymousStyle(const ComputedStyle& parent)
{
    auto style = std::make_shared<ComputedStyle>(StyleBuilder::Initial());
    style->Inherited = parent.Inherited;
    style->Box.Show = Display::Block;
    return style;
}

BoxKind KindFor(const Element& element, const ComputedStyle& style)
{
    const std::string& tag = element.Tag();
    if (tag == "img")
        return BoxKind::Replaced;
    if (tag == "br")
        return BoxKind::LineBreak;
    if (const ControlBox* control = ControlBox::For(element); control != nullptr && control->Replaced(element))
        return BoxKind::Replaced;
    // A float or an absolutely positioned box is a block, whatever it was (9.7).
    if (LeavesFlow(style) && style.Box.Show != Display::Table && style.Box.Show != Display::InlineTable)
        return BoxKind::Block;
    switch (style.Box.Show) {
    case Display::Inline: return BoxKind::Inline;
    case Display::Table: case Display::InlineTable: return BoxKind::Table;
    case Display::TableRowGroup: case Display::TableHeaderGroup: case Display::TableFooterGroup: return BoxKind::RowGroup;
    case Display::TableRow: return BoxKind::Row;
    case Display::TableCell: return BoxKind::Cell;
    default: return BoxKind::Block;
    }
}

// An element the host may fill with a window of its own.
bool MayHoldWindow(const Element& element)
{
    if (element.Tag() == "iframe")
        return true;
    const std::wstring* type = element.FindAttribute("type");
    static constexpr std::wstring_view kPrefix = L"sys-";
    if (type == nullptr || type->size() < kPrefix.size())
        return false;
    return std::equal(kPrefix.begin(), kPrefix.end(), type->begin(),
                      [](wchar_t a, wchar_t b) { return a == std::towlower(b); });
}

// Relative offsets (9.4.3): percentages of the containing block's content width and height; a
// vertical one against a height that depends on content is auto (10.5).
Point RelativeShift(const Box& box, int viewportWidth, int viewportHeight)
{
    const Box* holder = box.Parent;
    while (holder != nullptr && holder->Kind == BoxKind::Inline)
        holder = holder->Parent;
    int width = holder != nullptr ? holder->ContentWidthInner() + holder->BarV() : viewportWidth;
    int height = holder != nullptr ? holder->ContentHeightInner() + holder->BarH() : viewportHeight;
    bool heightKnown = holder == nullptr || !holder->S().Box.Height.IsAuto();
    const Sides<Length>& inset = box.S().Box.Offsets;
    auto vertical = [&](const Length& length) { return length.IsPercent() && !heightKnown ? 0 : length.Resolve(height); };
    return {!inset.Left.IsAuto() ? inset.Left.Resolve(width) : !inset.Right.IsAuto() ? -inset.Right.Resolve(width) : 0,
            !inset.Top.IsAuto() ? vertical(inset.Top) : !inset.Bottom.IsAuto() ? -vertical(inset.Bottom) : 0};
}

// Elements whose children get their boxes anew, the deepest first, and of the same depth in the
// order asked for (never in the order of their addresses, which differ from run to run); one
// asked for twice is done once.
class RebuildQueue {
public:
    void Add(Element* element)
    {
        if (!m_asked.insert(element).second)
            return;
        m_waiting.push({element->Depth(), m_later--, element});
    }
    // Null when none is left.
    [[nodiscard]] Element* Next()
    {
        if (m_waiting.empty())
            return nullptr;
        Element* element = std::get<2>(m_waiting.top());
        m_waiting.pop();
        return element;
    }

private:
    std::unordered_set<const Element*> m_asked;
    // Depth, then a number that falls with each addition: the first asked comes first.
    std::priority_queue<std::tuple<std::size_t, std::size_t, Element*>> m_waiting;
    std::size_t m_later = static_cast<std::size_t>(-1);
};

constexpr int kMaxSpan = 1000;

int SpanAttribute(const Element& element, const char* name)
{
    const std::wstring* value = element.FindAttribute(name);
    if (value == nullptr)
        return 1;
    long span = std::wcstol(value->c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(span, 1, kMaxSpan));
}

void ReadSpans(Box& cell)
{
    cell.Cell().ColSpan = static_cast<short>(SpanAttribute(*cell.Owner, "colspan"));
    cell.Cell().RowSpanAsked = static_cast<short>(SpanAttribute(*cell.Owner, "rowspan"));
}

void Indent(std::string& out, int depth)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string Label(const Box& box)
{
    static constexpr const char* kKinds[] = {"block", "inline", "text", "replaced", "table", "rows", "row", "cell", "br"};
    std::string label = box.Owner == nullptr && box.Kind == BoxKind::Block ? "anonymous" : kKinds[static_cast<int>(box.Kind)];
    if (box.Owner != nullptr) {
        label.append(" <").append(box.Owner->Tag());
        if (const std::wstring* id = box.Owner->FindAttribute("id"))
            label.append("#").append(WideToUtf8(*id));
        if (const std::wstring* classes = box.Owner->FindAttribute("class"); classes != nullptr && !classes->empty())
            label.append(".").append(WideToUtf8(*classes));
        label.append(">");
    }
    return label;
}

const Box* NearestScroller(const Box& box)
{
    for (const Box* at = box.Parent; at != nullptr; at = at->Parent) {
        if (at->IsScroller())
            return at;
    }
    return nullptr;
}

// What a sticky box stays inside: a table part's table, anything else's parent.
const Box* StickyContainer(const Box& box)
{
    if (box.Kind == BoxKind::Row || box.Kind == BoxKind::RowGroup || box.Kind == BoxKind::Cell) {
        for (const Box* at = box.Parent; at != nullptr; at = at->Parent) {
            if (at->Kind == BoxKind::Table)
                return at;
        }
    }
    return box.Parent;
}

bool IsInside(const Box& box, const Box& ancestor)
{
    for (const Box* at = &box; at != nullptr; at = at->Parent) {
        if (at == &ancestor)
            return true;
    }
    return false;
}

// A scroller's view: its padding box less its bars.
Rect ScrollView(const Box& box)
{
    const UsedValues& u = box.Used();
    return {u.PageX + u.Border.Left, u.PageY + u.Border.Top, std::max(0, u.Width - u.Border.Horizontal() - box.BarV()),
            std::max(0, u.Height - u.Border.Vertical() - box.BarH())};
}

// One axis of a sticky box's shift: towards the inset from the view's start edge while its place
// in the flow has scrolled past it, else towards the inset from the end edge, never out of what
// holds it.
int StickyAxis(int at, int size, int marginBefore, int marginAfter, int viewStart, int viewEnd, const Length& start,
               const Length& end, int limitStart, int limitEnd)
{
    int viewSize = viewEnd - viewStart;
    if (!start.IsAuto()) {
        int want = viewStart + start.Resolve(viewSize) - at;
        if (want > 0)
            return std::max(0, std::min(want, limitEnd - (at + size + marginAfter)));
    }
    if (!end.IsAuto()) {
        int want = viewEnd - end.Resolve(viewSize) - (at + size);
        if (want < 0)
            return std::min(0, std::max(want, limitStart - (at - marginBefore)));
    }
    return 0;
}

// Sticky positioning (CSS Positioned Layout 3, 3.4): a box placed in the flow at x, y shifts to
// keep its insets from the nearest scroller's view while its containing block is in view (a table
// part's is the table; a scroller holding it directly lends its whole scrolled content). Without a
// scroller around it, nothing scrolls and it stays in place.
Point StickyShiftAt(const Box& box, int x, int y)
{
    const Box* scroller = NearestScroller(box);
    const Box* container = StickyContainer(box);
    if (scroller == nullptr || container == nullptr)
        return {};
    Rect view = ScrollView(*scroller);
    Rect limits;
    if (container->IsScroller()) {
        Point origin = container->ContentOrigin();
        const UsedValues& c = container->Used();
        limits = {origin.X + c.ContentX(), origin.Y + c.ContentY(), std::max(c.ContentWidth, container->ContentWidthInner()),
                  std::max(c.ContentHeight, container->ContentHeightInner())};
    } else {
        const UsedValues& c = container->Used();
        limits = {c.PageX + c.ContentX(), c.PageY + c.ContentY(), container->ContentWidthInner(), container->ContentHeightInner()};
    }
    const BoxStyle& s = box.S().Box;
    const UsedValues& u = box.Used();
    return {StickyAxis(x, u.Width, u.Margin.Left, u.Margin.Right, view.X, view.Right(), s.Offsets.Left, s.Offsets.Right,
                       limits.X, limits.Right()),
            StickyAxis(y, u.Height, u.Margin.Top, u.Margin.Bottom, view.Y, view.Bottom(), s.Offsets.Top, s.Offsets.Bottom,
                       limits.Y, limits.Bottom())};
}

bool OnScrollBar(const Box& box, Point page)
{
    const UsedValues& u = box.Used();
    int inRight = u.PageX + u.Width - u.Border.Right - page.X;
    int inBottom = u.PageY + u.Height - u.Border.Bottom - page.Y;
    return (box.BarV() > 0 && inRight >= 0 && inRight < box.BarV()) || (box.BarH() > 0 && inBottom >= 0 && inBottom < box.BarH());
}

void AppendRect(std::string& out, int x, int y, int w, int h)
{
    out.append(" ").append(std::to_string(x)).append(",").append(std::to_string(y));
    out.append(" ").append(std::to_string(w)).append("x").append(std::to_string(h));
}

} // namespace

LayoutTree::LayoutTree(TextMeasurer& measurer, ImageLookup images) : m_measurer(measurer), m_images(std::move(images)) {}

LayoutTree::~LayoutTree()
{
    Clear();
    ForgetWindowSlots();
}

BoxKind LayoutTree::KindOf(const Element& element, const ComputedStyle& style) const
{
    auto slot = m_windowSlots.find(&element);
    if (slot != m_windowSlots.end() && slot->second.Filled)
        return BoxKind::Replaced;
    return KindFor(element, style);
}

void LayoutTree::OfferWindowSlot(Element& element)
{
    if (!m_windowSlots.try_emplace(&element).second)
        return;
    element.Use();
    m_newWindowSlots.push_back(&element);
}

std::vector<Element*> LayoutTree::TakeWindowSlots(const Document& document)
{
    std::vector<Element*> taken;
    for (Element* element : std::exchange(m_newWindowSlots, {})) {
        auto slot = m_windowSlots.find(element);
        bool asking = element->OwnerDocument() == &document && element->LayoutBox() != nullptr &&
                      slot != m_windowSlots.end() && !slot->second.Settled &&
                      std::find(taken.begin(), taken.end(), element) == taken.end();
        if (asking)
            taken.push_back(element);
        else
            element->Unuse();
    }
    return taken;
}

void LayoutTree::ForgetWindowSlots()
{
    m_windowSlots.clear();
    for (Element* element : std::exchange(m_newWindowSlots, {}))
        element->Unuse();
}

void LayoutTree::SetWindowSize(Element& element, int width, int height)
{
    WindowSlot& slot = m_windowSlots[&element];
    slot = {true, true, std::max(0, width), std::max(0, height)};
    // Its parent makes its box anew, now a replaced one.
    Box* box = element.LayoutBox();
    Element* parent = element.Parent();
    Box* parentBox = parent != nullptr ? parent->LayoutBox() : nullptr;
    if (box == nullptr || parentBox == nullptr || parentBox->Kind == BoxKind::Replaced)
        return;
    AddDamage(parentBox->Used().PageRect());
    element.SetLayoutBox(nullptr);
    while (parent != nullptr && parentBox != nullptr) {
        BoxKind kind = parentBox->Kind;
        BuildChildren(*parentBox, *parent);
        parentBox->MarkNeedsLayout();
        if (parentBox->Kind == kind)
            break;
        // An inline that held a block and now holds none joins its siblings' lines again.
        parent = parent->Parent();
        parentBox = parent != nullptr ? parent->LayoutBox() : nullptr;
    }
}

void LayoutTree::DeclineWindow(Element& element)
{
    m_windowSlots[&element].Settled = true;
}

void LayoutTree::Clear()
{
    if (m_root)
        Destroy(*m_root);
    m_root.reset();
    m_sticky.clear();
}

void LayoutTree::Destroy(Box& top)
{
    std::vector<Box*> pending{&top};
    while (!pending.empty()) {
        Box* box = pending.back();
        pending.pop_back();
        if (box->Kind == BoxKind::Text)
            continue;  // no element, no children
        if (box->Owner != nullptr && box->Owner->LayoutBox() == box)
            box->Owner->SetLayoutBox(nullptr);
        if (!m_sticky.empty())
            std::erase(m_sticky, box);
        for (auto& child : box->Children())
            pending.push_back(child.get());
    }
}

std::unique_ptr<Box> LayoutTree::BuildBox(Element& element)
{
    const auto& style = element.Computed();
    if (!style || style->Box.Show == Display::None || style->Box.Show == Display::TableColumn ||
        style->Box.Show == Display::TableColumnGroup)
        return nullptr;
    auto box = std::make_unique<ElementBox>(KindOf(element, *style));
    box->Owner = &element;
    box->Style = style;
    element.SetLayoutBox(box.get());
    if (MayHoldWindow(element))
        OfferWindowSlot(element);
    if (box->IsSticky())
        m_sticky.push_back(box.get());
    if (box->Kind == BoxKind::Cell)
        ReadSpans(*box);
    if (box->Kind == BoxKind::Replaced) {
        if (auto slot = m_windowSlots.find(&element); slot != m_windowSlots.end() && slot->second.Filled) {
            box->Rare().IntrinsicWidth = slot->second.Width;
            box->Rare().IntrinsicHeight = slot->second.Height;
        } else if (element.Tag() == "img") {
            if (const std::wstring* src = element.FindAttribute("src"))
                box->Rare().Picture = m_images(element, *src);
        } else if (const ControlBox* control = ControlBox::For(element)) {
            control->Measure(*box, m_measurer, m_dpi);
        }
        return box;
    }
    if (box->Kind != BoxKind::LineBreak)  // a script may put elements into a br: they never show
        BuildChildren(*box, element);
    return box;
}

void LayoutTree::BuildChildren(Box& box, Element& element)
{
    ++m_childListsMade;
    // Boxes of children that stay are kept with their caches; the others are made.
    std::map<Element*, std::unique_ptr<Box>> kept;
    std::vector<std::unique_ptr<Box>> old;
    old.swap(box.Children());
    while (!old.empty()) {
        std::unique_ptr<Box> child = std::move(old.back());
        old.pop_back();
        if (child->Owner == nullptr && child->Kind == BoxKind::Block) {
            for (auto& inner : child->Children())
                old.push_back(std::move(inner));
            continue;
        }
        if (child->Owner != nullptr && child->Owner->Parent() == &element && child->Owner->LayoutBox() == child.get() &&
            child->Owner->Computed() == child->Style)
            kept[child->Owner] = std::move(child);
        else
            Destroy(*child);
    }
    box.ClearLines();
    box.InlineContent = false;
    box.InvalidateTableGrid();
    std::vector<std::unique_ptr<Box>> children;
    for (Node* node : element.Nodes()) {
        if (node->IsElement()) {
            auto* childElement = static_cast<Element*>(node);
            auto found = kept.find(childElement);
            std::unique_ptr<Box> child;
            if (found != kept.end()) {
                child = std::move(found->second);
                kept.erase(found);
            } else {
                child = BuildBox(*childElement);
            }
            if (child)
                children.push_back(std::move(child));
        } else if (box.Kind != BoxKind::Table && box.Kind != BoxKind::RowGroup && box.Kind != BoxKind::Row) {
            children.push_back(std::make_unique<TextBox>(*static_cast<Text*>(node), box.Style));
        }
    }
    for (auto& [owner, child] : kept)
        Destroy(*child);

    if (box.Kind == BoxKind::Table || box.Kind == BoxKind::RowGroup || box.Kind == BoxKind::Row) {
        for (auto& child : children) {
            child->Parent = &box;
            box.Children().push_back(std::move(child));
        }
        return;
    }
    bool anyBlock = std::any_of(children.begin(), children.end(), [](const auto& c) { return !IsInlineLevel(*c); });
    if (box.Owner != nullptr && box.Kind == BoxKind::Block && KindFor(*box.Owner, box.S()) == BoxKind::Inline && !anyBlock) {
        // It held a block before and holds none now: inline again. An inline box stands at its
        // parent's origin with no size, its pieces carry where it shows: its place and size as a
        // block go (the old area was damaged before its children were made).
        box.Kind = BoxKind::Inline;
        UsedValues& u = box.Used();
        u.X = u.Y = u.Width = u.Height = 0;
    }
    if (box.Kind == BoxKind::Inline && anyBlock)
        box.Kind = BoxKind::Block;  // a block inside an inline: the inline acts as a block
    if (!anyBlock) {
        box.InlineContent = box.Kind != BoxKind::Inline && !children.empty();
        for (auto& child : children) {
            child->Parent = &box;
            box.Children().push_back(std::move(child));
        }
        return;
    }
    // Block children and runs of inline ones: each run goes into an anonymous block.
    std::unique_ptr<Box> run;
    auto flush = [&] {
        if (!run)
            return;
        bool blank = std::all_of(run->Children().begin(), run->Children().end(), [](const auto& c) { return IsWhitespaceText(*c); });
        if (!blank) {
            run->InlineContent = true;
            run->Parent = &box;
            box.Children().push_back(std::move(run));
        }
        run.reset();
    };
    for (auto& child : children) {
        if (IsInlineLevel(*child)) {
            if (!run) {
                run = std::make_unique<ElementBox>(BoxKind::Block);
                run->Style = AnonymousStyle(box.S());
            }
            child->Parent = run.get();
            run->Children().push_back(std::move(child));
        } else {
            flush();
            child->Parent = &box;
            box.Children().push_back(std::move(child));
        }
    }
    flush();
}

void LayoutTree::Apply(Document& document, StyleChanges changes)
{
    if (changes.Full || !m_root) {
        Clear();
        m_root = BuildBox(document.Root());
        AddDamage({0, 0, std::max(m_width, 1), std::max(m_height, 1)});
        changes.Release();
        return;
    }
    // Each element's children are made once, deepest first: a parent made after its children
    // keeps the boxes they just got, and a new child's whole subtree comes with its parent's.
    RebuildQueue rebuild;
    for (Element* element : changes.Rebuild)
        rebuild.Add(element);
    for (auto& [element, change] : changes.Styles) {
        if (element->OwnerDocument() != &document)
            continue;
        Box* box = element->LayoutBox();
        const auto& style = element->Computed();
        bool shown = style && style->Box.Show != Display::None;
        if (box == nullptr || !shown || KindOf(*element, *style) != box->Kind ||
            style->Box.Show != box->S().Box.Show || LeavesFlow(*style) != LeavesFlow(box->S())) {
            if (box == nullptr && !shown)
                continue;
            if (element->Parent() != nullptr) {
                rebuild.Add(element->Parent());
            } else {
                // The root changed its kind or hid itself: the whole tree anew.
                Clear();
                m_root = BuildBox(*element);
                AddDamage({0, 0, std::max(m_width, 1), std::max(m_height, 1)});
            }
            continue;
        }
        Repaint(*element);
        box->Style = style;
        if (box->IsSticky() && std::find(m_sticky.begin(), m_sticky.end(), box) == m_sticky.end())
            m_sticky.push_back(box);
        if (box->Kind == BoxKind::Cell) {
            ReadSpans(*box);
            if (box->Parent != nullptr)
                box->Parent->InvalidateTableGrid();
        }
        // Text keeps its measured runs when only paint changed; the font is interned again for
        // decorations, which do not change widths.
        // (A structured binding is copied in by name: not every compiler lets a lambda capture one.)
        auto restyleText = [&, relayout = change == StyleChange::Relayout](Box& text) {
            text.Style = style;
            text.RunsFont = relayout || text.RunsFont < 0 ? -1 : m_measurer.Intern(style->Inherited.Font);
        };
        for (auto& child : box->Children()) {
            if (child->Kind == BoxKind::Text) {
                restyleText(*child);
            } else if (child->Owner == nullptr) {
                child->Style = AnonymousStyle(*style);
                if (change == StyleChange::Relayout) {
                    child->NeedsLayout = true;
                    child->Cache().MinContent = child->Cache().MaxContent = -1;
                }
                for (auto& inner : child->Children()) {
                    if (inner->Kind == BoxKind::Text)
                        restyleText(*inner);
                }
            }
        }
        if (change == StyleChange::Relayout)
            box->MarkNeedsLayout();
    }
    while (Element* element = rebuild.Next()) {
        if (element->OwnerDocument() != &document)
            continue;
        Box* box = element->LayoutBox();
        if (element == &document.Root() && box == nullptr) {
            Clear();
            m_root = BuildBox(document.Root());
            AddDamage({0, 0, std::max(m_width, 1), std::max(m_height, 1)});
            continue;
        }
        if (box == nullptr) {
            // Shown again: its parent makes its box among its siblings.
            if (element->Parent() != nullptr && element->Parent()->LayoutBox() != nullptr)
                rebuild.Add(element->Parent());
            continue;
        }
        BoxKind wanted = KindOf(*element, box->S());
        if (wanted != box->Kind && !(wanted == BoxKind::Inline && box->Kind == BoxKind::Block) &&
            element->Parent() != nullptr) {
            // An input that gained or lost content changes kind: its parent makes its box anew.
            element->SetLayoutBox(nullptr);
            rebuild.Add(element->Parent());
            continue;
        }
        if (box->Kind == BoxKind::Replaced || box->Kind == BoxKind::LineBreak)
            continue;
        AddDamage(box->Used().PageRect());
        BoxKind kind = box->Kind;
        BuildChildren(*box, *element);
        box->MarkNeedsLayout();
        // An inline that became a block or back joins or leaves its siblings' lines.
        if (box->Kind != kind && element->Parent() != nullptr)
            rebuild.Add(element->Parent());
    }
    changes.Release();
}

void LayoutTree::ElementLeaving(Element& element)
{
    // Its slot ends here; a slot not yet taken lets its element go when it is.
    m_windowSlots.erase(&element);
    m_popups.erase(std::remove_if(m_popups.begin(), m_popups.end(),
                                  [&](const PopupAnchor& p) { return p.Popup == &element || p.Anchor == &element; }),
                   m_popups.end());
    Box* box = element.LayoutBox();
    if (box == nullptr)
        return;
    AddDamage(box->Used().PageRect());
    Box* parent = box->Parent;
    if (parent != nullptr)
        parent->InvalidateTableGrid();
    Destroy(*box);
    if (parent == nullptr) {
        m_root.reset();
        return;
    }
    auto found = std::find_if(parent->Children().begin(), parent->Children().end(), [box](const auto& c) { return c.get() == box; });
    if (found != parent->Children().end())
        parent->Children().erase(found);
    parent->MarkNeedsLayout();
    for (Box* at = parent; at != nullptr; at = at->Parent)
        at->ClearLines();  // line items may name the removed box until the next layout
}

bool LayoutTree::Layout(int width, int height)
{
    if (!m_root)
        return false;
    if (width != m_width || height != m_height) {
        m_width = width;
        m_height = height;
        AddDamage({0, 0, std::max(width, 1), std::max(height, 1)});
    }
    LayoutContext context{m_measurer, width, height, m_scrollbar, m_dpi, ++m_generation};
    bool laidOut = m_root->NeedsLayout || m_root->Cache().LastAvailable != width || m_root->Cache().LastAvailableHeight != height;
    if (laidOut) {
        BlockLayout::Layout(*m_root, width, height, context);
        m_root->Used().X = m_root->Used().Margin.Left;
        m_root->Used().Y = m_root->Used().Margin.Top;
    }
    std::vector<Rect> damage;
    Place(*m_root, 0, 0, &damage, m_generation);
    PlaceSticky(damage);
    PlacePopups(damage);
    for (const Rect& area : damage)
        AddDamage(area);
    return laidOut;
}

// Page positions for the boxes below top. A box that did not move and that this layout pass
// left alone keeps the positions below it: only what moved is walked.
void LayoutTree::Place(Box& top, int originX, int originY, std::vector<Rect>* damage, unsigned generation)
{
    struct Pending {
        Box* Target;
        int X, Y;
    };
    std::vector<Pending> pending{{&top, originX, originY}};
    while (!pending.empty()) {
        Pending at = pending.back();
        pending.pop_back();
        Box& box = *at.Target;
        if (box.Kind == BoxKind::Text)
            continue;  // its text is placed in its container's lines
        UsedValues& u = box.Used();
        int x = ClampToCap(static_cast<long long>(at.X) + u.X);
        int y = ClampToCap(static_cast<long long>(at.Y) + u.Y);
        if (box.Style && box.S().Box.Place == Position::Relative) {
            Point shift = RelativeShift(box, m_width, m_height);
            x = ClampToCap(static_cast<long long>(x) + shift.X);
            y = ClampToCap(static_cast<long long>(y) + shift.Y);
        }
        if (box.IsSticky()) {
            Point shift = StickyShiftAt(box, x, y);
            if (shift != box.StickyShift())
                box.Rare().Sticky = shift;
            x = ClampToCap(static_cast<long long>(x) + shift.X);
            y = ClampToCap(static_cast<long long>(y) + shift.Y);
        } else if (BoxRare* rare = box.RarePart()) {
            rare->Sticky = {};
        }
        bool moved = x != u.PageX || y != u.PageY || !box.Placed;
        if (damage != nullptr && moved) {
            if (box.Placed)
                damage->push_back(u.PageRect());
            damage->push_back({x, y, u.Width, u.Height});
        }
        box.Placed = true;
        u.PageX = x;
        u.PageY = y;
        // A box still needing layout is one no layout reaches (a block straight in a row): its
        // children may be new.
        if (!moved && generation != 0 && box.Cache().Generation != generation && &box != &top && box.Kind != BoxKind::Inline &&
            !box.NeedsLayout)
            continue;
        Point origin = box.ContentOrigin();
        if (box.Kind == BoxKind::Inline)
            origin = {x, y};
        for (auto& child : box.Children())
            pending.push_back({child.get(), origin.X, origin.Y});
    }
}

// Sticky boxes that the walk above left alone may still have to move: what holds them grew, or
// their scroller's view changed. Outer ones first, so that inner ones shift from their place.
void LayoutTree::PlaceSticky(std::vector<Rect>& damage)
{
    std::erase_if(m_sticky, [](const Box* box) { return !box->IsSticky(); });
    if (m_sticky.empty())
        return;
    for (const Box* sticky : StickyBoxesIn(*m_root)) {
        Box& box = *const_cast<Box*>(sticky);
        Point old = box.StickyShift();
        int x = box.Used().PageX - old.X;
        int y = box.Used().PageY - old.Y;
        if (StickyShiftAt(box, x, y) != old)
            Place(box, x - box.Used().X, y - box.Used().Y, &damage, 0);
    }
}

std::vector<const Box*> LayoutTree::StickyBoxesIn(const Box& top) const
{
    std::vector<std::pair<int, const Box*>> found;
    for (const Box* sticky : m_sticky) {
        if (!sticky->IsSticky() || !sticky->Placed)
            continue;
        int depth = 0;
        for (const Box* at = sticky->Parent; at != nullptr; at = at->Parent, ++depth) {
            if (at == &top) {
                found.emplace_back(depth, sticky);
                break;
            }
            if (at->Owner != nullptr && (at->Owner->State() & kStatePopup) != 0)
                break;  // in a popup, which shows in a window of its own
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const Box*> boxes;
    boxes.reserve(found.size());
    for (const auto& [depth, box] : found)
        boxes.push_back(box);
    return boxes;
}

void LayoutTree::StickyCover(const Box& scroller, const Box& target, int& top, int& bottom) const
{
    top = bottom = 0;
    int viewHeight = ScrollView(scroller).Height;
    for (const Box* sticky : m_sticky) {
        if (!sticky->IsSticky() || NearestScroller(*sticky) != &scroller || IsInside(target, *sticky) ||
            IsInside(*sticky, target))
            continue;
        const Box* container = StickyContainer(*sticky);
        if (container == nullptr || !IsInside(target, *container))
            continue;
        const BoxStyle& s = sticky->S().Box;
        if (!s.Offsets.Top.IsAuto())
            top = std::max(top, s.Offsets.Top.Resolve(viewHeight) + sticky->Used().Height + sticky->Used().Margin.Bottom);
        else if (!s.Offsets.Bottom.IsAuto())
            bottom = std::max(bottom, s.Offsets.Bottom.Resolve(viewHeight) + sticky->Used().Height + sticky->Used().Margin.Top);
    }
}

void LayoutTree::SetPopupAnchor(Element& popup, Element* anchor, unsigned placement)
{
    m_popups.erase(std::remove_if(m_popups.begin(), m_popups.end(), [&](const PopupAnchor& p) { return p.Popup == &popup; }),
                   m_popups.end());
    if (anchor != nullptr)
        m_popups.push_back({&popup, anchor, placement});
}

std::vector<Box*> LayoutTree::ShownPopups() const
{
    std::vector<Box*> shown;
    for (const PopupAnchor& popup : m_popups) {
        Box* box = popup.Popup->LayoutBox();
        if (box != nullptr && (popup.Popup->State() & kStatePopup) != 0)
            shown.push_back(box);
    }
    return shown;
}

void LayoutTree::PlacePopups(std::vector<Rect>& damage)
{
    for (const PopupAnchor& popup : m_popups) {
        Box* box = popup.Popup->LayoutBox();
        Rect anchor;
        if (box == nullptr || (popup.Popup->State() & kStatePopup) == 0 || !PageRectOf(*popup.Anchor, anchor))
            continue;
        int height = box->Used().Height + box->Used().Margin.Vertical();
        bool above = popup.Placement == 8 ? anchor.Y - height >= 0 : anchor.Bottom() + height > m_height && anchor.Y - height >= 0;
        int x = std::max(0, std::min(anchor.X, m_width - box->Used().Width));
        int y = above ? anchor.Y - height : anchor.Bottom();
        int dx = x + box->Used().Margin.Left - box->Used().PageX;
        int dy = y + box->Used().Margin.Top - box->Used().PageY;
        if (dx == 0 && dy == 0)
            continue;
        damage.push_back(box->Used().PageRect());
        box->Used().X += dx;
        box->Used().Y += dy;
        Place(*box, box->Used().PageX - (box->Used().X - dx), box->Used().PageY - (box->Used().Y - dy), &damage, 0);
    }
}

Rect LayoutTree::TakeDamage()
{
    Rect damage = m_damage;
    m_damage = {};
    return damage;
}

void LayoutTree::AddDamage(const Rect& area)
{
    if (area.Empty())
        return;
    if (m_damage.Empty()) {
        m_damage = area;
        return;
    }
    int left = std::min(m_damage.X, area.X);
    int top = std::min(m_damage.Y, area.Y);
    int right = std::max(m_damage.Right(), area.Right());
    int bottom = std::max(m_damage.Bottom(), area.Bottom());
    m_damage = {left, top, right - left, bottom - top};
}

void LayoutTree::Repaint(Element& element)
{
    Rect area;
    if (PageRectOf(element, area))
        AddDamage(area);
}

bool LayoutTree::PageRectOf(const Element& element, Rect& rect) const
{
    const Box* box = element.LayoutBox();
    if (box == nullptr)
        return false;
    if (box->Kind != BoxKind::Inline) {
        rect = box->Used().PageRect();
        return true;
    }
    if (box->Fragments().empty()) {
        rect = {box->Used().PageX, box->Used().PageY, 0, 0};
        return true;
    }
    int left = box->Fragments().front().X, top = box->Fragments().front().Y;
    int right = box->Fragments().front().Right(), bottom = box->Fragments().front().Bottom();
    for (const Rect& fragment : box->Fragments()) {
        left = std::min(left, fragment.X);
        top = std::min(top, fragment.Y);
        right = std::max(right, fragment.Right());
        bottom = std::max(bottom, fragment.Bottom());
    }
    rect = {box->Used().PageX + left, box->Used().PageY + top, right - left, bottom - top};
    return true;
}

namespace {

// Whether a point of the page reaches a sticky box through what clips it on the way up to top.
bool ReachesThrough(const Box& sticky, const Box& top, Point page)
{
    for (const Box* at = sticky.Parent; at != nullptr; at = at->Parent) {
        Rect area = at->Used().PageRect();
        if (at->S().Clips() && at->Kind != BoxKind::Inline && !area.Contains(page))
            return false;
        if (at->IsScroller() && OnScrollBar(*at, page))
            return false;
        if (at == &top)
            break;
    }
    return true;
}

} // namespace

Element* LayoutTree::HitTest(Point page, Point& relative, const Box* within) const
{
    if (!m_root)
        return nullptr;
    // Depth-first, later boxes first: what paints last is on top.
    struct Hit {
        const Box* Target = nullptr;
        Rect Area;
    };
    Hit best;
    const Box& top = within != nullptr ? *within : *m_root;
    std::vector<Box*> popups = within != nullptr ? std::vector<Box*>() : ShownPopups();
    std::vector<const Box*> pending;
    auto walk = [&](const Box& start) {
        pending.assign(1, &start);
        while (!pending.empty()) {
            const Box* box = pending.back();
            pending.pop_back();
            if (box->Kind == BoxKind::Text || box->Kind == BoxKind::LineBreak || box->Rare().Ellipsed)
                continue;
            if (box != &start && box->IsSticky())
                continue;  // over the rest: hit after it
            if (!popups.empty() && std::find(popups.begin(), popups.end(), box) != popups.end())
                continue;  // shown in a window of its own
            bool visible = box->S().Inherited.Visible == Visibility::Visible;
            Rect area = box->Used().PageRect();
            if (box->Kind == BoxKind::Inline) {
                for (const Rect& fragment : box->Fragments()) {
                    Rect piece = fragment.Translated(box->Used().PageX, box->Used().PageY);
                    if (visible && piece.Contains(page))
                        best = {box, piece};
                }
            } else if (visible && area.Contains(page)) {
                best = {box, area};
            }
            if (box->S().Clips() && box->Kind != BoxKind::Inline && !area.Contains(page))
                continue;
            // The bars belong to the box, not to what scrolls under them.
            if (box->IsScroller() && area.Contains(page) && OnScrollBar(*box, page))
                continue;
            for (auto it = box->Children().begin(); it != box->Children().end(); ++it)
                pending.push_back(it->get());
            // Children are visited after their parent (the stack pops the first child last):
            // reverse so that later siblings, painted on top, are visited later and win.
            std::reverse(pending.end() - static_cast<std::ptrdiff_t>(box->Children().size()), pending.end());
        }
    };
    walk(top);
    if (!m_sticky.empty()) {
        for (const Box* sticky : StickyBoxesIn(top)) {
            if (ReachesThrough(*sticky, top, page))
                walk(*sticky);
        }
    }
    const Box* hit = best.Target;
    while (hit != nullptr && hit->Owner == nullptr)
        hit = hit->Parent;
    if (hit == nullptr && within != nullptr)
        return nullptr;
    if (hit == nullptr) {
        // The canvas beyond the root's box is still the root's.
        relative = {page.X - m_root->Used().PageX, page.Y - m_root->Used().PageY};
        return m_root->Owner;
    }
    Rect area = hit == best.Target ? best.Area : hit->Used().PageRect();
    relative = {page.X - area.X, page.Y - area.Y};
    return hit->Owner;
}

bool LayoutTree::ScrollTo(Box& box, int x, int y)
{
    x = std::clamp(x, 0, std::max(0, box.Used().ContentWidth - box.ContentWidthInner()));
    y = std::clamp(y, 0, std::max(0, box.Used().ContentHeight - box.ContentHeightInner()));
    if (x == box.ScrollOffset().X && y == box.ScrollOffset().Y)
        return false;
    box.Rare().Scroll = {x, y};
    AddDamage(box.Used().PageRect());
    Point origin = box.ContentOrigin();
    for (auto& child : box.Children())
        Place(*child, origin.X, origin.Y, nullptr, 0);
    return true;
}

int LayoutTree::MinWidth()
{
    return IntrinsicWidths().first;
}

int LayoutTree::MaxWidth()
{
    return IntrinsicWidths().second;
}

std::pair<int, int> LayoutTree::IntrinsicWidths()
{
    if (!m_root)
        return {0, 0};
    LayoutContext context{m_measurer, m_width, m_height, m_scrollbar, m_dpi, m_generation};
    int minWidth = 0, maxWidth = 0;
    BlockLayout::Intrinsic(*m_root, context, minWidth, maxWidth);
    int margins = m_root->Used().Margin.Horizontal();
    return {minWidth + margins, maxWidth + margins};
}

int LayoutTree::MinHeight(int width)
{
    if (!m_root)
        return 0;
    int savedWidth = m_width, savedHeight = m_height;
    Layout(width, 0);
    int height = m_root->Used().Height + m_root->Used().Margin.Vertical();
    Layout(savedWidth, savedHeight);
    m_damage = {};
    AddDamage({0, 0, std::max(savedWidth, 1), std::max(savedHeight, 1)});
    return height;
}

std::string LayoutTree::Dump() const
{
    std::string out;
    if (!m_root)
        return out;
    struct Pending {
        const Box* Target;
        int Depth;
    };
    std::vector<Pending> pending{{m_root.get(), 0}};
    while (!pending.empty()) {
        auto [box, depth] = pending.back();
        pending.pop_back();
        if (box->Kind == BoxKind::Text)
            continue;
        Indent(out, depth);
        out += Label(*box);
        if (box->Kind == BoxKind::Inline) {
            for (const Rect& fragment : box->Fragments())
                AppendRect(out, box->Used().PageX + fragment.X, box->Used().PageY + fragment.Y, fragment.Width, fragment.Height);
        } else {
            AppendRect(out, box->Used().PageX, box->Used().PageY, box->Used().Width, box->Used().Height);
        }
        if (box->IsScroller())
            out += " content=" + std::to_string(box->Used().ContentWidth) + "x" + std::to_string(box->Used().ContentHeight) +
                   " at=" + std::to_string(box->ScrollOffset().X) + "," + std::to_string(box->ScrollOffset().Y);
        out += "\n";
        Point origin = box->ContentOrigin();
        for (const LineBox& line : box->Lines()) {
            Indent(out, depth + 1);
            out += "line";
            AppendRect(out, origin.X + line.Area.X, origin.Y + line.Area.Y, line.Area.Width, line.Area.Height);
            out += "\n";
            for (const LineItem& item : line.Items) {
                if (item.Ellipsis) {
                    Indent(out, depth + 2);
                    out += "ellipsis";
                    AppendRect(out, origin.X + item.Area.X, origin.Y + item.Area.Y, item.Area.Width, item.Area.Height);
                    out += "\n";
                    continue;
                }
                if (item.Source->Kind != BoxKind::Text)
                    continue;
                Indent(out, depth + 2);
                std::wstring text = item.Source->TextData().substr(item.Start, item.Length);
                std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\n' || c == L'\r' || c == L'\t'; }, L' ');
                out += "text \"" + WideToUtf8(text) + "\"";
                AppendRect(out, origin.X + item.Area.X, origin.Y + item.Area.Y, item.Area.Width, item.Area.Height);
                out += "\n";
            }
        }
        for (auto it = box->Children().rbegin(); it != box->Children().rend(); ++it)
            pending.push_back({it->get(), depth + 1});
    }
    return out;
}

} // namespace Engine
