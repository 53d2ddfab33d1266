#pragma once
#include "profiles/ProfileList.h"
#include "profiles/ProxyProfile.h"
#include "ui/HtmlHost.h"

#include <string>

// The main window's content: the page "MAIN" with its toolbar, the table of profiles and the
// status panel. It turns clicks and keys into the profile commands and follows the profile list
// through the messages the list's users post to it. The list decides which profile is active;
// the view only shows it.
class MainDlgView : public HtmlHost {
public:
    static constexpr UINT_PTR kCommandTimer = 14;
    static constexpr UINT kCommandPeriodMs = 50;

    explicit MainDlgView(ProfileList& profiles);

    // The profile commands, also reached from the main window's menu.
    void Activate();
    void Add();
    void Edit();
    void Remove();

    // The command states follow the current row only while the window is shown.
    void SetCommandTimer(bool running);

    // The text of the current row's Name cell; empty when no row is current.
    [[nodiscard]] std::wstring SelectedName() const;
    // The current row carries the active marker.
    [[nodiscard]] bool IsSelectedActive() const;

    // The smallest client area at which the toolbar and every column header stay whole, at a
    // screen's DPI.
    [[nodiscard]] static SIZE MinimumClientSize(int dpi);

    // How a profile's cells read in the table.
    [[nodiscard]] static std::wstring TypeText(const ProxyProfile& profile);
    [[nodiscard]] static std::wstring ProxyText(const ProxyProfile& profile);
    [[nodiscard]] static std::wstring BypassText(const ProxyProfile& profile);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnCommand(WPARAM kind, LPARAM record) override;
    void OnPageOpened() override;
    bool OnKey(HELEMENT element, HtmlKeyParams& params) override;
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;

private:
    // The table's header rows (its "fixedrows"): never current, never marked.
    [[nodiscard]] UINT HeaderRows() const;
    [[nodiscard]] ElementRef CurrentRow() const;
    [[nodiscard]] static ElementRef MakeRow(const ProxyProfile& profile);
    static void WriteCells(const ElementRef& row, const ProxyProfile& profile);
    void FillList();
    void AddRow(const ProxyProfile& profile);
    void UpdateCurrentRow(const ProxyProfile& profile);
    void MarkActive();
    void UpdateCommandStates();
    void ShowListMenu();
    void OnProfileMessage(UINT message, WPARAM id);
    void FitWorkArea();

    ProfileList& m_profiles;
    ElementRef m_list;
    bool m_commandsEnabled = true;
    bool m_commandsKnown = false;
    // Something happened that may have changed the current row since the last look.
    bool m_rowsTouched = true;
};
