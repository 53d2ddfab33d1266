#include "ui/ElementSelect.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

void AppendUtf8(std::string& out, const wchar_t* text)
{
    if (text == nullptr || *text == 0)
        return;
    int length = static_cast<int>(std::min<std::size_t>(wcslen(text), kSelectorBufferLength));
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data() + at, bytes, nullptr, nullptr);
}

struct Selection {
    std::vector<ElementRef>* Found;
    bool FirstOnly;
};

BOOL CALLBACK Collect(HELEMENT he, LPVOID param)
{
    auto* selection = static_cast<Selection*>(param);
    selection->Found->emplace_back(he);
    return selection->FirstOnly ? TRUE : FALSE;
}

std::vector<ElementRef> Select(const ElementRef& root, const std::string& selector, bool firstOnly)
{
    std::vector<ElementRef> found;
    if (root.IsNull())
        return found;
    Selection selection{&found, firstOnly};
    static_cast<void>(HTMLayoutSelectElements(root.Handle(), selector.c_str(), Collect, &selection));
    return found;
}

} // namespace

std::string FormatSelector(const char* format, va_list args)
{
    std::string out;
    if (format == nullptr)
        return out;
    for (const char* at = format; *at != 0; ++at) {
        if (*at != '%' || at[1] == 0) {
            out.push_back(*at);
            continue;
        }
        char kind = *++at;
        if (kind == 'l' && at[1] == 's') {
            kind = 'S';
            ++at;
        }
        char number[32];
        switch (kind) {
        case '%': out.push_back('%'); break;
        case 's': {
            const char* text = va_arg(args, const char*);
            out += text != nullptr ? text : "";
            break;
        }
        case 'S': AppendUtf8(out, va_arg(args, const wchar_t*)); break;
        case 'c': out.push_back(static_cast<char>(va_arg(args, int))); break;
        case 'd':
        case 'i': std::snprintf(number, sizeof number, "%d", va_arg(args, int)); out += number; break;
        case 'u': std::snprintf(number, sizeof number, "%u", va_arg(args, unsigned)); out += number; break;
        case 'x': std::snprintf(number, sizeof number, "%x", va_arg(args, unsigned)); out += number; break;
        default:
            out.push_back('%');
            out.push_back(kind);
            break;
        }
        if (out.size() >= kSelectorBufferLength)
            break;
    }
    if (out.size() > kSelectorBufferLength - 1)
        out.resize(kSelectorBufferLength - 1);
    return out;
}

ElementRef SelectFirst(const ElementRef& root, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string selector = FormatSelector(format, args);
    va_end(args);
    std::vector<ElementRef> found = Select(root, selector, true);
    return found.empty() ? ElementRef() : found.front();
}

void SelectAll(const ElementRef& root, std::vector<ElementRef>& found, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string selector = FormatSelector(format, args);
    va_end(args);
    for (ElementRef& element : Select(root, selector, false))
        found.push_back(std::move(element));
}
