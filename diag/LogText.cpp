#include "diag/LogText.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <iterator>

std::wstring FormatLogMessage(const wchar_t* format, va_list args)
{
    // The C runtime's bounded form takes the same conversions as wvsprintf (%s wide, %hs and %S
    // narrow) without loading the shell's helper library for it. It writes no terminator when it
    // fills the buffer: the extra zeroed characters end the text, and the cut is ours.
    wchar_t buffer[kLogMessageLimit + 2] = {};
    _vsnwprintf(buffer, kLogMessageLimit + 1, format, args);
    std::wstring text(buffer);
    if (text.size() > kLogMessageLimit)
        text.resize(kLogMessageLimit);
    return text;
}

std::wstring FormatText(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatLogMessage(format, args);
    va_end(args);
    return text;
}

std::wstring WidenAnsi(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.pop_back();
    return wide;
}

std::string ToLocaleBytes(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    std::mbstate_t state{};
    char character[MB_LEN_MAX];
    for (const wchar_t c : text) {
        const std::size_t count = std::wcrtomb(character, c, &state);
        if (count == static_cast<std::size_t>(-1)) {
            bytes.push_back('?');
            state = std::mbstate_t{};
        } else {
            bytes.append(character, count);
        }
    }
    return bytes;
}

const wchar_t* LogRowColour(LogLevel level)
{
    static const wchar_t* const kColours[] = {L"#FF6666", L"#9966FF", L"#00CCFF", L"#eeeeee"};
    if (level < 0 || level >= static_cast<LogLevel>(std::size(kColours)))
        return L"";
    return kColours[level];
}

std::wstring DescribeWindows(unsigned major, unsigned minor, unsigned build, const std::wstring& servicePack)
{
    struct Name {
        unsigned Major, Minor;
        const wchar_t* Text;
    };
    static const Name kNames[] = {{4, 0, L"NT4.0 or Windows 95 "}, {4, 10, L"98 "}, {4, 90, L"ME "},
                                  {5, 0, L"2000 "}, {5, 1, L"XP "}, {5, 2, L"2003 "}};
    const auto known = std::find_if(std::begin(kNames), std::end(kNames),
                                    [&](const Name& n) { return n.Major == major && n.Minor == minor; });
    const std::wstring name = known != std::end(kNames)
                                  ? std::wstring(known->Text)
                                  : L"(Unknown) - " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L" ";
    return L"Windows " + name + L"Build: " + std::to_wstring(build) + L" <br>\n " + servicePack + L"<br>\n ";
}

std::wstring DescribeThisWindows()
{
    // GetVersionEx reports 6.2 to every program without a compatibility manifest; the loader's own
    // query tells the truth.
    using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    RTL_OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const FARPROC query = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!query || reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)()>(query))(&info) != 0)
        return DescribeWindows(0, 0, 0, L"");
    return DescribeWindows(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.szCSDVersion);
}
