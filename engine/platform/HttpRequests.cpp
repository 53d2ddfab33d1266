#include "engine/platform/HttpRequests.h"

#include "engine/dom/Element.h"
#include "engine/dom/Utf.h"
#include "base/SystemLibrary.h"

#include <winhttp.h>

#include <algorithm>
#include <system_error>
#include <thread>

namespace Engine {

namespace {

// What one answer may hold, as much as a page may.
constexpr std::size_t kMaxAnswerBytes = 32u << 20;

// WinHTTP, loaded with the first request: most runs never make one.
struct WinHttpFunctions {
    decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
};

const WinHttpFunctions& WinHttp()
{
    static const WinHttpFunctions functions =
        SystemLibrary::Table<WinHttpFunctions>(L"winhttp.dll", [](HMODULE module, WinHttpFunctions& found) {
            SystemLibrary::Find(module, "WinHttpCloseHandle", found.CloseHandle);
            SystemLibrary::Find(module, "WinHttpConnect", found.Connect);
            SystemLibrary::Find(module, "WinHttpCrackUrl", found.CrackUrl);
            SystemLibrary::Find(module, "WinHttpOpen", found.Open);
            SystemLibrary::Find(module, "WinHttpOpenRequest", found.OpenRequest);
            SystemLibrary::Find(module, "WinHttpQueryHeaders", found.QueryHeaders);
            SystemLibrary::Find(module, "WinHttpReadData", found.ReadData);
            SystemLibrary::Find(module, "WinHttpReceiveResponse", found.ReceiveResponse);
            SystemLibrary::Find(module, "WinHttpSendRequest", found.SendRequest);
            SystemLibrary::Find(module, "WinHttpSetOption", found.SetOption);
            SystemLibrary::Find(module, "WinHttpSetTimeouts", found.SetTimeouts);
        });
    return functions;
}

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttp().CloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

// application/x-www-form-urlencoded as HTML forms send it.
void AppendFormEncoded(std::string& out, std::wstring_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (char byte : WideToUtf8(text)) {
        auto c = static_cast<unsigned char>(byte);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '*') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

// Wine's WinHTTP lets some socket errors through; callers see WinHTTP's own codes only.
DWORD LastWinHttpError()
{
    DWORD error = GetLastError();
    if (error == WSAETIMEDOUT)
        return ERROR_WINHTTP_TIMEOUT;
    return error > WINHTTP_ERROR_BASE && error <= WINHTTP_ERROR_LAST ? error : ERROR_WINHTTP_CONNECTION_ERROR;
}

// The server's status, 0 for any 2xx, or the WinHTTP error that ended the exchange.
DWORD Fetch(const std::wstring& url, bool post, const std::string& body, DWORD timeout, std::string& bytes)
{
    const WinHttpFunctions& api = WinHttp();
    if (!api.CloseHandle || !api.Connect || !api.CrackUrl || !api.Open || !api.OpenRequest || !api.QueryHeaders || !api.ReadData || !api.ReceiveResponse || !api.SendRequest || !api.SetOption || !api.SetTimeouts)
        return ERROR_WINHTTP_INTERNAL_ERROR;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!api.CrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return LastWinHttpError();
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    path.erase(std::min(path.find(L'#'), path.size()));  // the fragment stays with the client
    if (path.empty() || path[0] != L'/')
        path.insert(0, 1, L'/');

    InternetHandle session(api.Open(L"HtmlEngine", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return LastWinHttpError();
    int ms = static_cast<int>(timeout);
    api.SetTimeouts(session.get(), ms, ms, ms, ms);
    InternetHandle connection(api.Connect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return LastWinHttpError();
    DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    InternetHandle request(api.OpenRequest(connection.get(), post ? L"POST" : L"GET", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request)
        return LastWinHttpError();
    // Waiting for the answer's headers has a time-out of its own.
    api.SetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeout, sizeof(timeout));
    const wchar_t* headers = post ? L"Content-Type: application/x-www-form-urlencoded\r\n" : WINHTTP_NO_ADDITIONAL_HEADERS;
    auto length = static_cast<DWORD>(body.size());
    if (!api.SendRequest(request.get(), headers, static_cast<DWORD>(-1), const_cast<char*>(body.data()), length, length,
                            0) ||
        !api.ReceiveResponse(request.get(), nullptr))
        return LastWinHttpError();
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!api.QueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return LastWinHttpError();
    char buffer[16384];
    for (;;) {
        DWORD read = 0;
        if (!api.ReadData(request.get(), buffer, sizeof(buffer), &read))
            return LastWinHttpError();
        if (read == 0)
            break;
        if (bytes.size() + read > kMaxAnswerBytes)
            return ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        bytes.append(buffer, read);
    }
    return status >= 200 && status < 300 ? 0 : status;
}

} // namespace

std::atomic<DWORD> HttpRequests::s_timeout{5000};

// Shared by the window's thread and the worker, so that either may finish with it first.
struct HttpRequests::Exchange {
    std::wstring Url;
    bool Post = false;
    std::string Body;
    DWORD Timeout = 0;
    std::string Bytes;
    unsigned Status = 0;
    std::atomic<bool> Done{false};
};

HttpRequests::~HttpRequests()
{
    for (Running& running : m_running) {
        running.Result.Target->Unuse();
        if (running.Result.Initiator != nullptr)
            running.Result.Initiator->Unuse();
    }
}

std::string HttpRequests::EncodeParams(const wchar_t* params)
{
    std::string encoded;
    for (const wchar_t* pair = params; pair != nullptr && *pair != 0; pair += wcslen(pair) + 1) {
        std::wstring_view text(pair);
        std::size_t equals = text.find(L'=');
        if (!encoded.empty())
            encoded += '&';
        AppendFormEncoded(encoded, text.substr(0, equals));
        encoded += '=';
        if (equals != std::wstring_view::npos)
            AppendFormEncoded(encoded, text.substr(equals + 1));
    }
    return encoded;
}

void HttpRequests::SetTimeout(DWORD milliseconds)
{
    s_timeout = milliseconds;
}

void HttpRequests::Start(Element& target, Element* initiator, Purpose purpose, unsigned dataType, std::wstring url,
                         Method method, std::string params)
{
    auto exchange = std::make_shared<Exchange>();
    exchange->Post = method == Method::Post;
    if (exchange->Post) {
        exchange->Body = std::move(params);
    } else if (!params.empty()) {
        std::size_t end = std::min(url.find(L'#'), url.size());
        std::wstring query(1, url.find(L'?') < end ? L'&' : L'?');
        query.append(params.begin(), params.end());
        url.insert(end, query);
    }
    exchange->Url = url;
    exchange->Timeout = s_timeout;
    Track(exchange, target, initiator, purpose, dataType, std::move(url));
    try {
        std::thread([exchange] {
            exchange->Status = Fetch(exchange->Url, exchange->Post, exchange->Body, exchange->Timeout, exchange->Bytes);
            exchange->Done.store(true, std::memory_order_release);
        }).detach();
    } catch (const std::system_error&) {
        exchange->Status = ERROR_WINHTTP_INTERNAL_ERROR;  // no thread to be had: a failed answer
        exchange->Done = true;
    }
}

void HttpRequests::Answer(Element& target, Element* initiator, Purpose purpose, unsigned dataType, std::wstring url,
                          std::string bytes, unsigned status)
{
    auto exchange = std::make_shared<Exchange>();
    exchange->Bytes = std::move(bytes);
    exchange->Status = status;
    exchange->Done = true;
    Track(std::move(exchange), target, initiator, purpose, dataType, std::move(url));
}

void HttpRequests::Track(std::shared_ptr<Exchange> exchange, Element& target, Element* initiator, Purpose purpose,
                         unsigned dataType, std::wstring url)
{
    target.Use();
    if (initiator != nullptr)
        initiator->Use();
    m_running.push_back({std::move(exchange), {&target, initiator, purpose, dataType, std::move(url), {}, 0}});
}

std::vector<HttpRequests::Finished> HttpRequests::TakeFinished()
{
    std::vector<Finished> finished;
    for (auto it = m_running.begin(); it != m_running.end();) {
        if (!it->Shared->Done.load(std::memory_order_acquire)) {
            ++it;
            continue;
        }
        it->Result.Bytes = std::move(it->Shared->Bytes);
        it->Result.Status = it->Shared->Status;
        finished.push_back(std::move(it->Result));
        it = m_running.erase(it);
    }
    return finished;
}

} // namespace Engine
