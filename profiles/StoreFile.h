#pragma once
#include "profiles/ProxyProfile.h"
#include "profiles/StoreFormat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// The store file "proxies.kpp" on disk; its bytes are StoreFormat's.

// No real store comes near this size (10,000 profiles take under 4 MB); a larger file is refused
// unread, since the smallest records would number in the millions.
constexpr std::uint64_t kMaxStoreBytes = 256ull * 1024 * 1024;

// Hands each record to take as ReadStoreRecords does.
[[nodiscard]] StoreReadResult ReadStoreFile(const std::wstring& path,
                                            const std::function<void(ProxyProfile&&)>& take);

// For tests: the write stops, as a full disk would stop it, after this many bytes.
struct StoreWriteFault {
    std::size_t FailAfterBytes = std::numeric_limits<std::size_t>::max();
};

// Writes the 1.10 format beside the old file and replaces it only once the new one is complete:
// a failure part way leaves the previous store as it was. False when nothing was replaced.
[[nodiscard]] bool WriteStoreFile(const std::wstring& path, const std::vector<ProxyProfile>& records,
                                  StoreWriteFault fault = {});

enum class StoreKeepResult { Kept, NothingThere, InUse, Failed };

// Copies the store beside itself as "<name>.unreadable-YYYYMMDD-HHMMSS" (local time; "-2", "-3"...
// after it when a copy of that second exists), never over an earlier copy; keptAs names the copy.
[[nodiscard]] StoreKeepResult KeepStoreAside(const std::wstring& path, std::wstring& keptAs);
