#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "view/sheet_svg.h"

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
};

struct CandidateReport {
    std::string player;  // who weighed them, for the heading
    std::string value_meaning = "value";
    std::vector<Candidate> candidates;
};

// A sampled stone is drawn where it is not where it stood before the shot:
// further than this, or on the sheet only after.
inline constexpr double OUTCOME_MOVED = 0.005;  // metres

// The stones of one sampled outcome that the shot moved or placed.
std::vector<DotMark> outcome_dots(const Position& before, const Position& outcome, int first_side);

// The section of the analysis page: candidates ranked by value with their
// shots, values and sample counts, and one sheet per candidate with the
// position before the shot and the cloud of its sampled outcomes.
std::string candidate_section_html(const CandidateReport& report, const Position& before,
                                   int first_side);

// Reads a report written as JSON:
// {"player": "...", "value": "...", "candidates": [{"label": "...",
//  "shot": [vx, vy, spin], "value": v, "samples": n,
//  "outcomes": [[[x, y] x16], ...]}, ...]}
// Throws std::invalid_argument saying what is wrong.
CandidateReport candidate_report_from_json(const nlohmann::json& json);
