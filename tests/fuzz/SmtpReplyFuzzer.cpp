// SMTP server replies fed to the client through a scripted connection on a clock of its own. The
// input's front is what the server sends: batches parted by a backslash and another character,
// the first at once, each further one once a command has been sent. Its end decides how fast
// bytes come (pieces of what size, how long each takes) and whether a silent server closes or
// stays silent. Whatever the server does, the client ends the exchange (with the message sent or
// an exception) and never waits past the deadlines its time-out gives.
#include "FuzzCheck.h"
#include "mail/KEmailException.h"
#include "mail/SmtpClient.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>

using namespace KEMail;

namespace {

constexpr std::chrono::milliseconds kTimeout{1000};


constexpr std::chrono::milliseconds kSlowestPiece{300};
constexpr std::chrono::milliseconds kLateWake{50};

struct Script {
    FuzzedDataProvider Input;
    SmtpTransport::Clock::time_point Now{};
    std::string Arrived;  // sent by the server, not yet read
    int Commands = 0;
};

class ScriptedTransport final : public SmtpTransport {
public:
    explicit ScriptedTransport(Script& script) : m_script(script) { Answer(); }

    [[nodiscard]] Clock::time_point Now() override { return m_script.Now; }
    [[nodiscard]] bool WaitReadable(Clock::time_point deadline) override
    {
        if (!m_script.Arrived.empty() || m_closed)
            return true;
        if (m_script.Input.ConsumeBool()) {
            m_closed = true;
            return true;
        }
        // Silence until the deadline, and the wait ends a little late, as a system's may.
        m_script.Now = std::max(m_script.Now, deadline) +
                       std::chrono::milliseconds(m_script.Input.ConsumeIntegralInRange<int>(0, kLateWake.count()));
        return false;
    }
    [[nodiscard]] bool WaitWritable(Clock::time_point deadline) override { return m_script.Now < deadline; }
    [[nodiscard]] int Receive(char* buffer, int count) override
    {
        FuzzCheck(count > 0, "the client asks for at least one byte");
        m_script.Now += std::chrono::milliseconds(m_script.Input.ConsumeIntegralInRange<int>(0, kSlowestPiece.count()));
        const std::size_t piece = std::min({m_script.Input.ConsumeIntegralInRange<std::size_t>(1, 1024),
                                            static_cast<std::size_t>(count), m_script.Arrived.size()});
        std::memcpy(buffer, m_script.Arrived.data(), piece);
        m_script.Arrived.erase(0, piece);
        return static_cast<int>(piece);
    }
    [[nodiscard]] int Send(const char* bytes, int count) override
    {
        FuzzCheck(count > 0 && bytes != nullptr, "the client sends something");
        if (bytes[count - 1] == '\n') {
            ++m_script.Commands;
            Answer();
        }
        return count;
    }
    [[nodiscard]] std::wstring LocalAddressLiteral() override { return L"[192.0.2.1]"; }
    void Shutdown() override {}

private:
    void Answer() { m_script.Arrived += m_script.Input.ConsumeRandomLengthString(4096); }

    Script& m_script;
    bool m_closed = false;
};

class ScriptedConnector final : public SmtpConnector {
public:
    explicit ScriptedConnector(Script& script) : m_script(script) {}
    [[nodiscard]] std::unique_ptr<SmtpTransport> Connect(const std::wstring&, std::uint16_t,
                                                         std::chrono::milliseconds) override
    {
        return std::make_unique<ScriptedTransport>(m_script);
    }

private:
    Script& m_script;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Script script{FuzzedDataProvider(data, size)};
    MailMessage message(MailTime{2024, 3, 5, 1, 12, 0, 0, 0}, 0);
    message.SetBoundary(L"KEmailPart_00C0FFEE");
    message.SetFrom(L"crash@example.test");
    message.AddTo(L"Support", L"support@example.test");
    message.AddCc(L"", L"ops@example.test");
    message.SetSubject(L"Report");
    message.SetTextBody(L"Line one\r\n.\r\nLine three");
    message.AddAttachment("abc", 3, L"a.bin");
    {
        SmtpClient client(std::make_unique<ScriptedConnector>(script));
        client.SetTimeout(kTimeout);
        try {
            client.Send(&message, L"mail.test", 25, L"user", L"secret");
        } catch (const KEmailException&) {
        }
    }
    // The greeting and each command wait at most one time-out, and one slow piece or late wake.
    const auto spent = script.Now - SmtpTransport::Clock::time_point{};
    FuzzCheck(spent <= (script.Commands + 1) * (kTimeout + kSlowestPiece + kLateWake), "no wait outlasts its deadline");
    return 0;
}
