#pragma once
#include "profiles/ProxyProfile.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

// The store file "proxies.kpp": a 9-byte header, then length-prefixed records to the end of the
// file. Format 1.10 (UTF-16) is read and written; 1.00 (ANSI, no adapter rule) is read.

enum class StoreReadResult { Read, CannotOpen, UnknownHeader };

// Records in file order. Every complete file ends with one empty record (the pass that meets the
// end of the file), which the list keeps under the empty name.
[[nodiscard]] StoreReadResult ReadStoreFile(const std::wstring& path, std::vector<ProxyProfile>& records);

// For tests: the write stops, as a full disk would stop it, after this many bytes.
struct StoreWriteFault {
    std::size_t FailAfterBytes = std::numeric_limits<std::size_t>::max();
};

// Writes the 1.10 format beside the old file and replaces it only once the new one is complete:
// a failure part way leaves the previous store as it was. False when nothing was replaced.
[[nodiscard]] bool WriteStoreFile(const std::wstring& path, const std::vector<ProxyProfile>& records,
                                  StoreWriteFault fault = {});
