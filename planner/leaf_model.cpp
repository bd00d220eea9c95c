#include "leaf_model.h"

#include <algorithm>
#include <cmath>

#include "sheet.h"

namespace {

constexpr float WEIGHTS[LEAF_MODELS][LEAF_FEATURES * LEAF_CLASSES] = {
#include "data/leaf_model.inc"
};

struct Seen {
    float distance;
    int team;
    StonePosition at;
};

}  // namespace

std::array<float, LEAF_FEATURES> leaf_features(const GAMESTATE& state, int thrown) {
    Seen all[CURLING_STONES];
    int count = 0;
    for (int k = 0; k < thrown && k < CURLING_STONES; ++k) {
        if (stone_in_play(state.stones[k])) {
            all[count++] = Seen{tee_distance(state.stones[k]), team_of(k), state.stones[k]};
        }
    }
    Seen house[CURLING_STONES];
    int in = 0;
    for (int i = 0; i < count; ++i) {
        if (all[i].distance < HOUSE_REACH) {
            house[in++] = all[i];
        }
    }
    std::stable_sort(house, house + in,
                     [](const Seen& a, const Seen& b) { return a.distance < b.distance; });
    int counting = 0;
    if (in > 0) {
        for (int i = 0; i < in && house[i].team == house[0].team; ++i) {
            ++counting;
        }
        counting = house[0].team == 1 ? counting : -counting;
    }
    std::array<float, LEAF_FEATURES> f{};
    f[static_cast<std::size_t>(std::clamp(counting, -4, 4) + 4)] = 1.0f;
    float nh = 0, nn = 0, h4 = 0, n4 = 0, gh = 0, gn = 0, cg = 0, guarded = 0;
    for (int i = 0; i < in; ++i) {
        const bool four = house[i].distance < 0.61f + STONE_RADIUS;
        if (house[i].team == 1) {
            nh += 1;
            h4 += four ? 1 : 0;
        } else {
            nn += 1;
            n4 += four ? 1 : 0;
        }
    }
    for (int i = 0; i < count; ++i) {
        const Seen& s = all[i];
        if (s.distance >= HOUSE_REACH && s.at.y > TEE_Y) {
            const float dx = std::fabs(s.at.x - TEE_X);
            if (dx < 1.2f) {
                (s.team == 1 ? gh : gn) += 1;
            }
            if (dx < 0.4f) {
                cg += 1;
            }
        }
        if (in > 0 && s.at.y > house[0].at.y + 0.3f &&
            std::fabs(s.at.x - house[0].at.x) < 2.0f * STONE_RADIUS) {
            guarded = 1.0f;
        }
    }
    const float sign = counting > 0 ? 1.0f : (counting < 0 ? -1.0f : 0.0f);
    const float rest[] = {nh, nn, h4, n4, gh, gn, cg, guarded,
                          in > 0 ? house[0].distance : 2.0f, guarded * sign, 1.0f};
    std::copy(std::begin(rest), std::end(rest), f.begin() + 9);
    return f;
}

std::array<double, LEAF_CLASSES> leaf_distribution(const GAMESTATE& state, int thrown,
                                                   bool player_has_hammer) {
    const int row = (std::clamp(thrown, 1, 15) - 1) * 2 + (player_has_hammer ? 1 : 0);
    const std::array<float, LEAF_FEATURES> f = leaf_features(state, thrown);
    std::array<double, LEAF_CLASSES> p{};
    double top = -1e300;
    for (int c = 0; c < LEAF_CLASSES; ++c) {
        double z = 0.0;
        for (int j = 0; j < LEAF_FEATURES; ++j) {
            z += static_cast<double>(f[static_cast<std::size_t>(j)]) *
                 WEIGHTS[row][j * LEAF_CLASSES + c];
        }
        p[static_cast<std::size_t>(c)] = z;
        top = std::max(top, z);
    }
    double sum = 0.0;
    for (double& v : p) {
        v = std::exp(v - top);
        sum += v;
    }
    for (double& v : p) {
        v /= sum;
    }
    return p;
}
