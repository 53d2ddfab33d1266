#include "engine/platform/View.h"

#include "engine/css/CssParser.h"
#include "engine/css/ElementStyle.h"
#include "engine/dom/Utf.h"
#include "engine/input/FormControls.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/EventDispatcher.h"

#include <algorithm>

namespace Engine {

namespace {

std::map<HWND, std::unique_ptr<View>>& Views()
{
    static std::map<HWND, std::unique_ptr<View>> views;
    return views;
}

// Views whose window is gone while a frame still held them.
std::vector<std::unique_ptr<View>>& EndedViews()
{
    static std::vector<std::unique_ptr<View>> ended;
    return ended;
}

} // namespace

View::View(HWND window)
    : m_window(window), m_document(std::make_unique<Document>()), m_style(std::make_unique<DocumentStyle>(*m_document)),
      m_access(window)
{
    m_renderer = std::make_unique<PageRenderer>(window, [this](const std::wstring& url, std::string& bytes) {
        return RequestData(url, bytes);
    });
    m_mouse = std::make_unique<MouseInput>(*this);
    m_keyboard = std::make_unique<KeyboardInput>(*this);
    m_editing = std::make_unique<TextInput>(*this);
    m_renderer->SetPlacedListener([this] { WindowsPlaced(); });
    m_style->SetDpi(m_renderer->Dpi());
    m_document->SetClient(this);
}

View::~View()
{
    m_windows.Clear();
    StopTimers();
    KillTimer(m_window, kPostedEventsTimer);
    KillTimer(m_window, kUpdateTimer);
    KillTimer(m_window, kHttpTimer);
    m_mouse->Reset();
    m_editing->Leave(nullptr);
    m_popups.clear();
    m_hiddenPopups.clear();
    for (PostedEvent& posted : m_posted) {
        posted.Target->Unuse();
        if (posted.Source != nullptr)
            posted.Source->Unuse();
    }
    m_document->SetClient(nullptr);
    EventDispatcher::DetachTree(m_document->Root());
}

View* View::ForWindow(HWND window)
{
    auto found = Views().find(window);
    return found == Views().end() ? nullptr : found->second.get();
}

View* View::ForDocument(const Document* document)
{
    if (document == nullptr)
        return nullptr;
    for (auto& [window, view] : Views()) {
        if (view->m_document.get() == document)
            return view.get();
    }
    return nullptr;
}

View& View::Ensure(HWND window)
{
    auto& slot = Views()[window];
    if (!slot)
        slot = std::make_unique<View>(window);
    return *slot;
}

void View::End(HWND window)
{
    auto found = Views().find(window);
    if (found == Views().end())
        return;
    // Taken out first, so that nothing its destruction calls can find it half gone.
    std::unique_ptr<View> view = std::move(found->second);
    Views().erase(found);
    if (view->m_holds == 0)
        return;
    // A frame below is still inside this view: it goes when that frame lets go of it. Until
    // then the host hears nothing more from a window it may already have forgotten.
    view->m_ended = true;
    view->m_callback = nullptr;
    for (auto& popup : view->m_popups)
        popup->Hide();
    EndedViews().push_back(std::move(view));
}

View::Hold::~Hold()
{
    if (--m_view.m_holds > 0 || !m_view.m_ended)
        return;
    auto& ended = EndedViews();
    auto found = std::find_if(ended.begin(), ended.end(), [&](const auto& view) { return view.get() == &m_view; });
    if (found == ended.end())
        return;
    std::unique_ptr<View> view = std::move(*found);
    ended.erase(found);
}

void View::ReleaseElementCaptures()
{
    for (auto& [window, view] : Views())
        view->Page().SetCaptureElement(nullptr);
}

void View::SetMediaType(std::wstring media)
{
    if (media == m_media)
        return;
    m_media = std::move(media);
    m_style->SetMediaType(m_media);
    m_document->MarkStyleDirty();
    InvalidateRect(m_window, nullptr, FALSE);
}

void View::SetCallback(HtmlNotifyProc callback, void* param)
{
    m_callback = callback;
    m_callbackParam = param;
}

LRESULT View::Notify(NMHDR& header)
{
    header.hwndFrom = m_window;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_window));
    if (m_callback == nullptr)
        return 0;
    return m_callback(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header), m_callbackParam);
}

bool View::Load(std::string_view utf8, const wchar_t* baseUrl)
{
    auto document = std::make_unique<Document>();
    if (!document->Load(utf8))
        return false;
    StopTimers();
    m_windows.Clear();
    m_access.Clear();
    m_document->SetClient(nullptr);
    EventDispatcher::DetachTree(m_document->Root());
    m_mouse->Reset();
    m_editing->Leave(nullptr);
    m_popups.clear();
    m_popupPlaces.clear();
    m_hiddenPopups.clear();
    m_renderer->Reset();
    m_style.reset();
    m_document = std::move(document);
    m_style = std::make_unique<DocumentStyle>(*m_document);
    m_document->SetClient(this);
    m_style->SetMediaType(m_media);
    if (baseUrl != nullptr)
        m_document->SetBaseUrl(baseUrl);
    FormControls::PrepareTree(m_document->Root());
    std::vector<std::wstring> links;
    std::vector<Element*> pending{&m_document->Root()};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        const std::wstring* rel = element->FindAttribute("rel");
        const std::wstring* href = element->FindAttribute("href");
        if (element->Tag() == "link" && rel != nullptr && href != nullptr && _wcsicmp(rel->c_str(), L"stylesheet") == 0)
            links.push_back(*href);
        element->PushChildrenReversed(pending);
    }
    for (const std::wstring& link : links) {
        std::string bytes;
        if (RequestData(PageRenderer::Absolute(m_document->Root(), link), bytes))
            m_style->AddStyleSheet(CssParser::ParseStyleSheet(Utf8ToWide(bytes)));
        if (m_ended)
            return false;
    }
    m_style->SetDpi(m_renderer->Dpi());
    m_style->Update();
    // Boxes and pictures now, so that painting never waits for them.
    m_renderer->Update(*m_style);
    AskForWindows();
    if (m_ended)
        return true;
    InvalidateRect(m_window, nullptr, FALSE);
    // A page loaded into the window that has the focus gives it to its first element.
    if (GetFocus() == m_window)
        m_keyboard->OnSetFocus();
    NMHDR complete{};
    complete.code = HLN_DOCUMENT_COMPLETE;
    Notify(complete);
    return true;
}

bool View::RequestData(const std::wstring& url, std::string& bytes)
{
    HtmlNotifyLoadData request{};
    request.header.code = HLN_LOAD_DATA;
    request.uri = url.c_str();
    request.principal = ToHandle(&m_document->Root());
    std::string received;
    m_pendingUrl = &url;
    m_pendingBytes = &received;
    m_pendingReady = false;
    LRESULT result = Notify(request.header);
    m_pendingUrl = nullptr;
    m_pendingBytes = nullptr;
    if (result == 0 && !m_pendingReady && request.outData != nullptr) {
        received.assign(static_cast<const char*>(request.outData), request.outDataSize);
        m_pendingReady = true;
    }
    if (!m_pendingReady)
        return false;
    bytes = std::move(received);
    return true;
}

void View::DataReady(const wchar_t* url, const BYTE* data, DWORD length)
{
    if (data == nullptr)
        return;
    if (m_pendingBytes == nullptr) {
        if (url != nullptr)
            m_renderer->DataArrived(url, data, length);
        return;
    }
    m_pendingBytes->assign(reinterpret_cast<const char*>(data), length);
    m_pendingReady = true;
}

void View::BehaviorNamed(Element& element, const std::string& name)
{
    HtmlNotifyAttachBehavior request{};
    request.header.code = HLN_ATTACH_BEHAVIOR;
    request.element = ToHandle(&element);
    request.behaviorName = name.c_str();
    Notify(request.header);
    if (request.elementProc != nullptr)
        EventDispatcher::Attach(element, request.elementProc, request.elementTag, request.elementEvents);
}

void View::ElementLeaving(Element& element)
{
    m_hiddenPopups.erase(std::remove_if(m_hiddenPopups.begin(), m_hiddenPopups.end(),
                                        [&](const auto& w) { return &w->Popup() == &element || element.Contains(&w->Popup()); }),
                         m_hiddenPopups.end());
    for (std::size_t i = m_popups.size(); i-- > 0;) {
        Element& popup = m_popups[i]->Popup();
        if (&popup == &element || element.Contains(&popup) || m_popupPlaces[i].Anchor == &element) {
            m_popups.erase(m_popups.begin() + static_cast<std::ptrdiff_t>(i));
            m_popupPlaces.erase(m_popupPlaces.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    m_windows.ElementLeaving(element);
    m_editing->Leave(&element);
    m_mouse->Forget(element);
    m_access.Forget(element);
    m_renderer->Layout().ElementLeaving(element);
}

void View::FocusMoved(Element* from, Element* to)
{
    // The focus rectangle and the caret go with the focus.
    for (Element* element : {from, to}) {
        if (element != nullptr)
            m_renderer->Layout().Repaint(*element);
    }
    m_editing->Leave(from);
    if (to != nullptr && m_document->FocusByKeyboard())
        m_editing->Enter(*to);
    if (to != nullptr)
        m_access.FocusMoved(*to);
    ScheduleUpdate();
}

void View::Changed()
{
    ScheduleUpdate();
}

// The timer stays set while updates come faster than it fires: setting and killing it for
// every change would cost two trips to the window server each.
void View::ScheduleUpdate()
{
    if (m_ended)
        return;
    m_updateScheduled = true;
    if (!m_timerSet) {
        m_timerSet = true;
        SetTimer(m_window, kUpdateTimer, USER_TIMER_MINIMUM, TimerProc);
    }
}

void View::UpdateNow()
{
    if (m_ended)
        return;
    m_updateScheduled = false;
    m_renderer->Update(*m_style);
    AskForWindows();
    if (m_ended)
        return;
    if (!m_popups.empty())
        PlacePopups();
    m_access.Tell();
}

void View::AskForWindows()
{
    if (!m_renderer->Layout().HasWindowSlots())
        return;
    if (m_holds == 0) {
        ScheduleUpdate();
        return;
    }
    while (!m_ended && m_windows.AskHost())
        m_renderer->Update(*m_style);
}

void View::WindowsPlaced()
{
    m_windows.Place();
    // Met while painting: the host hears of them from the update that follows.
    if (m_renderer->Layout().HasWindowSlots())
        ScheduleUpdate();
}

void View::ShowPopup(Element& popup, Element* anchor, unsigned placement)
{
    popup.ChangeState(kStatePopup, 0);
    Element* at = anchor != nullptr ? anchor : popup.Parent();
    if (at != nullptr)
        at->ChangeState(kStateOwnsPopup, 0);
    m_renderer->Layout().SetPopupAnchor(popup, at, placement);
    HidePopup(popup);
    // A popup shown before comes back in its own window: making a window costs more than the page.
    auto spare = std::find_if(m_hiddenPopups.begin(), m_hiddenPopups.end(), [&](const auto& w) { return &w->Popup() == &popup; });
    if (spare != m_hiddenPopups.end()) {
        m_popups.push_back(std::move(*spare));
        m_hiddenPopups.erase(spare);
    } else {
        m_popups.push_back(std::make_unique<PopupWindow>(*this, popup));
    }
    m_popupPlaces.push_back({at, placement});
    UpdateNow();
}

void View::OpenDropDown(Element& select)
{
    if (select.Children().size() < 3)
        return;
    Element& list = *select.Children()[2];
    UpdateNow();
    Rect at;
    if (m_renderer->Layout().PageRectOf(select, at)) {
        std::wstring width = std::to_wstring(at.Width) + L"px";
        ElementStyle::SetRuntime(list, "min-width", &width);
    }
    // The chosen option is the one the keys start from.
    for (Element* option : list.Children()) {
        bool chosen = (option->State() & kStateChecked) != 0;
        option->ChangeState(chosen ? static_cast<unsigned>(kStateHover) : 0u, chosen ? 0u : static_cast<unsigned>(kStateHover));
    }
    ShowPopup(list, &select, 2);
}

void View::HidePopup(Element& popup)
{
    for (std::size_t i = 0; i < m_popups.size(); ++i) {
        if (&m_popups[i]->Popup() != &popup)
            continue;
        m_popups[i]->Hide();
        if (m_hiddenPopups.size() < 4)
            m_hiddenPopups.push_back(std::move(m_popups[i]));
        m_popups.erase(m_popups.begin() + static_cast<std::ptrdiff_t>(i));
        m_popupPlaces.erase(m_popupPlaces.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
}

void View::HidePopups()
{
    while (Element* popup = LastPopup())
        HTMLayoutHidePopup(reinterpret_cast<HELEMENT>(popup));
}

void View::PlacePopups()
{
    for (std::size_t i = 0; i < m_popups.size(); ++i) {
        Rect anchor;
        Element* at = m_popupPlaces[i].Anchor;
        if (at == nullptr || at->OwnerDocument() != m_document.get() || !m_renderer->Layout().PageRectOf(*at, anchor))
            continue;
        POINT corners[2] = {{anchor.X, anchor.Y}, {anchor.Right(), anchor.Bottom()}};
        MapWindowPoints(m_window, nullptr, corners, 2);
        m_popups[i]->Place(RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y}, m_popupPlaces[i].Placement);
    }
}

void View::Request(Element& target, Element* initiator, HttpRequests::Purpose purpose, unsigned dataType,
                   const std::wstring& url, HttpRequests::Method method, std::string params)
{
    std::wstring absolute = PageRenderer::Absolute(target, url);
    auto startsWith = [&](const wchar_t* prefix) { return _wcsnicmp(absolute.c_str(), prefix, wcslen(prefix)) == 0; };
    if (startsWith(L"http://") || startsWith(L"https://")) {
        m_http.Start(target, initiator, purpose, dataType, std::move(absolute), method, std::move(params));
    } else {
        std::string bytes;
        unsigned status = RequestData(absolute, bytes) ? 0 : ERROR_FILE_NOT_FOUND;
        m_http.Answer(target, initiator, purpose, dataType, std::move(absolute), std::move(bytes), status);
    }
    SetTimer(m_window, kHttpTimer, USER_TIMER_MINIMUM, TimerProc);
}

// A procedure may end the window or load another page: each answer checks that its element is
// still in this window's page, and the rest are let go once the window is gone.
void View::DeliverAnswers()
{
    HWND window = m_window;
    const Document* page = m_document.get();
    for (HttpRequests::Finished& answer : m_http.TakeFinished()) {
        Element& target = *answer.Target;
        if (ForWindow(window) == this && target.OwnerDocument() == page) {
            auto* bytes = reinterpret_cast<LPCBYTE>(answer.Bytes.data());
            auto size = static_cast<UINT>(answer.Bytes.size());
            HtmlDataArrivedParams params{ToHandle(answer.Initiator), bytes, size, answer.DataType, answer.Status,
                                         answer.Url.c_str()};
            bool consumed = EventDispatcher::CallOwn(target, HL_HANDLE_DATA_ARRIVED, &params);
            if (!consumed && answer.For == HttpRequests::Purpose::ElementContent && answer.DataType == HL_DATA_HTML &&
                answer.Status == 0 && target.OwnerDocument() == page)
                HTMLayoutSetElementHtml(ToHandle(&target), bytes, size, HL_SIH_REPLACE_CONTENT);
        }
        target.Unuse();
        if (answer.Initiator != nullptr)
            answer.Initiator->Unuse();
    }
    if (ForWindow(window) == this && !m_http.Pending())
        KillTimer(window, kHttpTimer);
}

void View::Post(Element& element, unsigned code, Element* source, UINT_PTR reason)
{
    element.Use();
    if (source != nullptr)
        source->Use();
    m_posted.push_back({&element, source, code, reason});
    SetTimer(m_window, kPostedEventsTimer, USER_TIMER_MINIMUM, TimerProc);
}

void View::FlushPosted()
{
    KillTimer(m_window, kPostedEventsTimer);
    std::vector<PostedEvent> posted;
    posted.swap(m_posted);
    for (PostedEvent& event : posted) {
        if (!m_ended && event.Target->OwnerDocument() == m_document.get())
            EventDispatcher::BehaviorEvent(*event.Target, event.Code, event.Source, event.Reason);
        event.Target->Unuse();
        if (event.Source != nullptr)
            event.Source->Unuse();
    }
}

void View::SetElementTimer(Element& element, UINT milliseconds, UINT_PTR timerId)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.Target != &element || it->second.TimerId != timerId)
            continue;
        if (milliseconds == 0) {
            KillTimer(m_window, it->first);
            Element* target = it->second.Target;
            m_timers.erase(it);
            target->Unuse();
        } else {
            SetTimer(m_window, it->first, milliseconds, TimerProc);
        }
        return;
    }
    if (milliseconds == 0)
        return;
    UINT_PTR id = m_nextTimerId++;
    element.Use();
    m_timers[id] = {&element, timerId};
    SetTimer(m_window, id, milliseconds, TimerProc);
}

void View::OnTimer(UINT_PTR windowTimerId)
{
    if (windowTimerId == kPostedEventsTimer) {
        FlushPosted();
        return;
    }
    if (windowTimerId == kHttpTimer) {
        DeliverAnswers();
        return;
    }
    if (windowTimerId == kUpdateTimer) {
        KillTimer(m_window, kUpdateTimer);
        m_timerSet = false;
        if (m_updateScheduled)
            UpdateNow();
        return;
    }
    auto found = m_timers.find(windowTimerId);
    if (found == m_timers.end())
        return;
    Element* target = found->second.Target;
    if (target->OwnerDocument() != m_document.get()) {
        // Its element left the page: the timer ends with it.
        SetElementTimer(*target, 0, found->second.TimerId);
        return;
    }
    HtmlTimerParams params{found->second.TimerId};
    target->Use();
    EventDispatcher::CallOwn(*target, HL_HANDLE_TIMER, &params);
    target->Unuse();
}

void View::StopTimers()
{
    for (auto& [id, timer] : m_timers) {
        KillTimer(m_window, id);
        timer.Target->Unuse();
    }
    m_timers.clear();
}

void CALLBACK View::TimerProc(HWND window, UINT, UINT_PTR id, DWORD)
{
    if (View* view = ForWindow(window)) {
        Hold hold(*view);
        view->OnTimer(id);
    }
}

} // namespace Engine
