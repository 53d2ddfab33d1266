#include "mail/KEmailException.h"

#include "mail/TextConversion.h"

namespace KEMail {

KEmailException::KEmailException(std::wstring message) : m_message(std::move(message)), m_narrow(ToAnsi(m_message))
{
}

}  // namespace KEMail
