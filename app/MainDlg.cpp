#include "app/MainDlg.h"

#include "app/StartupPhases.h"

#include "app/AboutDlg.h"
#include "app/RegistrySettings.h"
#include "app/StatusLog.h"
#include "app/TheProfileList.h"
#include "app/TrayMenu.h"
#include "app/WindowModule.h"
#include "crash/crash.h"
#include "cleanup/BrowserCleanup.h"
#include "diag/LogPlaces.h"
#include "diag/LogService.h"
#include "diag/LogText.h"
#include "resources/ResourceIds.h"
#include "ui/WindowGeometry.h"
#include "views/Commands.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

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
const wchar_t kHelpFile[] = L"gatewd.chm";

struct Cleanup {
    UINT Id;
    const wchar_t* MenuText;
    bool (*Run)();
    const wchar_t* Succeeded;
    LogPlace SucceededPlace;
    const wchar_t* Failed;
    LogPlace FailedPlace;
};

constexpr Cleanup kCleanups[] = {
    {Command::CleanCache, MenuText::CleanCache, CleanCache, L"IE Cache was successfully cleaned", kCacheCleanedPlace,
     L"Failed to cleanup IE Cache", kCacheNotCleanedPlace},
    {Command::CleanCookies, MenuText::CleanCookies, CleanCookies, L"IE Cookies was successfully cleaned",
     kCookiesCleanedPlace, L"Failed to cleanup IE Cookies", kCookiesNotCleanedPlace},
    {Command::CleanHistory, MenuText::CleanHistory, CleanHistory, L"IE History was successfully cleaned",
     kHistoryCleanedPlace, L"Failed to cleanup IE History", kHistoryNotCleanedPlace},
    {Command::CleanTypedUrls, MenuText::CleanTypedUrls, CleanTypedUrls, L"IE Address Bar History was successfully cleaned",
     kTypedUrlsCleanedPlace, L"Failed to cleanup IE Address Bar History", kTypedUrlsNotCleanedPlace},
};

// Carries a turn-off (wParam: the exit code) to the main loop, past any dialog that was open.
constexpr UINT WM_DEFERRED_SHUTDOWN = WM_APP + 1;

// Its one tick starts what the first picture need not wait for.
constexpr UINT_PTR kStartTimer = 2;
// Retries adding the tray icon while the shell's notification area is not there yet.
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryMs = 2000;

AboutDlg& TheAboutDlg()
{
    static AboutDlg about(TheStatusLog());
    return about;
}

// The help file is installed beside the program. Started from the Run key, the current folder is
// the system's, so a bare name would never be found.
std::wstring FileBesideProgram(const wchar_t* name)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return name;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// A system metric as it is at a DPI: GetSystemMetrics gives the one of the DPI the program started at.
int MetricAtDpi(int metric, int dpi)
{
    using GetSystemMetricsForDpiProc = int(WINAPI*)(int, UINT);
    static const auto forDpi = reinterpret_cast<GetSystemMetricsForDpiProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    if (forDpi != nullptr)
        return forDpi(metric, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(metric), dpi, ScreenDpi(nullptr));
}

IconHandle LoadProgramIcon(int widthMetric, int heightMetric, int dpi)
{
    return IconHandle(static_cast<HICON>(LoadImageW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                    IMAGE_ICON, MetricAtDpi(widthMetric, dpi),
                                                    MetricAtDpi(heightMetric, dpi), 0)));
}

} // namespace

MainDlg::MainDlg() : m_view(TheProfileList(), TheStatusLog(), this) {}

MainDlg::~MainDlg()
{
    if (m_window != nullptr)
        DestroyWindow(m_window);
    TheStatusLog().SetDocument({});
}

HWND MainDlg::Create()
{
    return CreateDialogParamW(TheWindowModule().Instance(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void MainDlg::SetIcon(WPARAM which, int dpi)
{
    // The window keeps using the icon it has until it is given the new one.
    const bool big = which == ICON_BIG;
    IconHandle icon = LoadProgramIcon(big ? SM_CXICON : SM_CXSMICON, big ? SM_CYICON : SM_CYSMICON, dpi);
    SendMessageW(m_window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon.Get()));
    (big ? m_bigIcon : m_smallIcon) = std::move(icon);
}

void MainDlg::BuildMenuBar()
{
    HMENU bar = GetMenu(m_window);
    if (bar == nullptr) {
        bar = CreateMenu();
        HMENU file = CreatePopupMenu();
        AppendMenuW(file, MF_STRING, Command::CloseToTray, L"Close to tray\tAlt+F4");
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    }
    AppendMenuW(GetSubMenu(bar, 0), MF_STRING, Command::TurnOff, MenuText::TurnOff);
    m_proxiesMenu = CreatePopupMenu();
    AppendMenuW(m_proxiesMenu, MF_STRING, Command::Activate, MenuText::Activate);
    AppendMenuW(m_proxiesMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(m_proxiesMenu, MF_STRING, Command::NewProxy, MenuText::NewProxy);
    AppendMenuW(m_proxiesMenu, MF_STRING, Command::DeleteProxy, MenuText::DeleteProxy);
    AppendMenuW(m_proxiesMenu, MF_STRING, Command::EditProxy, MenuText::EditProxy);
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m_proxiesMenu), L"Proxies");
    HMENU extras = CreatePopupMenu();
    for (const Cleanup& cleanup : kCleanups)
        AppendMenuW(extras, MF_STRING, cleanup.Id, cleanup.MenuText);
    AppendMenuW(extras, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(extras, MF_STRING, Command::CleanAll, MenuText::CleanAll);
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(extras), L"Extras");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, Command::HomePage, L"Gatewarden Home Page");
    AppendMenuW(help, MF_STRING, Command::Feedback, L"Send Suggestion or Feedback");
    AppendMenuW(help, MF_STRING, Command::MakerPage, L"KELM Software Home Page");
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, Command::About, MenuText::About);
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");
    // Either call makes the window measure its frame again, for the bar's new width; one is enough.
    if (GetMenu(m_window) == bar)
        DrawMenuBar(m_window);
    else
        SetMenu(m_window, bar);
}

void MainDlg::OnRowCommandsEnabled(bool enabled)
{
    for (const UINT id : {Command::Activate, Command::DeleteProxy, Command::EditProxy})
        EnableMenuItem(m_proxiesMenu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainDlg::OnInitDialog()
{
    NoteStartupPhase("dialog made");
    // The caption shows the small icon; the large one (the task switcher's) waits for the first
    // tick, after the first paint.
    SetIcon(ICON_SMALL, ScreenDpi(m_window));
    BuildMenuBar();
    SetWindowTextW(m_window, kCaption);
    RegistrySettings::RestoreWindowRect(kRectValue, m_window);
    RECT client{};
    GetClientRect(m_window, &client);
    if (HWND view = m_view.Create(m_window, client)) {
        SetForegroundWindow(view);
        SetActiveWindow(m_window);
    }
    NoteStartupPhase("page shown in the view");
    StatusLog& status = TheStatusLog();
    status.SetDocument(m_view.Root());
    const StatusLog::Batch startLines(status);
    // The icon comes once the window is on screen: the shell may take tens of milliseconds to
    // answer.
    m_tray.Install(m_window, kCaption, IDR_MAINFRAME);
    status.Info(L"Gatewarden run");
    ProfileList& list = TheProfileList();
    // The load ran before this panel existed: what it could not read is told here.
    const std::vector<std::wstring> loadFailure = list.Store().LoadFailureReport();
    for (const std::wstring& line : loadFailure)
        status.Error(line);
    if (loadFailure.empty() && list.Profiles().Count() > 1)
        status.Info(L"Proxies loaded successfully");
    const std::wstring active = list.Snapshot().Current().Name;
    if (!active.empty())
        status.Info(FormatText(L"Proxy \"%s\" is active now.", active.c_str()));
    if (MessageLoop* loop = TheWindowModule().CurrentLoop()) {
        loop->AddFilter(this);
        m_registered = true;
    }
}

void MainDlg::AfterFirstPaint()
{
    // Not due before the loop first waits: Wine sends a window's drawing to the display when its
    // thread goes idle.
    SetTimer(m_window, kStartTimer, USER_TIMER_MINIMUM, nullptr);
}

void MainDlg::OnFirstTick()
{
    KillTimer(m_window, kStartTimer);
    TheProfileList().StartMonitor();
    SetIcon(ICON_BIG, ScreenDpi(m_window));
    PrepareCrashDumps();
    if (!m_tray.Add())
        SetTimer(m_window, kTrayRetryTimer, kTrayRetryMs, nullptr);
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
            TheStatusLog().Info(cleanup.Succeeded);
            TheLogService().TryLog(kLogEvent, cleanup.SucceededPlace.Source, cleanup.SucceededPlace.Line, L"%s",
                                   cleanup.Succeeded);
        } else {
            TheStatusLog().Error(cleanup.Failed);
            TheLogService().TryLog(kLogFailure, cleanup.FailedPlace.Source, cleanup.FailedPlace.Line, L"%s",
                                   cleanup.Failed);
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
    case IDOK: case Command::CloseToTray: ShowWindow(m_window, SW_HIDE); break;
    case IDCANCEL: RequestShutDown(IDCANCEL); break;
    case Command::TurnOff: RequestShutDown(Command::TurnOff); break;
    case Command::AppExit: RequestShutDown(Command::AppExit); break;
    case Command::Help:
        ShellExecuteW(nullptr, nullptr, FileBesideProgram(kHelpFile).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case Command::HomePage: ShellExecuteW(nullptr, L"open", kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case Command::Feedback: ShellExecuteW(nullptr, L"open", kFeedbackUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case Command::MakerPage: ShellExecuteW(nullptr, L"open", kMakerUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
    case Command::About: TheAboutDlg().Run(GetActiveWindow()); break;
    case Command::CleanCache: case Command::CleanCookies: case Command::CleanHistory: case Command::CleanTypedUrls:
        RunCleanup(id);
        break;
    case Command::CleanAll: CleanupAll(); break;
    case Command::Activate: m_view.Activate(); break;
    case Command::NewProxy: m_view.Add(); break;
    case Command::DeleteProxy: m_view.Remove(); break;
    case Command::EditProxy: m_view.Edit(); break;
#ifdef GW_CRASH_TRIGGER
    case Command::CrashOnThread: CloseHandle(CreateThread(nullptr, 0, WriteThroughNull, nullptr, 0, nullptr)); break;
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

// The frame, menu bar included, around the main view's smallest client area at the view's DPI.
POINT MainDlg::MinimumTrackSize() const
{
    const SIZE client = MainDlgView::MinimumClientSize(m_view.Dpi());
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE)), GetMenu(m_window) != nullptr,
                       static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE)));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

INT_PTR MainDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Explorer started again: its notification area knows no icon any more.
    if (message == TrayIcon::TaskbarCreatedMessage() && message != 0) {
        if (m_tray.Add())
            KillTimer(m_window, kTrayRetryTimer);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return TRUE;
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
        if (wParam == kStartTimer)
            OnFirstTick();
        else if (wParam == kTrayRetryTimer && m_tray.Add())
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
    case WM_DPICHANGED:
        FollowDpiChange(m_window, wParam, lParam);
        SetIcon(ICON_BIG, HIWORD(wParam));
        SetIcon(ICON_SMALL, HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        RegistrySettings::SaveWindowRect(kRectValue, m_window);
        ShowWindow(m_window, SW_HIDE);
        return TRUE;
    case WM_ERASEBKGND: SetWindowLongPtrW(m_window, DWLP_MSGRESULT, 1); return TRUE;
    case WM_DESTROY:
        if (m_registered) {
            if (MessageLoop* loop = TheWindowModule().CurrentLoop())
                loop->RemoveFilter(this);
            m_registered = false;
        }
        TheStatusLog().SetDocument({});
        return FALSE;
    default: break;
    }
    return FALSE;
}

bool MainDlg::PreTranslateMessage(MSG& message)
{
#ifdef GW_CRASH_TRIGGER
    // Here rather than in the dialog procedure: Wine drops exceptions raised inside a window
    // procedure, as 64-bit Windows does for some, so that they would never reach the handler.
    if (message.message == WM_COMMAND && message.hwnd == m_window && LOWORD(message.wParam) == Command::CrashHere)
        WriteThroughNull(nullptr);
#endif
    if (message.message == WM_DEFERRED_SHUTDOWN && message.hwnd == m_window && m_window != nullptr) {
        ShutDown(static_cast<int>(message.wParam));
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
        PostMessageW(m_window, WM_COMMAND, Command::Help, 0);
        message.message = WM_NULL;
    }
    return m_window != nullptr && IsDialogMessageW(m_window, &message);
}
