#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

// The planner's Candidate, CandidateReport and Decision share their names
// with the view's own; each part keeps them in its namespace.
#include "planner/planner.h"
#include "view/candidate_report.h"
#include "view/shot_paths.h"

namespace view {

// What curling-planner is told on its command line, for a fixed budget.
struct PlannerSettings {
    // Simulated shots of a decision on stones 8 to 15; earlier stones get a share.
    std::int64_t sims = 52000;
    std::uint64_t seed = 1;
    float spread = 0.145f;
    int threads = 1;  // the answer does not depend on it
    int rule = CURLING_RULE_NONE;  // the planner's --rule (the library's CURLING_RULE_*)
    // The side with the hammer in the game's first end, as the player saw
    // it there (-1: not known); it dates the ends played, which tell the
    // player what kind of opponent it faces.
    int first_hammer_side = -1;
};

// One decision of curling-planner, made by its own search as "GO" makes it
// when the player runs with --sims, and where the chosen shot comes to rest.
struct PlannerDecision {
    GAMESTATE state{};
    std::int32_t remaining_ms = 0;
    PlannerSettings settings;
    planner::GameContext game;
    planner::SearchBudget budget;
    bool clock_quick = false;  // the clock left too little for a search
    planner::Decision decision;  // the planner's own, with every sampled outcome
    std::string reply;         // the line "GO" would print
    ShotPaths outcome;         // the chosen shot played without noise
    std::vector<Position> rests;  // each candidate played without noise
};

PlannerDecision plan_decision(const GAMESTATE& state, std::int32_t remaining_ms,
                              const PlannerSettings& settings, const SimulatorApi& api);

// The planner's candidates as the view draws any player's.
CandidateReport planner_candidates(const PlannerDecision& decision);

// What the planner weighed, in the format --candidates reads, with the
// state, the game, the budget and the search's totals.
nlohmann::json planner_json(const PlannerDecision& decision);

}  // namespace view
