#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "view/sheet_svg.h"

namespace view {

// The candidates a sampling player weighed for one position: for each, the
// shot, what the player calls it, its value, how many noisy samples the
// value rests on, and some of the resting positions those samples reached.
// Any player that can say this can be drawn; nothing here knows which.
struct Candidate {
    ShotVector shot{};
    std::string label;
    double value = 0;
    int samples = 0;
    std::vector<Position> outcomes;  // sampled resting positions
    std::optional<StonePosition> aim;  // where the shot was aimed, when the player says
    // The value's 95% interval, when the player's values allow one.
    std::optional<std::array<double, 2>> interval;
    // Where the shot leaves the stones without noise, when computed.
    std::optional<Position> rest;
};

// The 95% interval of a mean of `samples` values that each lie in [0, 1]
// (a P(win) with a draw as half): the Wilson score interval, which holds
// for such values because none varies more than a win or a loss does.
std::array<double, 2> unit_mean_interval(double mean, int samples);

struct CandidateReport {
    std::string player;  // who weighed them, for the heading
    std::string value_meaning = "value";
    std::vector<Candidate> candidates;
    int chosen = -1;  // the candidate the player played, when it says
    std::string note;  // what the values mean, under the table; may be empty
    // The position the candidates were weighed for, when the report says.
    std::optional<Position> stones;
    int shot_number = -1;
};

// Where a report's position differs from `state` (a stone, the shot
// number, or no position given), or an empty string when it is the same.
std::string position_mismatch(const CandidateReport& report, const GAMESTATE& state);

// A sampled stone is drawn where it is not where it stood before the shot:
// further than this, or on the sheet only after.
inline constexpr double OUTCOME_MOVED = 0.005;  // metres

// A cloud draws a candidate's first samples, at most this many: a last
// stone's search gives its finalists thousands, which add ink and megabytes
// but no shape. The first ones, because a sampling player that gives every
// candidate the same noise for sample i (as curling-planner does) then has
// its clouds drawn over the same executions.
inline constexpr std::size_t DRAWN_SAMPLES = 100;

// The stones of one sampled outcome that the shot moved or placed.
std::vector<DotMark> outcome_dots(const Position& before, const Position& outcome, int first_side);

// The section of the analysis page: candidates ranked by value with their
// shots, values and sample counts (the one played marked), and beside them
// the position before the shot with the cloud of the played candidate's
// sampled outcomes and, on a second sheet, of the candidate selected in the
// table (the page's script switches it); each cloud with its aim.
std::string candidate_section_html(const CandidateReport& report, const Position& before,
                                   int first_side);

// Reads a report written as JSON:
// {"player": "...", "value": "...", "chosen": index,
//  "state": {"shot_number": n, "stones": [[x, y] x16], ...}, "candidates":
//  [{"label": "...", "shot": [vx, vy, spin], "value": v, "samples": n,
//    "aim": [x, y], "outcomes": [[[x, y] x16], ...]}, ...]}
// ("chosen" and "aim" may be left out; without "state" the report cannot be
// drawn over a position, see position_mismatch).
// Throws std::invalid_argument saying what is wrong.
CandidateReport candidate_report_from_json(const nlohmann::json& json);

}  // namespace view
