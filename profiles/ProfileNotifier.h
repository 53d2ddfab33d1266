#pragma once
#include "profiles/ProfileCollection.h"

#include <windows.h>

#include <atomic>
#include <string>

// Tells the notify window (the main view) about a profile with the profile messages of
// ProfileMessages.h; nothing is posted while no window is set. Any thread may post.
class ProfileNotifier {
public:
    explicit ProfileNotifier(ProfileCollection& profiles) : m_profiles(profiles) {}

    void SetWindow(HWND window) { m_window.store(window); }
    [[nodiscard]] HWND Window() const { return m_window.load(); }
    // The message names the profile by its entry id, read now.
    void Post(UINT message, const std::wstring& name) { Post(message, m_profiles.FindId(name)); }
    void Post(UINT message, std::uint64_t id)
    {
        if (const HWND window = m_window.load())
            PostMessageW(window, message, static_cast<WPARAM>(id), 0);
    }

private:
    ProfileCollection& m_profiles;
    std::atomic<HWND> m_window{nullptr};
};
