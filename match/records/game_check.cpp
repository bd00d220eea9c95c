#include "match/records/game_check.h"

#include <algorithm>

#include "match/records/free_guard_zone.h"

namespace records {

namespace {

std::string number(int n) { return std::to_string(n); }

}  // namespace

GameCheck::GameCheck(std::int64_t game, int regular_ends, int rule)
    : game_(game), regular_ends_(regular_ends), rule_(rule), first_thrower_(first_thrower_of_game(game)) {}

std::optional<std::string> GameCheck::end_may_start() const {
    if (!another_end(regular_ends_, ends_, totals_[0], totals_[1])) {
        return "end " + number(ends_) + " is played after the game was decided";
    }
    return std::nullopt;
}

std::optional<std::string> GameCheck::shot(const ShotLine& shot) {
    if (shot.end != ends_ || shot.shot != stones_) {
        if (stones_ == CURLING_STONES) {
            return "end " + number(ends_) + " has no end line after its last stone";
        }
        return "shot " + number(shot.shot) + " of end " + number(shot.end) + " where shot " + number(stones_) +
               " of end " + number(ends_) + " was due";
    }
    if (stones_ == 0) {
        if (auto error = end_may_start()) {
            return error;
        }
    }
    const int side = side_to_throw(first_thrower_, shot.shot);
    if (shot.side != side || shot.player != side + 1) {
        return "shot " + number(shot.shot) + " of end " + number(shot.end) + " is thrown by player " +
               number(shot.player) + " (side " + number(shot.side) + "), not by player " + number(side + 1);
    }
    if (shot.rule_undone && shot.shot >= deliveries_covered(rule_)) {
        return "shot " + number(shot.shot) + " of end " + number(shot.end) + " is undone by the free guard zone, which " +
               (rule_ == CURLING_RULE_NONE ? std::string("the match is not played under")
                                           : "covers only the first " + number(deliveries_covered(rule_)) + " stones");
    }
    ++stones_;
    return std::nullopt;
}

std::optional<std::string> GameCheck::end(const EndLine& end) {
    if (end.end != ends_ || stones_ != CURLING_STONES) {
        return "end " + number(end.end) + " is scored after " + number(stones_) + " stones of end " +
               number(ends_);
    }
    const int hammer = hammer_side(first_thrower_) + 1;
    if (end.hammer != hammer) {
        return "end " + number(end.end) + " gives the hammer to player " + number(end.hammer) + ", not " +
               number(hammer);
    }
    totals_[0] += std::max(end.score, 0);
    totals_[1] += std::max(-end.score, 0);
    if (end.total[0] != totals_[0] || end.total[1] != totals_[1]) {
        return "end " + number(end.end) + " totals " + number(end.total[0]) + "-" + number(end.total[1]) +
               " where its ends add up to " + number(totals_[0]) + "-" + number(totals_[1]);
    }
    end_scores_.push_back(end.score);
    first_thrower_ = first_thrower_after(first_thrower_, end.score);
    ++ends_;
    stones_ = 0;
    return std::nullopt;
}

std::optional<std::string> GameCheck::result_agrees(const GameLine& game) const {
    if (stones_ == CURLING_STONES) {
        return "end " + number(ends_) + " has no end line after its last stone";
    }
    if (game.score[0] != totals_[0] || game.score[1] != totals_[1]) {
        return "the game line's score " + number(game.score[0]) + "-" + number(game.score[1]) +
               " is not its ends' " + number(totals_[0]) + "-" + number(totals_[1]);
    }
    if (game.end_scores != end_scores_) {
        return std::string("the game line's end scores are not those of its end lines");
    }
    const int first_hammer = hammer_side(first_thrower_of_game(game_)) + 1;
    if (game.first_hammer != first_hammer) {
        return "the game line gives the first hammer to player " + number(game.first_hammer) + ", not " +
               number(first_hammer);
    }
    if (game.ending == GameEnding::NORMAL) {
        if (stones_ > 0 || another_end(regular_ends_, ends_, totals_[0], totals_[1])) {
            return "the game ends normally after " + number(ends_) + " ends and " + number(stones_) +
                   " stones, before its last end";
        }
        const auto winner = winner_from_totals(totals_[0], totals_[1]);
        const std::optional<int> player = winner ? std::optional<int>(*winner + 1) : std::nullopt;
        if (game.winner != player || game.player) {
            return std::string("the game line's winner is not the one of its score");
        }
        return std::nullopt;
    }
    if (!game.player || game.winner != 3 - *game.player) {
        return std::string("the game line's winner is not the other of the player at fault");
    }
    return std::nullopt;
}

std::optional<std::string> GameCheck::game(const GameLine& game) {
    if (auto error = result_agrees(game)) {
        return error;
    }
    finished_ = true;
    return std::nullopt;
}

}  // namespace records
