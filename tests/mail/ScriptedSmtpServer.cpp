#include "ScriptedSmtpServer.h"

#include <winsock2.h>

namespace {

// No step waits longer than this for the client, so that a broken client cannot hang a test.
constexpr long kPatienceSeconds = 5;
// A streaming step stops by itself after this long or this much, whatever the client does. The
// time comes first (a client reading 1 KiB at a time takes in well under 100 MB a second), so a
// client that never gives up is still held well past its time-out.
constexpr auto kStreamLimit = std::chrono::seconds(kPatienceSeconds);
constexpr std::size_t kMaxStreamedBytes = std::size_t{1} << 30;
constexpr std::size_t kStreamBlockBytes = 64 * 1024;

}  // namespace

KEMail::SocketHandle ListenOnLoopback(std::uint16_t& port)
{
    KEMail::SocketHandle listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    listen(listener.Get(), 1);
    return listener;
}

ScriptedSmtpServer::ScriptedSmtpServer(std::vector<ServerStep> script)
    : m_listener(ListenOnLoopback(m_port)), m_script(std::move(script))
{
    m_thread = std::thread([this] { Run(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer()
{
    Join();
}

std::string ScriptedSmtpServer::Transcript()
{
    Join();
    std::string text;
    for (const std::string& line : m_transcript)
        text += line + "\n";
    return text;
}

std::string ScriptedSmtpServer::Data()
{
    Join();
    return m_data;
}

void ScriptedSmtpServer::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ScriptedSmtpServer::Wait(SOCKET socket, Ready ready)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval patience{kPatienceSeconds, 0};
    fd_set* readable = ready == Ready::ToRead ? &set : nullptr;
    fd_set* writable = ready == Ready::ToWrite ? &set : nullptr;
    return select(0, readable, writable, nullptr, &patience) > 0;
}

void ScriptedSmtpServer::Run()
{
    if (!Wait(m_listener.Get()))
        return;
    KEMail::SocketHandle client(accept(m_listener.Get(), nullptr, nullptr));
    bool dataNext = false;
    for (std::size_t i = 0; i < m_script.size(); ++i) {
        const ServerStep& step = m_script[i];
        if (step.Action == StepAction::Close)
            return;
        if (dataNext) {
            if (!ReadData(client.Get()))
                return;
        } else if (i > 0) {
            std::string line;
            if (!ReadLine(client.Get(), line))
                return;
            m_transcript.push_back("C: " + line);
        }
        if (step.Action == StepAction::Silent)
            break;
        SendReply(client.Get(), step.Reply);
        if (step.Action == StepAction::Stream) {
            Stream(client.Get(), step.Late);
            break;
        }
        if (!step.Late.empty()) {
            std::this_thread::sleep_for(step.LateDelay);
            SendReply(client.Get(), step.Late);
        }
        dataNext = step.Reply.rfind("354", 0) == 0;
    }
    // Whatever the client still says is part of the transcript, until it closes.
    for (std::string line; ReadLine(client.Get(), line);)
        m_transcript.push_back("C: " + line);
}

void ScriptedSmtpServer::SendReply(SOCKET client, const std::string& reply)
{
    send(client, reply.data(), static_cast<int>(reply.size()), 0);
    std::size_t start = 0;
    while (start < reply.size()) {
        std::size_t end = reply.find('\n', start);
        if (end == std::string::npos)
            end = reply.size();
        std::string line = reply.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_transcript.push_back("S: " + line);
        start = end + 1;
    }
}

void ScriptedSmtpServer::Stream(SOCKET client, const std::string& piece)
{
    // Sent in large blocks, so that input is always waiting for a client that reads in small ones.
    std::string block;
    while (block.size() < kStreamBlockBytes)
        block += piece;
    const auto end = std::chrono::steady_clock::now() + kStreamLimit;
    for (std::size_t sent = 0; sent < kMaxStreamedBytes && std::chrono::steady_clock::now() < end;) {
        if (!Wait(client, Ready::ToWrite))
            return;
        const int done = send(client, block.data(), static_cast<int>(block.size()), 0);
        if (done <= 0)
            return;
        sent += static_cast<std::size_t>(done);
    }
}

bool ScriptedSmtpServer::ReadLine(SOCKET client, std::string& line)
{
    if (!ReadUntil(client, "\r\n", line))
        return false;
    line.resize(line.size() - 2);
    return true;
}

bool ScriptedSmtpServer::ReadData(SOCKET client)
{
    if (!ReadUntil(client, "\r\n.\r\n", m_data))
        return false;
    m_transcript.push_back("C: <message>");
    return true;
}

bool ScriptedSmtpServer::ReadUntil(SOCKET client, const std::string& terminator, std::string& text)
{
    for (;;) {
        const std::size_t end = m_pending.find(terminator);
        if (end != std::string::npos) {
            text = m_pending.substr(0, end + terminator.size());
            m_pending.erase(0, end + terminator.size());
            return true;
        }
        char buffer[4096];
        if (!Wait(client))
            return false;
        const int received = recv(client, buffer, sizeof buffer, 0);
        if (received <= 0)
            return false;
        m_pending.append(buffer, static_cast<std::size_t>(received));
    }
}
