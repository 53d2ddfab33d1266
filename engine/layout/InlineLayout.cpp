#include "engine/layout/LayoutContext.h"

#include "engine/dom/Element.h"

#include <algorithm>

namespace Engine {

namespace {

bool IsCollapsibleSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

// One piece of the flattened inline content.
struct Piece {
    enum class Kind { Word, Space, Break, Atomic, Edge } Type = Kind::Word;
    Box* Source = nullptr;
    std::size_t Start = 0;
    std::size_t Length = 0;
    int Width = 0;
    FontId Font = 0;
    bool NoWrap = false;
};

// Piece lists are kept for the next container: layout flattens thousands of them, and an
// inline block inside a line flattens its own content while its container's list is in use.
class PieceList {
public:
    PieceList()
    {
        if (Spare().empty()) {
            m_pieces.reserve(64);
        } else {
            m_pieces = std::move(Spare().back());
            Spare().pop_back();
            m_pieces.clear();
        }
    }
    ~PieceList()
    {
        if (Spare().size() < 64)
            Spare().push_back(std::move(m_pieces));
    }
    PieceList(const PieceList&) = delete;
    PieceList& operator=(const PieceList&) = delete;
    std::vector<Piece>& Get() { return m_pieces; }

private:
    static std::vector<std::vector<Piece>>& Spare()
    {
        static std::vector<std::vector<Piece>> spare;
        return spare;
    }
    std::vector<Piece> m_pieces;
};

struct Flattener {
    Flattener(TextMeasurer& measurer, LayoutContext* context, int width) : Measurer(measurer), Context(context), Width(width) {}

    TextMeasurer& Measurer;
    LayoutContext* Context;  // null: intrinsic widths only, atomic boxes not laid out
    int Width;
    PieceList List;
    std::vector<Piece>& Pieces = List.Get();
    bool LastWasSpace = true;

    void Walk(Box& box)
    {
        for (auto& child : box.Children()) {
            Box& c = *child;
            switch (c.Kind) {
            case BoxKind::Text: AddText(c); break;
            case BoxKind::LineBreak:
                Pieces.push_back({Piece::Kind::Break, &c});
                LastWasSpace = true;
                break;
            case BoxKind::Inline: {
                c.Fragments().clear();
                BlockLayout::ResolveEdges(c, Width);
                int left = c.Used().Margin.Left + c.Used().Border.Left + c.Used().Padding.Left;
                int right = c.Used().Margin.Right + c.Used().Border.Right + c.Used().Padding.Right;
                // Start tells the opening edge (0) from the closing one (1).
                if (left != 0)
                    Pieces.push_back({Piece::Kind::Edge, &c, 0, 0, left});
                Walk(c);
                if (right != 0)
                    Pieces.push_back({Piece::Kind::Edge, &c, 1, 0, right});
                break;
            }
            default: AddAtomic(c); break;
            }
        }
    }

    void AddText(Box& text)
    {
        InlineLayout::PrepareText(text, Measurer);
        WhiteSpace space = text.S().Inherited.Space;
        bool noWrap = space == WhiteSpace::NoWrap || space == WhiteSpace::Pre;
        bool preserve = space == WhiteSpace::Pre || space == WhiteSpace::PreWrap;
        for (const TextRun& run : text.AsText().Runs) {
            if (run.Newline) {
                Pieces.push_back({Piece::Kind::Break, &text});
                LastWasSpace = true;
            } else if (run.Space && !preserve) {
                if (!LastWasSpace)
                    Pieces.push_back({Piece::Kind::Space, &text, run.Start, run.Length, run.Width, text.RunsFont, noWrap});
                LastWasSpace = true;
            } else if (run.Space && !noWrap) {
                // Kept spaces that may wrap (pre-wrap): each one a break opportunity, none collapsed.
                Pieces.push_back({Piece::Kind::Space, &text, run.Start, run.Length, run.Width, text.RunsFont, false});
                LastWasSpace = false;
            } else {
                Pieces.push_back({Piece::Kind::Word, &text, run.Start, run.Length, run.Width, text.RunsFont, noWrap});
                LastWasSpace = false;
            }
        }
    }

    void AddAtomic(Box& box)
    {
        // Inside text that must not wrap, an atomic box is no break opportunity either.
        WhiteSpace space = box.Parent != nullptr ? box.Parent->S().Inherited.Space : WhiteSpace::Normal;
        bool noWrap = space == WhiteSpace::NoWrap || space == WhiteSpace::Pre;
        int width = 0;
        int minWidth = 0;
        if (Context != nullptr) {
            BlockLayout::Layout(box, Width, -1, *Context);
            width = box.Used().Width + box.Used().Margin.Horizontal();
        } else {
            LayoutContext scratch{Measurer};
            BlockLayout::Intrinsic(box, scratch, minWidth, width);
        }
        Piece piece{Piece::Kind::Atomic, &box, static_cast<std::size_t>(minWidth), 0, width};
        piece.NoWrap = noWrap;
        Pieces.push_back(piece);
        LastWasSpace = false;
    }
};

// Whether a line may break before pieces[at]: after a space that may wrap, the edges of inline
// boxes between them.
bool BreaksAfter(const std::vector<Piece>& pieces, std::size_t at, std::size_t lineStart)
{
    while (at > lineStart) {
        const Piece& before = pieces[--at];
        if (before.Type != Piece::Kind::Edge)
            return before.Type == Piece::Kind::Space && !before.NoWrap;
    }
    return false;
}

// The last baseline inside a block container, from its border box's top; -1 without any line.
int LastBaseline(const Box& box)
{
    if (box.InlineContent) {
        for (auto line = box.Lines().rbegin(); line != box.Lines().rend(); ++line) {
            for (const LineItem& item : line->Items) {
                if (!item.Ellipsis && item.Source->Kind == BoxKind::Text)
                    return item.Area.Y + item.Baseline;
            }
        }
        return -1;
    }
    for (auto child = box.Children().rbegin(); child != box.Children().rend(); ++child) {
        const Box& c = **child;
        const BoxStyle& s = c.S().Box;
        // Out of flow, as a shown popup is, which lies in a window of its own.
        const bool popup = c.Owner != nullptr && (c.Owner->State() & kStatePopup) != 0;
        if (c.Kind != BoxKind::Block || popup || s.IsFloat() || s.Place == Position::Absolute || s.Place == Position::Fixed)
            continue;
        int baseline = LastBaseline(c);
        if (baseline >= 0)
            return c.Used().Y + baseline;
    }
    return -1;
}

// Where an atomic box's baseline stands below its margin box's top (10.8.1): an inline-block's
// is its last line's, unless it has none or clips its overflow; an input's that of the text it
// draws, as browsers have it; anything else's its bottom.
int AtomicBaseline(const Box& box, TextMeasurer& measurer)
{
    int height = box.Used().Height + box.Used().Margin.Vertical();
    if (box.Kind == BoxKind::Replaced && box.RunsFont >= 0 && !box.Rare().Picture) {
        const FontMetrics& font = measurer.Metrics(box.RunsFont);
        return box.Used().Margin.Top + box.Used().ContentY() + std::max(0, (box.Used().ContentHeight - font.Height) / 2) + font.Ascent;
    }
    if (box.Kind != BoxKind::Block || box.S().Box.Show != Display::InlineBlock || box.S().Clips())
        return height;
    int baseline = LastBaseline(box);
    return baseline >= 0 ? box.Used().Margin.Top + baseline : height;
}

// The edge of an inline box on a line: its margin, border and padding at one end.
struct EdgeMark {
    Box* Owner;
    int Left, Right;
    bool Opening;
};

struct LineMetrics {
    int Above = 0;
    int Below = 0;
};

// text-overflow: ellipsis (CSS Overflow 3, 2.2): characters and atomic boxes at the end of a line
// that passes the content box's edge go until the ellipsis fits after what stays. The first
// character or atomic box of the line always stays, clipped rather than ellipsed, and the ellipsis
// then follows it beyond the edge, where the box's clip hides it.
void Ellipsize(LineBox& line, Box& container, int edge, FontId font, const FontMetrics& metrics, int baseline,
               TextMeasurer& measurer)
{
    constexpr std::wstring_view kEllipsis = L"\u2026";
    int ellipsisWidth = measurer.Width(font, kEllipsis);
    int limit = edge - ellipsisWidth;
    int end = line.Area.X;  // where the ellipsis goes
    std::size_t kept = 0;
    for (std::size_t i = 0; i < line.Items.size(); ++i) {
        LineItem& item = line.Items[i];
        if (item.Area.Right() <= limit) {
            end = item.Area.Right();
            kept = i + 1;
            continue;
        }
        if (item.Source->Kind != BoxKind::Text) {
            if (i == 0) {
                end = item.Area.Right();
                kept = 1;
            }
            break;
        }
        const std::wstring& text = item.Source->TextData();
        std::size_t length = 0;
        int x = item.Area.X;
        while (length < item.Length && item.Start + length < text.size()) {
            // A character outside the Basic Multilingual Plane goes whole.
            wchar_t c = text[item.Start + length];
            std::size_t step = c >= 0xD800 && c <= 0xDBFF && length + 1 < item.Length ? 2 : 1;
            int width = step == 2 ? measurer.Width(item.Source->RunsFont, std::wstring_view(text).substr(item.Start + length, 2))
                                  : measurer.Width(item.Source->RunsFont, std::wstring_view(IsCollapsibleSpace(c) ? L" " : &c, 1));
            if (x + width > limit && (i > 0 || length > 0))
                break;
            x += width;
            length += step;
        }
        if (length > 0) {
            item.Length = static_cast<std::uint32_t>(length);
            item.Area.Width = x - item.Area.X;
            end = x;
            kept = i + 1;
        }
        break;
    }
    for (std::size_t i = kept; i < line.Items.size(); ++i) {
        if (line.Items[i].Source->Kind != BoxKind::Text)
            line.Items[i].Source->Rare().Ellipsed = true;
    }
    line.Items.resize(kept);
    LineItem ellipsis;
    ellipsis.Area = {end, line.Area.Y + baseline - metrics.Ascent, ellipsisWidth, metrics.Height};
    ellipsis.Baseline = metrics.Ascent;
    ellipsis.Source = &container;
    ellipsis.Ellipsis = true;
    line.Items.push_back(ellipsis);
    line.Area.Width = std::max(0, end + ellipsisWidth - line.Area.X);
}

// An anonymous block's lines are its parent's: they clip and end as the parent says.
const ComputedStyle& OverflowStyleOf(const Box& container)
{
    return container.Owner == nullptr && container.Parent != nullptr ? container.Parent->S() : container.S();
}

} // namespace

FontId InlineLayout::FontOf(const Box& box, TextMeasurer& measurer)
{
    const ComputedStyle& style = box.S();
    if (style.FontMeasurer != &measurer) {
        style.FontHandle = measurer.Intern(style.Inherited.Font);
        style.FontMeasurer = &measurer;
    }
    return style.FontHandle;
}

int InlineLayout::LineHeightOf(const ComputedStyle& style, const FontMetrics& metrics)
{
    if (style.Inherited.LineHeight >= 0)
        return style.Inherited.LineHeight;
    if (style.Inherited.LineHeightFactor > 0)
        return static_cast<int>(style.Inherited.LineHeightFactor * static_cast<float>(style.Inherited.Font.SizePx) + 0.5f);
    return metrics.LineHeight;
}

void InlineLayout::PrepareText(Box& text, TextMeasurer& measurer)
{
    FontId font = FontOf(text, measurer);
    if (text.RunsFont == font)
        return;
    text.RunsFont = font;
    std::vector<TextRun>& runs = text.AsText().Runs;
    runs.clear();
    WhiteSpace space = text.S().Inherited.Space;
    bool keepSpaces = space == WhiteSpace::Pre || space == WhiteSpace::PreWrap;
    bool keepNewlines = keepSpaces || space == WhiteSpace::PreLine;
    const std::wstring& data = text.TextData();
    std::size_t at = 0;
    while (at < data.size()) {
        TextRun run;
        run.Start = static_cast<std::uint32_t>(at);
        wchar_t c = data[at];
        if (c == L'\n' && keepNewlines) {
            run.Newline = true;
            run.Length = 1;
        } else if (IsCollapsibleSpace(c) && !(keepSpaces && c != L' ' && c != L'\t')) {
            std::size_t end = at;
            while (end < data.size() && IsCollapsibleSpace(data[end]) && !(keepNewlines && data[end] == L'\n'))
                ++end;
            run.Space = true;
            run.Length = keepSpaces ? static_cast<std::uint32_t>(end - at) : 1;
            std::wstring_view measured = keepSpaces ? std::wstring_view(data).substr(at, end - at) : L" ";
            run.Width = measurer.Width(font, measured);
            at = end;
            runs.push_back(run);
            continue;
        } else {
            // The first character goes in whatever it is: a form feed or carriage return kept by
            // "pre" is no word character, and a run of none would never move on.
            std::size_t end = at + 1;
            while (end < data.size() && !IsCollapsibleSpace(data[end]))
                ++end;
            run.Length = static_cast<std::uint32_t>(end - at);
            run.Width = measurer.Width(font, std::wstring_view(data).substr(at, run.Length));
        }
        at += run.Length;
        runs.push_back(run);
    }
    // A long table's thousands of texts keep no room to grow.
    runs.shrink_to_fit();
}

void InlineLayout::Intrinsic(Box& container, LayoutContext& context, int& minWidth, int& maxWidth)
{
    Flattener flat(context.Measurer, nullptr, 0);
    flat.Walk(container);
    minWidth = 0;
    maxWidth = 0;
    int line = 0;
    int segment = 0;
    for (const Piece& piece : flat.Pieces) {
        switch (piece.Type) {
        case Piece::Kind::Break:
            maxWidth = std::max(maxWidth, line);
            minWidth = std::max(minWidth, segment);
            line = segment = 0;
            break;
        case Piece::Kind::Space:
            line += piece.Width;
            if (piece.NoWrap)
                segment += piece.Width;
            else {
                minWidth = std::max(minWidth, segment);
                segment = 0;
            }
            break;
        case Piece::Kind::Atomic:
            line += piece.Width;
            if (piece.NoWrap) {
                segment += piece.Width;
                break;
            }
            minWidth = std::max(minWidth, segment);
            minWidth = std::max(minWidth, static_cast<int>(piece.Start));
            segment = 0;
            break;
        default:
            line += piece.Width;
            segment += piece.Width;
            break;
        }
    }
    maxWidth = std::max(maxWidth, line);
    minWidth = std::max(minWidth, segment);
    const Length& indent = container.S().Inherited.TextIndent;
    maxWidth += indent.IsPercent() ? 0 : std::max(0, indent.Resolve(0));
}

int InlineLayout::Layout(Box& container, int width, LayoutContext& context)
{
    Flattener flat(context.Measurer, &context, width);
    flat.Walk(container);
    // Line boxes and their item lists are reused: relaying out a table rebuilds thousands.
    std::size_t linesUsed = 0;
    const ComputedStyle& style = container.S();
    FontId strutFont = FontOf(container, context.Measurer);
    const FontMetrics& strut = context.Measurer.Metrics(strutFont);
    int strutHeight = LineHeightOf(style, strut);

    std::vector<Piece>& pieces = flat.Pieces;
    std::vector<EdgeMark> edges;
    std::size_t at = 0;
    int y = 0;
    bool firstLine = true;
    const ComputedStyle& overflow = OverflowStyleOf(container);
    bool ellipsis = overflow.Box.OverflowText == TextOverflow::Ellipsis && overflow.Clips();
    while (at < pieces.size()) {
        // Skip the spaces a line would start with.
        while (at < pieces.size() && pieces[at].Type == Piece::Kind::Space)
            ++at;
        if (at >= pieces.size())
            break;
        int indent = firstLine ? style.Inherited.TextIndent.Resolve(width) : 0;
        // Floats beside the line shorten it; a line whose first piece does not fit beside them
        // goes down past them (9.5).
        int lineLeft = 0, lineRight = width;
        if (context.Floats != nullptr && !context.Floats->Empty()) {
            int bfcX = context.Origin.X + container.Used().ContentX();
            for (;;) {
                int bfcY = context.Origin.Y + container.Used().ContentY() + y;
                int left = bfcX, right = bfcX + width;
                context.Floats->Room(bfcY, strutHeight, left, right);
                lineLeft = left - bfcX;
                lineRight = right - bfcX;
                bool narrowed = lineLeft != 0 || lineRight != width;
                int next = context.Floats->NextBottom(bfcY);
                if (!narrowed || lineRight - lineLeft >= indent + pieces[at].Width || next == bfcY)
                    break;
                y += next - bfcY;
            }
        }
        int room = lineRight - lineLeft;
        int x = indent;
        std::size_t lineStart = at;
        std::size_t lineEnd = at;  // one past the last piece on the line
        bool forced = false;
        while (at < pieces.size()) {
            const Piece& piece = pieces[at];
            if (piece.Type == Piece::Kind::Break) {
                forced = true;
                ++at;
                break;
            }
            // The segment up to the next break opportunity must fit, or start a new line.
            std::size_t end = at + 1;
            int segment = piece.Width;
            if (piece.Type != Piece::Kind::Space && (piece.Type != Piece::Kind::Atomic || piece.NoWrap)) {
                while (end < pieces.size() &&
                       (pieces[end].Type == Piece::Kind::Word || pieces[end].Type == Piece::Kind::Edge ||
                        (pieces[end].NoWrap && pieces[end].Type != Piece::Kind::Break))) {
                    segment += pieces[end].Width;
                    ++end;
                }
            }
            // The opportunity after a space belongs to that space's text (16.6): text that must not
            // wrap may still start a line after it.
            bool mayBreak = !piece.NoWrap || BreaksAfter(pieces, at, lineStart);
            if (x + segment > room && lineEnd > lineStart && mayBreak && piece.Type != Piece::Kind::Space)
                break;
            x += segment;
            at = end;
            lineEnd = end;
        }
        (void)forced;
        // Trailing spaces hang and take no room.
        std::size_t last = lineEnd;
        while (last > lineStart && pieces[last - 1].Type == Piece::Kind::Space)
            --last;
        if (linesUsed == container.Lines().size())
            container.Lines().emplace_back();
        LineBox& line = container.Lines()[linesUsed++];
        line.Items.clear();
        LineMetrics metrics;
        int halfStrut = strutHeight - strut.Height;
        metrics.Above = strut.Ascent + halfStrut / 2;
        metrics.Below = strutHeight - metrics.Above;
        int lineWidth = indent;
        int tallAligned = 0;  // top- and bottom-aligned atomic boxes
        for (std::size_t i = lineStart; i < last; ++i) {
            const Piece& piece = pieces[i];
            lineWidth += piece.Width;
            if (piece.Type == Piece::Kind::Word || piece.Type == Piece::Kind::Space) {
                const FontMetrics& font = context.Measurer.Metrics(piece.Font);
                int lineHeight = LineHeightOf(piece.Source->S(), font);
                int above = font.Ascent + (lineHeight - font.Height) / 2;
                metrics.Above = std::max(metrics.Above, above);
                metrics.Below = std::max(metrics.Below, lineHeight - above);
            } else if (piece.Type == Piece::Kind::Atomic) {
                const Box& box = *piece.Source;
                int height = box.Used().Height + box.Used().Margin.Vertical();
                switch (box.S().Box.VAlign) {
                case VerticalAlign::Middle:
                    metrics.Above = std::max(metrics.Above, (height + strut.XHeight) / 2);
                    metrics.Below = std::max(metrics.Below, height - (height + strut.XHeight) / 2);
                    break;
                case VerticalAlign::Top: case VerticalAlign::Bottom: case VerticalAlign::TextTop:
                case VerticalAlign::TextBottom:
                    tallAligned = std::max(tallAligned, height);
                    break;
                default: {
                    int above = AtomicBaseline(box, context.Measurer);
                    metrics.Above = std::max(metrics.Above, above);
                    metrics.Below = std::max(metrics.Below, height - above);
                    break;
                }
                }
            }
        }
        int lineHeight = std::max(metrics.Above + metrics.Below, tallAligned);
        int offset = lineLeft;
        int spare = room - lineWidth;
        if (style.Inherited.Align == TextAlign::Right)
            offset += spare;
        else if (style.Inherited.Align == TextAlign::Center)
            offset += spare / 2;
        if (spare < 0)
            offset = lineLeft;
        int originX = container.Used().ContentX();
        int originY = container.Used().ContentY() + y;
        line.Area = {originX + offset, originY, std::max(0, lineWidth), lineHeight};
        int baseline = metrics.Above;
        x = offset + indent;
        edges.clear();
        for (std::size_t i = lineStart; i < last; ++i) {
            Piece& piece = pieces[i];
            if (piece.Type == Piece::Kind::Edge)
                edges.push_back({piece.Source, originX + x, originX + x + piece.Width, piece.Start == 0});
            if (piece.Type == Piece::Kind::Word || piece.Type == Piece::Kind::Space) {
                const FontMetrics& font = context.Measurer.Metrics(piece.Font);
                LineItem item;
                item.Area = {originX + x, originY + baseline - font.Ascent, piece.Width, font.Height};
                item.Baseline = font.Ascent;
                item.Source = piece.Source;
                item.Start = static_cast<std::uint32_t>(piece.Start);
                item.Length = static_cast<std::uint32_t>(piece.Length);
                // Words of one text box next to each other on a line become one item.
                if (!line.Items.empty() && line.Items.back().Source == item.Source &&
                    line.Items.back().Start + line.Items.back().Length == item.Start &&
                    line.Items.back().Area.Y == item.Area.Y) {
                    line.Items.back().Length += item.Length;
                    line.Items.back().Area.Width += item.Area.Width;
                } else {
                    line.Items.push_back(item);
                }
            } else if (piece.Type == Piece::Kind::Atomic) {
                Box& box = *piece.Source;
                int height = box.Used().Height + box.Used().Margin.Vertical();
                int top = baseline - AtomicBaseline(box, context.Measurer);
                switch (box.S().Box.VAlign) {
                case VerticalAlign::Middle: top = baseline - (height + strut.XHeight) / 2; break;
                case VerticalAlign::Top: case VerticalAlign::TextTop: top = 0; break;
                case VerticalAlign::Bottom: case VerticalAlign::TextBottom: top = lineHeight - height; break;
                default: break;
                }
                box.Used().X = originX + x + box.Used().Margin.Left;
                box.Used().Y = originY + top + box.Used().Margin.Top;
                if (BoxRare* rare = box.RarePart())
                    rare->Ellipsed = false;
                LineItem item;
                item.Area = {box.Used().X, box.Used().Y, box.Used().Width, box.Used().Height};
                item.Source = &box;
                line.Items.push_back(item);
            }
            x += piece.Width;
        }
        if (ellipsis && line.Area.Right() > originX + width)
            Ellipsize(line, container, originX + width, strutFont, strut, baseline, context.Measurer);
        // Inline boxes cover their content and their own edges on this line. Their content area
        // is their font's height at the baseline, their padding and border around it (10.6.1).
        auto cover = [&](Box* owner, int left, int right) {
            const FontMetrics& font = context.Measurer.Metrics(FontOf(*owner, context.Measurer));
            const UsedValues& u = owner->Used();
            int contentTop = originY + baseline - font.Ascent;
            Rect area{left, contentTop - u.Padding.Top - u.Border.Top, right - left,
                      font.Height + u.Padding.Vertical() + u.Border.Vertical()};
            if (!owner->Fragments().empty() && owner->Fragments().back().Y == area.Y) {
                Rect& last = owner->Fragments().back();
                int from = std::min(last.X, area.X);
                int to = std::max(last.Right(), area.Right());
                last.X = from;
                last.Width = to - from;
            } else {
                owner->Fragments().push_back(area);
            }
        };
        auto coverAncestors = [&](Box* from, int left, int right) {
            for (Box* owner = from; owner != nullptr && owner != &container; owner = owner->Parent) {
                if (owner->Kind == BoxKind::Inline)
                    cover(owner, left, right);
            }
        };
        for (const EdgeMark& edge : edges) {
            const Edges& margin = edge.Owner->Used().Margin;
            cover(edge.Owner, edge.Left + (edge.Opening ? margin.Left : 0), edge.Right - (edge.Opening ? 0 : margin.Right));
            coverAncestors(edge.Owner->Parent, edge.Left, edge.Right);
        }
        for (const LineItem& item : line.Items) {
            if (!item.Ellipsis)
                coverAncestors(item.Source->Parent, item.Area.X, item.Area.Right());
        }
        y += lineHeight;
        firstLine = false;
    }
    container.Lines().resize(linesUsed);
    return y;
}

} // namespace Engine
