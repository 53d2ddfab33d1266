#pragma once
// An SMTP server of the test's own on 127.0.0.1: it accepts one client and plays a script, one
// step per client line, recording both sides of the conversation.
#include "mail/SocketHandle.h"
#include "mail/WinsockSession.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A socket listening on 127.0.0.1 at a port the system picks.
[[nodiscard]] KEMail::SocketHandle ListenOnLoopback(std::uint16_t& port);

enum class StepAction {
    Reply,   // read the client's line (none for the greeting), then send the reply
    Silent,  // read the line, send nothing, and wait until the client closes
    Close,   // read nothing more and close the connection
    Stream,  // read the line, send the reply, then Late over and over until the client goes away
};

struct ServerStep {
    ServerStep(std::string reply, StepAction action = StepAction::Reply, std::string late = {},
               std::chrono::milliseconds lateDelay = {})
        : Reply(std::move(reply)), Action(action), Late(std::move(late)), LateDelay(lateDelay)
    {
    }

    std::string Reply;
    StepAction Action = StepAction::Reply;
    std::string Late;  // sent after LateDelay, as a second piece of the same reply; a Stream step repeats it
    std::chrono::milliseconds LateDelay{0};
};

class ScriptedSmtpServer {
public:
    explicit ScriptedSmtpServer(std::vector<ServerStep> script);
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return m_port; }
    // Waits for the conversation to end: "S: ..." and "C: ..." lines, one per line sent, with
    // the message after DATA recorded as "C: <message>".
    [[nodiscard]] std::string Transcript();
    // The bytes received after a 354 reply, up to and including the final ".".
    [[nodiscard]] std::string Data();

private:
    void Run();
    bool ReadLine(SOCKET client, std::string& line);
    bool ReadData(SOCKET client);
    bool ReadUntil(SOCKET client, const std::string& terminator, std::string& text);
    void SendReply(SOCKET client, const std::string& reply);
    void Stream(SOCKET client, const std::string& piece);
    enum class Ready { ToRead, ToWrite };
    bool Wait(SOCKET socket, Ready ready = Ready::ToRead);
    void Join();

    KEMail::WinsockSession m_winsock;
    std::uint16_t m_port = 0;  // before the listener, which sets it
    KEMail::SocketHandle m_listener;
    std::vector<ServerStep> m_script;
    std::vector<std::string> m_transcript;
    std::string m_pending;
    std::string m_data;
    std::thread m_thread;
};
