// Filling in a form with real window messages: clicks give the focus and place the caret, keys
// and characters edit, the clipboard and undo work, and every value reads back.
#include "tests/engine/EngineTestWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_window.Load(R"(<html><body style="margin:0">
            <input id="name" value="Office"><br><input id="secret" type="password"><br>
            <input id="port" type="number" min="1" max="65535" value="80"><br>
            <input id="short" maxlength="3"><br><input id="off" value="kept" disabled><br>
            <input id="box" type="checkbox"> <input id="a" type="radio" name="m" checked> <input id="b" type="radio" name="m">
            <br><textarea id="notes"></textarea>
            <br><select id="list"><option>one</option><option>two</option><option>three</option></select>
            </body></html>)"));
        ShowWindow(m_window.Window(), SW_SHOWNOACTIVATE);
        SetFocus(m_window.Window());
    }

    // At the element's left edge, or its right one (for text inputs: the caret at the end).
    void Click(const char* selector, bool atEnd = false)
    {
        RECT rect{};
        HTMLayoutGetElementLocation(m_window.Find(selector), &rect, HL_VIEW_RELATIVE | HL_BORDER_BOX);
        LPARAM at = MAKELPARAM(atEnd ? rect.right - 4 : rect.left + 2, (rect.top + rect.bottom) / 2);
        SendMessageW(m_window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(m_window.Window(), WM_LBUTTONUP, 0, at);
    }

    void Key(UINT key, bool control = false, bool shift = false)
    {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(m_window.Window(), WM_KEYDOWN, key, 1);
        SendMessageW(m_window.Window(), WM_KEYUP, key, 0xC0000001);
        BYTE none[256] = {};
        SetKeyboardState(none);
    }

    void Type(const std::wstring& text)
    {
        for (wchar_t c : text)
            SendMessageW(m_window.Window(), WM_CHAR, c, 1);
    }

    std::wstring Value(const char* selector)
    {
        HtmlValue value{};
        HTMLayoutControlGetValue(m_window.Find(selector), &value);
        if (value.type == HL_VALUE_INT)
            return std::to_wstring(value.intValue);
        if (value.type == HL_VALUE_BOOL)
            return value.intValue != 0 ? L"true" : L"false";
        return value.text != nullptr ? std::wstring(value.text, value.textLength) : std::wstring();
    }

    EngineTestWindow m_window;
};

TEST_F(InputTest, TypingEditingAndTheClipboardChangeTheValues)
{
    Click("#name", true);  // the caret at the end
    Type(L" 2");
    Key(VK_LEFT, false, true);  // select the "2"
    Type(L"3");
    EXPECT_EQ(L"Office 3", Value("#name"));
    Key(VK_HOME);
    Key(VK_RIGHT, true, true);  // select the word "Office "
    Key('C', true);
    Key(VK_END);
    Key('V', true);
    EXPECT_EQ(L"Office 3Office ", Value("#name"));
    Key('Z', true);
    EXPECT_EQ(L"Office 3", Value("#name"));
    Key('Y', true);
    Key(VK_BACK, true);  // the last word: "3Office"
    EXPECT_EQ(L"Office ", Value("#name"));

    Click("#secret");
    Type(L"pa\xD83D\xDE00ss");  // a character beyond the BMP comes as two messages
    Key(VK_LEFT);
    Key(VK_LEFT);
    Key(VK_BACK);  // takes the whole pair
    EXPECT_EQ(L"pass", Value("#secret"));
    Key('A', true);
    Key('C', true);  // a password is never copied: the clipboard keeps "Office "
    Click("#short");
    Key('V', true);
    EXPECT_EQ(L"Off", Value("#short"));  // cut at maxlength

    Click("#port");
    Key(VK_END);
    Type(L"x-9");  // only digits after the first character
    EXPECT_EQ(L"809", Value("#port"));
    Key(VK_UP);
    EXPECT_EQ(L"810", Value("#port"));
    Key('A', true);
    Type(L"99999");
    Key(VK_UP);
    EXPECT_EQ(L"65535", Value("#port"));

    Click("#off");
    Type(L"changed");
    Key(VK_BACK);
    EXPECT_EQ(L"kept", Value("#off"));

    Click("#box");
    Click("#b");
    EXPECT_EQ(L"true", Value("#box"));
    EXPECT_EQ(L"true", Value("#b"));
    EXPECT_EQ(L"false", Value("#a"));
    Key(VK_RIGHT);  // within the radio group, wrapping
    EXPECT_EQ(L"true", Value("#a"));
    EXPECT_EQ(L"false", Value("#b"));
}

TEST_F(InputTest, TextAreasTakeLinesAndMoveBetweenThem)
{
    Click("#notes");
    Type(L"ab");
    Key(VK_RETURN);
    Type(L"cd");
    Key(VK_UP);  // to the first line, at the same place across
    Type(L"X");
    EXPECT_EQ(L"abX\ncd", Value("#notes"));
    Key(VK_END, true);
    Key(VK_HOME, false, true);  // the last line selected
    Type(L"e");
    EXPECT_EQ(L"abX\ne", Value("#notes"));
    Key('Z', true);
    EXPECT_EQ(L"abX\ncd", Value("#notes"));
}

TEST_F(InputTest, NumberInputsStepByKeysSpinButtonsAndTheWheelWithinTheirRange)
{
    RECT rect{};
    HTMLayoutGetElementLocation(m_window.Find("#port"), &rect, HL_VIEW_RELATIVE | HL_BORDER_BOX);
    auto press = [&](int x, int y) {
        SendMessageW(m_window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(m_window.Window(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    };
    press(rect.right - 5, rect.top + 4);  // the up button
    press(rect.right - 5, rect.top + 4);
    EXPECT_EQ(L"82", Value("#port"));
    press(rect.right - 5, rect.bottom - 4);  // the down button
    EXPECT_EQ(L"81", Value("#port"));
    POINT screen{rect.left + 5, rect.top + 5};
    ClientToScreen(m_window.Window(), &screen);
    SendMessageW(m_window.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(L"80", Value("#port"));
    Key('A', true);
    Type(L"70000");  // kept as typed, read clamped
    EXPECT_EQ(L"65535", Value("#port"));
}

TEST_F(InputTest, TheDropDownOpensItsListInAWindowAndTakesAChoiceByMouseAndKeys)
{
    auto popupWindow = [] { return EngineTestWindow::ShownPopupWindow(); };
    Click("#list", true);  // its button
    HWND list = popupWindow();
    ASSERT_NE(nullptr, list);
    HELEMENT popup = m_window.Find("#list > popup");
    HELEMENT three = m_window.Find("#list option:last-child");
    RECT box{}, option{};
    HTMLayoutGetElementLocation(popup, &box, HL_VIEW_RELATIVE | HL_BORDER_BOX);
    HTMLayoutGetElementLocation(three, &option, HL_VIEW_RELATIVE | HL_BORDER_BOX);
    LPARAM at = MAKELPARAM(option.left - box.left + 3, (option.top + option.bottom) / 2 - box.top);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(L"three", Value("#list"));
    EXPECT_EQ(nullptr, popupWindow());

    Key(VK_UP);  // closed: at once
    EXPECT_EQ(L"two", Value("#list"));
    Key(VK_F4);
    ASSERT_NE(nullptr, popupWindow());
    Key(VK_HOME);
    Key(VK_ESCAPE);  // closes without a change
    EXPECT_EQ(nullptr, popupWindow());
    EXPECT_EQ(L"two", Value("#list"));
    Key(VK_F4);
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_EQ(L"one", Value("#list"));
    EXPECT_EQ(nullptr, popupWindow());
    Key('T');  // the next option that begins with T
    EXPECT_EQ(L"two", Value("#list"));

    // A page that takes Enter and Escape itself (a dialog's) hears none of them while the list is
    // open; closing the list by F4 takes the highlighted choice.
    static int pageKeys = 0;
    HTMLayoutAttachEventHandlerEx(
        m_window.Root(),
        [](LPVOID, HELEMENT, UINT group, LPVOID params) -> BOOL {
            auto* key = static_cast<HtmlKeyParams*>(params);
            if (group != HL_HANDLE_KEY || key->cmd != HL_KEY_DOWN ||
                (key->keyCode != VK_RETURN && key->keyCode != VK_ESCAPE))
                return FALSE;
            ++pageKeys;
            return TRUE;
        },
        nullptr, HL_HANDLE_KEY);
    const std::pair<std::vector<UINT>, const wchar_t*> runs[] = {
        {{VK_F4, VK_DOWN, VK_RETURN}, L"three"},
        {{VK_F4, VK_UP, VK_ESCAPE}, L"three"},
        {{VK_F4, VK_UP, VK_F4}, L"two"},
    };
    for (const auto& [keys, value] : runs) {
        for (UINT key : keys)
            Key(key);
        EXPECT_EQ(value, Value("#list"));
        EXPECT_EQ(nullptr, popupWindow());
    }
    EXPECT_EQ(0, pageKeys);
}

} // namespace
