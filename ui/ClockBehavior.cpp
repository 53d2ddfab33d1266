#include "ui/ClockBehavior.h"

#include "ui/ElementLook.h"
#include "ui/ElementRef.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMilliseconds = 1000;
constexpr COLORREF kSecondHandColor = 0x7F;

enum class Ticking { Off, On };

void Tick(HELEMENT element, Ticking ticking)
{
    HTMLayoutSetTimer(element, ticking == Ticking::On ? kTickMilliseconds : 0, kTimerId);
}

// The point at that distance from the centre; 0 degrees points up and angles grow clockwise.
POINT At(POINT centre, double degrees, int distance)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    return {centre.x + static_cast<LONG>(std::lround(distance * std::sin(radians))),
            centre.y - static_cast<LONG>(std::lround(distance * std::cos(radians)))};
}

// A solid geometric line from one distance to another along an angle.
void DrawLine(HDC dc, POINT centre, double degrees, int from, int to, COLORREF color, int width)
{
    LOGBRUSH brush{BS_SOLID, color, 0};
    GdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, static_cast<DWORD>(width), &brush, 0, nullptr));
    HGDIOBJ previous = SelectObject(dc, pen.Get());
    const POINT start = At(centre, degrees, from);
    const POINT end = At(centre, degrees, to);
    MoveToEx(dc, start.x, start.y, nullptr);
    LineTo(dc, end.x, end.y);
    SelectObject(dc, previous);
}

} // namespace

bool ClockBehavior::OnAttached(HELEMENT element)
{
    BOOL visible = FALSE;
    if (HTMLayoutIsElementVisible(element, &visible) == HLDOM_OK && visible)
        Tick(element, Ticking::On);
    return false;
}

bool ClockBehavior::OnDetached(HELEMENT element)
{
    Tick(element, Ticking::Off);
    return false;
}

bool ClockBehavior::OnTimer(HELEMENT element, HtmlTimerParams& params)
{
    if (params.timerId != kTimerId)
        return false;
    ElementRef(element).Update(Relayout::No);
    return true;
}

bool ClockBehavior::OnEvent(HELEMENT element, HtmlBehaviorEventParams& params)
{
    if (params.cmd != kTickEvent)
        return false;
    Tick(element, params.reason != 0 ? Ticking::On : Ticking::Off);
    return true;
}

bool ClockBehavior::OnDraw(HELEMENT element, HtmlDrawParams& params)
{
    if (params.cmd != 1)
        return false;
    const ElementRef clock(element);
    const RECT area = ContentArea(clock, params.area);
    const int length = std::min(area.right - area.left, area.bottom - area.top) / 2 - 12;
    if (length <= 0)
        return true;
    const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const COLORREF text = TextColorOf(clock);
    // The hours' marks in the margin around the hands.
    for (int hour = 0; hour < 12; ++hour)
        DrawLine(params.hdc, centre, hour * 30, length + 4, length + 8, text, 2);
    DrawLine(params.hdc, centre, (now.wHour % 12) * 30 + now.wMinute / 2.0, 0, length * 3 / 4, text, 5);
    DrawLine(params.hdc, centre, now.wMinute * 6, 0, length, text, 3);
    DrawLine(params.hdc, centre, now.wSecond * 6, 0, length, kSecondHandColor, 1);
    return true;
}
