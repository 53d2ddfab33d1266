#pragma once
#include "base/StatusSink.h"
#include "profiles/ProxyProfile.h"
#include "sysproxy/ProfileList.h"
#include "ui/HtmlHost.h"

#include <string>

// The main window's content: the page "MAIN" with its toolbar, the table of profiles and the
// status panel. It turns clicks and keys into the profile commands and follows the profile list
// through the messages the list's users post to it. The list decides which profile is active;
// the view only shows it.
class MainDlgView : public HtmlHost {
public:
    // What the view tells the window around it.
    class Owner {
    public:
        virtual ~Owner() = default;
        // The commands that act on the current row (activate, edit, remove) can run, or not: a
        // row became current, or none is.
        virtual void OnRowCommandsEnabled(bool enabled) = 0;
    };

    // Status lines go to the sink, the page's own panel once the main window has set it up.
    MainDlgView(ProfileList& list, StatusSink& status, Owner* owner = nullptr);

    // The profile commands, also reached from the main window's menu.
    void Activate();
    void Add();
    void Edit();
    void Remove();

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
    // Follows the current row: called when the grid reports a new one and after every change the
    // view makes itself.
    void UpdateCommandStates();
    // The list's context menu, gone by the time its choice runs; 0 when dismissed.
    [[nodiscard]] UINT TrackListMenu() const;
    void ShowListMenu();
    void OnProfileMessage(UINT message, WPARAM id);
    void FitWorkArea();

    ProfileList& m_profiles;
    StatusSink& m_status;
    Owner* m_owner;
    ElementRef m_list;
    bool m_commandsEnabled = true;
    bool m_commandsKnown = false;
};
