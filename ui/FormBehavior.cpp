#include "ui/FormBehavior.h"

#include "ui/ElementRef.h"
#include "ui/FormValues.h"
#include "ui/HtmlDialog.h"

#include <cwchar>
#include <string>

namespace {

std::wstring ValueText(const FieldValue& value)
{
    switch (value.GetTag()) {
    case FieldValue::Tag::Undefined: return L"{undefined}";
    case FieldValue::Tag::Bool: return value.AsBool() ? L"true" : L"false";
    case FieldValue::Tag::Int: return std::to_wstring(value.AsInt());
    case FieldValue::Tag::String: return value.AsString();
    }
    return {};
}

// "name=value" strings each ended by a NUL, the list by another NUL. A NUL inside a value would
// end the list early and send the rest as a name of its own, so the text stops there.
std::wstring RequestParams(const FieldMap& values)
{
    std::wstring params;
    for (const auto& [name, value] : values) {
        std::wstring pair = name + L"=" + ValueText(value);
        params.append(pair.c_str());
        params.push_back(L'\0');
    }
    params.push_back(L'\0');
    return params;
}

// Shown when a submission got no page back, so that the user is not left guessing.
std::string FailurePage(UINT status)
{
    return "<html><head><title>Form not sent</title></head><body style='padding:12px'>"
           "<p>The form could not be sent (error " +
           std::to_string(status) +
           ").</p><p style='text-align:right'><button name=ok role=default-button>OK</button></p></body></html>";
}

// One form element's handler: the values the form opened with. It deletes itself when the engine
// detaches it (the element leaves its page or the page ends).
class FormHandler : public EventHandler {
protected:
    bool OnAttached(HELEMENT form) override
    {
        m_initial.Clear();
        FormValues::Collect(ElementRef(form), m_initial);
        return false;
    }

    bool OnDetached(HELEMENT) override
    {
        delete this;
        return false;
    }

    bool OnEvent(HELEMENT form, HtmlBehaviorEventParams& params) override
    {
        if (params.cmd != HL_BUTTON_CLICK)
            return false;
        const wchar_t* type = ElementRef(params.heTarget).Attribute("type");
        if (type == nullptr)
            return false;
        if (_wcsicmp(type, L"reset") == 0) {
            FormValues::Set(ElementRef(form), m_initial);
            return true;
        }
        if (_wcsicmp(type, L"submit") == 0) {
            Submit(ElementRef(form));
            return true;
        }
        return false;
    }

    bool OnDataArrived(HELEMENT form, HtmlDataArrivedParams& params) override
    {
        if (params.dataType != HL_DATA_HTML || params.initiator != form)
            return false;
        const HWND window = ElementRef(form).Window();
        if (window == nullptr)
            return true;
        HtmlDialog dialog(window);
        if (params.data != nullptr && params.dataSize > 0) {
            // The engine's bytes last for this call only, which the modal loop outlives.
            const std::string page(reinterpret_cast<const char*>(params.data), params.dataSize);
            dialog.Show(reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size()));
        } else if (params.status != 0) {
            const std::string page = FailurePage(params.status);
            dialog.Show(reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size()));
        }
        // The dialog's loop may have ended the page and this handler with it: touch nothing now.
        return true;
    }

private:
    static void Submit(const ElementRef& form)
    {
        const wchar_t* action = form.Attribute("action");
        if (action == nullptr || action[0] == 0)
            return;
        const std::wstring url = action;
        const wchar_t* method = form.Attribute("method");
        const UINT type = method != nullptr && _wcsicmp(method, L"post") == 0 ? HL_HTTP_POST : HL_HTTP_GET;
        FieldMap values;
        FormValues::Collect(form, values);
        const std::wstring params = RequestParams(values);
        static_cast<void>(HTMLayoutHttpRequest(form.Handle(), url.c_str(), HL_DATA_HTML, type, params.c_str()));
    }

    FieldMap m_initial;
};

} // namespace

EventHandler* FormBehavior::HandlerFor(HELEMENT)
{
    return new FormHandler();
}
