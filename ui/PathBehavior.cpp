#include "ui/PathBehavior.h"

#include "ui/ElementLook.h"
#include "ui/ElementRef.h"

bool PathBehavior::OnDraw(HELEMENT he, HtmlDrawParams& params)
{
    if (params.cmd != 1)
        return false;
    const ElementRef element(he);
    const std::wstring text = element.Text();
    RECT content = ContentArea(element, params.area);
    const GdiObject font = FontOf(element);
    HGDIOBJ previous = SelectObject(params.hdc, font.Get());
    // The engine draws its own text from the baseline; DrawTextW places lines by their top.
    SetTextAlign(params.hdc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    SetBkMode(params.hdc, TRANSPARENT);
    SetTextColor(params.hdc, TextColorOf(element));
    DrawTextW(params.hdc, text.c_str(), static_cast<int>(text.size()), &content, kDrawFlags);
    SelectObject(params.hdc, previous);
    return true;
}
