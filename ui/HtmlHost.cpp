#include "ui/HtmlHost.h"

#include "diag/LogService.h"
#include "ui/Behavior.h"
#include "ui/CommandInfo.h"
#include "ui/ControlFactory.h"
#include "ui/MediaType.h"
#include "ui/ResourceLoader.h"
#include "ui/WindowGeometry.h"

namespace {

// The engine's class, asked for once, and where the host keeps its pointer among the window's
// extra bytes (after the engine's own).
struct EngineClass {
    WNDCLASSEXW Class{};
    int HostOffset = 0;

    EngineClass()
    {
        Class.cbSize = sizeof(Class);
        if (GetClassInfoExW(GetModuleHandleW(nullptr), HTMLayoutClassNameW(), &Class))
            HostOffset = Class.cbWndExtra;
    }
};

const EngineClass& Engine()
{
    static const EngineClass engine;
    return engine;
}

constexpr DWORD kDefaultStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

} // namespace

HtmlHost::~HtmlHost()
{
    const HWND window = m_window;
    if (window != nullptr && IsWindow(window)) {
        // The window must not call back into a host that is going.
        Detach();
        DestroyWindow(window);
    }
}

int HtmlHost::WindowSlot()
{
    return Engine().HostOffset;
}

LRESULT HtmlHost::Unowned(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(Engine().Class.lpfnWndProc, window, message, wParam, lParam);
}

bool HtmlHost::Register()
{
    const EngineClass& engine = Engine();
    if (engine.Class.lpfnWndProc == nullptr)
        return false;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), ClassName(), &existing))
        return true;
    WNDCLASSEXW host = engine.Class;
    host.lpfnWndProc = WindowProc;
    host.cbWndExtra = engine.HostOffset + static_cast<int>(sizeof(HtmlHost*));
    host.hInstance = GetModuleHandleW(nullptr);
    host.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    host.lpszClassName = ClassName();
    return RegisterClassExW(&host) != 0;
}

HWND HtmlHost::Create(HWND parent, const RECT& rect, DWORD style, UINT id)
{
    if (m_window != nullptr || !Register())
        return nullptr;
    if (style == 0)
        style = kDefaultStyle;
    HMENU menu = (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    return CreateWindowExW(0, ClassName(), L"", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, menu, GetModuleHandleW(nullptr), this);
}

bool HtmlHost::FindPage(const wchar_t* name, const BYTE*& bytes, DWORD& length, HMODULE module)
{
    return ResourceLoader::Find(name, RT_HTML, bytes, length, module);
}

bool HtmlHost::LoadPage(const BYTE* bytes, UINT length, const wchar_t* baseUrl)
{
    HTMLayoutSetMediaType(m_window, PageMediaType());
    BOOL loaded = baseUrl != nullptr ? HTMLayoutLoadHtmlEx(m_window, bytes, length, baseUrl)
                                     : HTMLayoutLoadHtml(m_window, bytes, length);
    if (loaded) {
        m_pageLoaded = true;
        AttachTo(Root().Handle(), HL_HANDLE_ALL);
    }
    return loaded != FALSE;
}

bool HtmlHost::LoadFile(const wchar_t* path)
{
    HTMLayoutSetMediaType(m_window, PageMediaType());
    BOOL loaded = HTMLayoutLoadFile(m_window, path);
    if (loaded) {
        m_pageLoaded = true;
        AttachTo(Root().Handle(), HL_HANDLE_ALL);
    }
    return loaded != FALSE;
}

LRESULT HtmlHost::DefaultProcessing()
{
    return CallWindowProcW(Engine().Class.lpfnWndProc, m_window, m_current.Id, m_current.WParam, m_current.LParam);
}

LRESULT HtmlHost::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (message == WM_HTML_COMMAND) {
        OnCommand(wParam, lParam);
        handled = true;
    }
    // A high-contrast theme turned on or off while the page shows: its contrast styles follow.
    if (message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE || message == WM_THEMECHANGED)
        HTMLayoutSetMediaType(m_window, PageMediaType());
    return 0;
}

LRESULT HtmlHost::Open()
{
    // The engine's own window must exist inside before a page goes into it.
    if (DefaultProcessing() == -1)
        return -1;
    HTMLayoutSetCallback(m_window, NotifyProc, this);
    if (m_page != nullptr) {
        const BYTE* bytes = nullptr;
        DWORD length = 0;
        // The page's bytes go to the engine as they are stored, "%%" and all.
        if (FindPage(m_page, bytes, length))
            LoadPage(bytes, length);
        else
            ReportMissingPage();
    }
    OnPageOpened();
    return 0;
}

void HtmlHost::ReportMissingPage() const
{
    if (m_failure.Text == nullptr)
        return;
    if (m_failure.Status != nullptr)
        m_failure.Status->Error(m_failure.Text);
    TheLogService().TryLog(kLogFailure, m_failure.Place.Source, m_failure.Place.Line, L"%s", m_failure.Text);
}

LRESULT HtmlHost::OnNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (message != WM_NOTIFY || header == nullptr)
        return 0;
    switch (header->code) {
    case HLN_CREATE_CONTROL: return OnCreateControl(*reinterpret_cast<HtmlNotifyCreateControl*>(header));
    case HLN_LOAD_DATA:
        return ResourceLoader::AnswerHost(header->hwndFrom != nullptr ? header->hwndFrom : m_window,
                                          *reinterpret_cast<HtmlNotifyLoadData*>(header));
    case HLN_ATTACH_BEHAVIOR: Behavior::Attach(*reinterpret_cast<HtmlNotifyAttachBehavior*>(header)); return 0;
    case HLN_CONTROL_CREATED: case HLN_DATA_LOADED: case HLN_DOCUMENT_COMPLETE: case HLN_DESTROY_CONTROL: return 0;
    default: return SendMessageW(GetParent(m_window), message, wParam, lParam);
    }
}

LRESULT HtmlHost::OnCreateControl(HtmlNotifyCreateControl& request)
{
    ControlFactory::Create(request, NotifyProc, this);
    return 0;
}

LRESULT CALLBACK HtmlHost::NotifyProc(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param)
{
    auto* host = static_cast<HtmlHost*>(param);
    return host != nullptr ? host->OnNotify(message, wParam, lParam) : 0;
}

int HtmlHost::Dpi() const
{
    return m_dpi > 0 ? m_dpi : ScreenDpi(m_window);
}

LRESULT HtmlHost::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DPICHANGED && HIWORD(wParam) > 0)
        m_dpi = HIWORD(wParam);
    const Message outer = m_current;
    m_current = {message, wParam, lParam};
    LRESULT result = 0;
    if (message == WM_CREATE) {
        result = Open();
    } else {
        bool handled = false;
        result = OnMessage(message, wParam, lParam, handled);
        if (!handled)
            result = DefaultProcessing();
    }
    m_current = outer;
    return result;
}
