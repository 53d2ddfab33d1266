#pragma once
#include "engine/dom/Element.h"

#include <string>
#include <string_view>
#include <vector>

namespace Engine {

struct HtmlToken {
    enum class Type { StartTag, EndTag, Text, EndOfFile };
    Type Kind = Type::EndOfFile;
    std::string Name;  // lower case
    std::vector<Attribute> Attributes;
    std::wstring Data;
    bool SelfClosing = false;
};

// A forgiving tokenizer: whatever the input, it ends with EndOfFile after a finite number of
// tokens. Comments, doctypes and processing instructions are dropped.
class HtmlTokenizer {
public:
    static constexpr std::size_t kMaxAttributes = 256;
    static constexpr std::size_t kMaxNameLength = 256;

    explicit HtmlTokenizer(std::wstring_view source) : m_source(source) {}

    [[nodiscard]] bool Next(HtmlToken& token);

private:
    void ReadTag(HtmlToken& token, bool endTag);
    void ReadAttributes(HtmlToken& token);
    void ReadRawText(HtmlToken& token);
    [[nodiscard]] bool SkipMarkupDeclaration();
    void AppendDecoded(std::wstring& out, std::wstring_view text, bool inAttribute) const;

    std::wstring_view m_source;
    std::size_t m_at = 0;
    std::string m_rawTextEnd;  // set after <style>, <script>, <textarea>, <title>
    bool m_rawTextDecodes = false;
};

} // namespace Engine
