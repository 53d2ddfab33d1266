#pragma once
// One entry of the stand-in's URL cache, as a test seeds it and the stand-in enumerates it.
#include <string>

namespace WinInetControl {

constexpr unsigned long kNormalCacheEntry = 0x00000001;  // NORMAL_CACHE_ENTRY
constexpr unsigned long kCookieCacheEntry = 0x00100000;  // COOKIE_CACHE_ENTRY

struct CacheEntry {
    std::wstring Url;
    unsigned long Type = kNormalCacheEntry;
    // Bytes that a lookup needs for the entry; 0, or too little for the structure and its URL,
    // means just enough for those.
    unsigned long Size = 0;
};

} // namespace WinInetControl
