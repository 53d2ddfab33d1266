#pragma once
#include "base/FieldValue.h"
#include "base/WindowBase.h"
#include "profiles/ProfileCollection.h"
#include "ui/HtmlHost.h"

#include <string>
#include <vector>

enum class EditorMode { NewProfile, ExistingProfile };

// The modal dialog in which a profile is made or changed: the page "ADD" filled from a field
// map, its inputs enabled by their checkboxes, the adapters listed, and the entries checked
// before they go back into the same map. It never touches a profile itself.
class ProxyEditDlg : public WindowBase<ProxyEditDlg> {
public:
    explicit ProxyEditDlg(ProfileCollection& profiles);

    // IDOK when the user confirmed and the map was rewritten, IDCANCEL (map unchanged) otherwise.
    INT_PTR Run(HWND owner, FieldMap* fields, EditorMode mode);

private:
    // The dialog's page.
    class View : public HtmlHost {
    public:
        explicit View(ProxyEditDlg& dialog) : HtmlHost(L"add"), m_dialog(dialog) {}

    protected:
        LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
        void OnPageOpened() override;
        void OnCommand(WPARAM kind, LPARAM record) override;
        bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
        bool OnKey(HELEMENT element, HtmlKeyParams& params) override;

    private:
        ProxyEditDlg& m_dialog;
    };

    friend class WindowBase<ProxyEditDlg>;
    static int WindowSlot() { return DWLP_USER; }
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    [[nodiscard]] ElementRef Field(const char* name) const;
    void ApplyEnablingRules();
    void FillAdapters();
    void Confirm();
    void Cancel();
    // False with the message shown when the entries cannot be taken.
    bool Validate(std::wstring& adapter, std::wstring& address);
    void Say(const std::wstring& text, const wchar_t* caption);

    ProfileCollection& m_profiles;
    FieldMap* m_fields = nullptr;
    EditorMode m_mode = EditorMode::NewProfile;
    std::vector<std::wstring> m_adapters;
    View m_view;
};
