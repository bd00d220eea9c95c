#pragma once

// Control surface of the test-double simulator library. The double records
// every call it receives and answers CreateShot and CreateHitShot with the
// target itself as the shot, so a reply shows what the player aimed at.

#include <cstdint>

#include "curling_simulator.h"

enum DoubleCallKind : std::int32_t {
    DOUBLE_SIMULATION = 1,
    DOUBLE_CREATE_SHOT = 2,
    DOUBLE_CREATE_HIT_SHOT = 3,
    DOUBLE_GET_SCORE = 4,
};

struct DoubleCall {
    std::int32_t kind;
    ShotTarget target;       // CreateShot, CreateHitShot
    float strength;          // CreateHitShot
    ShotVector shot;         // Simulation
    float spread;            // Simulation
    std::uint32_t reserved;  // Simulation
    std::int32_t limit;      // Simulation
    _GAMESTATE state;        // Simulation, GetScore: the record as passed in
};

using DoubleSimulationHook = void (*)(_GAMESTATE* state, ShotVector shot);
using DoubleScoreHook = std::int32_t (*)(const _GAMESTATE* state);

extern "C" {
// Clears the log, the hooks, the fixed score and the concurrency figures.
void double_reset();
std::int32_t double_call_count();
// Copies call `index` of the log; false when there is no such call.
bool double_call(std::int32_t index, DoubleCall* out);
// Stops recording calls (the counters still count) for sweeps of thousands.
void double_set_recording(bool on);
std::int32_t double_count_of(std::int32_t kind);
void double_set_score(std::int32_t score);
void double_set_simulation_hook(DoubleSimulationHook hook);
void double_set_score_hook(DoubleScoreHook hook);
// Makes every Simulation call last at least this long, so overlapping
// calls can be observed.
void double_set_simulation_delay_us(std::int32_t microseconds);
std::int32_t double_max_concurrent_simulations();
}

// Where the double puts a simulated stone when no hook is set: a plain,
// invertible function of the shot.
inline StonePosition double_rest_position(ShotVector shot) {
    return StonePosition{2.375f + shot.vx * 0.1f, 4.88f + (shot.vy + 30.0f) * 0.5f};
}
