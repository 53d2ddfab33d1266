#include "ui/ElementLook.h"

#include "ui/WindowGeometry.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    c = static_cast<wchar_t>(std::towlower(c));
    return c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
}

} // namespace

COLORREF TextColorOf(const ElementRef& element)
{
    const wchar_t* color = element.StyleAttribute("color");
    std::size_t length = color != nullptr ? std::wcslen(color) : 0;
    if (length == 7 || length == 4) {
        int digits[6]{};
        bool valid = color[0] == L'#';
        for (std::size_t i = 1; i < length && valid; ++i)
            valid = (digits[i - 1] = HexDigit(color[i])) >= 0;
        if (valid && length == 7)
            return RGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
        if (valid)
            return RGB(digits[0] * 17, digits[1] * 17, digits[2] * 17);
    }
    return GetSysColor(COLOR_WINDOWTEXT);
}

GdiObject FontOf(const ElementRef& element)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    const int dpi = ScreenDpi(element.Window());
    if (const wchar_t* family = element.StyleAttribute("font-family")) {
        std::wstring first(family, std::wcscspn(family, L","));
        std::size_t start = first.find_first_not_of(L" \t'\"");
        std::size_t end = first.find_last_not_of(L" \t'\"");
        if (start != std::wstring::npos)
            wcsncpy_s(font.lfFaceName, first.substr(start, end - start + 1).c_str(), _TRUNCATE);
    }
    if (const wchar_t* size = element.StyleAttribute("font-size")) {
        wchar_t* unit = nullptr;
        double value = std::wcstod(size, &unit);
        if (value > 0 && _wcsicmp(unit, L"px") == 0)
            font.lfHeight = -static_cast<LONG>(value * dpi / 96 + 0.5);
        else if (value > 0 && _wcsicmp(unit, L"pt") == 0)
            font.lfHeight = -static_cast<LONG>(value * dpi / 72 + 0.5);
    }
    return GdiObject(CreateFontIndirectW(&font));
}

RECT ContentArea(const ElementRef& element, const RECT& drawArea)
{
    const RECT border = element.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    RECT content = element.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    OffsetRect(&content, drawArea.left - border.left, drawArea.top - border.top);
    return content;
}
