#pragma once

// Reading curling-match records (JSON Lines) in the planner's tools.

#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

// Calls `visit` with each entry of the record at `path`, in order, until it
// returns false. A line that is not JSON (a record cut short) is skipped.
// False when the file cannot be read (the reason written, after `tool`) or
// when `visit` stopped.
inline bool for_each_entry(const std::string& path, const std::string& tool,
                           const std::function<bool(const nlohmann::json&)>& visit) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << tool << ": cannot read " << path << "\n";
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (!entry.is_discarded() && !visit(entry)) {
            return false;
        }
    }
    return true;
}

// The number (1 or 2) under which a "match" entry lists the player `name`;
// 0 when it lists none of that name.
inline int player_number(const nlohmann::json& match, const std::string& name) {
    int number = 0;
    const nlohmann::json& players = match.at("players");
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (players[i].value("name", "") == name) {
            number = static_cast<int>(i) + 1;
        }
    }
    return number;
}
