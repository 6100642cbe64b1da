// The bridge's answers as HTTP responses: JSON, errors as {"error": ...}, the panel's files. Every
// answer forbids framing by another site's page and sniffing of its type.
#pragma once

#include <nlohmann/json.hpp>

#include "Asio.h"
#include "PanelAssets.h"

using Response = http::response<http::string_body>;

Response JsonResponse(http::status status, const nlohmann::json& body);
Response ErrorResponse(http::status status, const std::string& message);
Response AssetResponse(const PanelAsset& asset);
