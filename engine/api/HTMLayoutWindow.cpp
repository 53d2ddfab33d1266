// Boundary functions: windows, loading and URLs.
#include "engine/HTMLayout.h"

#include "base/UniqueHandle.h"
#include "engine/api/Handles.h"
#include "engine/platform/EngineWindow.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <string>

using namespace Engine;

namespace {

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > static_cast<LONGLONG>(Document::kMaxSourceBytes))
        return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

bool HasScheme(const std::wstring& url)
{
    std::size_t colon = url.find(L':');
    if (colon == std::wstring::npos || colon < 2)  // "C:" is a drive, not a scheme
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        wchar_t c = url[i];
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
              c == L'-' || c == L'.'))
            return false;
    }
    return true;
}

} // namespace

LPCWSTR WINAPI HTMLayoutClassNameW()
{
    return EngineWindow::ClassName();
}

BOOL WINAPI HTMLayoutSetCallback(HWND hwnd, HtmlNotifyProc callback, LPVOID param)
{
    if (!IsWindow(hwnd))
        return FALSE;
    View::Ensure(hwnd).SetCallback(callback, param);
    return TRUE;
}

BOOL WINAPI HTMLayoutSetMediaType(HWND hwnd, LPCWSTR mediaType)
{
    if (!IsWindow(hwnd) || mediaType == nullptr)
        return FALSE;
    View::Ensure(hwnd).SetMediaType(mediaType);
    return TRUE;
}

BOOL WINAPI HTMLayoutLoadHtml(HWND hwnd, LPCBYTE html, UINT length)
{
    return HTMLayoutLoadHtmlEx(hwnd, html, length, nullptr);
}

BOOL WINAPI HTMLayoutLoadHtmlEx(HWND hwnd, LPCBYTE html, UINT length, LPCWSTR baseUrl)
{
    // Refused before the bytes are touched: a wrong length would read past the caller's buffer.
    if (!IsWindow(hwnd) || (html == nullptr && length != 0) || length > Document::kMaxSourceBytes)
        return FALSE;
    std::string_view bytes(reinterpret_cast<const char*>(html), length);
    // Callers may count the terminating zero of their text.
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.remove_suffix(1);
    View& view = View::Ensure(hwnd);
    View::Hold hold(view);
    return view.Load(bytes, baseUrl) ? TRUE : FALSE;
}

BOOL WINAPI HTMLayoutLoadFile(HWND hwnd, LPCWSTR fileOrUrl)
{
    if (!IsWindow(hwnd) || fileOrUrl == nullptr || *fileOrUrl == 0)
        return FALSE;
    View& view = View::Ensure(hwnd);
    View::Hold hold(view);
    std::wstring url = fileOrUrl;
    std::string bytes;
    if (!view.RequestData(url, bytes)) {
        if (view.Ended())
            return FALSE;
        std::wstring path = url;
        if (path.rfind(L"file://", 0) == 0)
            path = path.substr(path.rfind(L"file:///", 0) == 0 ? 8 : 7);
        if (!ReadWholeFile(path, bytes))
            return FALSE;
    }
    return view.Load(bytes, url.c_str()) ? TRUE : FALSE;
}

BOOL WINAPI HTMLayoutDataReady(HWND hwnd, LPCWSTR url, LPCBYTE data, DWORD length)
{
    View* view = View::ForWindow(hwnd);
    if (view == nullptr || data == nullptr)
        return FALSE;
    view->DataReady(url, data, length);
    return TRUE;
}

HtmlDomResult WINAPI HTMLayoutCombineURL(HELEMENT he, LPWSTR buffer, UINT bufferLength)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (buffer == nullptr || bufferLength == 0)
        return HLDOM_INVALID_PARAMETER;
    std::wstring url(buffer, wcsnlen(buffer, bufferLength));
    Document* document = element->OwnerDocument();
    const std::wstring base = document != nullptr ? document->BaseUrl() : std::wstring();
    bool drivePath = url.size() >= 2 && url[1] == L':';
    if (base.empty() || url.empty() || HasScheme(url) || drivePath)
        return HLDOM_OK;
    std::wstring combined;
    if (url[0] == L'/' || url[0] == L'\\') {
        std::size_t schemeEnd = base.find(L"://");
        std::size_t hostEnd = schemeEnd == std::wstring::npos ? std::wstring::npos : base.find(L'/', schemeEnd + 3);
        combined = (hostEnd == std::wstring::npos ? base : base.substr(0, hostEnd)) + url;
    } else {
        std::size_t slash = base.find_last_of(L"/\\");
        combined = (slash == std::wstring::npos ? std::wstring() : base.substr(0, slash + 1)) + url;
    }
    std::size_t count = std::min<std::size_t>(combined.size(), bufferLength - 1);
    combined.copy(buffer, count);
    buffer[count] = 0;
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetRootElement(HWND hwnd, HELEMENT* root)
{
    if (root == nullptr)
        return HLDOM_INVALID_PARAMETER;
    *root = nullptr;
    View* view = View::ForWindow(hwnd);
    if (view == nullptr)
        return HLDOM_INVALID_HWND;
    *root = ToHandle(&view->Page().Root());
    return HLDOM_OK;
}
