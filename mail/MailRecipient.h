#pragma once
#include <string>

namespace KEMail {

struct MailRecipient {
    std::wstring Name;  // may be empty
    std::wstring Address;
};

}  // namespace KEMail
