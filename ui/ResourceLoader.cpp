#include "ui/ResourceLoader.h"

#include "base/UniqueHandle.h"

#include <cwchar>
#include <string>

namespace {

// URLs are taken in a buffer of this many characters, its terminator included.
constexpr std::size_t kUrlBuffer = 260;

// A module loaded as data for one request; none when the path is no file.
ModuleHandle LoadDataModule(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {};
    return ModuleHandle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// A found resource's bytes: true when it loads, locks and is not empty.
bool Read(HMODULE module, HRSRC found, const BYTE*& bytes, DWORD& length)
{
    bytes = nullptr;
    length = 0;
    if (found == nullptr)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = locked != nullptr ? SizeofResource(module, found) : 0;
    if (size == 0)
        return false;
    bytes = static_cast<const BYTE*>(locked);
    length = size;
    return true;
}

} // namespace

bool ResourceLoader::Find(const wchar_t* name, const wchar_t* type, const BYTE*& bytes, DWORD& length, HMODULE module)
{
    if (module == nullptr)
        module = GetModuleHandleW(nullptr);
    return Read(module, FindResourceW(module, name, type), bytes, length);
}

LRESULT ResourceLoader::Serve(HWND window, HMODULE module, std::wstring_view resource, const wchar_t* url)
{
    std::wstring name(resource);
    std::wstring type;
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) {
        type = name.substr(dot + 1);
        name.resize(dot);
    }
    const wchar_t* typeId = type.empty() || _wcsicmp(type.c_str(), L"HTML") == 0 ? RT_HTML : type.c_str();
    if (module == nullptr)
        module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name.c_str(), typeId);
    if (found == nullptr)
        return kAnswered;
    const BYTE* bytes = nullptr;
    DWORD length = 0;
    if (!Read(module, found, bytes, length))
        return kDiscard;
    HTMLayoutDataReady(window, url, bytes, length);
    return kAnswered;
}

LRESULT ResourceLoader::AnswerHost(HWND window, const HtmlNotifyLoadData& request)
{
    if (request.uri == nullptr || request.uri[0] == 0)
        return kDiscard;
    const wchar_t* url = request.uri;
    if (std::wcsncmp(url, L"res:", 4) == 0)
        url += 4;
    const std::wstring copy(url, wcsnlen(url, kUrlBuffer - 1));
    const std::size_t slash = copy.rfind(L'/');
    if (slash == std::wstring::npos)
        return Serve(window, nullptr, copy, url);
    const ModuleHandle module = LoadDataModule(copy.substr(0, slash));
    return Serve(window, module.Get(), std::wstring_view(copy).substr(slash + 1), url);
}

LRESULT ResourceLoader::AnswerDialog(HWND window, const HtmlNotifyLoadData& request)
{
    if (request.uri == nullptr || request.uri[0] == 0)
        return kAnswered;
    const std::wstring copy(request.uri, wcsnlen(request.uri, kUrlBuffer - 1));
    static_cast<void>(Serve(window, nullptr, copy, request.uri));
    return kAnswered;
}
