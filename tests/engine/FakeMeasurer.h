#pragma once
// Fixed text metrics, so that layout and paint dumps are the same on every machine: every
// character is half the font size wide (six tenths when bold), ascent is eight tenths.
#include "engine/gfx/TextMeasurer.h"
#include "engine/layout/LayoutTree.h"
#include "engine/css/CssValue.h"
#include "engine/css/DocumentStyle.h"
#include "engine/dom/Document.h"
#include "engine/input/FormControls.h"

#include <memory>
#include <string>
#include <vector>

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
    std::vector<Engine::FontSpec> m_fonts;
    std::vector<Engine::FontMetrics> m_metrics;
};

// Test pictures are named by their size: "40x20.png"; any other name has not arrived.
inline Engine::ImagePtr FakeImage(const std::wstring& url)
{
    int width = 0, height = 0;
    if (swscanf(url.c_str(), L"%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
        return nullptr;
    auto image = std::make_shared<Engine::Image>();
    image->Width = width;
    image->Height = height;
    return image;
}

// A page laid out without a window: document, styles and boxes with fixed metrics.
struct LaidOutPage final : Engine::DocumentClient {
    FakeMeasurer Measurer;
    Engine::LayoutTree Tree{Measurer, [](Engine::Element&, const std::wstring& url) { return FakeImage(url); }};
    Engine::Document Page;
    Engine::DocumentStyle Style{Page};

    // System colours as the classic scheme has them, whatever the machine's theme.
    LaidOutPage()
    {
        Engine::SetSystemColorSource(nullptr);
        Page.SetClient(this);
    }
    ~LaidOutPage() override { Page.SetClient(nullptr); Tree.Clear(); }
    void BehaviorNamed(Engine::Element&, const std::string&) override {}
    void ElementLeaving(Engine::Element& element) override { Tree.ElementLeaving(element); }
    void Changed() override {}

    void Load(const std::string& html, int dpi = 96)
    {
        ASSERT_TRUE(Page.Load(html));
        Engine::FormControls::PrepareTree(Page.Root());
        Style.SetDpi(dpi);
        Tree.SetDpi(dpi);
    }
    // Styles and lays out what changed since the last call.
    void Update(int width, int height)
    {
        Style.Update();
        Tree.Apply(Page, Page.TakeChanges());
        Tree.Layout(width, height);
    }
};
