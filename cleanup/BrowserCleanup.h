#pragma once
// Removing what Internet Explorer keeps of the user's browsing. Each operation runs to completion
// on the calling thread and reports success; none shows or logs anything: the caller does.

// Deletes every URL cache entry that is not a cookie. True when the whole cache was walked.
[[nodiscard]] bool CleanCache();
// Deletes every cookie entry of the URL cache. True when all of them were walked.
[[nodiscard]] bool CleanCookies();
// Deletes the history index file; false when it is missing or held open.
[[nodiscard]] bool CleanHistory();
// Deletes the typed addresses url1, url2, ... up to the first gap. Always true.
bool CleanTypedUrls();
