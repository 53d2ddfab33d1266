#pragma once
#include "engine/HTMLayout.h"

#include <string_view>

// Pages, style sheets and pictures for engine windows, from the resources of the program (or of
// a module named in the URL). Pages are of type RT_HTML; pictures are named after their file
// ("activate.png" is the resource ACTIVATE of type PNG).
class ResourceLoader {
public:
    // Results to the engine's load-data notification.
    static constexpr LRESULT kAnswered = 0;  // answered, or left to the engine
    static constexpr LRESULT kDiscard = 1;

    // A resource's bytes: true only when it was found, loaded and is not empty. module null: the
    // program's own.
    [[nodiscard]] static bool Find(const wchar_t* name, const wchar_t* type, const BYTE*& bytes, DWORD& length,
                                   HMODULE module = nullptr);

    // A host window's loader: "res:" prefix, "module/name.type", types by extension.
    static LRESULT AnswerHost(HWND window, const HtmlNotifyLoadData& request);
    // A modal dialog's loader: "name.type" in the program's own resources only; always answers 0.
    static LRESULT AnswerDialog(HWND window, const HtmlNotifyLoadData& request);

private:
    // Finds "name.type" (the type after the last dot; none or "HTML" is RT_HTML) in the module and
    // hands it to the engine under the URL. kAnswered when it was not there, kDiscard when it was
    // there but could not be read.
    static LRESULT Serve(HWND window, HMODULE module, std::wstring_view resource, const wchar_t* url);
};
