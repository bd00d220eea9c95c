#pragma once

#include <cstdint>
#include <string>

#include "strategy/sweep_selection.h"
#include "view/shot_paths.h"

namespace view {

// One decision of curling-engine, made by the engine's own shot selection
// exactly as "GO" makes it, with what its search looked at.
struct Decision {
    GAMESTATE state{};
    std::int32_t remaining_ms = 0;
    ShotVector shot{};
    SearchTrace trace;     // trace.search is null when a fixed rule answered
    std::string reply;     // the line "GO" would print
    float best = 0;        // the largest smoothed rating
    int chosen_row = -1;   // grid cell of the chosen shot, or -1 when off the grid
    int chosen_index = -1;
    ShotPaths outcome;     // the chosen shot played without noise
    // Where each cell of the search's grid leaves the stones without noise,
    // in the grid's order ([spin][row][vx index]); empty when no search ran.
    std::vector<Position> cell_rests;
};

// Needs the engine's simulator binding loaded (load_simulator_from) and
// `api` from the same library for the outcome's path.
Decision decide(const GAMESTATE& state, std::int32_t remaining_ms, const SimulatorApi& api);

// What chose the shot, in words.
std::string decision_rule(const Decision& decision);

}  // namespace view
