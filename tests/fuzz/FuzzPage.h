#pragma once
// A page styled, laid out and painted without a window, with fixed text metrics: what the HTML and
// CSS targets run their inputs through.
#include "FixedMetrics.h"
#include "FuzzCheck.h"
#include "engine/css/CssValue.h"
#include "engine/css/DocumentStyle.h"
#include "engine/dom/Document.h"
#include "engine/dom/Element.h"
#include "engine/input/FormControls.h"
#include "engine/layout/LayoutTree.h"
#include "engine/paint/Painter.h"

#include <string>
#include <vector>

struct FuzzPage final : Engine::DocumentClient {
    FakeMeasurer Measurer;
    Engine::LayoutTree Tree{Measurer, [](Engine::Element&, const std::wstring& url) { return FakeImage(url); }};
    Engine::Document Page;
    Engine::DocumentStyle Style{Page};

    FuzzPage()
    {
        Engine::SetSystemColorSource(nullptr);
        Page.SetClient(this);
    }
    ~FuzzPage() override
    {
        Page.SetClient(nullptr);
        Tree.Clear();
    }
    FuzzPage(const FuzzPage&) = delete;
    FuzzPage& operator=(const FuzzPage&) = delete;

    void BehaviorNamed(Engine::Element&, const std::string&) override {}
    void ElementLeaving(Engine::Element& element) override { Tree.ElementLeaving(element); }
    void Changed() override {}

    void Load(std::string_view html)
    {
        FuzzCheck(Page.Load(html), "a page of any bytes loads");
        Engine::FormControls::PrepareTree(Page.Root());
    }

    // Styles, lays out and records the painting of the whole viewport.
    void Render(int width, int height)
    {
        Style.Update();
        Tree.Apply(Page, Page.TakeChanges());
        Tree.Layout(width, height);
        Engine::Painter painter(Tree, [](Engine::Element&, const std::wstring& url) { return FakeImage(url); });
        const Engine::DisplayList list = painter.Record({0, 0, width, height});
        static_cast<void>(list);
        static_cast<void>(Tree.TakeDamage());
    }

    // Every element of the page in document order, the root first.
    [[nodiscard]] std::vector<Engine::Element*> Elements()
    {
        std::vector<Engine::Element*> all;
        std::vector<Engine::Element*> pending{&Page.Root()};
        while (!pending.empty()) {
            Engine::Element* element = pending.back();
            pending.pop_back();
            all.push_back(element);
            element->PushChildrenReversed(pending);
        }
        return all;
    }
};
