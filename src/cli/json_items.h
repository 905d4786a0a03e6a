// The store as one JSON document, every record field under its own name.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

class WaveStore;

// Item ids as scripts see them: "0x80000001".
std::string HexId(std::uint32_t id);

nlohmann::ordered_json ItemsJson(const WaveStore& store);
