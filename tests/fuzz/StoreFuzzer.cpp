// The store file: loaded as the profile list loads it (each record under its name, the later
// one winning), saved, and loaded again. The second load equals the first, but for the entry
// under the empty name, which every complete file ends with and so always loads empty.
#include "AnsiCodePage.h"
#include "FuzzCheck.h"
#include "profiles/StoreFormat.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using Profiles = std::map<std::wstring, ProxyProfile>;

// Reads no further than the bytes hold, a few at a time, as a file read in pieces would.
StoreReadResult Load(const char* bytes, std::size_t size, Profiles& profiles)
{
    std::size_t position = 0;
    StoreReader reader(
        [&](char* target, std::size_t count) {
            const std::size_t take = std::min({count, size - position, std::size_t{4093}});
            std::memcpy(target, bytes + position, take);
            position += take;
            return take;
        },
        size);
    const AnsiDecoder decode = DecodeWindows1252;
    return ReadStoreRecords(reader, decode, [&](ProxyProfile&& record) {
        const std::wstring name = record.Name;
        profiles[name] = std::move(record);
    });
}


} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Profiles first;
    const StoreReadResult read = Load(reinterpret_cast<const char*>(data), size, first);
    FuzzCheck(read == StoreReadResult::Read || first.empty(), "a file not read leaves nothing");
    if (read != StoreReadResult::Read)
        return 0;

    std::vector<ProxyProfile> records;
    for (const auto& [name, profile] : first)
        records.push_back(profile);
    const std::vector<char> saved = FormatStoreFile(records);

    Profiles second;
    FuzzCheck(Load(saved.data(), saved.size(), second) == StoreReadResult::Read, "a saved store reads back");
    first[L""] = ProxyProfile();
    FuzzCheck(second == first, "a store saved and loaded again holds what it held");
    return 0;
}
