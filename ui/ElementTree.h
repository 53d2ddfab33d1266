#pragma once
#include "ui/ElementRef.h"

// Where one element stands to another, for behaviors that act on what holds an event's target.

// Whether inner is outer or lies below it.
[[nodiscard]] inline bool Contains(const ElementRef& outer, HELEMENT inner)
{
    for (ElementRef at(inner); at; at = at.Parent()) {
        if (at == outer)
            return true;
    }
    return false;
}

// The child of parent that holds the element (or is it), or null.
[[nodiscard]] inline ElementRef ChildHolding(const ElementRef& parent, HELEMENT element)
{
    for (ElementRef at(element); at; at = at.Parent()) {
        if (at.Parent() == parent)
            return at;
    }
    return {};
}
