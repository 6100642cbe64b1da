// A listening socket for the API or the raw port, with the system's longest queue of connections
// waiting to be accepted, and its port kept to itself.
#pragma once

#include <optional>
#include <string>

#include "Asio.h"
#include "BridgeOptions.h"

// nullopt with *error set ("127.0.0.1:8080 is in use by another program", or the system's reason).
std::optional<tcp::acceptor> Listen(asio::io_context& io, const ListenAddress& address, std::string* error);
// HOST:PORT as a URL has it, an IPv6 address in brackets.
std::string AddressText(const std::string& host, unsigned short port);
