#include "Responses.h"

namespace {

Response Secured(http::status status, std::string contentType, std::string body) {
    Response response{status, 11};
    response.set(http::field::server, "quorvex-bridge");
    response.set(http::field::content_type, contentType);
    response.set("Content-Security-Policy", "frame-ancestors 'none'");
    response.set("X-Frame-Options", "DENY");
    response.set("X-Content-Type-Options", "nosniff");
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

}  // namespace

Response JsonResponse(http::status status, const nlohmann::json& body) {
    // Replaced, not thrown on: a name echoed back may be any bytes.
    Response response =
        Secured(status, "application/json", body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    response.set(http::field::cache_control, "no-store");
    return response;
}

Response ErrorResponse(http::status status, const std::string& message) {
    return JsonResponse(status, {{"error", message}});
}

Response AssetResponse(const PanelAsset& asset) {
    Response response = Secured(http::status::ok, asset.contentType,
                                std::string(reinterpret_cast<const char*>(asset.data), asset.size));
    response.set(http::field::cache_control, "no-cache");
    return response;
}
