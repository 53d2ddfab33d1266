#include "engine/platform/AccessibleElement.h"

#include "engine/HTMLayout.h"
#include "engine/dom/Element.h"
#include "engine/input/Accessibility.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/View.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace Engine {

namespace {

// Calls carried over to a window's thread wait here under a token, so that the message that
// carries one never holds an address that another process could forge.
struct HandOver {
    std::mutex Lock;
    std::map<LPARAM, std::function<void()>*> Pending;
    LPARAM NextToken = 1;
};

HandOver& TheHandOver()
{
    static HandOver handOver;
    return handOver;
}

UINT HandOverMessage()
{
    static const UINT message = RegisterWindowMessageW(L"HtmlEngineAccessibleCall");
    return message;
}

// Runs the call on the window's thread; false when it could not run there (the window is gone).
bool RunOnThreadOf(HWND window, const std::function<void()>& body)
{
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        body();
        return true;
    }
    std::function<void()> call = body;
    HandOver& handOver = TheHandOver();
    LPARAM token = 0;
    {
        std::lock_guard<std::mutex> lock(handOver.Lock);
        token = handOver.NextToken++;
        handOver.Pending[token] = &call;
    }
    SendMessageW(window, HandOverMessage(), 0, token);
    std::lock_guard<std::mutex> lock(handOver.Lock);
    // Still waiting: the window never took it.
    return handOver.Pending.erase(token) == 0;
}

long SystemRole(AccessRole role)
{
    switch (role) {
    case AccessRole::Page: return ROLE_SYSTEM_CLIENT;
    case AccessRole::PushButton: return ROLE_SYSTEM_PUSHBUTTON;
    case AccessRole::CheckBox: return ROLE_SYSTEM_CHECKBUTTON;
    case AccessRole::RadioButton: return ROLE_SYSTEM_RADIOBUTTON;
    case AccessRole::EditableText: return ROLE_SYSTEM_TEXT;
    case AccessRole::ComboBox: return ROLE_SYSTEM_COMBOBOX;
    case AccessRole::List: return ROLE_SYSTEM_LIST;
    case AccessRole::ListItem: return ROLE_SYSTEM_LISTITEM;
    case AccessRole::Table: return ROLE_SYSTEM_TABLE;
    case AccessRole::Row: return ROLE_SYSTEM_ROW;
    case AccessRole::Cell: return ROLE_SYSTEM_CELL;
    case AccessRole::ColumnHeader: return ROLE_SYSTEM_COLUMNHEADER;
    case AccessRole::Link: return ROLE_SYSTEM_LINK;
    case AccessRole::Graphic: return ROLE_SYSTEM_GRAPHIC;
    case AccessRole::StaticText: return ROLE_SYSTEM_STATICTEXT;
    case AccessRole::Log: return ROLE_SYSTEM_GROUPING;
    case AccessRole::None: break;
    }
    return ROLE_SYSTEM_GROUPING;
}

long SystemStates(unsigned states)
{
    static const std::pair<unsigned, long> kStates[] = {
        {kAccessFocused, STATE_SYSTEM_FOCUSED},       {kAccessFocusable, STATE_SYSTEM_FOCUSABLE},
        {kAccessChecked, STATE_SYSTEM_CHECKED},       {kAccessUnavailable, STATE_SYSTEM_UNAVAILABLE},
        {kAccessSelected, STATE_SYSTEM_SELECTED},     {kAccessSelectable, STATE_SYSTEM_SELECTABLE},
        {kAccessReadOnly, STATE_SYSTEM_READONLY},     {kAccessProtected, STATE_SYSTEM_PROTECTED},
        {kAccessInvisible, STATE_SYSTEM_INVISIBLE},   {kAccessExpanded, STATE_SYSTEM_EXPANDED},
        {kAccessCollapsed, STATE_SYSTEM_COLLAPSED},   {kAccessPressed, STATE_SYSTEM_PRESSED},
        {kAccessHot, STATE_SYSTEM_HOTTRACKED},        {kAccessLinked, STATE_SYSTEM_LINKED},
    };
    long result = 0;
    for (const auto& [own, system] : kStates) {
        if ((states & own) != 0)
            result |= system;
    }
    return result;
}

const wchar_t* ActionText(AccessAction action)
{
    switch (action) {
    case AccessAction::Press: return L"Press";
    case AccessAction::Check: return L"Check";
    case AccessAction::Uncheck: return L"Uncheck";
    case AccessAction::Open: return L"Open";
    case AccessAction::Close: return L"Close";
    case AccessAction::Jump: return L"Jump";
    case AccessAction::Select: return L"Select";
    case AccessAction::None: break;
    }
    return nullptr;
}

HRESULT PutText(const std::wstring& text, BSTR* out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The border box on the screen, and whether any of it shows inside the scrollers around it.
bool ScreenBox(HWND window, Element& element, RECT& box, bool& shows)
{
    if (HTMLayoutGetElementLocation(ToHandle(&element), &box, HL_VIEW_RELATIVE | HL_BORDER_BOX) != HLDOM_OK)
        return false;
    RECT shown{};
    shows = HTMLayoutGetElementLocation(ToHandle(&element), &shown, HL_VIEW_RELATIVE | HL_SCROLLABLE_AREA) == HLDOM_OK &&
            shown.right > shown.left && shown.bottom > shown.top;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return true;
}

using LresultFromObjectProc = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectProc = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

// The accessibility library is loaded only once somebody asks a window for its tree.
HMODULE Oleacc()
{
    static HMODULE module = LoadLibraryW(L"oleacc.dll");
    return module;
}

template <typename Proc>
Proc OleaccProc(const char* name)
{
    return Oleacc() != nullptr ? reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(Oleacc(), name))) : nullptr;
}

} // namespace

LRESULT AccessibleElement::Answer(HWND window, WPARAM flags, LPARAM objectId)
{
    if (static_cast<LONG>(objectId) != OBJID_CLIENT)
        return 0;
    View* view = View::ForWindow(window);
    const auto fromObject = OleaccProc<LresultFromObjectProc>("LresultFromObject");
    if (view == nullptr || fromObject == nullptr)
        return 0;
    view->UpdateNow();
    auto* root = new AccessibleElement(window, view->Page().Root());
    const LRESULT result = fromObject(__uuidof(IAccessible), flags, root);
    root->Release();
    return result;
}

bool AccessibleElement::RunHandedOver(UINT message, LPARAM token, LRESULT& result)
{
    if (message == 0 || message != HandOverMessage())
        return false;
    std::function<void()>* call = nullptr;
    {
        HandOver& handOver = TheHandOver();
        std::lock_guard<std::mutex> lock(handOver.Lock);
        auto it = handOver.Pending.find(token);
        if (it != handOver.Pending.end()) {
            call = it->second;
            handOver.Pending.erase(it);
        }
    }
    if (call != nullptr)
        (*call)();
    result = 0;
    return true;
}

AccessibleElement::AccessibleElement(HWND window, Element& element) : m_window(window), m_element(&element)
{
    m_element->Use();
}

AccessibleElement::~AccessibleElement()
{
    if (m_element != nullptr)
        m_element->Unuse();
}

template <typename Body>
HRESULT AccessibleElement::OnWindowThread(Body body)
{
    HRESULT result = CO_E_OBJNOTCONNECTED;
    const bool ran = RunOnThreadOf(m_window, [&] {
        if (Connected()) {
            if (View* view = View::ForWindow(m_window))
                view->UpdateNow();
            result = body();
        }
    });
    return ran ? result : CO_E_OBJNOTCONNECTED;
}

bool AccessibleElement::Connected() const
{
    View* view = View::ForWindow(m_window);
    return view != nullptr && m_element->OwnerDocument() == &view->Page();
}

Element* AccessibleElement::Target(const VARIANT& child) const
{
    if (child.vt != VT_I4)
        return nullptr;
    if (child.lVal == CHILDID_SELF)
        return m_element;
    if (child.lVal < 0) {
        // An element that an event named, anywhere below this one.
        View* view = View::ForWindow(m_window);
        Element* named = view != nullptr ? view->Access().ElementOf(child.lVal) : nullptr;
        return named != nullptr && m_element->Contains(named) ? named : nullptr;
    }
    std::vector<Element*> children;
    Accessibility::Children(*m_element, children);
    return child.lVal > 0 && static_cast<std::size_t>(child.lVal) <= children.size() ? children[child.lVal - 1] : nullptr;
}

void AccessibleElement::Put(Element* element, VARIANT& out) const
{
    VariantInit(&out);
    if (element == nullptr)
        return;
    if (element == m_element) {
        out.vt = VT_I4;
        out.lVal = CHILDID_SELF;
        return;
    }
    out.vt = VT_DISPATCH;
    out.pdispVal = new AccessibleElement(m_window, *element);
}

HRESULT AccessibleElement::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleElement::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG AccessibleElement::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) {
        // The element's use is the window thread's to give back; with that thread gone the
        // element stays, rather than being touched from here.
        if (!RunOnThreadOf(m_window, [this] { delete this; })) {
            m_element = nullptr;
            delete this;
        }
    }
    return static_cast<ULONG>(left);
}

HRESULT AccessibleElement::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AccessibleElement::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT AccessibleElement::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT AccessibleElement::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT AccessibleElement::get_accParent(IDispatch** parent)
{
    if (parent == nullptr)
        return E_POINTER;
    *parent = nullptr;
    return OnWindowThread([&]() -> HRESULT {
        if (m_element->Parent() == nullptr) {
            // Above the page stands the window, as the system describes it.
            const auto standard = OleaccProc<CreateStdAccessibleObjectProc>("CreateStdAccessibleObject");
            return standard != nullptr
                       ? standard(m_window, OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(parent))
                       : S_FALSE;
        }
        *parent = new AccessibleElement(m_window, *Accessibility::Parent(*m_element));
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accChildCount(long* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return OnWindowThread([&]() -> HRESULT {
        std::vector<Element*> children;
        Accessibility::Children(*m_element, children);
        *count = static_cast<long>(children.size());
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accChild(VARIANT child, IDispatch** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr || element == m_element)
            return E_INVALIDARG;
        *object = new AccessibleElement(m_window, *element);
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accName(VARIANT child, BSTR* name)
{
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        return element != nullptr ? PutText(Accessibility::NameOf(*element), name) : E_INVALIDARG;
    });
}

HRESULT AccessibleElement::get_accValue(VARIANT child, BSTR* value)
{
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        return element != nullptr ? PutText(Accessibility::ValueOf(*element), value) : E_INVALIDARG;
    });
}

HRESULT AccessibleElement::get_accDescription(VARIANT, BSTR* description)
{
    return PutText({}, description);
}

HRESULT AccessibleElement::get_accRole(VARIANT child, VARIANT* role)
{
    if (role == nullptr)
        return E_POINTER;
    VariantInit(role);
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr)
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = SystemRole(Accessibility::RoleOf(*element));
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accState(VARIANT child, VARIANT* state)
{
    if (state == nullptr)
        return E_POINTER;
    VariantInit(state);
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr)
            return E_INVALIDARG;
        long states = SystemStates(Accessibility::StatesOf(*element));
        RECT box{};
        bool shows = false;
        if ((states & STATE_SYSTEM_INVISIBLE) == 0 && ScreenBox(m_window, *element, box, shows) && !shows)
            states |= STATE_SYSTEM_OFFSCREEN;
        state->vt = VT_I4;
        state->lVal = states;
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accHelp(VARIANT, BSTR* help)
{
    return PutText({}, help);
}

HRESULT AccessibleElement::get_accHelpTopic(BSTR* file, VARIANT, long* topic)
{
    if (file != nullptr)
        *file = nullptr;
    if (topic != nullptr)
        *topic = 0;
    return S_FALSE;
}

HRESULT AccessibleElement::get_accKeyboardShortcut(VARIANT, BSTR* shortcut)
{
    return PutText({}, shortcut);
}

HRESULT AccessibleElement::get_accFocus(VARIANT* focus)
{
    if (focus == nullptr)
        return E_POINTER;
    VariantInit(focus);
    return OnWindowThread([&]() -> HRESULT {
        Element* focused = m_element->OwnerDocument()->FocusElement();
        if (focused == nullptr || !m_element->Contains(focused)) {
            if (GetFocus() != m_window || m_element->Parent() != nullptr)
                return S_FALSE;
            Put(m_element, *focus);
            return S_OK;
        }
        Put(Accessibility::Exposed(*focused), *focus);
        return S_OK;
    });
}

HRESULT AccessibleElement::get_accSelection(VARIANT* selection)
{
    if (selection == nullptr)
        return E_POINTER;
    VariantInit(selection);
    return OnWindowThread([&]() -> HRESULT {
        std::vector<Element*> children;
        Accessibility::Children(*m_element, children);
        for (Element* child : children) {
            if ((Accessibility::StatesOf(*child) & kAccessSelected) != 0) {
                Put(child, *selection);
                return S_OK;
            }
        }
        return S_FALSE;
    });
}

HRESULT AccessibleElement::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr)
            return E_INVALIDARG;
        const wchar_t* text = ActionText(Accessibility::DefaultActionOf(*element));
        return PutText(text != nullptr ? text : L"", action);
    });
}

HRESULT AccessibleElement::accSelect(long flags, VARIANT child)
{
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr)
            return E_INVALIDARG;
        if ((flags & SELFLAG_TAKEFOCUS) == 0 || (Accessibility::StatesOf(*element) & kAccessFocusable) == 0)
            return S_FALSE;
        SetFocus(m_window);
        EventDispatcher::SetFocus(*element->OwnerDocument(), element, false);
        return S_OK;
    });
}

HRESULT AccessibleElement::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        RECT box{};
        bool shows = false;
        if (element == nullptr || !ScreenBox(m_window, *element, box, shows))
            return E_INVALIDARG;
        *left = box.left;
        *top = box.top;
        *width = box.right - box.left;
        *height = box.bottom - box.top;
        return S_OK;
    });
}

HRESULT AccessibleElement::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    if (end == nullptr)
        return E_POINTER;
    VariantInit(end);
    return OnWindowThread([&]() -> HRESULT {
        Element* from = Target(start);
        if (from == nullptr)
            return E_INVALIDARG;
        std::vector<Element*> list;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            Accessibility::Children(*from, list);
            if (list.empty())
                return S_FALSE;
            Put(direction == NAVDIR_FIRSTCHILD ? list.front() : list.back(), *end);
            return S_OK;
        }
        Element* parent = from->Parent() != nullptr ? Accessibility::Parent(*from) : nullptr;
        if (parent == nullptr)
            return S_FALSE;
        Accessibility::Children(*parent, list);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i] != from)
                continue;
            const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
            if (forward ? i + 1 >= list.size() : i == 0)
                return S_FALSE;
            Put(list[forward ? i + 1 : i - 1], *end);
            return S_OK;
        }
        return S_FALSE;
    });
}

HRESULT AccessibleElement::accHitTest(long left, long top, VARIANT* child)
{
    if (child == nullptr)
        return E_POINTER;
    VariantInit(child);
    return OnWindowThread([&]() -> HRESULT {
        POINT at{left, top};
        ScreenToClient(m_window, &at);
        View* view = View::ForWindow(m_window);
        Point relative{0, 0};
        Element* hit = view->Renderer().Layout().HitTest(Point{at.x, at.y}, relative);
        if (hit == nullptr || !m_element->Contains(hit))
            return S_FALSE;
        Put(Accessibility::Exposed(*hit), *child);
        return S_OK;
    });
}

HRESULT AccessibleElement::accDoDefaultAction(VARIANT child)
{
    return OnWindowThread([&]() -> HRESULT {
        Element* element = Target(child);
        if (element == nullptr)
            return E_INVALIDARG;
        if (Accessibility::DefaultActionOf(*element) == AccessAction::None)
            return DISP_E_MEMBERNOTFOUND;
        // As a click of the user's: behaviors that answer the mouse act on it too.
        HTMLayoutScrollToView(ToHandle(element), 0);
        RECT box{};
        if (HTMLayoutGetElementLocation(ToHandle(element), &box, HL_VIEW_RELATIVE | HL_BORDER_BOX) != HLDOM_OK)
            return E_FAIL;
        const LPARAM where = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        PostMessageW(m_window, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageW(m_window, WM_LBUTTONUP, 0, where);
        return S_OK;
    });
}

HRESULT AccessibleElement::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

HRESULT AccessibleElement::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

} // namespace Engine
