#include "ui/CommonControls.h"

#include "base/SystemLibrary.h"

namespace {

struct Functions {
    decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;
    decltype(&::ImageList_GetIconSize) ImageListGetIconSize = nullptr;
    decltype(&::ImageList_Draw) ImageListDraw = nullptr;
};

const Functions& Loaded()
{
    // The library stays loaded to the end of the process: its windows may outlive any owner here.
    static const Functions functions = [] {
        Functions found;
        HMODULE module = LoadLibraryW(L"comctl32.dll");
        if (module == nullptr)
            return found;
        SystemLibrary::Find(module, "InitCommonControlsEx", found.InitCommonControlsEx);
        SystemLibrary::Find(module, "ImageList_GetIconSize", found.ImageListGetIconSize);
        SystemLibrary::Find(module, "ImageList_Draw", found.ImageListDraw);
        return found;
    }();
    return functions;
}

} // namespace

namespace CommonControls {

bool Register(DWORD classes)
{
    const auto function = Loaded().InitCommonControlsEx;
    INITCOMMONCONTROLSEX controls{sizeof(controls), classes};
    return function != nullptr && function(&controls);
}

BOOL ImageListGetIconSize(HIMAGELIST list, int* width, int* height)
{
    const auto function = Loaded().ImageListGetIconSize;
    return function != nullptr && function(list, width, height);
}

BOOL ImageListDraw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style)
{
    const auto function = Loaded().ImageListDraw;
    return function != nullptr && function(list, index, dc, x, y, style);
}

} // namespace CommonControls
