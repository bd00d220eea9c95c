#pragma once

#include <cstdint>

#include "engine/game_state.h"

extern "C" {
using SimulationFn = std::int32_t (*)(_GAMESTATE* state, ShotVector shot, float spread,
                                      std::uint32_t reserved, std::int32_t limit);
using CreateShotFn = std::int32_t (*)(ShotTarget target, ShotVector* out);
using CreateHitShotFn = std::int32_t (*)(ShotTarget target, float strength, ShotVector* out);
using GetScoreFn = std::int32_t (*)(const _GAMESTATE* state);
}

// The four entry points of the loaded simulator library. All four are set
// together or none is: callers may use them once loading has succeeded.
struct SimulatorBinding {
    SimulationFn Simulation;
    CreateShotFn CreateShot;
    CreateHitShotFn CreateHitShot;
    GetScoreFn GetScore;
};

extern SimulatorBinding simulator;

inline constexpr const char* SIMULATOR_LIBRARY_FILE = "libCurlingSimulator.so";

// Loads the simulator library, first from the executable's own folder, then
// through the dynamic loader's search. False when the library or any entry
// point is missing; `simulator` is then left untouched.
bool load_simulator();

// Loads the library at exactly `path` (for tests and tools).
bool load_simulator_from(const char* path);
