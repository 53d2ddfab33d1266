#include "views/ProxyEditDlg.h"

#include "diag/LogText.h"
#include "resources/ResourceIds.h"
#include "sysproxy/Adapters.h"
#include "ui/WindowGeometry.h"
#include "ui/CommandInfo.h"
#include "ui/ElementSelect.h"
#include "ui/FormValues.h"

#include <cwchar>
#include <iterator>
#include <string>

namespace {

// The checkboxes whose clicks change what is enabled.
const wchar_t* const kSwitches[] = {L"PROXY_TYPE_AUTO_PROXY_URL", L"USE_PROXY", L"USE_ONE_PROXY", L"BYPASS_LOCAL",
                                    L"PROXY_AUTO_ACTIVATE"};
const char* const kOtherProtocols[] = {"HHTPSPROXY", "HHTPSPROXY_PORT", "FTPPROXY", "FTPPROXY_PORT",
                                       "GOPHERPROXY", "GOPHERPROXY_PORT", "SOCKSPROXY", "SOCKSPROXY_PORT"};

void Enable(const ElementRef& element, bool enabled)
{
    if (element && element.TestState(HL_STATE_DISABLED) == enabled)
        element.SetState(enabled ? 0u : HL_STATE_DISABLED, enabled ? HL_STATE_DISABLED : 0u, Repaint::Yes);
}


} // namespace

ProxyEditDlg::ProxyEditDlg(ProfileCollection& profiles) : m_profiles(profiles), m_view(*this) {}

INT_PTR ProxyEditDlg::Run(HWND owner, FieldMap* fields, EditorMode mode)
{
    m_fields = fields;
    m_mode = mode;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROXY_EDIT), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    return result == IDOK ? IDOK : IDCANCEL;
}

INT_PTR ProxyEditDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DPICHANGED) {
        FollowDpiChange(m_window, wParam, lParam);
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        OnInitDialog();
        return FALSE;  // the page has the focus already
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(m_window, LOWORD(wParam) == IDOK ? IDOK : IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void ProxyEditDlg::OnInitDialog()
{
    CentreOnOwner(m_window);
    RECT client{};
    GetClientRect(m_window, &client);
    if (HWND view = m_view.Create(m_window, client)) {
        SetForegroundWindow(view);
        SetFocus(view);
    }
    SetWindowTextW(m_window, m_mode == EditorMode::ExistingProfile ? L"Edit proxy settings" : L"New proxy settings");
}

ElementRef ProxyEditDlg::Field(const char* name) const
{
    return SelectFirst(m_view.Root(), "*[name='%s']", name);
}

void ProxyEditDlg::ApplyEnablingRules()
{
    auto checked = [&](const char* name) { return Field(name).TestState(HL_STATE_CHECKED); };
    const bool script = checked("PROXY_TYPE_AUTO_PROXY_URL");
    Enable(Field("AUTOCONFIG_URL"), script);
    Enable(Field("DONT_CACHE_PROXY_RESULT"), script);
    const bool proxy = checked("USE_PROXY");
    for (const char* name : {"HHTPPROXY", "HHTPPROXY_PORT", "USE_ONE_PROXY", "BYPASS_LOCAL", "BYPASS"})
        Enable(Field(name), proxy);
    const bool others = proxy && !checked("USE_ONE_PROXY");
    for (const char* name : kOtherProtocols)
        Enable(Field(name), others);
    const bool rule = checked("PROXY_AUTO_ACTIVATE");
    for (const char* name : {"AUTO_NDIS_NAME", "AUTO_IP_1", "AUTO_IP_2", "AUTO_IP_3", "AUTO_IP_4"})
        Enable(Field(name), rule);
    m_view.Root().Update(Relayout::No);
}

void ProxyEditDlg::FillAdapters()
{
    ElementRef dropDown = SelectFirst(m_view.Root(), "*[id='AUTO_NDIS_NAME']");
    if (!dropDown)
        return;
    const char nbsp[] = "&nbsp;";
    dropDown.Child(0).SetHtml(reinterpret_cast<const BYTE*>(nbsp), sizeof(nbsp) - 1, HL_SIH_REPLACE_CONTENT);
    ElementRef list = dropDown.Child(2);
    for (UINT i = list.ChildCount(); i-- > 0;)
        list.Child(i).Delete();
    dropDown.Update(Relayout::Yes);
    ListAdapters(m_adapters);
    const std::wstring wanted = m_fields != nullptr ? m_fields->Get(L"NDIS_NAME").AsString() : std::wstring();
    ElementRef chosen;
    for (std::size_t n = 0; n < m_adapters.size(); ++n) {
        ElementRef option = ElementRef::Create("option", m_adapters[n].c_str());
        option.SetAttribute("value", std::to_wstring(n).c_str());
        list.Insert(option, HL_INSERT_APPEND);
        if (n == 0 || m_adapters[n] == wanted)
            chosen = option;
    }
    if (chosen)
        chosen.SetState(HL_STATE_CURRENT | HL_STATE_CHECKED, 0, Repaint::Yes);
    dropDown.Update(Relayout::Yes);
}

void ProxyEditDlg::Say(const std::wstring& text, const wchar_t* caption)
{
    MessageBoxW(m_window, text.c_str(), caption, MB_OK);
}

bool ProxyEditDlg::Validate(std::wstring& adapter, std::wstring& address)
{
    const std::wstring name = Field("DISPLAY_NAME").Value().AsString();
    const std::wstring oldName = m_mode == EditorMode::ExistingProfile && m_fields != nullptr
                                     ? m_fields->Get(L"DISPLAY_NAME").AsString()
                                     : std::wstring();
    if (name.empty()) {
        Say(L"Please specify proxy Display Name", L"Gatewarden");
        return false;
    }
    const bool renamed = m_mode == EditorMode::NewProfile || name != oldName;
    if (renamed && m_profiles.Find(name)) {
        Say(FormatText(L"Proxy \"%s\" already in the list. Please specify another display name.", name.c_str()), L"Gatewarden");
        return false;
    }
    bool valid = true;
    const char* const parts[] = {"AUTO_IP_1", "AUTO_IP_2", "AUTO_IP_3", "AUTO_IP_4"};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        // The typed text, not the input's value, which the engine keeps within the input's range.
        const wchar_t* text = Field(parts[i]).Attribute("value");
        const long value = text != nullptr ? std::wcstol(text, nullptr, 10) : -1;
        valid = valid && text != nullptr && value >= 0 && value <= 255;
        if (i > 0)
            address += L'.';
        address += text != nullptr ? text : L"";
    }
    if (!valid) {
        Say(L"Invalid IP address", L"Error");
        return false;
    }
    if (Field("PROXY_AUTO_ACTIVATE").TestState(HL_STATE_CHECKED))
        adapter = SelectFirst(m_view.Root(), "*[id='AUTO_NDIS_NAME']").Child(0).Text();
    std::vector<std::wstring> names;
    m_profiles.ListNames(names);
    for (const std::wstring& other : names) {
        if (m_mode == EditorMode::ExistingProfile && other == oldName)
            continue;
        const auto profile = m_profiles.Find(other);
        if (profile && profile->NdisName == adapter && profile->AutoIp == address) {
            Say(FormatText(L"Proxy \"%s\" already configured to be auto activated\n when \"%s\" is set on \"%s\"",
                           other.c_str(), address.c_str(), adapter.c_str()),
                L"Error");
            return false;
        }
    }
    return true;
}

void ProxyEditDlg::Confirm()
{
    std::wstring adapter;
    std::wstring address;
    if (!Validate(adapter, address))
        return;
    if (m_fields != nullptr) {
        m_fields->Clear();
        m_fields->Set(L"NDIS_NAME", adapter);
        m_fields->Set(L"BYPASS", Field("BYPASS").Value().AsString());
        FormValues::Collect(m_view.Root(), *m_fields);
    }
    PostMessageW(m_window, WM_COMMAND, IDOK, 0);
}

void ProxyEditDlg::Cancel()
{
    PostMessageW(m_window, WM_COMMAND, IDCANCEL, 0);
}

LRESULT ProxyEditDlg::View::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (message == WM_GETDLGCODE) {
        // Enter and Escape are the page's (Confirm and Cancel), not the dialog manager's.
        handled = true;
        return DefaultProcessing() | DLGC_WANTALLKEYS;
    }
    return HtmlHost::OnMessage(message, wParam, lParam, handled);
}

void ProxyEditDlg::View::OnPageOpened()
{
    if (!PageLoaded())
        return;
    if (m_dialog.m_fields != nullptr)
        FormValues::Set(Root(), *m_dialog.m_fields);
    m_dialog.ApplyEnablingRules();
    m_dialog.FillAdapters();
}

void ProxyEditDlg::View::OnCommand(WPARAM kind, LPARAM record)
{
    const auto* info = reinterpret_cast<const CommandInfo*>(record);
    if (kind != COMMAND_CLICK || info == nullptr || info->Code != 1)
        return;
    if (std::wcscmp(info->Id, L"ok") == 0)
        m_dialog.Confirm();
    else if (std::wcscmp(info->Id, L"cancel") == 0)
        m_dialog.Cancel();
}

bool ProxyEditDlg::View::OnEvent(HELEMENT, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_BUTTON_CLICK)
        return false;
    const wchar_t* name = ElementRef(params.heTarget).Attribute("name");
    if (name == nullptr)
        return false;
    for (const wchar_t* known : kSwitches) {
        if (_wcsicmp(name, known) == 0) {
            m_dialog.ApplyEnablingRules();
            return true;
        }
    }
    return false;
}

bool ProxyEditDlg::View::OnKey(HELEMENT, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN)
        return false;
    switch (params.keyCode) {
    case VK_RETURN:
        // Enter in the bypass list is a new line there; on a focused button it presses that one.
        if (const UINT control = ElementRef(params.target).ControlType(); control == HL_CTL_TEXTAREA || control == HL_CTL_BUTTON)
            return false;
        m_dialog.Confirm();
        return false;
    case VK_ESCAPE: m_dialog.Cancel(); return true;
    case VK_F4:
        if ((params.altState & HL_ALT_KEY_PRESSED) == 0)
            return false;
        PostMessageW(m_dialog.Window(), WM_COMMAND, IDCANCEL, 0);
        return true;
    default: return false;
    }
}
