// Loading pages: from bytes, from files on disk, from the host's answers to load requests
// (linked style sheets, pages by URL), with the media type chosen before the load.
#include "EngineTestWindow.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct Host {
    std::map<std::wstring, std::string> Resources;
    std::vector<std::wstring> Requests;
};

LRESULT CALLBACK AnswerFromResources(UINT message, WPARAM, LPARAM lParam, LPVOID param)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (message != WM_NOTIFY || header->code != HLN_LOAD_DATA)
        return 0;
    auto* request = reinterpret_cast<HtmlNotifyLoadData*>(header);
    auto* host = static_cast<Host*>(param);
    host->Requests.push_back(request->uri);
    auto found = host->Resources.find(request->uri);
    if (found == host->Resources.end())
        return 0;
    HTMLayoutDataReady(header->hwndFrom, request->uri, reinterpret_cast<LPCBYTE>(found->second.data()),
                       static_cast<DWORD>(found->second.size()));
    return 0;
}

std::wstring Style(HELEMENT he, const char* property)
{
    LPCWSTR value = nullptr;
    HTMLayoutGetStyleAttribute(he, property, &value);
    return value != nullptr ? value : L"(none)";
}

} // namespace

TEST(EngineLoad, LinkedStyleSheetsComeFromTheHost)
{
    Host host;
    host.Resources[L"main.css"] = "td#w { behavior: scroller }";
    EngineTestWindow window;
    ASSERT_TRUE(HTMLayoutSetCallback(window.Window(), AnswerFromResources, &host));
    ASSERT_TRUE(window.Load("<link rel=stylesheet href=main.css><link rel=stylesheet href=missing.css>"
                            "<table><tr><td id=w>x</td></tr></table>"));
    EXPECT_EQ((std::vector<std::wstring>{L"main.css", L"missing.css"}), host.Requests);
    EXPECT_EQ(L"scroller", Style(window.Find("#w"), "behavior"));
}

TEST(EngineLoad, PagesLoadByUrlFromTheHostOrFromDisk)
{
    Host host;
    host.Resources[L"res:page.html"] = "<p id=p>from the host</p>";
    EngineTestWindow window;
    ASSERT_TRUE(HTMLayoutSetCallback(window.Window(), AnswerFromResources, &host));
    ASSERT_TRUE(HTMLayoutLoadFile(window.Window(), L"res:page.html"));
    EXPECT_EQ(L"from the host", EngineTestWindow::Text(window.Find("#p")));

    TempFolder folder;
    std::wstring path = folder.File(L"page.html");
    TempFolder::WriteBytes(path, "<p id=p>from disk \xC3\xA4</p>");
    ASSERT_TRUE(HTMLayoutLoadFile(window.Window(), path.c_str()));
    EXPECT_EQ(L"from disk \u00E4", EngineTestWindow::Text(window.Find("#p")));
    EXPECT_FALSE(HTMLayoutLoadFile(window.Window(), folder.File(L"missing.html").c_str()));
    EXPECT_FALSE(HTMLayoutLoadFile(window.Window(), L""));
}

TEST(EngineLoad, MediaTypeChoosesTheRules)
{
    const char page[] = "<style>p { color: black } @media contrast-screen { p { color: windowtext } }</style><p id=p>x";
    struct Case {
        const wchar_t* Media;
        const wchar_t* Color;
    };
    const Case cases[] = {{L"screen", L"black"}, {L"contrast-screen", L"windowtext"}, {L"CONTRAST-SCREEN", L"windowtext"}};
    for (const Case& c : cases) {
        EngineTestWindow window;
        ASSERT_TRUE(HTMLayoutSetMediaType(window.Window(), c.Media));
        ASSERT_TRUE(window.Load(page));
        EXPECT_EQ(c.Color, Style(window.Find("#p"), "color")) << c.Media;
    }
}

TEST(EngineLoad, RefusesWhatIsNoPage)
{
    EngineTestWindow window;
    EXPECT_FALSE(HTMLayoutLoadHtml(nullptr, reinterpret_cast<LPCBYTE>("<p>"), 3));
    EXPECT_FALSE(HTMLayoutLoadHtml(window.Window(), nullptr, 5));
    EXPECT_TRUE(HTMLayoutLoadHtml(window.Window(), nullptr, 0));  // an empty page
    HELEMENT root = nullptr;
    EXPECT_EQ(HLDOM_INVALID_HWND, HTMLayoutGetRootElement(GetDesktopWindow(), &root));
    // The terminating zero of a counted text is not content.
    const char blank[] = "<html><body leftmargin=1 topmargin=1 rightmargin=1 bottommargin=1>&nbsp;</body></html>";
    static_assert(sizeof blank == 87);
    ASSERT_TRUE(HTMLayoutLoadHtml(window.Window(), reinterpret_cast<LPCBYTE>(blank), sizeof blank));
    EXPECT_EQ(L"\u00A0", EngineTestWindow::Text(window.Root()));
}
