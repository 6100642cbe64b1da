// The little of the WebSocket protocol the bridge speaks: the handshake's accept key, its own
// unmasked text frames, and the client's masked frames taken apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Sec-WebSocket-Accept for a client's Sec-WebSocket-Key.
std::string WebSocketAccept(const std::string& key);

enum class WebSocketOpcode : std::uint8_t { Continuation = 0, Text = 1, Binary = 2, Close = 8, Ping = 9, Pong = 10 };

// A frame from the server: never masked.
std::string ServerFrame(WebSocketOpcode opcode, const std::string& payload);

struct ClientFrame {
    WebSocketOpcode opcode;
    std::string payload;  // unmasked
};

// The first whole frame of `input`, taken out of it; nullopt while more bytes are needed, or with
// *bad set for a frame a client must not send (unmasked, or longer than `longest`).
std::optional<ClientFrame> TakeClientFrame(std::string& input, std::size_t longest, bool* bad);
