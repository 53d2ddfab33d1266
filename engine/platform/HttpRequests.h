#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

class Element;

// The HTTP requests of one window. Each runs through WinHTTP on a worker thread of its own, so
// the window's thread never waits; the window's thread collects the answers (TakeFinished) and
// hands them to their elements. Every step has a bounded time-out, so a dead or silent server
// ends in a failed status rather than a request that never ends. The elements stay used while
// their request runs; a request whose window ends is forgotten, and its worker drops the answer.
class HttpRequests {
public:
    // GET carries the parameters in the query, POST in a form-encoded body.
    enum class Method { Get, Post };
    // Only requests for an element's content load the HTML that arrives into the element.
    enum class Purpose { Request, ElementContent };

    struct Finished {
        Element* Target;     // used until the caller unuses it
        Element* Initiator;  // likewise, or null
        Purpose For;
        unsigned DataType;
        std::wstring Url;
        std::string Bytes;
        unsigned Status;  // 0, the server's status when it was not 2xx, or an ERROR_WINHTTP_* code
    };

    HttpRequests() = default;
    ~HttpRequests();
    HttpRequests(const HttpRequests&) = delete;
    HttpRequests& operator=(const HttpRequests&) = delete;

    // Name=value pairs, each ended by a NUL and the list by another, form-encoded as UTF-8.
    [[nodiscard]] static std::string EncodeParams(const wchar_t* params);
    // Each of resolving, connecting, sending and waiting for the answer's next bytes; 5 s unless
    // a test asks for less.
    static void SetTimeout(DWORD milliseconds);

    void Start(Element& target, Element* initiator, Purpose purpose, unsigned dataType, std::wstring url, Method method,
               std::string params);
    // Answers the host already had (URLs that are not HTTP), handed over with the others.
    void Answer(Element& target, Element* initiator, Purpose purpose, unsigned dataType, std::wstring url,
                std::string bytes, unsigned status);
    [[nodiscard]] bool Pending() const { return !m_running.empty(); }
    [[nodiscard]] std::vector<Finished> TakeFinished();

private:
    struct Exchange;
    struct Running {
        std::shared_ptr<Exchange> Shared;
        Finished Result;
    };
    void Track(std::shared_ptr<Exchange> exchange, Element& target, Element* initiator, Purpose purpose,
               unsigned dataType, std::wstring url);

    std::vector<Running> m_running;
    static std::atomic<DWORD> s_timeout;
};

} // namespace Engine
