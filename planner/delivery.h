#pragma once

#include "curling_simulator.h"
#include "match/records/free_guard_zone.h"
#include "random.h"
#include "simulator/simulator_loader.h"

namespace planner {

// A shot played by the library under the game's rule (`rule`: the library's
// CURLING_RULE_* value): a delivery the free guard zone forbids comes back
// undone, as the runner would leave it, so that a hit the rule would undo
// is valued as the stone lost it is. Only the deliveries the rule covers
// pay for keeping the position before.
inline void play_shot(const SimulatorApi& api, int rule, GAMESTATE& state, ShotVector shot) {
    if (state.shot_number >= records::deliveries_covered(rule)) {
        api.Simulation(&state, shot, 0.0f, 0, -1);
        return;
    }
    const GAMESTATE before = state;
    api.Simulation(&state, shot, 0.0f, 0, -1);
    api.ApplyFreeGuardZone(&before, &state, rule, nullptr);
}

// A shot as a player delivers it: the speeds it meant, each with Gaussian
// noise of `spread` (vx first, then vy, from the one stream), played by the
// library. Every noisy stone the planner and its tools throw goes through
// here, so that they all meet the noise the same way.
inline void deliver(const SimulatorApi& api, int rule, GAMESTATE& state, ShotVector shot,
                    float spread, SampleRandom& random) {
    shot.vx += static_cast<float>(spread * random.gaussian());
    shot.vy += static_cast<float>(spread * random.gaussian());
    play_shot(api, rule, state, shot);
}

}  // namespace planner
