#pragma once
// The rows of the log that name a fixed place rather than the code's own file and line: readers of
// the log (and the maker's tools that read it) know these rows by these places, so they stay as
// they are whatever the code around them does.
struct LogPlace {
    const char* Source;
    int Line;
};

inline constexpr LogPlace kStartedPlace{"KApplication.cpp", 63};
inline constexpr LogPlace kMainPageMissingPlace{"MainDlgView.cpp", 40};
inline constexpr LogPlace kAboutPageMissingPlace{"AboutDlgView.cpp", 41};
// The browser cleanups, each with its success and its failure.
inline constexpr LogPlace kCacheCleanedPlace{"MainDlg.cpp", 354};
inline constexpr LogPlace kCacheNotCleanedPlace{"MainDlg.cpp", 359};
inline constexpr LogPlace kCookiesCleanedPlace{"MainDlg.cpp", 369};
inline constexpr LogPlace kCookiesNotCleanedPlace{"MainDlg.cpp", 374};
inline constexpr LogPlace kHistoryCleanedPlace{"MainDlg.cpp", 384};
inline constexpr LogPlace kHistoryNotCleanedPlace{"MainDlg.cpp", 389};
inline constexpr LogPlace kTypedUrlsCleanedPlace{"MainDlg.cpp", 399};
inline constexpr LogPlace kTypedUrlsNotCleanedPlace{"MainDlg.cpp", 404};
