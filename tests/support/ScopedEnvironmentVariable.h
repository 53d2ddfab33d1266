#pragma once
// An environment variable of this process set (or, given null, removed) for a scope and put back
// as it was at its end.
#include <windows.h>

#include <string>

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : m_name(name)
    {
        wchar_t old[32767];
        const DWORD length = GetEnvironmentVariableW(name, old, 32767);
        m_had = length != 0 && length < 32767;
        m_old.assign(old, m_had ? length : 0);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironmentVariable() { SetEnvironmentVariableW(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
    std::wstring m_old;
    bool m_had = false;
};
