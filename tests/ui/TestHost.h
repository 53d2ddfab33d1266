#pragma once
// A host window for tests: it records the command messages and the grid's posted events, and
// drives its page by real mouse and key messages.
#include "engine/EngineTestWindow.h"
#include "ui/CommandInfo.h"
#include "ui/HtmlHost.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windowsx.h>

#include <string>
#include <vector>

class TestHost : public HtmlHost {
public:
    struct Command {
        WPARAM Kind;
        std::wstring Id;  // the CommandInfo's id, or the id of the element under the mouse
    };
    struct Event {
        UINT Code;
        UINT_PTR Reason;
    };

    explicit TestHost(const wchar_t* page = nullptr, const wchar_t* failure = nullptr, StatusSink* status = nullptr)
        : HtmlHost(page, {failure, {"TestHost.h", 1}, status}) {}

    HWND Open(const std::string& html = {})
    {
        HWND window = Create(nullptr, RECT{0, 0, 400, 300}, WS_POPUP | WS_VISIBLE);
        EXPECT_NE(nullptr, window);
        if (!html.empty()) {
            EXPECT_TRUE(LoadPage(reinterpret_cast<const BYTE*>(html.data()), static_cast<UINT>(html.size())));
        }
        return window;
    }

    [[nodiscard]] ElementRef Find(const char* selector) const;
    [[nodiscard]] POINT Center(const ElementRef& element) const
    {
        RECT box = element.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    }

    void Mouse(UINT message, POINT at, WPARAM keys = 0) const
    {
        SendMessageW(Window(), message, keys, MAKELPARAM(at.x, at.y));
    }
    void Click(POINT at, WPARAM keys = 0) const
    {
        Mouse(WM_LBUTTONDOWN, at, keys | MK_LBUTTON);
        Mouse(WM_LBUTTONUP, at, keys);
    }
    // A key pressed and released with Ctrl and Shift held as asked.
    void Key(UINT key, bool control = false, bool shift = false) const
    {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(Window(), WM_KEYDOWN, key, 1);
        SendMessageW(Window(), WM_KEYUP, key, 0xC0000001);
        BYTE none[256] = {};
        SetKeyboardState(none);
    }

    static void Pump(DWORD milliseconds) { EngineTestWindow::Pump(milliseconds); }

    std::vector<Command> Commands;
    std::vector<Event> Events;

protected:
    void OnCommand(WPARAM kind, LPARAM record) override
    {
        if (kind == COMMAND_CLICK) {
            Commands.push_back({kind, reinterpret_cast<const CommandInfo*>(record)->Id});
        } else {
            ElementRef under(reinterpret_cast<HELEMENT>(record));
            Commands.push_back({kind, under.AttributeString("id")});
        }
    }
    bool OnEvent(HELEMENT, HtmlBehaviorEventParams& params) override
    {
        if (params.cmd == HL_TABLE_ROW_CLICK || params.cmd == HL_TABLE_HEADER_CLICK)
            Events.push_back({params.cmd, params.reason});
        return false;
    }
};

#include "ui/ElementSelect.h"

inline ElementRef TestHost::Find(const char* selector) const
{
    return SelectFirst(Root(), "%s", selector);
}
