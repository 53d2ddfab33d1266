#include "ui/PathBehavior.h"

#include "ui/ElementLook.h"
#include "ui/ElementRef.h"

bool PathBehavior::OnDraw(HELEMENT he, HtmlDrawParams& params)
{
    if (params.cmd != 1)
        return false;
    const ElementRef element(he);
    const std::wstring text = element.Text();
    RECT content = element.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    const GdiObject font = FontOf(element);
    HGDIOBJ previous = SelectObject(params.hdc, font.Get());
    SetBkMode(params.hdc, TRANSPARENT);
    SetTextColor(params.hdc, TextColorOf(element));
    DrawTextW(params.hdc, text.c_str(), static_cast<int>(text.size()), &content, kDrawFlags);
    SelectObject(params.hdc, previous);
    return true;
}
