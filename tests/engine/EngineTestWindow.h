#pragma once
// An engine window with a page in it, for tests that go through the HTMLayout functions.
#include "engine/HTMLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

class EngineTestWindow {
public:
    EngineTestWindow()
        : m_window(CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr))
    {
        EXPECT_NE(nullptr, m_window);
    }
    ~EngineTestWindow()
    {
        if (m_window != nullptr)
            DestroyWindow(m_window);
    }
    EngineTestWindow(const EngineTestWindow&) = delete;
    EngineTestWindow& operator=(const EngineTestWindow&) = delete;

    [[nodiscard]] HWND Window() const { return m_window; }

    bool Load(const std::string& html)
    {
        return HTMLayoutLoadHtml(m_window, reinterpret_cast<LPCBYTE>(html.data()), static_cast<UINT>(html.size())) != FALSE;
    }

    [[nodiscard]] HELEMENT Root() const
    {
        HELEMENT root = nullptr;
        EXPECT_EQ(HLDOM_OK, HTMLayoutGetRootElement(m_window, &root));
        return root;
    }

    // The first match below the root, not used.
    [[nodiscard]] HELEMENT Find(const char* selector) const
    {
        HELEMENT found = nullptr;
        HTMLayoutSelectElements(
            Root(), selector,
            [](HELEMENT he, LPVOID param) -> BOOL {
                *static_cast<HELEMENT*>(param) = he;
                return TRUE;
            },
            &found);
        return found;
    }

    // Every match below the element, in document order, not used.
    [[nodiscard]] static std::vector<HELEMENT> SelectAll(HELEMENT root, const char* selector)
    {
        std::vector<HELEMENT> found;
        EXPECT_EQ(HLDOM_OK, HTMLayoutSelectElements(
                                root, selector,
                                [](HELEMENT he, LPVOID param) -> BOOL {
                                    static_cast<std::vector<HELEMENT>*>(param)->push_back(he);
                                    return FALSE;
                                },
                                &found))
            << selector;
        return found;
    }

    static HtmlDomResult SetHtml(HELEMENT he, std::string_view html, UINT where)
    {
        return HTMLayoutSetElementHtml(he, reinterpret_cast<LPCBYTE>(html.data()), static_cast<UINT>(html.size()), where);
    }

    [[nodiscard]] static std::wstring Text(HELEMENT he)
    {
        std::wstring text;
        HTMLayoutGetElementInnerText16(
            he, [](LPCWSTR value, UINT length, LPVOID param) { static_cast<std::wstring*>(param)->assign(value, length); },
            &text);
        return text;
    }

    [[nodiscard]] static std::string Html(HELEMENT he, BOOL outer)
    {
        std::string html;
        HTMLayoutGetElementHtml(
            he, outer,
            [](LPCBYTE bytes, UINT length, LPVOID param) {
                static_cast<std::string*>(param)->assign(reinterpret_cast<const char*>(bytes), length);
            },
            &html);
        return html;
    }

    // The popup window the engine shows now, if any (hidden ones are kept for the next showing).
    static HWND ShownPopupWindow()
    {
        for (HWND window = FindWindowExW(nullptr, nullptr, L"HtmlEnginePopup", nullptr); window != nullptr;
             window = FindWindowExW(nullptr, window, L"HtmlEnginePopup", nullptr)) {
            if (IsWindowVisible(window))
                return window;
        }
        return nullptr;
    }

    // Lets posted events and timers run for about this long.
    static void Pump(DWORD milliseconds)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(1);
        }
    }

private:
    HWND m_window;
};
