#include "ui/HyperlinkBehavior.h"

#include "ui/CommandInfo.h"
#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/HyperlinkInfo.h"

#include <cwchar>
#include <cwctype>

namespace {

// Page text that goes into a quoted selector value: a quote or backslash could end the quotes
// and add selectors of its own, so such a name is refused rather than escaped.
bool FitsQuotedSelector(const wchar_t* text)
{
    const std::size_t length = wcslen(text);
    return length > 0 && length < HyperlinkInfo::kTextLength && wcspbrk(text, L"'\"\\") == nullptr;
}

// A target that "#%S" can name: an identifier of letters, digits, "-" and "_" (and any character
// beyond ASCII), not starting with a digit; anything else could change what the selector means.
bool IsIdentifier(const wchar_t* text)
{
    const std::size_t length = wcslen(text);
    if (length == 0 || length >= HyperlinkInfo::kTextLength || (text[0] >= L'0' && text[0] <= L'9'))
        return false;
    for (const wchar_t* at = text; *at != 0; ++at) {
        const wchar_t c = *at;
        const bool ascii = c < 0x80;
        if (ascii && !(std::iswalnum(c) || c == L'-' || c == L'_'))
            return false;
    }
    return true;
}

// The link's "href" made absolute against its document, cut to the record's length.
void AbsoluteHref(const ElementRef& link, wchar_t (&href)[HyperlinkInfo::kTextLength])
{
    const wchar_t* text = link.Attribute("href");
    if (text == nullptr)
        return;
    wcsncpy(href, text, HyperlinkInfo::kTextLength - 1);
    href[HyperlinkInfo::kTextLength - 1] = 0;
    static_cast<void>(HTMLayoutCombineURL(link.Handle(), href, HyperlinkInfo::kTextLength));
}

void SendAction(const ElementRef& link, HyperlinkAction action)
{
    HyperlinkInfo info;
    info.Window = link.Window();
    if (info.Window == nullptr)
        return;
    info.ControlId = GetDlgCtrlID(info.Window);
    info.Action = action;
    AbsoluteHref(link, info.Href);
    if (const wchar_t* target = link.Attribute("target"))
        wcsncpy(info.Target, target, HyperlinkInfo::kTextLength - 1);
    info.Element = link.Handle();
    SendMessageW(info.Window, WM_HTML_COMMAND, COMMAND_HYPERLINK, reinterpret_cast<LPARAM>(&info));
}

ElementRef DocumentRoot(const ElementRef& element)
{
    ElementRef root = element;
    for (ElementRef up = root.Parent(); up; up = up.Parent())
        root = up;
    return root;
}

void ScrollToAnchor(const ElementRef& link, const wchar_t* name)
{
    if (!FitsQuotedSelector(name))
        return;
    if (ElementRef place = SelectFirst(DocumentRoot(link), "[id='%S'],[name='%S']", name, name))
        place.ScrollToView();
}

void LoadInto(const ElementRef& link, const wchar_t* target)
{
    if (!IsIdentifier(target))
        return;
    ElementRef frame = SelectFirst(DocumentRoot(link), "#%S", target);
    if (!frame)
        return;
    wchar_t href[HyperlinkInfo::kTextLength] = {};
    AbsoluteHref(link, href);
    if (href[0] != 0)
        static_cast<void>(HTMLayoutRequestElementData(frame.Handle(), href, HL_DATA_HTML, link.Handle()));
}

void Press(const ElementRef& link)
{
    link.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
}

// True when the link was pressed.
bool Release(const ElementRef& link)
{
    const bool pressed = link.TestState(HL_STATE_CURRENT);
    if (pressed)
        link.SetState(0, HL_STATE_CURRENT, Repaint::Yes);
    return pressed;
}

} // namespace

void HyperlinkBehavior::Click(HELEMENT he)
{
    ElementRef link(he);
    HTMLayoutPostEvent(he, HL_HYPERLINK_CLICK, he, 0);
    const wchar_t* href = link.Attribute("href");
    if (href != nullptr && href[0] == L'#') {
        ScrollToAnchor(link, href + 1);
        return;
    }
    const wchar_t* target = link.Attribute("target");
    if (target != nullptr && target[0] != 0 && target[0] != L'_') {
        LoadInto(link, target);
        return;
    }
    SendAction(link, HYPERLINK_CLICK);
}

bool HyperlinkBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    ElementRef link(he);
    switch (params.cmd) {
    case HL_MOUSE_ENTER: SendAction(link, HYPERLINK_ENTER); return false;
    case HL_MOUSE_LEAVE: SendAction(link, HYPERLINK_LEAVE); return false;
    case HL_MOUSE_DOWN:
        if ((params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0)
            return false;
        HTMLayoutSetCapture(he);
        Press(link);
        return true;
    case HL_MOUSE_UP: {
        if (!Release(link))
            return false;
        HTMLayoutSetCapture(nullptr);
        const RECT box = link.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        const POINT at = params.posDocument;
        if (at.x >= box.left && at.x < box.right && at.y >= box.top && at.y < box.bottom)
            Click(he);
        return true;
    }
    default: return false;
    }
}

bool HyperlinkBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    if (params.keyCode != VK_SPACE && params.keyCode != VK_RETURN)
        return false;
    ElementRef link(he);
    if (params.cmd == HL_KEY_DOWN) {
        Press(link);
        return true;
    }
    if (params.cmd != HL_KEY_UP)
        return false;
    Release(link);
    Click(he);
    return true;
}

bool HyperlinkBehavior::OnMethodCall(HELEMENT he, HtmlMethodParams& params)
{
    if (params.methodId != HL_DO_CLICK)
        return false;
    ElementRef(he).SetState(HL_STATE_FOCUS, 0, Repaint::Yes);
    return true;
}
