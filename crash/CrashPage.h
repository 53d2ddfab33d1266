#pragma once
// The page that tells the user the program failed and offers to send the crash files.
#include "base/FieldValue.h"

#include <string>
#include <string_view>

// The page as the 8-bit HTML built into the program.
[[nodiscard]] std::string_view CrashPageHtml();

// Shows the page in a modal dialog with no owner; true when the user chose Send, with "email"
// and "action" collected into fields.
[[nodiscard]] bool ShowCrashPage(FieldMap& fields);

// The page, then on Send the mail with the three files; a failed send is reported once.
void OfferCrashReport(const std::wstring& log, const std::wstring& dump, const std::wstring& report);
