#pragma once
#include "profiles/EventLock.h"
#include "profiles/ProxyProfile.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Every profile of the program, by name in ordinal UTF-16 order (names are case-sensitive), under
// the list lock. Each operation takes the lock for its whole run; Lock gives it for longer, for
// the store and for applying a profile.
class ProfileCollection {
public:
    ProfileCollection() = default;
    ProfileCollection(const ProfileCollection&) = delete;
    ProfileCollection& operator=(const ProfileCollection&) = delete;

    void Put(const ProxyProfile& profile);
    void PutUnlessSameSettings(const ProxyProfile& profile);
    // A copy: the stored profile may change or go once the lock is released.
    [[nodiscard]] std::optional<ProxyProfile> Find(const std::wstring& name);
    // An entry's id stays the same from its first Put to its Remove; 0 means none.
    [[nodiscard]] std::uint64_t FindId(const std::wstring& name);
    [[nodiscard]] std::optional<ProxyProfile> FindById(std::uint64_t id);
    void Remove(const std::wstring& name);
    // The first named profile with these settings: the empty-named entry never holds them.
    [[nodiscard]] std::wstring FindNameBySettings(const ProxyProfile& settings);
    // The first named profile, in map order, whose rule is this adapter and address.
    [[nodiscard]] std::wstring FindNameByRule(const std::wstring& ndisName, const std::wstring& address);
    void ListNames(std::vector<std::wstring>& names);
    // Copies of the named profiles in name order, under one lock: a table of thousands reads
    // them in one go rather than a lock for each.
    void ListProfiles(std::vector<ProxyProfile>& profiles);
    // Without the lock.
    [[nodiscard]] std::size_t Count() const { return m_count.load(); }
    // Grows with every change to the profiles, without the lock: a reader that saw the same
    // revision before knows nothing changed.
    [[nodiscard]] std::uint64_t Revision() const { return m_revision.load(); }
    // An event that the next change sets, for one thread that waits for changes. It is armed anew
    // by every call, so that the changes nobody waits for cost nothing more; read the revision
    // after the call, since a change just before it sets nothing.
    [[nodiscard]] HANDLE ArmChangeNotice();
    [[nodiscard]] std::wstring UniqueUnnamedName();

    // The collection while the list lock is held.
    class Locked {
    public:
        explicit Locked(ProfileCollection& profiles) : m_profiles(profiles), m_guard(profiles.m_lock) {}
        void Clear();
        void Put(ProxyProfile profile);
        // Valid while this lock is held.
        [[nodiscard]] const ProxyProfile* Find(const std::wstring& name) const;
        // Every entry, the empty-named one included, in name order.
        [[nodiscard]] std::vector<ProxyProfile> Records() const;
        // Lets the lock go before the end of the scope; nothing may be called afterwards.
        void Release() { m_guard.Release(); }

    private:
        ProfileCollection& m_profiles;
        EventLockGuard m_guard;
    };
    [[nodiscard]] Locked Lock() { return Locked(*this); }

private:
    void Changed();

    struct Entry {
        ProxyProfile Profile;
        std::uint64_t Id = 0;
    };

    std::map<std::wstring, Entry> m_entries;
    EventLock m_lock;
    std::atomic<std::size_t> m_count{0};
    std::atomic<std::uint64_t> m_revision{0};
    KernelHandle m_changeNotice;
    std::atomic<bool> m_noticeArmed{false};
    std::uint64_t m_nextId = 1;
};
