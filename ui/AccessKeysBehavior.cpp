#include "ui/AccessKeysBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

struct NamedKey {
    UINT Key;
    const char* Name;
};

constexpr NamedKey kNamedKeys[] = {
    {VK_BACK, "BACK"},       {VK_CLEAR, "CLEAR"},       {VK_RETURN, "RETURN"},     {VK_ESCAPE, "ESCAPE"},
    {VK_SPACE, "SPACE"},     {VK_PRIOR, "PRIOR"},       {VK_NEXT, "NEXT"},         {VK_END, "END"},
    {VK_HOME, "HOME"},       {VK_LEFT, "LEFT"},         {VK_UP, "UP"},             {VK_RIGHT, "RIGHT"},
    {VK_DOWN, "DOWN"},       {VK_SELECT, "SELECT"},     {VK_PRINT, "PRINT"},       {VK_EXECUTE, "EXECUTE"},
    {VK_SNAPSHOT, "SNAPSHOT"}, {VK_INSERT, "INSERT"},   {VK_DELETE, "DELETE"},     {VK_HELP, "HELP"},
    {VK_LWIN, "LWIN"},       {VK_RWIN, "RWIN"},         {VK_APPS, "APPS"},         {VK_MULTIPLY, "MULTIPLY"},
    {VK_ADD, "ADD"},         {VK_SEPARATOR, "SEPARATOR"}, {VK_SUBTRACT, "SUBTRACT"}, {VK_DECIMAL, "DECIMAL"},
    {VK_DIVIDE, "DIVIDE"},
};

std::string KeyName(UINT key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return std::string(1, static_cast<char>(key));
    char numbered[16] = {};
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        std::snprintf(numbered, sizeof numbered, "NUMPAD%u", key - VK_NUMPAD0);
    else if (key >= VK_F1 && key <= VK_F24)
        std::snprintf(numbered, sizeof numbered, "F%u", key - VK_F1 + 1);
    if (numbered[0] != 0)
        return numbered;
    for (const NamedKey& named : kNamedKeys) {
        if (named.Key == key)
            return named.Name;
    }
    return {};
}

// What the key types on its own (Shift counts, Ctrl and Alt do not), so that Alt+S is "s".
wchar_t TypedCharacter(UINT key)
{
    BYTE keys[256] = {};
    if (!GetKeyboardState(keys))
        return 0;
    keys[VK_MENU] = keys[VK_LMENU] = keys[VK_RMENU] = 0;
    keys[VK_CONTROL] = keys[VK_LCONTROL] = keys[VK_RCONTROL] = 0;
    wchar_t typed[4] = {};
    const int count = ToUnicode(key, MapVirtualKeyW(key, MAPVK_VK_TO_VSC), keys, typed, static_cast<int>(std::size(typed)), 0);
    return count == 1 ? typed[0] : 0;
}

bool HasRoot(HWND window)
{
    HELEMENT root = nullptr;
    return window != nullptr && HTMLayoutGetRootElement(window, &root) == HLDOM_OK && root != nullptr;
}

// The window of a frame's page: the one the engine names for the element, else the child window
// that lies inside the frame's box.
HWND FrameWindow(const ElementRef& frame, HWND owner)
{
    HWND own = frame.Window();
    if (own != owner && HasRoot(own))
        return own;
    const RECT box = frame.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    for (HWND child = GetWindow(owner, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&place), 2);
        const POINT middle{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        if (HasRoot(child) && IsWindowVisible(child) && PtInRect(&box, middle))
            return child;
    }
    return nullptr;
}

// Clicks the element named by the key in the page; an element that cannot be clicked asks its
// parent to activate it instead (a tab strip shows its panel).
bool Activate(const ElementRef& root, const std::string& name)
{
    ElementRef found = SelectFirst(root, "[accesskey=='%s'],[accesskey-alt=='%s']", name.c_str(), name.c_str());
    if (!found)
        return false;
    // A disabled command keeps its shortcut, which then does nothing.
    BOOL enabled = FALSE;
    if (HTMLayoutIsElementEnabled(found.Handle(), &enabled) != HLDOM_OK || !enabled)
        return true;
    HtmlMethodParams click{HL_DO_CLICK};
    if (HTMLayoutCallBehaviorMethod(found.Handle(), &click) != HLDOM_OK) {
        BOOL handled = FALSE;
        static_cast<void>(HTMLayoutSendEvent(found.Parent().Handle(), HL_ACTIVATE_CHILD, found.Handle(), 0, &handled));
    }
    return true;
}

} // namespace

std::string AccessKeyName(UINT virtualKey, UINT keyStates, wchar_t character)
{
    if ((keyStates & HL_ALT_KEY_PRESSED) != 0) {
        if (character < L' ' || character == L'\'' || character == L'"' || character == 0x7f)
            return {};
        char bytes[8] = {};
        const int length = WideCharToMultiByte(CP_UTF8, 0, &character, 1, bytes, sizeof bytes, nullptr, nullptr);
        return std::string(bytes, length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    if ((keyStates & HL_SHIFT_KEY_PRESSED) != 0)
        return {};
    std::string name = KeyName(virtualKey);
    if (name.empty())
        return {};
    name.insert(name.begin(), (keyStates & HL_CONTROL_KEY_PRESSED) != 0 ? '^' : '!');
    return name;
}

bool AccessKeysBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    if (params.cmd != (HL_KEY_DOWN | HL_SINKING))
        return false;
    const bool alt = (params.altState & HL_ALT_KEY_PRESSED) != 0;
    const std::string name = AccessKeyName(params.keyCode, params.altState, alt ? TypedCharacter(params.keyCode) : 0);
    if (name.empty())
        return false;
    ElementRef element(he);
    const HWND window = element.Window();
    if (GetFocus() == window) {
        const HWND parent = GetParent(window);
        if (HasRoot(parent) && Activate(ElementRef::Root(parent), name))
            return true;
    }
    const ElementRef root = ElementRef::Root(window);
    if (Activate(root, name))
        return true;
    std::vector<ElementRef> frames;
    SelectAll(root, frames, "iframe");
    for (const ElementRef& frame : frames) {
        BOOL visible = FALSE, enabled = FALSE;
        if (HTMLayoutIsElementVisible(frame.Handle(), &visible) != HLDOM_OK || !visible ||
            HTMLayoutIsElementEnabled(frame.Handle(), &enabled) != HLDOM_OK || !enabled)
            continue;
        const HWND frameWindow = FrameWindow(frame, window);
        if (frameWindow != nullptr && Activate(ElementRef::Root(frameWindow), name))
            return true;
    }
    return false;
}
