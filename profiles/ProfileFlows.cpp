#include "profiles/ProfileFlows.h"

#include "app/StatusLog.h"
#include "diag/LogService.h"
#include "profiles/ProfileMessages.h"
#include "views/ProxyEditDlg.h"

void SaveOrReport(ProfileList& profiles)
{
    if (profiles.Save() == ProfileList::Saved)
        return;
    StatusLog::Error(L"Could not save the proxies settings");
    TRY_LOG_EVENT(kLogFailure, L"Could not save the proxies settings to %s", profiles.StorePath().c_str());
}

void AddProfile(ProfileList& profiles)
{
    FieldMap fields;
    fields.Set(L"DISPLAY_NAME", profiles.UniqueUnnamedName());
    fields.Set(L"PROXY_TYPE_AUTO_DETECT", true);
    ProxyEditDlg editor(profiles);
    if (editor.Run(GetActiveWindow(), &fields, EditorMode::NewProfile) != IDOK)
        return;
    const ProxyProfile profile = ProxyProfile::FromFieldMap(fields);
    profiles.Put(profile);
    SaveOrReport(profiles);
    profiles.PostProfileMessage(WM_PROFILE_ADDED, profile.Name);
}

void EditProfile(ProfileList& profiles, const std::wstring& name)
{
    if (name.empty())
        return;
    const auto profile = profiles.Find(name);
    if (!profile)
        return;
    const EditedProfileWas was =
        profile->SameSettings(profiles.CurrentSettings()) ? EditedProfileWas::Active : EditedProfileWas::Inactive;
    FieldMap fields;
    profile->ToFieldMap(fields);
    ProxyEditDlg editor(profiles);
    if (editor.Run(GetActiveWindow(), &fields, EditorMode::ExistingProfile) != IDOK)
        return;
    const ProxyProfile edited = ProxyProfile::FromFieldMap(fields);
    profiles.StoreEdited(name, edited, was);
    SaveOrReport(profiles);
    profiles.PostProfileMessage(WM_PROFILE_CHANGED, edited.Name);
}
