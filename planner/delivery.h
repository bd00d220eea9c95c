#pragma once

#include "curling_simulator.h"
#include "random.h"
#include "simulator/simulator_loader.h"

// A shot as a player delivers it: the speeds it meant, each with Gaussian
// noise of `spread` (vx first, then vy, from the one stream), played by the
// library. Every noisy stone the planner and its tools throw goes through
// here, so that they all meet the noise the same way.
inline void deliver(const SimulatorApi& api, GAMESTATE& state, ShotVector shot, float spread,
                    SampleRandom& random) {
    shot.vx += static_cast<float>(spread * random.gaussian());
    shot.vy += static_cast<float>(spread * random.gaussian());
    api.Simulation(&state, shot, 0.0f, 0, -1);
}
