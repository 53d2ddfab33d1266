#include "engine/platform/gdi/VisualStyle.h"

#include "base/SystemLibrary.h"

#include <uxtheme.h>
#include <vssym32.h>


namespace Engine {

namespace {

struct Functions {
    decltype(&::IsThemeActive) IsThemeActive = nullptr;
    decltype(&::OpenThemeData) OpenThemeData = nullptr;
    decltype(&::DrawThemeBackground) DrawThemeBackground = nullptr;
    decltype(&::CloseThemeData) CloseThemeData = nullptr;
};

const Functions& Loaded()
{
    static const Functions functions =
        SystemLibrary::Table<Functions>(L"uxtheme.dll", [](HMODULE module, Functions& found) {
            SystemLibrary::Find(module, "IsThemeActive", found.IsThemeActive);
            SystemLibrary::Find(module, "OpenThemeData", found.OpenThemeData);
            SystemLibrary::Find(module, "DrawThemeBackground", found.DrawThemeBackground);
            SystemLibrary::Find(module, "CloseThemeData", found.CloseThemeData);
            if (!found.OpenThemeData || !found.DrawThemeBackground || !found.CloseThemeData)
                found.IsThemeActive = nullptr;
        });
    return functions;
}

} // namespace

bool DrawStyledCheck(HDC dc, bool radio, int look, const RECT& area)
{
    const Functions& theme = Loaded();
    if (theme.IsThemeActive == nullptr || !theme.IsThemeActive())
        return false;
    HTHEME data = theme.OpenThemeData(nullptr, L"BUTTON");
    if (data == nullptr)
        return false;
    theme.DrawThemeBackground(data, dc, radio ? BP_RADIOBUTTON : BP_CHECKBOX, look, &area, nullptr);
    theme.CloseThemeData(data);
    return true;
}

} // namespace Engine
