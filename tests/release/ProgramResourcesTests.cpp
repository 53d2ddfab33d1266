// What Windows reads from Gatewarden.exe before any of its code runs, and what Explorer shows in
// its properties: the manifest and the version resource, read back from the shipped file with
// the system's own resource functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ProgramBesideTests()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring tests = path;
    return tests.substr(0, tests.rfind(L'\\') + 1) + L"Gatewarden.exe";
}

std::string Manifest(const std::wstring& exe)
{
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        return {};
    std::string text;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        if (HGLOBAL loaded = LoadResource(module, found))
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0)
        return {};
    return static_cast<const wchar_t*>(value);
}

} // namespace

TEST(ProgramResources, ManifestAsksForPerMonitorDpiControlsSixAndNoElevation)
{
    const std::string manifest = Manifest(ProgramBesideTests());
    ASSERT_FALSE(manifest.empty());
    const char* const wanted[] = {
        // Per-monitor (v2) where Windows has it, the system's DPI before.
        ">PerMonitorV2, System</dpiAwareness>",
        ">true</dpiAware>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "level=\"asInvoker\"",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    for (const char* text : wanted)
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
    // The older store format is read with the system's ANSI code page, which UTF-8 would replace.
    EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);
}

TEST(ProgramResources, VersionResourceNamesTheProductVersionAndCopyright)
{
    const std::wstring exe = ProgramBesideTests();
    DWORD handle = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(exe.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(2, 2));
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Gatewarden");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.2.0");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"2.2.0");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Gatewarden proxy switcher");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"Gatewarden.exe");
    // The About window's line.
    EXPECT_EQ(VersionString(info, L"LegalCopyright"), L"(c) 2004-2009 KELM Software. All rights reserved.");
}
