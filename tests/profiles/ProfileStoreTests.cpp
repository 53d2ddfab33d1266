#include "profiles/ProfileStore.h"
#include "support/RecordingStatus.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

using namespace StoreBytes;

// How long the stores of these tests try a file that another program holds.
constexpr DWORD kRetryMs = 1000;

std::string Record(std::uint32_t flags, const std::wstring& name, const std::wstring& server = L"")
{
    return StoreBytes::Record(TestProfile(name, server, flags));
}

// A collection with its store, loaded as the program loads it.
struct StoredList {
    StoredList(const std::wstring& path, StatusSink& status) : Store(Profiles, path, kRetryMs, &status) {}
    ProfileCollection Profiles;
    ProfileStore Store;
};

std::vector<std::wstring> Names(ProfileCollection& profiles)
{
    std::vector<std::wstring> names;
    profiles.ListNames(names);
    return names;
}

class ProfileStoreTest : public testing::Test {
protected:
    std::unique_ptr<StoredList> MakeList(const std::wstring& storePath = {})
    {
        auto list = std::make_unique<StoredList>(storePath.empty() ? m_store : storePath, m_status);
        static_cast<void>(list->Store.Load());
        m_lines.clear();
        return list;
    }

    TempFolder m_folder;
    std::wstring m_store = m_folder.File(L"proxies.kpp");
    RecordingStatus m_status;
    std::vector<std::wstring>& m_lines = m_status.Lines;
};

// Extends a file with zero bytes up to the size: millions of empty records, all under the empty name.
void PadWithZeros(const std::wstring& path, std::uint64_t size)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

// Records go into the list as they are read, so memory follows the distinct profiles, not the
// file; a file larger than any real store is refused unread. Load never writes the file.
// (Load times of the largest stores: bench/profiles.)
TEST_F(ProfileStoreTest, LoadResultsForEveryShapeOfFile)
{
    constexpr std::uint64_t kMegabyte = 1024 * 1024;
    struct Case {
        const char* What;
        std::string Bytes;
        ProfileStore::LoadResult Result;
        std::size_t Count;
        std::vector<std::wstring> Names;
        std::uint64_t ZerosUpTo = 0;
        bool NoFile = false;
        bool Held = false;
    } cases[] = {
        {"no file: an empty list, silently", "", ProfileStore::CannotOpen, 0, {}, 0, true},
        {"held by another program", kHeader110 + Record(1, L"A"), ProfileStore::CannotOpen, 0, {}, 0, false, true},
        {"header only", kHeader110, ProfileStore::Loaded, 1, {}},
        {"zero length", "", ProfileStore::Corrupted, 0, {}},
        {"shorter than a header", "KPP\x17z1", ProfileStore::Corrupted, 0, {}},
        {"unknown version", "KPP\x17z1.20", ProfileStore::Corrupted, 0, {}},
        {"two records, sorted", kHeader110 + Record(1, L"B") + Record(1, L"A"), ProfileStore::Loaded, 3, {L"A", L"B"}},
        {"case matters, upper first", kHeader110 + Record(1, L"home") + Record(1, L"Home"), ProfileStore::Loaded, 3,
         {L"Home", L"home"}},
        {"record cut in its server string", kHeader110 + Record(1, L"A") + Number(0) + Number(3) + Wide(L"Cut") +
             Number(20) + std::string("h\0t", 3), ProfileStore::Loaded, 2, {L"A", L"Cut"}},
        {"record cut inside a number", kHeader110 + Record(1, L"A") + "\x01\x02", ProfileStore::Loaded, 2, {L"A"}},
        {"string count of 4 GB", kHeader110 + Number(0) + Number(1) + Number(0xFFFFFFFF) + std::string("N\0a\0m\0", 6),
         ProfileStore::Loaded, 1, {L"Nam"}},
        {"name ends at a zero unit", kHeader110 + Number(0) + Number(1) + Wide(std::wstring(L"Ab\0cd", 5)) +
             Wide(L"") + Wide(L"") + Wide(L"") + Wide(L"") + Wide(L""), ProfileStore::Loaded, 2, {L"Ab"}},
        {"empty records up to the largest size read", kHeader110 + Record(1, L"A"), ProfileStore::Loaded, 2, {L"A"},
         kMaxStoreBytes},
        {"300 MB", kHeader110, ProfileStore::Corrupted, 0, {}, 300 * kMegabyte},
    };
    const std::wstring leftAsItIs = L"red: " + m_store + L" is left as it is; a copy of it is kept before the proxies are saved";
    const auto lines = [&](const Case& c) -> std::vector<std::wstring> {
        if (c.Result == ProfileStore::Loaded)
            return {L"white: Proxies loaded successfully"};
        if (c.Result == ProfileStore::Corrupted)
            return {L"red: Could not load proxies settings. Proxies DB file corrupted", leftAsItIs};
        if (c.Held)
            return {L"red: Could not load proxies settings. Proxies DB file is in use by another program", leftAsItIs};
        return {};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto list = MakeList();
        if (!c.NoFile)
            TempFolder::WriteBytes(m_store, c.Bytes);
        if (c.ZerosUpTo != 0)
            PadWithZeros(m_store, c.ZerosUpTo);
        WIN32_FILE_ATTRIBUTE_DATA file{};
        GetFileAttributesExW(m_store.c_str(), GetFileExInfoStandard, &file);
        HANDLE held = c.Held ? CreateFileW(m_store.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        PROCESS_MEMORY_COUNTERS before{};
        GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));

        EXPECT_EQ(list->Store.Load(), c.Result);
        PROCESS_MEMORY_COUNTERS after{};
        GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
        EXPECT_LT(after.PeakPagefileUsage, before.PagefileUsage + 100 * kMegabyte);
        EXPECT_LT(after.PeakWorkingSetSize, before.WorkingSetSize + 100 * kMegabyte);
        EXPECT_EQ(list->Profiles.Count(), c.Count);
        EXPECT_EQ(Names(list->Profiles), c.Names);
        EXPECT_EQ(m_lines, lines(c));
        EXPECT_EQ(list->Store.LoadFailureReport().size(), c.Result == ProfileStore::Loaded || c.NoFile ? 0u : 2u);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        WIN32_FILE_ATTRIBUTE_DATA untouched{};
        GetFileAttributesExW(m_store.c_str(), GetFileExInfoStandard, &untouched);
        EXPECT_EQ(untouched.nFileSizeLow, file.nFileSizeLow) << "the file was changed";
        EXPECT_EQ(CompareFileTime(&untouched.ftLastWriteTime, &file.ftLastWriteTime), 0) << "the file was written";
        DeleteFileW(m_store.c_str());
    }
}

// Files named "proxies.kpp.unreadable-*" beside the store, with their bytes.
std::map<std::wstring, std::string> KeptCopies(const std::wstring& store)
{
    std::map<std::wstring, std::string> kept;
    const std::wstring folder = store.substr(0, store.rfind(L'\\') + 1);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((store + L".unreadable-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return kept;
    do {
        kept[folder + found.cFileName] = TempFolder::ReadBytes(folder + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return kept;
}

// A store that is there but could not be read is never replaced unread: the save keeps a copy of
// it first, or refuses while it cannot, until a load succeeds or the copy is made.
TEST_F(ProfileStoreTest, UnreadStoreIsKeptAsideBeforeItIsReplacedOrNotReplacedAtAll)
{
    std::string damaged = kHeader110 + Record(1, L"Home") + Record(3, L"Office", L"office:3128");
    damaged[3] = 0x18;
    const std::string good = kHeader110 + Record(1, L"Home") + Record(3, L"Office", L"office:3128");
    enum class Hold { None, ForAMoment, ThroughTheLoad, ThroughTheFirstSave };
    struct Case {
        const char* What;
        const std::string& Bytes;
        Hold Held;
        ProfileStore::LoadResult Load;
        std::vector<ProfileStore::SaveResult> Saves;
        std::vector<std::wstring> Names;  // what the list holds before New is added
    } cases[] = {
        {"held for a moment at the load: read once let go", good, Hold::ForAMoment, ProfileStore::Loaded,
         {ProfileStore::Saved}, {L"Home", L"Office"}},
        {"a damaged header", damaged, Hold::None, ProfileStore::Corrupted, {ProfileStore::Saved, ProfileStore::Saved}, {}},
        {"held through the load", good, Hold::ThroughTheLoad, ProfileStore::CannotOpen, {ProfileStore::Saved}, {}},
        {"held through the load and the first save", good, Hold::ThroughTheFirstSave, ProfileStore::CannotOpen,
         {ProfileStore::CannotCreate, ProfileStore::Saved}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto list = MakeList();
        TempFolder::WriteBytes(m_store, c.Bytes);
        HANDLE held = c.Held == Hold::None
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(m_store.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        std::thread release;
        if (c.Held == Hold::ForAMoment)
            release = std::thread([held] {
                Sleep(kRetryMs / 5);
                CloseHandle(held);
            });
        EXPECT_EQ(list->Store.Load(), c.Load);
        if (release.joinable())
            release.join();
        else if (c.Held == Hold::ThroughTheLoad)
            CloseHandle(held);
        EXPECT_EQ(Names(list->Profiles), c.Names);
        ProxyProfile added;
        added.Name = L"New";
        list->Profiles.Put(added);
        for (std::size_t save = 0; save < c.Saves.size(); ++save) {
            m_lines.clear();
            EXPECT_EQ(list->Store.Save(), c.Saves[save]) << save;
            if (c.Saves[save] == ProfileStore::CannotCreate) {
                EXPECT_EQ(m_lines, std::vector<std::wstring>{L"red: " + m_store +
                                                             L" is still in use by another program: it was not read, so "
                                                             L"it is not replaced"});
                CloseHandle(held);
                EXPECT_EQ(TempFolder::ReadBytes(m_store), c.Bytes);
                EXPECT_TRUE(KeptCopies(m_store).empty());
                continue;
            }
            const auto kept = KeptCopies(m_store);
            if (c.Load == ProfileStore::Loaded) {
                EXPECT_TRUE(kept.empty());
            } else {
                // One copy, made before the first save that wrote, never again.
                ASSERT_EQ(kept.size(), 1u);
                EXPECT_EQ(kept.begin()->second, c.Bytes);
                const std::vector<std::wstring> told = {L"white: The proxies file that could not be read was kept as " +
                                                        kept.begin()->first};
                EXPECT_EQ(m_lines, save == 0 || c.Saves[save - 1] != ProfileStore::Saved ? told : std::vector<std::wstring>{});
            }
            std::vector<std::wstring> names = c.Names;
            names.push_back(L"New");
            std::sort(names.begin(), names.end());
            auto reloaded = MakeList();
            EXPECT_EQ(Names(reloaded->Profiles), names);
        }
        // An earlier copy is never overwritten, even by one made in the same second.
        if (c.Load == ProfileStore::Corrupted) {
            TempFolder::WriteBytes(m_store, "another damaged store");
            auto again = MakeList();
            ASSERT_EQ(again->Store.Load(), ProfileStore::Corrupted);
            ASSERT_EQ(again->Store.Save(), ProfileStore::Saved);
            const auto kept = KeptCopies(m_store);
            ASSERT_EQ(kept.size(), 2u);
            EXPECT_EQ(kept.begin()->second, c.Bytes);
            EXPECT_EQ(std::next(kept.begin())->second, "another damaged store");
        }
        for (const auto& [path, bytes] : KeptCopies(m_store))
            DeleteFileW(path.c_str());
        DeleteFileW(m_store.c_str());
    }
}

TEST_F(ProfileStoreTest, EveryFieldRoundTripsIncludingNonBmpNames)
{
    std::vector<ProxyProfile> profiles(3);
    profiles[0].Name = L"Caf\u00e9 \u4e2d\u6587 \U0001F680";
    profiles[0].ProxyServer = L"http=\u00fc:1;socks=s:1080;";
    profiles[0].ProxyBypass = L"*.corp;<local>";
    profiles[0].AutoConfigUrl = L"http://wpad/\u00e4.pac";
    profiles[0].NdisName = L"Realtek \u00ae Adapter";
    profiles[0].AutoIp = L"192.168.1.20";
    profiles[0].AutoDiscoveryFlags = 0xFFFFFFFF;
    profiles[0].ConnectionFlags = 0x8000000F;
    profiles[1].Name = L"Plain";
    profiles[2].Name = std::wstring(5000, L'x');
    for (int i = 0; i < 35000; ++i)
        profiles[2].ProxyServer += L"\U0001F600";

    auto list = MakeList();
    for (const ProxyProfile& profile : profiles)
        list->Profiles.Put(profile);
    ASSERT_EQ(list->Store.Save(), ProfileStore::Saved);

    auto reloaded = MakeList();
    ASSERT_EQ(reloaded->Store.Load(), ProfileStore::Loaded);
    EXPECT_EQ(reloaded->Profiles.Count(), profiles.size() + 1) << "a complete file always loads an empty-named entry too";
    for (const ProxyProfile& profile : profiles) {
        const auto found = reloaded->Profiles.Find(profile.Name);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(*found, profile);
    }
    EXPECT_EQ(m_lines, std::vector<std::wstring>{L"white: Proxies loaded successfully"});
}

TEST_F(ProfileStoreTest, SaveWritesTheEmptyNamedEntryFirstThenNameOrder)
{
    TempFolder::WriteBytes(m_store, kHeader110 + Record(1, L"B") + Record(3, L"A", L"a:1"));
    auto list = MakeList();
    ASSERT_EQ(list->Store.Load(), ProfileStore::Loaded);
    ASSERT_EQ(list->Store.Save(), ProfileStore::Saved);
    EXPECT_EQ(TempFolder::ReadBytes(m_store),
              kHeader110 + Record(0, L"") + Record(3, L"A", L"a:1") + Record(1, L"B"));
}

TEST_F(ProfileStoreTest, LaterRecordOfTheSameNameWins)
{
    TempFolder::WriteBytes(m_store, kHeader110 + Record(1, L"A", L"old:1") + Record(3, L"A", L"new:2"));
    auto list = MakeList();
    ASSERT_EQ(list->Store.Load(), ProfileStore::Loaded);
    EXPECT_EQ(list->Profiles.Find(L"A")->ProxyServer, L"new:2");
    EXPECT_EQ(list->Profiles.Count(), 2u);
}

TEST_F(ProfileStoreTest, LoadsOldFormatNamesFromAnsiAndSavesTheNewFormat)
{
    const std::string ansiName = "Caf\xe9";
    TempFolder::WriteBytes(m_store, kHeader100 + Number(0x10) + Number(3) + Ansi(ansiName) + Ansi("p:8080") +
                                        Ansi("<local>") + Ansi("http://x/p.pac"));
    wchar_t expectedName[16] = {};
    MultiByteToWideChar(CP_ACP, 0, ansiName.data(), static_cast<int>(ansiName.size()), expectedName, 16);

    auto list = MakeList();
    ASSERT_EQ(list->Store.Load(), ProfileStore::Loaded);
    const auto profile = list->Profiles.Find(expectedName);
    ASSERT_TRUE(profile.has_value());
    EXPECT_EQ(profile->ProxyServer, L"p:8080");
    EXPECT_EQ(profile->ProxyBypass, L"<local>");
    EXPECT_EQ(profile->AutoConfigUrl, L"http://x/p.pac");
    EXPECT_EQ(profile->AutoDiscoveryFlags, 0x10u);
    EXPECT_EQ(profile->ConnectionFlags, 3u);
    EXPECT_TRUE(profile->NdisName.empty());

    ASSERT_EQ(list->Store.Save(), ProfileStore::Saved);
    EXPECT_EQ(TempFolder::ReadBytes(m_store).substr(0, 9), kHeader110);
    auto reloaded = MakeList();
    ASSERT_EQ(reloaded->Store.Load(), ProfileStore::Loaded);
    EXPECT_EQ(*reloaded->Profiles.Find(expectedName), *profile);
}

TEST_F(ProfileStoreTest, FailedWriteHalfWayLeavesThePreviousStoreIntact)
{
    std::vector<ProxyProfile> before(2);
    before[0].Name = L"Kept";
    before[1].Name = L"Also kept";
    ASSERT_TRUE(WriteStoreFile(m_store, before));
    const std::string previous = TempFolder::ReadBytes(m_store);

    std::vector<ProxyProfile> after(200);
    for (std::size_t i = 0; i < after.size(); ++i)
        after[i].Name = L"Replacement " + std::to_wstring(i);
    StoreWriteFault fault;
    fault.FailAfterBytes = 3000;
    EXPECT_FALSE(WriteStoreFile(m_store, after, fault));
    EXPECT_EQ(TempFolder::ReadBytes(m_store), previous);
    EXPECT_EQ(GetFileAttributesW((m_store + L".new").c_str()), INVALID_FILE_ATTRIBUTES) << "no partial file left behind";

    EXPECT_TRUE(WriteStoreFile(m_store, after));
    auto reloaded = MakeList();
    ASSERT_EQ(reloaded->Store.Load(), ProfileStore::Loaded);
    EXPECT_EQ(reloaded->Profiles.Count(), after.size() + 1);
}

TEST_F(ProfileStoreTest, SaveWaitsForAReaderThatHoldsTheStoreForAMomentButNotForever)
{
    std::vector<ProxyProfile> first(1);
    first[0].Name = L"First";
    ASSERT_TRUE(WriteStoreFile(m_store, first));
    std::vector<ProxyProfile> second(1);
    second[0].Name = L"Second";
    for (const DWORD heldMs : {3000u, 200u}) {
        const std::string previous = TempFolder::ReadBytes(m_store);
        // Open as most readers open a file: others may read it, but not replace it.
        HANDLE reader = CreateFileW(m_store.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        std::thread release([reader, heldMs] {
            Sleep(heldMs);
            CloseHandle(reader);
        });
        const bool saved = WriteStoreFile(m_store, second);
        release.join();
        EXPECT_EQ(saved, heldMs < 1000) << heldMs;
        EXPECT_EQ(saved, TempFolder::ReadBytes(m_store) != previous) << heldMs;
    }
}

TEST_F(ProfileStoreTest, SaveIntoAFolderThatCannotHoldTheFileReportsFailure)
{
    auto list = MakeList(m_folder.File(L"missing\\deeper\\proxies.kpp"));
    list->Profiles.Put(ProxyProfile());
    EXPECT_EQ(list->Store.Save(), ProfileStore::CannotCreate);
}

TEST_F(ProfileStoreTest, RandomAndMutatedFilesNeverCrashOrHang)
{
    std::mt19937 random(20261206);
    std::string valid = kHeader110;
    for (std::uint32_t i = 0; i < 20; ++i) {
        ProxyProfile record = TestProfile(L"Profile " + std::to_wstring(i), L"http=h:1;", i, L"n", L"1.2.3.4");
        record.ProxyBypass = L"<local>";
        record.AutoConfigUrl = L"u";
        record.AutoDiscoveryFlags = i;
        valid += StoreBytes::Record(record);
    }
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < 400; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            bytes.resize(random() % 600);
            for (char& c : bytes)
                c = static_cast<char>(random());
            if (round % 4 == 0)
                bytes.replace(0, std::min<std::size_t>(9, bytes.size()), kHeader110);
        } else {
            bytes = valid;
            for (int flips = 0; flips < 8; ++flips)
                bytes[9 + random() % (bytes.size() - 9)] = static_cast<char>(random());
            bytes.resize(9 + random() % (bytes.size() - 9));
        }
        TempFolder::WriteBytes(m_store, bytes);
        std::vector<ProxyProfile> records;
        const StoreReadResult result =
            ReadStoreFile(m_store, [&records](ProxyProfile&& record) { records.push_back(std::move(record)); });
        if (bytes.size() >= 9 && bytes.compare(0, 9, kHeader110) == 0) {
            EXPECT_EQ(result, StoreReadResult::Read);
        }
        std::size_t chars = 0;
        for (const ProxyProfile& record : records)
            chars += record.Name.size() + record.ProxyServer.size() + record.ProxyBypass.size() +
                     record.AutoConfigUrl.size() + record.NdisName.size() + record.AutoIp.size();
        EXPECT_LE(chars * 2, bytes.size()) << "strings never hold more than the file";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST_F(ProfileStoreTest, UniqueUnnamedNameTakesTheFirstFreeNumber)
{
    struct Case {
        std::vector<std::wstring> Taken;
        std::wstring Expected;
    } cases[] = {
        {{}, L"Unnamed Proxy"},
        {{L"Unnamed Proxy"}, L"Unnamed Proxy 1"},
        {{L"Unnamed Proxy", L"Unnamed Proxy 1"}, L"Unnamed Proxy 2"},
        {{L"Unnamed Proxy 1"}, L"Unnamed Proxy"},
        {{L"Unnamed Proxy", L"Unnamed Proxy 2"}, L"Unnamed Proxy 1"},
        {{L"unnamed proxy"}, L"Unnamed Proxy"},
    };
    for (const Case& c : cases) {
        auto list = MakeList();
        for (const std::wstring& name : c.Taken) {
            ProxyProfile profile;
            profile.Name = name;
            list->Profiles.Put(profile);
        }
        EXPECT_EQ(list->Profiles.UniqueUnnamedName(), c.Expected);
    }
}

TEST_F(ProfileStoreTest, EntryIdsSurviveReplacementButNotRemoval)
{
    auto list = MakeList();
    ProxyProfile profile;
    profile.Name = L"A";
    list->Profiles.Put(profile);
    const std::uint64_t id = list->Profiles.FindId(L"A");
    ASSERT_NE(id, 0u);
    profile.ProxyServer = L"changed:1";
    list->Profiles.Put(profile);
    EXPECT_EQ(list->Profiles.FindId(L"A"), id);
    EXPECT_EQ(list->Profiles.FindById(id)->ProxyServer, L"changed:1");

    list->Profiles.Remove(L"A");
    EXPECT_FALSE(list->Profiles.FindById(id).has_value());
    list->Profiles.Put(profile);
    EXPECT_NE(list->Profiles.FindId(L"A"), id) << "a message about the removed entry must not reach its successor";
    EXPECT_EQ(list->Profiles.FindId(L"missing"), 0u);
}

TEST_F(ProfileStoreTest, PutUnlessSameSettingsAndFindNameBySettingsScanInNameOrder)
{
    auto list = MakeList();
    ProxyProfile b;
    b.Name = L"B";
    b.ProxyServer = L"s:1";
    b.ConnectionFlags = 3;
    ProxyProfile a = b;
    a.Name = L"A";
    list->Profiles.Put(b);
    list->Profiles.Put(a);
    ProxyProfile probe = b;
    probe.Name = L"C";
    probe.NdisName = L"different adapter does not matter";
    EXPECT_EQ(list->Profiles.FindNameBySettings(probe), L"A");
    list->Profiles.PutUnlessSameSettings(probe);
    EXPECT_FALSE(list->Profiles.Find(L"C").has_value());
    probe.ConnectionFlags = 1;
    list->Profiles.PutUnlessSameSettings(probe);
    EXPECT_TRUE(list->Profiles.Find(L"C").has_value());
    EXPECT_EQ(list->Profiles.FindNameBySettings(ProxyProfile()), L"");

    // The empty-named entry comes first in the map but never holds the settings.
    ProxyProfile unnamed = b;
    unnamed.Name.clear();
    list->Profiles.Put(unnamed);
    list->Profiles.Put(ProxyProfile());
    EXPECT_EQ(list->Profiles.FindNameBySettings(b), L"A");
    EXPECT_EQ(list->Profiles.FindNameBySettings(ProxyProfile()), L"");
}

TEST(EventLock, TheHolderTakingItAgainThrowsInsteadOfWaitingForever)
{
    EventLock lock;
    lock.Lock();
    EXPECT_THROW(lock.Lock(), std::logic_error);
    auto other = std::async(std::launch::async, [&lock] {
        EventLockGuard guard(lock);
        return true;
    });
    EXPECT_EQ(other.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout) << "another thread waits";
    lock.Unlock();
    EXPECT_TRUE(other.get());
}

} // namespace
