#include "JsonWrite.h"

#include <nlohmann/json.hpp>

namespace korvel {

std::string JsonQuote(std::string_view s) {
    return nlohmann::json(std::string(s)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace korvel
