#pragma once
#include "engine/HTMLayout.h"
#include "engine/css/DocumentStyle.h"
#include "engine/dom/Document.h"
#include "engine/platform/AccessibleEvents.h"
#include "engine/platform/HttpRequests.h"
#include "engine/platform/KeyboardInput.h"
#include "engine/platform/MouseInput.h"
#include "engine/platform/NativeWindows.h"
#include "engine/platform/PageRenderer.h"
#include "engine/platform/PopupWindow.h"
#include "engine/platform/TextInput.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

// The engine's state for one window: its document, the host's notification callback, posted
// events and element timers. Any window handed to a load function gets one; the engine's own
// window class makes one on creation and ends it on destruction.
// A host callback may destroy the window while the engine is inside one of its frames for it (a
// click whose handler runs a dialog that turns the program off): the view then ends at once for
// everyone else, but lives on until the outermost frame that holds it returns, and each frame
// looks at Ended() after every callback before it goes on.
class View final : public DocumentClient {
public:
    // Held by every engine frame that may run a host callback: window and timer procedures,
    // popup windows and the boundary functions that call out.
    class Hold {
    public:
        explicit Hold(View& view) : m_view(view) { ++view.m_holds; }
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        View& m_view;
    };

    explicit View(HWND window);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    [[nodiscard]] static View* ForWindow(HWND window);
    [[nodiscard]] static View* ForDocument(const Document* document);
    [[nodiscard]] static View& Ensure(HWND window);
    static void End(HWND window);
    static void ReleaseElementCaptures();

    [[nodiscard]] HWND Window() const { return m_window; }
    [[nodiscard]] Document& Page() { return *m_document; }
    [[nodiscard]] DocumentStyle& Style() { return *m_style; }
    // Its window is gone: nothing more is drawn, dispatched or told to the host.
    [[nodiscard]] bool Ended() const { return m_ended; }

    void SetCallback(HtmlNotifyProc callback, void* param);
    // A new media type restyles the page shown (a high-contrast theme turned on or off).
    void SetMediaType(std::wstring media);
    [[nodiscard]] bool Load(std::string_view utf8, const wchar_t* baseUrl);
    // Asks the host for a URL's bytes; empty when it has none.
    [[nodiscard]] bool RequestData(const std::wstring& url, std::string& bytes);
    void DataReady(const wchar_t* url, const BYTE* data, DWORD length);
    LRESULT Notify(NMHDR& header);

    // A request whose answer comes back to the element as its data-arrived event. A relative
    // URL is taken from the page's base; a URL that is not HTTP is asked of the host.
    void Request(Element& target, Element* initiator, HttpRequests::Purpose purpose, unsigned dataType,
                 const std::wstring& url, HttpRequests::Method method, std::string params);
    void Post(Element& element, unsigned code, Element* source, UINT_PTR reason);
    void FlushPosted();
    void SetElementTimer(Element& element, UINT milliseconds, UINT_PTR timerId);
    void OnTimer(UINT_PTR windowTimerId);

    void BehaviorNamed(Element& element, const std::string& name) override;
    void ElementLeaving(Element& element) override;
    void Changed() override;

    [[nodiscard]] PageRenderer& Renderer() { return *m_renderer; }
    [[nodiscard]] MouseInput& Mouse() { return *m_mouse; }
    [[nodiscard]] KeyboardInput& Keyboard() { return *m_keyboard; }
    [[nodiscard]] TextInput& Editing() { return *m_editing; }
    void FocusMoved(Element* from, Element* to) override;
    void ElementChanged(Element& element, ChangeKind kind) override { m_access.ElementChanged(element, kind); }
    void StateChanged(Element& element, unsigned changedBits) override { m_access.StateChanged(element, changedBits); }
    [[nodiscard]] AccessibleEvents& Access() { return m_access; }
    // Popups in windows of their own; hiding takes the window away.
    void ShowPopup(Element& popup, Element* anchor, unsigned placement);
    void HidePopup(Element& popup);
    void HidePopups();
    // A drop-down's list below it, at least as wide as it.
    void OpenDropDown(Element& select);
    [[nodiscard]] bool HasPopups() const { return !m_popups.empty(); }
    [[nodiscard]] Element* LastPopup() const { return m_popups.empty() ? nullptr : &m_popups.back()->Popup(); }
    // A page that is a whole dialog takes every key, Enter and Escape included.
    void SetOwnsAllKeys(bool owns) { m_ownsAllKeys = owns; }
    [[nodiscard]] bool OwnsAllKeys() const { return m_ownsAllKeys; }
    // Styles, boxes and the invalid area brought up to date now, or soon from the message loop.
    void UpdateNow();
    void ScheduleUpdate();

private:
    struct PostedEvent {
        Element* Target;
        Element* Source;
        unsigned Code;
        UINT_PTR Reason;
    };
    struct ElementTimer {
        Element* Target;
        UINT_PTR TimerId;
    };
    static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    void StopTimers();
    void DeliverAnswers();
    // The host's windows for elements that got their first box, asked for now when a frame
    // holds this view (the host may end it meanwhile), else from the next update's timer.
    void AskForWindows();
    void WindowsPlaced();

    HWND m_window;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<DocumentStyle> m_style;  // of m_document, which outlives it
    AccessibleEvents m_access;                // holds elements of m_document
    std::unique_ptr<PageRenderer> m_renderer;
    std::unique_ptr<MouseInput> m_mouse;
    std::unique_ptr<KeyboardInput> m_keyboard;
    std::unique_ptr<TextInput> m_editing;
    NativeWindows m_windows{*this};
    std::vector<std::unique_ptr<PopupWindow>> m_popups;
    struct PopupPlace {
        Element* Anchor;
        unsigned Placement;
    };
    std::vector<PopupPlace> m_popupPlaces;  // beside each of m_popups
    std::vector<std::unique_ptr<PopupWindow>> m_hiddenPopups;  // kept for the next showing
    void PlacePopups();
    bool m_updateScheduled = false;
    bool m_timerSet = false;
    int m_holds = 0;
    bool m_ended = false;
    bool m_ownsAllKeys = false;
    std::wstring m_media = L"screen";
    HtmlNotifyProc m_callback = nullptr;
    void* m_callbackParam = nullptr;
    std::vector<PostedEvent> m_posted;
    std::map<UINT_PTR, ElementTimer> m_timers;
    UINT_PTR m_nextTimerId = kFirstElementTimer;
    // While the host answers a load request, the bytes it hands over land here.
    const std::wstring* m_pendingUrl = nullptr;
    std::string* m_pendingBytes = nullptr;
    bool m_pendingReady = false;
    // Last, so that its requests let their elements go while the document still stands.
    HttpRequests m_http;

    static constexpr UINT_PTR kPostedEventsTimer = 0x7E00;
    static constexpr UINT_PTR kUpdateTimer = 0x7DFF;
    static constexpr UINT_PTR kHttpTimer = 0x7DFE;
    static constexpr UINT_PTR kFirstElementTimer = 0x7E01;
};

} // namespace Engine
