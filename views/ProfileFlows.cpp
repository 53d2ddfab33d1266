#include "views/ProfileFlows.h"

#include "profiles/ProfileMessages.h"
#include "views/ProxyEditDlg.h"

void AddProfile(ProfileList& list)
{
    ProfileCollection& profiles = list.Profiles();
    FieldMap fields;
    fields.Set(L"DISPLAY_NAME", profiles.UniqueUnnamedName());
    fields.Set(L"PROXY_TYPE_AUTO_DETECT", true);
    ProxyEditDlg editor(profiles);
    if (editor.Run(GetActiveWindow(), &fields, EditorMode::NewProfile) != IDOK)
        return;
    const ProxyProfile profile = ProxyProfile::FromFieldMap(fields);
    profiles.Put(profile);
    list.Store().SaveOrReport();
    list.Notifier().Post(WM_PROFILE_ADDED, profile.Name);
}

void EditProfile(ProfileList& list, const std::wstring& name)
{
    if (name.empty())
        return;
    const auto profile = list.Profiles().Find(name);
    if (!profile)
        return;
    const EditedProfileWas was =
        profile->SameSettings(list.Snapshot().Current()) ? EditedProfileWas::Active : EditedProfileWas::Inactive;
    FieldMap fields;
    profile->ToFieldMap(fields);
    ProxyEditDlg editor(list.Profiles());
    if (editor.Run(GetActiveWindow(), &fields, EditorMode::ExistingProfile) != IDOK)
        return;
    const ProxyProfile edited = ProxyProfile::FromFieldMap(fields);
    const auto refused = list.StoreEdited(name, edited, was);
    if (refused)
        ShowApplyFailure(*refused);
    list.Store().SaveOrReport();
    list.Notifier().Post(WM_PROFILE_CHANGED, edited.Name);
}

void ActivateProfile(ProfileList& list, const std::wstring& name)
{
    if (const auto refused = list.Activate(name))
        ShowApplyFailure(*refused);
}

void ShowApplyFailure(const ProxyProfile& profile)
{
    const std::wstring text = L"Failed to activate/modify \"" + profile.Name + L"\" proxy";
    MessageBoxW(nullptr, text.c_str(), L"Gatewarden", MB_OK);
}
