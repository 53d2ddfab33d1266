#pragma once
#include "base/StatusSink.h"
#include "base/WindowBase.h"
#include "diag/LogPlaces.h"
#include "ui/ElementRef.h"
#include "ui/EventHandler.h"

// A window that shows one page of the program's resources: a superclass of the engine's window
// class that loads its page when created, answers the engine's requests for pages and pictures
// from the resources, attaches the behaviors the page names, and hands the page's events to the
// view built on it. Views override the operations they need: the element events of
// EventHandler (the host is attached to the page's root), OnCommand for the behaviors' command
// message, OnMessage for window messages, OnPageOpened to fill the page.
// The user-interface thread owns every host.
class HtmlHost : public EventHandler, public WindowBase<HtmlHost> {
public:
    // What a view says when its page resource is missing: the error line for the status sink and
    // the log, with the place the log names for it.
    struct PageFailure {
        const wchar_t* Text = nullptr;
        LogPlace Place{};
        StatusSink* Status = nullptr;
    };

    // page: the RT_HTML resource shown (null: none is loaded at creation).
    explicit HtmlHost(const wchar_t* page) : m_page(page) {}
    HtmlHost(const wchar_t* page, PageFailure failure) : m_page(page), m_failure(failure) {}
    ~HtmlHost() override;

    // Creates the engine window; style 0 makes a visible child that clips its siblings and
    // children. Null when the window could not be made.
    HWND Create(HWND parent, const RECT& rect, DWORD style = 0, UINT id = 0);

    // Loads a page (the media type chosen first); the host's handler is attached to its root.
    bool LoadPage(const BYTE* bytes, UINT length, const wchar_t* baseUrl = nullptr);
    bool LoadFile(const wchar_t* path);
    [[nodiscard]] ElementRef Root() const { return ElementRef::Root(m_window); }
    [[nodiscard]] bool PageLoaded() const { return m_pageLoaded; }
    // The DPI the page is laid out at: the one the last WM_DPICHANGED brought, else the monitor's.
    [[nodiscard]] int Dpi() const;

    // An RT_HTML resource's bytes (module null: the program's own); true when it is there and
    // not empty.
    [[nodiscard]] static bool FindPage(const wchar_t* name, const BYTE*& bytes, DWORD& length,
                                       HMODULE module = nullptr);

protected:
    // The superclass registered for this kind of host, once per name.
    [[nodiscard]] virtual const wchar_t* ClassName() const { return L"GatewardenHtmlHost"; }
    // The window's message map; messages left unhandled go to the engine's own procedure.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // The behaviors' command message: kind and record as CommandInfo.h gives them.
    virtual void OnCommand(WPARAM, LPARAM) {}
    // After the page loaded (or failed to) at creation: the view fills it.
    virtual void OnPageOpened() {}
    // The engine's notifications, by the table of codes; others go to the parent window.
    virtual LRESULT OnNotify(UINT message, WPARAM wParam, LPARAM lParam);
    // An element that may be a window of its own: a common control or a nested page, whose
    // notifications come to this host as well.
    virtual LRESULT OnCreateControl(HtmlNotifyCreateControl& request);

    // Passes the message being handled on to the engine's own procedure.
    LRESULT DefaultProcessing();

private:
    friend class WindowBase<HtmlHost>;
    // The host is kept among the window's extra bytes, after the engine's own.
    static int WindowSlot();
    static LRESULT Unowned(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

    struct Message {
        UINT Id = 0;
        WPARAM WParam = 0;
        LPARAM LParam = 0;
    };

    static LRESULT CALLBACK NotifyProc(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param);
    LRESULT Open();
    void ReportMissingPage() const;
    bool Register();

    const wchar_t* m_page;
    PageFailure m_failure;
    bool m_pageLoaded = false;
    int m_dpi = 0;  // 0 until a DPI change arrives
    Message m_current;
};
