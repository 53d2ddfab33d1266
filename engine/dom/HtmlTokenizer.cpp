#include "engine/dom/HtmlTokenizer.h"

#include "engine/dom/CharacterReferences.h"

namespace Engine {

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

char LowerAscii(wchar_t c)
{
    if (c >= L'A' && c <= L'Z')
        return static_cast<char>(c + 32);
    return c < 0x80 ? static_cast<char>(c) : '?';
}

} // namespace

void HtmlTokenizer::AppendDecoded(std::wstring& out, std::wstring_view text, bool inAttribute) const
{
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == L'&') {
            std::size_t used = CharacterReferences::Decode(text, i, out, inAttribute);
            if (used != 0) {
                i += used;
                continue;
            }
        }
        if (text[i] == L'\r') {
            out.push_back(L'\n');
            i += (i + 1 < text.size() && text[i + 1] == L'\n') ? 2 : 1;
            continue;
        }
        out.push_back(text[i] == 0 ? L'\xFFFD' : text[i]);
        ++i;
    }
}

bool HtmlTokenizer::Next(HtmlToken& token)
{
    token = HtmlToken{};
    if (!m_rawTextEnd.empty()) {
        ReadRawText(token);
        if (!token.Data.empty())
            return true;
    }
    while (m_at < m_source.size()) {
        if (m_source[m_at] != L'<') {
            std::size_t end = m_source.find(L'<', m_at);
            if (end == std::wstring_view::npos)
                end = m_source.size();
            token.Kind = HtmlToken::Type::Text;
            AppendDecoded(token.Data, m_source.substr(m_at, end - m_at), false);
            m_at = end;
            // Text stops at a real tag only; a stray '<' is kept as text.
            while (m_at < m_source.size()) {
                wchar_t next = m_at + 1 < m_source.size() ? m_source[m_at + 1] : 0;
                if (IsAsciiLetter(next) || next == L'/' || next == L'!' || next == L'?')
                    break;
                end = m_source.find(L'<', m_at + 1);
                if (end == std::wstring_view::npos)
                    end = m_source.size();
                AppendDecoded(token.Data, m_source.substr(m_at, end - m_at), false);
                m_at = end;
            }
            return true;
        }
        wchar_t next = m_at + 1 < m_source.size() ? m_source[m_at + 1] : 0;
        if (IsAsciiLetter(next)) {
            ReadTag(token, false);
            return true;
        }
        if (next == L'/') {
            wchar_t after = m_at + 2 < m_source.size() ? m_source[m_at + 2] : 0;
            if (IsAsciiLetter(after)) {
                ReadTag(token, true);
                return true;
            }
            // "</>" and "</ x>": dropped up to the next '>'.
            std::size_t end = m_source.find(L'>', m_at);
            m_at = end == std::wstring_view::npos ? m_source.size() : end + 1;
            continue;
        }
        if (next == L'!' || next == L'?') {
            if (!SkipMarkupDeclaration())
                m_at = m_source.size();
            continue;
        }
        // A lone '<' followed by anything else is text.
        token.Kind = HtmlToken::Type::Text;
        token.Data = L"<";
        ++m_at;
        return true;
    }
    token.Kind = HtmlToken::Type::EndOfFile;
    return false;
}

bool HtmlTokenizer::SkipMarkupDeclaration()
{
    if (m_source.substr(m_at, 4) == L"<!--") {
        std::size_t end = m_source.find(L"-->", m_at + 4);
        if (end == std::wstring_view::npos)
            return false;
        m_at = end + 3;
        return true;
    }
    std::size_t end = m_source.find(L'>', m_at);
    if (end == std::wstring_view::npos)
        return false;
    m_at = end + 1;
    return true;
}

void HtmlTokenizer::ReadTag(HtmlToken& token, bool endTag)
{
    token.Kind = endTag ? HtmlToken::Type::EndTag : HtmlToken::Type::StartTag;
    m_at += endTag ? 2 : 1;
    while (m_at < m_source.size() && !IsSpace(m_source[m_at]) && m_source[m_at] != L'/' && m_source[m_at] != L'>') {
        if (token.Name.size() < kMaxNameLength)
            token.Name.push_back(LowerAscii(m_source[m_at]));
        ++m_at;
    }
    ReadAttributes(token);
    if (endTag) {
        token.Attributes.clear();
        token.SelfClosing = false;
        return;
    }
    if (token.Name == "style" || token.Name == "script" || token.Name == "textarea" || token.Name == "title" ||
        token.Name == "xmp") {
        if (!token.SelfClosing) {
            m_rawTextEnd = token.Name;
            m_rawTextDecodes = token.Name == "textarea" || token.Name == "title";
        }
    }
}

void HtmlTokenizer::ReadAttributes(HtmlToken& token)
{
    while (m_at < m_source.size()) {
        wchar_t c = m_source[m_at];
        if (IsSpace(c)) {
            ++m_at;
            continue;
        }
        if (c == L'>') {
            ++m_at;
            return;
        }
        if (c == L'/') {
            ++m_at;
            if (m_at < m_source.size() && m_source[m_at] == L'>') {
                token.SelfClosing = true;
                ++m_at;
                return;
            }
            continue;
        }
        std::string name;
        // A name may begin with '=' or a quote, as broken pages have them; it ends at '='.
        do {
            if (name.size() < kMaxNameLength)
                name.push_back(LowerAscii(m_source[m_at]));
            ++m_at;
        } while (m_at < m_source.size() && !IsSpace(m_source[m_at]) && m_source[m_at] != L'/' &&
                 m_source[m_at] != L'>' && m_source[m_at] != L'=');
        while (m_at < m_source.size() && IsSpace(m_source[m_at]))
            ++m_at;
        std::wstring value;
        if (m_at < m_source.size() && m_source[m_at] == L'=') {
            ++m_at;
            while (m_at < m_source.size() && IsSpace(m_source[m_at]))
                ++m_at;
            if (m_at < m_source.size() && (m_source[m_at] == L'"' || m_source[m_at] == L'\'')) {
                wchar_t quote = m_source[m_at++];
                std::size_t end = m_source.find(quote, m_at);
                if (end == std::wstring_view::npos)
                    end = m_source.size();
                AppendDecoded(value, m_source.substr(m_at, end - m_at), true);
                m_at = end < m_source.size() ? end + 1 : end;
            } else {
                std::size_t start = m_at;
                while (m_at < m_source.size() && !IsSpace(m_source[m_at]) && m_source[m_at] != L'>')
                    ++m_at;
                AppendDecoded(value, m_source.substr(start, m_at - start), true);
            }
        }
        bool known = false;
        for (const Attribute& attribute : token.Attributes)
            known = known || attribute.Name == name;
        if (!known && token.Attributes.size() < kMaxAttributes)
            token.Attributes.push_back({std::move(name), std::move(value)});
    }
}

void HtmlTokenizer::ReadRawText(HtmlToken& token)
{
    std::size_t end = m_at;
    while (true) {
        end = m_source.find(L"</", end);
        if (end == std::wstring_view::npos) {
            end = m_source.size();
            break;
        }
        std::size_t k = 0;
        while (k < m_rawTextEnd.size() && end + 2 + k < m_source.size() &&
               LowerAscii(m_source[end + 2 + k]) == m_rawTextEnd[k])
            ++k;
        std::size_t after = end + 2 + k;
        if (k == m_rawTextEnd.size() &&
            (after >= m_source.size() || IsSpace(m_source[after]) || m_source[after] == L'>' || m_source[after] == L'/'))
            break;
        end += 2;
    }
    token.Kind = HtmlToken::Type::Text;
    std::wstring_view raw = m_source.substr(m_at, end - m_at);
    if (m_rawTextDecodes)
        AppendDecoded(token.Data, raw, false);
    else
        token.Data.assign(raw.begin(), raw.end());
    m_at = end;
    m_rawTextEnd.clear();
}

} // namespace Engine
