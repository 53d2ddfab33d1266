#pragma once
#include "ui/ExpandableListBehavior.h"

// "collapsible-list": as "expandable-list", except that the item left behind is collapsed and
// choosing the expanded item again collapses it, so that every item may be closed.
class CollapsibleListBehavior : public ExpandableListBehavior {
public:
    CollapsibleListBehavior() : ExpandableListBehavior("collapsible-list", Choice::Toggles) {}
};
