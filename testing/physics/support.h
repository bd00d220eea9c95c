// Helpers shared by the physics tests.
#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator.h"
#include "engine.h"
#include "model.h"
#include "motion.h"

namespace physics_test {

using curling::physics::Vec2;

// Number of random cases: the full count normally, fewer under sanitizers.
inline int cases(int full, int light) {
#ifdef PHYSICS_TEST_LIGHT
    (void)full;
    return light;
#else
    (void)light;
    return full;
#endif
}

GAMESTATE empty_state(int shot_number = 0);
// Plays `shot` as stone 0 of an empty sheet; returns where it rests
// ((0, 0) when removed).
StonePosition play_alone(ShotVector shot);
using curling::in_house;  // the score's own rule
// vx with which a shot of this vy and spin comes to rest on the centre line
// of an empty sheet (bisection on Simulation).
float vx_to_centre(float vy, std::uint8_t spin);

// An empty internal sheet and a straight (non-curling) core shot from the
// release point coming to rest at `rest` (internal coordinates).
curling::physics::Sheet empty_sheet();
Vec2 straight_velocity_to(Vec2 rest);

// A fixed, varied set of positions and shots (draws, guards, hits, frozen
// stones, takeouts) whose results the determinism tests hash.
struct Case {
    GAMESTATE state;
    ShotVector shot;
};
std::vector<Case> determinism_cases();
// FNV-1a over the bytes of every result of the cases (shots played with
// spread 0 through Simulation).
std::uint64_t determinism_hash(const std::vector<Case>& cases);

// A little deterministic generator for the random cases.
struct Rng {
    std::uint64_t s;
    explicit Rng(std::uint64_t seed) : s(seed * 0x9e3779b97f4a7c15ULL + 1) {}
    std::uint64_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * ((next() >> 11) * 0x1.0p-53); }
};

// A crowded house: `stones` stones (at most 15) in stones[0 .. stones-1] in
// and in front of the house, about four in ten frozen to another (touching
// within float rounding), none overlapping; shot_number is `stones`.
GAMESTATE crowded_house(Rng& rng, int stones);
// A shot into such a house: mostly a hit on one of its stones (full or
// thin, any strength from a draw to a takeout), otherwise a row of the
// player's sweep (any lateral velocity, draw to takeout weight); either spin.
ShotVector crowded_shot(Rng& rng, const GAMESTATE& house);

// The free motion of `shot` from the release point, as the library starts it.
curling::physics::Motion delivery(ShotVector shot);

}  // namespace physics_test
