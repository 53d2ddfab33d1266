// The kind and value of every input the pages use, read and written through the boundary.
#include "EngineTestWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kForm = R"(<html><body>
<input id=text type=text name=DISPLAY_NAME value="Unnamed Proxy">
<input id=plain name=PLAIN>
<input id=secret type=password value="s3cret">
<input id=port type=number value="8080">
<input id=ip type=number value="">
<input id=auto type=checkbox name=USE_PROXY checked>
<input id=off type=checkbox>
<input id=r1 type=radio name=mode checked><input id=r2 type=radio name=mode>
<button id=ok>OK</button>
<input id=go type=submit value=Go>
<textarea id=area>&lt;local&gt;;*.corp</textarea>
<select id=adapter><option value="0">LAN</option><option value="1" selected>Wireless</option><option>Named</option></select>
<select id=list size=3><option value=a>A</option><option value=b selected>B</option></select>
<select id=many multiple><option value=a selected>A</option><option value=b selected>B</option></select>
<richtext id=rich><b>bold</b></richtext>
<div id=plaindiv>x</div>
<div id=grid style="behavior: grid">x</div>
<button id=command style="behavior: command">C</button>
<input id=hidden type=hidden value=h>
</body></html>)";

std::string Describe(const HtmlValue& value)
{
    switch (value.type) {
    case HL_VALUE_UNDEFINED: return "undefined";
    case HL_VALUE_BOOL: return value.intValue ? "true" : "false";
    case HL_VALUE_INT: return "int " + std::to_string(value.intValue);
    case HL_VALUE_STRING: {
        std::string text = "'";
        for (UINT i = 0; i < value.textLength; ++i)
            text.push_back(static_cast<char>(value.text[i]));
        return text + "'";
    }
    default: return "bad type";
    }
}

class EngineControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_window.Load(kForm)); }

    std::string ValueOf(const char* selector)
    {
        HtmlValue value{};
        EXPECT_EQ(HLDOM_OK, HTMLayoutControlGetValue(m_window.Find(selector), &value)) << selector;
        return Describe(value);
    }

    EngineTestWindow m_window;
};

} // namespace

TEST_F(EngineControls, EveryInputHasItsKindAndValue)
{
    struct Case {
        const char* Selector;
        UINT Type;
        const char* Value;
    };
    const Case cases[] = {
        {"#text", HL_CTL_EDIT, "'Unnamed Proxy'"},
        {"#plain", HL_CTL_EDIT, "''"},
        {"#secret", HL_CTL_PASSWORD, "'s3cret'"},
        {"#port", HL_CTL_NUMERIC, "int 8080"},
        {"#ip", HL_CTL_NUMERIC, "undefined"},
        {"#auto", HL_CTL_CHECKBOX, "true"},
        {"#off", HL_CTL_CHECKBOX, "false"},
        {"#r1", HL_CTL_RADIO, "true"},
        {"#r2", HL_CTL_RADIO, "false"},
        {"#ok", HL_CTL_BUTTON, "'OK'"},
        {"#go", HL_CTL_BUTTON, "''"},
        {"#area", HL_CTL_TEXTAREA, "'<local>;*.corp'"},
        {"#adapter", HL_CTL_DD_SELECT, "int 1"},
        {"#list", HL_CTL_SELECT_SINGLE, "'b'"},
        {"#many", HL_CTL_SELECT_MULTIPLE, "'a;b'"},
        {"#rich", HL_CTL_HTMLAREA, "undefined"},
        {"#plaindiv", HL_CTL_NO, "undefined"},
        {"#grid", HL_CTL_UNKNOWN, "undefined"},
        {"#command", HL_CTL_BUTTON, "'C'"},
        {"#hidden", HL_CTL_EDIT, "'h'"},
    };
    for (const Case& c : cases) {
        UINT type = 99;
        ASSERT_EQ(HLDOM_OK, HTMLayoutControlGetType(m_window.Find(c.Selector), &type)) << c.Selector;
        EXPECT_EQ(c.Type, type) << c.Selector;
        EXPECT_EQ(c.Value, ValueOf(c.Selector)) << c.Selector;
    }
}

TEST_F(EngineControls, ValuesWrittenReadBack)
{
    struct Case {
        const char* Selector;
        HtmlValue Value;
        const char* ReadBack;
    };
    const Case cases[] = {
        {"#text", {HL_VALUE_STRING, 0, L"Office", 6}, "'Office'"},
        {"#secret", {HL_VALUE_STRING, 0, L"", 0}, "''"},
        {"#port", {HL_VALUE_INT, 3128, nullptr, 0}, "int 3128"},
        {"#port", {HL_VALUE_STRING, 0, L"x1", 2}, "'x1'"},
        {"#auto", {HL_VALUE_BOOL, 0, nullptr, 0}, "false"},
        {"#off", {HL_VALUE_BOOL, 1, nullptr, 0}, "true"},
        {"#r2", {HL_VALUE_BOOL, 1, nullptr, 0}, "true"},
        {"#area", {HL_VALUE_STRING, 0, L"a;b", 3}, "'a;b'"},
        {"#adapter", {HL_VALUE_INT, 0, nullptr, 0}, "int 0"},
        {"#adapter", {HL_VALUE_STRING, 0, L"Named", 5}, "'Named'"},
        {"#list", {HL_VALUE_STRING, 0, L"a", 1}, "'a'"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(HLDOM_OK, HTMLayoutControlSetValue(m_window.Find(c.Selector), &c.Value)) << c.Selector;
        EXPECT_EQ(c.ReadBack, ValueOf(c.Selector)) << c.Selector;
    }
    // Checking one radio button unchecks the others of its group.
    EXPECT_EQ("false", ValueOf("#r1"));
}

TEST_F(EngineControls, DropDownCaptionShowsTheChoice)
{
    HELEMENT adapter = m_window.Find("#adapter");
    HELEMENT caption = nullptr;
    HELEMENT button = nullptr;
    HELEMENT options = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetNthChild(adapter, 0, &caption));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetNthChild(adapter, 1, &button));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetNthChild(adapter, 2, &options));
    LPCSTR tags[3] = {};
    HTMLayoutGetElementType(caption, &tags[0]);
    HTMLayoutGetElementType(button, &tags[1]);
    HTMLayoutGetElementType(options, &tags[2]);
    EXPECT_STREQ("caption", tags[0]);
    EXPECT_STREQ("button", tags[1]);
    EXPECT_STREQ("popup", tags[2]);
    EXPECT_EQ(L"Wireless", EngineTestWindow::Text(caption));

    // Its list, once shown, lies in a window of its own: the drop-down keeps its place on its line.
    RECT closed{};
    RECT open{};
    HTMLayoutGetElementLocation(adapter, &closed, HL_ROOT_RELATIVE | HL_BORDER_BOX);
    ASSERT_EQ(HLDOM_OK, HTMLayoutShowPopup(options, adapter, 2));
    HTMLayoutGetElementLocation(adapter, &open, HL_ROOT_RELATIVE | HL_BORDER_BOX);
    EXPECT_TRUE(EqualRect(&closed, &open)) << open.top << " instead of " << closed.top;
    ASSERT_EQ(HLDOM_OK, HTMLayoutHidePopup(options));

    // As the editor fills it: caption emptied, options replaced, the choice given its states.
    ASSERT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(caption, "&nbsp;", HL_SIH_REPLACE_CONTENT));
    UINT count = 0;
    HTMLayoutGetChildrenCount(options, &count);
    while (count-- > 0) {
        HELEMENT option = nullptr;
        HTMLayoutGetNthChild(options, 0, &option);
        ASSERT_EQ(HLDOM_OK, HTMLayoutDeleteElement(option));
    }
    EXPECT_EQ("undefined", ValueOf("#adapter"));
    const wchar_t* names[] = {L"Intel(R) Ethernet", L"Wi-Fi"};
    HELEMENT created[2] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("option", names[i], &created[i]));
        HTMLayoutSetAttributeByName(created[i], "value", std::to_wstring(i).c_str());
        ASSERT_EQ(HLDOM_OK, HTMLayoutInsertElement(created[i], options, HL_INSERT_APPEND));
    }
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementState(created[1], HL_STATE_CURRENT | HL_STATE_CHECKED, 0, TRUE));
    EXPECT_EQ(L"Wi-Fi", EngineTestWindow::Text(caption));
    EXPECT_EQ("int 1", ValueOf("#adapter"));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementState(created[0], HL_STATE_CURRENT | HL_STATE_CHECKED, 0, TRUE));
    UINT state = 0;
    HTMLayoutGetElementState(created[1], &state);
    EXPECT_EQ(0u, state & (HL_STATE_CURRENT | HL_STATE_CHECKED));  // one choice at a time
    EXPECT_EQ(L"Intel(R) Ethernet", EngineTestWindow::Text(caption));
    for (HELEMENT option : created)
        HTMLayout_UnuseElement(option);
}

TEST_F(EngineControls, WrongValuesAreRefused)
{
    HtmlValue bad{77, 0, nullptr, 0};
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutControlSetValue(m_window.Find("#text"), &bad));
    HtmlValue none{HL_VALUE_STRING, 0, L"nothing", 7};
    EXPECT_EQ(HLDOM_OPERATION_FAILED, HTMLayoutControlSetValue(m_window.Find("#adapter"), &none));
    EXPECT_EQ(HLDOM_OPERATION_FAILED, HTMLayoutControlSetValue(m_window.Find("#plaindiv"), &none));
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutControlGetValue(m_window.Find("#text"), nullptr));
}

// A scroll bar widget keeps the value its owner gives it, and a press on its arrows, track and
// thumb asks whoever handles scroll events above it to move.
TEST(EngineScrollBarWidget, KeepsItsValueAndAsksItsOwnerToScroll)
{
    EngineTestWindow window;
    ASSERT_TRUE(window.Load("<html><body style='margin:0'><div id=owner>"
                            "<widget type=vscrollbar id=bar style='height:200px'></widget></div></body></html>"));
    HELEMENT bar = window.Find("#bar");
    HtmlScrollBarValueParams set{};
    set.methodId = HL_SCROLL_BAR_SET_VALUE;
    set.value = 500;  // beyond the last page: kept to 300 - 10
    set.maxValue = 300;
    set.pageValue = 10;
    EXPECT_EQ(HLDOM_OK, HTMLayoutCallBehaviorMethod(bar, &set));
    HtmlScrollBarValueParams get{};
    get.methodId = HL_SCROLL_BAR_GET_VALUE;
    EXPECT_EQ(HLDOM_OK, HTMLayoutCallBehaviorMethod(bar, &get));
    EXPECT_EQ((std::vector<int>{290, 0, 300, 10}), (std::vector<int>{get.value, get.minValue, get.maxValue, get.pageValue}));
    HtmlMethodParams click{HL_SCROLL_BAR_SET_VALUE};
    EXPECT_EQ(HLDOM_OK_NOT_HANDLED, HTMLayoutCallBehaviorMethod(window.Find("#owner"), &click));

    struct Asked {
        std::vector<UINT> Commands;
        std::vector<int> Positions;
    } asked;
    HTMLayoutAttachEventHandlerEx(
        window.Find("#owner"),
        [](LPVOID tag, HELEMENT, UINT group, LPVOID params) -> BOOL {
            auto* scroll = static_cast<HtmlScrollParams*>(params);
            if (group != HL_HANDLE_SCROLL || (scroll->cmd & HL_SINKING) != 0)
                return FALSE;
            static_cast<Asked*>(tag)->Commands.push_back(scroll->cmd);
            static_cast<Asked*>(tag)->Positions.push_back(scroll->pos);
            return TRUE;
        },
        &asked, HL_HANDLE_SCROLL);
    set.value = 0;
    HTMLayoutCallBehaviorMethod(bar, &set);
    RECT box{};
    HTMLayoutGetElementLocation(bar, &box, HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    const int x = (box.left + box.right) / 2;
    auto press = [&](int y, int moveTo) {
        SendMessageW(window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        if (moveTo >= 0)
            SendMessageW(window.Window(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, moveTo));
        SendMessageW(window.Window(), WM_LBUTTONUP, 0, MAKELPARAM(x, moveTo >= 0 ? moveTo : y));
    };
    const int width = box.right - box.left;
    press(box.top + 2, -1);                   // the upper arrow
    press(box.bottom - 2, -1);                // the lower arrow
    press(box.bottom - width - 4, -1);        // the track below the thumb
    press(box.top + width + 2, box.bottom);   // the thumb, dragged to the end
    EXPECT_EQ((std::vector<UINT>{HL_SCROLL_STEP_MINUS, HL_SCROLL_STEP_PLUS, HL_SCROLL_PAGE_PLUS, HL_SCROLL_POS}),
              asked.Commands);
    EXPECT_EQ(290, asked.Positions.empty() ? 0 : asked.Positions.back());
}
