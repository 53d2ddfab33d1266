// The main window's place and the start-with-Windows entry in Wine's real registry.
#include "app/RegistrySettings.h"
#include "app/WindowPlace.h"

#include <gtest/gtest.h>

#include <climits>
#include <cwctype>
#include <optional>
#include <string>

namespace {

const wchar_t kRectValue[] = L"GatewardenTestWindow";
const wchar_t kRunValue[] = L"GatewardenTest";

void SetValue(const wchar_t* keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                             nullptr));
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void DeleteValue(const wchar_t* keyPath, const wchar_t* name)
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath, name);
}

std::wstring ReadString(const wchar_t* keyPath, const wchar_t* name)
{
    wchar_t text[600] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    RegGetValueW(HKEY_CURRENT_USER, keyPath, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

std::wstring Executable()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

void SetRunString(const std::wstring& text)
{
    SetValue(RegistrySettings::kRunKey, kRunValue, REG_SZ, text.c_str(),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

} // namespace

TEST(RegistrySettingsTest, StoredPlaceIsUsedOnlyWhenSaneAndComesOntoTheNearestWorkArea)
{
    // A 1280x1024 monitor with a taskbar at its foot, and a smaller one to its right, top-aligned.
    const std::vector<WindowPlace::Monitor> monitors = {
        {{0, 0, 1280, 1024}, {0, 0, 1280, 984}},
        {{1280, 0, 2304, 768}, {1280, 0, 2304, 768}},
    };
    // The rule's own input, as the monitors above are: no window on screen is measured here.
    const SIZE smallestAllowed{300, 200};
    struct Case {
        const char* What;
        LONG Stored[4];
        std::optional<RECT> Place;
    };
    const Case cases[] = {
        {"on the first monitor", {40, 50, 440, 350}, RECT{40, 50, 440, 350}},
        {"on the second monitor", {1400, 100, 1900, 500}, RECT{1400, 100, 1900, 500}},
        {"across both, mostly shown", {1000, 100, 1500, 500}, RECT{1000, 100, 1500, 500}},
        {"wider than a monitor, within the desktop", {0, 0, 2000, 900}, RECT{0, 0, 2000, 900}},
        {"minimised leftover", {-32000, -32000, -31840, -31972}, std::nullopt},
        {"below the minimum", {0, 0, 299, 400}, std::nullopt},
        {"inverted", {500, 500, 100, 100}, std::nullopt},
        {"empty", {100, 100, 100, 100}, std::nullopt},
        {"larger than the desktop", {-1000000000, -1000000000, 1000000000, 1000000000}, std::nullopt},
        {"taller than the desktop", {0, 0, 400, 1100}, std::nullopt},
        {"the widest values", {LONG_MIN, LONG_MIN, LONG_MAX, LONG_MAX}, std::nullopt},
        {"inverted, 400 wide in 32 bits", {LONG_MAX, 0, LONG_MAX - 4294966896LL, 300}, std::nullopt},
        {"on no monitor", {9000, 7000, 9400, 7300}, RECT{1904, 468, 2304, 768}},
        {"in the gap below the second", {1500, 800, 1900, 1000}, RECT{1500, 568, 1900, 768}},
        {"caption above the top", {100, -50, 500, 350}, RECT{100, 0, 500, 400}},
        {"mostly past the left edge", {-350, 100, 50, 400}, RECT{0, 100, 400, 400}},
        {"mostly below the work area", {100, 900, 500, 1200}, RECT{100, 684, 500, 984}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::optional<RECT> place = WindowPlace::Usable(c.Stored, smallestAllowed, monitors);
        ASSERT_EQ(place.has_value(), c.Place.has_value());
        if (!place)
            continue;
        EXPECT_EQ(std::vector<LONG>({place->left, place->top, place->right, place->bottom}),
                  std::vector<LONG>({c.Place->left, c.Place->top, c.Place->right, c.Place->bottom}));
    }
}

TEST(RegistrySettingsTest, WindowRectIsRestoredOnlyFromSixteenBinaryBytesAndOntoAScreen)
{
    const LONG onScreen[4] = {40, 50, 440, 350};
    const LONG offScreen[4] = {9000, 7000, 9300, 7200};
    const LONG inverted[4] = {440, 350, 40, 50};
    const LONG shortValue[3] = {1, 2, 3};
    const DWORD number = 5;
    struct Case {
        const char* What;
        DWORD Type;
        const void* Data;
        DWORD Size;
        RECT Expected;  // left -1: the window stays where it was
    };
    const Case cases[] = {
        {"none", REG_NONE, nullptr, 0, {-1, 0, 0, 0}},
        {"another type", REG_DWORD, &number, sizeof(number), {-1, 0, 0, 0}},
        {"too short", REG_BINARY, shortValue, sizeof(shortValue), {-1, 0, 0, 0}},
        {"on a screen", REG_BINARY, onScreen, sizeof(onScreen), {40, 50, 440, 350}},
        {"inverted", REG_BINARY, inverted, sizeof(inverted), {-1, 0, 0, 0}},
        {"on no screen", REG_BINARY, offScreen, sizeof(offScreen), {0, 0, 300, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        DeleteValue(RegistrySettings::kSettingsKey, kRectValue);
        if (c.Data != nullptr)
            SetValue(RegistrySettings::kSettingsKey, kRectValue, c.Type, c.Data, c.Size);
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 10, 20, 200, 100, nullptr, nullptr, nullptr, nullptr);
        RegistrySettings::RestoreWindowRect(kRectValue, window);
        RECT at{};
        GetWindowRect(window, &at);
        DestroyWindow(window);
        if (c.Expected.left == -1) {
            EXPECT_EQ((RECT{10, 20, 210, 120}.left), at.left);
            EXPECT_EQ(120, at.bottom);
        } else if (c.Data == offScreen) {
            // The same size, on the nearest work area.
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            EXPECT_EQ(300, at.right - at.left);
            EXPECT_EQ(200, at.bottom - at.top);
            EXPECT_LE(at.right, work.right);
            EXPECT_LE(at.bottom, work.bottom);
            EXPECT_GE(at.left, work.left);
        } else {
            EXPECT_EQ(c.Expected.left, at.left);
            EXPECT_EQ(c.Expected.bottom, at.bottom);
        }
    }
    // Minimised, the window's normal place is what it comes back to.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 33, 44, 150, 90, nullptr, nullptr, nullptr,
                                  nullptr);
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(window));
    RegistrySettings::SaveWindowRect(kRectValue, window);
    DestroyWindow(window);
    LONG saved[4] = {};
    DWORD size = sizeof(saved);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, RegistrySettings::kSettingsKey, kRectValue,
                                          RRF_RT_REG_BINARY, nullptr, saved, &size));
    EXPECT_EQ(16u, size);
    EXPECT_EQ(33, saved[0]);
    EXPECT_EQ(134, saved[3]);
    DeleteValue(RegistrySettings::kSettingsKey, kRectValue);
}

TEST(RegistrySettingsTest, RunEntryIsTheQuotedPathAndOnlyThisExactPathReadsAsSet)
{
    const std::wstring exe = Executable();
    std::wstring otherCase = exe;
    for (wchar_t& c : otherCase)
        c = static_cast<wchar_t>(std::towupper(c));
    ASSERT_NE(exe, otherCase);
    struct Case {
        std::wstring Stored;
        bool Set;
    };
    const Case cases[] = {
        {L"\"" + exe + L"\" /s", true},
        {exe + L" /s", true},  // written before the path was quoted
        {L"\"C:\\Old Place\\Gatewarden.exe\" /s", false},  // the executable moved since
        {L"\"" + otherCase + L"\" /s", false},
        {L"\"" + exe + L"x\" /s", false},
        {L"", false},
    };
    for (const Case& c : cases) {
        SetRunString(c.Stored);
        EXPECT_EQ(c.Set, RegistrySettings::IsRunAtStartup(kRunValue)) << std::string(c.Stored.begin(), c.Stored.end());
    }
    // A toggle after a move writes the new path under the same name.
    SetRunString(L"\"C:\\Old Place\\Gatewarden.exe\" /s");
    RegistrySettings::AddRunAtStartup(kRunValue);
    EXPECT_EQ(L"\"" + exe + L"\" /s", ReadString(RegistrySettings::kRunKey, kRunValue));
    EXPECT_TRUE(RegistrySettings::IsRunAtStartup(kRunValue));
    RegistrySettings::RemoveRunAtStartup(kRunValue);
    EXPECT_FALSE(RegistrySettings::IsRunAtStartup(kRunValue));
}
