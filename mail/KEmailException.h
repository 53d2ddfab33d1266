#pragma once
#include <exception>
#include <string>

namespace KEMail {

// The one error type of the mail library; the crash report shows its wide message to the user.
class KEmailException : public std::exception {
public:
    explicit KEmailException(std::wstring message);

    [[nodiscard]] const std::wstring& Message() const noexcept { return m_message; }
    [[nodiscard]] const char* what() const noexcept override { return m_narrow.c_str(); }

private:
    std::wstring m_message;
    std::string m_narrow;
};

}  // namespace KEMail
