#include "ui/ActionsBehavior.h"

#include "ui/ElementRef.h"

#include <cwchar>
#include <iterator>
#include <string>

bool ActionsBehavior::OnEvent(HELEMENT, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_BUTTON_CLICK)
        return false;
    const ElementRef target(params.heTarget);
    const wchar_t* action = target.Attribute("action");
    constexpr wchar_t kAlert[] = L"alert:";
    constexpr std::size_t kAlertLength = std::size(kAlert) - 1;
    if (action == nullptr || std::wcsncmp(action, kAlert, kAlertLength) != 0)
        return false;
    // The text is copied first: the box's own message loop may change the page under it.
    const std::wstring text = action + kAlertLength;
    MessageBoxW(target.Window(), text.c_str(), L"alert!", MB_OK);
    return true;
}
