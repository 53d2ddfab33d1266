// The host's window, its page from the resources and its resource loader, through real engine
// windows.
#include "TestHost.h"

#include "support/RecordingStatus.h"
#include "ui/ResourceLoader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ModuleBeside(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

} // namespace

TEST(HtmlHostTest, OpensItsPageWithPicturesByEveryUrlFormAndTheBytesAsStored)
{
    TestHost host(L"page");  // resource names compare without regard to case
    HWND window = host.Open();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(WS_POPUP | WS_VISIBLE, GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_VISIBLE));
    for (const char* id : {"#upper", "#lower", "#prefixed"}) {
        RECT box = host.Find(id).Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
        EXPECT_EQ(24, box.right - box.left) << id;
        EXPECT_EQ(20, box.bottom - box.top) << id;
    }
    RECT missing = host.Find("#missing").Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    EXPECT_NE(24, missing.right - missing.left);
    EXPECT_EQ(L"width=100%%", host.Find("#kept").Text());
}

TEST(HtmlHostTest, ChildHostsAreVisibleClippingChildrenByDefault)
{
    TestHost parent;
    parent.Open();
    TestHost child;
    HWND window = child.Create(parent.Window(), RECT{0, 0, 100, 50}, 0, 7);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0x56000000, GetWindowLongW(window, GWL_STYLE) & 0xFFFF0000);
    EXPECT_EQ(7, GetDlgCtrlID(window));
}

TEST(HtmlHostTest, LoaderFindsEachUrlFormInTheRightModuleAndType)
{
    const std::wstring module = ModuleBeside(L"UiTestModule.dll");
    struct Case {
        std::wstring Url;
        const wchar_t* Shown;  // null: nothing loads
    };
    const Case cases[] = {
        {L"dir/sub/file.html", L"file"},  // dir/sub is no file: the program's own module
        {L"res:file.html", L"file"},
        {L"name.HTML", L"name"},
        {L"name", L"name"},  // no type: RT_HTML
        {L"name.txt", L"txt"},
        {module + L"/other.html", L"other"},
        {module + L"/file.html", nullptr},  // that module has no FILE
        {L"nosuch.html", nullptr},
    };
    TestHost host;
    host.Open();
    for (const Case& c : cases) {
        const std::string url(c.Url.begin(), c.Url.end());
        if (c.Shown == nullptr) {
            EXPECT_FALSE(host.LoadFile(c.Url.c_str())) << url;
            continue;
        }
        ASSERT_TRUE(host.LoadFile(c.Url.c_str())) << url;
        EXPECT_EQ(c.Shown, host.Find("#which").Text()) << url;
    }
    // The module loaded for a request is freed before the answer returns.
    EXPECT_EQ(nullptr, GetModuleHandleW(module.c_str()));
    HtmlNotifyLoadData empty{};
    empty.uri = L"";
    EXPECT_EQ(ResourceLoader::kDiscard, ResourceLoader::AnswerHost(host.Window(), empty));
    empty.uri = nullptr;
    EXPECT_EQ(ResourceLoader::kDiscard, ResourceLoader::AnswerHost(host.Window(), empty));
}

TEST(HtmlHostTest, AMissingPageWritesItsFailureLineAndLeavesTheWindowEmpty)
{
    RecordingStatus status;
    TestHost host(L"NOSUCHPAGE", L"Failed to create Main window", &status);
    EXPECT_NE(nullptr, host.Open());
    EXPECT_EQ(std::vector<std::wstring>{L"red: Failed to create Main window"}, status.Lines);
    EXPECT_EQ(0u, host.Root().ChildCount());
}
