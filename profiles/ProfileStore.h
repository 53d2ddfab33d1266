#pragma once
#include "profiles/ProfileCollection.h"
#include "profiles/StoreFile.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

class StatusSink;

// The collection's store file: loaded into the collection and saved from it under the list lock.
// A store that is there but could not be read (held by another program, damaged) is never
// replaced unread: the next Save first keeps a copy of it beside it, and refuses while it cannot.
// The reports go to the status sink, when there is one, and to the log.
class ProfileStore {
public:
    enum LoadResult { Loaded = 0, CannotOpen = 1, Corrupted = 2 };
    enum SaveResult { Saved = 0, CannotCreate = 1 };

    // path empty: proxies.kpp in the user's Gatewarden folder. Another program's hold on the
    // store is tried again for retryMs, at the load and before a save.
    ProfileStore(ProfileCollection& profiles, std::wstring path, DWORD retryMs, StatusSink* status);

    LoadResult Load();
    SaveResult Save();
    // Saves; a failure is told in the status sink and the log, since the change then lives only
    // until the program ends.
    void SaveOrReport();
    // The red lines of the last load that found the store and could not read it; empty after a
    // good load or when there was no store. The main window shows them once its panel exists.
    [[nodiscard]] std::vector<std::wstring> LoadFailureReport();
    [[nodiscard]] const std::wstring& Path() const { return m_path; }

private:
    [[nodiscard]] StoreReadResult Read(ProfileCollection::Locked& profiles);
    [[nodiscard]] StoreKeepResult KeepUnreadStore(std::wstring& keptAs);
    void Info(const std::wstring& line) const;
    void Error(const std::wstring& line) const;

    ProfileCollection& m_profiles;
    std::wstring m_path;
    DWORD m_retryMs;
    StatusSink* m_status;
    std::mutex m_stateLock;
    // The store is there unread and no copy of it is kept yet; what the load that found it reported.
    bool m_unreadStore = false;
    std::vector<std::wstring> m_loadFailure;
};
