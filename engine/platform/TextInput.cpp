#include "engine/platform/TextInput.h"

#include "engine/platform/EventDispatcher.h"
#include "engine/input/FormControls.h"
#include "engine/layout/TextPositions.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <cwctype>

namespace Engine {

namespace {


long NumberAttribute(const Element& input, const char* name, long fallback)
{
    const std::wstring* value = input.FindAttribute(name);
    if (value == nullptr || value->empty())
        return fallback;
    wchar_t* end = nullptr;
    long number = std::wcstol(value->c_str(), &end, 10);
    return end == value->c_str() ? fallback : number;
}

std::wstring ClipboardText(HWND owner)
{
    std::wstring text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(HWND owner, const std::wstring& text)
{
    if (!OpenClipboard(owner))
        return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory != nullptr) {
        if (auto* chars = static_cast<wchar_t*>(GlobalLock(memory))) {
            std::copy(text.begin(), text.end(), chars);
            chars[text.size()] = 0;
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
                GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

} // namespace

bool TextInput::IsNumber(const Element& input)
{
    std::wstring kind = input.InputType();
    return input.Tag() == "input" && (kind == L"number" || kind == L"integer");
}

bool TextInput::IsEditable(const Element& element)
{
    if (element.Tag() == "textarea")
        return true;
    if (element.Tag() != "input" || !element.Nodes().empty())
        return false;
    std::wstring kind = element.InputType();
    static constexpr const wchar_t* kEditable[] = {L"text", L"password", L"number", L"integer", L"decimal",
                                                   L"currency", L"email", L"url", L"search", L"tel"};
    return std::any_of(std::begin(kEditable), std::end(kEditable), [&](const wchar_t* k) { return kind == k; });
}

TextEditor& TextInput::Editor(Element& input)
{
    bool area = input.Tag() == "textarea";
    const std::wstring* value = input.FindAttribute("value");
    std::wstring text = area ? input.TextContent() : value != nullptr ? *value : std::wstring();
    if (m_input != &input || m_editor.Text() != text) {
        if (m_input != &input) {
            Leave(m_input);
            input.Use();
            m_input = &input;
        }
        long maxLength = NumberAttribute(input, "maxlength", 0);
        m_editor.Reset(std::move(text), static_cast<std::size_t>(std::max(0L, maxLength)),
                       (input.State() & kStateReadOnly) != 0 || input.HasAttribute("readonly"), area);
    }
    return m_editor;
}

void TextInput::Leave(Element* input)
{
    if (m_input == nullptr || (input != nullptr && input != m_input))
        return;
    if (Box* box = m_input->LayoutBox()) {
        box->Rare().Caret = -1;
        m_view.Renderer().Layout().Repaint(*m_input);
    }
    m_input->Unuse();
    m_input = nullptr;
    KillTimer(m_view.Window(), kBlinkTimer);
    m_view.ScheduleUpdate();
}

void TextInput::Blink()
{
    Box* box = m_input != nullptr ? m_input->LayoutBox() : nullptr;
    if (box == nullptr || box->Rare().Caret < 0) {
        KillTimer(m_view.Window(), kBlinkTimer);
        return;
    }
    box->Rare().CaretHidden = !box->Rare().CaretHidden;
    m_view.Renderer().Layout().Repaint(*m_input);
    m_view.ScheduleUpdate();
}

// The value goes back into the input; the caret and selection into its box, scrolled so that
// the caret shows.
void TextInput::Commit(Element& input, bool changed)
{
    bool area = input.Tag() == "textarea";
    if (changed) {
        if (area)
            input.SetTextContent(m_editor.Text());
        else
            input.SetAttribute("value", m_editor.Text());
        EventDispatcher::BehaviorEvent(input, HL_EDIT_VALUE_CHANGED, &input, 0);
        if (m_view.Ended())
            return;
    }
    m_view.UpdateNow();
    Box* box = input.LayoutBox();
    if (box == nullptr)
        return;
    box->Rare().Caret = static_cast<int>(m_editor.Caret());
    // Shown at once after every key or click, then blinking again.
    box->Rare().CaretHidden = false;
    UINT blink = GetCaretBlinkTime();
    if (blink != INFINITE && blink != 0)
        SetTimer(m_view.Window(), kBlinkTimer, blink, [](HWND window, UINT, UINT_PTR, DWORD) {
            if (View* view = View::ForWindow(window))
                view->Editing().Blink();
        });
    box->Rare().SelectFrom = static_cast<int>(m_editor.SelectionStart());
    box->Rare().SelectTo = static_cast<int>(m_editor.SelectionEnd());
    TextMeasurer& measurer = m_view.Renderer().Layout().Measurer();
    if (area) {
        // The text area scrolls to keep the caret in view.
        Rect caret;
        if (TextPositions::PointOf(*box, m_editor.Caret(), measurer, caret) && box->IsScroller()) {
            int top = box->Used().ContentY() + box->ScrollOffset().Y;
            int view = box->ContentHeightInner();
            int y = box->ScrollOffset().Y;
            if (caret.Y < top)
                y -= top - caret.Y;
            else if (caret.Bottom() > top + view)
                y += caret.Bottom() - (top + view);
            m_view.Renderer().ScrollTo(*box, box->ScrollOffset().X, y);
        }
    } else if (box->RunsFont >= 0) {
        std::wstring shown = input.InputType() == L"password" ? std::wstring(m_editor.Text().size(), L'\x2022') : m_editor.Text();
        int caretX = measurer.Width(box->RunsFont, std::wstring_view(shown).substr(0, m_editor.Caret()));
        int room = std::max(1, box->Used().ContentWidth - 1);
        if (caretX - box->Rare().EditScroll > room)
            box->Rare().EditScroll = caretX - room;
        if (caretX < box->Rare().EditScroll)
            box->Rare().EditScroll = caretX;
    }
    m_view.Renderer().Layout().Repaint(input);
    m_view.ScheduleUpdate();
}

void TextInput::Step(Element& input, int direction)
{
    if ((input.State() & (kStateDisabled | kStateReadOnly)) != 0 || input.HasAttribute("readonly"))
        return;
    TextEditor& editor = Editor(input);
    long step = std::max(1L, NumberAttribute(input, "step", 1));
    long value = std::wcstol(editor.Text().c_str(), nullptr, 10) + direction * step;
    value = std::clamp(value, NumberAttribute(input, "min", -2147483647L), NumberAttribute(input, "max", 2147483647L));
    editor.SelectAll();
    Commit(input, editor.Insert(std::to_wstring(value)));
}

bool TextInput::OnKey(Element& input, UINT key, bool shift, bool control)
{
    if (!IsEditable(input) || (input.State() & kStateDisabled) != 0)
        return false;
    TextEditor& editor = Editor(input);
    bool password = input.InputType() == L"password";
    bool changed = false;
    switch (key) {
    case VK_LEFT: editor.MoveCaret(control ? TextEditor::Move::WordLeft : TextEditor::Move::Left, shift); break;
    case VK_RIGHT: editor.MoveCaret(control ? TextEditor::Move::WordRight : TextEditor::Move::Right, shift); break;
    case VK_HOME:
        if (control && editor.Lines())
            editor.SetCaret(0, shift);
        else
            editor.MoveCaret(TextEditor::Move::Home, shift);
        break;
    case VK_END:
        if (control && editor.Lines())
            editor.SetCaret(editor.Text().size(), shift);
        else
            editor.MoveCaret(TextEditor::Move::End, shift);
        break;
    case VK_RETURN:
        if (!editor.Lines())
            return false;
        changed = editor.Insert(L"\n");
        break;
    case VK_BACK: changed = editor.Backspace(control); break;
    case VK_DELETE:
        if (shift && !password && editor.HasSelection())
            SetClipboardText(m_view.Window(), editor.Selected());
        if (shift && password)
            break;  // a password never leaves by the clipboard
        changed = editor.Delete(control);
        break;
    case VK_INSERT:
        if (control && !password && editor.HasSelection())
            SetClipboardText(m_view.Window(), editor.Selected());
        else if (shift)
            changed = editor.Insert(ClipboardText(m_view.Window()));
        break;
    case VK_UP: case VK_DOWN:
        if (editor.Lines()) {
            // A line up or down, at the caret's place across.
            Box* box = input.LayoutBox();
            Rect caret;
            TextMeasurer& measurer = m_view.Renderer().Layout().Measurer();
            if (box != nullptr && TextPositions::PointOf(*box, editor.Caret(), measurer, caret))
                editor.SetCaret(TextPositions::IndexAt(*box, {caret.X, key == VK_UP ? caret.Y - 1 : caret.Bottom() + 1}, measurer),
                                shift);
            break;
        }
        if (!IsNumber(input))
            return false;
        Step(input, key == VK_UP ? 1 : -1);
        return true;
    default:
        if (!control)
            return false;
        switch (key) {
        case 'A': editor.SelectAll(); break;
        case 'C': case 'X':
            if (password || !editor.HasSelection())
                break;
            SetClipboardText(m_view.Window(), editor.Selected());
            if (key == 'X')
                changed = editor.Insert(L"");
            break;
        case 'V': changed = editor.Insert(ClipboardText(m_view.Window())); break;
        case 'Z': changed = editor.Undo(); break;
        case 'Y': changed = editor.Redo(); break;
        default: return false;
        }
    }
    Commit(input, changed);
    return true;
}

bool TextInput::OnChar(Element& input, wchar_t character)
{
    if (!IsEditable(input) || (input.State() & kStateDisabled) != 0)
        return false;
    // Control characters are keys, handled as keys.
    if (character < 0x20 || character == 0x7F)
        return false;
    TextEditor& editor = Editor(input);
    // A character beyond the Basic Multilingual Plane comes as two messages.
    if (character >= 0xD800 && character <= 0xDBFF) {
        m_highSurrogate = character;
        return true;
    }
    std::wstring text;
    if (character >= 0xDC00 && character <= 0xDFFF) {
        if (m_highSurrogate == 0)
            return true;
        text = {m_highSurrogate, character};
    } else {
        text = {character};
    }
    m_highSurrogate = 0;
    if (IsNumber(input) && !(std::iswdigit(text[0]) || ((text[0] == L'-' || text[0] == L'+') && editor.SelectionStart() == 0)))
        return true;  // a number takes digits and a leading sign only
    Commit(input, editor.Insert(text));
    return true;
}

std::size_t TextInput::IndexAt(Element& input, int x, int y) const
{
    Box* box = input.LayoutBox();
    if (box != nullptr && input.Tag() == "textarea")
        return TextPositions::IndexAt(*box, {x, y + (box->IsScroller() ? box->ScrollOffset().Y : 0)},
                                      m_view.Renderer().Layout().Measurer());
    if (box == nullptr || box->RunsFont < 0)
        return m_editor.Text().size();
    TextMeasurer& measurer = m_view.Renderer().Layout().Measurer();
    const std::wstring& text = m_editor.Text();
    int target = x - box->Used().ContentX() + box->Rare().EditScroll;
    // The caret goes to the nearer side of the character under the pointer.
    int before = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int after = measurer.Width(box->RunsFont, std::wstring_view(text).substr(0, i + 1));
        if (target < (before + after) / 2)
            return i;
        before = after;
    }
    return text.size();
}

void TextInput::Enter(Element& input)
{
    if (!IsEditable(input) || (input.State() & kStateDisabled) != 0)
        return;
    Editor(input).SelectAll();
    Commit(input, false);
}

void TextInput::OnClick(Element& input, int x, int y, bool extend, bool word)
{
    if (!IsEditable(input) || (input.State() & kStateDisabled) != 0)
        return;
    TextEditor& editor = Editor(input);
    std::size_t at = IndexAt(input, x, y);
    if (word)
        editor.SelectWordAt(at);
    else
        editor.SetCaret(at, extend);
    Commit(input, false);
}

} // namespace Engine
