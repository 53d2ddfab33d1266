#include "engine/css/CssParser.h"

#include "engine/css/Shorthands.h"

#include <algorithm>

namespace Engine {

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

std::wstring_view Trim(std::wstring_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string LowerNarrow(std::wstring_view text)
{
    std::string out;
    for (wchar_t c : text)
        out.push_back(c >= L'A' && c <= L'Z' ? static_cast<char>(c + 32) : c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring StripComments(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    wchar_t quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (quote != 0) {
            if (c == L'\\' && i + 1 < text.size()) {
                out.push_back(c);
                out.push_back(text[++i]);
                continue;
            }
            if (c == quote)
                quote = 0;
            out.push_back(c);
        } else if (c == L'/' && i + 1 < text.size() && text[i + 1] == L'*') {
            std::size_t end = text.find(L"*/", i + 2);
            i = end == std::wstring_view::npos ? text.size() : end + 1;
            out.push_back(L' ');
        } else {
            if (c == L'"' || c == L'\'')
                quote = c;
            out.push_back(c);
        }
    }
    return out;
}

// Finds the first of the stop characters at nesting level zero, outside strings.
std::size_t FindTopLevel(std::wstring_view text, std::size_t from, std::wstring_view stops)
{
    int depth = 0;
    wchar_t quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (quote != 0) {
            if (c == L'\\')
                ++i;
            else if (c == quote)
                quote = 0;
            continue;
        }
        if (depth == 0 && stops.find(c) != std::wstring_view::npos)
            return i;
        if (c == L'"' || c == L'\'')
            quote = c;
        else if (c == L'(' || c == L'[' || c == L'{')
            ++depth;
        else if ((c == L')' || c == L']' || c == L'}') && depth > 0)
            --depth;
    }
    return std::wstring_view::npos;
}

// The end of the block that opens at text[open] ('{'): the index of its '}' or the text's end.
std::size_t BlockEnd(std::wstring_view text, std::size_t open)
{
    std::size_t end = FindTopLevel(text, open + 1, L"}");
    return end == std::wstring_view::npos ? text.size() : end;
}

std::vector<Declaration> ParseDeclarationList(std::wstring_view text)
{
    std::vector<Declaration> declarations;
    std::size_t at = 0;
    while (at < text.size() && declarations.size() < CssParser::kMaxDeclarations) {
        std::size_t end = FindTopLevel(text, at, L";");
        if (end == std::wstring_view::npos)
            end = text.size();
        std::wstring_view item = text.substr(at, end - at);
        at = end + 1;
        std::size_t colon = item.find(L':');
        if (colon == std::wstring_view::npos)
            continue;
        std::wstring_view name = Trim(item.substr(0, colon));
        std::wstring_view value = Trim(item.substr(colon + 1));
        if (name.empty() || std::any_of(name.begin(), name.end(), [](wchar_t c) { return IsSpace(c) || c == L'{' || c == L'}'; }))
            continue;
        Declaration declaration{LowerNarrow(name), {}, false};
        std::size_t bang = value.rfind(L'!');
        if (bang != std::wstring_view::npos && LowerNarrow(Trim(value.substr(bang + 1))) == "important") {
            declaration.Important = true;
            value = Trim(value.substr(0, bang));
        }
        declaration.Value.assign(value.begin(), value.end());
        declarations.push_back(std::move(declaration));
    }
    return declarations;
}

std::vector<std::wstring> ParseMediaList(std::wstring_view prelude)
{
    std::vector<std::wstring> media;
    std::size_t at = 0;
    while (at <= prelude.size()) {
        std::size_t end = prelude.find(L',', at);
        if (end == std::wstring_view::npos)
            end = prelude.size();
        std::wstring_view item = Trim(prelude.substr(at, end - at));
        if (!item.empty()) {
            std::string lower = LowerNarrow(item);
            media.emplace_back(lower.begin(), lower.end());
        }
        at = end + 1;
    }
    return media;
}

// Media of a block inside another: those both lists name; empty when they share none.
std::vector<std::wstring> NestedMedia(const std::vector<std::wstring>& outer, std::vector<std::wstring> inner)
{
    if (outer.empty())
        return inner;
    if (inner.empty())
        return outer;
    bool outerAll = std::find(outer.begin(), outer.end(), L"all") != outer.end();
    std::vector<std::wstring> both;
    for (const std::wstring& item : inner) {
        if (item == L"all")
            return outer;
        if (outerAll || std::find(outer.begin(), outer.end(), item) != outer.end())
            both.push_back(item);
    }
    return both;
}

void ParseRules(std::wstring_view text, const std::vector<std::wstring>& media, int nesting, StyleSheet& sheet)
{
    std::size_t at = 0;
    while (at < text.size() && sheet.Rules.size() < CssParser::kMaxRules) {
        // Old pages hide their sheets from older browsers inside <!-- -->.
        while (at < text.size()) {
            if (IsSpace(text[at]) || text[at] == L';' || text[at] == L'}')
                ++at;
            else if (text.substr(at, 4) == L"<!--")
                at += 4;
            else if (text.substr(at, 3) == L"-->")
                at += 3;
            else
                break;
        }
        if (at >= text.size())
            return;
        std::size_t open = FindTopLevel(text, at, L"{;");
        if (open == std::wstring_view::npos)
            return;
        if (text[open] == L';') {  // @import, @charset and stray text end at a semicolon
            at = open + 1;
            continue;
        }
        std::size_t close = BlockEnd(text, open);
        if (text[at] == L'@') {
            std::size_t nameEnd = at + 1;
            while (nameEnd < open && !IsSpace(text[nameEnd]))
                ++nameEnd;
            if (LowerNarrow(text.substr(at + 1, nameEnd - at - 1)) == "media" && nesting < CssParser::kMaxMediaNesting) {
                std::vector<std::wstring> inner = NestedMedia(media, ParseMediaList(text.substr(nameEnd, open - nameEnd)));
                if (!inner.empty() || media.empty())
                    ParseRules(text.substr(open + 1, close - open - 1), inner, nesting + 1, sheet);
            }
            at = close + 1;
            continue;
        }
        auto selectors = Selector::ParseList(Trim(text.substr(at, open - at)));
        if (selectors) {
            StyleRule rule;
            rule.Selectors = std::move(*selectors);
            rule.Declarations = Shorthands::Expand(ParseDeclarationList(text.substr(open + 1, close - open - 1)));
            rule.Media = media;
            sheet.Rules.push_back(std::move(rule));
        }
        at = close + 1;
    }
}

} // namespace

StyleSheet CssParser::ParseStyleSheet(std::wstring_view text)
{
    StyleSheet sheet;
    std::wstring clean = StripComments(text);
    ParseRules(clean, {}, 0, sheet);
    return sheet;
}

std::vector<Declaration> CssParser::ParseDeclarations(std::wstring_view text)
{
    return Shorthands::Expand(ParseDeclarationList(StripComments(text)));
}

} // namespace Engine
