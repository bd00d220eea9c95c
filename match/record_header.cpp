#include "record_header.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "build_commit.h"
#include "game_rules.h"
#include "match/records/free_guard_zone.h"
#include "match_options.h"

namespace runner {

#ifndef CURLING_VERSION
#define CURLING_VERSION "unknown"
#endif

nlohmann::json match_header(const MatchOptions& options, std::uint64_t seed, const std::string& simulator) {
    nlohmann::json header = {
        {"type", "match"},
        {"version", CURLING_VERSION},
        {"build", build_commit()},
        {"players",
         {{{"name", options.names[0]}, {"command", options.player_commands[0]}},
          {{"name", options.names[1]}, {"command", options.player_commands[1]}}}},
        {"games", options.games},
        {"ends", options.ends},
        {"clock_ms", options.clock_ms},
        {"spread", options.spread},
        {"seed", seed},
        {"concurrency", options.concurrency},
        {"ready_timeout_ms", options.ready_timeout_ms},
        {"simulator", simulator},
        {"shard", {{"index", options.shard.index}, {"count", options.shard.count}}}};
    if (const auto checksum = library_checksum(simulator)) {
        header["simulator_checksum"] = *checksum;
    }
    // Written only for a match under the rule: a match without it has the
    // header of every record made before the rule, and merges with them.
    if (options.rule != CURLING_RULE_NONE) {
        header["rule"] = records::rule_name(options.rule);
    }
    if (options.sprt) {
        header["sprt"] = {{"elo0", options.sprt->elo0},
                          {"elo1", options.sprt->elo1},
                          {"alpha", options.sprt->alpha},
                          {"beta", options.sprt->beta}};
    }
    return header;
}

std::optional<std::string> library_checksum(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    // FNV-1a: tells builds apart, which is all it is for (not a defence).
    std::uint64_t hash = 14695981039346656037ULL;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        for (std::streamsize i = 0; i < file.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ULL;
        }
    }
    if (file.bad()) {
        return std::nullopt;
    }
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return std::string(text);
}

namespace {

// Reads field `key` of `object` as a whole number within [low, high].
bool whole(const nlohmann::json& object, const char* key, std::int64_t low, std::int64_t high,
           std::int64_t& value, std::string& error) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer() || *found < low || *found > high) {
        error = std::string(key) + " is not a whole number from " + std::to_string(low) + " to " +
                std::to_string(high);
        return false;
    }
    value = found->get<std::int64_t>();
    return true;
}

bool text(const nlohmann::json& object, const char* key, std::string& value, std::string& error) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        error = std::string(key) + " is not a text";
        return false;
    }
    value = found->get<std::string>();
    return true;
}

}  // namespace

Shard shard_of_header(const nlohmann::json& header) {
    Shard shard;
    const auto found = header.find("shard");
    if (found != header.end() && found->is_object()) {
        shard.index = found->value("index", std::int64_t{0});
        shard.count = found->value("count", std::int64_t{1});
    }
    return shard;
}

std::optional<std::string> options_from_header(const nlohmann::json& header, MatchOptions& options,
                                               std::uint64_t& seed) {
    std::string error;
    if (!header.is_object() || header.value("type", "") != "match") {
        return "the first line is not a match header";
    }
    std::string version;
    if (!text(header, "version", version, error)) {
        return error;
    }
    if (version != CURLING_VERSION) {
        return std::string("it was played by curling-match ") + version + ", this is " + CURLING_VERSION;
    }
    const auto players = header.find("players");
    if (players == header.end() || !players->is_array() || players->size() != 2) {
        return "players is not a list of two";
    }
    for (int side = 0; side < 2; ++side) {
        if (!(*players)[side].is_object() ||
            !text((*players)[side], "name", options.names[side], error) ||
            !text((*players)[side], "command", options.player_commands[side], error)) {
            return "player " + std::to_string(side + 1) + ": " + (error.empty() ? "not an object" : error);
        }
    }
    std::int64_t games = 0;
    std::int64_t ends = 0;
    if (!whole(header, "games", 1, std::numeric_limits<int>::max(), games, error) ||
        !whole(header, "ends", 1, MAX_ENDS, ends, error) ||
        !whole(header, "clock_ms", 1, MAX_CLOCK_MS, options.clock_ms, error) ||
        !whole(header, "ready_timeout_ms", 1, MAX_READY_TIMEOUT_MS, options.ready_timeout_ms, error)) {
        return error;
    }
    options.games = static_cast<int>(games);
    options.ends = static_cast<int>(ends);
    const auto spread = header.find("spread");
    if (spread == header.end() || !spread->is_number() || !(*spread >= 0.0 && *spread <= MAX_SPREAD)) {
        return "spread is not a number from 0 to " + std::to_string(MAX_SPREAD);
    }
    options.spread = spread->get<double>();
    const auto seed_field = header.find("seed");
    if (seed_field == header.end() || !seed_field->is_number_unsigned()) {
        return std::string("seed is not a whole number from 0 to 18446744073709551615");
    }
    seed = seed_field->get<std::uint64_t>();
    options.seed = seed;
    if (!text(header, "simulator", options.simulator_path, error)) {
        return error;
    }
    if (header.contains("shard")) {
        const nlohmann::json& shard = header["shard"];
        std::int64_t count = 0;
        std::int64_t index = 0;
        if (!shard.is_object() ||
            !whole(shard, "count", 1, std::numeric_limits<int>::max(), count, error) ||
            !whole(shard, "index", 0, count - 1, index, error)) {
            return "shard: " + (error.empty() ? std::string("not an object") : error);
        }
        options.shard = Shard{index, count};
    }
    options.rule = CURLING_RULE_NONE;
    if (header.contains("rule")) {
        const nlohmann::json& rule = header["rule"];
        const auto known = rule.is_string() ? records::rule_from_name(rule.get<std::string>()) : std::nullopt;
        if (!known) {
            return std::string("rule is not one of ") + records::RULE_ACCEPTS;
        }
        options.rule = *known;
    }
    options.sprt.reset();
    if (header.contains("sprt")) {
        const nlohmann::json& sprt = header["sprt"];
        std::string spelt;
        for (const char* key : {"elo0", "elo1", "alpha", "beta"}) {
            if (!sprt.is_object() || !sprt.contains(key) || !sprt[key].is_number()) {
                return std::string("sprt: ") + key + " is not a number";
            }
            spelt += std::string(spelt.empty() ? "" : ",") + key + "=" + sprt[key].dump();
        }
        options.sprt = parse_sprt(spelt);
        if (!options.sprt) {
            return std::string("sprt: not ") + sprt_accepts();
        }
    }
    return std::nullopt;
}

std::optional<std::string> header_difference(const nlohmann::json& a, const nlohmann::json& b) {
    const auto comparable = [](nlohmann::json header) {
        // A match is the same whichever build of the runner played a shard.
        for (const char* key : {"shard", "concurrency", "merged_from", "build"}) {
            header.erase(key);
        }
        return header;
    };
    const nlohmann::json left = comparable(a);
    const nlohmann::json right = comparable(b);
    if (left == right) {
        return std::nullopt;
    }
    for (const auto& [key, value] : left.items()) {
        if (!right.contains(key)) {
            return key + " " + value.dump() + " against none";
        }
        if (right[key] != value) {
            return key + " " + value.dump() + " against " + right[key].dump();
        }
    }
    for (const auto& [key, value] : right.items()) {
        if (!left.contains(key)) {
            return key + " none against " + value.dump();
        }
    }
    return std::string("the headers differ");
}

}  // namespace runner
