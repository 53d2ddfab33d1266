#include "app/WindowPlace.h"

#include <algorithm>
#include <cstdint>

namespace {

// Sizes and areas of stored values can exceed 32 bits: right - left of (-2e9, 2e9) does.
std::int64_t Span(LONG from, LONG to)
{
    return static_cast<std::int64_t>(to) - from;
}

std::int64_t Overlap(const RECT& a, const RECT& b)
{
    const std::int64_t width = Span(std::max(a.left, b.left), std::min(a.right, b.right));
    const std::int64_t height = Span(std::max(a.top, b.top), std::min(a.bottom, b.bottom));
    return width > 0 && height > 0 ? width * height : 0;
}

// How far a rectangle lies from an area; 0 when they touch or meet.
std::int64_t Distance(const RECT& rect, const RECT& area)
{
    const std::int64_t dx = std::max<std::int64_t>({0, Span(rect.right, area.left), Span(area.right, rect.left)});
    const std::int64_t dy = std::max<std::int64_t>({0, Span(rect.bottom, area.top), Span(area.bottom, rect.top)});
    return dx * dx + dy * dy;
}

} // namespace

std::optional<RECT> WindowPlace::Usable(const LONG stored[4], SIZE minimum, const std::vector<Monitor>& monitors)
{
    if (monitors.empty())
        return std::nullopt;
    const RECT rect{stored[0], stored[1], stored[2], stored[3]};
    const std::int64_t width = Span(rect.left, rect.right);
    const std::int64_t height = Span(rect.top, rect.bottom);
    RECT desktop = monitors.front().Area;
    for (const Monitor& monitor : monitors)
        UnionRect(&desktop, &desktop, &monitor.Area);
    if (width < minimum.cx || height < minimum.cy || width > Span(desktop.left, desktop.right) ||
        height > Span(desktop.top, desktop.bottom))
        return std::nullopt;

    // The monitor with the most of it (MonitorFromRect), else the nearest one.
    const Monitor* chosen = nullptr;
    std::int64_t most = 0;
    for (const Monitor& monitor : monitors) {
        const std::int64_t overlap = Overlap(rect, monitor.Area);
        if (overlap > most) {
            most = overlap;
            chosen = &monitor;
        }
    }
    if (chosen == nullptr) {
        chosen = &*std::min_element(monitors.begin(), monitors.end(), [&](const Monitor& a, const Monitor& b) {
            return Distance(rect, a.Area) < Distance(rect, b.Area);
        });
    }
    const RECT& work = chosen->Work;
    const bool mostlyShown = Overlap(rect, work) * 2 >= width * height;
    const bool captionReachable = rect.top >= work.top && rect.top < work.bottom;
    if (mostlyShown && captionReachable)
        return rect;
    // Whole on the work area where it fits; a window wider or taller than it keeps its caption there.
    const auto place = [](LONG at, LONG size, LONG low, LONG high) {
        return std::max(low, static_cast<LONG>(std::min<std::int64_t>(at, static_cast<std::int64_t>(high) - size)));
    };
    const LONG left = place(rect.left, static_cast<LONG>(width), work.left, work.right);
    const LONG top = place(rect.top, static_cast<LONG>(height), work.top, work.bottom);
    return RECT{left, top, static_cast<LONG>(left + width), static_cast<LONG>(top + height)};
}

std::vector<WindowPlace::Monitor> WindowPlace::Monitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, LPRECT, LPARAM list) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof(info);
            if (GetMonitorInfoW(handle, &info))
                reinterpret_cast<std::vector<Monitor>*>(list)->push_back({info.rcMonitor, info.rcWork});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        const RECT screen = work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        monitors.push_back({screen, work});
    }
    return monitors;
}

SIZE WindowPlace::MinimumSize(HWND window)
{
    // What the system fills in before it asks a window; the window may raise the minimum.
    MINMAXINFO limits{};
    limits.ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    limits.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    // Whatever it answers, a window must hold its frame, caption and menu bar with some room
    // inside: smaller, it shows nothing of its page (a minimised window's 160x28).
    RECT frame{0, 0, 1, 1};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), GetMenu(window) != nullptr,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    return SIZE{std::max(limits.ptMinTrackSize.x, frame.right - frame.left),
                std::max(limits.ptMinTrackSize.y, frame.bottom - frame.top)};
}
