// The crash files written in-process for synthetic exceptions: where they go, and the report's
// elements and attributes in their order.
#include "crash/CrashFiles.h"
#include "crash/CrashGuard.h"
#include "crash/CrashReport.h"
#include "crash/crash.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Each element of the saved document as "Name a1 a2 ..." (attribute names in order), and the
// values by "Element.Attribute" of the first element of that name.
struct SavedReport {
    std::vector<std::string> Shape;
    std::map<std::string, std::string> Values;
};

SavedReport ReadReport(const std::wstring& path)
{
    const std::string xml = TempFolder::ReadBytes(path);
    SavedReport report;
    const std::regex element(R"re(<(\w+)((?:\s+\w+="[^"]*")*)\s*/?>)re"), attribute(R"re((\w+)="([^"]*)")re");
    for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it) {
        std::string shape = (*it)[1].str();
        const std::string attributes = (*it)[2].str();
        for (std::sregex_iterator a(attributes.begin(), attributes.end(), attribute); a != end; ++a) {
            shape.append(1, ' ').append((*a)[1].str());
            report.Values.emplace((*it)[1].str() + "." + (*a)[1].str(), (*a)[2].str());
        }
        report.Shape.push_back(shape);
    }
    return report;
}

class CrashFilesTest : public testing::Test {
protected:
    TempFolder m_folder;
    ScopedEnvironmentVariable m_temp{L"TEMP", m_folder.Path().c_str()};
};

} // namespace

TEST(CrashNames, NameCodesArchitecturesAndLevels)
{
    const struct {
        DWORD Code;
        const wchar_t* Name;
    } exceptions[] = {{0xC0000005, L"EXCEPTION_ACCESS_VIOLATION"},  {0x80000001, L"EXCEPTION_GUARD_PAGE"},
                      {0xC00000FD, L"EXCEPTION_STACK_OVERFLOW"},     {0xC0000094, L"EXCEPTION_INT_DIVIDE_BY_ZERO"},
                      {0xC000008C, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED"}, {0xE06D7363, L"EXCEPTION_UNKNOWN"},
                      {0, L"EXCEPTION_UNKNOWN"}};
    for (const auto& e : exceptions)
        EXPECT_STREQ(ExceptionDescription(e.Code), e.Name) << std::hex << e.Code;
    const struct {
        WORD Number;
        const wchar_t* Name;
    } architectures[] = {{0, L"PROCESSOR_ARCHITECTURE_INTEL"},  {6, L"PROCESSOR_ARCHITECTURE_IA64"},
                         {7, L"PROCESSOR_ARCHITECTURE_ALPHA64"}, {9, L"PROCESSOR_ARCHITECTURE_AMD64"},
                         {12, L"PROCESSOR_ARCHITECTURE_ARM64"}, {0xFFFF, L"PROCESSOR_ARCHITECTURE_UNKNOWN"},
                         {8, L"Unknown"},                        {13, L"Unknown"}};
    for (const auto& a : architectures)
        EXPECT_STREQ(ArchitectureName(a.Number), a.Name) << a.Number;
    const struct {
        WORD Level;
        const wchar_t* Name;
    } levels[] = {{2, L"Unknown"},          {3, L"Intel 30386"},       {4, L"Intel 80486"},
                  {5, L"Intel Pentium"},    {6, L"Intel Pentium Pro or Pentium II"},
                  {7, L"Intel Pentium III"}, {14, L"Intel Pentium III"}, {15, L"Intel Pentium IV"},
                  {16, L"Unknown"}};
    for (const auto& l : levels)
        EXPECT_STREQ(IntelProcessorName(l.Level), l.Name) << l.Level;
}

TEST(CrashGuard, LetsOneCrashThroughAndKnowsItsOwnThread)
{
    CrashGuard guard;
    EXPECT_EQ(guard.Enter(7), CrashEntry::First);
    EXPECT_EQ(guard.Enter(7), CrashEntry::Reentered);
    EXPECT_EQ(guard.Enter(8), CrashEntry::OtherThread);
}

TEST_F(CrashFilesTest, PathsAreTempAndTheRunningExecutablesName)
{
    wchar_t path[kCrashPathLength];
    ASSERT_TRUE(CrashFilePath(L".dmp", path));
    EXPECT_EQ(std::wstring(path), m_folder.File(L"CrashTests.exe.dmp"));
    {
        ScopedEnvironmentVariable unset(L"TEMP", nullptr);
        ASSERT_TRUE(CrashFilePath(L".xml", path));
        EXPECT_EQ(std::wstring(path), L"\\CrashTests.exe.xml");
    }
    ScopedEnvironmentVariable overlong(L"TEMP", std::wstring(300, L'x').c_str());
    EXPECT_FALSE(CrashFilePath(L".dmp", path));
}

TEST_F(CrashFilesTest, DumpListsTheModulesAndTheReportDescribesTheException)
{
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    EXCEPTION_POINTERS pointers{&record, &context};
    EXPECT_EQ(WriteCrashDump(&pointers), m_folder.File(L"CrashTests.exe.dmp"));

    std::vector<std::wstring> modules;
    for (const CrashModule* m = CrashModuleList(); m != nullptr; m = m->Next)
        modules.push_back(m->FullPath);
    ASSERT_GE(modules.size(), 3u);
    EXPECT_NE(modules[0].find(L"CrashTests.exe"), std::wstring::npos);
    EXPECT_NE(std::find_if(modules.begin(), modules.end(),
                           [](const std::wstring& m) { return m.find(L"ntdll.dll") != std::wstring::npos; }),
              modules.end());

    const struct {
        DWORD Code;
        ULONG_PTR Address;
        const char *CodeText, *Description, *AddressText;
    } cases[] = {
        {0xC0000005, 0, "0xc0000005", "EXCEPTION_ACCESS_VIOLATION", "0"},
        {0xC0000094, 0x401000, "0xc0000094", "EXCEPTION_INT_DIVIDE_BY_ZERO", "0x401000"},
        {0xE06D7363, 0x7FF612345678, "0xe06d7363", "EXCEPTION_UNKNOWN", "0x7ff612345678"},
    };
    for (const auto& c : cases) {
        record.ExceptionCode = c.Code;
        record.ExceptionAddress = reinterpret_cast<void*>(c.Address);
        ASSERT_EQ(WriteCrashReport(&pointers), m_folder.File(L"CrashTests.exe.xml"));
        const SavedReport report = ReadReport(m_folder.File(L"CrashTests.exe.xml"));
        EXPECT_EQ(report.Values.at("ExceptionRecord.ExceptionCode"), c.CodeText);
        EXPECT_EQ(report.Values.at("ExceptionRecord.ExceptionDescription"), c.Description);
        EXPECT_EQ(report.Values.at("ExceptionRecord.ExceptionAddress"), c.AddressText);
    }

    const SavedReport report = ReadReport(m_folder.File(L"CrashTests.exe.xml"));
    std::vector<std::string> expected = {
        "Exception",
        "ExceptionRecord ModuleName ExceptionCode ExceptionDescription ExceptionAddress",
        "Processor Architecture Level NumberOfProcessors",
        "OperatingSystem MajorVersion MinorVersion BuildNumber CSDVersion",
        "Modules",
    };
    expected.insert(expected.end(), modules.size(), "Module FullPath BaseAddress Size TimeStamp FileVersion ProductVersion");
    EXPECT_EQ(report.Shape, expected);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(report.Values.at("ExceptionRecord.ModuleName"), Narrow(self));
    EXPECT_EQ(report.Values.at("Module.FullPath"), Narrow(modules[0]));
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    EXPECT_EQ(report.Values.at("Processor.NumberOfProcessors"), std::to_string(system.dwNumberOfProcessors));
    EXPECT_EQ(report.Values.at("Processor.Architecture"), "PROCESSOR_ARCHITECTURE_AMD64");
    const std::regex hex8("0x[0-9a-f]{8}"), time(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"), version(R"(\d+\.\d+\.\d+\.\d+)");
    EXPECT_TRUE(std::regex_match(report.Values.at("Module.BaseAddress"), hex8));
    EXPECT_TRUE(std::regex_match(report.Values.at("Module.Size"), hex8));
    EXPECT_TRUE(std::regex_match(report.Values.at("Module.TimeStamp"), time));
    EXPECT_NE(report.Values.at("Module.TimeStamp"), "01/01/1601 00:00:00");
    EXPECT_TRUE(std::regex_match(report.Values.at("Module.FileVersion"), version));

    // Without exception pointers there is no record; the rest stays.
    ASSERT_FALSE(WriteCrashReport(nullptr).empty());
    const SavedReport bare = ReadReport(m_folder.File(L"CrashTests.exe.xml"));
    ASSERT_GE(bare.Shape.size(), 2u);
    EXPECT_EQ(bare.Shape[1], expected[2]);
}
