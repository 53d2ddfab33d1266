#include "engine/platform/gdi/FontCache.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <functional>

namespace Engine {

namespace {

std::wstring Lower(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

// One family of a CSS list: surrounding spaces and quotes removed.
std::wstring_view Unquote(std::wstring_view name)
{
    auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    while (!name.empty() && isSpace(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isSpace(name.back()))
        name.remove_suffix(1);
    if (name.size() >= 2 && (name.front() == L'"' || name.front() == L'\'') && name.back() == name.front())
        name = name.substr(1, name.size() - 2);
    return name;
}

// What the generic families stand for, in order of preference.
std::vector<std::wstring> GenericFaces(const std::wstring& lowerName)
{
    if (lowerName == L"sans-serif")
        return {L"Tahoma", L"Arial", L"DejaVu Sans"};
    if (lowerName == L"serif")
        return {L"Times New Roman", L"DejaVu Serif"};
    if (lowerName == L"monospace")
        return {L"Courier New", L"DejaVu Sans Mono"};
    return {};
}

int CALLBACK NoteFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param)
{
    *reinterpret_cast<std::wstring*>(param) = font->lfFaceName;
    return 0;
}

} // namespace

std::size_t FontCache::SpecHash::operator()(const FontSpec& wanted) const
{
    std::size_t hash = std::hash<std::wstring>()(wanted.Family);
    hash = hash * 31 + static_cast<std::size_t>(wanted.SizePx);
    hash = hash * 31 + static_cast<std::size_t>(wanted.Weight);
    return hash * 8 + (wanted.Italic ? 4 : 0) + (wanted.Underline ? 2 : 0) + (wanted.Strike ? 1 : 0);
}

FontCache::FontCache() : m_dc(CreateCompatibleDC(nullptr))
{
    m_originalFont = GetCurrentObject(m_dc, OBJ_FONT);
    static_cast<void>(Intern(FontSpec{}));
}

FontCache::~FontCache()
{
    SelectObject(m_dc, m_originalFont);
    DeleteDC(m_dc);
    for (Entry& entry : m_entries)
        DeleteObject(entry.Font);
}

FontId FontCache::Intern(const FontSpec& wanted)
{
    if (auto found = m_ids.find(wanted); found != m_ids.end())
        return found->second;

    Entry entry;
    entry.Request = wanted;
    entry.Face = ResolveFamily(wanted.Family);
    LOGFONTW logFont{};
    logFont.lfHeight = -std::clamp(wanted.SizePx, 1, 2048);
    logFont.lfWeight = std::clamp(wanted.Weight, 100, 900);
    logFont.lfItalic = wanted.Italic;
    logFont.lfUnderline = wanted.Underline;
    logFont.lfStrikeOut = wanted.Strike;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfOutPrecision = OUT_TT_PRECIS;
    logFont.lfQuality = CLEARTYPE_QUALITY;
    entry.Face.copy(logFont.lfFaceName, LF_FACESIZE - 1);
    entry.Font = CreateFontIndirectW(&logFont);
    entry.Pages.resize(0x10000 / kPageSize);

    Select(entry);
    TEXTMETRICW text{};
    GetTextMetricsW(m_dc, &text);
    FontMetrics& metrics = entry.Metrics;
    metrics.Ascent = text.tmAscent;
    metrics.Descent = text.tmDescent;
    metrics.Height = text.tmAscent + text.tmDescent;
    metrics.LineHeight = text.tmHeight + text.tmExternalLeading;
    metrics.AverageWidth = text.tmAveCharWidth;
    GLYPHMETRICS glyph{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    bool outline = GetGlyphOutlineW(m_dc, L'x', GGO_METRICS, &glyph, 0, nullptr, &identity) != GDI_ERROR;
    metrics.XHeight = outline && glyph.gmptGlyphOrigin.y > 0 ? glyph.gmptGlyphOrigin.y : text.tmAscent / 2;

    auto id = static_cast<FontId>(m_entries.size());
    m_entries.push_back(std::move(entry));
    m_ids.emplace(wanted, id);
    return id;
}

FontCache::Entry& FontCache::At(FontId font)
{
    return font >= 0 && static_cast<std::size_t>(font) < m_entries.size() ? m_entries[font] : m_entries[0];
}

const FontCache::Entry& FontCache::At(FontId font) const
{
    return font >= 0 && static_cast<std::size_t>(font) < m_entries.size() ? m_entries[font] : m_entries[0];
}

const FontSpec& FontCache::Describe(FontId font) const { return At(font).Request; }
const FontMetrics& FontCache::Metrics(FontId font) { return At(font).Metrics; }
HFONT FontCache::Handle(FontId font) { return At(font).Font; }
const std::wstring& FontCache::Face(FontId font) const { return At(font).Face; }

int FontCache::Width(FontId font, std::wstring_view text)
{
    Entry& entry = At(font);
    long long total = 0;
    for (wchar_t c : text) {
        int width = Page(entry, c / kPageSize)[c % kPageSize];
        if (width == kUntrusted)
            return MeasureWithGdi(entry, text);
        total += width;
    }
    return static_cast<int>(std::min<long long>(total, INT_MAX));
}

void FontCache::Select(const Entry& entry)
{
    if (m_selected != entry.Font) {
        SelectObject(m_dc, entry.Font);
        m_selected = entry.Font;
    }
}

// A page of advance widths. Characters the font lacks are untrusted (GDI may draw them from a
// linked font), as are surrogates: a run with either is measured by GDI as a whole.
const FontCache::WidthPage& FontCache::Page(Entry& entry, unsigned index)
{
    std::unique_ptr<WidthPage>& page = entry.Pages[index];
    if (page)
        return *page;
    page = std::make_unique<WidthPage>(kPageSize, kUntrusted);
    auto first = static_cast<UINT>(index * kPageSize);
    if (first >= 0xD800 && first < 0xE000)
        return *page;
    Select(entry);
    WidthPage& widths = *page;
    ABC abc[kPageSize];
    if (GetCharABCWidthsW(m_dc, first, first + kPageSize - 1, abc)) {
        for (int i = 0; i < kPageSize; ++i)
            widths[i] = abc[i].abcA + static_cast<int>(abc[i].abcB) + abc[i].abcC;
    } else if (!GetCharWidth32W(m_dc, first, first + kPageSize - 1, widths.data())) {
        std::fill(widths.begin(), widths.end(), kUntrusted);
        return widths;
    }
    wchar_t chars[kPageSize];
    WORD glyphs[kPageSize];
    for (int i = 0; i < kPageSize; ++i)
        chars[i] = static_cast<wchar_t>(first + i);
    if (GetGlyphIndicesW(m_dc, chars, kPageSize, glyphs, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
        for (int i = 0; i < kPageSize; ++i)
            if (glyphs[i] == 0xFFFF)
                widths[i] = kUntrusted;
    }
    return widths;
}

int FontCache::MeasureWithGdi(Entry& entry, std::wstring_view text)
{
    Select(entry);
    SIZE size{};
    int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    return GetTextExtentPoint32W(m_dc, text.data(), length, &size) ? static_cast<int>(size.cx) : 0;
}

const std::wstring* FontCache::FindFamily(std::wstring_view face)
{
    std::wstring lower = Lower(face);
    auto found = m_families.find(lower);
    if (found == m_families.end()) {
        std::wstring spelling;
        // A name that does not fit a LOGFONT names no family, nor does a vertical variant of an
        // East Asian font ("@"); an enumeration asked for one family may answer with a substitute
        // of another name, which is not that family either.
        if (!lower.empty() && lower.size() < LF_FACESIZE && lower.front() != L'@') {
            LOGFONTW wanted{};
            wanted.lfCharSet = DEFAULT_CHARSET;
            lower.copy(wanted.lfFaceName, LF_FACESIZE - 1);
            EnumFontFamiliesExW(m_dc, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&spelling), 0);
            if (Lower(spelling) != lower)
                spelling.clear();
        }
        found = m_families.emplace(std::move(lower), std::move(spelling)).first;
    }
    return found->second.empty() ? nullptr : &found->second;
}

const std::wstring& FontCache::DialogFace()
{
    if (m_dialogFace.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        const std::wstring* face = nullptr;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            face = FindFamily(metrics.lfMessageFont.lfFaceName);
        if (!face)
            face = FindFamily(L"Tahoma");
        m_dialogFace = face ? *face : L"MS Shell Dlg 2";
    }
    return m_dialogFace;
}

std::wstring FontCache::ResolveFamily(std::wstring_view families)
{
    while (!families.empty()) {
        std::size_t comma = families.find(L',');
        std::wstring lower = Lower(Unquote(families.substr(0, comma)));
        families = comma == std::wstring_view::npos ? std::wstring_view() : families.substr(comma + 1);
        if (lower == L"system-ui")
            break;
        std::vector<std::wstring> generic = GenericFaces(lower);
        if (generic.empty())
            generic.push_back(lower);
        for (const std::wstring& name : generic)
            if (const std::wstring* face = FindFamily(name))
                return *face;
    }
    return DialogFace();
}

} // namespace Engine
