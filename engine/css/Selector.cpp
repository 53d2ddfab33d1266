#include "engine/css/Selector.h"

#include "engine/css/AncestorFilter.h"
#include "engine/dom/Element.h"

#include <algorithm>
#include <cwctype>

namespace Engine {

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

bool IsNameChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'_' || c >= 0x80;
}

char LowerAscii(wchar_t c)
{
    if (c >= L'A' && c <= L'Z')
        return static_cast<char>(c + 32);
    return c < 0x80 ? static_cast<char>(c) : '?';
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

bool ContainsToken(std::wstring_view list, std::wstring_view token, wchar_t separator)
{
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && (separator == L' ' ? IsSpace(list[at]) : list[at] == separator))
            ++at;
        std::size_t end = at;
        while (end < list.size() && !(separator == L' ' ? IsSpace(list[end]) : list[end] == separator))
            ++end;
        if (end > at && list.substr(at, end - at) == token)
            return true;
        at = end;
    }
    return false;
}

class SelectorParser {
public:
    explicit SelectorParser(std::wstring_view text) : m_text(text) {}

    std::optional<std::vector<ComplexSelector>> ParseList()
    {
        std::vector<ComplexSelector> list;
        while (true) {
            SkipSpace();
            ComplexSelector complex;
            if (!ParseComplex(complex))
                return std::nullopt;
            list.push_back(std::move(complex));
            SkipSpace();
            if (AtEnd())
                return list;
            if (m_text[m_at] != L',')
                return std::nullopt;
            ++m_at;
        }
    }

    bool ParseCompound(CompoundSelector& compound, std::uint32_t& specificity)
    {
        bool any = false;
        if (!AtEnd() && m_text[m_at] == L'*') {
            ++m_at;
            any = true;
        } else if (!AtEnd() && IsNameChar(m_text[m_at])) {
            compound.Tag = Narrow(ReadName());
            specificity += 1;
            any = true;
        }
        while (!AtEnd()) {
            wchar_t c = m_text[m_at];
            if (c == L'#') {
                ++m_at;
                compound.Id = ReadName();
                if (compound.Id.empty())
                    return false;
                specificity += 1u << 16;
            } else if (c == L'.') {
                ++m_at;
                std::wstring name = ReadName();
                if (name.empty())
                    return false;
                compound.Classes.push_back(std::move(name));
                specificity += 1u << 8;
            } else if (c == L'[') {
                ++m_at;
                AttributeTest test;
                if (!ParseAttribute(test))
                    return false;
                compound.Attributes.push_back(std::move(test));
                specificity += 1u << 8;
            } else if (c == L':') {
                ++m_at;
                if (!ParsePseudo(compound, specificity))
                    return false;
            } else {
                break;
            }
            any = true;
        }
        return any;
    }

private:
    bool AtEnd() const { return m_at >= m_text.size(); }
    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(m_text[m_at]))
            ++m_at;
    }

    std::wstring ReadName()
    {
        std::wstring name;
        while (!AtEnd()) {
            wchar_t c = m_text[m_at];
            if (c == L'\\' && m_at + 1 < m_text.size()) {
                name.push_back(m_text[m_at + 1]);
                m_at += 2;
            } else if (IsNameChar(c)) {
                name.push_back(c);
                ++m_at;
            } else {
                break;
            }
        }
        return name;
    }

    static std::string Narrow(std::wstring_view name)
    {
        std::string narrow;
        for (wchar_t c : name)
            narrow.push_back(LowerAscii(c));
        return narrow;
    }

    bool ParseComplex(ComplexSelector& complex)
    {
        Combinator pending = Combinator::None;
        while (true) {
            CompoundSelector compound;
            compound.ToLeft = pending;
            if (!ParseCompound(compound, complex.Specificity))
                return false;
            complex.Compounds.push_back(std::move(compound));
            if (complex.Compounds.size() > Selector::kMaxCompounds)
                return false;
            std::size_t before = m_at;
            SkipSpace();
            if (AtEnd() || m_text[m_at] == L',' || m_text[m_at] == L')') {
                NoteAncestorHashes(complex);
                return true;
            }
            wchar_t c = m_text[m_at];
            if (c == L'>' || c == L'+' || c == L'~') {
                pending = c == L'>' ? Combinator::Child : c == L'+' ? Combinator::NextSibling : Combinator::LaterSibling;
                ++m_at;
                SkipSpace();
            } else if (m_at > before) {
                pending = Combinator::Descendant;
            } else {
                return false;
            }
        }
    }

    // A compound left of a descendant or child combinator names an ancestor of the subject.
    static void NoteAncestorHashes(ComplexSelector& complex)
    {
        std::size_t count = 0;
        auto note = [&](std::uint32_t hash) {
            if (count < complex.AncestorHashes.size())
                complex.AncestorHashes[count++] = hash;
        };
        for (std::size_t i = complex.Compounds.size() - 1; i-- > 0;) {
            Combinator toRight = complex.Compounds[i + 1].ToLeft;
            if (toRight != Combinator::Descendant && toRight != Combinator::Child)
                continue;
            const CompoundSelector& compound = complex.Compounds[i];
            if (!compound.Id.empty())
                note(AncestorFilter::IdHash(compound.Id));
            for (const std::wstring& name : compound.Classes)
                note(AncestorFilter::ClassHash(name));
            if (!compound.Tag.empty())
                note(AncestorFilter::TagHash(compound.Tag));
        }
    }

    bool ParseAttribute(AttributeTest& test)
    {
        SkipSpace();
        test.Name = Narrow(ReadName());
        if (test.Name.empty())
            return false;
        SkipSpace();
        if (AtEnd())
            return false;
        wchar_t c = m_text[m_at];
        if (c == L']') {
            ++m_at;
            return true;
        }
        if (c == L'=') {
            ++m_at;
            test.Kind = AttributeTest::Match::Equals;
            if (!AtEnd() && m_text[m_at] == L'=') {
                ++m_at;
                test.Kind = AttributeTest::Match::EqualsCaseSensitive;
            }
        } else if (m_at + 1 < m_text.size() && m_text[m_at + 1] == L'=') {
            switch (c) {
            case L'~': test.Kind = AttributeTest::Match::Includes; break;
            case L'|': test.Kind = AttributeTest::Match::DashMatch; break;
            case L'^': test.Kind = AttributeTest::Match::Prefix; break;
            case L'$': test.Kind = AttributeTest::Match::Suffix; break;
            case L'*': test.Kind = AttributeTest::Match::Substring; break;
            default: return false;
            }
            m_at += 2;
        } else {
            return false;
        }
        SkipSpace();
        if (AtEnd())
            return false;
        if (m_text[m_at] == L'\'' || m_text[m_at] == L'"') {
            wchar_t quote = m_text[m_at++];
            while (!AtEnd() && m_text[m_at] != quote) {
                if (m_text[m_at] == L'\\' && m_at + 1 < m_text.size())
                    ++m_at;
                test.Value.push_back(m_text[m_at++]);
            }
            if (AtEnd())
                return false;
            ++m_at;
        } else {
            test.Value = ReadName();
        }
        SkipSpace();
        if (AtEnd() || m_text[m_at] != L']')
            return false;
        ++m_at;
        return true;
    }

    bool ParsePseudo(CompoundSelector& compound, std::uint32_t& specificity)
    {
        std::string name = Narrow(ReadName());
        specificity += 1u << 8;
        if (name == "not") {
            if (AtEnd() || m_text[m_at] != L'(')
                return false;
            ++m_at;
            SkipSpace();
            CompoundSelector negated;
            std::uint32_t ignored = 0;
            if (!ParseCompound(negated, ignored))
                return false;
            SkipSpace();
            if (AtEnd() || m_text[m_at] != L')')
                return false;
            ++m_at;
            compound.Negations.push_back(std::move(negated));
            return true;
        }
        if (name == "nth-child")
            return ParseNthChild(compound);
        if (name == "first-child")
            compound.Structure |= kFirstChild;
        else if (name == "last-child")
            compound.Structure |= kLastChild;
        else if (name == "only-child")
            compound.Structure |= kOnlyChild;
        else if (name == "root")
            compound.Structure |= kRoot;
        else if (name == "empty")
            compound.Structure |= kEmpty;
        else if (name == "enabled")
            compound.StatesClear |= kStateDisabled;
        else if (name == "unchecked")
            compound.StatesClear |= kStateChecked;
        else if (unsigned state = Selector::StateForPseudoClass(name))
            compound.StatesSet |= state;
        else
            return false;
        return true;
    }

    // The argument of :nth-child: odd, even, b, an, an+b, with an optional sign on a and b and
    // spaces around the operator between them.
    bool ParseNthChild(CompoundSelector& compound)
    {
        if (AtEnd() || m_text[m_at] != L'(')
            return false;
        std::size_t close = m_text.find(L')', m_at);
        if (close == std::wstring_view::npos)
            return false;
        std::string text;
        bool spaced = false;
        for (wchar_t c : m_text.substr(m_at + 1, close - m_at - 1)) {
            if (IsSpace(c)) {
                spaced = !text.empty();
                continue;
            }
            // Spaces may stand only beside the operator: "1 2" is not 12.
            if (spaced && IsNameChar(c) && IsNameChar(static_cast<wchar_t>(text.back())))
                return false;
            spaced = false;
            text.push_back(LowerAscii(c));
        }
        m_at = close + 1;
        NthChildTest test;
        if (text == "odd") {
            test = {2, 1};
        } else if (text == "even") {
            test = {2, 0};
        } else {
            std::size_t n = text.find('n');
            std::string_view a = n == std::string::npos ? std::string_view() : std::string_view(text).substr(0, n);
            std::string_view b = n == std::string::npos ? std::string_view(text) : std::string_view(text).substr(n + 1);
            if (n != std::string::npos && !ReadNthNumber(a, NthNumber::SignAlone, test.A))
                return false;
            // After an "n" the constant needs its sign: "2n1" is not a formula.
            if (n != std::string::npos && !b.empty() && b[0] != '+' && b[0] != '-')
                return false;
            if ((n == std::string::npos || !b.empty()) && !ReadNthNumber(b, NthNumber::Digits, test.B))
                return false;
        }
        compound.NthChildren.push_back(test);
        return true;
    }

    enum class NthNumber { Digits, SignAlone };

    // A signed integer of up to six digits; as the factor of n, a sign alone or nothing stands for 1 or -1.
    static bool ReadNthNumber(std::string_view text, NthNumber kind, int& value)
    {
        int sign = 1;
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
            sign = text[0] == '-' ? -1 : 1;
            text.remove_prefix(1);
        }
        if (text.empty()) {
            value = sign;
            return kind == NthNumber::SignAlone;
        }
        if (text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        value = sign * std::stoi(std::string(text));
        return true;
    }

    std::wstring_view m_text;
    std::size_t m_at = 0;
};

bool MatchesAttribute(const AttributeTest& test, const Element& element)
{
    const std::wstring* value = element.FindAttribute(test.Name);
    if (value == nullptr)
        return false;
    std::wstring_view v = *value;
    std::wstring_view want = test.Value;
    switch (test.Kind) {
    case AttributeTest::Match::Exists: return true;
    case AttributeTest::Match::Equals: return EqualsIgnoringCase(v, want);
    case AttributeTest::Match::EqualsCaseSensitive: return v == want;
    case AttributeTest::Match::Includes: return ContainsToken(v, want, L' ');
    case AttributeTest::Match::DashMatch:
        return v == want || (v.size() > want.size() && v.substr(0, want.size()) == want && v[want.size()] == L'-');
    case AttributeTest::Match::Prefix: return !want.empty() && v.substr(0, want.size()) == want;
    case AttributeTest::Match::Suffix: return !want.empty() && v.size() >= want.size() && v.substr(v.size() - want.size()) == want;
    case AttributeTest::Match::Substring: return !want.empty() && v.find(want) != std::wstring_view::npos;
    }
    return false;
}

bool MatchesCompound(const CompoundSelector& compound, const Element& element)
{
    if (!compound.Tag.empty() && compound.Tag != element.Tag())
        return false;
    if ((element.State() & compound.StatesSet) != compound.StatesSet || (element.State() & compound.StatesClear) != 0)
        return false;
    if (!compound.Id.empty()) {
        const std::wstring* id = element.FindAttribute("id");
        if (id == nullptr || *id != compound.Id)
            return false;
    }
    if (!compound.Classes.empty()) {
        const std::wstring* classes = element.FindAttribute("class");
        if (classes == nullptr)
            return false;
        for (const std::wstring& name : compound.Classes) {
            if (!ContainsToken(*classes, name, L' '))
                return false;
        }
    }
    for (const AttributeTest& test : compound.Attributes) {
        if (!MatchesAttribute(test, element))
            return false;
    }
    if (compound.Structure != 0) {
        const Element* parent = element.Parent();
        if ((compound.Structure & kRoot) && parent != nullptr)
            return false;
        if ((compound.Structure & kEmpty) && !element.Nodes().empty())
            return false;
        if (compound.Structure & (kFirstChild | kLastChild | kOnlyChild)) {
            if (parent == nullptr)
                return false;
            const auto& siblings = parent->Children();
            bool first = siblings.front() == &element;
            bool last = siblings.back() == &element;
            if (((compound.Structure & kFirstChild) && !first) || ((compound.Structure & kLastChild) && !last) ||
                ((compound.Structure & kOnlyChild) && !(first && last)))
                return false;
        }
    }
    for (const NthChildTest& test : compound.NthChildren) {
        if (element.Parent() == nullptr)
            return false;
        int offset = element.IndexInParent() + 1 - test.B;
        if (test.A == 0 ? offset != 0 : (offset % test.A != 0 || offset / test.A < 0))
            return false;
    }
    for (const CompoundSelector& negated : compound.Negations) {
        if (MatchesCompound(negated, element))
            return false;
    }
    return true;
}

// How a try failed tells the caller whether trying further up can still help: a descendant
// combinator that found no ancestor fails for every ancestor above as well (as in WebKit's
// SelectorChecker), which keeps chains of descendant combinators linear in the depth.
enum class Outcome { Matches, FailsHere, FailsCompletely };

Outcome MatchFrom(const ComplexSelector& selector, std::size_t index, const Element& element, int& budget,
                  MatchContext& context);

// Whether a sibling before element matches the compounds up to index. The children of a parent
// are tried once, in order, however many of them ask.
Outcome AnyEarlierSibling(const ComplexSelector& selector, std::size_t index, const Element& element, int& budget,
                          MatchContext& context)
{
    const Element* parent = element.Parent();
    if (parent == nullptr)
        return Outcome::FailsHere;
    auto position = static_cast<std::size_t>(element.IndexInParent());
    MatchContext::SiblingScan& scan = context.LaterSiblings[{&selector, index, parent}];
    const auto& siblings = parent->Children();
    while (scan.FirstMatch == SIZE_MAX && scan.Tried < position) {
        Outcome outcome = MatchFrom(selector, index, *siblings[scan.Tried], budget, context);
        if (budget < 0)
            return Outcome::FailsCompletely;
        if (outcome == Outcome::Matches)
            scan.FirstMatch = scan.Tried;
        ++scan.Tried;
    }
    return scan.FirstMatch < position ? Outcome::Matches : Outcome::FailsHere;
}

Outcome MatchFrom(const ComplexSelector& selector, std::size_t index, const Element& element, int& budget,
                  MatchContext& context)
{
    if (--budget < 0)
        return Outcome::FailsCompletely;
    if (!MatchesCompound(selector.Compounds[index], element))
        return Outcome::FailsHere;
    if (index == 0)
        return Outcome::Matches;
    switch (selector.Compounds[index].ToLeft) {
    case Combinator::Descendant:
        for (const Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
            Outcome outcome = MatchFrom(selector, index - 1, *at, budget, context);
            if (outcome != Outcome::FailsHere)
                return outcome;
        }
        return Outcome::FailsCompletely;
    case Combinator::Child:
        return element.Parent() != nullptr ? MatchFrom(selector, index - 1, *element.Parent(), budget, context)
                                           : Outcome::FailsCompletely;
    case Combinator::NextSibling: {
        const Element* previous = element.PreviousElementSibling();
        return previous != nullptr ? MatchFrom(selector, index - 1, *previous, budget, context) : Outcome::FailsHere;
    }
    case Combinator::LaterSibling: return AnyEarlierSibling(selector, index - 1, element, budget, context);
    case Combinator::None: break;
    }
    return Outcome::FailsHere;
}

} // namespace

std::optional<std::vector<ComplexSelector>> Selector::ParseList(std::wstring_view text)
{
    if (text.size() > kMaxLength)
        return std::nullopt;
    return SelectorParser(text).ParseList();
}

bool Selector::Matches(const ComplexSelector& selector, const Element& element)
{
    MatchContext context;
    return Matches(selector, element, context);
}

bool Selector::Matches(const ComplexSelector& selector, const Element& element, MatchContext& context)
{
    if (selector.Compounds.empty() || context.StepsLeft == 0)
        return false;
    if (context.Ancestors != nullptr && !context.Ancestors->MightMatch(selector)) {
        --context.StepsLeft;
        return false;
    }
    int budget = static_cast<int>(std::min<std::uint64_t>(kMatchBudget, context.StepsLeft));
    int start = budget;
    bool matches = MatchFrom(selector, selector.Compounds.size() - 1, element, budget, context) == Outcome::Matches;
    context.StepsLeft -= static_cast<std::uint64_t>(start - std::max(budget, 0));
    return matches;
}

bool Selector::MatchesAny(const std::vector<ComplexSelector>& list, const Element& element, MatchContext& context)
{
    return std::any_of(list.begin(), list.end(), [&](const ComplexSelector& s) { return Matches(s, element, context); });
}

unsigned Selector::StateForPseudoClass(std::string_view name)
{
    struct Entry {
        std::string_view Name;
        unsigned State;
    };
    static constexpr Entry kStates[] = {
        {"link", kStateLink},         {"hover", kStateHover},         {"active", kStateActive},
        {"focus", kStateFocus},       {"visited", kStateVisited},     {"current", kStateCurrent},
        {"checked", kStateChecked},   {"disabled", kStateDisabled},   {"read-only", kStateReadOnly},
        {"expanded", kStateExpanded}, {"collapsed", kStateCollapsed}, {"incomplete", kStateIncomplete},
        {"anchor", kStateAnchor},     {"popup", kStatePopup},         {"owns-popup", kStateOwnsPopup},
        {"focusable", kStateFocusable}};
    for (const Entry& entry : kStates) {
        if (entry.Name == name)
            return entry.State;
    }
    return 0;
}

} // namespace Engine
