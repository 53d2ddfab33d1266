#pragma once
#include "ui/Behavior.h"

// "expandable-list": a list whose children are items of which one at a time is current and
// expanded (the states :current and :expanded, the others :collapsed), chosen by the mouse or by
// Up and Down. The item marked "default" starts expanded.
class ExpandableListBehavior : public Behavior {
public:
    ExpandableListBehavior() : ExpandableListBehavior("expandable-list", Choice::KeepsExpanded) {}

protected:
    // Whether choosing the expanded item again collapses it.
    enum class Choice { KeepsExpanded, Toggles };
    ExpandableListBehavior(const char* name, Choice choice);

    bool OnAttached(HELEMENT list) override;
    bool OnMouse(HELEMENT list, HtmlMouseParams& params) override;
    bool OnKey(HELEMENT list, HtmlKeyParams& params) override;

private:
    void Choose(HELEMENT list, UINT index) const;

    Choice m_choice;
};
