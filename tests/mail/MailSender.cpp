// Sends one message with the files named on the command line attached, through the SMTP server
// on 127.0.0.1 at the given port: the Windows side of the test with a real mail server.
#include "mail/KEmailException.h"
#include "mail/SmtpClient.h"
#include "mail/TextConversion.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: MailSender <port> <recipient> [file...]\n");
        return 2;
    }
    KEMail::MailMessage message;
    message.SetSubject(L"Gatewarden crash report");
    message.SetFrom(L"crash@gatewarden.test", L"Gatewarden");
    message.AddTo(L"Support", KEMail::FromAnsi(argv[2]));
    message.SetTextBody(L"The report files are attached.\r\n.\r\nEnd of report.\r\n");
    for (int i = 3; i < argc; ++i) {
        if (!message.AttachFile(KEMail::FromAnsi(argv[i]))) {
            std::fprintf(stderr, "cannot attach %s\n", argv[i]);
            return 1;
        }
    }
    try {
        KEMail::SmtpClient client;
        client.SetTimeout(std::chrono::seconds(20));
        if (!client.Send(&message, L"127.0.0.1", static_cast<std::uint16_t>(std::atoi(argv[1])), L"", L""))
            return 1;
        std::printf("sent: %s\n", KEMail::ToAnsi(client.LastResponse()).c_str());
    } catch (const KEMail::KEmailException& e) {
        std::fprintf(stderr, "send failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
