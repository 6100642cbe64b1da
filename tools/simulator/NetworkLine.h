// The device behind a serial server: a TCP port whose one client at a time is the far end of the
// line. A client that comes while another is connected is turned away, as serial servers do.
#pragma once

#include "Line.h"
#include "Log.h"

class NetworkLine : public Line {
public:
    // address: HOST:PORT; port 0 takes any free port, which Describe() then names.
    NetworkLine(const std::string& address, Log& log);
    ~NetworkLine() override;
    NetworkLine(const NetworkLine&) = delete;
    NetworkLine& operator=(const NetworkLine&) = delete;

    std::string Describe() const override { return "tcp:" + name_ + " (one client at a time)"; }
    ReadResult Read(int timeoutMs, std::vector<std::uint8_t>* bytes) override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;

private:
    bool Listen(const std::string& host, const std::string& port);
    ReadResult TakeClient();
    void DropClient();

    Log& log_;
    std::string name_;  // the address listened on, HOST:PORT
    int listener_ = -1;
    int client_ = -1;
    std::string clientName_;
};
