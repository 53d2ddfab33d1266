#pragma once
#include "ui/ElementRef.h"

#include <cstdarg>
#include <string>
#include <vector>

// Selectors are built in a buffer of this many characters, its terminating zero included;
// longer ones are cut.
constexpr std::size_t kSelectorBufferLength = 2048;

// printf-style formatting of a selector: %s narrow text, %S (and %ls) wide text written as
// UTF-8, %d %i %u %x %c numbers and characters, %% a percent sign.
[[nodiscard]] std::string FormatSelector(const char* format, va_list args);

// The first element below root, in document order, that matches; null when none does.
[[nodiscard]] ElementRef SelectFirst(const ElementRef& root, const char* format, ...);
// Appends every element below root that matches, in document order.
void SelectAll(const ElementRef& root, std::vector<ElementRef>& found, const char* format, ...);
