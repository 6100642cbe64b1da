// The device behind a serial server: a TCP port whose one client at a time is the far end of the
// line. While a client is connected the port does not listen, so another is refused, as a serial
// server with one client per port refuses it.
#pragma once

#include <sys/socket.h>

#include "Line.h"
#include "Log.h"
#include "tools/core/TcpAddress.h"

class NetworkLine : public Line {
public:
    // Port 0 takes any free port, which Describe() then names.
    NetworkLine(const TcpAddress& address, Log& log);
    ~NetworkLine() override;
    NetworkLine(const NetworkLine&) = delete;
    NetworkLine& operator=(const NetworkLine&) = delete;

    std::string Describe() const override { return "tcp:" + name_ + " (one client at a time)"; }
    ReadResult Read(int timeoutMs, std::vector<std::uint8_t>* bytes) override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;

private:
    bool Resolve(const std::string& host, const std::string& port);
    bool Listen();
    ReadResult TakeClient();
    ReadResult AcceptFailed(int error);
    void DropClient();

    Log& log_;
    sockaddr_storage address_{};  // listened on; the port is the one bound first
    socklen_t addressLength_ = 0;
    std::string name_;   // the same as HOST:PORT
    int listener_ = -1;  // -1 while a client is connected
    int client_ = -1;
    std::string clientName_;
    bool acceptFailing_ = false;  // said once in the log, not at every retry
};
