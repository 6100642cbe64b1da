#include "Access.h"

#include <algorithm>
#include <cctype>

#include <boost/algorithm/string/predicate.hpp>

namespace {

std::string Lower(beast::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// Equal texts of the same length take the same time to compare whatever their first difference;
// every byte counts, a NUL included.
bool SameText(beast::string_view given, const std::string& expected) {
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

bool IsPort(beast::string_view text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    return std::stoul(std::string(text)) <= 65535;
}

bool IsAddress(const std::string& name) {
    boost::system::error_code error;
    asio::ip::make_address(name, error);
    return !error;
}

// The name of a Host header, "NAME", "NAME:PORT", "[V6]" or "[V6]:PORT"; empty when it is none.
std::string HostName(beast::string_view host) {
    beast::string_view name = host, rest;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == beast::string_view::npos)
            return {};
        name = host.substr(1, close - 1);
        rest = host.substr(close + 1);
    } else if (const std::size_t colon = host.find(':'); colon != beast::string_view::npos) {
        name = host.substr(0, colon);
        rest = host.substr(colon);
    }
    if (!rest.empty() && (rest.front() != ':' || !IsPort(rest.substr(1))))
        return {};
    return Lower(name);
}

}  // namespace

Access::Access(const BridgeOptions& options) : listenHost_(Lower(options.listen.host)), token_(options.token) {
    boost::system::error_code error;
    const asio::ip::address address = asio::ip::make_address(options.listen.host, error);
    listensEverywhere_ = !error && address.is_unspecified();
    for (const std::string& name : options.hostNames)
        hostNames_.push_back(Lower(name));
}

bool Access::HostAllowed(beast::string_view host) const { return NameAllowed(HostName(host)); }

bool Access::NameAllowed(const std::string& name) const {
    if (name.empty())
        return false;
    return IsLoopbackHost(name) || name == listenHost_ ||
           std::find(hostNames_.begin(), hostNames_.end(), name) != hostNames_.end() ||
           (listensEverywhere_ && IsAddress(name));
}

bool Access::FromAnotherSite(const Request& request) const {
    const std::string here = "http://" + Lower(request[http::field::host]);
    if (request.count(http::field::origin))
        return Lower(request[http::field::origin]) != here;
    if (request.count(http::field::referer)) {
        const std::string referer = Lower(request[http::field::referer]);
        return referer != here && !boost::algorithm::starts_with(referer, here + "/");
    }
    const auto site = request.find("Sec-Fetch-Site");
    return site != request.end() && site->value() != "same-origin" && site->value() != "none";
}

bool Access::TokenGiven(const Request& request, const std::string& given) const {
    if (token_.empty())
        return true;
    return SameText(request[http::field::authorization], "Bearer " + token_) || SameText(given, token_);
}
