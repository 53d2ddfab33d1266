#include "ui/HtmlDialog.h"

#include "ui/Behavior.h"
#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/FormValues.h"
#include "ui/ResourceLoader.h"

#include <shellapi.h>

namespace {

struct ButtonResult {
    const wchar_t* Name;
    INT_PTR Result;
    bool Collects;
};

constexpr ButtonResult kButtons[] = {
    {L"OK", IDOK, true},          {L"CANCEL", IDCANCEL, false}, {L"ABORT", IDABORT, false},
    {L"RETRY", IDRETRY, true},    {L"IGNORE", IDIGNORE, false}, {L"YES", IDYES, true},
    {L"NO", IDNO, false},         {L"CLOSE", IDCLOSE, false},   {L"HELP", IDHELP, false},
};

} // namespace

HtmlDialog::HtmlDialog(HWND parent) : m_parent(parent) {}

INT_PTR HtmlDialog::Show(const BYTE* bytes, UINT length)
{
    EventHandler* handler = this;
    return HTMLayoutDialog(m_parent, Position, Alignment, Style, ExStyle, NotifyProc, EventHandler::ElementProc,
                           handler, bytes, length);
}

LRESULT CALLBACK HtmlDialog::NotifyProc(UINT message, WPARAM, LPARAM lParam, LPVOID)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (message != WM_NOTIFY || header == nullptr)
        return 0;
    if (header->code == HLN_LOAD_DATA)
        return ResourceLoader::AnswerDialog(header->hwndFrom, *reinterpret_cast<HtmlNotifyLoadData*>(header));
    if (header->code == HLN_ATTACH_BEHAVIOR)
        Behavior::Attach(*reinterpret_cast<HtmlNotifyAttachBehavior*>(header));
    return 0;
}

bool HtmlDialog::OnAttached(HELEMENT root)
{
    if (m_values != nullptr)
        FormValues::Set(ElementRef(root), *m_values);
    return false;
}

bool HtmlDialog::OnKey(HELEMENT root, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN || (params.keyCode != VK_RETURN && params.keyCode != VK_ESCAPE))
        return false;
    // Enter in a text area is a new line there, not the default button.
    if (params.keyCode == VK_RETURN && ElementRef(params.target).ControlType() == HL_CTL_TEXTAREA)
        return false;
    ElementRef button = SelectFirst(ElementRef(root), params.keyCode == VK_RETURN ? "[role='default-button']"
                                                                                 : "[role='cancel-button']");
    if (!button)
        return false;
    HtmlMethodParams click{HL_DO_CLICK};
    return HTMLayoutCallBehaviorMethod(button.Handle(), &click) == HLDOM_OK;
}

bool HtmlDialog::OnEvent(HELEMENT root, HtmlBehaviorEventParams& params)
{
    ElementRef target(params.heTarget);
    if (params.cmd == HL_HYPERLINK_CLICK) {
        if (const wchar_t* href = target.Attribute("href"))
            ShellExecuteW(nullptr, L"open", href, nullptr, nullptr, SW_SHOWNORMAL);
        return false;
    }
    if (params.cmd != HL_BUTTON_CLICK)
        return false;
    const wchar_t* name = target.Attribute("name");
    if (name == nullptr)
        return false;
    for (const ButtonResult& button : kButtons) {
        if (_wcsicmp(name, button.Name) != 0)
            continue;
        HWND window = target.Window();
        if (window == nullptr || !IsWindow(window))
            return false;
        if (button.Collects && m_values != nullptr) {
            m_values->Clear();
            FormValues::Collect(ElementRef(root), *m_values);
        }
        EndDialog(GetParent(window), button.Result);
        return true;
    }
    return false;
}
