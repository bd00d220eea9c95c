#include "record_reading.h"

#include "game_rules.h"
#include "record_header.h"

namespace {

std::optional<GameEnding> ending_from_name(const std::string& name) {
    for (GameEnding ending : {GameEnding::NORMAL, GameEnding::TIME_FORFEIT, GameEnding::CRASH,
                              GameEnding::STALL, GameEnding::MALFORMED_SHOT}) {
        if (name == ending_name(ending)) {
            return ending;
        }
    }
    return std::nullopt;
}

// A player number (1 or 2) as a side, or nothing.
std::optional<int> side_of(const nlohmann::json& player) {
    if (player.is_number_integer() && (player == 1 || player == 2)) {
        return player.get<int>() - 1;
    }
    return std::nullopt;
}

// Rebuilds what the summary needs of a finished game from its lines.
std::optional<std::string> game_result(const std::vector<nlohmann::json>& lines, GameResult& result) {
    try {
        for (const nlohmann::json& line : lines) {
            const std::string type = line.at("type");
            if (type == "shot") {
                const auto side = side_of(line.at("player"));
                if (!side) {
                    return std::string("a shot names no player");
                }
                result.think_ms[*side].push_back(line.at("think_ms").get<double>());
            } else if (type == "end") {
                const auto hammer = side_of(line.at("hammer"));
                if (!hammer) {
                    return std::string("an end names no hammer");
                }
                result.ends.push_back(EndResult{line.at("score").get<int>(), *hammer});
            } else if (type == "game") {
                result.score[0] = line.at("score").at(0).get<int>();
                result.score[1] = line.at("score").at(1).get<int>();
                result.winner = side_of(line.at("winner"));
                const auto ending = ending_from_name(line.at("ending").get<std::string>());
                if (!ending) {
                    return "unknown ending " + line.at("ending").dump();
                }
                result.ending = *ending;
                result.concerns = side_of(line.at("player"));
                result.detail = line.at("detail").get<std::string>();
            }
        }
    } catch (const nlohmann::json::exception& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> read_record_text(const std::string& text, RecordContents& record) {
    std::vector<nlohmann::json> parsed;
    std::size_t start = 0;
    std::size_t number = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        ++number;
        const std::string line = text.substr(start, end - start);
        nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
        if (json.is_discarded() || !json.is_object() || !json.contains("type") || !json["type"].is_string()) {
            return "line " + std::to_string(number) + " is not a record line";
        }
        if (number == 1) {
            MatchOptions described;
            std::uint64_t seed = 0;
            if (auto error = options_from_header(json, described, seed)) {
                return "its header is not usable: " + *error;
            }
            record.header = std::move(json);
            record.header_text = line;
            continue;
        }
        record.lines.push_back(line);
        parsed.push_back(std::move(json));
    }
    if (number == 0) {
        return std::string("it holds no whole line");
    }
    const Shard shard = shard_of_header(record.header);
    const std::int64_t games = record.header.value("games", std::int64_t{0});
    std::map<std::int64_t, std::vector<nlohmann::json>> by_game;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const nlohmann::json& line = parsed[i];
        const std::string type = line["type"];
        if (type == "summary") {
            continue;
        }
        const auto game = line.find("game");
        const std::string where = "line " + std::to_string(i + 2);
        if (game == line.end() || !game->is_number_integer()) {
            return where + " (" + type + ") names no game";
        }
        const std::int64_t index = game->get<std::int64_t>();
        if (index < 0 || index >= games) {
            return where + " is of game " + std::to_string(index) + ", not one of the match's " +
                   std::to_string(games);
        }
        if (!shard.plays_pair(pair_of_game(index))) {
            return where + " is of game " + std::to_string(index) + ", which shard " + shard.text() +
                   " does not play";
        }
        if (type == "game" && record.finished.count(index) > 0) {
            return where + " finishes game " + std::to_string(index) + " a second time";
        }
        record.lines_of_game[index].push_back(i);
        by_game[index].push_back(line);
        if (type == "game") {
            GameResult result;
            result.game_index = static_cast<int>(index);
            if (auto error = game_result(by_game[index], result)) {
                return where + " (game " + std::to_string(index) + "): " + *error;
            }
            record.finished[index] = result;
        }
    }
    return std::nullopt;
}

std::set<std::int64_t> finished_pairs(const RecordContents& record, std::int64_t games) {
    std::set<std::int64_t> pairs;
    for (const auto& [game, result] : record.finished) {
        const std::int64_t pair = pair_of_game(game);
        if (pair_points(record.finished, pair, games)) {
            pairs.insert(pair);
        }
    }
    return pairs;
}

std::optional<double> pair_points(const std::map<std::int64_t, GameResult>& finished, std::int64_t pair,
                                  std::int64_t games) {
    double points = 0.0;
    for (int k = 0; k < games_in_pair(pair, games); ++k) {
        const auto game = finished.find(2 * pair + k);
        if (game == finished.end()) {
            return std::nullopt;
        }
        points += player1_game_points(game->second);
    }
    return points;
}
