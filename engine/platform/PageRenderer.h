#pragma once
#include "engine/css/DocumentStyle.h"
#include "engine/layout/LayoutTree.h"
#include "engine/platform/gdi/FontCache.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace Engine {

// Everything that turns one window's document into pixels: fonts, pictures, the layout tree
// and the back buffer. Styles and boxes are brought up to date before any answer about
// geometry and before painting; only the damaged area is painted.
class PageRenderer {
public:
    // Asks the host for a URL's bytes; false when it has none (yet).
    using DataSource = std::function<bool(const std::wstring& url, std::string& bytes)>;

    PageRenderer(HWND window, DataSource source);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    // A new page: boxes, pictures and buffers of the old one go.
    void Reset();
    // Styles and lays out what changed, at the window's size; invalidates what moved.
    void Update(DocumentStyle& style);
    void Paint(DocumentStyle& style, HDC dc, const RECT& area);
    // A shown popup's boxes into its own window, whose client origin is the popup's border box.
    void PaintPopup(Document& document, const Box& popup, HDC dc, const RECT& area);
    void Invalidate(const Rect& area);
    // Moves a scroll container and repaints what moved; false when it did not move.
    bool ScrollTo(Box& box, int x, int y);
    // Told after every update of the boxes and every scroll: what lies over the page in windows
    // of its own follows its boxes.
    void SetPlacedListener(std::function<void()> listener) { m_placed = std::move(listener); }

    // Bytes that arrived for a URL the page uses (an image, late): boxes are made anew.
    void DataArrived(const std::wstring& url, const void* bytes, std::size_t length);
    [[nodiscard]] ImagePtr ImageFor(Element& element, const std::wstring& url);

    [[nodiscard]] LayoutTree& Layout() { return m_layout; }
    [[nodiscard]] FontCache& Fonts() { return m_fonts; }
    [[nodiscard]] int Dpi() const { return m_dpi; }
    void SetDpi(DocumentStyle& style, int dpi);
    // The window's DPI: its monitor's where the system tells, else the screen's.
    [[nodiscard]] static int WindowDpi(HWND window);

    // A URL the page names, made absolute against the page's base URL.
    [[nodiscard]] static std::wstring Absolute(Element& element, const std::wstring& url);

private:
    [[nodiscard]] static int ScrollbarSize(int dpi);
    [[nodiscard]] UINT_PTR ReleaseTimerId() const;
    static void CALLBACK ReleaseTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    void ReleaseBuffer();

    HWND m_window;
    DataSource m_source;
    std::function<void()> m_placed;
    FontCache m_fonts;
    LayoutTree m_layout;
    std::map<std::wstring, ImagePtr> m_images;  // null: asked for, not arrived
    bool m_rebuild = false;
    int m_dpi = 96;
    HDC m_memory = nullptr;
    HGDIOBJ m_original = nullptr;  // the memory DC's own bitmap, put back before it goes
    HBITMAP m_buffer = nullptr;
    SIZE m_bufferSize{0, 0};
    ULONGLONG m_lastLargePaint = 0;
    bool m_releaseDue = false;  // the timer that lets a large buffer go is set
};

} // namespace Engine
