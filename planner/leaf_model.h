#pragma once

#include <array>
#include <cmath>

#include "curling_simulator.h"

namespace planner {

// The look-ahead's model of the rest of an end. Playing the end out with
// cheap players predicts real ends poorly (their players convert the hammer
// far worse than real ones), while a few counts of the position, fitted on
// real games, predict them better and cost nothing to evaluate: so the
// look-ahead plays the candidate and the reply, and this model values the
// rest. It is fitted by planner-fit on the planner's games against an
// opponent (data/leaf_model.inc).

// End scores for the team with the hammer, LEAF_LOW to LEAF_HIGH (clipped).
inline constexpr int LEAF_LOW = -4;
inline constexpr int LEAF_HIGH = 6;
inline constexpr int LEAF_CLASSES = LEAF_HIGH - LEAF_LOW + 1;

// Who lies shot and with how many (one of nine), each team's stones in the
// house and in the four-foot, each team's guards, centre guards, whether the
// shot stone is guarded (alone and with the side of who lies shot), how far
// the shot stone is from the tee, and a constant last.
inline constexpr int LEAF_FEATURES = 20;

// One model for each count of stones thrown (1 to 15) and each side: the
// player's own hammer ends and the other team's are told apart, as the two
// teams convert the hammer differently.
inline constexpr int LEAF_MODELS = 30;

std::array<float, LEAF_FEATURES> leaf_features(const GAMESTATE& state, int thrown);

// The chances of each end score (for the team with the hammer) from a
// position with `thrown` stones thrown, 1 to 15; `player_has_hammer`: the
// hammer is the planner's.
std::array<double, LEAF_CLASSES> leaf_distribution(const GAMESTATE& state, int thrown,
                                                   bool player_has_hammer);

// The chances of each end score under a model's weights (feature by
// feature, one weight per score each) for one position's features: the
// player's float weights and the fitter's double ones alike.
template <typename Feature, typename Weight>
std::array<double, LEAF_CLASSES> leaf_chances(const Feature* features, const Weight* weights) {
    std::array<double, LEAF_CLASSES> chances{};
    double top = -1e300;
    for (int c = 0; c < LEAF_CLASSES; ++c) {
        double z = 0.0;
        for (int j = 0; j < LEAF_FEATURES; ++j) {
            z += static_cast<double>(features[j]) * weights[j * LEAF_CLASSES + c];
        }
        chances[static_cast<std::size_t>(c)] = z;
        top = z > top ? z : top;
    }
    double sum = 0.0;
    for (double& v : chances) {
        v = std::exp(v - top);
        sum += v;
    }
    for (double& v : chances) {
        v /= sum;
    }
    return chances;
}

}  // namespace planner
