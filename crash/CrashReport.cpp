// The XML report: what the exception was, the processor, the system and every loaded module,
// as attributes of a document built with the system's XML DOM and saved beside the dump.
#include "crash/CrashReport.h"

#include "base/UniqueHandle.h"
#include "crash/CrashFiles.h"
#include "crash/crash.h"
#include "diag/AppFolders.h"

#include <objbase.h>
#include <oleauto.h>
#include <msxml.h>

#include <cstdio>
#include <string>

namespace {

// The version-independent DOM document of msxml, and its interface.
constexpr CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

struct CodeName {
    DWORD Code;
    const wchar_t* Name;
};

constexpr CodeName kExceptions[] = {
    {0x80000001, L"EXCEPTION_GUARD_PAGE"},
    {0x80000002, L"EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000003, L"EXCEPTION_BREAKPOINT"},
    {0x80000004, L"EXCEPTION_SINGLE_STEP"},
    {0xC0000005, L"EXCEPTION_ACCESS_VIOLATION"},
    {0xC0000006, L"EXCEPTION_IN_PAGE_ERROR"},
    {0xC0000008, L"EXCEPTION_INVALID_HANDLE"},
    {0xC000001D, L"EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xC0000025, L"EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, L"EXCEPTION_INVALID_DISPOSITION"},
    {0xC000008C, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, L"EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xC000008E, L"EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, L"EXCEPTION_FLT_INEXACT_RESULT"},
    {0xC0000090, L"EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091, L"EXCEPTION_FLT_OVERFLOW"},
    {0xC0000092, L"EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093, L"EXCEPTION_FLT_UNDERFLOW"},
    {0xC0000094, L"EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095, L"EXCEPTION_INT_OVERFLOW"},
    {0xC0000096, L"EXCEPTION_PRIV_INSTRUCTION"},
    {0xC00000FD, L"EXCEPTION_STACK_OVERFLOW"},
};

// The program is 64-bit: its own architecture (9) and ARM64's are named too.
constexpr CodeName kArchitectures[] = {
    {0, L"PROCESSOR_ARCHITECTURE_INTEL"},   {1, L"PROCESSOR_ARCHITECTURE_MIPS"},
    {2, L"PROCESSOR_ARCHITECTURE_ALPHA"},   {3, L"PROCESSOR_ARCHITECTURE_PPC"},
    {4, L"PROCESSOR_ARCHITECTURE_SHX"},     {5, L"PROCESSOR_ARCHITECTURE_ARM"},
    {6, L"PROCESSOR_ARCHITECTURE_IA64"},    {7, L"PROCESSOR_ARCHITECTURE_ALPHA64"},
    {9, L"PROCESSOR_ARCHITECTURE_AMD64"},   {10, L"PROCESSOR_ARCHITECTURE_IA32_ON_WIN64"},
    {12, L"PROCESSOR_ARCHITECTURE_ARM64"},  {0xFFFF, L"PROCESSOR_ARCHITECTURE_UNKNOWN"},
};

template <std::size_t N>
const wchar_t* NameOf(const CodeName (&table)[N], DWORD code, const wchar_t* other)
{
    for (const CodeName& entry : table) {
        if (entry.Code == code)
            return entry.Name;
    }
    return other;
}

template <typename Interface>
struct ComTraits {
    using Type = Interface*;
    static Type Empty() { return nullptr; }
    static bool Holds(Type object) { return object != nullptr; }
    static void Close(Type object) { object->Release(); }
};
template <typename Interface>
using ComRef = UniqueHandle<ComTraits<Interface>>;

struct BstrTraits {
    using Type = BSTR;
    static Type Empty() { return nullptr; }
    static bool Holds(Type text) { return text != nullptr; }
    static void Close(Type text) { SysFreeString(text); }
};
using Bstr = UniqueHandle<BstrTraits>;

Bstr MakeBstr(const wchar_t* text)
{
    return Bstr(SysAllocString(text));
}

std::wstring Format(const wchar_t* format, auto... values)
{
    wchar_t text[64] = {};
    std::swprintf(text, 64, format, values...);
    return text;
}

// Builds one element at a time; the first failure stops the report.
class ReportBuilder {
public:
    explicit ReportBuilder(IXMLDOMDocument* document) : m_document(document) {}

    bool Start(const wchar_t* name, IXMLDOMElement** element)
    {
        return SUCCEEDED(m_document->createElement(MakeBstr(name).Get(), element)) && *element != nullptr;
    }
    static void Set(IXMLDOMElement* element, const wchar_t* name, const std::wstring& text)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        element->setAttribute(MakeBstr(name).Get(), value);
        VariantClear(&value);
    }
    static void Set(IXMLDOMElement* element, const wchar_t* name, long number)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = number;
        element->setAttribute(MakeBstr(name).Get(), value);
    }
    static bool Append(IXMLDOMNode* parent, IXMLDOMElement* child)
    {
        ComRef<IXMLDOMNode> added;
        return SUCCEEDED(parent->appendChild(child, added.Put()));
    }

private:
    IXMLDOMDocument* m_document;
};

std::wstring VersionText(DWORD mostSignificant, DWORD leastSignificant)
{
    return Format(L"%d.%d.%d.%d", HIWORD(mostSignificant), LOWORD(mostSignificant), HIWORD(leastSignificant),
                  LOWORD(leastSignificant));
}

std::wstring TimeStampText(const wchar_t* path)
{
    const std::uint64_t local = GetFileLocalWriteTime(path);
    FILETIME time{static_cast<DWORD>(local), static_cast<DWORD>(local >> 32)};
    SYSTEMTIME parts{};
    FileTimeToSystemTime(&time, &parts);
    return Format(L"%02u/%02u/%04u %02u:%02u:%02u", parts.wMonth, parts.wDay, parts.wYear, parts.wHour, parts.wMinute,
                  parts.wSecond);
}

RTL_OSVERSIONINFOW ThisWindows()
{
    // GetVersionEx reports 6.2 to every program without a compatibility manifest.
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const FARPROC query = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (query != nullptr)
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)()>(query))(&info);
    return info;
}

bool AppendExceptionRecord(ReportBuilder& builder, IXMLDOMElement* root, const EXCEPTION_RECORD& record)
{
    ComRef<IXMLDOMElement> element;
    if (!builder.Start(L"ExceptionRecord", element.Put()))
        return false;
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    ReportBuilder::Set(element.Get(), L"ModuleName", module);
    ReportBuilder::Set(element.Get(), L"ExceptionCode", Format(L"%#x", record.ExceptionCode));
    ReportBuilder::Set(element.Get(), L"ExceptionDescription", ExceptionDescription(record.ExceptionCode));
    // The whole address: a 64-bit program's code lies above 4 GB.
    ReportBuilder::Set(element.Get(), L"ExceptionAddress",
                       Format(L"%#llx", static_cast<unsigned long long>(
                                            reinterpret_cast<std::uintptr_t>(record.ExceptionAddress))));
    return ReportBuilder::Append(root, element.Get());
}

bool AppendProcessor(ReportBuilder& builder, IXMLDOMElement* root)
{
    ComRef<IXMLDOMElement> element;
    if (!builder.Start(L"Processor", element.Put()))
        return false;
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const WORD architecture = system.wProcessorArchitecture;
    ReportBuilder::Set(element.Get(), L"Architecture", ArchitectureName(architecture));
    // The level names Intel's processors; for other architectures it is the level's number.
    ReportBuilder::Set(element.Get(), L"Level",
                       architecture == PROCESSOR_ARCHITECTURE_INTEL || architecture == PROCESSOR_ARCHITECTURE_AMD64
                           ? std::wstring(IntelProcessorName(system.wProcessorLevel))
                           : std::to_wstring(system.wProcessorLevel));
    ReportBuilder::Set(element.Get(), L"NumberOfProcessors", static_cast<long>(system.dwNumberOfProcessors));
    return ReportBuilder::Append(root, element.Get());
}

bool AppendOperatingSystem(ReportBuilder& builder, IXMLDOMElement* root)
{
    ComRef<IXMLDOMElement> element;
    if (!builder.Start(L"OperatingSystem", element.Put()))
        return false;
    const RTL_OSVERSIONINFOW windows = ThisWindows();
    ReportBuilder::Set(element.Get(), L"MajorVersion", static_cast<long>(windows.dwMajorVersion));
    ReportBuilder::Set(element.Get(), L"MinorVersion", static_cast<long>(windows.dwMinorVersion));
    ReportBuilder::Set(element.Get(), L"BuildNumber", static_cast<long>(windows.dwBuildNumber));
    ReportBuilder::Set(element.Get(), L"CSDVersion", windows.szCSDVersion);
    return ReportBuilder::Append(root, element.Get());
}

bool AppendModules(ReportBuilder& builder, IXMLDOMElement* root)
{
    ComRef<IXMLDOMElement> modules;
    if (!builder.Start(L"Modules", modules.Put()))
        return false;
    for (const CrashModule* entry = CrashModuleList(); entry != nullptr; entry = entry->Next) {
        ComRef<IXMLDOMElement> module;
        if (!builder.Start(L"Module", module.Put()))
            return false;
        ReportBuilder::Set(module.Get(), L"FullPath", entry->FullPath);
        ReportBuilder::Set(module.Get(), L"BaseAddress",
                           Format(L"0x%08x", static_cast<unsigned>(entry->BaseOfImage & 0xFFFFFFFFu)));
        ReportBuilder::Set(module.Get(), L"Size", Format(L"0x%08x", static_cast<unsigned>(entry->SizeOfImage)));
        ReportBuilder::Set(module.Get(), L"TimeStamp", TimeStampText(entry->FullPath));
        const VS_FIXEDFILEINFO& version = entry->VersionInfo;
        ReportBuilder::Set(module.Get(), L"FileVersion", VersionText(version.dwFileVersionMS, version.dwFileVersionLS));
        ReportBuilder::Set(module.Get(), L"ProductVersion",
                           VersionText(version.dwProductVersionMS, version.dwProductVersionLS));
        if (!ReportBuilder::Append(modules.Get(), module.Get()))
            return false;
    }
    return ReportBuilder::Append(root, modules.Get());
}

} // namespace

const wchar_t* ExceptionDescription(DWORD code)
{
    return NameOf(kExceptions, code, L"EXCEPTION_UNKNOWN");
}

const wchar_t* ArchitectureName(WORD architecture)
{
    return NameOf(kArchitectures, architecture, L"Unknown");
}

const wchar_t* IntelProcessorName(WORD level)
{
    switch (level) {
    case 3: return L"Intel 30386";
    case 4: return L"Intel 80486";
    case 5: return L"Intel Pentium";
    case 6: return L"Intel Pentium Pro or Pentium II";
    case 15: return L"Intel Pentium IV";
    default: return level >= 7 && level <= 14 ? L"Intel Pentium III" : L"Unknown";
    }
}

std::wstring WriteCrashReport(EXCEPTION_POINTERS* pointers)
{
    const ComScope com(COINIT_APARTMENTTHREADED);
    ComRef<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface,
                                reinterpret_cast<void**>(document.Put()))) ||
        document.Get() == nullptr)
        return {};
    ReportBuilder builder(document.Get());
    ComRef<IXMLDOMElement> root;
    if (!builder.Start(L"Exception", root.Put()))
        return {};
    if (pointers != nullptr && pointers->ExceptionRecord != nullptr &&
        !AppendExceptionRecord(builder, root.Get(), *pointers->ExceptionRecord))
        return {};
    if (!AppendProcessor(builder, root.Get()) || !AppendOperatingSystem(builder, root.Get()) ||
        !AppendModules(builder, root.Get()) || !ReportBuilder::Append(document.Get(), root.Get()))
        return {};

    wchar_t path[kCrashPathLength] = {};
    if (!CrashFilePath(L".xml", path))
        return {};
    VARIANT destination;
    VariantInit(&destination);
    destination.vt = VT_BSTR;
    destination.bstrVal = SysAllocString(path);
    document.Get()->save(destination);
    VariantClear(&destination);
    return path;
}
