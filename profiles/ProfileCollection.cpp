#include "profiles/ProfileCollection.h"

void ProfileCollection::Changed()
{
    ++m_revision;
    if (m_noticeArmed.exchange(false))
        SetEvent(m_changeNotice.Get());
}

HANDLE ProfileCollection::ArmChangeNotice()
{
    if (!m_changeNotice)
        m_changeNotice.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_noticeArmed.store(true);
    return m_changeNotice.Get();
}

void ProfileCollection::Locked::Clear()
{
    m_profiles.m_entries.clear();
    m_profiles.m_count.store(0);
    m_profiles.Changed();
}

void ProfileCollection::Locked::Put(ProxyProfile profile)
{
    auto [where, added] = m_profiles.m_entries.try_emplace(profile.Name);
    where->second.Profile = std::move(profile);
    m_profiles.Changed();
    if (added) {
        where->second.Id = m_profiles.m_nextId++;
        m_profiles.m_count.store(m_profiles.m_entries.size());
    }
}

const ProxyProfile* ProfileCollection::Locked::Find(const std::wstring& name) const
{
    const auto found = m_profiles.m_entries.find(name);
    return found == m_profiles.m_entries.end() ? nullptr : &found->second.Profile;
}

std::vector<ProxyProfile> ProfileCollection::Locked::Records() const
{
    std::vector<ProxyProfile> records;
    records.reserve(m_profiles.m_entries.size());
    for (const auto& [name, entry] : m_profiles.m_entries)
        records.push_back(entry.Profile);
    return records;
}

void ProfileCollection::Put(const ProxyProfile& profile)
{
    Lock().Put(profile);
}

void ProfileCollection::PutUnlessSameSettings(const ProxyProfile& profile)
{
    Locked locked(*this);
    for (const auto& [name, entry] : m_entries) {
        if (entry.Profile.SameSettings(profile))
            return;
    }
    locked.Put(profile);
}

std::optional<ProxyProfile> ProfileCollection::Find(const std::wstring& name)
{
    const Locked locked(*this);
    const ProxyProfile* found = locked.Find(name);
    return found != nullptr ? std::optional<ProxyProfile>(*found) : std::nullopt;
}

std::uint64_t ProfileCollection::FindId(const std::wstring& name)
{
    EventLockGuard guard(m_lock);
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? 0 : found->second.Id;
}

std::optional<ProxyProfile> ProfileCollection::FindById(std::uint64_t id)
{
    EventLockGuard guard(m_lock);
    for (const auto& [name, entry] : m_entries) {
        if (entry.Id == id && id != 0)
            return entry.Profile;
    }
    return std::nullopt;
}

void ProfileCollection::Remove(const std::wstring& name)
{
    EventLockGuard guard(m_lock);
    m_entries.erase(name);
    m_count.store(m_entries.size());
    Changed();
}

std::wstring ProfileCollection::FindNameBySettings(const ProxyProfile& settings)
{
    EventLockGuard guard(m_lock);
    for (const auto& [name, entry] : m_entries) {
        if (!name.empty() && entry.Profile.SameSettings(settings))
            return name;
    }
    return {};
}

std::wstring ProfileCollection::FindNameByRule(const std::wstring& ndisName, const std::wstring& address)
{
    EventLockGuard guard(m_lock);
    for (const auto& [name, entry] : m_entries) {
        if (!name.empty() && entry.Profile.NdisName == ndisName && entry.Profile.AutoIp == address)
            return name;
    }
    return {};
}

void ProfileCollection::ListNames(std::vector<std::wstring>& names)
{
    names.clear();
    EventLockGuard guard(m_lock);
    for (const auto& [name, entry] : m_entries) {
        if (!name.empty())
            names.push_back(name);
    }
}

void ProfileCollection::ListProfiles(std::vector<ProxyProfile>& profiles)
{
    profiles.clear();
    EventLockGuard guard(m_lock);
    profiles.reserve(m_entries.size());
    for (const auto& [name, entry] : m_entries) {
        if (!name.empty())
            profiles.push_back(entry.Profile);
    }
}

std::wstring ProfileCollection::UniqueUnnamedName()
{
    EventLockGuard guard(m_lock);
    std::wstring name = L"Unnamed Proxy";
    for (unsigned number = 1; m_entries.count(name) != 0; ++number)
        name = L"Unnamed Proxy " + std::to_wstring(number);
    return name;
}
