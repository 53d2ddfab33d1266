#include "engine/input/TextEditor.h"

#include <algorithm>
#include <cwctype>

namespace Engine {

namespace {

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsWordCharacter(wchar_t c)
{
    return std::iswalnum(c) || c == L'_' || c >= 0x80;
}

} // namespace

void TextEditor::Reset(std::wstring text, std::size_t maxLength, bool readOnly, bool lines)
{
    m_lines = lines;
    m_text = std::move(text);
    m_maxLength = maxLength;
    m_readOnly = readOnly;
    m_caret = m_anchor = m_text.size();
    m_undo.clear();
    m_redo.clear();
}

std::size_t TextEditor::Clamp(std::size_t position) const
{
    position = std::min(position, m_text.size());
    // Never between the halves of a surrogate pair.
    if (position > 0 && position < m_text.size() && IsLowSurrogate(m_text[position]))
        --position;
    return position;
}

std::size_t TextEditor::WordBoundary(std::size_t from, bool forward) const
{
    std::size_t at = from;
    if (forward) {
        while (at < m_text.size() && IsWordCharacter(m_text[at]))
            ++at;
        while (at < m_text.size() && !IsWordCharacter(m_text[at]))
            ++at;
    } else {
        while (at > 0 && !IsWordCharacter(m_text[at - 1]))
            --at;
        while (at > 0 && IsWordCharacter(m_text[at - 1]))
            --at;
    }
    return at;
}

std::size_t TextEditor::LineStart(std::size_t at) const
{
    at = std::min(at, m_text.size());
    while (at > 0 && m_text[at - 1] != L'\n')
        --at;
    return at;
}

std::size_t TextEditor::LineEnd(std::size_t at) const
{
    at = std::min(at, m_text.size());
    while (at < m_text.size() && m_text[at] != L'\n')
        ++at;
    return at;
}

void TextEditor::SetCaret(std::size_t position, bool extend)
{
    m_caret = Clamp(position);
    if (!extend)
        m_anchor = m_caret;
}

void TextEditor::MoveCaret(Move move, bool extend)
{
    // Without Shift, Left and Right first collapse a selection to its side.
    if (!extend && HasSelection() && (move == Move::Left || move == Move::Right)) {
        SetCaret(move == Move::Left ? SelectionStart() : SelectionEnd(), false);
        return;
    }
    std::size_t at = m_caret;
    switch (move) {
    case Move::Left:
        at = at > 0 ? at - 1 : 0;
        break;
    case Move::Right:
        at = std::min(m_text.size(), at + 1 + (at + 1 < m_text.size() && IsLowSurrogate(m_text[at + 1]) ? 1 : 0));
        break;
    case Move::WordLeft: at = WordBoundary(at, false); break;
    case Move::WordRight: at = WordBoundary(at, true); break;
    case Move::Home: at = m_lines ? LineStart(at) : 0; break;
    case Move::End: at = m_lines ? LineEnd(at) : m_text.size(); break;
    }
    SetCaret(at, extend);
}

void TextEditor::SelectAll()
{
    m_anchor = 0;
    m_caret = m_text.size();
}

void TextEditor::SelectWordAt(std::size_t position)
{
    position = Clamp(position);
    std::size_t start = position, end = position;
    while (start > 0 && IsWordCharacter(m_text[start - 1]))
        --start;
    while (end < m_text.size() && IsWordCharacter(m_text[end]))
        ++end;
    m_anchor = start;
    m_caret = end;
}

void TextEditor::Remember()
{
    m_undo.push_back({m_text, m_caret, m_anchor});
    if (m_undo.size() > kMaxUndo)
        m_undo.erase(m_undo.begin());
    m_redo.clear();
}

bool TextEditor::Replace(std::size_t from, std::size_t to, std::wstring_view with)
{
    if (m_readOnly || (from == to && with.empty()))
        return false;
    std::wstring insert(with);
    // Control characters do not go in; line breaks only into a text of several lines, as LF.
    bool lines = m_lines;
    insert.erase(std::remove_if(insert.begin(), insert.end(),
                                [lines](wchar_t c) { return (c < 0x20 && !(lines && (c == L'\n' || c == L'\t'))) || c == 0x7F; }),
                 insert.end());
    if (m_maxLength > 0) {
        std::size_t room = m_maxLength > m_text.size() - (to - from) ? m_maxLength - (m_text.size() - (to - from)) : 0;
        if (insert.size() > room) {
            insert.resize(room);
            if (!insert.empty() && insert.back() >= 0xD800 && insert.back() <= 0xDBFF)
                insert.pop_back();  // half a pair is no character
        }
    }
    if (from == to && insert.empty())
        return false;
    Remember();
    m_text.replace(from, to - from, insert);
    m_caret = m_anchor = from + insert.size();
    return true;
}

bool TextEditor::Insert(std::wstring_view text)
{
    return Replace(SelectionStart(), SelectionEnd(), text);
}

bool TextEditor::Backspace(bool word)
{
    if (HasSelection())
        return Replace(SelectionStart(), SelectionEnd(), L"");
    std::size_t from = word ? WordBoundary(m_caret, false) : (m_caret > 0 ? m_caret - 1 : 0);
    if (!word && from > 0 && IsLowSurrogate(m_text[from]))
        --from;
    return Replace(from, m_caret, L"");
}

bool TextEditor::Delete(bool word)
{
    if (HasSelection())
        return Replace(SelectionStart(), SelectionEnd(), L"");
    std::size_t to = word ? WordBoundary(m_caret, true) : std::min(m_text.size(), m_caret + 1);
    if (!word && to < m_text.size() && IsLowSurrogate(m_text[to]))
        ++to;
    return Replace(m_caret, to, L"");
}

bool TextEditor::Undo()
{
    if (m_undo.empty() || m_readOnly)
        return false;
    m_redo.push_back({m_text, m_caret, m_anchor});
    Snapshot snapshot = std::move(m_undo.back());
    m_undo.pop_back();
    m_text = std::move(snapshot.Text);
    m_caret = snapshot.Caret;
    m_anchor = snapshot.Anchor;
    return true;
}

bool TextEditor::Redo()
{
    if (m_redo.empty() || m_readOnly)
        return false;
    m_undo.push_back({m_text, m_caret, m_anchor});
    Snapshot snapshot = std::move(m_redo.back());
    m_redo.pop_back();
    m_text = std::move(snapshot.Text);
    m_caret = snapshot.Caret;
    m_anchor = snapshot.Anchor;
    return true;
}

} // namespace Engine
