// The far end of a virtual null-modem cable, opened as the COM port it is mapped to: what the
// device would see on the line, and what it could send back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

class PeerPort {
public:
    explicit PeerPort(int comNumber);
    ~PeerPort();
    PeerPort(const PeerPort&) = delete;
    PeerPort& operator=(const PeerPort&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Write(const Bytes& bytes) const;
    // Reads until `count` bytes have arrived or the time is up; returns what arrived. Both reads
    // answer this thread's messages while they wait.
    Bytes Read(size_t count, DWORD timeoutMs) const;
    // Everything that arrives within the quiet time after the last byte.
    Bytes ReadUntilQuiet(DWORD quietMs) const;
    void Discard() const;
    // Bytes written here that have not left yet: on a paced cable, what waits in this end's transmit
    // queue (kept by the writing process, this one). 0 if it cannot be read.
    DWORD Unsent() const;
    // The modem-status lines this end reads (MS_DSR_ON, MS_CTS_ON, MS_RLSD_ON): on a null-modem
    // cable, the other end's DTR (as DSR and DCD) and RTS (as CTS). 0 if they cannot be read.
    DWORD ModemStatus() const;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

Bytes Frame(const char* code);
std::string Hex(const Bytes& bytes);
