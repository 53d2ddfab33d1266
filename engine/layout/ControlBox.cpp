#include "engine/layout/ControlBox.h"

#include "engine/css/CssValue.h"
#include "engine/dom/Element.h"
#include "engine/layout/ScrollBarWidget.h"
#include "engine/layout/TextPositions.h"

#include <algorithm>
#include <string>

namespace Engine {

namespace {

// The system's highlight and highlighted text colours (COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT).
constexpr int kHighlight = 13;
constexpr int kHighlightText = 14;

// The look of a drawn control from its element's state bits.
unsigned LookOf(unsigned state)
{
    unsigned look = 0;
    if ((state & kStateChecked) != 0)
        look |= kControlChecked;
    if ((state & kStateDisabled) != 0)
        look |= kControlDisabled;
    if ((state & kStateActive) != 0)
        look |= kControlPressed;
    return look;
}

// Inputs without content: a box of their kind's size, with their text (a password's as bullets)
// in their content box.
class InputControl : public ControlBox {
public:
    [[nodiscard]] bool Replaced(const Element& element) const override { return element.Nodes().empty(); }

    void Measure(Box& box, TextMeasurer& measurer, int dpi) const override
    {
        box.RunsFont = measurer.Intern(box.S().Inherited.Font);
        const FontMetrics& metrics = measurer.Metrics(box.RunsFont);
        Point size = Size(*box.Owner, measurer, box.RunsFont, metrics, std::max(dpi, 1));
        box.Rare().IntrinsicWidth = size.X;
        box.Rare().IntrinsicHeight = size.Y;
    }

    void Paint(const Box& box, TextMeasurer& measurer, DisplayList& out) const override
    {
        if (box.Kind != BoxKind::Replaced)
            return;
        Rect content{box.Used().PageX + box.Used().ContentX(), box.Used().PageY + box.Used().ContentY(), box.Used().ContentWidth, box.Used().ContentHeight};
        PaintInside(box, measurer, content, out);
    }

protected:
    virtual Point Size(const Element& input, TextMeasurer& measurer, FontId font, const FontMetrics& metrics, int dpi) const
    {
        static_cast<void>(input);
        static_cast<void>(measurer);
        static_cast<void>(font);
        static_cast<void>(dpi);
        return {metrics.AverageWidth * 20, metrics.LineHeight};
    }
    virtual void PaintInside(const Box& box, TextMeasurer& measurer, Rect content, DisplayList& out) const
    {
        const std::wstring* value = box.Owner->FindAttribute("value");
        static const std::wstring kNoValue;
        if (value == nullptr)
            value = &kNoValue;
        if (box.RunsFont < 0 || (value->empty() && box.Rare().Caret < 0))
            return;
        PaintText(box, measurer, content, Shown(*value), out);
    }
    [[nodiscard]] virtual std::wstring Shown(const std::wstring& value) const { return value; }
    [[nodiscard]] virtual bool Centred() const { return false; }

    // The text with its selection on the highlight colour and, while it has the focus, its caret.
    void PaintText(const Box& box, TextMeasurer& measurer, Rect content, const std::wstring& text, DisplayList& out) const
    {
        const FontMetrics& metrics = measurer.Metrics(box.RunsFont);
        int width = measurer.Width(box.RunsFont, text);
        int x = content.X + (Centred() ? std::max(0, (content.Width - width) / 2) : -box.Rare().EditScroll);
        int y = content.Y + std::max(0, (content.Height - metrics.Height) / 2);
        out.push_back(PushClipItem{content});
        // Text before, inside and after the selection.
        int from = std::clamp(box.Rare().Caret >= 0 ? box.Rare().SelectFrom : 0, 0, static_cast<int>(text.size()));
        int to = std::clamp(box.Rare().Caret >= 0 ? box.Rare().SelectTo : 0, from, static_cast<int>(text.size()));
        int left = x;
        for (int part = 0; part < 3; ++part) {
            int start = part == 0 ? 0 : part == 1 ? from : to;
            int end = part == 0 ? from : part == 1 ? to : static_cast<int>(text.size());
            if (end <= start)
                continue;
            std::wstring piece = text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
            int pieceWidth = measurer.Width(box.RunsFont, piece);
            if (part == 1)
                out.push_back(FillItem{{left, y, pieceWidth, metrics.Height}, SystemColorOf(kHighlight)});
            out.push_back(TextItem{{left, y, pieceWidth, metrics.Height},
                                   part == 1 ? SystemColorOf(kHighlightText) : box.S().Inherited.TextColor, box.RunsFont,
                                   std::move(piece)});
            left += pieceWidth;
        }
        if (box.Rare().Caret >= 0 && !box.Rare().CaretHidden && (box.Owner->State() & kStateFocus) != 0) {
            std::size_t caret = std::min<std::size_t>(static_cast<std::size_t>(box.Rare().Caret), text.size());
            int caretX = x + measurer.Width(box.RunsFont, std::wstring_view(text).substr(0, caret));
            out.push_back(FillItem{{caretX, y, 1, metrics.Height}, box.S().Inherited.TextColor});
        }
        out.push_back(PopClipItem{content});
    }
};

class PasswordControl final : public InputControl {
    [[nodiscard]] std::wstring Shown(const std::wstring& value) const override
    {
        return std::wstring(value.size(), L'\x2022');
    }
};

// Its spin buttons stand at its right edge, inside the border.
class NumberControl final : public InputControl {
    void PaintInside(const Box& box, TextMeasurer& measurer, Rect content, DisplayList& out) const override
    {
        int size = std::max(8, std::min(content.Height / 2 + box.Used().Padding.Top, 12));
        int right = box.Used().PageX + box.Used().Width - box.Used().Border.Right;
        int top = box.Used().PageY + box.Used().Border.Top;
        int height = box.Used().Height - box.Used().Border.Vertical();
        unsigned disabled = LookOf(box.Owner->State() & kStateDisabled);
        out.push_back(ControlItem{{right - size, top, size, height / 2}, ControlPart::SpinUp, disabled});
        out.push_back(ControlItem{{right - size, top + height / 2, size, height - height / 2}, ControlPart::SpinDown, disabled});
        content.Width = std::max(0, content.Width - size);
        InputControl::PaintInside(box, measurer, content, out);
    }
};

// As wide as its text, which it centres.
class ButtonInputControl final : public InputControl {
    Point Size(const Element& input, TextMeasurer& measurer, FontId font, const FontMetrics& metrics, int) const override
    {
        const std::wstring* value = input.FindAttribute("value");
        return {measurer.Width(font, value != nullptr ? *value : std::wstring()), metrics.LineHeight};
    }
    [[nodiscard]] bool Centred() const override { return true; }
};

class HiddenInputControl final : public InputControl {
    Point Size(const Element&, TextMeasurer&, FontId, const FontMetrics&, int) const override { return {0, 0}; }
    void PaintInside(const Box&, TextMeasurer&, Rect, DisplayList&) const override {}
};

// Checkboxes and radio buttons, as the system draws them: a square of the font's size, never
// smaller than the system's own at the window's DPI.
class CheckControl final : public InputControl {
public:
    explicit CheckControl(ControlPart part) : m_part(part) {}

private:
    Point Size(const Element&, TextMeasurer&, FontId, const FontMetrics& metrics, int dpi) const override
    {
        int side = std::max(13 * dpi / 96, metrics.Height * 13 / 16);
        return {side, side};
    }
    void PaintInside(const Box& box, TextMeasurer&, Rect content, DisplayList& out) const override
    {
        out.push_back(ControlItem{content, m_part, LookOf(box.Owner->State())});
    }

    ControlPart m_part;
};

// A drop-down's button shows the arrow; the drop-down's own state greys it.
class DropButtonControl final : public ControlBox {
    void Paint(const Box& box, TextMeasurer&, DisplayList& out) const override
    {
        unsigned look = LookOf((box.Owner->Parent()->State() & kStateDisabled) | (box.Owner->State() & kStateActive));
        out.push_back(ControlItem{box.Used().PageRect(), ControlPart::DropArrow, look});
    }
};

// A text area being edited: its selection on the highlight colour under its lines, its caret
// over them.
class TextAreaControl final : public ControlBox {
    static bool Editing(const Box& box)
    {
        return box.Rare().Caret >= 0 && (box.Owner->State() & kStateFocus) != 0;
    }

    void PaintUnderText(const Box& box, TextMeasurer& measurer, DisplayList& out) const override
    {
        if (!Editing(box))
            return;
        Point origin = box.ContentOrigin();
        std::size_t from = static_cast<std::size_t>(std::max(0, box.Rare().SelectFrom));
        std::size_t to = static_cast<std::size_t>(std::max(0, box.Rare().SelectTo));
        if (from >= to)
            return;
        for (const LineBox& line : box.Lines()) {
            for (const LineItem& item : line.Items) {
                if (item.Source == nullptr || item.Source->Kind != BoxKind::Text)
                    continue;
                std::size_t start = std::max<std::size_t>(from, item.Start);
                std::size_t end = std::min<std::size_t>(to, item.Start + item.Length);
                if (start >= end)
                    continue;
                std::wstring_view all(item.Source->TextData());
                int left = measurer.Width(item.Source->RunsFont, all.substr(item.Start, start - item.Start));
                int right = measurer.Width(item.Source->RunsFont, all.substr(item.Start, end - item.Start));
                Rect selected{item.Area.X + left, item.Area.Y, right - left, item.Area.Height};
                out.emplace_back(FillItem{selected.Translated(origin.X, origin.Y), SystemColorOf(kHighlight)});
            }
        }
    }

    void PaintOverText(const Box& box, TextMeasurer& measurer, DisplayList& out) const override
    {
        if (!Editing(box) || box.Rare().CaretHidden)
            return;
        Rect caret;
        Point origin = box.ContentOrigin();
        if (TextPositions::PointOf(box, static_cast<std::size_t>(box.Rare().Caret), measurer, caret))
            out.push_back(FillItem{caret.Translated(origin.X, origin.Y), box.S().Inherited.TextColor});
    }
};

// A scroll bar widget: as thick as the system's bars at the window's DPI, four times as long
// unless the page sizes it; drawn over its content box from the value in its attributes.
class ScrollBarControl final : public ControlBox {
public:
    [[nodiscard]] bool Replaced(const Element& element) const override { return element.Nodes().empty(); }

    void Measure(Box& box, TextMeasurer&, int dpi) const override
    {
        const int thickness = kSystemThickness * std::max(dpi, 1) / 96;
        box.Rare().IntrinsicWidth = thickness;
        box.Rare().IntrinsicHeight = thickness * 4;
    }

    void Paint(const Box& box, TextMeasurer&, DisplayList& out) const override
    {
        Rect area{box.Used().PageX + box.Used().ContentX(), box.Used().PageY + box.Used().ContentY(), box.Used().ContentWidth,
                  box.Used().ContentHeight};
        if (area.Width <= 0 || area.Height <= 0)
            return;
        const ScrollBarWidget::Geometry geometry =
            ScrollBarWidget::Measure(ScrollBarWidget::Get(*box.Owner), area.Height, area.Width);
        ScrollBarItem item{area, {}, true};
        if (geometry.ThumbLength > 0)
            item.Thumb = Rect{area.X, area.Y + geometry.ThumbAt, area.Width, geometry.ThumbLength};
        out.push_back(std::move(item));
    }

private:
    static constexpr int kSystemThickness = 16;
};

const ControlBox* InputControlOf(const Element& input)
{
    static const CheckControl kCheckBox(ControlPart::CheckBox);
    static const CheckControl kRadio(ControlPart::RadioButton);
    static const ButtonInputControl kButton;
    static const HiddenInputControl kHidden;
    static const NumberControl kNumber;
    static const PasswordControl kPassword;
    static const InputControl kText;
    std::wstring kind = input.InputType();
    if (kind == L"checkbox")
        return &kCheckBox;
    if (kind == L"radio")
        return &kRadio;
    if (kind == L"button" || kind == L"submit" || kind == L"reset")
        return &kButton;
    if (kind == L"hidden")
        return &kHidden;
    if (kind == L"number" || kind == L"integer")
        return &kNumber;
    if (kind == L"password")
        return &kPassword;
    return &kText;
}

} // namespace

const ControlBox* ControlBox::For(const Element& element)
{
    static const DropButtonControl kDropButton;
    static const TextAreaControl kTextArea;
    static const ScrollBarControl kScrollBar;
    const std::string& tag = element.Tag();
    if (ScrollBarWidget::Is(element))
        return &kScrollBar;
    if (tag == "input")
        return InputControlOf(element);
    if (tag == "textarea")
        return &kTextArea;
    if (tag == "button" && element.Parent() != nullptr && element.Parent()->Tag() == "select")
        return &kDropButton;
    return nullptr;
}

bool ControlBox::Replaced(const Element&) const
{
    return false;
}

void ControlBox::Measure(Box&, TextMeasurer&, int) const {}
void ControlBox::Paint(const Box&, TextMeasurer&, DisplayList&) const {}
void ControlBox::PaintUnderText(const Box&, TextMeasurer&, DisplayList&) const {}
void ControlBox::PaintOverText(const Box&, TextMeasurer&, DisplayList&) const {}

} // namespace Engine
