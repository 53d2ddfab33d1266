#pragma once
// Fixed text metrics, so that layout and paint dumps are the same on every machine: every
// character is half the font size wide (six tenths when bold), ascent is eight tenths.
#include "engine/gfx/Image.h"
#include "engine/gfx/TextMeasurer.h"

#include <cwchar>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

class FakeMeasurer final : public Engine::TextMeasurer {
public:
    Engine::FontId Intern(const Engine::FontSpec& wanted) override
    {
        for (std::size_t i = 0; i < m_fonts.size(); ++i) {
            if (m_fonts[i] == wanted)
                return static_cast<Engine::FontId>(i);
        }
        m_fonts.push_back(wanted);
        Engine::FontMetrics metrics;
        int size = wanted.SizePx;
        metrics.Ascent = (size * 8 + 5) / 10;
        metrics.Descent = size - metrics.Ascent;
        metrics.Height = size;
        metrics.LineHeight = size + size / 5;
        metrics.XHeight = size / 2;
        metrics.AverageWidth = CharWidth(wanted);
        m_metrics.push_back(metrics);
        return static_cast<Engine::FontId>(m_fonts.size() - 1);
    }
    const Engine::FontSpec& Describe(Engine::FontId font) const override { return m_fonts[static_cast<std::size_t>(font)]; }
    const Engine::FontMetrics& Metrics(Engine::FontId font) override { return m_metrics[static_cast<std::size_t>(font)]; }
    int Width(Engine::FontId font, std::wstring_view text) override
    {
        return CharWidth(m_fonts[static_cast<std::size_t>(font)]) * static_cast<int>(text.size());
    }

private:
    static int CharWidth(const Engine::FontSpec& wanted) { return (wanted.SizePx * (wanted.Weight >= 600 ? 6 : 5) + 5) / 10; }
    // Stable, as the measurer's references must be.
    std::deque<Engine::FontSpec> m_fonts;
    std::deque<Engine::FontMetrics> m_metrics;
};

// Test pictures are named by their size: "40x20.png"; any other name has not arrived.
inline Engine::ImagePtr FakeImage(const std::wstring& url)
{
    int width = 0, height = 0;
    if (std::swscanf(url.c_str(), L"%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
        return nullptr;
    auto image = std::make_shared<Engine::Image>();
    image->Width = width;
    image->Height = height;
    return image;
}
