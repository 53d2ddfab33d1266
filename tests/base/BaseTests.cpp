// The handle owner and the window thunk that every window and handle of the program goes through.
#include "base/UniqueHandle.h"
#include "base/WindowBase.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, GivesTheHandleBackOnceWhateverWayItGoes)
{
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        KernelHandle owner(first);
        KernelHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(moved.Get(), first);
        moved.Reset(second);
        EXPECT_FALSE(IsOpen(first)) << "a reset closes what was held";
        HANDLE kept = moved.Release();
        EXPECT_EQ(kept, second);
        EXPECT_FALSE(moved);
        *moved.Put() = kept;
    }
    EXPECT_FALSE(IsOpen(second)) << "closed when the owner went";
    // A file that did not open is no handle to close.
    KernelHandle missing(CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
}

// A window class and a dialog through the thunk, with the messages their objects saw.
class Recorder : public WindowBase<Recorder> {
public:
    std::vector<UINT> Seen;
    bool Gone = false;
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        Seen.push_back(message);
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
    void OnWindowGone() { Gone = true; }
    static const wchar_t* Class()
    {
        static const ATOM atom = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"RecorderTestWindow";
            return RegisterClassW(&windowClass);
        }();
        return atom != 0 ? L"RecorderTestWindow" : nullptr;
    }
};

TEST(WindowBase, TheObjectSeesItsWindowFromCreationToTheEndAndThenLetsGo)
{
    Recorder recorder;
    HWND window = CreateWindowExW(0, Recorder::Class(), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), &recorder);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(recorder.Window(), window);
    ASSERT_FALSE(recorder.Seen.empty());
    EXPECT_EQ(recorder.Seen.front(), static_cast<UINT>(WM_NCCREATE));
    SendMessageW(window, WM_USER + 7, 0, 0);
    EXPECT_EQ(recorder.Seen.back(), static_cast<UINT>(WM_USER + 7));
    DestroyWindow(window);
    EXPECT_EQ(recorder.Seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_TRUE(recorder.Gone);
    EXPECT_EQ(recorder.Window(), nullptr);
    // A window made without an object is the default procedure's.
    HWND bare = CreateWindowExW(0, Recorder::Class(), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_TRUE(DestroyWindow(bare));
}

class DialogRecorder : public WindowBase<DialogRecorder> {
public:
    static int WindowSlot() { return DWLP_USER; }
    WPARAM Ended = 0;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM)
    {
        if (message == WM_INITDIALOG)
            PostMessageW(m_window, WM_COMMAND, IDOK, 0);
        if (message == WM_COMMAND) {
            Ended = wParam;
            EndDialog(m_window, 5);
            return TRUE;
        }
        return FALSE;
    }
    INT_PTR Run()
    {
        struct {
            DLGTEMPLATE Header;
            WORD Menu, Class, Title;
        } dialog{{WS_POPUP, 0, 0, 0, 0, 50, 50}, 0, 0, 0};
        return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.Header, nullptr, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    }
};

TEST(WindowBase, ADialogFindsItsObjectFromInitialisation)
{
    DialogRecorder dialog;
    EXPECT_EQ(dialog.Run(), 5);
    EXPECT_EQ(dialog.Ended, static_cast<WPARAM>(IDOK));
    EXPECT_EQ(dialog.Window(), nullptr);
}

} // namespace
