// The one asynchronous engine of the bridge: Boost.Asio for sockets and timers, Boost.Beast for
// HTTP. Beast's WebSocket half is not used: it needs std::mutex, which the Windows toolchain lacks.
#pragma once

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
