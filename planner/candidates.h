#pragma once

#include <string>
#include <vector>

#include "curling_simulator.h"
#include "simulator/simulator_loader.h"

namespace planner {

enum class Intention { DRAW, GUARD, FREEZE, COME_AROUND, BESIDE, HIT, THROW_AWAY };

// How the look-ahead plays the thrower's own later stones after this shot.
// A hitting game pays only if kept up: one hit judged by play-outs in which
// the thrower goes back to drawing is worth little, so the plan of clearing
// the house is weighed as a whole.
enum class Plan { FREE, CLEAR };

// One shot the planner considers, with what it means.
struct Candidate {
    ShotVector shot{};
    Intention intention = Intention::DRAW;
    int stone = -1;            // the stone it plays on, or -1
    ShotTarget target{};       // where it is aimed (rest point or hit point)
    float strength = 0.0f;     // speed at the target for hits (0.1 m/s)
    std::string label;         // e.g. "draw tee", "hit yellow 3 full", "guard left"
    Plan plan = Plan::FREE;
};

// The shots worth considering from `state` for the team that throws stone
// `state.shot_number`: draws to the tee and open parts of the house, guards,
// freezes, come-arounds and draws beside each stone, hits on each stone in
// play at several weights, both turns and three lines (full, and thin on
// either side), and a throw-away.
std::vector<Candidate> make_candidates(const SimulatorApi& api, const GAMESTATE& state);

}  // namespace planner
