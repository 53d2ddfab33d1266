#include "ui/ElementRef.h"

#include <algorithm>

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace {

void CALLBACK ReceiveText(LPCWSTR text, UINT length, LPVOID param)
{
    static_cast<std::wstring*>(param)->assign(text, length);
}

void CALLBACK ReceiveBytes(LPCBYTE bytes, UINT length, LPVOID param)
{
    static_cast<std::string*>(param)->assign(reinterpret_cast<const char*>(bytes), length);
}

bool NamesEqual(const char* a, const char* b)
{
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (std::towlower(static_cast<unsigned char>(*a)) != std::towlower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

} // namespace

ElementRef::ElementRef(HELEMENT element)
{
    if (element != nullptr && HTMLayout_UseElement(element) == HLDOM_OK)
        m_element = element;
}

ElementRef::ElementRef(const ElementRef& other) : ElementRef(other.m_element) {}

ElementRef::ElementRef(ElementRef&& other) noexcept : m_element(std::exchange(other.m_element, nullptr)) {}

ElementRef& ElementRef::operator=(const ElementRef& other)
{
    if (this != &other) {
        ElementRef copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ElementRef& ElementRef::operator=(ElementRef&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_element = std::exchange(other.m_element, nullptr);
    }
    return *this;
}

ElementRef::~ElementRef()
{
    Reset();
}

void ElementRef::Reset()
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayout_UnuseElement(std::exchange(m_element, nullptr)));
}

ElementRef ElementRef::Root(HWND window)
{
    HELEMENT root = nullptr;
    return HTMLayoutGetRootElement(window, &root) == HLDOM_OK ? ElementRef(root) : ElementRef();
}

ElementRef ElementRef::Create(const char* tag, const wchar_t* text)
{
    HELEMENT created = nullptr;
    if (HTMLayoutCreateElement(tag, text, &created) != HLDOM_OK)
        return {};
    ElementRef element(created);
    // The engine hands a new element over used once; from here the reference holds it.
    static_cast<void>(HTMLayout_UnuseElement(created));
    return element;
}

ElementRef ElementRef::Parent() const
{
    HELEMENT parent = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetParentElement(m_element, &parent));
    return ElementRef(parent);
}

ElementRef ElementRef::Child(UINT index) const
{
    HELEMENT child = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetNthChild(m_element, index, &child));
    return ElementRef(child);
}

UINT ElementRef::ChildCount() const
{
    UINT count = 0;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetChildrenCount(m_element, &count));
    return count;
}

UINT ElementRef::Index() const
{
    UINT index = 0;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementIndex(m_element, &index));
    return index;
}

const char* ElementRef::Tag() const
{
    LPCSTR tag = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementType(m_element, &tag));
    return tag;
}

std::wstring ElementRef::TagString() const
{
    const char* tag = Tag();
    return tag != nullptr ? std::wstring(tag, tag + std::strlen(tag)) : std::wstring();
}

const wchar_t* ElementRef::Attribute(const char* name) const
{
    LPCWSTR value = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetAttributeByName(m_element, name, &value));
    return value;
}

std::wstring ElementRef::AttributeString(const char* name) const
{
    const wchar_t* value = Attribute(name);
    return value != nullptr ? value : L"";
}

int ElementRef::AttributeInt(const char* name, int defaultValue) const
{
    const wchar_t* value = Attribute(name);
    if (value == nullptr || *value == 0)
        return defaultValue;
    return static_cast<int>(std::wcstol(value, nullptr, 10));
}

bool ElementRef::HasAttribute(const char* name) const
{
    if (m_element == nullptr || name == nullptr)
        return false;
    UINT count = 0;
    static_cast<void>(HTMLayoutGetAttributeCount(m_element, &count));
    for (UINT i = 0; i < count; ++i) {
        LPCSTR attributeName = nullptr;
        LPCWSTR value = nullptr;
        if (HTMLayoutGetNthAttribute(m_element, i, &attributeName, &value) == HLDOM_OK && NamesEqual(attributeName, name))
            return true;
    }
    return false;
}

void ElementRef::SetAttribute(const char* name, const wchar_t* value) const
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutSetAttributeByName(m_element, name, value));
}

const wchar_t* ElementRef::StyleAttribute(const char* name) const
{
    LPCWSTR value = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetStyleAttribute(m_element, name, &value));
    return value;
}

std::wstring ElementRef::Text() const
{
    std::wstring text;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementInnerText16(m_element, ReceiveText, &text));
    return text;
}

void ElementRef::SetText(const std::wstring& text) const
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutSetElementInnerText16(m_element, text.c_str(), static_cast<UINT>(text.size())));
}

std::string ElementRef::Html(HtmlPart part) const
{
    std::string html;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementHtml(m_element, part == HtmlPart::Outer ? TRUE : FALSE, ReceiveBytes, &html));
    return html;
}

std::wstring ElementRef::InnerHtml() const
{
    std::string html = Html(HtmlPart::Inner);
    if (html.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, html.data(), static_cast<int>(html.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(0, length)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, html.data(), static_cast<int>(html.size()), wide.data(), length);
    return wide;
}

void ElementRef::SetInnerHtml(const std::wstring& html) const
{
    int length = html.empty() ? 0
                              : WideCharToMultiByte(CP_UTF8, 0, html.data(), static_cast<int>(html.size()), nullptr, 0,
                                                    nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(0, length)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, html.data(), static_cast<int>(html.size()), bytes.data(), length, nullptr, nullptr);
    SetHtml(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()), HL_SIH_REPLACE_CONTENT);
}

void ElementRef::SetHtml(const BYTE* bytes, UINT length, UINT where) const
{
    if (m_element == nullptr)
        return;
    if (bytes == nullptr || length == 0)
        SetText(L"");
    else
        static_cast<void>(HTMLayoutSetElementHtml(m_element, bytes, length, where));
}

UINT ElementRef::State() const
{
    UINT state = 0;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementState(m_element, &state));
    return state;
}

bool ElementRef::TestState(UINT bits) const
{
    return (State() & bits) != 0;
}

void ElementRef::SetState(UINT bitsToSet, UINT bitsToClear, Repaint repaint) const
{
    if (m_element != nullptr)
        static_cast<void>(
            HTMLayoutSetElementState(m_element, bitsToSet, bitsToClear, repaint == Repaint::Yes ? TRUE : FALSE));
}

void ElementRef::Update(Relayout relayout) const
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutUpdateElement(m_element, relayout == Relayout::Yes ? HL_UPDATE_RESET_STYLE : HL_UPDATE_REPAINT));
}

HWND ElementRef::Window() const
{
    HWND window = nullptr;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementHwnd(m_element, &window, FALSE));
    return window;
}

RECT ElementRef::Location(UINT areas) const
{
    RECT box{0, 0, 0, 0};
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutGetElementLocation(m_element, &box, areas));
    return box;
}

void ElementRef::Insert(const ElementRef& child, UINT index) const
{
    if (m_element != nullptr && child.m_element != nullptr)
        static_cast<void>(HTMLayoutInsertElement(child.m_element, m_element, index));
}

void ElementRef::Delete() const
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutDeleteElement(m_element));
}

void ElementRef::ScrollToView() const
{
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutScrollToView(m_element, 0));
}

UINT ElementRef::ControlType() const
{
    UINT type = HL_CTL_NO;
    if (m_element != nullptr)
        static_cast<void>(HTMLayoutControlGetType(m_element, &type));
    return type;
}

FieldValue ElementRef::Value() const
{
    HtmlValue value{};
    if (m_element == nullptr || HTMLayoutControlGetValue(m_element, &value) != HLDOM_OK)
        return {};
    switch (value.type) {
    case HL_VALUE_BOOL: return FieldValue(value.intValue != 0);
    case HL_VALUE_INT: return FieldValue(static_cast<int>(value.intValue));
    case HL_VALUE_STRING: return FieldValue(std::wstring(value.text != nullptr ? value.text : L"", value.textLength));
    default: return {};
    }
}

void ElementRef::SetValue(const FieldValue& value) const
{
    if (m_element == nullptr)
        return;
    HtmlValue engineValue{};
    switch (value.GetTag()) {
    case FieldValue::Tag::Bool: engineValue = {HL_VALUE_BOOL, value.AsBool() ? 1 : 0, nullptr, 0}; break;
    case FieldValue::Tag::Int: engineValue = {HL_VALUE_INT, value.AsInt(), nullptr, 0}; break;
    case FieldValue::Tag::String:
        engineValue = {HL_VALUE_STRING, 0, value.AsString().c_str(), static_cast<UINT>(value.AsString().size())};
        break;
    case FieldValue::Tag::Undefined: engineValue = {HL_VALUE_UNDEFINED, 0, nullptr, 0}; break;
    }
    static_cast<void>(HTMLayoutControlSetValue(m_element, &engineValue));
}
