#pragma once
#include <cstdint>

// Where crash reports go: chosen when the program is built (see the README), the same for every run.
struct ReportChannel {
    const wchar_t* SmtpHost;
    std::uint16_t SmtpPort;
    const wchar_t* Mailbox;   // also the login name
    const wchar_t* Mailbox2;
    const wchar_t* Sender;    // for reports whose user gave no address
    const wchar_t* Password;
};

[[nodiscard]] const ReportChannel& TheReportChannel();
