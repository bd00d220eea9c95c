#pragma once

#include <string>

#include "physics/include/curling_simulator.h"

// The physics library, opened at run time so that the runner and the draw
// player build without it and tests can hand them a double instead.
struct SimulatorLibrary {
    int32_t (*Simulation)(GAMESTATE* state, ShotVector shot, float spread, uint32_t reserved,
                          int32_t limit) = nullptr;
    int32_t (*CreateShot)(ShotTarget target, ShotVector* out) = nullptr;
    int32_t (*CreateHitShot)(ShotTarget target, float strength, ShotVector* out) = nullptr;
    int32_t (*GetScore)(const GAMESTATE* state) = nullptr;
};

inline constexpr const char* SIMULATOR_LIBRARY_NAME = "libCurlingSimulator.so";

// Folder of the running executable with a trailing '/', or "" when unknown.
std::string own_directory();

// Where the library is looked for when no path is given: beside the executable.
std::string default_simulator_path();

// Opens `path` and resolves all four entry points. On failure `out` is left
// untouched and `error` says what was missing, so nothing is ever called
// through a null entry.
bool load_simulator_library(const std::string& path, SimulatorLibrary& out, std::string& error);
