#include "Listener.h"

#include "BridgePlatform.h"

std::string AddressText(const std::string& host, unsigned short port) {
    const std::string shown = host.find(':') == std::string::npos ? host : "[" + host + "]";
    return shown + ":" + std::to_string(port);
}

std::optional<tcp::acceptor> Listen(asio::io_context& io, const ListenAddress& address, std::string* error) {
    const std::string where = AddressText(address.host, static_cast<unsigned short>(address.port));
    boost::system::error_code failure;
    tcp::resolver resolver(io);
    const auto found = resolver.resolve(address.host, std::to_string(address.port),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, failure);
    if (failure || found.empty()) {
        *error = "cannot listen on " + where + ": there is no such address here";
        return std::nullopt;
    }
    const tcp::endpoint endpoint = found.begin()->endpoint();
    tcp::acceptor acceptor(io);
    acceptor.open(endpoint.protocol(), failure);
    if (!failure)
        KeepPortToItself(acceptor, failure);
    if (!failure)
        acceptor.bind(endpoint, failure);
    if (!failure)
        acceptor.listen(asio::socket_base::max_listen_connections, failure);
    if (failure == asio::error::address_in_use)
        *error = where + " is in use by another program";
    else if (failure)
        *error = "cannot listen on " + where + ": " + failure.message();
    if (failure)
        return std::nullopt;
    return acceptor;
}
