#include "engine/platform/PageRenderer.h"

#include "engine/HTMLayout.h"
#include "engine/paint/Painter.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/gdi/GdiCanvas.h"
#include "engine/platform/gdi/ImageDecoder.h"

#include <algorithm>

namespace Engine {

namespace {

// A paint buffer up to this size (a row, a caret, a hovered button) stays for the next paint; a
// larger one (a window's worth) only until the window has had no large paint for a while, so
// that a burst of full paints reuses it and a window at rest does not hold a megabyte.
constexpr long long kKeptBufferPixels = 64 * 1024;
constexpr UINT kLargeBufferKeptMs = 2000;

bool HasScheme(const std::wstring& url)
{
    std::size_t colon = url.find(L':');
    return colon != std::wstring::npos && colon >= 2 && url.find_first_of(L"/\\") > colon;
}

} // namespace

PageRenderer::PageRenderer(HWND window, DataSource source)
    : m_window(window),
      m_source(std::move(source)),
      m_layout(m_fonts, [this](Element& element, const std::wstring& url) { return ImageFor(element, url); }),
      m_dpi(WindowDpi(window))
{
    m_layout.SetDpi(m_dpi);
    m_layout.SetScrollbarSize(ScrollbarSize(m_dpi));
}

// The system's scroll bar width at a DPI: its metrics are already at the screen's DPI.
int PageRenderer::ScrollbarSize(int dpi)
{
    HDC screen = GetDC(nullptr);
    int screenDpi = std::max(1, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return std::max(8, GetSystemMetrics(SM_CXVSCROLL) * dpi / screenDpi);
}

PageRenderer::~PageRenderer()
{
    if (m_releaseDue)
        KillTimer(m_window, ReleaseTimerId());
    m_layout.Clear();
    if (m_memory != nullptr) {
        if (m_original != nullptr)
            SelectObject(m_memory, m_original);
        DeleteDC(m_memory);
    }
    if (m_buffer != nullptr)
        DeleteObject(m_buffer);
}

int PageRenderer::WindowDpi(HWND window)
{
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = 0;
    if (getDpiForWindow != nullptr && window != nullptr)
        dpi = getDpiForWindow(window);
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return std::clamp(static_cast<int>(dpi), 48, 480);
}

void PageRenderer::Reset()
{
    m_layout.Clear();
    m_layout.ForgetWindowSlots();
    m_images.clear();
}

bool PageRenderer::ScrollTo(Box& box, int x, int y)
{
    if (!m_layout.ScrollTo(box, x, y))
        return false;
    Invalidate(m_layout.TakeDamage());
    if (m_placed)
        m_placed();
    return true;
}

void PageRenderer::SetDpi(DocumentStyle& style, int dpi)
{
    if (dpi == m_dpi)
        return;
    m_dpi = dpi;
    m_layout.SetDpi(dpi);
    m_layout.SetScrollbarSize(ScrollbarSize(dpi));
    style.SetDpi(dpi);
}

void PageRenderer::Update(DocumentStyle& style)
{
    style.SetDpi(m_dpi);
    style.Update();
    Document& document = style.Page();
    StyleChanges changes = document.TakeChanges();
    if (m_rebuild) {
        changes.Release();
        changes.Full = true;
        m_rebuild = false;
    }
    m_layout.Apply(document, std::move(changes));
    RECT client{};
    GetClientRect(m_window, &client);
    m_layout.Layout(client.right - client.left, client.bottom - client.top);
    Rect damage = m_layout.TakeDamage();
    if (!damage.Empty())
        Invalidate(damage);
    // Told even when no box moved: a style that only paints may hide an element.
    if (m_placed)
        m_placed();
}

void PageRenderer::Invalidate(const Rect& area)
{
    RECT rect{area.X, area.Y, area.Right(), area.Bottom()};
    InvalidateRect(m_window, &rect, FALSE);
}

void PageRenderer::Paint(DocumentStyle& style, HDC dc, const RECT& area)
{
    Update(style);
    SIZE size{std::max(1L, area.right - area.left), std::max(1L, area.bottom - area.top)};
    // One memory DC for the window's life: fonts stay realized in it, which saves Wine from
    // loading them again for every paint. The buffer grows to the largest area painted; a
    // window-sized one goes once the window has had no such paint for a while.
    if (m_memory == nullptr)
        m_memory = CreateCompatibleDC(dc);
    if (m_buffer == nullptr || size.cx > m_bufferSize.cx || size.cy > m_bufferSize.cy) {
        HBITMAP buffer = CreateCompatibleBitmap(dc, size.cx, size.cy);
        HGDIOBJ previous = SelectObject(m_memory, buffer);
        if (m_buffer != nullptr)
            DeleteObject(m_buffer);
        else
            m_original = previous;
        m_buffer = buffer;
        m_bufferSize = size;
    }
    HDC memory = m_memory;
    SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
    Rect damage{area.left, area.top, area.right - area.left, area.bottom - area.top};
    // The window's own background under everything, for pages that paint none.
    FillRect(memory, &area, GetSysColorBrush(COLOR_WINDOW));
    Painter painter(m_layout, [this](Element& element, const std::wstring& url) { return ImageFor(element, url); });
    DisplayList list = painter.Record(damage);
    GdiCanvas canvas(memory, m_fonts, [](Element& element, int layer, HDC target, const RECT& rect) {
        HtmlDrawParams params{static_cast<UINT>(layer), target, rect};
        return EventDispatcher::CallOwn(element, HL_HANDLE_DRAW, &params);
    });
    canvas.Play(list, damage);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, size.cx, size.cy, memory, 0, 0, SRCCOPY);
    if (static_cast<long long>(m_bufferSize.cx) * m_bufferSize.cy > kKeptBufferPixels) {
        m_lastLargePaint = GetTickCount64();
        if (!m_releaseDue)
            m_releaseDue = SetTimer(m_window, ReleaseTimerId(), kLargeBufferKeptMs, ReleaseTimerProc) != 0;
        if (!m_releaseDue)
            ReleaseBuffer();
    }
}

UINT_PTR PageRenderer::ReleaseTimerId() const
{
    return reinterpret_cast<UINT_PTR>(this);
}

void CALLBACK PageRenderer::ReleaseTimerProc(HWND window, UINT, UINT_PTR id, DWORD)
{
    // The id is the renderer, whose destruction kills the timer first.
    auto* renderer = reinterpret_cast<PageRenderer*>(id);
    KillTimer(window, id);
    renderer->m_releaseDue = false;
    const ULONGLONG since = GetTickCount64() - renderer->m_lastLargePaint;
    if (since >= kLargeBufferKeptMs)
        renderer->ReleaseBuffer();
    else
        renderer->m_releaseDue =
            SetTimer(window, id, static_cast<UINT>(kLargeBufferKeptMs - since), ReleaseTimerProc) != 0;
}

void PageRenderer::ReleaseBuffer()
{
    if (m_buffer == nullptr)
        return;
    SelectObject(m_memory, m_original);
    DeleteObject(m_buffer);
    m_buffer = nullptr;
    m_original = nullptr;
    m_bufferSize = SIZE{0, 0};
}

void PageRenderer::PaintPopup(Document& document, const Box& popup, HDC dc, const RECT& area)
{
    static_cast<void>(document);
    int width = std::max(1L, area.right - area.left);
    int height = std::max(1L, area.bottom - area.top);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_WINDOW));
    // Page coordinates map onto the window: its client origin is the popup's border box.
    int originX = popup.Used().PageX + area.left;
    int originY = popup.Used().PageY + area.top;
    SetViewportOrgEx(memory, -originX, -originY, nullptr);
    Rect damage{originX, originY, width, height};
    Painter painter(m_layout, [this](Element& element, const std::wstring& url) { return ImageFor(element, url); });
    GdiCanvas canvas(memory, m_fonts, [](Element& element, int layer, HDC target, const RECT& rect) {
        HtmlDrawParams params{static_cast<UINT>(layer), target, rect};
        return EventDispatcher::CallOwn(element, HL_HANDLE_DRAW, &params);
    });
    canvas.Play(painter.RecordPopup(popup, damage), damage);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

std::wstring PageRenderer::Absolute(Element& element, const std::wstring& url)
{
    if (url.empty() || HasScheme(url) || (url.size() >= 2 && url[1] == L':'))
        return url;
    wchar_t buffer[2048];
    std::size_t count = std::min<std::size_t>(url.size(), 2047);
    url.copy(buffer, count);
    buffer[count] = 0;
    if (HTMLayoutCombineURL(ToHandle(&element), buffer, 2048) != HLDOM_OK)
        return url;
    return buffer;
}

ImagePtr PageRenderer::ImageFor(Element& element, const std::wstring& url)
{
    std::wstring absolute = Absolute(element, url);
    auto found = m_images.find(absolute);
    if (found != m_images.end())
        return found->second;
    // Asked once: an answer that comes later arrives through DataArrived.
    ImagePtr& slot = m_images[absolute];
    std::string bytes;
    if (m_source && m_source(absolute, bytes))
        slot = ImageDecoder::Decode(bytes.data(), bytes.size());
    return slot;
}

void PageRenderer::DataArrived(const std::wstring& url, const void* bytes, std::size_t length)
{
    m_images[url] = ImageDecoder::Decode(bytes, length);
    m_rebuild = true;
    InvalidateRect(m_window, nullptr, FALSE);
}

} // namespace Engine
