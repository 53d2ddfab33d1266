#include "ui/ShellIconBehavior.h"

#include "ui/CommonControls.h"
#include "ui/ElementLook.h"
#include "ui/ElementRef.h"

#include <commctrl.h>
#include <shellapi.h>

bool ShellIconBehavior::OnDraw(HELEMENT he, HtmlDrawParams& params)
{
    if (params.cmd != 1)
        return false;
    const ElementRef element(he);
    const wchar_t* name = element.Attribute("filename");
    if (name == nullptr)
        return false;
    SHFILEINFOW info{};
    // The system's own image list: shared by the process, never destroyed here.
    auto icons = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(name, FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                                                             SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (icons == nullptr)
        return false;
    int width = 0, height = 0;
    CommonControls::ImageListGetIconSize(icons, &width, &height);
    const RECT content = ContentArea(element, params.area);
    const int top = content.top + (content.bottom - content.top - height) / 2;
    CommonControls::ImageListDraw(icons, info.iIcon, params.hdc, content.left, top, ILD_TRANSPARENT);
    return true;
}
