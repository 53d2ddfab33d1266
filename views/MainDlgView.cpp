#include "views/MainDlgView.h"

#include "base/UniqueHandle.h"
#include "diag/LogText.h"
#include "profiles/ProfileMessages.h"
#include "ui/CommandInfo.h"
#include "ui/ElementSelect.h"
#include "ui/WindowGeometry.h"
#include "views/Commands.h"
#include "views/ProfileFlows.h"

#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The active profile's marker in cell 0.
const char kMarker[] = "<b>&raquo;</b>";
const wchar_t kMarkerText[] = L"\u00BB";

// The separator and the status panel below the work area, in CSS pixels.
constexpr int kStatusPanelHeight = 105;

// The page's smallest client area, in CSS pixels: the columns' shares of the width in the page's
// style sheet leave the widest header, "Auto Proxy URL", whole here; the height keeps the
// header and a few rows above the status panel.
constexpr SIZE kMinimumClient{490, 230};

// The list's context menu.
enum : UINT { kContextAdd = 3001, kContextEdit = 3002, kContextDelete = 3003, kContextActivate = 3004 };

ElementRef Cell(const ElementRef& row, UINT index)
{
    return row.Child(index);
}

void SetMarker(const ElementRef& cell)
{
    cell.SetHtml(reinterpret_cast<const BYTE*>(kMarker), static_cast<UINT>(std::strlen(kMarker)),
                 HL_SIH_REPLACE_CONTENT);
}

} // namespace

MainDlgView::MainDlgView(ProfileList& list, StatusSink& status, Owner* owner)
    : HtmlHost(L"MAIN", {L"Failed to create Main window", kMainPageMissingPlace, &status}), m_profiles(list),
      m_status(status), m_owner(owner)
{
}

SIZE MainDlgView::MinimumClientSize(int dpi)
{
    dpi = dpi > 0 ? dpi : 96;
    return {MulDiv(kMinimumClient.cx, dpi, 96), MulDiv(kMinimumClient.cy, dpi, 96)};
}

std::wstring MainDlgView::TypeText(const ProxyProfile& profile)
{
    if ((profile.ConnectionFlags & PROXY_TYPE_AUTO_PROXY_URL) != 0)
        return L"Auto";
    if ((profile.ConnectionFlags & PROXY_TYPE_PROXY) != 0)
        return L"Proxy";
    return L"Direct";
}

std::wstring MainDlgView::ProxyText(const ProxyProfile& profile)
{
    std::wstring summary = profile.ServerSummary();
    if (summary.size() >= 40)
        summary = summary.substr(0, 37) + L"...";
    return summary;
}

std::wstring MainDlgView::BypassText(const ProxyProfile& profile)
{
    std::wstring bypass = profile.ProxyBypass;
    for (const wchar_t* local : {L"<local>;", L"<local>"}) {
        const std::size_t at = bypass.find(local);
        if (at != std::wstring::npos)
            bypass.erase(at, std::wcslen(local));
    }
    if (!bypass.empty() && bypass.back() == L';')
        bypass.pop_back();
    if (bypass.size() > 15)
        bypass = bypass.substr(0, 15) + L"...";
    return bypass;
}

void MainDlgView::WriteCells(const ElementRef& row, const ProxyProfile& profile)
{
    Cell(row, 1).SetText(profile.Name);
    Cell(row, 2).SetText(TypeText(profile));
    Cell(row, 3).SetText(ProxyText(profile));
    Cell(row, 4).SetText(BypassText(profile));
    Cell(row, 5).SetText(profile.AutoConfigUrl);
}

ElementRef MainDlgView::MakeRow(const ProxyProfile& profile)
{
    ElementRef row = ElementRef::Create("tr", nullptr);
    row.SetAttribute("name", L"proxy_info");
    for (int i = 0; i < 6; ++i) {
        ElementRef cell = ElementRef::Create("td", i == 0 ? L" " : L"");
        if (i == 1 || i >= 3)
            cell.SetAttribute("nowrap", L"1");
        row.Insert(cell, HL_INSERT_APPEND);
    }
    WriteCells(row, profile);
    return row;
}

UINT MainDlgView::HeaderRows() const
{
    return static_cast<UINT>(std::max(0, m_list.AttributeInt("fixedrows", 0)));
}

ElementRef MainDlgView::CurrentRow() const
{
    if (!m_list)
        return {};
    const UINT header = HeaderRows();
    for (UINT i = m_list.ChildCount(); i-- > header;) {
        ElementRef row = m_list.Child(i);
        if (row.TestState(HL_STATE_CURRENT))
            return row;
    }
    return {};
}

std::wstring MainDlgView::SelectedName() const
{
    ElementRef row = CurrentRow();
    return row ? Cell(row, 1).Text() : std::wstring();
}

bool MainDlgView::IsSelectedActive() const
{
    ElementRef row = CurrentRow();
    return row && Cell(row, 0).Text() == kMarkerText && Cell(row, 0).Child(0).TagString() == L"b";
}

void MainDlgView::OnPageOpened()
{
    if (!PageLoaded())
        return;
    SetFocus(Window());
    m_list = SelectFirst(Root(), "*[id='proxy_list']");
    FillList();
    m_profiles.Notifier().SetWindow(Window());
    UpdateCommandStates();
    FitWorkArea();
    // The keys (arrows, Enter, Delete, the menu key) act on the list from the start, without a
    // click to give it the focus first.
    if (m_list)
        m_list.SetFocus();
}

void MainDlgView::FitWorkArea()
{
    // The work area takes what the toolbar above it and the status panel below it leave; the
    // page's style sheet cannot say "the window's height less the panel" by itself.
    ElementRef frame = SelectFirst(Root(), "table.frame");
    ElementRef toolbar = SelectFirst(Root(), "*[id='toolbar']");
    if (!frame || !toolbar)
        return;
    RECT client{};
    GetClientRect(Window(), &client);
    const RECT top = toolbar.Location(HL_VIEW_RELATIVE | HL_MARGIN_BOX);
    const int height = std::max(0, MulDiv(client.bottom - top.bottom, 96, Dpi()) - kStatusPanelHeight);
    const std::wstring style = std::to_wstring(height) + L"px";
    HTMLayoutSetStyleAttribute(frame.Handle(), "height", style.c_str());
}

void MainDlgView::FillList()
{
    if (!m_list)
        return;
    const std::wstring active = m_profiles.Snapshot().Current().Name;
    // Every row is made whole, marker included, before the first goes in: the page then takes
    // them in one step and lays the table out once. The profiles' copies go before that, so that
    // the table's boxes reuse their memory rather than grow the heap beside it.
    std::vector<ElementRef> rows;
    {
        std::vector<ProxyProfile> listed;
        m_profiles.Profiles().ListProfiles(listed);
        rows.reserve(listed.size());
        for (const ProxyProfile& profile : listed) {
            rows.push_back(MakeRow(profile));
            if (!active.empty() && profile.Name == active)
                SetMarker(Cell(rows.back(), 0));
        }
    }
    for (const ElementRef& row : rows)
        m_list.Insert(row, HL_INSERT_APPEND);
    m_list.Update(Relayout::Yes);
}

void MainDlgView::AddRow(const ProxyProfile& profile)
{
    if (!m_list)
        return;
    m_list.Insert(MakeRow(profile), HL_INSERT_APPEND);
    m_list.Update(Relayout::Yes);
}

void MainDlgView::UpdateCurrentRow(const ProxyProfile& profile)
{
    ElementRef row = CurrentRow();
    if (!row)
        return;
    WriteCells(row, profile);
    m_list.Update(Relayout::Yes);
}

void MainDlgView::MarkActive()
{
    if (!m_list)
        return;
    const std::wstring active = m_profiles.Snapshot().Current().Name;
    const UINT count = m_list.ChildCount();
    for (UINT i = HeaderRows(); i < count; ++i) {
        ElementRef row = m_list.Child(i);
        ElementRef marker = Cell(row, 0);
        if (!marker.Text().empty())
            marker.SetText(L"");
        if (!active.empty() && Cell(row, 1).Text() == active)
            SetMarker(marker);
    }
    m_list.Update(Relayout::Yes);
}

void MainDlgView::UpdateCommandStates()
{
    if (!m_list)
        return;
    // One walk inside the engine rather than a call per row.
    const ElementRef current = SelectFirst(m_list, "tr:current");
    const bool enabled = current && current.Index() >= HeaderRows();
    if (m_commandsKnown && enabled == m_commandsEnabled)
        return;
    m_commandsKnown = true;
    m_commandsEnabled = enabled;
    if (m_owner != nullptr)
        m_owner->OnRowCommandsEnabled(enabled);
    for (const char* id : {"activate", "edit", "remove"}) {
        ElementRef button = SelectFirst(Root(), "*[id='%s']", id);
        button.SetState(enabled ? 0u : HL_STATE_DISABLED, enabled ? HL_STATE_DISABLED : 0u, Repaint::Yes);
        button.Update(Relayout::No);
    }
}

void MainDlgView::Activate()
{
    const std::wstring name = SelectedName();
    if (!name.empty())
        ActivateProfile(m_profiles, name);
}

void MainDlgView::Add()
{
    AddProfile(m_profiles);
}

void MainDlgView::Edit()
{
    EditProfile(m_profiles, SelectedName());
}

void MainDlgView::Remove()
{
    ElementRef row = CurrentRow();
    if (!row)
        return;
    const std::wstring name = SelectedName();
    const std::wstring question = FormatText(L"Are you sure you want to delete proxy \"%s\"", name.c_str());
    if (MessageBoxW(Window(), question.c_str(), L"Confirm", MB_YESNO) != IDYES)
        return;
    m_profiles.Profiles().Remove(name);
    m_profiles.Store().SaveOrReport();
    row.Delete();
    m_list.Update(Relayout::Yes);
    UpdateCommandStates();
}

UINT MainDlgView::TrackListMenu() const
{
    const MenuHandle menu(CreatePopupMenu());
    if (!menu)
        return 0;
    AppendMenuW(menu.Get(), MF_STRING, kContextAdd, MenuText::NewProxy);
    AppendMenuW(menu.Get(), MF_STRING, kContextEdit, MenuText::EditProxy);
    AppendMenuW(menu.Get(), MF_STRING, kContextDelete, MenuText::DeleteProxy);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Get(), MF_STRING | (IsSelectedActive() ? MF_GRAYED : 0u), kContextActivate, MenuText::Activate);
    SetMenuDefaultItem(menu.Get(), kContextEdit, FALSE);
    // At the pointer when it is over the current row (a right click), else below the row's
    // start, as a menu opened by the keyboard shows.
    POINT at{};
    GetCursorPos(&at);
    if (const ElementRef row = CurrentRow()) {
        RECT box = row.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&box), 2);
        if (!PtInRect(&box, at))
            at = POINT{box.left + 16, box.bottom};
    }
    return static_cast<UINT>(
        TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, Window(), nullptr));
}

void MainDlgView::ShowListMenu()
{
    const UINT chosen = TrackListMenu();
    switch (chosen) {
    case kContextAdd: Add(); break;
    case kContextEdit: Edit(); break;
    case kContextDelete: Remove(); break;
    case kContextActivate: Activate(); break;
    default: break;
    }
}

void MainDlgView::OnCommand(WPARAM kind, LPARAM record)
{
    if (kind == COMMAND_ROW_MENU) {
        ShowListMenu();
        return;
    }
    if (kind == COMMAND_ROW_DCLICK) {
        Edit();
        return;
    }
    const auto* info = reinterpret_cast<const CommandInfo*>(record);
    if (kind != COMMAND_CLICK || info == nullptr || info->Code != 1)
        return;
    const std::wstring id = info->Id;
    if (id == L"add")
        Add();
    else if (id == L"edit")
        Edit();
    else if (id == L"remove")
        Remove();
    else if (id == L"activate")
        Activate();
    else if (id == L"help")
        PostMessageW(GetParent(Window()), WM_COMMAND, Command::About, 0);
}

void MainDlgView::OnProfileMessage(UINT message, WPARAM id)
{
    // The message names the entry, not its address: an entry removed meanwhile is gone here too.
    const auto profile = id != 0 ? m_profiles.Profiles().FindById(static_cast<std::uint64_t>(id)) : std::nullopt;
    if (!profile)
        return;
    switch (message) {
    case WM_PROFILE_CHANGED: UpdateCurrentRow(*profile); break;
    case WM_PROFILE_ADDED:
        m_status.Info(FormatText(L"Proxy \"%s\" added.", profile->Name.c_str()));
        AddRow(*profile);
        break;
    case WM_PROFILE_ACTIVATED:
        m_status.Info(FormatText(L"Proxy \"%s\" activated.", profile->Name.c_str()));
        MarkActive();
        break;
    default: break;
    }
    UpdateCommandStates();
}

LRESULT MainDlgView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_PROFILE_CHANGED: case WM_PROFILE_ADDED: case WM_PROFILE_ACTIVATED:
        handled = true;
        OnProfileMessage(message, wParam);
        return 0;
    case WM_SIZE: case WM_DPICHANGED:
        handled = true;
        DefaultProcessing();
        if (PageLoaded())
            FitWorkArea();
        return 0;
    case WM_GETDLGCODE:
        // Enter, Delete and the rest are the view's keys, not the dialog manager's.
        handled = true;
        return DefaultProcessing() | DLGC_WANTALLKEYS;
    default: break;
    }
    return HtmlHost::OnMessage(message, wParam, lParam, handled);
}

bool MainDlgView::OnEvent(HELEMENT, HtmlBehaviorEventParams& params)
{
    // The grid reports every new current row so.
    if ((params.cmd & ~HL_SINKING) == HL_TABLE_ROW_CLICK)
        UpdateCommandStates();
    return false;
}

bool MainDlgView::OnKey(HELEMENT, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN)
        return false;
    const bool control = (params.altState & HL_CONTROL_KEY_PRESSED) != 0;
    const bool alt = (params.altState & HL_ALT_KEY_PRESSED) != 0;
    switch (params.keyCode) {
    case VK_RETURN:
        // On a focused toolbar button, Enter presses that button.
        if (ElementRef(params.target).ControlType() == HL_CTL_BUTTON)
            return false;
        Edit();
        return true;
    case VK_DELETE: Remove(); return true;
    case 'N':
        if (!control)
            return false;
        Add();
        return true;
    case VK_F4:
        if (!alt)
            return false;
        PostMessageW(GetParent(Window()), WM_COMMAND, IDOK, 0);
        return true;
    default: return false;
    }
}
