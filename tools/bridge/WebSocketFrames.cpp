#include "WebSocketFrames.h"

#include <array>

namespace {

std::uint32_t RotateLeft(std::uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

std::array<std::uint8_t, 20> Sha1(const std::string& text) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string message = text + '\x80';
    while (message.size() % 64 != 56)
        message += '\0';
    const std::uint64_t bits = static_cast<std::uint64_t>(text.size()) * 8;
    for (int shift = 56; shift >= 0; shift -= 8)
        message += static_cast<char>((bits >> shift) & 0xFF);
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::uint32_t w[80];
        const auto byte = [&](std::size_t at) {
            return static_cast<std::uint32_t>(static_cast<std::uint8_t>(message[block + at]));
        };
        for (std::size_t i = 0; i < 16; ++i)
            w[i] = byte(i * 4) << 24 | byte(i * 4 + 1) << 16 | byte(i * 4 + 2) << 8 | byte(i * 4 + 3);
        for (int i = 16; i < 80; ++i)
            w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            std::uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const std::uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = RotateLeft(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<std::uint8_t, 20> digest{};
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

std::string Base64(const std::uint8_t* bytes, std::size_t size) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < size; i += 3) {
        const std::uint32_t group =
            bytes[i] << 16 | (i + 1 < size ? bytes[i + 1] << 8 : 0) | (i + 2 < size ? bytes[i + 2] : 0);
        text += kDigits[(group >> 18) & 63];
        text += kDigits[(group >> 12) & 63];
        text += i + 1 < size ? kDigits[(group >> 6) & 63] : '=';
        text += i + 2 < size ? kDigits[group & 63] : '=';
    }
    return text;
}

}  // namespace

std::string WebSocketAccept(const std::string& key) {
    const auto digest = Sha1(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11");
    return Base64(digest.data(), digest.size());
}

std::string ServerFrame(WebSocketOpcode opcode, const std::string& payload) {
    std::string frame(1, static_cast<char>(0x80 | static_cast<std::uint8_t>(opcode)));
    const std::uint64_t size = payload.size();
    if (size < 126) {
        frame += static_cast<char>(size);
    } else if (size <= 0xFFFF) {
        frame += static_cast<char>(126);
        frame += static_cast<char>(size >> 8);
        frame += static_cast<char>(size & 0xFF);
    } else {
        frame += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>((size >> shift) & 0xFF);
    }
    return frame + payload;
}

std::optional<ClientFrame> TakeClientFrame(std::string& input, std::size_t longest, bool* bad) {
    const auto byte = [&input](std::size_t i) { return static_cast<std::uint8_t>(input[i]); };
    if (input.size() < 2)
        return std::nullopt;
    if (!(byte(1) & 0x80)) {
        *bad = true;
        return std::nullopt;
    }
    std::uint64_t size = byte(1) & 0x7F;
    std::size_t at = 2;
    const std::size_t lengthBytes = size == 126 ? 2 : size == 127 ? 8 : 0;
    if (input.size() < at + lengthBytes)
        return std::nullopt;
    if (lengthBytes) {
        size = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i)
            size = size << 8 | byte(at + i);
        at += lengthBytes;
    }
    if (size > longest) {
        *bad = true;
        return std::nullopt;
    }
    if (input.size() < at + 4 + size)
        return std::nullopt;
    ClientFrame frame{static_cast<WebSocketOpcode>(byte(0) & 0x0F), input.substr(at + 4, size)};
    for (std::size_t i = 0; i < frame.payload.size(); ++i)
        frame.payload[i] = static_cast<char>(frame.payload[i] ^ input[at + i % 4]);
    input.erase(0, at + 4 + size);
    return frame;
}
