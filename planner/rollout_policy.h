#pragma once

#include "curling_simulator.h"
#include "random.h"
#include "simulator/simulator_loader.h"

// The cheap player that finishes an end in every sampled look-ahead. It
// needs no simulation to choose, and plays like a curler rather than
// greedily: the team without the hammer guards the centre early and guards
// its counting stones; the hammer team keeps the centre open with corner
// guards and draws to the sides; both take out an open opponent shot stone
// and draw around (or freeze to) a guarded one; the last stone hits for the
// count or draws to the button.
ShotVector rollout_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random);
