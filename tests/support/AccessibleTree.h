#pragma once
// What a window shows to accessibility tools, read from outside as a screen reader or a UI test
// tool reads it: the tree of IAccessible objects below the window's client area. End-to-end
// tests find what they click and read by role and name here, never by pixel places.
#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

struct AccessibleItem {
    long Role = 0;
    std::wstring Name;
    std::wstring Value;
    long State = 0;
    RECT Box{};  // on the screen
    int Depth = 0;
    std::wstring Action;

    // A point of the item in the window's client coordinates: its centre, or near its right end
    // (inside an input, where no text reaches).
    [[nodiscard]] POINT Centre(HWND window) const
    {
        POINT at{(Box.left + Box.right) / 2, (Box.top + Box.bottom) / 2};
        ScreenToClient(window, &at);
        return at;
    }
    [[nodiscard]] POINT RightEnd(HWND window) const
    {
        POINT at{Box.right - 4, (Box.top + Box.bottom) / 2};
        ScreenToClient(window, &at);
        return at;
    }
};

class AccessibleTree {
public:
    // Each call crosses into the program: a tree read only to find places reads no more.
    enum class Reading { Everything, RolesNamesAndPlaces };

    // Reads the whole tree below the window's client area, depth first (empty when the window
    // answers with none).
    explicit AccessibleTree(HWND window, Reading reading = Reading::Everything, int maxDepth = 64)
        : m_reading(reading), m_maxDepth(maxDepth)
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IAccessible* root = nullptr;
        if (SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&root))) &&
            root != nullptr) {
            Walk(root, 0);
            root->Release();
        }
        if (SUCCEEDED(com))
            CoUninitialize();
    }

    [[nodiscard]] const std::vector<AccessibleItem>& Items() const { return m_items; }

    // The role and name of the element that a WinEvent names, read back as a screen reader reads
    // them (from a hook's callback); none when the window does not give it.
    [[nodiscard]] static std::optional<AccessibleItem> FromEvent(HWND window, LONG object, LONG child)
    {
        IAccessible* accessible = nullptr;
        VARIANT self;
        VariantInit(&self);
        if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &accessible,
                                             &self)))
            return std::nullopt;
        AccessibleItem item;
        VARIANT role;
        VariantInit(&role);
        if (SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4)
            item.Role = role.lVal;
        BSTR name = nullptr;
        if (SUCCEEDED(accessible->get_accName(self, &name)))
            item.Name = Take(name);
        accessible->Release();
        return item;
    }

    // The first item of the role with this name (any name when null).
    [[nodiscard]] std::optional<AccessibleItem> Find(long role, const wchar_t* name = nullptr, int nth = 0) const
    {
        for (const AccessibleItem& item : m_items) {
            if (item.Role == role && (name == nullptr || item.Name == name) && nth-- == 0)
                return item;
        }
        return std::nullopt;
    }
    [[nodiscard]] std::vector<AccessibleItem> All(long role) const
    {
        std::vector<AccessibleItem> found;
        for (const AccessibleItem& item : m_items) {
            if (item.Role == role)
                found.push_back(item);
        }
        return found;
    }

private:
    static std::wstring Take(BSTR text)
    {
        std::wstring out = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
        SysFreeString(text);
        return out;
    }

    void Walk(IAccessible* object, int depth)
    {
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        AccessibleItem item;
        item.Depth = depth;
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4)
            item.Role = value.lVal;
        VariantClear(&value);
        BSTR text = nullptr;
        if (SUCCEEDED(object->get_accName(self, &text)))
            item.Name = Take(text);
        if (m_reading == Reading::Everything) {
            if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4)
                item.State = value.lVal;
            VariantClear(&value);
            text = nullptr;
            if (SUCCEEDED(object->get_accValue(self, &text)))
                item.Value = Take(text);
            text = nullptr;
            if (SUCCEEDED(object->get_accDefaultAction(self, &text)))
                item.Action = Take(text);
        }
        long left = 0, top = 0, width = 0, height = 0;
        if (SUCCEEDED(object->accLocation(&left, &top, &width, &height, self)))
            item.Box = RECT{left, top, left + width, top + height};
        m_items.push_back(item);
        long count = 0;
        if (depth >= m_maxDepth || FAILED(object->get_accChildCount(&count)))
            return;
        for (long i = 1; i <= count; ++i) {
            VARIANT index;
            VariantInit(&index);
            index.vt = VT_I4;
            index.lVal = i;
            IDispatch* child = nullptr;
            if (object->get_accChild(index, &child) != S_OK || child == nullptr)
                continue;
            IAccessible* accessible = nullptr;
            if (SUCCEEDED(child->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible)))) {
                Walk(accessible, depth + 1);
                accessible->Release();
            }
            child->Release();
        }
    }

    Reading m_reading;
    int m_maxDepth;
    std::vector<AccessibleItem> m_items;
};
