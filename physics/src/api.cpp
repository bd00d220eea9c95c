// The exported entry points: conversion between the records of
// curling_simulator.h and the internal model, the spin-1 mirror, and the
// guarantee that nothing escapes the boundary.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "curling_simulator.h"
#include "engine.h"
#include "guard_zone.h"
#include "noise.h"
#include "score.h"
#include "shots.h"
#include "sheet_io.h"

namespace cp = curling::physics;

extern "C" {

CURLING_API int32_t Simulation(GAMESTATE* state, ShotVector shot, float spread, uint32_t reserved,
                               int32_t limit) {
    try {
        if (state == nullptr) return -1;
        if (reserved != 0) return -2;
        return cp::simulate_state(*state, shot, spread, limit, nullptr);
    } catch (...) {
        return -1;
    }
}

CURLING_API int32_t CreateShot(ShotTarget target, ShotVector* out) {
    try {
        if (out == nullptr) return -1;
        const bool mirror = target.spin != 0;
        cp::Vec2 p{static_cast<double>(target.x) - cp::CENTRE_X, static_cast<double>(target.y)};
        if (mirror) p.x = -p.x;
        const cp::ShotSolution s = cp::solve_draw(p, +1);
        *out = cp::to_shot(s.vel, mirror);
        return s.reachable ? 1 : 0;
    } catch (...) {
        return -1;
    }
}

CURLING_API int32_t CreateHitShot(ShotTarget target, float strength, ShotVector* out) {
    try {
        if (out == nullptr) return -1;
        const bool mirror = target.spin != 0;
        cp::Vec2 p{static_cast<double>(target.x) - cp::CENTRE_X, static_cast<double>(target.y)};
        if (mirror) p.x = -p.x;
        const cp::ShotSolution s =
            cp::solve_hit(p, static_cast<double>(strength) * cp::VELOCITY_UNIT, +1);
        *out = cp::to_shot(s.vel, mirror);
        return s.reachable ? 1 : 0;
    } catch (...) {
        return -1;
    }
}

CURLING_API int32_t GetScore(const GAMESTATE* state) {
    try {
        if (state == nullptr) return 0;
        return cp::score_end(*state);
    } catch (...) {
        return 0;
    }
}

CURLING_API int32_t SeedNoise(uint64_t seed) {
    cp::seed_noise(seed);
    return 1;
}

CURLING_API int32_t SimulateTrajectory(const GAMESTATE* state, ShotVector shot, float spread,
                                       uint32_t reserved, float interval, StonePosition* frames,
                                       int32_t max_frames) {
    try {
        if (state == nullptr || frames == nullptr || max_frames < 1) return -1;
        if (reserved != 0 || !(interval >= 0.001f) || !std::isfinite(interval)) return -2;
        GAMESTATE copy;
        std::memcpy(&copy, state, sizeof copy);
        cp::TrajectoryFrames sink{frames, max_frames, static_cast<double>(interval)};
        const int32_t r = cp::simulate_state(copy, shot, spread, -1, &sink);
        if (r != 1 && r != 2) return r;
        return sink.written;
    } catch (...) {
        return -1;
    }
}

CURLING_API int32_t ApplyFreeGuardZone(const GAMESTATE* before, GAMESTATE* after, int32_t rule,
                                       uint32_t* restored) {
    try {
        if (before == nullptr || after == nullptr) return -1;
        return cp::apply_free_guard_zone(*before, *after, rule, restored);
    } catch (...) {
        return -1;
    }
}

}  // extern "C"
