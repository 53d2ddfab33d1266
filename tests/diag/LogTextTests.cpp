#include "diag/LogText.h"

#include <gtest/gtest.h>

namespace {

TEST(LogText, DescribesEveryNamedWindowsVersionAndNumbersTheOthers)
{
    struct Case {
        unsigned Major, Minor, Build;
        const wchar_t* ServicePack;
        const wchar_t* Expected;
    };
    const Case cases[] = {
        {4, 0, 1381, L"Service Pack 6", L"Windows NT4.0 or Windows 95 Build: 1381 <br>\n Service Pack 6<br>\n "},
        {4, 10, 2222, L"", L"Windows 98 Build: 2222 <br>\n <br>\n "},
        {4, 90, 3000, L"", L"Windows ME Build: 3000 <br>\n <br>\n "},
        {5, 0, 2195, L"Service Pack 4", L"Windows 2000 Build: 2195 <br>\n Service Pack 4<br>\n "},
        {5, 1, 2600, L"Service Pack 3", L"Windows XP Build: 2600 <br>\n Service Pack 3<br>\n "},
        {5, 2, 3790, L"", L"Windows 2003 Build: 3790 <br>\n <br>\n "},
        {6, 1, 7601, L"Service Pack 1", L"Windows (Unknown) - 6.1 Build: 7601 <br>\n Service Pack 1<br>\n "},
        {10, 0, 19045, L"", L"Windows (Unknown) - 10.0 Build: 19045 <br>\n <br>\n "},
        {4, 1, 0, L"", L"Windows (Unknown) - 4.1 Build: 0 <br>\n <br>\n "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeWindows(c.Major, c.Minor, c.Build, c.ServicePack), c.Expected) << c.Major << "." << c.Minor;
}

TEST(LogText, LocaleBytesMarkCharactersTheLocaleCannotHold)
{
    // The program never sets a locale, so the conversion is the C locale's: one byte for each
    // character up to U+00FF and nothing for the rest.
    struct Case {
        const wchar_t* Text;
        const char* Expected;
    };
    const Case cases[] = {
        {L"plain <b>&</b>", "plain <b>&</b>"},
        {L"caf\u00e9", "caf\xe9"},
        {L"\u4e2d\u6587 after", "?? after"},
        {L"\U0001F600 !", "?? !"},
        {L"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToLocaleBytes(c.Text), c.Expected) << testing::PrintToString(std::wstring(c.Text));
}

} // namespace
