// The modal HTML dialog, driven by keys and clicks from inside its own message loop.
#include "ui/HtmlDialog.h"

#include "engine/HTMLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kPage[] = R"(<html><head><title>Report</title></head><body>
    <p>E-mail <input name="email" value="typed@page"></p>
    <textarea name="action">what I did</textarea>
    <p><button name="ok" role="default-button">Send</button> <button name="cancel" role="cancel-button">Exit</button>
    <button name="Later">Later</button></p></body></html>)";

// What the timer does once the dialog shows: one key, or a click on a button by its name.
struct Script {
    UINT Key = 0;
    const char* Button = nullptr;
    bool InTextArea = false;  // click into the text area first, then the key, then Escape
};
Script g_script;

void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowW(nullptr, L"Report");
    HWND page = dialog != nullptr ? GetWindow(dialog, GW_CHILD) : nullptr;
    if (page == nullptr)
        return;
    KillTimer(nullptr, timer);
    HELEMENT root = nullptr, button = nullptr;
    HTMLayoutGetRootElement(page, &root);
    auto press = [&](UINT key) {
        PostMessageW(page, WM_KEYDOWN, key, 1);
        PostMessageW(page, WM_KEYUP, key, 0xC0000001);
    };
    if (g_script.Key != 0 && !g_script.InTextArea) {
        press(g_script.Key);
        return;
    }
    std::string selector = std::string("[name='") + (g_script.InTextArea ? "action" : g_script.Button) + "']";
    HTMLayoutSelectElements(
        root, selector.c_str(),
        [](HELEMENT he, LPVOID found) -> BOOL {
            *static_cast<HELEMENT*>(found) = he;
            return TRUE;
        },
        &button);
    RECT box{};
    HTMLayoutGetElementLocation(button, &box, HL_VIEW_RELATIVE | HL_BORDER_BOX);
    LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(page, WM_LBUTTONUP, 0, at);
    if (g_script.InTextArea) {
        press(g_script.Key);
        press(VK_ESCAPE);
    }
}

INT_PTR ShowDriven(const Script& script, FieldMap& values)
{
    g_script = script;
    // Ends a dialog that the script could not end, so that a failure never hangs the run.
    SetTimer(nullptr, 0, 50, Drive);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (HWND dialog = FindWindowW(nullptr, L"Report"))
            EndDialog(dialog, 99);
    });
    HtmlDialog dialog(nullptr);
    dialog.SetValues(&values);
    INT_PTR result = dialog.Show(reinterpret_cast<const BYTE*>(kPage), sizeof(kPage) - 1);
    KillTimer(nullptr, guard);
    return result;
}

} // namespace

TEST(HtmlDialogTest, KeysAndButtonsEndTheDialogWithTheirResultAndCollectOnlyForOk)
{
    FieldMap given;
    given.Set(L"email", L"given@map");
    given.Set(L"mine", 7);
    struct Case {
        Script Driver;
        INT_PTR Result;
        bool Collected;
    };
    const Case cases[] = {
        {{VK_RETURN, nullptr}, IDOK, true},
        {{VK_ESCAPE, nullptr}, IDCANCEL, false},
        {{0, "ok"}, IDOK, true},  // "ok" in lower case is OK
        {{0, "cancel"}, IDCANCEL, false},
        {{VK_RETURN, nullptr, true}, IDCANCEL, false},  // Enter in the text area is a new line there
    };
    for (const Case& c : cases) {
        FieldMap values = given;
        EXPECT_EQ(c.Result, ShowDriven(c.Driver, values)) << c.Driver.Key << (c.Driver.Button ? c.Driver.Button : "");
        if (!c.Collected) {
            EXPECT_EQ(given, values);
            continue;
        }
        // The map is emptied, then the page's values (filled from it) are collected.
        EXPECT_EQ(FieldValue(L"given@map"), values.Get(L"email"));
        EXPECT_EQ(FieldValue(L"what I did"), values.Get(L"action"));
        EXPECT_FALSE(values.Has(L"mine"));
    }
}
