#pragma once
#include <windows.h>

// The media type a page is loaded with: high contrast asks for the page's contrast styles.
[[nodiscard]] const wchar_t* PageMediaType();
