#pragma once
#include "base/UniqueHandle.h"
#include "ui/ElementRef.h"

#include <windows.h>

// What behaviors that draw an element's content themselves need of its computed style.

// The element's "color" when it is given as #rgb or #rrggbb, else the system's window text colour.
[[nodiscard]] COLORREF TextColorOf(const ElementRef& element);

// A font for the element's first "font-family" and its "font-size" in px or pt (the system's
// message font stands in for what is not given so), at the DPI of the element's window.
[[nodiscard]] GdiObject FontOf(const ElementRef& element);

// The element's content box where a draw event's area (its border box in the drawing's own
// coordinates) puts it.
[[nodiscard]] RECT ContentArea(const ElementRef& element, const RECT& drawArea);
