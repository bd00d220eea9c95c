#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "match/records/record_lines.h"

namespace records {

// Follows one game's lines in the order written and says where they stop
// agreeing with the rules and with each other: stones thrown in turn, none
// missing, every end scored once after its sixteenth stone by the side
// with the hammer it should have, running totals, and a game line whose
// score, end scores, winner and ending are those of its ends; a shot undone
// by the free guard zone only where the match's rule covers it.
class GameCheck {
public:
    GameCheck(std::int64_t game, int regular_ends, int rule = CURLING_RULE_NONE);

    std::optional<std::string> shot(const ShotLine& shot);
    std::optional<std::string> end(const EndLine& end);
    std::optional<std::string> game(const GameLine& game);

    bool finished() const { return finished_; }

private:
    std::optional<std::string> end_may_start() const;
    std::optional<std::string> result_agrees(const GameLine& game) const;

    std::int64_t game_;
    int regular_ends_;
    int rule_;
    int first_thrower_;  // side that opens the end under way
    int ends_ = 0;       // ends scored
    int stones_ = 0;     // stones thrown in the end under way
    int totals_[2] = {0, 0};
    std::vector<int> end_scores_;
    bool finished_ = false;
};

}  // namespace records
