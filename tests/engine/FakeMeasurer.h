#pragma once
// Pages laid out and painted without a window, with fixed metrics.
#include "FixedMetrics.h"
#include "engine/layout/LayoutTree.h"
#include "engine/css/CssValue.h"
#include "engine/css/DocumentStyle.h"
#include "engine/dom/Document.h"
#include "engine/input/FormControls.h"

#include <memory>
#include <string>
#include <vector>

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
