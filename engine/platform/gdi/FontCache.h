#pragma once
#include "engine/gfx/TextMeasurer.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Engine {

// The product's text measurer: one GDI font per interned FontSpec, measured from per-font tables of
// advance widths (filled lazily, 256 characters at a time) so that measuring a word is
// arithmetic. Kerning is ignored, as GDI's own ExtTextOutW ignores it without explicit advances.
// Id 0 is the default FontSpec (the system's dialog font at 13 px); unknown ids measure as id 0.
class FontCache final : public TextMeasurer {
public:
    FontCache();
    ~FontCache() override;
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    [[nodiscard]] FontId Intern(const FontSpec& wanted) override;
    [[nodiscard]] const FontSpec& Describe(FontId font) const override;
    [[nodiscard]] const FontMetrics& Metrics(FontId font) override;
    [[nodiscard]] int Width(FontId font, std::wstring_view text) override;

    // The font to select for drawing; it stays owned by the cache.
    [[nodiscard]] HFONT Handle(FontId font);
    // The face the family list resolved to.
    [[nodiscard]] const std::wstring& Face(FontId font) const;
    // The first face of a CSS family list that the system has, generic names mapped, else the
    // system's dialog font.
    [[nodiscard]] std::wstring ResolveFamily(std::wstring_view families);

private:
    static constexpr int kPageSize = 256;
    static constexpr int kUntrusted = -1;
    using WidthPage = std::vector<int>;
    struct Entry {
        FontSpec Request;
        std::wstring Face;
        HFONT Font = nullptr;
        FontMetrics Metrics;
        int Overhang = 0;
        std::vector<std::unique_ptr<WidthPage>> Pages;
    };
    struct SpecHash {
        std::size_t operator()(const FontSpec& wanted) const;
    };

    [[nodiscard]] Entry& At(FontId font);
    [[nodiscard]] const Entry& At(FontId font) const;
    void Select(const Entry& entry);
    [[nodiscard]] const WidthPage& Page(Entry& entry, unsigned index);
    [[nodiscard]] int MeasureWithGdi(Entry& entry, std::wstring_view text);
    // The system's spelling of a face it has, else null.
    [[nodiscard]] const std::wstring* FindFamily(std::wstring_view face);
    [[nodiscard]] const std::wstring& DialogFace();

    HDC m_dc = nullptr;
    HGDIOBJ m_originalFont = nullptr;
    HFONT m_selected = nullptr;
    std::deque<Entry> m_entries; // stable: specs and metrics are handed out by reference
    std::unordered_map<FontSpec, FontId, SpecHash> m_ids;
    // Lower case to the system's spelling, empty for a family the system lacks: each name is asked
    // for once, as listing every family would cost Wine milliseconds at the first layout.
    std::unordered_map<std::wstring, std::wstring> m_families;
    std::wstring m_dialogFace;
};

} // namespace Engine
