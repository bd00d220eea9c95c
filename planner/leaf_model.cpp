#include "leaf_model.h"

#include <algorithm>
#include <cmath>

#include "sheet.h"

namespace planner {

namespace {

// Each model's weights, feature by feature, each with one weight per score.
constexpr float WEIGHTS[LEAF_MODELS][LEAF_FEATURES * LEAF_CLASSES] = {
#include "data/leaf_model.inc"
};

struct Seen {
    float distance;
    int team;
    StonePosition at;
};

// The stones thrown that are still in play, and those in the house nearest
// the tee first.
struct Stones {
    Seen all[CURLING_STONES];
    int count = 0;
    Seen house[CURLING_STONES];
    int in_house = 0;
};

Stones gather(const GAMESTATE& state, int thrown) {
    Stones stones;
    for (int k = 0; k < thrown && k < CURLING_STONES; ++k) {
        if (stone_in_play(state.stones[k])) {
            const Seen seen{tee_distance(state.stones[k]), team_of(k), state.stones[k]};
            stones.all[stones.count++] = seen;
            if (seen.distance < HOUSE_REACH) {
                stones.house[stones.in_house++] = seen;
            }
        }
    }
    std::stable_sort(stones.house, stones.house + stones.in_house,
                     [](const Seen& a, const Seen& b) { return a.distance < b.distance; });
    return stones;
}

// Stones that would score now: positive for the team with the hammer.
int counting(const Stones& stones) {
    if (stones.in_house == 0) {
        return 0;
    }
    const int team = stones.house[0].team;
    int n = 0;
    while (n < stones.in_house && stones.house[n].team == team) {
        ++n;
    }
    return team == 1 ? n : -n;
}

// A stone in front of the shot stone, close enough in line to block a hit.
bool shot_stone_guarded(const Stones& stones) {
    if (stones.in_house == 0) {
        return false;
    }
    const StonePosition& shot = stones.house[0].at;
    for (int i = 0; i < stones.count; ++i) {
        const StonePosition& s = stones.all[i].at;
        if (s.y > shot.y + 0.3f && std::fabs(s.x - shot.x) < 2.0f * STONE_RADIUS) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::array<float, LEAF_FEATURES> leaf_features(const GAMESTATE& state, int thrown) {
    const Stones stones = gather(state, thrown);
    const int shot = counting(stones);
    // by team (0: without the hammer, 1: with it)
    float in_house[2] = {0.0f, 0.0f};
    float four_foot[2] = {0.0f, 0.0f};
    float guards[2] = {0.0f, 0.0f};
    float centre_guards = 0.0f;
    for (int i = 0; i < stones.in_house; ++i) {
        const Seen& s = stones.house[i];
        in_house[s.team] += 1.0f;
        four_foot[s.team] += s.distance < 0.61f + STONE_RADIUS ? 1.0f : 0.0f;
    }
    for (int i = 0; i < stones.count; ++i) {
        const Seen& s = stones.all[i];
        if (s.distance >= HOUSE_REACH && s.at.y > TEE_Y) {
            const float off_centre = std::fabs(s.at.x - TEE_X);
            guards[s.team] += off_centre < 1.2f ? 1.0f : 0.0f;
            centre_guards += off_centre < 0.4f ? 1.0f : 0.0f;
        }
    }
    const float guarded = shot_stone_guarded(stones) ? 1.0f : 0.0f;
    const float side = shot > 0 ? 1.0f : (shot < 0 ? -1.0f : 0.0f);
    std::array<float, LEAF_FEATURES> f{};
    f[static_cast<std::size_t>(std::clamp(shot, -4, 4) + 4)] = 1.0f;
    const float rest[] = {in_house[1],   in_house[0], four_foot[1],
                          four_foot[0],  guards[1],   guards[0],
                          centre_guards, guarded,     stones.in_house > 0 ? stones.house[0].distance : 2.0f,
                          guarded * side, 1.0f};
    std::copy(std::begin(rest), std::end(rest), f.begin() + 9);
    return f;
}

std::array<double, LEAF_CLASSES> leaf_distribution(const GAMESTATE& state, int thrown,
                                                   bool player_has_hammer) {
    const int row = (std::clamp(thrown, 1, 15) - 1) * 2 + (player_has_hammer ? 1 : 0);
    return leaf_chances(leaf_features(state, thrown).data(), WEIGHTS[row]);
}

}  // namespace planner
