#pragma once

#include "curling_simulator.h"
#include "random.h"
#include "simulator/simulator_loader.h"
#include "value_model.h"

namespace planner {

// The players that finish an end in every sampled look-ahead.
//
// The greedy one needs no simulation to choose: it takes out the other
// team's shot stone when its path is open (draws around or freezes to it
// when guarded), and otherwise draws to the open part of the house (the
// hammer team to the sides, keeping the centre open).
ShotVector greedy_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random);

// The careful one tries a handful of shots without noise (the greedy shot,
// draws to the button and the open spot, hits on the other team's two best
// stones, a guard and a throw-away when counting) and plays the one that
// leaves the stones best for it. It plays like a strong, noise-blind
// opponent, at several times the cost. `strong` makes it a
// stronger finisher: more weights and lines on the stones it hits, and at
// the last stone a wide net judged by the end's score (about three times
// the cost again).
// How good the stones are just after a stone was played (the library has
// counted it in state.shot_number), for `team`, the team that threw it: by a `judge`
// (the value model), the end score it expects for that team (after the last
// stone, the end's score); without, the score as the stones lie and 0.3 for
// each stone in the house (less for the other team's).
double judge_stones(const SimulatorApi& api, const GAMESTATE& state, int team,
                    const ValueNet* judge);

// With a `judge`, each shot tried is judged by the value model instead of
// by the stones as they lie: the end score it expects for the thrower.
// Each shot is tried under the game's `rule`, so a take-out the free guard
// zone would undo is seen for the lost stone it is.
ShotVector careful_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random,
                        int& simulations, bool strong = false,
                        const ValueNet* judge = nullptr, int rule = CURLING_RULE_NONE);

// The thrower's stones when it clears the house: takes out the other team's
// stone nearest the tee whose path is open (else the nearest), and with
// nothing of theirs in play throws away with the hammer, draws without it.
ShotVector clear_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random);

// The careful player (strong or not) from stone `careful_from` of the end
// on, the greedy one before. Adds the shots it simulated to `simulations`.
ShotVector rollout_shot(const SimulatorApi& api, const GAMESTATE& state, SampleRandom& random,
                        int careful_from, int& simulations, bool strong = false,
                        const ValueNet* judge = nullptr, int rule = CURLING_RULE_NONE);

}  // namespace planner
