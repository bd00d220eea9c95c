#include "record_reading.h"

#include "game_rules.h"
#include "record_header.h"

namespace runner {

namespace {

std::optional<int> side_of(const std::optional<int>& player) {
    return player ? std::optional<int>(*player - 1) : std::nullopt;
}

// What the summary needs of a whole game.
GameResult result_of(const records::RecordedGame& game) {
    GameResult result;
    result.game_index = static_cast<int>(game.index);
    for (const records::ShotLine& shot : game.shots) {
        result.think_ms[shot.side].push_back(shot.think_ms);
        result.rule_undone[shot.side] += shot.rule_undone ? 1 : 0;
    }
    for (const records::EndLine& end : game.ends) {
        result.ends.push_back(EndResult{end.score, end.hammer - 1});
    }
    result.score[0] = game.result.score[0];
    result.score[1] = game.result.score[1];
    result.winner = side_of(game.result.winner);
    result.ending = game.result.ending;
    result.concerns = side_of(game.result.player);
    result.detail = game.result.detail;
    return result;
}

}  // namespace

std::optional<std::string> read_record_text(const std::string& text, RecordContents& contents) {
    records::Record& record = contents.record;
    if (auto error = records::read_record(text, record, records::ReadOptions{true})) {
        return error;
    }
    MatchOptions described;
    std::uint64_t seed = 0;
    if (auto error = options_from_header(record.header.json, described, seed)) {
        return "its header is not usable: " + *error;
    }
    if (const records::Dropped* fault = record.first_fault()) {
        return "line " + std::to_string(fault->line) + ": " + fault->reason;
    }
    const Shard shard = shard_of_header(record.header.json);
    for (const records::Dropped& dropped : record.dropped) {
        if (dropped.game && !shard.plays_pair(pair_of_game(*dropped.game))) {
            return "line " + std::to_string(dropped.line) + " is of game " + std::to_string(*dropped.game) +
                   ", which shard " + shard.text() + " does not play";
        }
    }
    for (const auto& [index, game] : record.games) {
        if (!shard.plays_pair(pair_of_game(index))) {
            return "line " + std::to_string(game.lines.front().first) + " is of game " + std::to_string(index) +
                   ", which shard " + shard.text() + " does not play";
        }
        contents.finished[index] = result_of(game);
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

}  // namespace runner
