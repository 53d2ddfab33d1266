#pragma once
#include "base/FieldValue.h"
#include "ui/ElementRef.h"

// Named values between a page's inputs and the program: every element with a "name" attribute
// stands for one field. Checkbox groups (boxes of one name under one parent) travel as bit
// masks, radio groups as the position of the checked button, rich areas as their HTML, and
// every other input as the value the engine reads and writes itself.
class FormValues {
public:
    // Puts each entry, in key order, into the first element of its name that has a behavior;
    // true when one was applied.
    static bool Set(const ElementRef& root, const FieldMap& values);
    // Takes every named element below the element, in document order, unless the map already
    // holds its name; true when the map is not empty afterwards.
    static bool Collect(const ElementRef& element, FieldMap& values);
};
