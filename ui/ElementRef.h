#pragma once
#include "base/FieldValue.h"
#include "engine/HTMLayout.h"

#include <string>

enum class HtmlPart { Outer, Inner };
enum class Repaint { No, Yes };
enum class Relayout { No, Yes };

// One engine element, kept alive while the reference holds it. Every operation on a null
// reference does nothing and yields null, zero or false.
class ElementRef {
public:
    ElementRef() = default;
    explicit ElementRef(HELEMENT element);
    ElementRef(const ElementRef& other);
    ElementRef(ElementRef&& other) noexcept;
    ElementRef& operator=(const ElementRef& other);
    ElementRef& operator=(ElementRef&& other) noexcept;
    ~ElementRef();

    void Reset();
    [[nodiscard]] HELEMENT Handle() const { return m_element; }
    [[nodiscard]] bool IsNull() const { return m_element == nullptr; }
    explicit operator bool() const { return m_element != nullptr; }
    bool operator==(const ElementRef& other) const { return m_element == other.m_element; }

    [[nodiscard]] static ElementRef Root(HWND window);
    // A new element, not yet in any page.
    [[nodiscard]] static ElementRef Create(const char* tag, const wchar_t* text);

    [[nodiscard]] ElementRef Parent() const;
    [[nodiscard]] ElementRef Child(UINT index) const;
    [[nodiscard]] UINT ChildCount() const;
    [[nodiscard]] UINT Index() const;

    [[nodiscard]] const char* Tag() const;
    [[nodiscard]] std::wstring TagString() const;

    [[nodiscard]] const wchar_t* Attribute(const char* name) const;
    [[nodiscard]] std::wstring AttributeString(const char* name) const;
    // The decimal value of a present, non-empty attribute, else the default.
    [[nodiscard]] int AttributeInt(const char* name, int defaultValue) const;
    [[nodiscard]] bool HasAttribute(const char* name) const;
    void SetAttribute(const char* name, const wchar_t* value) const;
    [[nodiscard]] const wchar_t* StyleAttribute(const char* name) const;

    [[nodiscard]] std::wstring Text() const;
    void SetText(const std::wstring& text) const;
    [[nodiscard]] std::string Html(HtmlPart part) const;
    // Without bytes the element's text is emptied instead.
    void SetHtml(const BYTE* bytes, UINT length, UINT where) const;
    // The content as HTML text; the engine's UTF-8 stays at this edge.
    [[nodiscard]] std::wstring InnerHtml() const;
    void SetInnerHtml(const std::wstring& html) const;

    [[nodiscard]] UINT State() const;
    [[nodiscard]] bool TestState(UINT bits) const;
    void SetState(UINT bitsToSet, UINT bitsToClear, Repaint repaint) const;
    // Takes the page's focus (keys go to it); the window's own focus is the caller's.
    void SetFocus() const { SetState(HL_STATE_FOCUS, 0, Repaint::Yes); }
    void Update(Relayout relayout) const;

    [[nodiscard]] HWND Window() const;
    [[nodiscard]] RECT Location(UINT areas) const;

    void Insert(const ElementRef& child, UINT index) const;
    void Delete() const;
    void ScrollToView() const;

    [[nodiscard]] UINT ControlType() const;
    [[nodiscard]] FieldValue Value() const;
    void SetValue(const FieldValue& value) const;

private:
    HELEMENT m_element = nullptr;
};
