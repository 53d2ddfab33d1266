#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace Engine {

// The text of a one-line input as the user edits it: a caret, a selection from an anchor to
// the caret, edits that respect a maximum length and read-only, and undo and redo. Positions
// are UTF-16 indexes that never split a surrogate pair.
class TextEditor {
public:
    // Starts over with this text, the caret at its end. A text of several lines keeps line breaks.
    void Reset(std::wstring text, std::size_t maxLength, bool readOnly, bool lines = false);
    [[nodiscard]] bool Lines() const { return m_lines; }
    // The start and end of the line (between line breaks) the caret is on.
    [[nodiscard]] std::size_t LineStart(std::size_t at) const;
    [[nodiscard]] std::size_t LineEnd(std::size_t at) const;

    [[nodiscard]] const std::wstring& Text() const { return m_text; }
    [[nodiscard]] std::size_t Caret() const { return m_caret; }
    [[nodiscard]] std::size_t SelectionStart() const { return m_caret < m_anchor ? m_caret : m_anchor; }
    [[nodiscard]] std::size_t SelectionEnd() const { return m_caret < m_anchor ? m_anchor : m_caret; }
    [[nodiscard]] bool HasSelection() const { return m_caret != m_anchor; }
    [[nodiscard]] std::wstring Selected() const { return m_text.substr(SelectionStart(), SelectionEnd() - SelectionStart()); }

    enum class Move { Left, Right, WordLeft, WordRight, Home, End };
    void MoveCaret(Move move, bool extend);
    void SetCaret(std::size_t position, bool extend);
    void SelectAll();
    void SelectWordAt(std::size_t position);

    // Edits answer whether the text changed.
    bool Insert(std::wstring_view text);
    bool Backspace(bool word);
    bool Delete(bool word);
    bool Undo();
    bool Redo();

private:
    struct Snapshot {
        std::wstring Text;
        std::size_t Caret;
        std::size_t Anchor;
    };
    [[nodiscard]] std::size_t Clamp(std::size_t position) const;
    [[nodiscard]] std::size_t WordBoundary(std::size_t from, bool forward) const;
    void Remember();
    bool Replace(std::size_t from, std::size_t to, std::wstring_view with);

    std::wstring m_text;
    std::size_t m_caret = 0;
    std::size_t m_anchor = 0;
    std::size_t m_maxLength = 0;  // 0: none
    bool m_readOnly = false;
    bool m_lines = false;
    std::vector<Snapshot> m_undo;
    std::vector<Snapshot> m_redo;
    static constexpr std::size_t kMaxUndo = 100;
};

} // namespace Engine
