#pragma once

// Reading curling-match records (JSON Lines) in the planner's tools.

#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "match/records/record_reader.h"

namespace planner {

// Calls `visit` with the record's header and then each line of its whole
// games (the one reader of records: match/README.md), in the order written,
// until it returns false. What the reader leaves out (a line cut short, a
// game not finished or not consistent) is said on the error stream, after
// `tool`. False when the file cannot be read (the reason written) or when
// `visit` stopped.
inline bool for_each_entry(const std::string& path, const std::string& tool,
                           const std::function<bool(const nlohmann::json&)>& visit) {
    records::Record record;
    if (auto error = records::read_record_file(path, record, records::ReadOptions{true})) {
        std::cerr << tool << ": " << *error << "\n";
        return false;
    }
    for (const records::Dropped& dropped : record.dropped) {
        std::cerr << tool << ": " << path << ": " << records::dropped_text(dropped) << "\n";
    }
    if (!visit(record.header.json)) {
        return false;
    }
    for (const std::string* line : records::lines_in_written_order(record.games)) {
        if (!visit(nlohmann::json::parse(*line))) {
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

}  // namespace planner
