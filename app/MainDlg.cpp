#include "app/MainDlg.h"

#include "app/AboutDlg.h"
#include "app/RegistrySettings.h"
#include "app/StatusLog.h"
#include "app/TrayMenu.h"
#include "app/WindowModule.h"
#include "cleanup/BrowserCleanup.h"
#include "diag/LogService.h"
#include "diag/LogText.h"
#include "profiles/ProfileList.h"
#include "resources/ResourceIds.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum MenuCommand : UINT {
    kTurnOff = 0x8004,
    kHelp = 0x8005,
    kHomePage = 0x8006,
    kFeedback = 0x8007,
    kMakerPage = 0x8008,
    kAbout = 0x8009,
    kCloseToTray = ID_FILE_CLOSE_TO_TRAY,
    kCleanCache = 0x8010,
    kCleanCookies = 0x8011,
    kCleanHistory = 0x8012,
    kCleanTypedUrls = 0x8013,
    kCleanAll = 0x8014,
    kActivate = 0x8015,
    kNewProxy = 0x8016,
    kDeleteProxy = 0x8017,
    kEditProxy = 0x8018,
    kAppExit = 0xE102,
#ifdef GW_CRASH_TRIGGER
    // Only in builds for the tests: no menu shows them.
    kCrashHere = 0x8F01,
    kCrashOnThread = 0x8F02,
#endif
};

#ifdef GW_CRASH_TRIGGER
// A real access violation: through a volatile pointer the compiler cannot turn it into a trap.
DWORD WINAPI WriteThroughNull(LPVOID)
{
    volatile int* volatile target = nullptr;
    *target = 1;
    return 0;
}
#endif

// The maker's site.
const wchar_t kHomePageUrl[] = L"https://www.example.com/gatewd/";
const wchar_t kFeedbackUrl[] = L"https://www.example.com/gatewd/feedback.php";
const wchar_t kMakerUrl[] = L"https://www.example.com/";

struct Cleanup {
    UINT Id;
    const wchar_t* MenuText;
    bool (*Run)();
    const wchar_t* Succeeded;
    int SucceededLine;
    const wchar_t* Failed;
    int FailedLine;
};

constexpr Cleanup kCleanups[] = {
    {kCleanCache, L"Cleanup IE Cache", CleanCache, L"IE Cache was successfully cleaned", 354, L"Failed to cleanup IE Cache", 359},
    {kCleanCookies, L"Cleanup IE Cookies", CleanCookies, L"IE Cookies was successfully cleaned", 369, L"Failed to cleanup IE Cookies", 374},
    {kCleanHistory, L"Cleanup IE History", CleanHistory, L"IE History was successfully cleaned", 384, L"Failed to cleanup IE History", 389},
    {kCleanTypedUrls, L"Cleanup IE Address Bar History", CleanTypedUrls, L"IE Address Bar History was successfully cleaned", 399,
     L"Failed to cleanup IE Address Bar History", 404},
};

// Carries a turn-off (wParam: the exit code) to the main loop, past any dialog that was open.
constexpr UINT WM_DEFERRED_SHUTDOWN = WM_APP + 1;

// Retries adding the tray icon while the shell's notification area is not there yet.
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryMs = 2000;

AboutDlg& TheAboutDlg()
{
    static AboutDlg about;
    return about;
}

HICON LoadProgramIcon(int widthMetric, int heightMetric)
{
    return static_cast<HICON>(LoadImageW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0));
}

} // namespace

MainDlg::MainDlg() : m_view(TheProfileList()) {}

MainDlg::~MainDlg()
{
    if (m_window != nullptr)
        DestroyWindow(m_window);
    StatusLog::SetDocument({});
}

HWND MainDlg::Create()
{
    return CreateDialogParamW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void MainDlg::BuildMenuBar()
{
    HMENU bar = GetMenu(m_window);
    if (bar == nullptr) {
        bar = CreateMenu();
        HMENU file = CreatePopupMenu();
        AppendMenuW(file, MF_STRING, kCloseToTray, L"Close to tray\tAlt+F4");
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    }
    AppendMenuW(GetSubMenu(bar, 0), MF_STRING, kTurnOff, L"Turn off Gatewarden");
    HMENU proxies = CreatePopupMenu();
    AppendMenuW(proxies, MF_STRING, kActivate, L"Activate");
    AppendMenuW(proxies, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(proxies, MF_STRING, kNewProxy, L"New Proxy Settings\tCtrl+N");
    AppendMenuW(proxies, MF_STRING, kDeleteProxy, L"Delete Proxy\tDel");
    AppendMenuW(proxies, MF_STRING, kEditProxy, L"Edit Proxy\tEnter");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(proxies), L"Proxies");
    HMENU extras = CreatePopupMenu();
    for (const Cleanup& cleanup : kCleanups)
        AppendMenuW(extras, MF_STRING, cleanup.Id, cleanup.MenuText);
    AppendMenuW(extras, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(extras, MF_STRING, kCleanAll, L"Cleanup all");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(extras), L"Extras");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kHomePage, L"Gatewarden Home Page");
    AppendMenuW(help, MF_STRING, kFeedback, L"Send Suggestion or Feedback");
    AppendMenuW(help, MF_STRING, kMakerPage, L"KELM Software Home Page");
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, kAbout, L"About Gatewarden...");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");
    SetMenu(m_window, bar);
    DrawMenuBar(m_window);
}

void MainDlg::OnInitDialog()
{
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXICON, SM_CYICON)));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON)));
    BuildMenuBar();
    SetWindowTextW(m_window, kCaption);
    RegistrySettings::RestoreWindowRect(kRectValue, m_window);
    RECT client{};
    GetClientRect(m_window, &client);
    if (HWND view = m_view.Create(m_window, client)) {
        SetForegroundWindow(view);
        SetActiveWindow(m_window);
    }
    StatusLog::SetDocument(m_view.Root());
    if (!m_tray.Install(m_window, kCaption, IDR_MAINFRAME))
        SetTimer(m_window, kTrayRetryTimer, kTrayRetryMs, nullptr);
    StatusLog::Info(L"Gatewarden run");
    ProfileList& profiles = TheProfileList();
    // The load ran before this panel existed: what it could not read is told here.
    const std::vector<std::wstring> loadFailure = profiles.LoadFailureReport();
    for (const std::wstring& line : loadFailure)
        StatusLog::Error(line);
    if (loadFailure.empty() && profiles.Count() > 1)
        StatusLog::Info(L"Proxies loaded successfully");
    const std::wstring active = profiles.CurrentSettings().Name;
    if (!active.empty())
        StatusLog::Info(FormatText(L"Proxy \"%s\" is active now.", active.c_str()));
    if (MessageLoop* loop = TheWindowModule().CurrentLoop()) {
        loop->AddFilter(this);
        loop->AddIdleHandler(this);
        m_registered = true;
    }
}

void MainDlg::ShutDown(int exitCode)
{
    if (m_window != nullptr)
        DestroyWindow(m_window);
    TheProfileList().RequestStop();
    m_tray.Remove();
    Sleep(100);
    PostQuitMessage(exitCode);
}

// A turn-off chosen while a dialog runs its own loop (the tray menu works while the window is
// disabled) must not destroy the window under that loop: the code that opened the dialog would
// come back to a view that is gone. The dialogs end as if cancelled, and the turn-off runs once
// the main loop, which alone offers messages to this window's filter, reads its message.
void MainDlg::RequestShutDown(int exitCode)
{
    EndOpenModals();
    PostMessageW(m_window, WM_DEFERRED_SHUTDOWN, static_cast<WPARAM>(exitCode), 0);
}

void MainDlg::EndOpenModals()
{
    EndMenu();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM main) -> BOOL {
            wchar_t kind[8] = {};
            // The editor, the message boxes and About: every dialog of this thread but the main window.
            if (window != reinterpret_cast<HWND>(main) && GetClassNameW(window, kind, 8) > 0 &&
                std::wstring_view(kind) == L"#32770")
                EndDialog(window, IDCANCEL);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(m_window));
}

void MainDlg::RunCleanup(UINT id)
{
    for (const Cleanup& cleanup : kCleanups) {
        if (cleanup.Id != id)
            continue;
        if (cleanup.Run()) {
            StatusLog::Info(cleanup.Succeeded);
            TheLogService().TryLog(kLogEvent, "MainDlg.cpp", cleanup.SucceededLine, L"%s", cleanup.Succeeded);
        } else {
            StatusLog::Error(cleanup.Failed);
            TheLogService().TryLog(kLogFailure, "MainDlg.cpp", cleanup.FailedLine, L"%s", cleanup.Failed);
        }
    }
}

void MainDlg::CleanupAll()
{
    if (MessageBoxW(m_window, L"Are you sure you want permanently remove all recent IE history?", L"Confirm Cleanup",
                    MB_YESNOCANCEL) != IDYES)
        return;
    for (const Cleanup& cleanup : kCleanups)
        RunCleanup(cleanup.Id);
}

void MainDlg::OnCommand(UINT id)
{
    switch (id) {
    case IDOK: case kCloseToTray: ShowWindow(m_window, SW_HIDE); break;
    case IDCANCEL: RequestShutDown(IDCANCEL); break;
    case kTurnOff: RequestShutDown(kTurnOff); break;
    case kAppExit: RequestShutDown(kAppExit); break;
    case kHelp: ShellExecuteW(nullptr, nullptr, L"gatewd.chm", nullptr, nullptr, SW_SHOWNORMAL); break;
    case kHomePage: ShellExecuteW(nullptr, L"open", kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case kFeedback: ShellExecuteW(nullptr, L"open", kFeedbackUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case kMakerPage: ShellExecuteW(nullptr, L"open", kMakerUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case kAbout: TheAboutDlg().Run(GetActiveWindow()); break;
    case kCleanCache: case kCleanCookies: case kCleanHistory: case kCleanTypedUrls: RunCleanup(id); break;
    case kCleanAll: CleanupAll(); break;
    case kActivate: m_view.Activate(); break;
    case kNewProxy: m_view.Add(); break;
    case kDeleteProxy: m_view.Remove(); break;
    case kEditProxy: m_view.Edit(); break;
#ifdef GW_CRASH_TRIGGER
    case kCrashOnThread: CloseHandle(CreateThread(nullptr, 0, WriteThroughNull, nullptr, 0, nullptr)); break;
#endif
    default: break;
    }
}

void MainDlg::OnTrayNotify(WPARAM id, LPARAM mouseMessage)
{
    if (id != TrayIcon::kId)
        return;
    if (mouseMessage == WM_LBUTTONDBLCLK)
        ShowWindow(m_window, SW_SHOW);
    else if (mouseMessage == WM_RBUTTONDOWN)
        TrayMenu::Run(m_window, TheProfileList());
}

// The frame, menu bar included, around the main view's smallest client area at the screen's DPI.
POINT MainDlg::MinimumTrackSize() const
{
    HDC screen = GetDC(m_window);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr)
        ReleaseDC(m_window, screen);
    const SIZE client = MainDlgView::MinimumClientSize(dpi);
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE)), GetMenu(m_window) != nullptr,
                       static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE)));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

INT_PTR MainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Explorer started again: its notification area knows no icon any more.
    if (message == TrayIcon::TaskbarCreatedMessage() && message != 0) {
        if (m_tray.Add())
            KillTimer(m_window, kTrayRetryTimer);
        return TRUE;
    }
    switch (message) {
    case WM_DEFERRED_SHUTDOWN:
        // Read by a loop nested in the main one: something is still open. Without a main loop
        // of ours to wait for, there is nothing to wait for.
        if (m_registered)
            RequestShutDown(static_cast<int>(wParam));
        else
            ShutDown(static_cast<int>(wParam));
        return TRUE;
    case TrayIcon::kCallbackMessage:
        // The same number is the dialog manager's DM_SETDEFID: only the icon's id is ours.
        if (wParam != TrayIcon::kId)
            return FALSE;
        OnTrayNotify(wParam, lParam);
        return TRUE;
    case WM_TIMER:
        if (wParam == kTrayRetryTimer && m_tray.Add())
            KillTimer(m_window, kTrayRetryTimer);
        return TRUE;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return TRUE;
    case WM_SIZE:
        if (m_view.Window() != nullptr) {
            RECT client{};
            GetClientRect(m_window, &client);
            MoveWindow(m_view.Window(), 0, 0, client.right, client.bottom, TRUE);
        }
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        const POINT minimum = MinimumTrackSize();
        info.ptMinTrackSize = {std::max(info.ptMinTrackSize.x, minimum.x), std::max(info.ptMinTrackSize.y, minimum.y)};
        return TRUE;
    }
    case WM_SHOWWINDOW:
        // Hidden, the window has no commands to grey: its timer rests.
        m_view.SetCommandTimer(wParam != FALSE);
        return FALSE;
    case WM_CLOSE:
        RegistrySettings::SaveWindowRect(kRectValue, m_window);
        ShowWindow(m_window, SW_HIDE);
        return TRUE;
    case WM_ERASEBKGND: SetWindowLongPtrW(m_window, DWLP_MSGRESULT, 1); return TRUE;
    case WM_DESTROY:
        if (m_registered) {
            if (MessageLoop* loop = TheWindowModule().CurrentLoop()) {
                loop->RemoveFilter(this);
                loop->RemoveIdleHandler(this);
            }
            m_registered = false;
        }
        StatusLog::SetDocument({});
        return FALSE;
    case WM_NCDESTROY: m_window = nullptr; return FALSE;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK MainDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MainDlg*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->m_window = dialog;
        self->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<MainDlg*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

bool MainDlg::PreTranslateMessage(MSG& message)
{
#ifdef GW_CRASH_TRIGGER
    // Here rather than in the dialog procedure: Wine drops exceptions raised inside a window
    // procedure, as 64-bit Windows does for some, so that they would never reach the handler.
    if (message.message == WM_COMMAND && message.hwnd == m_window && LOWORD(message.wParam) == kCrashHere)
        WriteThroughNull(nullptr);
#endif
    if (message.message == WM_DEFERRED_SHUTDOWN && message.hwnd == m_window && m_window != nullptr) {
        ShutDown(static_cast<int>(message.wParam));
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
        PostMessageW(m_window, WM_COMMAND, kHelp, 0);
        message.message = WM_NULL;
    }
    return m_window != nullptr && IsDialogMessageW(m_window, &message);
}

bool MainDlg::OnIdle(int)
{
    return false;
}
