#pragma once
#include "app/MessageLoop.h"
#include "app/TrayIcon.h"
#include "base/UniqueHandle.h"
#include "base/WindowBase.h"
#include "views/MainDlgView.h"

#include <windows.h>

// The program's top-level window: a modeless dialog with the menu bar around the main view. It
// hides instead of closing, remembers its place between runs, and ends the program on
// "Turn off Gatewarden".
class MainDlg : public WindowBase<MainDlg>, public MessageFilter, public MainDlgView::Owner {
public:
    static constexpr const wchar_t* kCaption = L"Gatewarden v2.2";
    static constexpr const wchar_t* kRectValue = L"GatewardenMainWindow";

    MainDlg();
    ~MainDlg() override;
    MainDlg(const MainDlg&) = delete;
    MainDlg& operator=(const MainDlg&) = delete;

    // Creates the window from its template; null when it could not be made.
    HWND Create();

    // Called once the window is painted: what the first picture need not wait for (the monitor,
    // the task switcher's icon, the tray icon) starts on a tick soon after, once the picture has
    // gone to the screen.
    void AfterFirstPaint();

    // Destroys the window, stops the monitor and posts WM_QUIT with the code. Only from the
    // main loop itself, never from a loop nested inside one of its messages.
    void ShutDown(int exitCode);

    bool PreTranslateMessage(MSG& message) override;
    void OnRowCommandsEnabled(bool enabled) override;

private:
    friend class WindowBase<MainDlg>;
    static int WindowSlot() { return DWLP_USER; }
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnCommand(UINT id);
    void BuildMenuBar();
    // The caption's (ICON_SMALL) or the task switcher's (ICON_BIG) icon, at its size for the DPI.
    void SetIcon(WPARAM which, int dpi);
    void OnFirstTick();
    void RunCleanup(UINT id);
    void CleanupAll();
    void OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    // The turn-off commands: what is open ends first, the turn-off follows from the main loop.
    void RequestShutDown(int exitCode);
    void EndOpenModals();
    [[nodiscard]] POINT MinimumTrackSize() const;

    MainDlgView m_view;
    TrayIcon m_tray;
    IconHandle m_bigIcon;
    IconHandle m_smallIcon;
    HMENU m_proxiesMenu = nullptr;  // owned by the menu bar
    bool m_registered = false;
};
