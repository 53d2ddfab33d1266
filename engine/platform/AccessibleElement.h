#pragma once
#include <windows.h>
#include <oleacc.h>

namespace Engine {

class Element;

// One element of an engine window's page as an IAccessible, for screen readers and for tools
// that drive the window as a user would. It holds its element while it lives and answers every
// call on the window's own thread: calls that arrive on a COM worker thread are handed over by
// a sent message, so the page is never touched by two threads. Once the element has left its
// page, or the window is gone, calls fail with CO_E_OBJNOTCONNECTED.
class AccessibleElement final : public IAccessible {
public:
    // The window's answer to WM_GETOBJECT: the page's root for OBJID_CLIENT, 0 for the rest.
    static LRESULT Answer(HWND window, WPARAM flags, LPARAM objectId);
    // The engine window's handling of the message that carries calls over from other threads;
    // false when the message is not that one.
    static bool RunHandedOver(UINT message, LPARAM token, LRESULT& result);

    AccessibleElement(HWND window, Element& element);
    ~AccessibleElement();
    AccessibleElement(const AccessibleElement&) = delete;
    AccessibleElement& operator=(const AccessibleElement&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; accessibility clients call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    template <typename Body>
    HRESULT OnWindowThread(Body body);
    [[nodiscard]] bool Connected() const;
    // The element a call means: this one for CHILDID_SELF, else its exposed child of that number.
    [[nodiscard]] Element* Target(const VARIANT& child) const;
    // An object for the element put into the variant, or CHILDID_SELF when it is this one.
    void Put(Element* element, VARIANT& out) const;

    LONG m_references = 1;
    HWND m_window;
    Element* m_element;  // used while this object lives
};

} // namespace Engine
