#include "ui/ControlFactory.h"

#include "ui/CommonControls.h"
#include "ui/ElementRef.h"
#include "ui/MediaType.h"

#include <commctrl.h>

#include <cwchar>
#include <span>

namespace {

struct StyleFlag {
    const char* Name;
    DWORD Flag;
};

// The Windows constants' names without their prefix, as attributes name them.
constexpr StyleFlag kWindowStyles[] = {
    {"OVERLAPPED", WS_OVERLAPPED}, {"POPUP", WS_POPUP},         {"CHILD", WS_CHILD},
    {"VISIBLE", WS_VISIBLE},       {"DISABLED", WS_DISABLED},   {"CLIPSIBLINGS", WS_CLIPSIBLINGS},
    {"CLIPCHILDREN", WS_CLIPCHILDREN}, {"MINIMIZE", WS_MINIMIZE}, {"MAXIMIZE", WS_MAXIMIZE},
    {"CAPTION", WS_CAPTION},       {"BORDER", WS_BORDER},       {"DLGFRAME", WS_DLGFRAME},
    {"VSCROLL", WS_VSCROLL},       {"HSCROLL", WS_HSCROLL},     {"SYSMENU", WS_SYSMENU},
    {"THICKFRAME", WS_THICKFRAME}, {"GROUP", WS_GROUP},         {"TABSTOP", WS_TABSTOP},
    {"MINIMIZEBOX", WS_MINIMIZEBOX}, {"MAXIMIZEBOX", WS_MAXIMIZEBOX},
};

constexpr StyleFlag kExtendedStyles[] = {
    {"DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {"NOPARENTNOTIFY", WS_EX_NOPARENTNOTIFY}, {"TOPMOST", WS_EX_TOPMOST},
    {"ACCEPTFILES", WS_EX_ACCEPTFILES},     {"TRANSPARENT", WS_EX_TRANSPARENT},       {"MDICHILD", WS_EX_MDICHILD},
    {"TOOLWINDOW", WS_EX_TOOLWINDOW},       {"WINDOWEDGE", WS_EX_WINDOWEDGE},         {"CLIENTEDGE", WS_EX_CLIENTEDGE},
    {"CONTEXTHELP", WS_EX_CONTEXTHELP},     {"RIGHT", WS_EX_RIGHT},                   {"LEFT", WS_EX_LEFT},
    {"RTLREADING", WS_EX_RTLREADING},       {"LTRREADING", WS_EX_LTRREADING},         {"LEFTSCROLLBAR", WS_EX_LEFTSCROLLBAR},
    {"RIGHTSCROLLBAR", WS_EX_RIGHTSCROLLBAR}, {"CONTROLPARENT", WS_EX_CONTROLPARENT}, {"STATICEDGE", WS_EX_STATICEDGE},
    {"APPWINDOW", WS_EX_APPWINDOW},
};

constexpr StyleFlag kDateTimeStyles[] = {
    {"UPDOWN", DTS_UPDOWN},         {"SHOWNONE", DTS_SHOWNONE},     {"SHORTDATEFORMAT", DTS_SHORTDATEFORMAT},
    {"LONGDATEFORMAT", DTS_LONGDATEFORMAT}, {"TIMEFORMAT", DTS_TIMEFORMAT}, {"APPCANPARSE", DTS_APPCANPARSE},
    {"RIGHTALIGN", DTS_RIGHTALIGN},
};

constexpr StyleFlag kCalendarStyles[] = {
    {"DAYSTATE", MCS_DAYSTATE},         {"MULTISELECT", MCS_MULTISELECT}, {"WEEKNUMBERS", MCS_WEEKNUMBERS},
    {"NOTODAYCIRCLE", MCS_NOTODAYCIRCLE}, {"NOTODAY", MCS_NOTODAY},
};

// Child, visible, clipping its siblings and children, a tab stop.
constexpr DWORD kBaseStyle = 0x56010000;
static_assert(kBaseStyle == (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP));

constexpr std::size_t kUrlCharacters = 2048;

// Pages nested deeper than this show the blank page only: a page that holds itself, or two that
// hold each other, would otherwise nest without end while the first one loads.
constexpr int kMaxNesting = 8;

int NestingOf(HWND parent)
{
    int depth = 0;
    wchar_t name[64]{};
    for (HWND at = parent; at != nullptr; at = GetParent(at)) {
        if (GetClassNameW(at, name, 64) > 0 && std::wcscmp(name, HTMLayoutClassNameW()) == 0)
            ++depth;
    }
    return depth;
}

// The flags of the attributes the element has; names compare without regard to case.
DWORD FlagsOf(const ElementRef& element, std::span<const StyleFlag> table)
{
    DWORD flags = 0;
    for (const StyleFlag& entry : table) {
        if (element.HasAttribute(entry.Name))
            flags |= entry.Flag;
    }
    return flags;
}

HWND CreateChild(const wchar_t* className, DWORD style, DWORD exStyle, HtmlNotifyCreateControl& request, int id)
{
    return CreateWindowExW(exStyle, className, L"", style, 0, 0, 0, 0, request.parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), &request);
}

} // namespace

void ControlFactory::Create(HtmlNotifyCreateControl& request, HtmlNotifyProc callback, LPVOID param)
{
    ElementRef element(request.element);
    const wchar_t* type = element.Attribute("type");
    const char* tag = element.Tag();
    DWORD style = kBaseStyle | FlagsOf(element, kWindowStyles);
    DWORD exStyle = FlagsOf(element, kExtendedStyles);
    HWND made = nullptr;
    const bool dateTime = type != nullptr && std::wcscmp(type, L"sys-datetime") == 0;
    const bool calendar = type != nullptr && std::wcscmp(type, L"sys-calendar") == 0;
    // The classes come with the first page that holds one; a failure shows as a failed creation.
    if (dateTime || calendar)
        static_cast<void>(CommonControls::Register(ICC_DATE_CLASSES));
    if (dateTime)
        made = CreateChild(DATETIMEPICK_CLASSW, style | FlagsOf(element, kDateTimeStyles), exStyle, request,
                           element.AttributeInt("id", 0));
    else if (calendar)
        made = CreateChild(MONTHCAL_CLASSW, style | FlagsOf(element, kCalendarStyles), exStyle, request,
                           element.AttributeInt("id", 0));
    else if (tag != nullptr && _stricmp(tag, "iframe") == 0)
        made = CreateNestedPage(request, style, exStyle, callback, param);
    else
        return;
    request.controlWindow = made != nullptr ? made : reinterpret_cast<HWND>(1);
}

HWND ControlFactory::CreateNestedPage(HtmlNotifyCreateControl& request, DWORD style, DWORD exStyle, HtmlNotifyProc callback,
                                      LPVOID param)
{
    ElementRef element(request.element);
    HWND page = CreateChild(HTMLayoutClassNameW(), style, exStyle, request, element.AttributeInt("id", 0));
    if (page == nullptr)
        return nullptr;
    // Its pictures, behaviors and own frames come from the same host as the outer page's.
    HTMLayoutSetCallback(page, callback, param);
    HTMLayoutSetMediaType(page, PageMediaType());
    HTMLayoutLoadHtml(page, reinterpret_cast<LPCBYTE>(kBlankPage), sizeof(kBlankPage));
    // An empty source names the outer page itself, which browsers take for a blank page too.
    const wchar_t* source = element.Attribute("src");
    if (source != nullptr && *source != 0 && NestingOf(request.parentWindow) < kMaxNesting) {
        wchar_t url[kUrlCharacters]{};
        wcsncpy_s(url, source, _TRUNCATE);
        HTMLayoutCombineURL(request.element, url, kUrlCharacters);
        HTMLayoutSetMediaType(page, PageMediaType());
        HTMLayoutLoadFile(page, url);
    }
    return page;
}
