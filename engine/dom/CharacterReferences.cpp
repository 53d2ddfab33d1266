#include "engine/dom/CharacterReferences.h"

#include "engine/dom/Utf.h"

#include <algorithm>
#include <unordered_map>

namespace Engine {

namespace {

// Latin-1 from U+00A0 on, in code point order.
constexpr const char* kLatin1[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// Greek capitals from U+0391 and small letters from U+03B1 (U+03A2 is unassigned).
constexpr const char* kGreek[25] = {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta",    "Eta", "Theta", "Iota",
                                    "Kappa", "Lambda", "Mu", "Nu",    "Xi",      "Omicron", "Pi",  "Rho",   nullptr,
                                    "Sigma", "Tau",  "Upsilon", "Phi", "Chi",     "Psi",     "Omega"};

struct NamedPoint {
    const char* Name;
    char32_t Point;
};

constexpr NamedPoint kOthers[] = {
    {"quot", 34},       {"amp", 38},      {"apos", 39},      {"lt", 60},        {"gt", 62},       {"OElig", 338},
    {"oelig", 339},     {"Scaron", 352},  {"scaron", 353},   {"Yuml", 376},     {"fnof", 402},    {"circ", 710},
    {"tilde", 732},     {"sigmaf", 962},  {"thetasym", 977}, {"upsih", 978},    {"piv", 982},     {"ensp", 8194},
    {"emsp", 8195},     {"thinsp", 8201}, {"zwnj", 8204},    {"zwj", 8205},     {"lrm", 8206},    {"rlm", 8207},
    {"ndash", 8211},    {"mdash", 8212},  {"lsquo", 8216},   {"rsquo", 8217},   {"sbquo", 8218},  {"ldquo", 8220},
    {"rdquo", 8221},    {"bdquo", 8222},  {"dagger", 8224},  {"Dagger", 8225},  {"bull", 8226},   {"hellip", 8230},
    {"permil", 8240},   {"prime", 8242},  {"Prime", 8243},   {"lsaquo", 8249},  {"rsaquo", 8250}, {"oline", 8254},
    {"frasl", 8260},    {"euro", 8364},   {"image", 8465},   {"weierp", 8472},  {"real", 8476},   {"trade", 8482},
    {"alefsym", 8501},  {"larr", 8592},   {"uarr", 8593},    {"rarr", 8594},    {"darr", 8595},   {"harr", 8596},
    {"crarr", 8629},    {"lArr", 8656},   {"uArr", 8657},    {"rArr", 8658},    {"dArr", 8659},   {"hArr", 8660},
    {"forall", 8704},   {"part", 8706},   {"exist", 8707},   {"empty", 8709},   {"nabla", 8711},  {"isin", 8712},
    {"notin", 8713},    {"ni", 8715},     {"prod", 8719},    {"sum", 8721},     {"minus", 8722},  {"lowast", 8727},
    {"radic", 8730},    {"prop", 8733},   {"infin", 8734},   {"ang", 8736},     {"and", 8743},    {"or", 8744},
    {"cap", 8745},      {"cup", 8746},    {"int", 8747},     {"there4", 8756},  {"sim", 8764},    {"cong", 8773},
    {"asymp", 8776},    {"ne", 8800},     {"equiv", 8801},   {"le", 8804},      {"ge", 8805},     {"sub", 8834},
    {"sup", 8835},      {"nsub", 8836},   {"sube", 8838},    {"supe", 8839},    {"oplus", 8853},  {"otimes", 8855},
    {"perp", 8869},     {"sdot", 8901},   {"lceil", 8968},   {"rceil", 8969},   {"lfloor", 8970}, {"rfloor", 8971},
    {"lang", 9001},     {"rang", 9002},   {"loz", 9674},     {"spades", 9824},  {"clubs", 9827},  {"hearts", 9829},
    {"diams", 9830}};

const std::unordered_map<std::string_view, char32_t>& Table()
{
    static const auto table = [] {
        std::unordered_map<std::string_view, char32_t> names;
        for (char32_t i = 0; i < 96; ++i)
            names.emplace(kLatin1[i], 0xA0 + i);
        for (char32_t i = 0; i < 25; ++i) {
            if (kGreek[i] == nullptr)
                continue;
            names.emplace(kGreek[i], 0x391 + i);
            static std::string small[25];
            small[i] = kGreek[i];
            small[i][0] = static_cast<char>(small[i][0] + 32);
            names.emplace(small[i], 0x3B1 + i);
        }
        for (const NamedPoint& entry : kOthers)
            names.emplace(entry.Name, entry.Point);
        return names;
    }();
    return table;
}

bool IsAlnum(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

} // namespace

char32_t CharacterReferences::Lookup(std::string_view name)
{
    auto found = Table().find(name);
    return found == Table().end() ? 0 : found->second;
}

std::string_view CharacterReferences::NameFor(char32_t codePoint)
{
    // Symbols only: letters of other languages are written as themselves.
    if ((codePoint >= 0xA0 && codePoint < 0xC0) || codePoint == 0xD7 || codePoint == 0xF7)
        return kLatin1[codePoint - 0xA0];
    switch (codePoint) {
    case '&': return "amp";
    case '<': return "lt";
    case '>': return "gt";
    default: return {};
    }
}

std::size_t CharacterReferences::Decode(std::wstring_view text, std::size_t at, std::wstring& out, bool inAttribute)
{
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == L'#') {
        ++i;
        bool hex = i < text.size() && (text[i] == L'x' || text[i] == L'X');
        if (hex)
            ++i;
        std::size_t digitsStart = i;
        char32_t value = 0;
        while (i < text.size()) {
            wchar_t c = text[i];
            int digit = c >= L'0' && c <= L'9'                 ? c - L'0'
                        : hex && c >= L'a' && c <= L'f'        ? c - L'a' + 10
                        : hex && c >= L'A' && c <= L'F'        ? c - L'A' + 10
                                                               : -1;
            if (digit < 0)
                break;
            value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
            ++i;
        }
        if (i == digitsStart)
            return 0;
        if (i < text.size() && text[i] == L';')
            ++i;
        if (value >= 0x80 && value < 0xA0)
            value = Windows1252ToUnicode(static_cast<unsigned char>(value));
        AppendCodePoint(out, value);
        return i - at;
    }
    std::size_t nameStart = i;
    while (i < text.size() && i - nameStart < 32 && IsAlnum(text[i]))
        ++i;
    if (i == nameStart)
        return 0;
    std::string name(text.begin() + static_cast<std::ptrdiff_t>(nameStart), text.begin() + static_cast<std::ptrdiff_t>(i));
    bool terminated = i < text.size() && text[i] == L';';
    char32_t point = Lookup(name);
    if (point == 0)
        return 0;
    // Without the semicolon only the old Latin-1 names count, and never inside an attribute
    // value where "&copy=1" is part of an address.
    if (!terminated && (point > 0xFF || (inAttribute && i < text.size() && text[i] == L'=')))
        return 0;
    AppendCodePoint(out, point);
    return i - at + (terminated ? 1 : 0);
}

} // namespace Engine
